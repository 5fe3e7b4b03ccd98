#include "host/running_acads.h"

#include "support/running_acad.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;
using names = std::vector<std::wstring>;

fs::path install(const fs::path& folder, const wchar_t* exe_name)
{
    fs::create_directories(folder);
    fs::copy_file(test::program_folder() / L"acad.exe", folder / exe_name);
    return folder / exe_name;
}

names running(const host::acad_install_list& list)
{
    names found{L"not emptied"};
    EXPECT_TRUE(host::find_running_acads(list, found));
    std::sort(found.begin(), found.end());
    return found;
}

TEST(RunningAcads, ReportsEachCopyStartedFromAListedInstallFolder)
{
    test::temp_folder root;
    const fs::path acad2022 = install(root.path() / L"AutoCAD 2022", L"acad.exe");
    const fs::path upper = install(root.path() / L"AutoCAD 2020", L"ACAD.EXE");
    const fs::path elsewhere = install(root.path() / L"Elsewhere", L"acad.exe");
    fs::create_directories(root.path() / L"AutoCAD 2025");

    std::wstring upper_folder_lower = upper.parent_path().wstring() + L"\\";
    std::transform(upper_folder_lower.begin(), upper_folder_lower.end(), upper_folder_lower.begin(), ::towlower);
    host::acad_install_list list;
    list[L"R23.1"].install_folder = upper_folder_lower;
    list[L"R23.1"].product_name = L"AutoCAD 2020";
    list[L"R24.1"].install_folder = acad2022.parent_path().wstring() + L"\\";
    list[L"R24.1"].product_name = L"AutoCAD 2022";
    list[L"R25.0"].install_folder = (root.path() / L"AutoCAD 2025").wstring() + L"\\";
    list[L"R25.0"].product_name = L"AutoCAD 2025";

    EXPECT_EQ(running(list), names{});
    std::vector<std::unique_ptr<test::running_acad>> copies;
    copies.push_back(std::make_unique<test::running_acad>(elsewhere));
    EXPECT_EQ(running(list), names{});
    copies.push_back(std::make_unique<test::running_acad>(acad2022));
    EXPECT_EQ(running(list), names{L"AutoCAD 2022"});
    copies.push_back(std::make_unique<test::running_acad>(acad2022));
    EXPECT_EQ(running(list), (names{L"AutoCAD 2022", L"AutoCAD 2022"}));
    copies.push_back(std::make_unique<test::running_acad>(upper));
    EXPECT_EQ(running(list), (names{L"AutoCAD 2020", L"AutoCAD 2022", L"AutoCAD 2022"}));

    EXPECT_EQ(running(host::acad_install_list{}), names{});
}

}  // namespace
