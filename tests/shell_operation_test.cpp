#include "support/temp_folder.h"
#include "ui/modal_seam.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

void write(const fs::path& file, const char* text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

// The platform's copy takes subfolders (dot-folders too) and replaces files of the same name
// without asking; its delete empties the folder and keeps it.
TEST(ShellOperation, CopiesATreeOverAndDeletesContentsForGood)
{
    test::temp_folder from, to;
    write(from.path() / L"a.ini", "new");
    write(from.path() / L"sub" / L"b.ini", "b");
    write(from.path() / L".hidden" / L"c.ini", "c");
    write(to.path() / L"a.ini", "old");
    ui::modal_seam& platform = ui::platform_modal();

    EXPECT_EQ(platform.copy_items(from.with_backslash() + L"*", to.path().wstring()), ui::shell_outcome::done);
    EXPECT_EQ(test::read_file(to.path() / L"a.ini"), "new");
    EXPECT_EQ(test::read_file(to.path() / L"sub" / L"b.ini"), "b");
    EXPECT_EQ(test::read_file(to.path() / L".hidden" / L"c.ini"), "c");

    EXPECT_EQ(platform.delete_items(to.with_backslash() + L"*"), ui::shell_outcome::done);
    EXPECT_TRUE(fs::is_directory(to.path()));
    EXPECT_TRUE(fs::is_empty(to.path()));
}

// (Wine reports success for a pattern that matches nothing, so the missing source is one file.)
TEST(ShellOperation, FailsOnAMissingSourceAndOnAPathPastTheLimit)
{
    test::temp_folder from, to;
    write(from.path() / L"a.ini", "a");
    ui::modal_seam& platform = ui::platform_modal();
    const std::wstring too_long = to.with_backslash() + std::wstring(ui::shell_path_limit, L'x');

    EXPECT_EQ(platform.copy_items(from.with_backslash() + L"missing.ini", to.path().wstring()),
              ui::shell_outcome::failed);
    EXPECT_EQ(platform.copy_items(from.with_backslash() + L"*", too_long), ui::shell_outcome::failed);
    EXPECT_EQ(platform.delete_items(too_long), ui::shell_outcome::failed);
    EXPECT_TRUE(fs::is_empty(to.path()));
    EXPECT_TRUE(fs::exists(from.path() / L"a.ini"));
}

}  // namespace
