# Run by CPack after the install rules: marks the installed application folder as the package
# manager's, so the updater leaves the program to it (see PackageManaged()).
set(folder "${CMAKE_INSTALL_PREFIX}/lib/sonaveil")
file(WRITE "$ENV{DESTDIR}${folder}/package-managed" "${folder}\n")
message(STATUS "Marking ${folder} as the package manager's")
