# `make package`: a Debian package of what `cmake --install` installs, under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlanth)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vorlanth")
set(CPACK_PACKAGE_CONTACT "Vorlanth developers <vorlanth@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "test bench for agents that steer themselves by simulating their own futures")
set(CPACK_PACKAGE_DESCRIPTION
    "A window, a headless runner, a league of seeded runs and a Python module (vorlanth) for karts,\n"
    "rockets and asteroids that simulate many short futures and steer by their goals.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The libraries the programs and modules link, found by dpkg-shlibdeps; the
# Python module's own needs beside them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3 (>= 3.11), python3 (<< 3.12), python3-numpy")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3-distributed, python3-pandas")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-matplotlib, python3-pytest")
set(CPACK_STRIP_FILES ON)
include(CPack)
