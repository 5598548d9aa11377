# `cpack -G DEB` builds a Debian package of everything `cmake --install`
# installs.
set(CPACK_PACKAGE_NAME varo)
set(CPACK_PACKAGE_VENDOR "Varo developers")
set(CPACK_PACKAGE_CONTACT "Varo developers <varo-dev@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Weighted nonlinear least-squares fitting of one or more models at once")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
# The GL library's and the Python module's needs are recommendations: the
# core alone needs only the C and C++ runtimes, varo-fit also libcsv's, libcerf's,
# muparser's, and for its pictures cairo's, libpng's and fontconfig's.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6, libstdc++6, libcsv3, libcerf1, libmuparser2v5, libcairo2, libpng16-16, libfontconfig1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "freeglut3-dev, libglu1-mesa-dev, python3-numpy")
include(CPack)
