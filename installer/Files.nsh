; The files of an installation, for installing and removing alike.

; ForEachProgramFile MACRO calls MACRO with each file every installation has;
; installer/build.sh writes it from the files it stages.
!include "${PROGRAM_FILES_NSH}"

; MoveAside / un.MoveAside: deletes the file $0 now or, when a process holds it
; (Explorer its extension, a running converter), renames it out of the way and
; deletes it at the next restart, which sets the reboot flag.
!macro DefineMoveAside UN
Function ${UN}MoveAside
  ClearErrors
  Delete "$0"
  ${IfNot} ${Errors}
    Return
  ${EndIf}
  GetTempFileName $1 "$INSTDIR"
  Delete "$1"
  ClearErrors
  Rename "$0" "$1"
  ${If} ${Errors}
    Delete /REBOOTOK "$0"
  ${Else}
    Delete /REBOOTOK "$1"
  ${EndIf}
  DetailPrint "In use, removed at the next restart: $0"
FunctionEnd
!macroend
!insertmacro DefineMoveAside ""
!insertmacro DefineMoveAside "un."

!macro InstallFile NAME
  StrCpy $0 "$INSTDIR\${NAME}"
  Call MoveAside
  File "${STAGE}\${NAME}"
!macroend

!macro RemoveFile NAME
  StrCpy $0 "$INSTDIR\${NAME}"
  Call un.MoveAside
!macroend
