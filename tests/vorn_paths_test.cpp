#include "vorn/vorn_paths.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

TEST(VornPaths, FileExistsOnlyForFiles)
{
    test::temp_folder folder;
    const std::wstring file = (folder.path() / L"acad.exe").wstring();
    EXPECT_EQ(fileExists(file.c_str()), 0);
    std::ofstream(folder.path() / L"acad.exe") << "x";
    EXPECT_NE(fileExists(file.c_str()), 0);
    EXPECT_EQ(fileExists(folder.path().wstring().c_str()), 0);
    EXPECT_EQ(fileExists(L""), 0);
    EXPECT_EQ(fileExists(nullptr), 0);
}

TEST(VornPaths, FindsTheFirstCharacterWithinTheLength)
{
    EXPECT_EQ(findFirstTime(L"www.acme.com", L'.', 12), 3);
    EXPECT_EQ(findFirstTime(L"www.acme.com", L'.', 3), -1);
    EXPECT_EQ(findFirstTime(L"localhost", L'.', 9), -1);
    EXPECT_EQ(findFirstTime(L".x", L'.', 2), 0);
    EXPECT_EQ(findFirstTime(L"a", L'.', 100), -1);  // stops at the terminator
}

TEST(VornPaths, RemovesFromTheLastDelimiter)
{
    wchar_t path[] = L"C:\\Program Files\\PLAXOR\\ConfigurePLAXOR.exe";
    removeLast(path, L'\\', 0);
    EXPECT_STREQ(path, L"C:\\Program Files\\PLAXOR");
    wchar_t kept[] = L"C:\\a\\b.exe";
    removeLast(kept, L'\\', 1);
    EXPECT_STREQ(kept, L"C:\\a\\");
    wchar_t none[] = L"plain";
    removeLast(none, L'\\', 0);
    EXPECT_STREQ(none, L"plain");
}

TEST(VornPaths, ChangesDelimitersWithinTheLength)
{
    wchar_t path[] = L"C:/tools/plaxor/x.exe";
    changeDelimiters(path, L'/', L'\\', 9);
    EXPECT_STREQ(path, L"C:\\tools\\plaxor/x.exe");
    changeDelimiters(path, L'/', L'\\', 1000);  // stops at the terminator
    EXPECT_STREQ(path, L"C:\\tools\\plaxor\\x.exe");
}

}  // namespace
