#pragma once
// The main window's template and controls.

#define IDD_CONFIGUREPLAXOR_DIALOG 102

#define IDC_INSTALLED_LIST 1000
#define IDC_INS_FACTORY_EDIT 1001
#define IDC_INS_FACTORY_BROWSE 1002
#define IDC_CACHED_BASE_EDIT 1003
#define IDC_CACHED_BASE_BROWSE 1004
#define IDC_VERSION_EDIT 1005
#define IDC_CHECK_UPDATES 1006
#define IDC_INSTANCE_LIST 1007
#define IDC_CACHED_BASE_IMPORT 1009
#define IDC_INS_FACTORY_IMPORT 1010
#define IDC_CREATE 1011
#define IDC_DELETE 1012
#define IDC_CONNECT_ALL 1013
#define IDC_DISCONNECT_ALL 1014
#define IDC_EDIT 1015
#define IDC_CURRENT 1016
#define IDC_COUNT_LABEL 1017
#define IDC_CONSOLE 1020

// The About entry of the system menu; system-menu ids keep their low four bits clear.
#define IDM_ABOUTBOX 0x0010
