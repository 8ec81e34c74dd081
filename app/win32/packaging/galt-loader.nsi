; The loader's installer for Windows, made on Linux by Debian's makensis
; (app/win32/packaging/Release.cmake passes the defines):
;   makensis -DVERSION=0211 -DFILE_VERSION=2.11.0.0 -DFACTS=<galt-facts.nsh>
;            -DSTAGE=<folder with the files> -DUNINSTALLER=<uninstall.exe>
;            -DICON=<galt-loader.ico> -DOUTFILE=<setup.exe> [-DSIGN=<command>] galt-loader.nsi
; By default it installs for the current user only, without administrator
; rights, into %LOCALAPPDATA%\Programs\GALT-5R, registered under the user's
; "Apps". /ALLUSERS (or the choice its first page offers when it runs with
; administrator rights) installs for every user into Program Files,
; registered under HKLM, with the Start-menu shortcut for all. Either way
; the folder goes on that scope's PATH, so that galt-loader-cli works in a
; new console. /S installs silently. It refuses, changing nothing (exit codes
; when silent): while the loader runs (2), all users without administrator
; rights (740), over a newer version (1638); the same version is installed
; again. The uninstaller (uninstall.exe) is galt-loader-uninstall.nsi's. With
; SIGN, the installer is signed by that command (sign.sh).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "${FACTS}"
; The form Russian sentences need: NSIS's own texts would put the
; nominative everywhere.
!define PRODUCT_OF "загрузчика ПО GALT-5R"

Name "${PRODUCT} ${VERSION}"
Caption "Установка ${PRODUCT_OF} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\GALT-5R"
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
  !finalize '"${SIGN}" "%1"' = 0
!endif

!include "MUI2.nsh"
!include "nsDialogs.nsh"
!define ADDS_TO_PATH
!include "galt-loader-common.nsh"

; Administrator rights, and whether the first page offers the scope.
Var Elevated
Var OfferScope
Var WelcomeText
Var ForMe
Var ForAll

!define MUI_ICON "${ICON}"
; The icon on a light field (164x314, 256 colours), made from
; app/packaging/icons/128x128/galt-loader.png with ImageMagick:
;   convert -size 164x314 gradient:'#ffffff'-'#c9d3f2' 128x128/galt-loader.png
;     -gravity north -geometry +0+56 -composite -font DejaVu-Sans-Bold
;     -pointsize 20 -fill '#101e78' -annotate +0+200 GALT-5R
;     -type palette -colors 256 -compress None BMP3:wizard.bmp
!define MUI_WELCOMEFINISHPAGE_BITMAP "wizard.bmp"

!define MUI_WELCOMEPAGE_TITLE "Установка ${PRODUCT_OF} ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "$WelcomeText"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW WelcomeShow
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE WelcomeLeave
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "Установка ${PRODUCT_OF} ${VERSION} завершена"
!define MUI_FINISHPAGE_TEXT "Загрузчик установлен в папку $INSTDIR и есть в меню «Пуск».$\r$\n$\r$\nНажмите «Готово», чтобы закрыть программу установки."
!define MUI_FINISHPAGE_TEXT_REBOOT "Чтобы завершить установку ${PRODUCT_OF}, нужно перезагрузить компьютер. Перезагрузить его сейчас?"
!define MUI_FINISHPAGE_RUN "$INSTDIR\galt-loader.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Запустить загрузчик"
!insertmacro MUI_PAGE_FINISH

; The remaining texts of these pages that name the product, set before the
; language file is read (it keeps a text already defined).
!define MUI_TEXT_INSTALLING_SUBTITLE "Подождите, идёт копирование файлов ${PRODUCT_OF}…"
!insertmacro MUI_LANGUAGE "Russian"

; The folder of the scope; the loader closed there, and nothing newer there.
Function Prepare
  ${If} $AllUsers = 1
    StrCpy $INSTDIR "${MACHINE_DIR}"
  ${Else}
    StrCpy $INSTDIR "${USER_DIR}"
  ${EndIf}
  Call LoaderClosedFirst
  ClearErrors
  ReadRegStr $R0 SHCTX "${UNINSTALL_KEY}" "Version"
  ${IfThen} ${Errors} ${|} Return ${|}
  ${VersionCompare} "$R0" "${FILE_VERSION}" $R1
  ${IfThen} $R1 != 1 ${|} Return ${|}
  ReadRegStr $R2 SHCTX "${UNINSTALL_KEY}" "DisplayVersion"
  MessageBox MB_OK|MB_ICONSTOP "Установлена более новая версия ${PRODUCT_OF}: $R2. Эта программа \
    установки ставит версию ${VERSION} и ничего не изменила. Если нужна версия ${VERSION}, сначала \
    удалите установленную." /SD IDOK
  SetErrorLevel ${EXIT_NEWER_INSTALLED}
  Quit
FunctionEnd

Function .onInit
  !insertmacro IS_ELEVATED
  StrCpy $Elevated $0
  StrCpy $OfferScope 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${If} ${Errors}
    !insertmacro SET_SCOPE 0
    ${IfNot} ${Silent}
      StrCpy $OfferScope $Elevated
    ${EndIf}
  ${Else}
    ${If} $Elevated = 0
      ; Run again with them, Windows asking the user; a silent run has
      ; nobody to ask.
      ${IfNot} ${Silent}
        ClearErrors
        ExecShellWait "runas" "$EXEPATH" "/ALLUSERS"
        ${IfNotThen} ${Errors} ${|} Quit ${|}
      ${EndIf}
      SetErrorLevel ${EXIT_NOT_ELEVATED}
      Quit
    ${EndIf}
    !insertmacro SET_SCOPE 1
  ${EndIf}
  Call Prepare
  ${If} $OfferScope = 1
    StrCpy $WelcomeText "Выберите, для кого установить загрузчик, и нажмите «Установить». Для всех пользователей \
      он будет в папке ${MACHINE_DIR}, для вашей учётной записи — в папке ${USER_DIR}."
  ${ElseIf} $AllUsers = 1
    StrCpy $WelcomeText "Загрузчик будет установлен для всех пользователей компьютера в папку$\r$\n$\r$\n$INSTDIR$\r$\n$\r$\nи появится в меню «Пуск».$\r$\n$\r$\nНажмите «Установить»."
  ${Else}
    StrCpy $WelcomeText "Загрузчик будет установлен для вашей учётной записи в папку$\r$\n$\r$\n$INSTDIR$\r$\n$\r$\nи появится в меню «Пуск». Права администратора не нужны.$\r$\n$\r$\nНажмите «Установить»."
  ${EndIf}
FunctionEnd

Function WelcomeShow
  ${IfThen} $OfferScope = 0 ${|} Return ${|}
  ; The text above the choice (MUI gives it the page's whole height).
  System::Call '*(i 0, i 0, i 195, i 50) p.r1'
  System::Call 'user32::MapDialogRect(p $mui.WelcomePage, p r1)'
  System::Call '*$1(i, i, i .r2, i .r3)'
  System::Free $1
  System::Call 'user32::SetWindowPos(p $mui.WelcomePage.Text, p 0, i 0, i 0, i r2, i r3, i 0x16)'
  ${NSD_CreateRadioButton} 120u 100u 190u 12u "Для всех пользователей"
  Pop $ForAll
  ${NSD_CreateRadioButton} 120u 114u 190u 12u "Только для меня"
  Pop $ForMe
  SetCtlColors $ForAll "" "${MUI_BGCOLOR}"
  SetCtlColors $ForMe "" "${MUI_BGCOLOR}"
  ${NSD_Check} $ForMe
FunctionEnd

Function WelcomeLeave
  ${IfThen} $OfferScope = 0 ${|} Return ${|}
  ${NSD_GetState} $ForAll $0
  ${If} $0 = ${BST_CHECKED}
    !insertmacro SET_SCOPE 1
  ${Else}
    !insertmacro SET_SCOPE 0
  ${EndIf}
  Call Prepare
FunctionEnd

Section
  SetOutPath "$INSTDIR"
  File "${STAGE}/galt-loader.exe"
  File "${STAGE}/galt-loader-cli.exe"
  File "${STAGE}/readme.txt"
  File "/oname=uninstall.exe" "${UNINSTALLER}"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\galt-loader.exe" "" "$INSTDIR\galt-loader.exe" 0

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  ; What a later installer compares itself with.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Version" "${FILE_VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\galt-loader.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ; The whole path in quotes and nothing after it that a shell could read:
  ; cmd, PowerShell and CreateProcess run it alike, whatever the folder's
  ; name holds (&, ^, %, Cyrillic). It waits until the uninstall is done.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
  Call AddToPath
SectionEnd
