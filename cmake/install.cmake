# Installs the programs and what a desktop needs to list and show them: the desktop entry, the icons
# in the hicolor theme, the AppStream metadata, and the copyright and changelog a Debian package
# carries in its doc folder.
if(NOT TARGET zavo)
  return()
endif()

include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# `programs` builds what is installed and nothing else (no tests).
add_custom_target(programs)
foreach(program zavo zavo-batch)
  install(TARGETS ${program})
  add_dependencies(programs ${program})
endforeach()

set(zavo_data ${CMAKE_SOURCE_DIR}/data)
install(FILES ${zavo_data}/zavo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${zavo_data}/io.github.zavo.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${zavo_data}/icons/zavo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${zavo_data}/icons/zavo-${size}.png RENAME zavo.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Compressed here rather than at build time so that an install of the program alone finds it; -n
# keeps the name and time stamp out, so the package is the same for the same sources.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${zavo_data}/changelog)
execute_process(COMMAND gzip -9nc ${zavo_data}/changelog OUTPUT_FILE ${CMAKE_BINARY_DIR}/changelog.gz
                COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${zavo_data}/copyright ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
