; Setup for Wavory: a per-machine install into Program Files (x86)\Wavory.
; Built by installer/build.sh, which defines STAGE (the folder of the files to
; ship), PROGRAM_FILES_NSH (their list), PACKAGE_NAMES_NSH (the sparse
; package's names), ICON, OUTFILE and VERSION_NSH (the build's version, see
; Version.nsh.in) or VERSION.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!ifndef VERSION
  !include "${VERSION_NSH}"
!endif
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"
!include "WinVer.nsh"
!include "WordFunc.nsh"
!include "${PACKAGE_NAMES_NSH}"
!include "Names.nsh"
!include "Files.nsh"
!include "Extension.nsh"
!include "SparsePackage.nsh"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES32\${PRODUCT}"
; An upgrade goes where the installed version is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"

!ifdef SIGN_COMMAND
  !finalize '${SIGN_COMMAND} "%1"'
  !uninstfinalize '${SIGN_COMMAND} "%1"'
!endif

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!include "Install.nsh"
!include "Uninstall.nsh"
