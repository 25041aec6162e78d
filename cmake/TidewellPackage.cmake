# The Debian package: `cpack -G DEB` in a configured build folder (scripts/package.sh does it from a
# release build). It holds what `cmake --install` installs, under /usr.
set(CPACK_PACKAGE_NAME "tidewell")
set(CPACK_PACKAGE_VENDOR "Orvane")
set(CPACK_PACKAGE_CONTACT "Orvane <tidewell@orvane.com>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "See the development servers listening on this computer")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Tidewell lives in the tray and lists the local development servers listening on TCP ports: their "
    "port, process, page title and kind of web app, and the folder and command they were started from. "
    "tidewell --list prints the same list on the command line.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://orvane.com/tidewell")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "devel")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_RELEASE "1")
# The libraries come from the programs themselves (dpkg-shlibdeps); the native backend reads /proc
# and hands links and folders to xdg-open, which is the one program it runs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
# Native Wayland windows; without it Qt falls back to XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
# What TIDEWELL_BACKEND=commands runs.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "lsof, procps, zsh")

include(CPack)
