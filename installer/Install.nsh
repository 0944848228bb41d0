; Install and upgrade: the same steps. Files a process holds are moved aside
; first, so an upgrade replaces them in place while Explorer still has the old
; extension loaded; the settings (the user's registry) are not touched.

Function .onInit
  SetShellVarContext all
FunctionEnd

Function RegisterAutomation
  ExecWait '"$INSTDIR\${PROGRAM_EXE}" /RegServer' $0
  ${If} $0 != 0
    Abort "The automation class could not be registered (exit code $0)."
  ${EndIf}
FunctionEnd

Function CreateShortcuts
  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\Wavory.lnk" "$INSTDIR\${PROGRAM_EXE}"
  CreateShortcut "${MENU_FOLDER}\Wavory Options.lnk" "$INSTDIR\${PROGRAM_EXE}" "-o" "$INSTDIR\${PROGRAM_EXE}" 0
FunctionEnd

; Apps / Add or Remove Programs. The uninstaller runs in place (_?=), so a
; caller that waits for it waits for the whole removal.
Function WriteUninstallEntry
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM_EXE},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}" _?=$INSTDIR'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S _?=$INSTDIR'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
FunctionEnd

Section "Wavory" SectionProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  !insertmacro ForEachProgramFile InstallFile
  ${If} ${RunningX64}
    !insertmacro InstallFile "${EXTENSION64}"
    !insertmacro InstallFile "${PACKAGE_FILE}"
  ${EndIf}
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ; First, so that an install that fails further on can still be removed.
  Call WriteUninstallEntry
  Call RegisterExtensions
  Call RegisterPackage
  Call RegisterAutomation
  Call CreateShortcuts
  IfRebootFlag 0 +2
    SetErrorLevel ${EXIT_REBOOT_REQUIRED}
SectionEnd
