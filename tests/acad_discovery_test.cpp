#include "host/acad_discovery.h"

#include <gtest/gtest.h>

namespace {

TEST(SplitPathList, KeepsEmptyEntriesButNotATrailingOne)
{
    using list = std::vector<std::wstring>;
    EXPECT_EQ(host::split_path_list(L""), list{});
    EXPECT_EQ(host::split_path_list(L"a;;b"), (list{L"a", L"", L"b"}));
    EXPECT_EQ(host::split_path_list(L"a;"), list{L"a"});
    EXPECT_EQ(host::split_path_list(L";a"), (list{L"", L"a"}));
    EXPECT_EQ(host::split_path_list(L";"), list{L""});
    EXPECT_EQ(host::split_path_list(L" A ;b"), (list{L" A ", L"b"}));
}

}  // namespace
