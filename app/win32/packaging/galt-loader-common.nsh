; What the installer (galt-loader.nsi) and the uninstaller
; (galt-loader-uninstall.nsi) share: the scope of an installation, the
; uninstaller's entry, the loader closed first, the folder on the PATH.
; PRODUCT and PUBLISHER come from the build (galt-facts.nsh, made from
; app/WindowsVersion.cmake), VERSION and FILE_VERSION from makensis -D.

!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WordFunc.nsh"
!include "WinMessages.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\GALT-5R Loader"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
; The two places: the user's own (no administrator rights) and every user's.
!define USER_DIR "$LOCALAPPDATA\Programs\GALT-5R"
!define MACHINE_DIR "$PROGRAMFILES64\GALT-5R"
!define USER_ENVIRONMENT "Environment"
!define MACHINE_ENVIRONMENT "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
; The window's class, and the mutex the window holds while it runs.
!define LOADER_CLASS "GaltLoaderWindow"
!define LOADER_MUTEX "Local\GALT-5R-Loader"
; Exit codes of a silent run that changed nothing: the loader runs; an
; all-users run without administrator rights (ERROR_ELEVATION_REQUIRED); a
; newer version is installed (ERROR_PRODUCT_VERSION, as Windows Installer).
!define EXIT_LOADER_RUNNING 2
!define EXIT_NOT_ELEVATED 740
!define EXIT_NEWER_INSTALLED 1638
; NSIS strings hold NSIS_MAX_STRLEN characters with the final zero: a PATH
; that long may have come back cut, and one that would grow beyond it would
; be written back cut, so either is left as it is.
!define /math PATH_READ_WHOLE ${NSIS_MAX_STRLEN} - 1
!define /math PATH_WRITTEN_WHOLE ${NSIS_MAX_STRLEN} - 2

; The scope: 1 for every user (HKLM, Program Files), 0 for this one.
Var AllUsers
; The environment key of the scope, under SHCTX.
Var EnvironmentKey

!macro SET_SCOPE ALL
  StrCpy $AllUsers ${ALL}
  ${If} $AllUsers = 1
    SetShellVarContext all
    StrCpy $EnvironmentKey "${MACHINE_ENVIRONMENT}"
  ${Else}
    SetShellVarContext current
    StrCpy $EnvironmentKey "${USER_ENVIRONMENT}"
  ${EndIf}
!macroend

; $0: 1 when the program runs with administrator rights (elevated).
!macro IS_ELEVATED
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
!macroend

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
Function LoaderClosedFirst
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
FunctionEnd

; PATH: the scope's Path value, entries separated by ";". The folder is
; added at the end and taken out again; every other entry stays as it was,
; in its place, and the value stays REG_EXPAND_SZ. Programs started
; afterwards (a new console) see the change: Windows is told by
; WM_SETTINGCHANGE "Environment".

; $R3: the Path in $R0 without the entries naming $INSTDIR (with or without
; a final "\", in any case); $R5: how many there were.
Function PathWithoutFolder
  StrCpy $R3 ""
  StrCpy $R5 0
  StrCpy $R2 0   ; entries kept
  StrCpy $R6 ""  ; the entry being read
  StrCpy $R7 0
  StrLen $R8 $R0
  ${Do}
    StrCpy $R9 $R0 1 $R7
    ${If} $R7 >= $R8
    ${OrIf} $R9 == ";"
      ${If} $R6 == "$INSTDIR"
      ${OrIf} $R6 == "$INSTDIR\"
        IntOp $R5 $R5 + 1
      ${Else}
        ${If} $R2 = 0
          StrCpy $R3 "$R6"
        ${Else}
          StrCpy $R3 "$R3;$R6"
        ${EndIf}
        IntOp $R2 $R2 + 1
      ${EndIf}
      StrCpy $R6 ""
      ${IfThen} $R7 >= $R8 ${|} ${Break} ${|}
    ${Else}
      StrCpy $R6 "$R6$R9"
    ${EndIf}
    IntOp $R7 $R7 + 1
  ${Loop}
FunctionEnd

; $R0: the scope's Path; $R1: "absent", "string" or "other" (a value of
; another type, or one that may have come back cut: left alone).
Function ReadPath
  ClearErrors
  ReadRegStr $R0 SHCTX "$EnvironmentKey" "Path"
  ${IfNot} ${Errors}
    StrCpy $R1 "string"
    StrLen $R2 $R0
    ${IfThen} $R2 >= ${PATH_READ_WHOLE} ${|} StrCpy $R1 "other" ${|}
    Return
  ${EndIf}
  ; Not read: absent, or of another type.
  StrCpy $R1 "absent"
  StrCpy $R2 0
  ${Do}
    ClearErrors
    EnumRegValue $R3 SHCTX "$EnvironmentKey" $R2
    ${IfThen} ${Errors} ${|} ${Break} ${|}
    ${IfThen} $R3 == "" ${|} ${Break} ${|}
    ${IfThen} $R3 == "Path" ${|} StrCpy $R1 "other" ${|}
    IntOp $R2 $R2 + 1
  ${Loop}
FunctionEnd

!macro PATH_CHANGED
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
!macroend

; The installer adds (define ADDS_TO_PATH), the uninstaller removes.
!ifdef ADDS_TO_PATH
Function AddToPath
  Call ReadPath
  ${If} $R1 == "other"
    DetailPrint "Переменная PATH не изменена: она слишком длинная или не строка."
    Return
  ${EndIf}
  Call PathWithoutFolder
  ${IfThen} $R5 > 0 ${|} Return ${|}
  StrLen $R1 $R0
  StrLen $R2 $INSTDIR
  IntOp $R1 $R1 + $R2
  ${If} $R1 >= ${PATH_WRITTEN_WHOLE}
    DetailPrint "Переменная PATH не изменена: она слишком длинная."
    Return
  ${EndIf}
  ${If} $R0 == ""
    StrCpy $R0 "$INSTDIR"
  ${Else}
    StrCpy $R9 $R0 "" -1
    ${IfThen} $R9 == ";" ${|} StrCpy $R0 $R0 -1 ${|}
    StrCpy $R0 "$R0;$INSTDIR"
  ${EndIf}
  WriteRegExpandStr SHCTX "$EnvironmentKey" "Path" "$R0"
  !insertmacro PATH_CHANGED
FunctionEnd
!else
Function RemoveFromPath
  Call ReadPath
  ${IfThen} $R1 != "string" ${|} Return ${|}
  Call PathWithoutFolder
  ${IfThen} $R5 = 0 ${|} Return ${|}
  ${If} $R3 == ""
    DeleteRegValue SHCTX "$EnvironmentKey" "Path"
  ${Else}
    WriteRegExpandStr SHCTX "$EnvironmentKey" "Path" "$R3"
  ${EndIf}
  !insertmacro PATH_CHANGED
FunctionEnd
!endif
