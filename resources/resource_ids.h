#pragma once

// Ids of the interface resources, shared by the resource scripts and the windows' code.

// The maker's support address, quoted in the failure message of the package status window.
#define KESTROW_SUPPORT_ADDRESS "support@tellwright.example"

// Pictures.
#define IDB_BANNER 119
// The banner drawn again for screens at 150 % and 200 % (144 and 192 dots per inch).
#define IDB_BANNER_150 141
#define IDB_BANNER_200 142
#define IDI_KESTROW 122

// The licence agreement, an RTF document ended by one NUL byte.
#define IDR_LICENSE_DOCUMENT 109

// Dialog templates and their controls.
#define IDD_KESTROW 105
#define IDC_DESCRIPTION 1001
#define IDC_INSTALLER_LABEL 1003
#define IDC_FOLDER_LABEL 1005
#define IDC_INSTALLER_PATH 1007
#define IDC_FOLDER_PATH 1008
#define IDC_BROWSE_INSTALLER 1009
#define IDC_BROWSE_FOLDER 1011
#define IDC_CONVERT 1013
#define IDC_ACCEPT 1016
#define IDC_SEPARATOR 1018
#define IDC_PACKAGE_NAME_LABEL 1021
#define IDC_PACKAGE_NAME 1022
#define IDC_TERMS_LINK 1025
#define IDD_LICENSE 106
#define IDC_LICENSE_TEXT 1016
#define IDC_PRINT 1023
#define IDC_SAVE 1024
#define IDD_PACKAGE_STATUS 123
#define IDC_BANNER 1015
// The banner's strip across the top of the main and status windows, in dialog units high; the
// windows fill it at whatever size the dialog font gives it.
#define KESTROW_BANNER_HEIGHT 66
#define IDC_STATUS_MESSAGE 1026
#define IDC_STATUS_LOCATION 1027
#define IDD_BUILD_PROGRESS 140
#define IDC_BUILD_PACKAGE_NAME 1030
#define IDC_BUILD_PROGRESS_BAR 1031
#define IDC_BUILD_PROGRESS_STATUS 1032

// String table.
#define IDS_LICENSE_CAPTION 119
#define IDS_OK 120
#define IDS_STATUS_SUCCESS_CAPTION 122
#define IDS_FILE_EXISTS_CAPTION 123
#define IDS_STATUS_FAILURE_CAPTION 124
#define IDS_STATUS_SUCCESS_MESSAGE 125
#define IDS_FILE_EXISTS_PROMPT 126
#define IDS_STATUS_FAILURE_MESSAGE 127
#define IDS_FOLDER_BROWSER_TITLE 128
#define IDS_MAIN_CAPTION 129
#define IDS_PATH_NOT_FOUND 130
#define IDS_ACCEPT 131
#define IDS_PACKAGE_NAME_LABEL 133
#define IDS_INVALID_PACKAGE_NAME 134
#define IDS_NOT_AN_INSTALLER 135
#define IDS_SAVE_FAILED 136
#define IDS_PRINT_FAILED 137
#define IDS_DESCRIPTION 1002
#define IDS_INSTALLER_LABEL 1004
#define IDS_FOLDER_LABEL 1006
#define IDS_BROWSE_INSTALLER 1010
#define IDS_BROWSE_FOLDER 1011
#define IDS_PRINT 1013
#define IDS_CONVERT 1014
#define IDS_SAVE 1015
#define IDS_CLOSE 1016
#define IDS_INSTALLER_NOT_FOUND 58112
#define IDS_BUILD_PROGRESS_CAPTION 138
#define IDS_BUILD_PROGRESS_STATUS 139
#define IDS_PROGRAMS_FILTER 150
#define IDS_LICENSE_FILTER 151
#define IDS_LICENSE_FILE_NAME 152
