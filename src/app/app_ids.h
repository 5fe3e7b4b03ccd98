#pragma once
// Resources the whole program shares.

#define IDR_MAINFRAME 128  // the application icon
#define IDS_ABOUTBOX 101   // the system-menu entry that opens the About box
