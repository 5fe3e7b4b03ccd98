#pragma once
// The item data of the main window's two owner-drawn lists: a separately allocated holder with
// one pointer into the window's own members. It never owns what it points to, and is freed
// when the list box deletes the item.

#include "host/acad_install.h"

class connection;

struct release_item {
    host::acad_install* release;
};

struct instance_item {
    connection* conn;
};
