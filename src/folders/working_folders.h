#pragma once
// The commands of the "Folders:" group. "..." moves a working folder to another one (checked,
// its contents copied and the originals deleted when the user says so) and saves the setting;
// "Import" copies another folder's contents into the working folder, which stays where it is.
// The Instance Factory holds the connection definitions: after either command on it the set is
// loaded anew and the Connected Instances list refilled.

#include <windows.h>

#include <string>

class multi_conn;

namespace folders {

// What the commands need from the window that shows the folders.
class folder_window {
public:
    virtual ~folder_window() = default;
    // The owner of the folder picker.
    virtual HWND owner() const = 0;
    // The set loaded from the Instance Factory folder.
    virtual multi_conn& conns() = 0;
    // The list shows the set's definitions: it is emptied before the set lets them go (an error
    // box shown while the set reloads lets the list repaint) and filled from the set afterwards.
    virtual void empty_instance_list() = 0;
    virtual void fill_instance_list() = 0;
    // Shows a folder in its box, the end of the path in view.
    virtual void show_ins_factory(const std::wstring& folder) = 0;
    virtual void show_cached_base(const std::wstring& folder) = 0;
};

void choose_ins_factory(folder_window& window);
void choose_cached_base(folder_window& window);
void import_ins_factory(folder_window& window);
void import_cached_base(folder_window& window);

}  // namespace folders
