#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine_fixture.h"

namespace tessel::testing {
namespace {

struct CompressCase {
  const char* name;
  bool purge;
  std::string source;
  Lines output;
};
void PrintTo(const CompressCase& c, std::ostream* os) { *os << c.name; }

class CompressorTest : public ::testing::TestWithParam<CompressCase> {};

TEST_P(CompressorTest, JoinsLines) {
  const CompressCase& c = GetParam();
  Style style;
  style.Options.DoPurgeComments = c.purge;
  Engine engine(style);
  EXPECT_EQ(Compressed(engine, c.source), c.output);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompressorTest,
    ::testing::Values(
        CompressCase{"TextAndTag", true, "Hello<BR>", {"Hello<BR>"}},
        CompressCase{"PurgedCommentJoins", true, "a<!-- c -->b", {"ab"}},
        CompressCase{
            "KeptCommentKeepsItsBreaks", false, "a<!-- 1\n2\n3 -->b", {"a<!-- 1\r\n2\r\n3 -->b"}},
        CompressCase{"IncludeLikeCommentPurged", true, "a<!--#include file=x-->b", {"ab"}},
        CompressCase{"ScriptOnOwnLines",
                     true,
                     "one <i>x</i>\n<script>\n<!--\nf();\n// -->\n</script>\ntwo",
                     {"one <I>x</I> ", "<script>", "<!--", "f();", "// -->", "</script>", "two"}},
        CompressCase{"OwnCommentsAlwaysGo", false, "a<!--~ doc ~-->b<!--~*** T1 ***~-->c", {"abc"}},
        CompressCase{"HashLinesSurvive",
                     true,
                     "### x\n<pre>\n###<PRE>:1\n</pre>\n### y",
                     {"### x ", "<pre>", "###<PRE>:1", "</pre>", "### y"}},
        CompressCase{"EmptySource", true, "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CompressorModesTest, DocLineUnlessPartialAndPreviewSink) {
  Style style;
  style.Options.UseWhileCompress = true;
  style.Options.DoIncludeUser = style.Options.DoIncludeDate = style.Options.DoIncludeTime =
      style.Options.DoIncludeStyle = style.Options.DoIncludeVersion = false;
  Engine engine(style);
  EXPECT_EQ(Compressed(engine, "a\nb"), (Lines{"", "a b"}));
  engine.PartialMode = true;
  EXPECT_EQ(Compressed(engine, "a\nb"), (Lines{"a b"}));
  LineList preview;
  engine.PreviewSink = &preview;
  EXPECT_EQ(Compressed(engine, "x<pre>p</pre>y"), Lines{});
  EXPECT_EQ(preview.ToStrings(), (Lines{"x", "<pre>p</pre>", "y"}));
}

}  // namespace
}  // namespace tessel::testing
