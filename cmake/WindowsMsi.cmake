# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer, tolvane-crypter-<version>-x64.msi, built by wixl
# (Debian's msitools) from cmake/windows/TolvaneCrypter.wxs.in with the
# target `msi` (scripts/build-windows.sh builds it after the ZIP). It is not
# part of `all`: a build without wixl still builds the programs.
# Included at the end of the top-level CMakeLists.txt, when every target is
# known: the window's program, its Start menu entry, the .tvn file type and
# the Explorer verbs are in the MSI exactly when the target tolvane-crypter
# exists.
# Windows Installer compares only major.minor.build, at most 255.255.65535,
# when it looks for an older version to replace; a version beyond that would
# install beside the older one instead.
if(PROJECT_VERSION_MAJOR GREATER 255 OR PROJECT_VERSION_MINOR GREATER 255
   OR PROJECT_VERSION_PATCH GREATER 65535 OR NOT PROJECT_VERSION_TWEAK STREQUAL "")
  message(FATAL_ERROR "The MSI needs a version major.minor.build up to 255.255.65535, not ${PROJECT_VERSION}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/TolvaneCrypter.wxs.in
  ${PROJECT_BINARY_DIR}/TolvaneCrypter.wxs @ONLY)

# wixl finds sources only by paths relative to the .wxs file's folder.
file(RELATIVE_PATH readme ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR}/cli/README.md)
set(wixl_defines
  -D CommandExe=$<PATH:RELATIVE_PATH,$<TARGET_FILE:tolvane>,${PROJECT_BINARY_DIR}>
  -D Readme=${readme})
set(msi_programs tolvane)
if(TARGET tolvane-crypter)
  list(APPEND wixl_defines
    -D WindowExe=$<PATH:RELATIVE_PATH,$<TARGET_FILE:tolvane-crypter>,${PROJECT_BINARY_DIR}>)
  list(APPEND msi_programs tolvane-crypter)
endif()

# wixl writes the tables' texts in Windows-1252 yet leaves the database's
# code page neutral, which Windows reads as the installing system's ANSI code
# page: on a Greek or Russian Windows the "ü" of the Explorer entries would
# come out as another letter. Importing the _ForceCodepage table marks the
# database as Windows-1252.
file(WRITE ${PROJECT_BINARY_DIR}/msi-codepage/_ForceCodepage.idt "\r\n\r\n1252\t_ForceCodepage\r\n")

find_program(TOLVANE_WIXL wixl)
find_program(TOLVANE_MSIBUILD msibuild)
if(TOLVANE_WIXL AND TOLVANE_MSIBUILD)
  add_custom_command(OUTPUT ${TOLVANE_MSI}
    COMMAND ${TOLVANE_WIXL} --arch x64 ${wixl_defines} -o ${TOLVANE_MSI}
      ${PROJECT_BINARY_DIR}/TolvaneCrypter.wxs
    COMMAND ${TOLVANE_MSIBUILD} ${TOLVANE_MSI} -i ${PROJECT_BINARY_DIR}/msi-codepage/_ForceCodepage.idt
    DEPENDS ${PROJECT_BINARY_DIR}/TolvaneCrypter.wxs ${PROJECT_SOURCE_DIR}/cli/README.md
      ${msi_programs}
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    COMMENT "Building the installer ${TOLVANE_MSI}"
    VERBATIM)
  add_custom_target(msi DEPENDS ${TOLVANE_MSI})
else()
  add_custom_target(msi
    COMMAND ${CMAKE_COMMAND} -E echo "wixl or msibuild not found: install wixl and msitools (scripts/deps.sh --windows)"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()
