# SPDX-License-Identifier: GPL-3.0-or-later
# The portable Windows ZIP: tolvane.exe and, when it is built, the window
# tolvane-crypter.exe, both linked statically so that they need no DLL beside
# them, and the README. Included at the end of the top-level CMakeLists.txt,
# when every target is known.
install(TARGETS tolvane RUNTIME DESTINATION .)
if(TARGET tolvane-crypter)
  install(TARGETS tolvane-crypter RUNTIME DESTINATION .)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/cli/README.md DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tolvane)
set(CPACK_PACKAGE_VENDOR "Tolvane Crypter")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
