# The Debian package: `cmake --build <dir> --target package`, or `cpack -G DEB` in the build folder.
# It holds what `cmake --install` installs, below /usr: the program folder lib/findlark, the bin/findlark
# link, the desktop entry, icon, metainfo and manual page.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "findlark")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tidewell")
set(CPACK_PACKAGE_CONTACT "Tidewell <support@tidewell.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "build a search engine for a website")
set(CPACK_PACKAGE_DESCRIPTION
    "Findlark reads the pages of a website, from a local folder or over HTTP,
keeps each page's title, keywords, description and text, and writes a
search engine for the site from an HTML template: a client-side JavaScript
engine or a server page with a database. It is a desktop program and a
batch command for build pipelines.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "findlark")

set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
# findlark_<version>_<arch>.deb, the architecture from dpkg.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tidewell <support@tidewell.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION "web")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.tidewell.example/findlark/")
# Depends comes from the shared libraries the executable links (dpkg-shlibdeps, from dpkg-dev), so it
# follows whatever the build links, a sanitizer's runtime included.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(FINDLARK_GUI)
    # The window draws its SVG icons through Qt's SVG plugins, which Qt loads at run time: no link names
    # their package, so dpkg-shlibdeps cannot find it. Added to what it computes.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
endif()
set(CPACK_STRIP_FILES ON)

include(CPack)
