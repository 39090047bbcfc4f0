; Setup program for the Brevant TR-2210 printer kit, built on the Quillset kit:
; a starting point for a vendor's own. It installs the printer driver and the
; printer with Quillset.exe, checks and configures the printer with
; Ombrel.dll, and writes an uninstaller that takes them away again.
;
;   makensis -DBIN_DIR=<folder of Quillset.exe and Ombrel.dll> brevant-setup.nsi
;
; Defines (all optional): BIN_DIR (default: the release package's bin folder
; under build/release/unpacked), KIT_DIR (the printer kit, default
; ../kit), OUTFILE, PRINTER_WAIT_SECONDS (how long to wait for the printer,
; default 120). Command line of the built program: /S for a silent install,
; /D=FOLDER for the install folder (default: $PROGRAMFILES\Brevant\TR-2210),
; /LOG=FILE to record each step's result (the uninstaller takes /S and /LOG=
; too). A failed install ends with exit code 2 and leaves the uninstaller,
; which removes whatever the install did get done.

Unicode true
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!ifndef BIN_DIR
  !define BIN_DIR "..\..\build\release\unpacked\bin"
!endif
!ifndef KIT_DIR
  !define KIT_DIR "..\kit"
!endif
!ifndef OUTFILE
  !define OUTFILE "brevant-tr2210-setup.exe"
!endif

!ifndef PRINTER_WAIT_SECONDS
  !define PRINTER_WAIT_SECONDS 120
!endif
!define /math PRINTER_WAIT_TRIES ${PRINTER_WAIT_SECONDS} * 2  ; one every half second

!define VENDOR "Brevant"
!define PRINTER "Brevant TR-2210 Series PS"   ; the model description in setup.inf
!define MODELS "TR-2210"                      ; model names of the port records
!define SUPPORT_URL "https://support.brevant.example/tr-2210"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\BrevantTR2210"
!define FILE_ATTRIBUTE_READONLY 0x01
!define FILE_ATTRIBUTE_NORMAL 0x80

Name "${VENDOR} TR-2210 printer driver"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${VENDOR}\TR-2210"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var Log  ; the /LOG= results file, or empty

; Appends one "name=value" line to the results file, when there is one.
!macro Record LINE
  ${If} $Log != ""
    FileWrite $Log "${LINE}$\r$\n"
  ${EndIf}
  DetailPrint "${LINE}"
!macroend

!macro OpenLog
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/LOG=" $R1
  ${IfNot} ${Errors}
    FileOpen $Log $R1 a
  ${EndIf}
!macroend

; Ombrel.dll's exports are WINAPI (System::Call's default) and take ANSI
; strings ("m"); each returns an int.
!macro IsPrinterInstalled RESULT
  System::Call '$PLUGINSDIR\Ombrel.dll::IsPrinterInstalled(i 0, i 0, m "${PRINTER}") i .${RESULT}'
!macroend

; Asks IsPrinterInstalled every half second until it answers 1 or
; PRINTER_WAIT_SECONDS have passed; $0 holds its last answer. On Windows
; XP, Server 2003 and every Windows from 7 on, Quillset.exe hands the INF to
; the system's printer installation (rundll32.exe printui.dll) and ends
; without waiting for it: the printer appears some seconds later.
!macro WaitForPrinter
  StrCpy $R2 0
  ${Do}
    !insertmacro IsPrinterInstalled r0
    ${If} $0 = 1
    ${OrIf} $R2 >= ${PRINTER_WAIT_TRIES}
      ${Break}
    ${EndIf}
    Sleep 500
    IntOp $R2 $R2 + 1
  ${Loop}
  IntOp $R2 $R2 * 500
  !insertmacro Record "printer-wait-ms=$R2"
!macroend

Function .onInit
  !insertmacro OpenLog
FunctionEnd

Function WriteUninstallEntry
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${VENDOR} TR-2210 printer driver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${VENDOR}"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
FunctionEnd

Section "Printer driver and printer"
  ; The kit's files stay in the install folder: the uninstall hands
  ; Quillset.exe the same INF path as the install.
  SetOutPath "$INSTDIR\Driver"
  File "${KIT_DIR}\setup.inf"
  File "${KIT_DIR}\TR2210.PPD"
  File "${KIT_DIR}\BRV2210.INI"
  File "${KIT_DIR}\BRVUI.DLL"
  File "${KIT_DIR}\BRVRES.DLL"
  ; The deliverables run from a temporary folder that NSIS removes at the end.
  InitPluginsDir
  SetOutPath "$PLUGINSDIR"
  File "${BIN_DIR}\Quillset.exe"
  File "${BIN_DIR}\Ombrel.dll"

  !insertmacro IsPrinterInstalled r0
  !insertmacro Record "before-install IsPrinterInstalled=$0"
  !insertmacro Record "INSTDIR=$INSTDIR"

  ; The uninstaller comes first, so that it can take away what a failed
  ; install left behind (the driver, the registered INF, the record).
  Call WriteUninstallEntry

  ; Quillset.exe always ends an install with 1; a failure shows its own box.
  ClearErrors
  ExecWait '"$PLUGINSDIR\Quillset.exe" /INF "$INSTDIR\Driver\setup.inf" /PRINTER "${PRINTER}" /MDL "${MODELS}"' $1
  ${If} ${Errors}
    !insertmacro Record "Quillset-install=not started"
    MessageBox MB_OK|MB_ICONSTOP "Quillset.exe could not be started." /SD IDOK
    Abort
  ${EndIf}
  !insertmacro Record "Quillset-install=$1"

  ; So the printer itself tells whether the install worked, once the
  ; printer installation that Quillset.exe may have started has had its time.
  !insertmacro WaitForPrinter
  !insertmacro Record "after-install IsPrinterInstalled=$0"
  ${If} $0 <> 1
    MessageBox MB_OK|MB_ICONSTOP "The printer ${PRINTER} was not installed within ${PRINTER_WAIT_SECONDS} seconds.$\r$\n$\r$\nCheck the messages shown before this one (from Quillset.exe or the Windows printer installation), that the driver files are complete in $INSTDIR\Driver, and that the Print Spooler service is running. Then run $INSTDIR\uninstall.exe and this setup again." /SD IDOK
    Abort
  ${EndIf}

  System::Call '$PLUGINSDIR\Ombrel.dll::MySetDefaultPrinter(i 0, i 1, m "${PRINTER}") i .r0'
  !insertmacro Record "MySetDefaultPrinter=$0"

  ; The kit's files are read-only while the driver is installed.
  System::Call '$PLUGINSDIR\Ombrel.dll::MySetFilesAttibute(i 0, *i ${FILE_ATTRIBUTE_READONLY}, m "$INSTDIR\Driver") i .r0'
  !insertmacro Record "MySetFilesAttibute=$0"
SectionEnd

Function .onInstSuccess
  ${If} $Log != ""
    FileClose $Log
  ${EndIf}
FunctionEnd

Function .onInstFailed
  ${If} $Log != ""
    FileClose $Log
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro OpenLog
FunctionEnd

Section "Uninstall"
  InitPluginsDir
  SetOutPath "$PLUGINSDIR"
  File "${BIN_DIR}\Quillset.exe"
  File "${BIN_DIR}\Ombrel.dll"

  ; With the INF of the install Quillset.exe removes everything it made;
  ; without it Ombrel removes the printers and the driver.
  ${If} ${FileExists} "$INSTDIR\Driver\setup.inf"
    ExecWait '"$PLUGINSDIR\Quillset.exe" /INF "$INSTDIR\Driver\setup.inf" /UNINSTALL "${PRINTER}"' $1
    !insertmacro Record "Quillset-uninstall=$1"
  ${EndIf}
  !insertmacro IsPrinterInstalled r0
  ${If} $0 <> 0
    System::Call '$PLUGINSDIR\Ombrel.dll::UninstallPrinter(i 0, i 0, m "${PRINTER}") i .r2'
    !insertmacro Record "UninstallPrinter=$2"
    !insertmacro IsPrinterInstalled r0
  ${EndIf}
  !insertmacro Record "after-uninstall IsPrinterInstalled=$0"
  ${If} $0 <> 0
    MessageBox MB_OK|MB_ICONSTOP "The printer ${PRINTER} could not be removed." /SD IDOK
  ${EndIf}

  System::Call '$PLUGINSDIR\Ombrel.dll::MySetFilesAttibute(i 0, *i ${FILE_ATTRIBUTE_NORMAL}, m "$INSTDIR\Driver") i .r0'
  !insertmacro Record "MySetFilesAttibute=$0"
  RMDir /r "$INSTDIR\Driver"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  MessageBox MB_YESNO|MB_ICONQUESTION "Open the ${VENDOR} support page?" /SD IDNO IDNO done
    System::Call '$PLUGINSDIR\Ombrel.dll::OpenURL(i 0, i 0, m "${SUPPORT_URL}") i .r0'
    !insertmacro Record "OpenURL=$0"
  done:
  ${If} $Log != ""
    FileClose $Log
  ${EndIf}
SectionEnd
