; The uninstaller the installer puts beside the programs as uninstall.exe,
; made on Linux by Debian's makensis (Release.cmake passes the defines, as
; for galt-loader.nsi but STAGE and UNINSTALLER).
; It is an NSIS installer, not an NSIS uninstaller: started plainly, an NSIS
; uninstaller copies itself to %TEMP% and returns at once, leaving the work
; to the copy; this one does the work itself and returns when it is done,
; with its exit code (0; 2 while the loader runs, nothing changed; 740 for
; an installation for every user without administrator rights). So both
; registered commands are the program in quotes alone ("…\uninstall.exe",
; "…\uninstall.exe" /S): no shell, nothing outside the quotes, whatever the
; folder's name. Its scope is every user's when HKLM's entry names its
; folder. What Windows deletes no running program from is this program's
; own file: for every user it and the folder go at the next start
; (administrators may schedule that); for one user, the helper its NSIS
; uninstaller part makes (in %TEMP%) removes them as soon as this program
; has ended.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "${FACTS}"
!define PRODUCT_OF "загрузчика ПО GALT-5R"
!define HELPER "galt-loader-uninstall-end.exe"

Name "${PRODUCT} ${VERSION}"
Caption "Удаление ${PRODUCT_OF} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PUBLISHER}"

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=1049 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "FileVersion" "${FILE_VERSION}"
VIAddVersionKey /LANG=1049 "FileDescription" "Удаление ${PRODUCT_OF} ${VERSION}"
VIAddVersionKey /LANG=1049 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1049 "LegalCopyright" "${PUBLISHER}"

!ifdef SIGN
  !finalize '"${SIGN}" "%1"' = 0
  !uninstfinalize '"${SIGN}" "%1"' = 0
!endif

!include "MUI2.nsh"
!include "galt-loader-common.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "wizard.bmp"

!define MUI_WELCOMEPAGE_TITLE "Удаление ${PRODUCT_OF} ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "${PRODUCT} будет удалён из папки$\r$\n$\r$\n$INSTDIR$\r$\n$\r$\nвместе с ярлыком в меню «Пуск». Журнал установок останется.$\r$\n$\r$\nНажмите «Удалить»."
!define MUI_PAGE_CUSTOMFUNCTION_SHOW WelcomeShow
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "Удаление ${PRODUCT_OF} ${VERSION} завершено"
!define MUI_FINISHPAGE_TEXT "${PRODUCT} удалён с компьютера.$\r$\n$\r$\nНажмите «Готово», чтобы закрыть программу удаления."
!insertmacro MUI_PAGE_FINISH

!define MUI_TEXT_INSTALLING_TITLE "Удаление"
!define MUI_TEXT_INSTALLING_SUBTITLE "Подождите, идёт удаление файлов ${PRODUCT_OF}…"
!define MUI_TEXT_FINISH_TITLE "Удаление завершено"
!define MUI_TEXT_FINISH_SUBTITLE "${PRODUCT} удалён."
!define MUI_TEXT_ABORT_TITLE "Удаление прервано"
!define MUI_TEXT_ABORT_SUBTITLE "${PRODUCT} удалён не полностью."
!insertmacro MUI_LANGUAGE "Russian"

Function .onInit
  StrCpy $INSTDIR $EXEDIR
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 == $INSTDIR
    !insertmacro SET_SCOPE 1
    !insertmacro IS_ELEVATED
    ${If} $0 = 0
      ${IfNot} ${Silent}
        ClearErrors
        ExecShellWait "runas" "$EXEPATH"
        ${IfNotThen} ${Errors} ${|} Quit ${|}
      ${EndIf}
      SetErrorLevel ${EXIT_NOT_ELEVATED}
      Quit
    ${EndIf}
  ${Else}
    !insertmacro SET_SCOPE 0
  ${EndIf}
  Call LoaderClosedFirst
FunctionEnd

Function WelcomeShow
  GetDlgItem $0 $HWNDPARENT 1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:Удалить"
FunctionEnd

Section
  ; Only what the installer put there: anything else the user keeps in the
  ; folder stays, and the folder with it. Each user's journal is in their
  ; own %LOCALAPPDATA%\GALT-5R and stays.
  Delete "$INSTDIR\galt-loader.exe"
  Delete "$INSTDIR\galt-loader-cli.exe"
  Delete "$INSTDIR\readme.txt"
  Delete "${SHORTCUT}"
  Call RemoveFromPath
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${If} $AllUsers = 1
    Delete /REBOOTOK "$EXEPATH"
    RMDir /REBOOTOK "$INSTDIR"
    ; Not worth a restart of its own: the pages ask for none.
    SetRebootFlag false
  ${Else}
    InitPluginsDir
    WriteUninstaller "$PLUGINSDIR\${HELPER}"
    System::Call 'kernel32::GetCurrentProcessId() i.r0'
    Exec '"$PLUGINSDIR\${HELPER}" /END=$0 _?=$INSTDIR'
  ${EndIf}
SectionEnd

; The helper: waits (at most a minute) for the uninstaller whose process id
; /END= gives to end, then removes its file and the folder, if empty. It
; never shows anything.
Function un.onInit
  ${GetParameters} $R0
  ${GetOptions} $R0 "/END=" $R1
  System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i R1) p.r2'
  ${If} $2 P<> 0
    System::Call 'kernel32::WaitForSingleObject(p r2, i 60000)'
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Quit
FunctionEnd

Section "Uninstall"
SectionEnd
