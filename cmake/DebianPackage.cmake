# `cpack -G DEB` in the build folder makes qs71dr-adj_VERSION_ARCH.deb from the install rules.
# Its dependencies come from the programs' shared libraries (dpkg-shlibdeps, from dpkg-dev).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qs71dr-adj)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "QS-71DR ADJ maintainers")
set(CPACK_PACKAGE_CONTACT "QS-71DR ADJ maintainers <maintainers@qs71dr.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service adjustment utility for the QT-71DR radio")
set(CPACK_PACKAGE_DESCRIPTION
    "The bench program a service technician uses with a QT-71DR two-way radio on a serial "
    "cloning cable: it identifies the radio, reads its memory image, adjusts 17 items live, "
    "shows the live readings and runs the automatic operations. Comes with the virtual radio "
    "qt71dr-sim for trying it without a radio.")
string(CONCAT CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_HOMEPAGE_URL ${QS_PROJECT_URL})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so the library scan cannot see them: the platform plugins (the window,
# and the offscreen platform that writes report PDFs without a display) and a font for the
# report's text.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core | fonts-liberation")
# The build keeps its debug information; the package does not need it.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
