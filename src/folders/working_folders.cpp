#include "folders/working_folders.h"

#include "connections/multi_conn.h"
#include "folders/folder_operations.h"
#include "host/settings_store.h"
#include "ui/modal_seam.h"
#include "ui/show_error.h"

namespace folders {
namespace {

struct folder_texts {
    const wchar_t* setting;
    const wchar_t* choose_title;
    const wchar_t* import_title;
    const wchar_t* unset_warning;
};

constexpr folder_texts ins_factory{host::instance_factory_setting, L"Select a new Instance Factory folder",
                                   L"Import Instance Factory from another folder",
                                   L"No Instance Factory folder is set: choose one with '...' first!"};
constexpr folder_texts cached_base{host::cached_base_setting, L"Select a new Cached-base folder",
                                   L"Import Cached-base from another folder",
                                   L"No Cached-base folder is set: choose one with '...' first!"};

// A failed read shows its box. Administrators set the folders by script and by hand,
// often without the trailing backslash that the steps build their patterns on.
bool read_folder(const folder_texts& folder, std::wstring& value)
{
    bool is_portable = false;
    const bool read = show_failures(host::read_setting(is_portable, folder.setting, value, false));
    value = host::with_one_backslash(value);
    return read;
}

// True when the user chose another folder, it took the current one's place and was saved.
bool move_to_chosen(folder_window& window, const folder_texts& folder, const std::wstring& current, std::wstring& chosen)
{
    if (!pick_folder(window.owner(), folder.choose_title, current, chosen))
        return false;
    const relocation moved = relocate_folder(current, chosen);
    // The originals may go only once the setting no longer names them: an unsaved folder leaves
    // the client on the old one.
    if (moved == relocation::refused || !show_failures(host::write_setting(folder.setting, chosen)))
        return false;
    if (moved == relocation::copied)
        offer_to_delete_originals(current);
    return true;
}

// True when the user declined the copy or it succeeded: either way the folder may have changed
// behind the program's back, so what is loaded from it is loaded anew.
bool import_into(folder_window& window, const folder_texts& folder)
{
    std::wstring current;
    if (!read_folder(folder, current))
        return false;
    // The shell would copy an empty destination into the process's current directory.
    if (current.empty()) {
        ui::message_box(folder.unset_warning, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    std::wstring source;
    if (!fits_path_limit(current) || !pick_folder(window.owner(), folder.import_title, current, source) ||
        !fits_path_limit(source))
        return false;
    // Copying a folder into one inside it copies the copy again, without end.
    if (is_inside(current, source)) {
        show_error(L"Folder '%ls' holds the folder '%ls' to import into!", source.c_str(), current.c_str());
        return false;
    }
    const long count = count_entries(source);
    if (count == 0) {
        show_error(L"No files/folders in '%ls'!", source.c_str());
        return false;
    }
    // Yes replaces the folder's files of the same name without a further question: No is preset.
    if (!user_says_yes(preset_answer::no, L"Import (Copy) %ld files/folders into '%ls'?", count, current.c_str()))
        return true;
    if (!copy_folder_contents(source, current)) {
        show_error(L"Failed to fully copy files!");
        return false;
    }
    return true;
}

void reload_instances(folder_window& window)
{
    window.empty_instance_list();
    show_failures(window.conns().rebuild_list());
    window.fill_instance_list();
}

}  // namespace

// After a failed read the folder is chosen as if none had been set: nothing is there to move.
void choose_ins_factory(folder_window& window)
{
    std::wstring current;
    read_folder(ins_factory, current);
    std::wstring chosen;
    if (!move_to_chosen(window, ins_factory, current, chosen))
        return;
    window.show_ins_factory(chosen);
    reload_instances(window);
}

void choose_cached_base(folder_window& window)
{
    std::wstring current;
    std::wstring chosen;
    if (!read_folder(cached_base, current) || !move_to_chosen(window, cached_base, current, chosen))
        return;
    window.show_cached_base(chosen);
}

void import_ins_factory(folder_window& window)
{
    if (import_into(window, ins_factory))
        reload_instances(window);
}

void import_cached_base(folder_window& window)
{
    import_into(window, cached_base);
}

}  // namespace folders
