// The "Folders:" buttons of the main window: relocating and importing the Instance Factory and
// Cached-base folders with the real settings, files and shell, the user's answers scripted.

#include "support/created_key.h"
#include "support/denied_key_rights.h"
#include "support/opened_main_window.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using test::texts;
const std::wstring settings_key = L"SOFTWARE\\VORN\\PLAXOR";
const std::wstring copy_failed = L"Failed to fully copy files!";
constexpr UINT question = MB_YESNO | MB_ICONQUESTION, error_box = MB_OK | MB_ICONERROR;

void write(const fs::path& file, const std::string& text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

// Every entry under the folder, "name" for a folder and "name=content" for a file, in order.
texts listing(const fs::path& folder)
{
    texts entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::wstring line = fs::relative(entry.path(), folder).wstring();
        if (entry.is_regular_file()) {
            const std::string content = test::read_file(entry.path());
            line += L"=" + std::wstring(content.begin(), content.end());
        }
        entries.push_back(line);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

class WorkingFolders : public test::opened_main_window {
protected:

    void SetUp() override
    {
        station.add_definition({L"alpha_locator", L"Alpha", L"ALPHA"});
        station.add_definition({L"beta_locator", L"beta", L"BETA"});
        write(fs::path(station.factory()) / L"Unter Ordner ä" / L"Zeichnung Ω.dwg", "dwg");
        write(fs::path(station.factory()) / L".svn" / L"entries", "svn");  // a dot-directory: not counted
        write(fs::path(station.factory()) / L".plaxorrc", "rc");           // a dot-file: counted
        station.add_settings_keys(L"1.2.3");
        open();
    }

    void click(int button) const { test::click(main(), button); }
    std::wstring box(int id) const { return test::text_of(main(), id); }
    static std::wstring setting(const wchar_t* name) { return test::registry_text(HKEY_CURRENT_USER, settings_key, name); }
    static void set_setting(const wchar_t* name, const std::wstring& value) { test::created_key(HKEY_CURRENT_USER, settings_key).set(name, value); }


    // The questions, then the error boxes shown. Enter takes the preset answer: only a question
    // whose Yes loses data (the originals deleted, files replaced by an import) presets No.
    void expect_boxes(const texts& questions_then_errors, size_t questions) const
    {
        EXPECT_EQ(seam.texts(), questions_then_errors);
        for (size_t i = 0; i < seam.boxes().size(); ++i) {
            const std::wstring& text = seam.boxes()[i].text;
            const UINT preset_no = text.starts_with(L"Copy Successfull!") || text.starts_with(L"Import (Copy)") ? MB_DEFBUTTON2 : 0;
            EXPECT_EQ(seam.boxes()[i].flags, i < questions ? question | preset_no : error_box) << i;
        }
    }
};

// Each refusal comes before anything is copied, saved or shown; Cancel and the same folder in
// other letters are silent.
TEST_F(WorkingFolders, RefusedOrUnchangedFoldersLeaveEverythingAsItWas)
{
    const fs::path full = root.path() / L"full";
    write(full / L"a.ini", "a");
    write(full / L".hidden.txt", "h");
    write(full / L".git" / L"HEAD", "g");
    fs::create_directories(full / L"sub");
    // Under Wine a folder's read-only attribute keeps no file out (nor do rights, for root); a
    // folder that is not there fails the writing test all the same.
    const std::wstring missing = root.with_backslash() + L"missing";
    const std::wstring too_long = root.with_backslash() + std::wstring(256 - root.with_backslash().size(), L'x');
    std::wstring upper = station.factory();
    CharUpperW(upper.data());
    struct refusal {
        std::optional<std::wstring> picked;
        texts errors;
    };
    for (const refusal& row : {
             refusal{L"\\\\server\\share", {L"Folder '\\\\server\\share\\' NOT on a local drive!"}},
             refusal{full.wstring(), {L"Folder '" + full.wstring() + L"\\' needs to be empty (3 files deteched)!"}},
             refusal{missing, {L"Folder '" + missing + L"\\' is not writable!"}},
             refusal{too_long, {L"Folder path '" + too_long + L"\\' is longer than 256 characters!"}},
             refusal{L"C:\\", {L"Folder 'C:\\' holds the original folder '" + station.factory() + L"'!"}},  // one backslash
             refusal{std::nullopt, {}},
             refusal{upper.substr(0, upper.size() - 1), {}},
         }) {
        const texts factory_before = listing(station.factory()), full_before = listing(full);
        seam.answer_folder(row.picked);
        click(IDC_INS_FACTORY_BROWSE);
        EXPECT_TRUE(seam.showed_errors(row.errors));
        EXPECT_EQ(seam.folder_titles().back(), L"Select a new Instance Factory folder");
        EXPECT_EQ(seam.folder_starts().back(), station.factory());
        EXPECT_EQ(setting(L"InsFactory"), station.factory());
        EXPECT_EQ(box(IDC_INS_FACTORY_EDIT), station.factory());
        EXPECT_EQ(listing(station.factory()), factory_before);
        EXPECT_EQ(listing(full), full_before);
        EXPECT_FALSE(fs::exists(missing));  // nor a temporary file made there
        EXPECT_EQ(card_names(), (texts{L"Alpha", L"beta"}));
        seam.clear();
    }
    EXPECT_TRUE(seam.shell_operations().empty());
}

// The old Instance Factory holds two definitions, a folder and a dot-file (its dot-directory is
// not counted); the new one has non-ASCII letters and spaces. A copy or delete without a scripted
// outcome is the platform's own; a scripted one touches nothing.
TEST_F(WorkingFolders, RelocationCopiesAndDeletesOnlyAsTheUserSays)
{
    using outcome = std::optional<ui::shell_outcome>;
    struct relocation {
        int copy_answer;
        outcome copy;
        std::optional<int> delete_answer;
        outcome deletion;
        texts errors;
        bool saved, copied, old_kept;
    };
    const ui::shell_outcome failed = ui::shell_outcome::failed, aborted = ui::shell_outcome::aborted;
    const std::wstring delete_failed = L"Failed to delete original folder. Continuing anyway!";
    int run = 0;
    for (const relocation& row : {
             relocation{IDNO, {}, {}, {}, {}, true, false, true},
             relocation{IDYES, {}, IDNO, {}, {}, true, true, true},
             relocation{IDYES, {}, IDYES, {}, {}, true, true, false},
             relocation{IDYES, failed, {}, {}, {copy_failed}, false, false, true},
             relocation{IDYES, aborted, {}, {}, {copy_failed}, false, false, true},
             relocation{IDYES, ui::shell_outcome::done, IDYES, failed, {delete_failed}, true, false, true},
         }) {
        const fs::path old_folder = root.path() / std::to_wstring(++run) / L"Alte Fabrik";
        const fs::path new_folder = root.path() / std::to_wstring(run) / L"Neue Fabrik Ωμέγα ä";
        fs::create_directories(new_folder);
        fs::copy(fs::path(station.factory()).parent_path(), old_folder, fs::copy_options::recursive);
        const std::wstring old_text = old_folder.wstring() + L"\\", new_text = new_folder.wstring() + L"\\";
        set_setting(L"InsFactory", old_text);
        open();
        const size_t operations_before = seam.shell_operations().size();
        seam.answer(row.copy_answer);
        if (row.delete_answer)
            seam.answer(*row.delete_answer);
        for (const outcome& scripted : {row.copy, row.deletion})
            if (scripted)
                seam.answer_shell(*scripted);
        seam.answer_folder(new_folder.wstring());
        click(IDC_INS_FACTORY_BROWSE);

        texts shown{L"4 files/folders found in original folder. Copy to new Folder?"};
        if (row.delete_answer)
            shown.push_back(L"Copy Successfull! Delete Original Folder '" + old_text + L"'?");
        shown.insert(shown.end(), row.errors.begin(), row.errors.end());
        expect_boxes(shown, row.delete_answer ? 2 : 1);
        texts operations;
        if (row.copy_answer == IDYES)
            operations.push_back(L"copy " + old_text + L"* -> " + new_text);
        if (row.delete_answer == IDYES)
            operations.push_back(L"delete " + old_text + L"*");
        EXPECT_EQ(texts(seam.shell_operations().begin() + static_cast<std::ptrdiff_t>(operations_before), seam.shell_operations().end()), operations);

        const std::wstring kept = row.saved ? new_text : old_text;
        EXPECT_EQ(setting(L"InsFactory"), kept) << run;
        EXPECT_EQ(box(IDC_INS_FACTORY_EDIT), kept) << run;
        EXPECT_EQ(listing(old_folder), row.old_kept ? listing(station.factory()) : texts{}) << run;
        EXPECT_EQ(listing(new_folder), row.copied ? listing(station.factory()) : texts{}) << run;
        // Loaded from the folder now set: the definitions went along, or the new folder is empty.
        EXPECT_EQ(card_names(), (row.copied || !row.saved ? texts{L"Alpha", L"beta"} : texts{})) << run;
    }
}

// An empty or missing setting never makes the process's current directory a folder to work in.
TEST_F(WorkingFolders, EmptyOrUnreadableSettings)
{
    const fs::path chosen = root.path() / L"chosen";
    fs::create_directories(chosen);
    const std::wstring chosen_text = chosen.wstring() + L"\\";

    // The imports warn before anything is asked or copied.
    set_setting(L"InsFactory", L"");
    set_setting(L"CachedBase", L"");
    click(IDC_INS_FACTORY_IMPORT);
    click(IDC_CACHED_BASE_IMPORT);
    EXPECT_TRUE(seam.showed({L"No Instance Factory folder is set: choose one with '...' first!",
                             L"No Cached-base folder is set: choose one with '...' first!"}, MB_OK | MB_ICONEXCLAMATION));
    EXPECT_TRUE(seam.folder_titles().empty());
    seam.clear();

    // An empty old folder has nothing to move: no question, saved at once.
    seam.answer_folder(chosen.wstring());
    click(IDC_INS_FACTORY_BROWSE);
    EXPECT_TRUE(seam.boxes().empty());
    EXPECT_EQ(seam.folder_starts(), texts{L""});
    EXPECT_EQ(setting(L"InsFactory"), chosen_text);
    EXPECT_EQ(card_names(), texts{});

    // Without the settings key the Cached-base and the imports stop at the read's box; the Instance
    // Factory carries on as if no folder had been set until its write shows its box.
    const std::wstring missing = L"Register Key 'SOFTWARE\\VORN\\PLAXOR' doesn't exist!";
    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\VORN"), ERROR_SUCCESS);
    seam.clear();
    for (const int button : {IDC_CACHED_BASE_BROWSE, IDC_CACHED_BASE_IMPORT, IDC_INS_FACTORY_IMPORT})
        click(button);
    EXPECT_TRUE(seam.showed_errors({missing, missing, missing}));
    EXPECT_EQ(seam.folder_titles().size(), 1u);
    seam.clear();
    seam.answer_folder(chosen.wstring());
    click(IDC_INS_FACTORY_BROWSE);
    EXPECT_TRUE(seam.showed_errors({missing, L"Key 'HKEY_CURRENT_USER', SubKey 'SOFTWARE\\VORN\\PLAXOR' does not exist!"}));
    EXPECT_EQ(box(IDC_INS_FACTORY_EDIT), chosen_text);  // from the save that worked above
    EXPECT_EQ(setting(L"InsFactory"), L"(none)");        // the failed save made no key
    EXPECT_EQ(seam.folder_starts().back(), L"");
    EXPECT_TRUE(seam.shell_operations().empty());
}

// Folders of 256 characters (backslash included) are the longest the counts and the shell take.
// The Cached-base holds no definitions: its relocation leaves the list and the other folder alone.
TEST_F(WorkingFolders, CachedBaseAtAndPastThePathLimit)
{
    const std::wstring base = root.with_backslash();
    const std::wstring at_limit = base + std::wstring(255 - base.size(), L'a');
    const std::wstring past = base + std::wstring(256 - base.size(), L'b') + L"\\";
    fs::create_directories(at_limit);
    const std::wstring too_long = L"Folder path '" + past + L"' is longer than 256 characters!";

    const void* first_card = cards.data(0);
    seam.answer_folder(at_limit);
    click(IDC_CACHED_BASE_BROWSE);
    EXPECT_TRUE(seam.boxes().empty());
    EXPECT_EQ(seam.folder_titles(), texts{L"Select a new Cached-base folder"});
    EXPECT_EQ(setting(L"CachedBase"), at_limit + L"\\");
    EXPECT_EQ(setting(L"InsFactory"), station.factory());
    EXPECT_EQ(box(IDC_CACHED_BASE_EDIT), at_limit + L"\\");
    DWORD first = 0, last = 0;
    SendDlgItemMessageW(main(), IDC_CACHED_BASE_EDIT, EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last));
    EXPECT_EQ(first, at_limit.size() + 1);  // scrolled to the end, as at opening
    EXPECT_EQ(cards.data(0), first_card);     // the same card: no refill

    set_setting(L"CachedBase", past);
    seam.answer_folder(root.path().wstring());
    click(IDC_CACHED_BASE_BROWSE);  // moving away from an over-long folder
    click(IDC_CACHED_BASE_IMPORT);  // importing into one
    seam.answer_folder(past.substr(0, past.size() - 1));
    click(IDC_INS_FACTORY_IMPORT);  // importing from one
    EXPECT_TRUE(seam.showed_errors({too_long, too_long, too_long}));
    EXPECT_EQ(setting(L"CachedBase"), past);
    EXPECT_TRUE(seam.shell_operations().empty());
}

// Every import row puts a definition into the Instance Factory behind the window's back: the
// list shows it only when the set was loaded anew.
TEST_F(WorkingFolders, ImportCopiesIntoTheFolderAndReloadsTheInstanceFactory)
{
    struct import {
        int button;
        std::wstring source_file;  // empty: the source holds only a dot-directory
        std::optional<int> answer;
        std::optional<ui::shell_outcome> copy;
        bool copied, reloaded;
    };
    int run = 0;
    for (const import& row : {
             import{IDC_INS_FACTORY_IMPORT, L"", {}, {}, false, false},
             import{IDC_INS_FACTORY_IMPORT, L"alpha_locator.ini", IDNO, {}, false, true},
             import{IDC_INS_FACTORY_IMPORT, L"alpha_locator.ini", IDYES, {}, true, true},
             import{IDC_INS_FACTORY_IMPORT, L"alpha_locator.ini", IDYES, ui::shell_outcome::failed, false, false},
             import{IDC_CACHED_BASE_IMPORT, L"tile.dat", IDYES, {}, true, false},
         }) {
        const fs::path source = root.path() / std::to_wstring(++run) / L"Quelle Ωμέγα ä";
        write(source / L".git" / L"HEAD", "g");
        if (!row.source_file.empty()) {
            write(source / row.source_file, "[General]\nconn_name=Alpha Neu " + std::to_string(run) + "\n");
            write(source / L"Unter Ordner ä" / L"Zeichnung Ω.dwg", "new dwg");
        }
        const bool factory = row.button == IDC_INS_FACTORY_IMPORT;
        const fs::path destination = factory ? station.factory() : station.cached_base();
        const std::wstring delta = L"delta " + std::to_wstring(run), alpha = L"Alpha Neu " + std::to_wstring(run);
        station.add_definition({L"delta_locator_" + std::to_wstring(run), delta, L"DELTA"});
        const texts destination_before = listing(destination);
        const size_t operations_before = seam.shell_operations().size();
        if (row.answer)
            seam.answer(*row.answer);
        if (row.copy)
            seam.answer_shell(*row.copy);
        seam.answer_folder(source.wstring());
        click(row.button);

        const std::wstring source_text = source.wstring() + L"\\", destination_text = destination.wstring();
        EXPECT_EQ(seam.folder_titles().back(), factory ? L"Import Instance Factory from another folder"
                                                       : L"Import Cached-base from another folder");
        EXPECT_EQ(seam.folder_starts().back(), destination_text);
        texts shown{L"Import (Copy) 2 files/folders into '" + destination_text + L"'?"};
        if (!row.answer)
            shown = {L"No files/folders in '" + source_text + L"'!"};
        else if (row.copy)
            shown.push_back(copy_failed);
        expect_boxes(shown, row.answer ? 1 : 0);
        EXPECT_EQ(seam.shell_operations().size(), operations_before + (row.answer == IDYES ? 1 : 0));
        if (row.answer == IDYES) {
            EXPECT_EQ(seam.shell_operations().back(), L"copy " + source_text + L"* -> " + destination_text);
        }
        if (row.copied) {
            EXPECT_EQ(test::read_file(destination / row.source_file), "[General]\nconn_name=" + std::string(alpha.begin(), alpha.end()) + "\n");
            EXPECT_EQ(test::read_file(destination / L"Unter Ordner ä" / L"Zeichnung Ω.dwg"), "new dwg") << run;
            EXPECT_TRUE(fs::exists(destination / L".git" / L"HEAD"));
        } else {
            EXPECT_EQ(listing(destination), destination_before) << run;
        }
        const texts names = card_names();
        EXPECT_EQ(std::count(names.begin(), names.end(), delta), row.reloaded ? 1 : 0) << run;
        EXPECT_EQ(std::count(names.begin(), names.end(), alpha), row.copied && factory ? 1 : 0) << run;  // replaced a file
        EXPECT_EQ(setting(factory ? L"InsFactory" : L"CachedBase"), destination_text);
        seam.clear();
    }
}

// Administrators set the folders by script or by hand, without the trailing backslash or with
// two: the steps still work on the folder named and never on a sibling whose name starts the same.
TEST_F(WorkingFolders, FolderSettingsWithoutOrWithExtraBackslashesNameOnlyTheFolder)
{
    int run = 0;
    for (const std::wstring ending : {L"", L"\\\\"}) {
        const fs::path parent = root.path() / std::to_wstring(++run);
        const fs::path old_folder = parent / L"Factory", new_folder = parent / L"Neu", sibling = parent / L"Factory Backup";
        write(sibling / L"keep.ini", "keep");
        fs::copy(fs::path(station.factory()).parent_path(), old_folder, fs::copy_options::recursive);
        write(parent / L"Factory.txt", "keep");
        fs::create_directories(new_folder);
        const std::wstring old_text = old_folder.wstring() + L"\\", new_text = new_folder.wstring() + L"\\";
        set_setting(L"InsFactory", old_folder.wstring() + ending);
        open();
        EXPECT_EQ(card_names(), (texts{L"Alpha", L"beta"})) << run;  // listed from the folder itself
        const auto operations_before = static_cast<std::ptrdiff_t>(seam.shell_operations().size());
        seam.answer(IDYES);
        seam.answer(IDYES);
        seam.answer_folder(new_folder.wstring());
        click(IDC_INS_FACTORY_BROWSE);

        expect_boxes({L"4 files/folders found in original folder. Copy to new Folder?",
                      L"Copy Successfull! Delete Original Folder '" + old_text + L"'?"}, 2);
        EXPECT_EQ(texts(seam.shell_operations().begin() + operations_before, seam.shell_operations().end()),
                  (texts{L"copy " + old_text + L"* -> " + new_text, L"delete " + old_text + L"*"}));
        EXPECT_EQ(listing(new_folder), listing(station.factory())) << run;
        EXPECT_TRUE(fs::is_directory(old_folder) && fs::is_empty(old_folder)) << run;
        EXPECT_EQ(listing(sibling), texts{L"keep.ini=keep"}) << run;
        EXPECT_EQ(test::read_file(parent / L"Factory.txt"), "keep") << run;
        EXPECT_EQ(setting(L"InsFactory"), new_text);

        // Imported into: the folder named, the question naming it as the steps see it.
        set_setting(L"InsFactory", new_folder.wstring() + ending);
        seam.clear();
        seam.answer(IDYES);
        seam.answer_folder(sibling.wstring());
        click(IDC_INS_FACTORY_IMPORT);
        expect_boxes({L"Import (Copy) 1 files/folders into '" + new_text + L"'?"}, 1);
        EXPECT_EQ(seam.shell_operations().back(), L"copy " + sibling.wstring() + L"\\* -> " + new_text);
        EXPECT_EQ(test::read_file(new_folder / L"keep.ini"), "keep") << run;

        // Nor from a folder that holds it: the copy would go on copying itself.
        seam.clear();
        const size_t operations = seam.shell_operations().size();
        seam.answer_folder(parent.wstring());
        click(IDC_INS_FACTORY_IMPORT);
        expect_boxes({L"Folder '" + parent.wstring() + L"\\' holds the folder '" + new_text + L"' to import into!"}, 0);
        EXPECT_EQ(seam.shell_operations().size(), operations) << run;
        seam.clear();
    }
}

// A folder inside the other, either way and in any letter case, is refused before anything is
// looked at or touched; a sibling whose name starts the same is not inside.
TEST_F(WorkingFolders, NestedFoldersAreRefusedBeforeAnythingIsTouched)
{
    enum refusal { none, inside, holds };
    struct nesting {
        std::wstring old_setting, picked;  // under the row's own folder
        refusal refused;
    };
    int run = 0;
    for (const nesting& row : {
             nesting{L"Alt\\", L"ALT\\NEU", inside},
             nesting{L"alt", L"Alt\\Neu", inside},
             nesting{L"Aussen\\Innen\\", L"AUSSEN", holds},
             nesting{L"Alt\\", L"AltNeu", none},
         }) {
        const std::wstring base = root.with_backslash() + std::to_wstring(++run) + L"\\";
        for (const wchar_t* folder : {L"Alt\\Neu", L"Aussen\\Innen", L"AltNeu"})
            fs::create_directories(base + folder);
        write(base + L"Alt\\tile.dat", "t");
        write(base + L"Aussen\\Innen\\tile.dat", "t");
        const std::wstring old_text = base + row.old_setting + (row.old_setting.back() == L'\\' ? L"" : L"\\");
        const std::wstring new_text = base + row.picked + L"\\";
        set_setting(L"CachedBase", base + row.old_setting);
        open();
        const texts before = listing(base);
        if (row.refused == none)
            seam.answer(IDNO);
        seam.answer_folder(base + row.picked);
        click(IDC_CACHED_BASE_BROWSE);

        const std::wstring relation = row.refused == inside ? L"' lies inside" : L"' holds";
        const texts shown{row.refused == none ? L"2 files/folders found in original folder. Copy to new Folder?"
                                              : L"Folder '" + new_text + relation + L" the original folder '" + old_text + L"'!"};
        expect_boxes(shown, row.refused == none ? 1 : 0);
        const std::wstring kept = row.refused == none ? new_text : base + row.old_setting;
        EXPECT_EQ(setting(L"CachedBase"), kept) << run;
        EXPECT_EQ(listing(base), before) << run;  // nor a temporary file made
        EXPECT_TRUE(seam.shell_operations().empty());
        seam.clear();
    }
}

// The new folder is saved before the originals may go: a save the registry refuses leaves the
// client on the old folder with all its contents, and the window showing it.
TEST_F(WorkingFolders, AFailedSaveKeepsTheOriginalsAndTheOldFolder)
{
    const std::wstring refused = L"Key 'HKEY_CURRENT_USER', SubKey 'SOFTWARE\\VORN\\PLAXOR' cannat to opened for writting!";
    const std::wstring copy_question = L"4 files/folders found in original folder. Copy to new Folder?";
    struct failed_save {
        bool old_empty;
        std::optional<int> copy_answer;
    };
    int run = 0;
    for (const failed_save& row : {failed_save{true, {}}, failed_save{false, IDNO}, failed_save{false, IDYES}}) {
        const fs::path old_folder = root.path() / std::to_wstring(++run) / L"Alt", new_folder = root.path() / std::to_wstring(run) / L"Neu";
        fs::create_directories(new_folder);
        if (row.old_empty)
            fs::create_directories(old_folder);
        else
            fs::copy(fs::path(station.factory()).parent_path(), old_folder, fs::copy_options::recursive);
        const std::wstring old_text = old_folder.wstring() + L"\\";
        set_setting(L"InsFactory", old_text);
        open();
        const texts names = card_names(), old_before = listing(old_folder);
        if (row.copy_answer)
            seam.answer(*row.copy_answer);
        seam.answer_folder(new_folder.wstring());
        {
            test::denied_key_rights locked(HKEY_CURRENT_USER, settings_key, KEY_SET_VALUE);
            click(IDC_INS_FACTORY_BROWSE);
        }

        expect_boxes(row.copy_answer ? texts{copy_question, refused} : texts{refused}, row.copy_answer ? 1 : 0);
        EXPECT_EQ(seam.shell_operations().size(), row.copy_answer == IDYES ? 1u : 0u) << run;  // no delete
        EXPECT_EQ(listing(old_folder), old_before) << run;
        EXPECT_EQ(setting(L"InsFactory"), old_text) << run;
        EXPECT_EQ(box(IDC_INS_FACTORY_EDIT), old_text) << run;
        EXPECT_EQ(card_names(), names) << run;
        seam.clear();
    }
}

}  // namespace
