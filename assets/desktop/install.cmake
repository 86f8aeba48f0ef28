# `cmake --install` lays the programs out as Linux software is laid out (the package installs
# under /usr), and makes the player a desktop application:
#   lib/sonaveil/                  sonaveil, update, sonaveil-board: the application folder
#   share/sonaveil/                skin/, help.html, translations/, data/db.dll (the catalog each
#                                  user's first start copies)
#   etc/sonaveil/endpoints.ini     the deployment settings (/etc/sonaveil for the prefix /usr)
#   bin/sonaveil, bin/sonaveil-update    links to the player and the updater on the PATH
#   share/applications/sonaveil.desktop
#   share/icons/hicolor/NxN/apps/sonaveil.png
#   share/metainfo/example.sonaveil.Sonaveil.metainfo.xml
#   share/man/man1/{sonaveil,sonaveil-update}.1.gz
# The programs find the rest from their own folder (see SelfContained()), to which the links
# resolve. Nothing of this is written at run time.
set(SONAVEIL_INSTALL_DIR lib/sonaveil)
set(SONAVEIL_SHARE_DIR share/sonaveil)

install(TARGETS sonaveil update sonaveil-board RUNTIME DESTINATION ${SONAVEIL_INSTALL_DIR})
install(FILES ${SONAVEIL_APP_DIR}/data/db.dll DESTINATION ${SONAVEIL_SHARE_DIR}/data)
file(GLOB skin_pictures ${PROJECT_SOURCE_DIR}/assets/skin/*.gif
  ${PROJECT_SOURCE_DIR}/assets/skin/*.ico)
install(FILES ${skin_pictures} DESTINATION ${SONAVEIL_SHARE_DIR}/skin)
install(FILES ${PROJECT_SOURCE_DIR}/assets/help/help.html DESTINATION ${SONAVEIL_SHARE_DIR})
install(FILES ${translation_files} DESTINATION ${SONAVEIL_SHARE_DIR}/translations)
# The settings go where the system keeps them for this prefix, as the programs look for them.
install(CODE "
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(etc /etc)
  else()
    set(etc \"\${CMAKE_INSTALL_PREFIX}/etc\")
  endif()
  file(INSTALL DESTINATION \"\${etc}/sonaveil\" TYPE FILE
    FILES \"${PROJECT_SOURCE_DIR}/assets/data/endpoints.ini\")
")

# What software centres show, and the manual pages (compressed, as Debian keeps them).
install(FILES ${PROJECT_SOURCE_DIR}/assets/desktop/example.sonaveil.Sonaveil.metainfo.xml
  DESTINATION share/metainfo)
set(manual_pages)
foreach(page sonaveil.1 sonaveil-update.1)
  set(gz ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(
    OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND sh -c "gzip -9n -c '${PROJECT_SOURCE_DIR}/assets/man/${page}' > '${gz}'"
    DEPENDS ${PROJECT_SOURCE_DIR}/assets/man/${page}
    VERBATIM)
  list(APPEND manual_pages ${gz})
  install(FILES ${gz} DESTINATION share/man/man1)
endforeach()
add_custom_target(manual_pages ALL DEPENDS ${manual_pages})

# The theme icons are the pictures inside the skin's icon, one per size it holds, and the
# icon drawn at 128 pixels for software centres.
find_program(MAGICK_CONVERT convert REQUIRED)
set(icon ${PROJECT_SOURCE_DIR}/assets/skin/sonaveil.ico)
set(icon_dir ${CMAKE_BINARY_DIR}/icons)
set(icon_sizes 16 24 32 48 64)
set(icon_files)
foreach(size IN LISTS icon_sizes)
  list(FIND icon_sizes ${size} index)
  set(png ${icon_dir}/${size}x${size}/apps/sonaveil.png)
  add_custom_command(
    OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}/${size}x${size}/apps
    COMMAND ${MAGICK_CONVERT} ${icon}[${index}] -resize ${size}x${size} PNG32:${png}
    DEPENDS ${icon}
    VERBATIM)
  list(APPEND icon_files ${png})
  install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(theme_icons ALL DEPENDS ${icon_files})
install(FILES ${PROJECT_SOURCE_DIR}/assets/desktop/sonaveil-128.png
  DESTINATION share/icons/hicolor/128x128/apps RENAME sonaveil.png)

install(CODE "
  set(root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  file(MAKE_DIRECTORY \"\${root}/bin\" \"\${root}/share/applications\")
  file(CREATE_LINK ../${SONAVEIL_INSTALL_DIR}/sonaveil \"\${root}/bin/sonaveil\" SYMBOLIC)
  file(CREATE_LINK ../${SONAVEIL_INSTALL_DIR}/update \"\${root}/bin/sonaveil-update\" SYMBOLIC)
  file(READ \"${PROJECT_SOURCE_DIR}/assets/desktop/sonaveil.desktop.in\" entry)
  string(REPLACE @LAUNCHER@ \"\${CMAKE_INSTALL_PREFIX}/bin/sonaveil\" entry \"\${entry}\")
  file(WRITE \"\${root}/share/applications/sonaveil.desktop\" \"\${entry}\")
  message(STATUS \"Installing: \${root}/bin/sonaveil -> ../${SONAVEIL_INSTALL_DIR}/sonaveil\")
  message(STATUS \"Installing: \${root}/bin/sonaveil-update -> ../${SONAVEIL_INSTALL_DIR}/update\")
")
