// Faults of the platform while the main window is open: definitions locked by another handle,
// a read-only Instance Factory folder, the folder deleted, a full disk. (The library's settings
// file locked or read-only is a case of the cURL Configuration tests in transport_dialogs_tests.)
// Whatever fails says so where the program reports that failure; nothing stored before is lost,
// and once the fault is gone the window works as before.

#include "app/main_window_ids.h"
#include "dialogs/conn_prop_ids.h"

#include "ui/show_error.h"
#include "support/hostile.h"
#include "support/created_key.h"
#include "host/settings_store.h"

#include "support/opened_main_window.h"
#include "support/program_copy.h"
#include "support/system_text.h"
#include "support/unix_service.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using test::click;

// A handle that shares nothing, as an editor that holds the file open for writing has.
HANDLE lock(const fs::path& file)
{
    return CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

void set_read_only(const fs::path& path, bool read_only)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    SetFileAttributesW(path.c_str(), read_only ? attributes | FILE_ATTRIBUTE_READONLY : attributes & ~FILE_ATTRIBUTE_READONLY);
}

// Writes a file into the folder until its disk is full.
void fill(const fs::path& folder)
{
    std::ofstream filler(folder / L"filler", std::ios::binary);
    const std::string block(1024, 'f');
    while (filler.write(block.data(), block.size()) && filler.flush()) {
    }
}

// A small file system (64 KB unless told) mounted on a fresh folder while it lives, where this
// process may mount one (as root).
class small_disk {
public:
    explicit small_disk(std::uintmax_t kilobytes = 64) : m_point(test::unix_path(m_folder.path()))
    {
        m_mounted = test::linux_shell("mount -t tmpfs -o size=" + std::to_string(kilobytes) + "k tmpfs '" + m_point + "'") == 0;
    }
    ~small_disk()
    {
        if (m_mounted)
            test::linux_shell("umount -l '" + m_point + "'");
    }
    bool mounted() const { return m_mounted; }
    const fs::path& path() const { return m_folder.path(); }

private:
    test::temp_folder m_folder;
    std::string m_point;
    bool m_mounted = false;
};

void set_read_only_with_files(const fs::path& folder, bool read_only)
{
    for (const auto& entry : fs::directory_iterator(folder))
        set_read_only(entry.path(), read_only);
    set_read_only(folder, read_only);
}

class Faults : public test::opened_main_window {
protected:
    void SetUp() override
    {
        station.add_settings_keys(L"5.2.1");
        station.add_definition({L"alpha_locator", L"Alpha", L"ALPHA"});
        station.add_definition({L"beta_locator", L"Beta", L"BETA"});
        station.set_default_definition(L"alpha_locator");
    }
    fs::path factory() const { return station.factory(); }

    // Each of Edit and Save unchanged, Current and Delete (asked, Yes) on the card of that name.
    void on_card(const std::wstring& name, std::initializer_list<int> buttons)
    {
        for (const int button : buttons) {
            const auto names = card_names();
            select_cards({static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin())});
            if (button == IDC_EDIT)
                seam.answer_dialog(IDD_CONN_PROP_MAIN, IDOK);
            else
                seam.answer(IDYES);
            click(main(), button);
        }
    }
    // Create, its dialog ended with OK without a file made: the list is read again.
    void reload()
    {
        seam.answer_dialog(IDD_CONN_PROP_MAIN, IDOK);
        click(main(), IDC_CREATE);
    }
    std::vector<std::wstring> errors() const
    {
        std::vector<std::wstring> texts;
        for (const test::shown_box& box : seam.boxes())
            if ((box.flags & MB_ICONMASK) == MB_ICONERROR)
                texts.push_back(box.text);
        return texts;
    }
};

TEST_F(Faults, LockedReadOnlyOrVanishedDefinitionsLoseNothingAndTheWindowGoesOn)
{
    const std::wstring alpha_file = factory().wstring() + L"alpha_locator.ini";
    const std::wstring not_deleted = L"Connection file [" + alpha_file + L"] does not exist!";
    const auto not_saved = [&](DWORD status) {
        return L"Can't save connection! The file '" + alpha_file + L"' cannot be written: " + test::system_line(status) + L".";
    };
    HANDLE held = INVALID_HANDLE_VALUE;
    struct fault {
        const char* name;
        std::function<void()> begin, end;
        std::vector<std::wstring> errors;  // of Edit, Current and Delete on Alpha
        int cards;                         // after them
        bool files_kept;
    };
    const fault faults[] = {
        {"a second handle without sharing on the definition",
         [&] { held = lock(alpha_file); }, [&] { CloseHandle(held); }, {not_saved(ERROR_SHARING_VIOLATION), not_deleted}, 2, true},
        {"a second handle without sharing on multi_conn.config",
         [&] { held = lock(factory() / L"multi_conn.config"); }, [&] { CloseHandle(held); }, {}, 1, false},
        {"a read-only folder of read-only files",
         [&] { set_read_only_with_files(factory(), true); }, [&] { set_read_only_with_files(factory(), false); },
         {not_saved(ERROR_ACCESS_DENIED), not_deleted}, 2, true},
        {"the folder deleted", [&] { fs::remove_all(factory()); }, [&] { fs::create_directories(factory()); },
         {not_saved(ERROR_PATH_NOT_FOUND), not_deleted}, 0, false},
    };
    const auto stored = test::files_snapshot(factory());
    for (const fault& f : faults) {
        SCOPED_TRACE(f.name);
        for (const auto& [path, bytes] : stored)
            std::ofstream(path, std::ios::binary) << bytes;
        open();
        f.begin();
        on_card(L"Alpha", {IDC_EDIT, IDC_CURRENT, IDC_DELETE});
        EXPECT_EQ(errors(), f.errors);
        EXPECT_EQ(cards.count(), f.cards);
        f.end();
        if (f.files_kept) {
            EXPECT_TRUE(test::files_snapshot(factory()) == stored);
        }

        // The fault gone and the files back, everything works again: Beta is made current and deleted.
        seam.clear();
        for (const auto& [path, bytes] : stored)
            std::ofstream(path, std::ios::binary) << bytes;
        reload();
        on_card(L"Beta", {IDC_CURRENT, IDC_DELETE});
        EXPECT_TRUE(errors().empty()) << testing::PrintToString(seam.texts());
        EXPECT_FALSE(fs::exists(factory() / L"beta_locator.ini"));
        EXPECT_EQ(std::vector<std::wstring>(card_names()), std::vector<std::wstring>{L"Alpha"});
        window.reset();
    }
}

// Who may do what with the file, as the platform tells it.
std::wstring permissions(const fs::path& file)
{
    DWORD size = 0;
    GetFileSecurityW(file.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<BYTE> descriptor(size);
    wchar_t* text = nullptr;
    if (size == 0 || !GetFileSecurityW(file.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), size, &size) ||
        !ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                              &text, nullptr))
        return L"unreadable";
    const std::wstring result = text;
    LocalFree(text);
    return result;
}

// A definition of a shared Instance Factory stays what the folder's keeper made it when it is
// saved: hidden, or readable by its owner alone (Wine shows the file's mode as its permissions).
TEST_F(Faults, ASavedDefinitionKeepsItsAttributesAndPermissions)
{
    const fs::path alpha = factory() / L"alpha_locator.ini";
    const struct {
        const char* name;
        DWORD attributes;
        const char* mode;
    } rows[] = {
        {"hidden", FILE_ATTRIBUTE_HIDDEN, "644"},
        {"hidden and system", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, "644"},
        {"readable by its owner alone", FILE_ATTRIBUTE_ARCHIVE, "600"},
    };
    open();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        SetFileAttributesW(alpha.c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove(alpha);
        station.add_definition({L"alpha_locator", L"Alpha", L"ALPHA"});
        ASSERT_EQ(test::linux_shell("chmod " + std::string(r.mode) + " '" + test::unix_path(alpha) + "'"), 0);
        SetFileAttributesW(alpha.c_str(), r.attributes);
        const std::wstring allowed = permissions(alpha);

        on_card(L"Alpha", {IDC_EDIT});
        EXPECT_NE(test::read_file(alpha).find("readSize="), std::string::npos);  // saved
        EXPECT_EQ(GetFileAttributesW(alpha.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
                  r.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
        EXPECT_EQ(permissions(alpha), allowed);
    }
    EXPECT_TRUE(errors().empty()) << testing::PrintToString(seam.texts());
    window.reset();
}

// Portable.ini beside the program, on a full disk: its setting is refused with a box that names
// it, and the file keeps every setting it held. The case runs in a copy of this program on the
// small disk, beside its Portable.ini.
TEST(FullDisk, PortableIniKeepsItsSettingsAndTheRefusalIsShown)
{
    constexpr wchar_t in_copy[] = L"PLAXOR_FULL_DISK_CASE";
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (!test::is_copy(in_copy)) {
        const small_disk disk(fs::file_size(self) / 1024 + 64);
        if (!disk.mounted())
            GTEST_SKIP() << "no file system can be mounted here";
        EXPECT_TRUE(test::passes_in_copy(disk.path(), L"FullDisk.*", in_copy));
        return;
    }
    const fs::path folder = fs::path(self).parent_path(), ini = folder / L"Portable.ini";
    // Almost a page: one more setting needs a second one.
    std::ofstream(ini, std::ios::binary) << "[General]\r\nVersion=5.2.1\r\nnotes=" << std::string(4050, 'n') << "\r\n";
    const std::string stored = test::read_file(ini);
    fill(folder);
    test::scripted_seam seam;
    EXPECT_FALSE(show_failures(host::write_setting(L"CachedBase", L"E:\\Cache")));
    EXPECT_TRUE(seam.showed_errors({L"The setting \"CachedBase\" could not be saved in '" + ini.wstring() + L"'."}));
    EXPECT_TRUE(test::read_file(ini) == stored);  // whole, every setting kept
    fs::remove(folder / L"filler");  // room for the report
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 2);  // no draft left behind
}

// The platform's profile write cuts a file short on a full disk and still reports success.
TEST_F(Faults, AFullDiskCutsNoDefinitionShort)
{
    const small_disk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "no file system can be mounted here; a copy onto a full disk is the seam's failed copy "
                        "in working_folders_tests";
    test::created_key(HKEY_CURRENT_USER, L"SOFTWARE\\VORN\\PLAXOR").set(L"InsFactory", disk.path().wstring() + L"\\");
    // Almost a page: writing the keys it lacks needs a second one.
    const fs::path alpha = disk.path() / L"alpha_locator.ini";
    std::ofstream(alpha, std::ios::binary) << "[General]\r\nlogonex=2\r\nconn_name=Alpha\r\nnotes=" << std::string(3900, 'n')
                                           << "\r\n[httpConn]\r\nuserName=cad\r\nhostName=plaxor.example.com\r\n";
    const std::string stored = test::read_file(alpha);
    fill(disk.path());
    open();
    on_card(L"Alpha", {IDC_EDIT, IDC_CURRENT});
    EXPECT_EQ(test::read_file(alpha), stored);
    EXPECT_FALSE(fs::exists(disk.path() / L"multi_conn.config"));
    EXPECT_EQ(std::distance(fs::directory_iterator(disk.path()), {}), 2);  // no draft left behind
    EXPECT_EQ(errors(), std::vector<std::wstring>{L"Can't save connection! The file '" + alpha.wstring() +
                                                  L"' cannot be written: " + test::system_line(ERROR_DISK_FULL) + L"."});
    seam.clear();

    fs::remove(disk.path() / L"filler");  // room again: the same steps write everything
    on_card(L"Alpha", {IDC_EDIT, IDC_CURRENT});
    const std::string written = test::read_file(alpha);
    for (const char* kept : {"notes=nnn", "hostName=plaxor.example.com\r\n", "readSize=16384\r\n"})
        EXPECT_NE(written.find(kept), std::string::npos) << kept;
    EXPECT_TRUE(fs::exists(disk.path() / L"multi_conn.config"));
    EXPECT_TRUE(errors().empty());
    window.reset();
}

}  // namespace
