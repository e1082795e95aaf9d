# The Debian package, built by CPack's DEB generator. scripts/build-package.sh (`make package`)
# configures a build folder of its own for it, with the prefix /usr and the store file under /etc;
# the package refuses to be built from a folder configured for any other prefix, since the
# program has its paths built in.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zarnic)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quellan")
set(CPACK_PACKAGE_CONTACT "${ZARNIC_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${ZARNIC_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "simple web browser for beginners")
# Lines of the long description stay within 80 columns, as Debian asks.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Zarnic! is a small web browser for people who are new to the web. A window"
    "shows one page at a time, with an address box and eight large toolbar"
    "buttons; a Help window answers the usual questions of beginners in plain"
    "words."
    ""
    "Browsing leaves no traces: no history, cookies, cache or downloaded files"
    "are kept, and every page runs in the web engine's sandbox.")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
# The store file has an absolute destination (/etc), which CPack only places through DESTDIR.
set(CPACK_SET_DESTDIR ON)
# Stripped as Debian strips: no symbols, no compiler notes (cmake/PackageStrip.cmake).
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PackageStrip.cmake)
set(CPACK_ZARNIC_STRIP "${CMAKE_STRIP}")
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The shared libraries the executable links give the rest of the dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the program needs at run time without linking it: the fonts it names, the web process
# sandbox, and the media plugins for audio and video. Its pictures are PNG, which GTK reads
# without a loader module.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-liberation2, fonts-dejavu-extra, bubblewrap, xdg-dbus-proxy, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
# The system-information tool the About box starts; without it the user gets a message.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS hardinfo)

if(DEFINED ZARNIC_INSTALLED_STORE_FILE)
    file(WRITE ${CMAKE_BINARY_DIR}/debian/conffiles "${ZARNIC_INSTALLED_STORE_FILE}\n")
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/conffiles)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
endif()

set(CPACK_ZARNIC_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackagingCheck.cmake)

include(CPack)
