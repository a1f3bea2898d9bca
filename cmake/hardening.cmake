# The builds a package can come from are made with the distribution's hardening flags, as
# dpkg-buildflags gives them with every hardening feature on: fortified functions, the stack
# protector, read-only relocations and immediate binding. The build type keeps choosing optimisation
# and debug information. Sanitizer builds and Debug builds go without: fortification needs
# optimisation and gets in the sanitizers' way.
if(ZAVO_SANITIZE OR ZAVO_FUZZ OR ZAVO_TSAN OR CMAKE_BUILD_TYPE STREQUAL "Debug")
  return()
endif()
find_program(ZAVO_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT ZAVO_DPKG_BUILDFLAGS)
  message(STATUS "dpkg-buildflags not found: building without the distribution's hardening flags")
  return()
endif()

# The source paths stay as they are (no file prefix map), so that a debugger finds the sources and
# the compiler cache serves every checkout.
function(zavo_buildflags kind out)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env
                          "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-fixfilepath,-fixdebugpath"
                          "DEB_${kind}_MAINT_STRIP=-g -O2" ${ZAVO_DPKG_BUILDFLAGS} --get ${kind}
                  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

zavo_buildflags(CPPFLAGS zavo_cppflags)
zavo_buildflags(CXXFLAGS zavo_cxxflags)
zavo_buildflags(LDFLAGS zavo_ldflags)
add_compile_options(${zavo_cppflags} ${zavo_cxxflags})
add_link_options(${zavo_ldflags})
