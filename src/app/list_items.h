#pragma once
// The item data of the main window's two owner-drawn lists is a separately allocated holder
// with one pointer into the window's own members. It never owns what it points to, and the
// panel that owns the list frees it when the list box deletes the item.

#include "host/acad_install.h"
#include "ui/controls.h"

class connection;

struct release_item {
    host::acad_install* release;
};

struct instance_item {
    connection* conn;
};

// Hands a new holder to one of the lists, whose item deletion frees it from then on; a holder
// the list refused is freed here.
template <typename Item>
void add_item(const ui::list_box& list, Item* holder)
{
    const int index = list.add(holder);
    if (index < 0)
        delete holder;
    else
        list.set_data(index, holder);
}

