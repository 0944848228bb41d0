; The Explorer extension, registered by its own DllRegisterServer in the
; registry view of its bitness: the 32-bit regsvr32 for Sonelle.dll and, on
; 64-bit Windows, the 64-bit one (file-system redirection off) for Sonelle64.dll.

; Runs regsvr32 of the bitness BITS with ARGS; the exit code in $0.
!macro RegSvr32 BITS ARGS
  !if ${BITS} == 64
    ${DisableX64FSRedirection}
    ExecWait '"$WINDIR\System32\regsvr32.exe" ${ARGS}' $0
    ${EnableX64FSRedirection}
  !else
    ExecWait '"$SYSDIR\regsvr32.exe" ${ARGS}' $0
  !endif
!macroend

Function RegisterExtensions
  !insertmacro RegSvr32 32 '/s "$INSTDIR\${EXTENSION32}"'
  ${If} $0 != 0
    Abort "The 32-bit Explorer extension could not be registered (regsvr32 exit code $0)."
  ${EndIf}
  ${If} ${RunningX64}
    !insertmacro RegSvr32 64 '/s "$INSTDIR\${EXTENSION64}"'
    ${If} $0 != 0
      Abort "The 64-bit Explorer extension could not be registered (regsvr32 exit code $0)."
    ${EndIf}
  ${EndIf}
FunctionEnd

; Each unregistration leaves the other bitness's keys working; failures are
; only reported, so that the rest of the removal goes on.
Function un.UnregisterExtensions
  ${If} ${RunningX64}
    !insertmacro RegSvr32 64 '/u /s "$INSTDIR\${EXTENSION64}"'
    DetailPrint "64-bit extension unregistered: exit code $0"
  ${EndIf}
  !insertmacro RegSvr32 32 '/u /s "$INSTDIR\${EXTENSION32}"'
  DetailPrint "32-bit extension unregistered: exit code $0"
FunctionEnd
