// Malformed language files (the shared corpus), loaded by the language object and used by the
// real monitor window: its captions and its free-memory line, whose format comes from the
// file. No input may crash, show a message or reach a printf-style function.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/MainFormTexts.h"
#include "monitor/MemtideFrm.h"
#include "settings/MultiLanguage.h"
#include "support/BadInputCorpus.h"
#include "support/TestSupport.h"
#include "ui/Application.h"
#include "util/QvBaseUnit.h"

using badinput::Repeat;
using testsupport::TempFolder;

namespace {

class BadLanguageInput : public testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxFunction([this](HWND, const std::string& text, const std::string&, UINT) {
      messages_.push_back(text);
      return IDOK;
    });
    Application()->OnException = [this](const std::string& m) { messages_.push_back(m); };
  }
  void TearDown() override {
    Application()->OnException = nullptr;
    SetMessageBoxFunction(nullptr);
  }
  std::vector<std::string> messages_;
};

TEST_F(BadLanguageInput, CorpusThroughTheLanguageObjectAndTheMonitorWindow) {
  const auto corpus = badinput::LngCorpus();
  ASSERT_GE(corpus.size(), 16u);
  TMultiLanguage language;
  TMonitorHost host;
  host.Language = &language;
  auto monitor = std::make_unique<TFrmMemtide>(nullptr, host);
  monitor->Timer1Timer(nullptr);
  const std::string builtInLine = monitor->RamValueText();
  ASSERT_NE(std::string::npos, builtInLine.find(" Free ["));

  for (const auto& c : corpus) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    folder.Write("Bad.lng", c.content);
    language.LoadFromFile(folder.File("Bad.lng"));
    ASSERT_EQ(folder.File("Bad.lng"), language.FileName());

    // Lookups of absent keys answer their defaults; present ones at most 2047 characters.
    EXPECT_EQ("dflt", language.GetMsg("msg_absent_key", "dflt"));
    EXPECT_EQ("dflt", language.GetString("NoSuchSection", "lbl_cpu", "dflt"));
    EXPECT_LE(language.GetMsg("msg_ramfree", "").size(), 2047u);
    EXPECT_LE(language.GetAuthor().size(), 2047u);

    monitor->ApplyLanguage(&language);
    monitor->Timer1Timer(nullptr);
    Application()->ProcessMessages();
    const std::string line = monitor->RamValueText();
    if (!c.expectedRamLine.empty()) {
      EXPECT_EQ(c.expectedRamLine, line);
    }

    AboutFacts facts;
    facts.LanguageLabel = language.GetMsg("msg_language", "Language");
    facts.AuthorLabel = language.GetMsg("msg_languageauthor", "Author");
    facts.Author = language.GetAuthor();
    EXPECT_FALSE(BuildAboutText(facts).empty());
    EXPECT_TRUE(messages_.empty()) << messages_.front();
    messages_.clear();
  }
  monitor.reset();
}

TEST_F(BadLanguageInput, SurplusPlaceholdersBecomeEmptyAndNothingElseIsConsumed) {
  TempFolder folder;
  folder.Write("P.lng", "[Language]\r\nmsg_ramfree=%s|%s|%s|%s|%d%s\r\n");
  TMultiLanguage language;
  language.LoadFromFile(folder.File("P.lng"));
  TMonitorHost host;
  host.Language = &language;
  TFrmMemtide monitor(nullptr, host);
  monitor.Timer1Timer(nullptr);
  const std::string line = monitor.RamValueText();
  // free|percent|total| then an empty fourth value, "%d" kept, an empty fifth.
  ASSERT_GE(line.size(), 6u);
  EXPECT_EQ("||%d", line.substr(line.size() - 4));
  EXPECT_EQ(4, std::count(line.begin(), line.end(), '|'));
  EXPECT_NE(std::string::npos, line.find("%|"));  // the percent value, second
}

TEST_F(BadLanguageInput, MissingFileKeepsTheBuiltInTexts) {
  TMultiLanguage language;
  language.LoadFromFile("Z:\\no\\such\\folder\\" + Repeat('n', 300) + ".lng");
  EXPECT_FALSE(language.IsLoaded());
  EXPECT_EQ("Optimizing...", language.GetMsg("msg_optimizing", "Optimizing..."));
  EXPECT_TRUE(messages_.empty());
}

}  // namespace
