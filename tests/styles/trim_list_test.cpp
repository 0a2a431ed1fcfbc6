#include "styles/trim_list.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tessel {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(TrimList, ReadsInOrderBuildsTheHintAndWritesOnlyValues) {
  TempDir tmp;
  WriteFile(tmp / "trim.ini", "; shipped\r\n[TrimTags]\r\n<A>=1\r\n</A>=0\r\n<B> = 1\r\n");
  TrimTagList list = {{true, "stale"}};
  std::string err;
  ASSERT_TRUE(ReadTrimList(tmp.path(), list, &err)) << err;
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[2].Tag, "<B>");
  EXPECT_TRUE(BuildTrimHint(list).ends_with("\n<A><B>"));  // the selected tags, in order

  const std::string longTag(120, 'X');
  list[0].Selected = false;
  list.push_back({true, longTag});
  ASSERT_TRUE(WriteTrimList(tmp.path(), list, &err)) << err;
  EXPECT_EQ(ReadFile(tmp / "trim.ini"), "; shipped\r\n[TrimTags]\r\n<A>=0\r\n</A>=0\r\n<B>=1\r\n" +
                                            longTag.substr(0, 100) + "=1\r\n");
}

TEST(TrimList, AMissingFileIsAnEmptyList) {
  TempDir tmp;
  TrimTagList list = {{true, "<A>"}};
  std::string err;
  ASSERT_TRUE(ReadTrimList(tmp.path(), list, &err)) << err;
  EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace tessel
