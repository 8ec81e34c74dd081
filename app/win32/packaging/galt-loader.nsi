; The loader's installer for Windows, made on Linux by Debian's makensis
; (app/win32/packaging/Release.cmake passes the defines):
;   makensis -DVERSION=0211 -DFILE_VERSION=2.11.0.0 -DSTAGE=<folder with the
;            files> -DICON=<galt-loader.ico> -DOUTFILE=<setup.exe>
;            [-DSIGN=<sign.sh> -DSIGN_CERT=<.pfx> -DSIGN_TIMESTAMP=<URL>] galt-loader.nsi
; Installs for the current user only, without administrator rights, into
; %LOCALAPPDATA%\Programs\GALT-5R (no folder page: a per-user install has
; no business in Program Files); puts a shortcut in the Start menu and
; registers the uninstaller under the user's "Apps". /S installs and
; uninstalls silently. Neither starts while the loader runs: it holds its
; files open (exit code 2 when silent). With SIGN, the installer and the
; uninstaller it writes are signed (sign.sh).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

; The product's name as the Linux menu gives it, and the forms Russian
; sentences need: NSIS's own texts would put the nominative everywhere.
!define PRODUCT "Загрузчик ПО GALT-5R"
!define PRODUCT_OF "загрузчика ПО GALT-5R"
!define PUBLISHER "Tornel Ltd"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\GALT-5R Loader"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
; What the silent uninstall runs in %TEMP% (see QuietUninstallString).
!define UNINSTALL_COPY "galt-loader-uninstall.exe"
; The window's class, and the mutex the window holds while it runs.
!define LOADER_CLASS "GaltLoaderWindow"
!define LOADER_MUTEX "Local\GALT-5R-Loader"
; The exit code when the loader runs and a silent run changed nothing.
!define EXIT_LOADER_RUNNING 2

Name "${PRODUCT} ${VERSION}"
Caption "Установка ${PRODUCT_OF} ${VERSION}"
UninstallCaption "Удаление ${PRODUCT_OF} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\GALT-5R"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PUBLISHER}"

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=1049 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "FileVersion" "${FILE_VERSION}"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка ${PRODUCT_OF} ${VERSION}"
VIAddVersionKey /LANG=1049 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1049 "LegalCopyright" "${PUBLISHER}"

!ifdef SIGN
  !finalize '"${SIGN}" "%1" "${SIGN_CERT}" "${SIGN_TIMESTAMP}"' = 0
  !uninstfinalize '"${SIGN}" "%1" "${SIGN_CERT}" "${SIGN_TIMESTAMP}"' = 0
!endif

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
; The icon on a light field (164x314, 256 colours), made from
; app/packaging/icons/128x128/galt-loader.png with ImageMagick:
;   convert -size 164x314 gradient:'#ffffff'-'#c9d3f2' 128x128/galt-loader.png
;     -gravity north -geometry +0+56 -composite -font DejaVu-Sans-Bold
;     -pointsize 20 -fill '#101e78' -annotate +0+200 GALT-5R
;     -type palette -colors 256 -compress None BMP3:wizard.bmp
!define MUI_WELCOMEFINISHPAGE_BITMAP "wizard.bmp"

!define MUI_WELCOMEPAGE_TITLE "Установка ${PRODUCT_OF} ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "Загрузчик будет установлен для вашей учётной записи в папку$\r$\n$\r$\n$INSTDIR$\r$\n$\r$\nи появится в меню «Пуск». Права администратора не нужны.$\r$\n$\r$\nНажмите «Установить»."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "Установка ${PRODUCT_OF} ${VERSION} завершена"
!define MUI_FINISHPAGE_TEXT "Загрузчик установлен в папку $INSTDIR и есть в меню «Пуск».$\r$\n$\r$\nНажмите «Готово», чтобы закрыть программу установки."
!define MUI_FINISHPAGE_TEXT_REBOOT "Чтобы завершить установку ${PRODUCT_OF}, нужно перезагрузить компьютер. Перезагрузить его сейчас?"
!define MUI_FINISHPAGE_RUN "$INSTDIR\galt-loader.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Запустить загрузчик"
!insertmacro MUI_PAGE_FINISH
!define MUI_UNCONFIRMPAGE_TEXT_TOP "${PRODUCT} будет удалён с компьютера вместе с ярлыком в меню «Пуск». Нажмите «Удалить»."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The remaining texts of these pages that name the product, set before the
; language file is read (it keeps a text already defined).
!define MUI_TEXT_INSTALLING_SUBTITLE "Подождите, идёт копирование файлов ${PRODUCT_OF}…"
!define MUI_UNTEXT_CONFIRM_TITLE "Удаление ${PRODUCT_OF} ${VERSION}"
!define MUI_UNTEXT_CONFIRM_SUBTITLE "Удаление ${PRODUCT_OF} с компьютера."
!define MUI_UNTEXT_UNINSTALLING_SUBTITLE "Подождите, идёт удаление файлов ${PRODUCT_OF}…"
!insertmacro MUI_LANGUAGE "Russian"

; Windows lets nobody replace or delete a running program's files, so the
; loader is closed first: its window (by class), its mutex, or either
; program's file that cannot be opened for writing (galt-loader-cli.exe has
; neither window nor mutex). Interactive, the user closes it and retries;
; silent, the run ends here, before anything is written.
!macro HELD_OPEN FILE
  ${If} ${FileExists} "${FILE}"
    ClearErrors
    FileOpen $1 "${FILE}" a
    ${If} ${Errors}
      StrCpy $0 1
    ${Else}
      FileClose $1
    ${EndIf}
  ${EndIf}
!macroend
!macro LOADER_CLOSED_FIRST
  retry:
    FindWindow $0 "${LOADER_CLASS}"
    ${If} $0 = 0
      System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${LOADER_MUTEX}") p.r0'
      ${If} $0 P<> 0
        System::Call 'kernel32::CloseHandle(p r0)'
      ${Else}
        !insertmacro HELD_OPEN "$INSTDIR\galt-loader.exe"
        !insertmacro HELD_OPEN "$INSTDIR\galt-loader-cli.exe"
        ${IfThen} $0 = 0 ${|} Return ${|}
      ${EndIf}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "${PRODUCT} запущен. Закройте его и нажмите «Повтор»." /SD IDCANCEL IDRETRY retry
    SetErrorLevel ${EXIT_LOADER_RUNNING}
    Quit
!macroend

Function .onInit
  SetShellVarContext current
  !insertmacro LOADER_CLOSED_FIRST
FunctionEnd

Function un.onInit
  SetShellVarContext current
  !insertmacro LOADER_CLOSED_FIRST
FunctionEnd

Section
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${STAGE}/galt-loader.exe"
  File "${STAGE}/galt-loader-cli.exe"
  File "${STAGE}/readme.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\galt-loader.exe" "" "$INSTDIR\galt-loader.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\galt-loader.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  ; uninstall.exe alone starts a copy of itself in %TEMP% and returns at
  ; once, the copy removing the files later; run in place ("_?="), it
  ; waits but cannot remove itself, as Windows deletes no running program.
  ; So the silent form copies it to %TEMP% and waits for the copy run with
  ; "_?=": when it returns, everything is gone but that copy in %TEMP%.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" \
    '"$SYSDIR\cmd.exe" /d /c copy /y "$INSTDIR\uninstall.exe" "%TEMP%\${UNINSTALL_COPY}" >nul && start "" /wait "%TEMP%\${UNINSTALL_COPY}" /S _?=$INSTDIR'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  ; Only what the installer put there: anything else the user keeps in the
  ; folder stays, and the folder with it.
  Delete "$INSTDIR\galt-loader.exe"
  Delete "$INSTDIR\galt-loader-cli.exe"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
