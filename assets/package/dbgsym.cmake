# Run by CPack once the packages are made (CPACK_POST_BUILD_SCRIPTS): completes the debugging
# symbols package as Debian's own are made. CPack lists its files in md5sums by their paths in
# CPack's work folder, not in the package, and gives it no documentation folder; Debian's link
# theirs to the main package's, whose copyright covers them.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "-dbgsym_[^/]*\\.ddeb$")
    continue()
  endif()
  set(root "${package}.tree")
  file(REMOVE_RECURSE "${root}")
  execute_process(COMMAND dpkg-deb --raw-extract "${package}" "${root}" COMMAND_ERROR_IS_FATAL ANY)
  file(MAKE_DIRECTORY "${root}/usr/share/doc")
  file(CREATE_LINK sonaveil "${root}/usr/share/doc/${CPACK_PACKAGE_NAME}-dbgsym" SYMBOLIC)
  execute_process(
    COMMAND sh -c "find usr -type f -name '*.debug' -exec chmod 0644 {} + &&
      find usr -type f | LC_ALL=C sort | xargs md5sum > DEBIAN/md5sums"
    WORKING_DIRECTORY "${root}" COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND dpkg-deb --root-owner-group --build "${root}" "${package}"
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${root}")
  message(STATUS "Completed ${package}")
endforeach()
