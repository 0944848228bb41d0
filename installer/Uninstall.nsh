; Removal of every file and key the installer or the program wrote; the user's
; settings only when the user asks (never in silent mode).

Function un.onInit
  SetShellVarContext all
FunctionEnd

; The program's own keys: its automation class (machine-wide and this user's),
; and on request this user's settings. It is asked before its file goes.
Function un.RemoveProgramKeys
  ExecWait '"$INSTDIR\${PROGRAM_EXE}" /UnregServer' $0
  DetailPrint "Automation class removed: exit code $0"
  MessageBox MB_YESNO|MB_ICONQUESTION "Remove your ${PRODUCT} settings as well?" /SD IDNO IDNO keep
    ExecWait '"$INSTDIR\${PROGRAM_EXE}" /RemoveSettings' $0
    DetailPrint "Settings removed: exit code $0"
  keep:
FunctionEnd

; A running program cannot delete its own file, but it can move it: run in
; place (_?=), the uninstaller moves itself to the temporary folder, to be
; deleted at the next restart, so that the folder goes now. Started without
; _?=, it runs as a copy that NSIS keeps in the temporary folder instead.
; Then the folder goes, or at the next restart when something is left in it.
Function un.RemoveSelfAndFolder
  StrCpy $R9 0
  IfRebootFlag 0 +2
    StrCpy $R9 1
  ${If} $EXEPATH == "$INSTDIR\${UNINSTALLER}"
    GetTempFileName $0
    Delete "$0"
    ClearErrors
    Rename "$EXEPATH" "$0"
    ${If} ${Errors}
      StrCpy $0 "$EXEPATH"
    ${EndIf}
    Delete /REBOOTOK "$0"
  ${Else}
    Delete "$INSTDIR\${UNINSTALLER}"
  ${EndIf}
  SetOutPath "$TEMP"
  RMDir /REBOOTOK "$INSTDIR"
  ; Only what Explorer holds is worth a restart.
  ${If} $R9 == 0
    SetRebootFlag false
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.RemovePackage
  Call un.UnregisterExtensions
  Call un.RemoveProgramKeys
  !insertmacro ForEachProgramFile RemoveFile
  !insertmacro RemoveFile "${EXTENSION64}"
  !insertmacro RemoveFile "${PACKAGE_FILE}"
  RMDir /r "${MENU_FOLDER}"
  ; The selection the extension last handed to the program.
  Delete "$TEMP\filelist.flt"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Call un.RemoveSelfAndFolder
  IfRebootFlag 0 done
    MessageBox MB_OK|MB_ICONINFORMATION "Explorer still holds the ${PRODUCT} extension. It was renamed and will be removed when Windows restarts." /SD IDOK
    SetErrorLevel ${EXIT_REBOOT_REQUIRED}
  done:
SectionEnd
