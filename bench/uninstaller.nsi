; The NSIS peer: an installer whose only job is to write the uninstaller (run it once,
; silently), and that uninstaller, which removes what the benchmark's conf.xml names.
; makensis -DMAKER=<installer.exe> -DUNINSTALLER=<Windows path of the uninstaller to write>
; Started as "nsis-uninstall.exe /S" from the installation directory, the uninstaller copies
; itself to the temp folder and relaunches with _?=, as ours does; the benchmark's launcher
; waits for that copy too, so both are timed to the end of their last process.
Name "BenchApp"
OutFile "${MAKER}"
InstallDir "$PROGRAMFILES\BenchApp"
RequestExecutionLevel user
SilentInstall silent
SilentUnInstall silent

Section
  WriteUninstaller "${UNINSTALLER}"
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\BenchApp\*.lnk"
  RMDir /r "$SMPROGRAMS\BenchApp"
  Delete "$DESKTOP\BenchApp.lnk"
  RMDir /r "$INSTDIR"
  DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\BenchApp"
  DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\BenchAppUpdater"
SectionEnd
