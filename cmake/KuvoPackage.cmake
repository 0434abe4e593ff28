# `make package`: a Debian package kuvo_<version>_<arch>.deb of the install
# rules, installed under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kuvo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kuvo developers <kuvo@kuvo.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch picture processor with a Chinese user interface")
# The lines under the summary line of the package's description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Kuvo图片批处理 puts pictures in a list and runs one job over all of them:
resizing and cropping, rotation (also upright from the EXIF orientation),
pixel effects, a border, picture and text watermarks, renaming and saving as
JPEG, PNG, TIFF, BMP or WebP, with FTP upload and PDF albums. The window
program kuvo shows a live preview; kuvo-batch runs the same engine from the
command line.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kuvo.invalid/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)

# Library dependencies come from what the programs link (dpkg-shlibdeps).
# Qt loads its TIFF and WebP readers as plugins, which no linker sees.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins")
# The fonts stand in for 宋体 and 黑体 in text watermarks; xdg-utils opens
# output folders and pages.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-arphic-uming, fonts-wqy-zenhei, qt6-translations-l10n, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libreoffice-writer, bash-completion")

include(CPack)
