#include "window_model/options_model.h"

#include <gtest/gtest.h>

#include "session_home.h"
#include "window_model/options_rules.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::SessionHome;
using testing::WriteFile;

/// The files the dialog may write, as they stand.
std::string Stored(const SessionHome& home) {
  std::string all;
  for (const char* file : {"styles/_default/options.ini", "styles/_default/tag.ini", "trim.ini"})
    all += ReadFile(home / file);
  return all;
}

/// Edits of each kind the dialog makes: options, a tag rule, the trim list, the line ends.
void Edit(OptionsModel& model) {
  model.Draft().Options.LineSize = 120;
  model.Draft().Options.DoIndentSpacesOnly = true;
  model.SetLineEnds(LineEndSetting::Keep);
  TagEntry b = model.Draft().Tags.Entry(2);
  b.TreatAsText = !b.TreatAsText;
  model.StoreTag(2, b);
  model.TrimDraft().front().Selected = !model.TrimDraft().front().Selected;
  model.SetModified(true);
}

// OK writes the draft and only then is it the session's; Cancel (the model dropped) leaves
// the session's style, trim list and files as they were. A failed write changes nothing.
TEST(OptionsModelTest, OkCommitsTheDraftCancelDropsIt) {
  for (const char* how : {"ok", "cancel", "ok, tag.ini unwritable"}) {
    SessionHome home;
    Session& session = *home.session;
    const std::string stored = Stored(home);
    const TrimTagList trim = session.TrimList();
    const bool unwritable = std::string_view(how).ends_with("unwritable");
    {
      OptionsModel model(session);
      std::string message;
      model.Open(&message);
      Edit(model);
      if (unwritable) {  // cannot be read or replaced
        fs::remove(home / "styles/_default/tag.ini");
        fs::create_directory(home / "styles/_default/tag.ini");
      }
      if (std::string_view(how).starts_with("ok")) {
        EXPECT_EQ(model.Commit(&message), !unwritable) << how;
        EXPECT_EQ(message.starts_with("The style could not be saved to \"" +
                                      (home / "styles/_default/tag.ini").string() + "\":\r\n"),
                  unwritable);
      }
    }
    const bool committed = std::string_view(how) == "ok";
    EXPECT_EQ(session.ActiveStyle().Options.LineSize, committed ? 120 : 100) << how;
    EXPECT_EQ(session.TrimList().front().Selected, committed != trim.front().Selected) << how;
    EXPECT_EQ(session.ActiveStyle().Options.DoIndentSpacesOnly, committed) << how;
    const LineEndSetting lineEnds = committed ? LineEndSetting::Keep : LineEndSetting::CrLf;
    EXPECT_EQ(session.Settings().LineEnds, lineEnds) << how;
    EXPECT_EQ(session.State().Conventions.LineEnds, lineEnds) << how;  // for the next run
    if (!unwritable) {
      EXPECT_EQ(Stored(home) != stored, committed) << how;
    }
  }
}

TEST(OptionsModelTest, SwitchingStyleSavesOnlyWhenAskedAndStaysOnAFailure) {
  const struct {
    const char* To;
    bool SaveFirst;
    bool Switched;
    int LineSizeStored;  // in _default's options.ini afterwards
  } cases[] = {
      {"html5", true, true, 120}, {"html5", false, true, 100}, {"gone", false, false, 100}};
  for (const auto& c : cases) {
    SessionHome home;
    OptionsModel model(*home.session);
    std::string message;
    model.Open(&message);
    model.Draft().Options.LineSize = 120;
    model.SetModified(true);
    EXPECT_EQ(model.SwitchStyle(c.To, c.SaveFirst, &message), c.Switched) << c.To;
    const std::string active = c.Switched ? c.To : "_default";
    EXPECT_EQ(home.session->ActiveStyle().Options.StyleName, active);
    EXPECT_EQ(model.Draft().Options.StyleName, active);
    EXPECT_EQ(model.Modified(), !c.Switched);
    EXPECT_EQ(home.session->Settings().StyleName, c.Switched ? c.To : "_default");
    EXPECT_NE(ReadFile(home / "styles/_default/options.ini")
                  .find("LineSize=" + std::to_string(c.LineSizeStored)),
              std::string::npos);
  }
}

TEST(OptionsModelTest, NewStylesAndTagsAreWrittenWithTheDraft) {
  SessionHome home;
  Session& session = *home.session;
  OptionsModel model(session);
  std::string message;
  model.Open(&message);
  model.Draft().Options.Spacing = 7;
  ASSERT_TRUE(model.SaveAsNewStyle("My_New_style", &message)) << message;
  EXPECT_NE(ReadFile(home / "styles/My_New_style/options.ini").find("Spacing=7"),
            std::string::npos);
  EXPECT_EQ(session.ActiveStylePath(), home / "styles/My_New_style");
  EXPECT_EQ(session.Settings().StyleName, "My_New_style");

  // A tag added writes the draft with it; one removed leaves the draft's other edits.
  ASSERT_TRUE(model.AddTag("<BLINK>", &message)) << message;
  const int added = model.Draft().Tags.TagCount;
  EXPECT_EQ(session.ActiveStyle().Tags.Entry(added).TagName, "<BLINK>");
  model.Draft().Options.LineSize = 90;
  ASSERT_TRUE(model.RemoveTag(added, &message)) << message;
  EXPECT_EQ(ReadFile(home / "styles/My_New_style/tag.ini").find("[<BLINK>]"), std::string::npos);
  EXPECT_EQ(session.ActiveStyle().Tags.TagCount, added - 1);
  EXPECT_EQ(model.Draft().Options.LineSize, 90);
  EXPECT_NE(session.ActiveStyle().Options.LineSize, 90);
}

TEST(OptionsModelTest, SamplePagesShowAsTextAndWithTheDraft) {
  SessionHome home;
  WriteFile(home / "preview/Latin.HTM", "<p>caf\xe9</p>\r\n<P>x</P>\r\n");
  WriteFile(home / "preview/notes.txt", "");
  const SamplePages pages = FindSamplePages(home.dir.path());
  EXPECT_EQ(pages.Dir, (home / "preview/").string());
  EXPECT_EQ(pages.Names,
            (std::vector<std::string>{"Latin.HTM", "sample_html4.htm", "sample_html5.htm"}));
  const std::string page = pages.Dir + "Latin.HTM";
  EXPECT_EQ(SampleText(page, nullptr), "<p>caf\xc3\xa9</p>\n<P>x</P>");
  Style style = home.session->ActiveStyle();
  style.Options.TagCase = 2;
  EXPECT_EQ(ProcessedSample(page, EngineMode::Compress, style, nullptr),
            "<p>caf\xc3\xa9</p><p>x</p>");
}

}  // namespace
}  // namespace tessel
