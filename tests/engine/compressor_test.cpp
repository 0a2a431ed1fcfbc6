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
  const char* unstable = nullptr;  // why compressing the output again may change it
};
void PrintTo(const CompressCase& c, std::ostream* os) { *os << c.name; }

class CompressorTest : public ::testing::TestWithParam<CompressCase> {};

TEST_P(CompressorTest, JoinsLines) {
  const CompressCase& c = GetParam();
  Style style;
  style.Options.DoPurgeComments = c.purge;
  Engine engine(style);
  ExpectOutput(engine, EngineMode::Compress, c.source, c.output, c.unstable);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompressorTest,
    ::testing::Values(
        CompressCase{"TextAndTag", true, "Hello<BR>", Lines{"Hello<BR>"}},
        CompressCase{"PurgedCommentJoins", true, "a<!-- c -->b", Lines{"ab"}},
        CompressCase{"KeptCommentKeepsItsBreaks", false, "a<!-- 1\n2\n3 -->b",
                     Lines{"a<!-- 1\r\n2\r\n3 -->b"}},
        CompressCase{"IncludeLikeCommentPurged", true, "a<!--#include file=x-->b", Lines{"ab"}},
        // Browsers end a comment at "--!>" as well: what follows is text, never purged.
        CompressCase{"CommentEndedByBang", true, "a<!-- c --!>b<!-- d -->e", Lines{"abe"}},
        CompressCase{"LikeOursEndedByBang", false, "a<!--~ x ~--!>b<!--~ y ~-->c",
                     Lines{"a<!--~ x ~--!>bc"}},
        CompressCase{
            "ScriptOnOwnLines", true, "one <i>x</i>\n<script>\n<!--\nf();\n// -->\n</script>\ntwo",
            Lines{"one <I>x</I> ", "<script>", "<!--", "f();", "// -->", "</script>", "two"}},
        CompressCase{"OwnCommentsAlwaysGo", false, "a<!--~ doc ~-->b<!--~*** T1 ***~-->c",
                     Lines{"abc"}},
        CompressCase{"HashLinesSurvive", true, "### x\n<pre>\n###<PRE>:1\n</pre>\n### y",
                     Lines{"### x ", "<pre>", "###<PRE>:1", "</pre>", "### y"}},
        CompressCase{"EmptySource", true, "", Lines{}},
        CompressCase{"TextRightBeforeABlock", true, "x<pre>p</pre>y",
                     Lines{"x", "<pre>p</pre>", "y"},
                     "the line end written after x reads back as a blank: x becomes \"x \""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CompressorModesTest, DocLineUnlessPartialAndPreviewSink) {
  Style style;
  style.Options.UseWhileCompress = true;
  style.Options.DoIncludeUser = style.Options.DoIncludeDate = style.Options.DoIncludeTime =
      style.Options.DoIncludeStyle = style.Options.DoIncludeVersion = false;
  Engine engine(style);
  ExpectOutput(engine, EngineMode::Compress, "a\nb", {"", "a b"});
  engine.PartialMode = true;
  ExpectOutput(engine, EngineMode::Compress, "a\nb", {"a b"});
  LineList preview;
  engine.PreviewSink = &preview;
  EXPECT_EQ(Output(engine, EngineMode::Compress, "x<pre>p</pre>y"), Lines{});
  EXPECT_EQ(preview.ToStrings(), (Lines{"x", "<pre>p</pre>", "y"}));
}

}  // namespace
}  // namespace tessel::testing
