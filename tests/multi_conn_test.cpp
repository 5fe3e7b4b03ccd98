#include "connections/multi_conn.h"

#include "support/created_key.h"
#include "support/registry_sandbox.h"
#include "support/scripted_seam.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

class MultiConn : public ::testing::Test {
protected:
    test::registry_sandbox sandbox;
    test::scripted_seam seam;
    test::temp_folder folder;
    multi_conn set;

    void SetUp() override
    {
        test::created_key(HKEY_CURRENT_USER, L"SOFTWARE\\VORN\\PLAXOR").set(L"InsFactory", folder.with_backslash());
    }

    std::wstring path(const std::wstring& name) const { return folder.with_backslash() + name; }

    void definition(const std::wstring& name, const char* seed = "")
    {
        std::ofstream(folder.path() / name) << "[General]\nconn_seed=" << seed << "\n";
    }

    void record_default(const wchar_t* stem)
    {
        WritePrivateProfileStringW(L"General", L"LastDefault", stem, path(L"multi_conn.config").c_str());
    }

    std::vector<std::wstring> stems() const
    {
        std::vector<std::wstring> result;
        for (int i = 0; i < set.total(); ++i)
            result.push_back(set.get_nth(i)->file_stem.str());
        std::sort(result.begin(), result.end());
        return result;
    }

    std::wstring default_stem() const { return set.get_default() ? set.get_default()->file_stem.str() : L"<none>"; }
};

TEST_F(MultiConn, LoadsEveryIniFileOfTheFolderButFolders)
{
    definition(L"a.ini", "SeedA");
    definition(L"b.ini", "SeedB");
    std::ofstream(folder.path() / L"multi_conn.config") << "[General]\nLastDefault=b\n";
    std::filesystem::create_directory(folder.path() / L"c.ini");
    set.rebuild_list();

    EXPECT_EQ(stems(), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_EQ(set.get_nth(0)->ini_path.str(), path(set.get_nth(0)->file_stem.str() + L".ini"));
    EXPECT_THROW(set.get_nth(2), std::out_of_range);
    EXPECT_THROW(set.get_nth(-1), std::out_of_range);
    EXPECT_EQ(set.find_conn(L"A"), set.find_conn_by_seed(L"seeda"));
    EXPECT_EQ(set.find_conn(L"A")->m_seed.str(), L"SeedA");
    EXPECT_EQ(set.find_conn(L"c"), nullptr);
    EXPECT_EQ(default_stem(), L"b");
    EXPECT_TRUE(multi_conn::file_exists(path(L"c.ini").c_str())) << "a folder counts";
    EXPECT_TRUE(seam.boxes().empty());
}

TEST_F(MultiConn, DefaultIsTheRecordedDefinitionElseTheFirst)
{
    definition(L"abc_locator.ini");
    definition(L"xyz_locator.ini");
    record_default(L"ABC_LOCATOR");
    set.rebuild_list();
    EXPECT_EQ(default_stem(), L"abc_locator");

    set.set_default(set.find_conn(L"xyz_locator"));
    EXPECT_EQ(default_stem(), L"xyz_locator");
    wchar_t recorded[64];
    GetPrivateProfileStringW(L"General", L"LastDefault", L"", recorded, 64, path(L"multi_conn.config").c_str());
    EXPECT_STREQ(recorded, L"xyz_locator");

    error_collector errors;
    connection* removed = set.get_default();
    ASSERT_TRUE(set.delete_conn(errors, removed));
    delete removed;  // the caller's part
    EXPECT_EQ(set.get_default(), nullptr) << "a removed default is not handed out";
    EXPECT_EQ(stems(), std::vector<std::wstring>{L"abc_locator"});
    definition(L"def_locator.ini");
    set.rebuild_list();
    EXPECT_EQ(default_stem(), set.get_nth(0)->file_stem.str()) << "the recorded one has gone";

    std::filesystem::remove(path(L"abc_locator.ini"));
    std::filesystem::remove(path(L"def_locator.ini"));
    set.rebuild_list();
    EXPECT_EQ(set.total(), 0);
    EXPECT_EQ(set.get_default(), nullptr) << "the old default was destroyed with its list";
}

TEST_F(MultiConn, ASetNeverBuiltIsEmpty)
{
    EXPECT_EQ(set.total(), 0);
    EXPECT_EQ(set.get_nth(0), nullptr);
    EXPECT_EQ(set.get_default(), nullptr);
    EXPECT_EQ(set.find_conn(L"a"), nullptr);
    connection stray;
    error_collector errors;
    EXPECT_FALSE(set.delete_conn(errors, &stray));
    EXPECT_TRUE(seam.showed_errors({L"Connection is not in the standard set!"}));
}

TEST_F(MultiConn, CreateNewMakesTheLowerCaseLocatorPath)
{
    error_collector errors;
    vorn_buffer created;
    EXPECT_TRUE(set.create_new(errors, L"AcMe", created));
    EXPECT_EQ(created.str(), path(L"acme_locator.ini"));
    EXPECT_FALSE(std::filesystem::exists(path(L"acme_locator.ini")));

    definition(L"acme_locator.ini");
    EXPECT_FALSE(set.create_new(errors, L"ACME", created));
    EXPECT_EQ(created.str(), path(L"acme_locator.ini"));
    EXPECT_TRUE(seam.showed_errors({L"Can't create connection! File '" + path(L"acme_locator.ini") + L"' already exists!"}));
}

TEST_F(MultiConn, DeleteRemovesTheFileOrKeepsTheDefinition)
{
    definition(L"a.ini");
    definition(L"b.ini");
    set.rebuild_list();
    connection* a = set.find_conn(L"a");
    std::filesystem::remove(path(L"a.ini"));
    error_collector errors;
    EXPECT_FALSE(set.delete_conn(errors, a));
    EXPECT_TRUE(seam.showed_errors({L"Connection file [" + path(L"a.ini") + L"] does not exist!"}));
    EXPECT_EQ(set.total(), 2);

    connection* b = set.find_conn(L"b");
    EXPECT_TRUE(set.delete_conn(errors, b));
    EXPECT_FALSE(std::filesystem::exists(path(L"b.ini")));
    EXPECT_EQ(stems(), std::vector<std::wstring>{L"a"});
    delete b;  // the caller's part
}

TEST_F(MultiConn, CopiesShareOneListThatGoesWithTheLastOfThem)
{
    definition(L"a.ini");
    set.rebuild_list();
    connection* a = set.get_nth(0);
    {
        multi_conn copy(set);
        EXPECT_EQ(copy.get_nth(0), a);
        EXPECT_EQ(copy.get_default(), a);
        multi_conn assigned;
        assigned = copy;
        set.free_list();
        EXPECT_EQ(set.total(), 0);
        EXPECT_EQ(assigned.get_nth(0)->file_stem.str(), L"a") << "still alive in the copies";
        set = assigned;
    }
    EXPECT_EQ(set.get_nth(0), a);
    set.rebuild_list();
    EXPECT_EQ(set.total(), 1);
}

// The other holder may destroy the definitions at any time after a set let go of their list.
TEST_F(MultiConn, ASetThatLetsGoOfASharedListForgetsItsDefault)
{
    definition(L"a.ini");
    definition(L"b.ini");
    set.rebuild_list();
    connection* first_default = set.get_default();
    ASSERT_NE(first_default, nullptr);

    multi_conn copy(set);
    set.free_list();
    EXPECT_EQ(set.get_default(), nullptr);
    EXPECT_EQ(copy.get_default(), first_default) << "the copy still holds the list";

    set = copy;
    std::filesystem::remove(path(L"a.ini"));
    std::filesystem::remove(path(L"b.ini"));
    set.rebuild_list();  // finds nothing: no new default is chosen
    EXPECT_EQ(set.total(), 0);
    EXPECT_EQ(set.get_default(), nullptr);

    definition(L"c.ini");
    set = copy;
    set.rebuild_list();
    EXPECT_EQ(default_stem(), L"c");
    copy.free_list();
    EXPECT_EQ(copy.get_default(), nullptr);

    connection outside;
    set.set_default(&outside);
    set.free_list();
    EXPECT_EQ(set.get_default(), &outside) << "a default from outside the list is not the list's to clear";
}

}  // namespace
