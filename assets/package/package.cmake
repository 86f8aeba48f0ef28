# `cmake --build build --target package` makes build/sonaveil_<version>_amd64.deb from the
# install rules (install.cmake): the programs in /usr/lib/sonaveil/, their read-only files in
# /usr/share/sonaveil/, the settings /etc/sonaveil/endpoints.ini (a conffile: an upgrade keeps
# an administrator's edit), the links in /usr/bin, desktop entry, icons, AppStream data and
# manual pages; and beside it sonaveil-dbgsym_<version>_amd64.ddeb with the programs'
# debugging information.
install(FILES ${PROJECT_SOURCE_DIR}/assets/package/copyright DESTINATION share/doc/sonaveil)
set(changelog ${CMAKE_BINARY_DIR}/package/changelog.gz)
add_custom_command(
  OUTPUT ${changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/package
  COMMAND sh -c "gzip -9n -c '${PROJECT_SOURCE_DIR}/assets/package/changelog' > '${changelog}'"
  DEPENDS ${PROJECT_SOURCE_DIR}/assets/package/changelog
  VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${changelog})
install(FILES ${changelog} DESTINATION share/doc/sonaveil)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonaveil)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
# Installed under DESTDIR, so that the install rules see the final prefix, which the desktop
# entry names.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_SCRIPTS ${PROJECT_SOURCE_DIR}/assets/package/package_managed.cmake)
set(CPACK_PACKAGE_CONTACT "The Sonaveil developers <developers@sonaveil.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "music player with an online song catalog and lyrics")
set(CPACK_PACKAGE_DESCRIPTION
  "Sonaveil plays local music files and network streams from one playlist that it
keeps between runs and that moves on by itself from song to song. It browses
and searches a song catalog, shows the lyric of the playing song, downloads
catalog songs, and opens a message board, all in one skinned window with a
tray icon and desktop media controls.
.
A second program updates the song catalog from the update server and takes
only files signed with the server's key.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.sonaveil.example/")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/assets/package/conffiles)
# The programs' debugging information goes into sonaveil-dbgsym, and the programs are stripped
# of it (so CPACK_STRIP_FILES stays off: it would leave nothing to move).
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/assets/package/dbgsym.cmake)
# The libraries the programs link come from dpkg-shlibdeps; what they load at run time is
# named here: GStreamer's playbin and WAV, MP3 and PulseAudio output (base, good), ASF for
# WMA (ugly) and its decoder (libav), MIDI through fluidsynth (bad) with a General MIDI sound
# font, Qt's X11 platform and SQLite driver, and Qt's translations of its own texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-ugly, gstreamer1.0-libav, gstreamer1.0-plugins-bad, timgm6mb-soundfont | fluid-soundfont-gm, qt6-qpa-plugins, libqt6sql6-sqlite, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "gstreamer1.0-alsa, fonts-noto-cjk | fonts-wqy-microhei, xdg-utils")
include(CPack)
