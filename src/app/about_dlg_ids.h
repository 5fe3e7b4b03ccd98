#pragma once
// The About box's template.

#define IDD_ABOUTBOX 100
