# Installs the programs with their manual pages, and what a desktop needs to list and show them:
# the desktop entry, the icons in the hicolor theme, the AppStream metadata, and the copyright and
# changelog a Debian package carries in its doc folder.
if(NOT TARGET zavo)
  return()
endif()

include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Manual pages and the changelog are compressed here rather than at build time so that an install
# of the programs alone finds them; -n keeps the name and time stamp out, so the package is the same
# for the same sources.
function(zavo_gzip source compressed)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  execute_process(COMMAND gzip -9nc ${source} OUTPUT_FILE ${compressed} COMMAND_ERROR_IS_FATAL ANY)
endfunction()

# `programs` builds what is installed and nothing else (no tests). Each program has its manual page,
# which names the project's version.
add_custom_target(programs)
foreach(program zavo zavo-batch)
  install(TARGETS ${program})
  add_dependencies(programs ${program})
  configure_file(${CMAKE_SOURCE_DIR}/data/${program}.1 ${CMAKE_BINARY_DIR}/man/${program}.1 @ONLY)
  zavo_gzip(${CMAKE_BINARY_DIR}/man/${program}.1 ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
  install(FILES ${CMAKE_BINARY_DIR}/man/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

set(zavo_data ${CMAKE_SOURCE_DIR}/data)
install(FILES ${zavo_data}/zavo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${zavo_data}/io.github.zavo.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${zavo_data}/icons/zavo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${zavo_data}/icons/zavo-${size}.png RENAME zavo.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

zavo_gzip(${zavo_data}/changelog ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${zavo_data}/copyright ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
