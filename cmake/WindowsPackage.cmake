# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows ZIP: tolvane.exe, linked statically so that it needs no DLL
# beside it, and its README.
install(TARGETS tolvane RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/cli/README.md DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tolvane)
set(CPACK_PACKAGE_VENDOR "Tolvane Crypter")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
