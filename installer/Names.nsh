; The installer's own names: one definition each.
!define PRODUCT "Wavory"
!define PUBLISHER "Tarn Sonelle"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Wavory"
!define PROGRAM_EXE "Wavory.exe"
!define UNINSTALLER "Uninstall.exe"
!define EXTENSION32 "Sonelle.dll"
!define EXTENSION64 "Sonelle64.dll"
!define MENU_FOLDER "$SMPROGRAMS\Wavory"
; ERROR_SUCCESS_REBOOT_REQUIRED: done, but a file goes only at the next restart.
!define EXIT_REBOOT_REQUIRED 3010
