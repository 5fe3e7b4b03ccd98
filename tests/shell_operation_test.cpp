#include "support/temp_folder.h"
#include "ui/modal_seam.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// Whole copies and deletes through the platform are the working-folder tests' relocations and
// imports. (Wine reports success for a pattern that matches nothing: the missing source is a file.)
TEST(ShellOperation, FailsOnAMissingSourceAndOnAPathPastTheLimit)
{
    test::temp_folder from, to;
    std::ofstream(from.path() / L"a.ini") << "a";
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
