#pragma once
// Connection Properties: the dialog's template and controls, and those of its "HTTP" page.

#define IDD_CONN_PROP_MAIN 274
#define IDD_CONN_PROP_PAGE 276

// The dialog.
#define IDC_CP_TEST 1001
#define IDC_CP_NAME 1019
#define IDC_CP_SEED 1020
#define IDC_CP_PLOT_ONLY 1178
#define IDC_CP_LAST_LOGIN 1470
#define IDC_CP_COLOUR 1476
#define IDC_CP_SWATCH 1477
#define IDC_CP_TABS 8107

// The "HTTP" page.
#define IDC_CP_HOST 1125
#define IDC_CP_PASSWORD 1126
#define IDC_CP_PROCESS 1170
#define IDC_CP_PORT 1171
#define IDC_CP_READ_SIZE 1172
#define IDC_CP_SSL 1177
#define IDC_CP_SAME_CREDENTIALS 1471
#define IDC_CP_LOGIN 1472
#define IDC_CP_SERVER_CREDENTIALS 1473
#define IDC_CP_SERVER_LOGIN 1023
#define IDC_CP_SERVER_PASSWORD 1024
