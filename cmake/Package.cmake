# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in the build folder makes varndel_<version>_amd64.deb.
set(CPACK_PACKAGE_NAME varndel)
set(CPACK_PACKAGE_VENDOR "Proyecto Varndel")
set(CPACK_PACKAGE_CONTACT "Proyecto Varndel <varndel@example.org>")
# Debian asks for English here, in lines of at most 80 columns; the AppStream metainfo holds
# the Spanish summary.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "saves the screenshots of a watched folder in batches")
set(CPACK_PACKAGE_DESCRIPTION
  "Varndel watches one folder and moves its images, batch by batch, into new
folders named after a prefix and the date and time of saving. A batch is saved
automatically once enough images have gathered, or by hand at any moment.
.
A batch is saved whole or not at all, a file still being written waits for its
writer to close it, and a save cut short by a crash is put right at the next
start. A small viewer shows PCX images. The interface is in Spanish.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own Spanish texts, the pictures folder the first start puts its folders in, and the
# desktop's opener that shows a batch's folder.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-user-dirs, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
