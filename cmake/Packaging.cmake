# A Debian package of the program (cpack -G DEB in a build folder): the
# executable, its menu entry, icon, software-centre entry, manual page,
# copyright file and changelog, as installed by app/CMakeLists.txt.
#
# The run-time dependencies are a fixed list for Debian 12, taken from the
# libraries the executable links (ldd, then dpkg -S on each) and the fonts the
# font mapping substitutes for the stored fonts (platform/Fonts.cpp: Liberation
# for Arial, Times New Roman and Courier New, DejaVu Sans for Tahoma, and the
# scalable Tahoma, MS Sans Serif, Marlett and Symbol of fonts-wine when there).
# scripts/package.sh checks the list against what dpkg-shlibdeps finds.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ardel-sorvan)
set(CPACK_PACKAGE_VENDOR "Ardel Sorvan developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Debian's form: a short description (the synopsis, no full stop), which cpack
# puts first, and an extended one of lines under 80 columns, as lintian checks.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "one-page photo calendar with print preview")
set(CPACK_PACKAGE_DESCRIPTION
    "Ardel Sorvan composes a one-page photo calendar: a photo you choose (JPEG,\n"
    "bitmap, icon, enhanced or Windows metafile) above a month calendar.\n"
    "\n"
    "It prints the page through its own report-printing engine, with a print\n"
    "preview (zoom, thumbnails, margins), page setup (paper, headers, footers,\n"
    "scaling), a print dialog for the printers of CUPS or a PDF file, and report\n"
    "files that keep a report to print again later.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(ARDEL_PACKAGE_MAINTAINER "Ardel Sorvan developers <developers@ardel-sorvan.invalid>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${ARDEL_PACKAGE_MAINTAINER}")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ARDEL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ARDEL_HOMEPAGE}")
# Folders as Debian wants them, whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # ardel-sorvan_<version>-1_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.35), libstdc++6 (>= 12), libgcc-s1 (>= 7), "
    "libqt6core6 (>= 6.4.0), libqt6gui6 (>= 6.4.0), libqt6widgets6 (>= 6.4.0), libqt6printsupport6 (>= 6.4.0), "
    "libjpeg62-turbo (>= 1:2.0.0), liblcms2-2 (>= 2.9), libuemf0 (>= 0.2.8+ds), libcups2 (>= 2.0.2), "
    "fonts-liberation2 | fonts-liberation, fonts-dejavu-core, fonts-wine")
string(JOIN "" CPACK_DEBIAN_PACKAGE_DEPENDS ${CPACK_DEBIAN_PACKAGE_DEPENDS})
include(CPack)
