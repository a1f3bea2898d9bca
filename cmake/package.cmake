# The Debian package of what install.cmake installs, made by `cpack -G DEB` in the build folder.
if(NOT TARGET zavo)
  return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zavo)
set(CPACK_PACKAGE_VENDOR "zavo maintainers")
set(CPACK_PACKAGE_CONTACT "zavo maintainers <maintainers@users.noreply.c-seed-301a15d1.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "compare a picture before and after JPEG compression")
# Lines of the long description stay within 80 columns, as Debian asks.
set(CPACK_PACKAGE_DESCRIPTION
    "zavo opens one picture (BMP, JPEG, ICO, WMF or EMF), compresses it as JPEG
at a chosen quality and shows the picture before compression beside the
picture after compression, with the size of the source file and of the
compressed result. A full-screen preview flips or alternates between the
two; saving writes exactly the bytes that were measured.

The interface is in Japanese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps. What the binary loads by other means is named here: every
# label is Japanese and unreadable without a Japanese font, so a font is a dependency; Qt's own
# Japanese dialog texts only replace English ones, so they are recommended.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic | fonts-japanese-gothic")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)

include(CPack)
