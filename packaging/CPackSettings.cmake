# The Debian package, made by `cpack -G DEB` in a build folder configured with
# the install prefix /usr (scripts/package.sh does both). Included at the end
# of the top-level CMakeLists.txt, after every install rule.
#
# The package needs no maintainer scripts of its own: Debian's triggers
# refresh the file type database, the desktop entries' type cache, the icon
# cache and the manual page index, and the program registers its drop-target
# component for each user at that user's first start. (CPack adds an
# ldconfig call of its own for any library under /usr/lib; it is harmless.)

set(QUORVEL_PACKAGE_MAINTAINER "Quorvel developers <packaging@quorvel.invalid>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VENDOR Halvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${QUORVEL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop mail archiver")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Only what the install rules lay out; no copy of the source.
set(CPACK_SOURCE_GENERATOR "")

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUORVEL_PACKAGE_MAINTAINER}")
# The summary line comes from CPACK_PACKAGE_DESCRIPTION_SUMMARY; CPack indents
# these lines and marks the empty ones as Debian's control file wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quorvel keeps e-mail files (.eml) in one archive file (.qvb, an SQLite
database): a tree of folders, a header row for every mail and a
byte-for-byte copy of every mail. Mails are imported by dropping files or
mails dragged from a mail program, read in a preview, found again by their
header values and dragged out again as files.

The package also has quorvel-cli, a command-line tool that makes, imports
into, lists, exports, checks, repairs and compacts archives.

The user interface is in Japanese.")
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # quorvel_VERSION-RELEASE_ARCH.deb
# The libraries the binaries link come from dpkg-shlibdeps; the two libraries
# of the program folder are the package's own.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/program)
# What the binaries do not link but the window needs: Qt's platform plugins
# (the X11 one; libqt6gui6 only recommends them), Qt's own Japanese texts and
# a Japanese font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
