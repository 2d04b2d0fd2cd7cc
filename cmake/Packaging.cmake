# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: cpack -G DEB in a build tree (scripts/package.sh).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolvane-crypter)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tolvane Crypter developers")
set(CPACK_PACKAGE_CONTACT "${TOLVANE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "encrypt and decrypt files with Twofish under a password")
set(CPACK_PACKAGE_DESCRIPTION [[Tolvane Crypter encrypts or decrypts one file at a time with the
256-bit Twofish block cipher, in CBC or ECB mode, under a password: in a
German Qt window, tolvane-crypter, or with the command tolvane. It reads
and writes the files of the earlier Windows versions byte for byte.

The format has no integrity check and takes the key from one unsalted
SHA-1 digest of the password; the manual pages say what it protects.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link come from dpkg-shlibdeps; these are what
# they load or need at run time without linking: the Wayland platform
# plugin, Qt's German texts for its own dialogs, and the fonts with Arial's
# metrics that the window's fixed layout is measured in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-wayland, qt6-translations-l10n, fonts-liberation")
# Runs the Nautilus menu entries; the other file managers need nothing.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-nautilus")
include(CPack)
