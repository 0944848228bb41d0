; The sparse package that puts our commands into Windows 11's own context menu
; (ExplorerCommand in the extension): registered for the installing user, with
; the install folder as its external location, on 64-bit Windows 10 2004 and
; later (its class is the 64-bit extension, as Explorer is 64-bit). Where
; Windows refuses it (a signature it does not trust, an older system) or cannot
; register packages at all (Wine), the classic menu alone remains and the
; install goes on: PowerShell's answer is only reported.

!define POWERSHELL '"$WINDIR\System32\WindowsPowerShell\v1.0\powershell.exe" -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command'

; Runs a PowerShell command without a window (nsExec), the 64-bit PowerShell
; (its package cmdlets); its exit code, or "error" when it could not start, in $0.
; Backquotes: the command holds PowerShell's single quotes.
!macro PowerShell64 COMMAND
  ${DisableX64FSRedirection}
  nsExec::ExecToLog `${POWERSHELL} "${COMMAND}"`
  Pop $0
  ${EnableX64FSRedirection}
!macroend

Function RegisterPackage
  ${IfNot} ${RunningX64}
  ${OrIfNot} ${AtLeastBuild} 19041
    DetailPrint "No package for the Windows 11 menu on this Windows: the classic menu serves."
    Return
  ${EndIf}
  ; PowerShell's single quotes take the folder as it is; a quote in it is doubled.
  ${WordReplace} "$INSTDIR" "'" "''" "+" $1
  !insertmacro PowerShell64 "try { Add-AppxPackage -Path '$1\${PACKAGE_FILE}' -ExternalLocation '$1' -ErrorAction Stop; exit 0 } catch { Write-Output $$_.Exception.Message; exit 1 }"
  ${If} $0 == 0
    DetailPrint "Package registered: the commands are in the Windows 11 menu."
  ${Else}
    DetailPrint "Package not registered ($0): the classic menu serves."
  ${EndIf}
FunctionEnd

; Before the files go: Explorer lets go of the package's extension with it.
Function un.RemovePackage
  ${IfNot} ${RunningX64}
  ${OrIfNot} ${AtLeastBuild} 19041
    Return
  ${EndIf}
  !insertmacro PowerShell64 "try { Get-AppxPackage -Name '${PACKAGE_NAME}' | Remove-AppxPackage -ErrorAction Stop; exit 0 } catch { Write-Output $$_.Exception.Message; exit 1 }"
  DetailPrint "Package removed: exit code $0"
FunctionEnd
