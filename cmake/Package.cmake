# The Debian package (scripts/package.sh): the installed files of cmake/Install.cmake under /usr,
# shared-library dependencies worked out by dpkg-shlibdeps, the fonts the Windows families of
# the settings are drawn with, and the word-document helpers as recommendations.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvalindestrum)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_CONTACT "Corvalindestrum developers <developers@corvalindestrum.invalid>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvalindestrum developers <developers@corvalindestrum.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://corvalindestrum.invalid/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "e-book reader whose page moves by itself at the speed you set")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Corvalindestrum Professional turns documents into books of its own, keeps
them in a library, and shows one book at a time on a page it sets and draws
itself, with anti-aliased text that moves a pixel at a time, by hand or by
itself at the speed the reader sets.
.
It reads plain text in any code page or in UTF-16, HTML, RTF and PalmDoc
books, also inside ZIP, RAR, ARJ, LZH and HA archives, and remembers where
the reader stopped.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fontconfig, fonts-dejavu-core, fonts-liberation2, fonts-comic-neue, fonts-crosextra-carlito, fonts-crosextra-caladea")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "catdoc")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libreoffice-writer")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
