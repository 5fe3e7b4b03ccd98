#pragma once
// What a keyboard user and a screen reader get from an owner-drawn list box, whose items hold
// data and no text. Enter on the list acts as a double click on its caret item. Screen readers
// ask the list for its accessible object (WM_GETOBJECT); it answers with the system's own object
// for a list box, except that each item's name comes from the items' owner: the list keeps its
// item data, sorting and drawing as they are.

#include "ui/owner_drawn.h"

#include <windows.h>

namespace ui {

// For the life of the list's window; `items` must outlive it.
void serve_list_items(HWND list, owner_drawn& items);

}  // namespace ui
