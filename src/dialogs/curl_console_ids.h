#pragma once
// The cURL console's template, controls and banner.

#define IDD_CURL_CONSOLE 228
#define IDB_CURL_CONSOLE_BANNER 231

#define IDC_CONSOLE_CLEAR 1195
#define IDC_CONSOLE_COPY 1196
#define IDC_CONSOLE_TEXT 1415
#define IDC_CONSOLE_CLOSE 1416
#define IDC_CONSOLE_CONFIG 1417
#define IDC_CONSOLE_BANNER 1420
