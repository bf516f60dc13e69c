"""What the template database must hold, row for row, in the tables whose content binds:
each table as "columns / types / rows", rows tab-separated with empty cells for null."""


def _rows(text):
    return sorted(tuple(line.split("\t")) for line in text.strip("\n").split("\n"))


COLUMNS = {
    "Binary": (["Name", "Data"], ["s72", "v0"]),
    "CustomAction": (["Action", "Type", "Source", "Target", "ExtendedType"],
                     ["s72", "i2", "S64", "S255", "I4"]),
    "Upgrade": (["UpgradeCode", "VersionMin", "VersionMax", "Language", "Attributes", "Remove",
                 "ActionProperty"], ["s38", "S20", "S20", "S255", "i4", "S255", "s72"]),
    "Feature": (["Feature", "Feature_Parent", "Title", "Description", "Display", "Level",
                 "Directory_", "Attributes"], ["s38", "S38", "L64", "L255", "I2", "i2", "S72",
                                               "i2"]),
    "Directory": (["Directory", "Directory_Parent", "DefaultDir"], ["s72", "S72", "l255"]),
    "Icon": (["Name", "Data"], ["s72", "v0"]),
    "Property": (["Property", "Value"], ["s72", "l0"]),
}

TABLES = ["ActionText", "AdminExecuteSequence", "AdminUISequence", "AdvtExecuteSequence",
          "AdvtUISequence", "Binary", "CheckBox", "ComboBox", "Component", "Control",
          "ControlCondition", "ControlEvent", "CustomAction", "Dialog", "Directory", "Error",
          "EventMapping", "Feature", "FeatureComponents", "File", "ISCustomActionReference",
          "Icon", "InstallExecuteSequence", "InstallUISequence", "ListBox", "ListView", "Media",
          "Patch", "Property", "RadioButton", "TextStyle", "UIText", "Upgrade", "_Validation"]

EMPTY_TABLES = ["AdvtUISequence", "ComboBox", "Component", "FeatureComponents", "File",
                "ListBox", "ListView", "Media", "Patch"]

BINARY_KEYS = ["Corvane", "SetAllUsers.dll"] + ["NewBinary%d" % n for n in range(1, 19)]

CUSTOM_ACTION = _rows("""
LaunchCorvane\t2\tCorvane\t/install /silent\t
ISPrint\t1\tSetAllUsers.dll\tPrintScrollableText\t
ISPreventDowngrade\t19\t\t[IS_PREVENT_DOWNGRADE_EXIT]\t
setUserProfileNT\t51\tUSERPROFILE\t[%USERPROFILE]\t
SetAllUsersProfileNT\t51\tALLUSERSPROFILE\t[%SystemRoot]\\Profiles\\All Users\t
setAllUsersProfile2K\t51\tALLUSERSPROFILE\t[%ALLUSERSPROFILE]\t
SetARPINSTALLLOCATION\t51\tARPINSTALLLOCATION\t[INSTALLDIR]\t
ShowMsiLog\t226\tSystemFolder\t[SystemFolder]notepad.exe "[MsiLogFileLocation]"\t
""")

UPGRADE = _rows("""
{61982155-5A6F-47A1-87F7-91AEA25F0EFA}\t7.0.0.0\t\t\t2\t\tISFOUNDNEWERPRODUCTVERSION
""")

FEATURE = _rows("""
Corvane_Files\t\tCorvane_Files\t\t2\t1\tINSTALLDIR\t0
""")

DIRECTORY = _rows("""
TARGETDIR\t\tSourceDir
TempFolder\tTARGETDIR\t.:Temp
CORVANE\tTempFolder\tCORVAN~1|Corvane
INSTALLDIR\tCORVANE\t.
ISYourDataBaseDir\tINSTALLDIR\tDatabase
DATABASEDIR\tISYourDataBaseDir\t.
SystemFolder\tTARGETDIR\t.:System32
ALLUSERSPROFILE\tTARGETDIR\t.:ALLUSE~1|All Users
USERPROFILE\tTARGETDIR\t.:USERPR~1|UserProfile
""")

PROPERTIES = {
    "ProductName": "Corvane Installer",
    "Manufacturer": "Tellwright Corporation",
    "ProductVersion": "7.0.0.0",
    "ProductLanguage": "1033",
    "ProductCode": "{EEC81856-760A-4F31-8453-2B30A801E0CC}",
    "UpgradeCode": "{61982155-5A6F-47A1-87F7-91AEA25F0EFA}",
    "ALLUSERS": "1",
    "ARPNOREMOVE": "1",
    "ARPNOREPAIR": "1",
    "ARPPRODUCTICON": "ARPPRODUCTICON.exe",
    "IS_PREVENT_DOWNGRADE_EXIT": "A newer version of this application is already installed "
                                 "on this computer. If you wish to install this version, please "
                                 "uninstall the newer version first. Click OK to exit the "
                                 "wizard.",
    "INSTALLLEVEL": "100",
    "ApplicationUsers": "AllUsers",
    "RestartManagerOption": "CloseRestart",
    "RebootYesNo": "Yes",
    "ReinstallModeText": "omus",
    "DiskPrompt": "[1]",
    "SETUPEXENAME": "setup.exe",
    "AgreeToLicense": "No",
    "_IsMaintenance": "Change",
    "SetupType": "Typical",
    "_IsSetupTypeMin": "Typical",
    "InstallChoice": "AR",
    "Display_IsBitmapDlg": "1",
    "SHOWLAUNCHPROGRAM": "0",
    "ISCHECKFORPRODUCTUPDATES": "1",
    "DWUSINTERVAL": "30",
    "DefaultUIFont": "Tahoma8",
    "DialogCaption": "InstallShield for Windows Installer",
    "DisplayNameCustom": "Custom",
    "DisplayNameMinimal": "Minimal",
    "DisplayNameTypical": "Typical",
    "ErrorDialog": "SetupError",
    "ProgressType0": "install",
    "ProgressType1": "Installing",
    "ProgressType2": "installed",
    "ProgressType3": "installs",
    "IS_SQLSERVER_AUTHENTICATION": "0",
    "IS_SQLSERVER_USERNAME": "sa",
    "ISVROOT_PORT_NO": "0",
}

SECURE_CUSTOM_PROPERTIES = ["ISFOUNDNEWERPRODUCTVERSION", "USERNAME", "COMPANYNAME",
                            "SUPPORTDIR", "INSTALLDIR"]

PROGRESS_MESSAGE_PROPERTIES = [
    "IS_COMPLUS_PROGRESSTEXT_COST", "IS_COMPLUS_PROGRESSTEXT_INSTALL",
    "IS_COMPLUS_PROGRESSTEXT_UNINSTALL", "IS_PROGMSG_XML_COSTING", "IS_PROGMSG_XML_CREATE_FILE",
    "IS_PROGMSG_XML_FILES", "IS_PROGMSG_XML_REMOVE_FILE", "IS_PROGMSG_XML_ROLLBACK_FILES",
    "IS_PROGMSG_XML_UPDATE_FILE", "IS_PROGMSG_TEXTFILECHANGS_REPLACE",
    "PROGMSG_IIS_CREATEAPPPOOL", "PROGMSG_IIS_CREATEAPPPOOLS", "PROGMSG_IIS_CREATEVROOT",
    "PROGMSG_IIS_CREATEVROOTS", "PROGMSG_IIS_CREATEWEBSERVICEEXTENSION",
    "PROGMSG_IIS_CREATEWEBSERVICEEXTENSIONS", "PROGMSG_IIS_CREATEWEBSITE",
    "PROGMSG_IIS_CREATEWEBSITES", "PROGMSG_IIS_EXTRACT", "PROGMSG_IIS_EXTRACTDONE",
    "PROGMSG_IIS_EXTRACTDONEz", "PROGMSG_IIS_EXTRACTzDONE", "PROGMSG_IIS_REMOVEAPPPOOL",
    "PROGMSG_IIS_REMOVEAPPPOOLS", "PROGMSG_IIS_REMOVESITE", "PROGMSG_IIS_REMOVEVROOT",
    "PROGMSG_IIS_REMOVEVROOTS", "PROGMSG_IIS_REMOVEWEBSERVICEEXTENSION",
    "PROGMSG_IIS_REMOVEWEBSERVICEEXTENSIONS", "PROGMSG_IIS_REMOVEWEBSITES",
    "PROGMSG_IIS_ROLLBACKAPPPOOLS", "PROGMSG_IIS_ROLLBACKVROOTS",
    "PROGMSG_IIS_ROLLBACKWEBSERVICEEXTENSIONS"]

INSTALL_EXECUTE = _rows("""
AppSearch		400
LaunchConditions	Not Installed	410
FindRelatedProducts	NOT ISSETUPDRIVEN	420
LaunchCorvane		435
ISPreventDowngrade	ISFOUNDNEWERPRODUCTVERSION	450
CCPSearch	CCP_TEST	500
RMCCPSearch	Not CCP_SUCCESS And CCP_TEST	600
CostInitialize		800
ResolveSource	Not Installed	850
FileCost		900
IsolateComponents		950
setUserProfileNT	VersionNT	960
SetAllUsersProfileNT	VersionNT = 400	970
setAllUsersProfile2K	VersionNT >= 500	980
CostFinalize		1000
MigrateFeatureStates		1010
SetARPINSTALLLOCATION		1100
SetODBCFolders		1200
InstallValidate		1400
RemoveExistingProducts		1410
InstallInitialize		1501
AllocateRegistrySpace	NOT Installed	1550
ProcessComponents		1600
UnpublishComponents		1700
MsiUnpublishAssemblies		1750
UnpublishFeatures		1800
StopServices	VersionNT	1900
DeleteServices	VersionNT	2000
UnregisterComPlus		2100
SelfUnregModules		2200
UnregisterTypeLibraries		2300
RemoveODBC		2400
UnregisterFonts		2500
RemoveRegistryValues		2600
UnregisterClassInfo		2700
UnregisterExtensionInfo		2800
UnregisterProgIdInfo		2900
UnregisterMIMEInfo		3000
RemoveIniValues		3100
RemoveShortcuts		3200
RemoveEnvironmentStrings		3300
RemoveDuplicateFiles		3400
RemoveFiles		3500
RemoveFolders		3600
CreateFolders		3700
MoveFiles		3800
InstallFiles		4000
PatchFiles		4090
DuplicateFiles		4210
BindImage		4300
CreateShortcuts		4500
RegisterClassInfo		4600
RegisterExtensionInfo		4700
RegisterProgIdInfo		4800
RegisterMIMEInfo		4900
WriteRegistryValues		5000
WriteIniValues		5100
WriteEnvironmentStrings		5200
RegisterFonts		5300
InstallODBC		5400
RegisterTypeLibraries		5500
SelfRegModules		5600
RegisterComPlus		5700
InstallServices	VersionNT	5800
MsiConfigureServices	VersionMsi >= "5.00"	5850
StartServices	VersionNT	5900
RegisterProduct		6100
PublishComponents		6200
MsiPublishAssemblies		6250
PublishFeatures		6300
PublishProduct		6400
ScheduleReboot	ISSCHEDULEREBOOT	6410
InstallFinalize		6600
""")

ADMIN_EXECUTE = _rows("""
CostInitialize		800
FileCost		900
CostFinalize		1000
InstallValidate		1400
InstallInitialize		1500
InstallAdminPackage		3900
InstallFiles		4000
ScheduleReboot	ISSCHEDULEREBOOT	4010
InstallFinalize		6600
""")

ADVT_EXECUTE = _rows("""
CostInitialize		800
CostFinalize		1000
InstallValidate		1400
InstallInitialize		1500
CreateShortcuts		4500
RegisterClassInfo		4600
RegisterExtensionInfo		4700
RegisterProgIdInfo		4800
RegisterMIMEInfo		4900
RegisterTypeLibraries		4910
PublishComponents		6200
MsiPublishAssemblies		6250
PublishFeatures		6300
PublishProduct		6400
ScheduleReboot	ISSCHEDULEREBOOT	6410
InstallFinalize		6600
""")

INSTALL_UI = _rows("""
SetupCompleteError		-3
SetupInterrupted		-2
SetupCompleteSuccess		-1
AppSearch		400
LaunchConditions	Not Installed	410
SetupInitialization		420
FindRelatedProducts		430
ISPreventDowngrade	ISFOUNDNEWERPRODUCTVERSION	450
CCPSearch	CCP_TEST	500
RMCCPSearch	Not CCP_SUCCESS And CCP_TEST	600
CostInitialize		800
FileCost		900
IsolateComponents		950
setUserProfileNT	VersionNT	960
SetAllUsersProfileNT	VersionNT = 400	970
setAllUsersProfile2K	VersionNT >= 500	980
ResolveSource	Not Installed	990
CostFinalize		1000
MigrateFeatureStates		1200
PatchWelcome	Installed And PATCH And Not IS_MAJOR_UPGRADE	1205
InstallWelcome	Not Installed	1210
SetupResume	Installed And (RESUME Or Preselected) And Not PATCH	1220
MaintenanceWelcome	Installed And Not RESUME And Not Preselected And Not PATCH	1230
SetupProgress		1240
ExecuteAction		1300
""")

ADMIN_UI = _rows("""
SetupCompleteError		-3
SetupInterrupted		-2
SetupCompleteSuccess		-1
SetupInitialization		50
CostInitialize		800
FileCost		900
CostFinalize		1000
AdminWelcome		1010
SetupProgress		1020
ExecuteAction		1300
""")

DIALOGS = ["AdminWelcome", "AdminNetworkLocation", "AdminChangeFolder", "SetupInitialization",
           "SplashBitmap", "InstallWelcome", "PatchWelcome", "SetupResume", "MaintenanceWelcome",
           "MaintenanceType", "LicenseAgreement", "CustomerInformation", "SetupType",
           "CustomSetup", "CustomSetupTips", "DestinationFolder", "DatabaseFolder",
           "InstallChangeFolder", "DiskSpaceRequirements", "OutOfSpace", "ReadyToInstall",
           "ReadyToRemove", "SetupProgress", "FilesInUse", "MsiRMFilesInUse", "CancelSetup",
           "SetupError", "SetupCompleteSuccess", "SetupCompleteError", "SetupInterrupted"]

# The only callers of the two custom actions that no sequence runs:
# (dialog, control, action, condition).
DO_ACTION_EVENTS = sorted([
    ("SetupCompleteSuccess", "OK", "ShowMsiLog",
     'MsiLogFileLocation And (ISSHOWMSILOG="1") And NOT ISENABLEDWUSFINISHDIALOG'),
    ("SetupCompleteError", "Finish", "ShowMsiLog", 'MsiLogFileLocation And (ISSHOWMSILOG="1")'),
    ("SetupInterrupted", "Finish", "ShowMsiLog", 'MsiLogFileLocation And (ISSHOWMSILOG="1")'),
    ("LicenseAgreement", "ISPrintButton", "ISPrint", "1"),
])

ERROR_1721 = ("There is a problem with this Windows Installer package. A program required for "
              "this install to complete could not be run. Contact your support personnel or "
              "package vendor. Action: [2], location: [3], command: [4]")
ERROR_1722 = ("There is a problem with this Windows Installer package. A program run as part of "
              "the setup did not finish as expected. Contact your support personnel or package "
              "vendor. Action [2], location: [3], command: [4]")
