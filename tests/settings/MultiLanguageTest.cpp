#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "settings/MultiLanguage.h"
#include "support/TestSupport.h"

using testsupport::TempFolder;

namespace {
// Writes `text` as a.lng in `dir` and loads it.
void LoadText(TMultiLanguage& lang, const TempFolder& dir, const std::string& text) {
  dir.Write("a.lng", text);
  lang.LoadFromFile(dir.File("a.lng"));
}
}  // namespace

TEST(MultiLanguageTest, NoFile_EveryLookupGivesItsDefault) {
  TMultiLanguage lang;
  EXPECT_FALSE(lang.IsLoaded());
  EXPECT_EQ(lang.GetMsg("msg_optimizing", "Optimizing..."), "Optimizing...");
  EXPECT_EQ(lang.GetString("FrmOptions", "btnOk", "Ok"), "Ok");
  EXPECT_EQ(lang.GetAuthor(), "");
}

TEST(MultiLanguageTest, MissingFile_OpensNothing) {
  TempFolder dir;
  TMultiLanguage lang;
  lang.LoadFromFile(dir.File("English.lng"));
  lang.LoadFromFile(dir.File(".lng"));  // an empty Language setting
  lang.LoadFromFile(dir.Path());        // a folder is no file
  EXPECT_FALSE(lang.IsLoaded());
  EXPECT_EQ(lang.GetMsg("msg_language", "Language"), "Language");
}

TEST(MultiLanguageTest, ExistingEmptyValueWinsOverTheDefault) {
  TempFolder dir;
  dir.Write("Deutsch.lng", "[Language]\r\nActExit=\r\nActAbout=Info...\r\n");
  TMultiLanguage lang;
  lang.LoadFromFile(dir.File("Deutsch.lng"));
  EXPECT_EQ(lang.GetMsg("ActExit", "Exit"), "");
  EXPECT_EQ(lang.GetMsg("ActAbout", "About..."), "Info...");
  EXPECT_EQ(lang.GetMsg("ActOptions", "Options..."), "Options...");
}

TEST(MultiLanguageTest, OnlyTheKeysPresentChange) {
  TempFolder dir;
  dir.Write("x.lng", "[FrmOptions]\r\nbtnOk=Gut\r\n[Language]\r\nbtnCancel=wrong section\r\n");
  TMultiLanguage lang;
  lang.LoadFromFile(dir.File("x.lng"));
  EXPECT_EQ(lang.GetString("FrmOptions", "btnOk", "Ok"), "Gut");
  EXPECT_EQ(lang.GetString("FrmOptions", "btnCancel", "Cancel"), "Cancel");
  EXPECT_EQ(lang.GetString("FrmOptions", "tab_colors", "Colors"), "Colors");
  EXPECT_EQ(lang.GetString("FrmMemtide", "btnOk", "current text"), "current text");
}

TEST(MultiLanguageTest, SectionAndKeyMatchWithoutCase) {
  TempFolder dir;
  dir.Write("x.lng", "[language]\r\nMSG_OPTIMIZING=Optimiere...\r\n[about]\r\nauthor=Jan\r\n");
  TMultiLanguage lang;
  lang.LoadFromFile(dir.File("x.lng"));
  EXPECT_EQ(lang.GetMsg("msg_optimizing", "Optimizing..."), "Optimiere...");
  EXPECT_EQ(lang.GetAuthor(), "Jan");
}

TEST(MultiLanguageTest, ValuesAreUsedAsTheyStand) {
  TempFolder dir;
  dir.Write("x.lng", "[Language]\r\nmsg_ramfree=%s frei [%s] / %s\\n%d\r\n");
  TMultiLanguage lang;
  lang.LoadFromFile(dir.File("x.lng"));
  EXPECT_EQ(lang.GetMsg("msg_ramfree", "%s Free [%s] / %s"), "%s frei [%s] / %s\\n%d");
}

TEST(MultiLanguageTest, LoadingAMissingFileKeepsTheValidOne) {
  TempFolder dir;
  dir.Write("a.lng", "[About]\r\nAuthor=A\r\n");
  dir.Write("b.lng", "[About]\r\nAuthor=B\r\n");
  TMultiLanguage lang;
  lang.LoadFromFile(dir.File("a.lng"));
  lang.LoadFromFile(dir.File("missing.lng"));
  EXPECT_EQ(lang.GetAuthor(), "A");
  EXPECT_EQ(lang.FileName(), dir.File("a.lng"));
  lang.LoadFromFile(dir.File("b.lng"));
  EXPECT_EQ(lang.GetAuthor(), "B");
}

TEST(MultiLanguageTest, EachLookupReadsTheFileAnew) {
  TempFolder dir;
  dir.Write("a.lng", "[About]\r\nAuthor=First\r\n");
  TMultiLanguage lang;
  lang.LoadFromFile(dir.File("a.lng"));
  EXPECT_EQ(lang.GetAuthor(), "First");
  dir.Write("a.lng", "[About]\r\nAuthor=Second\r\n");
  EXPECT_EQ(lang.GetAuthor(), "Second");
}

// Lookups are kept while the file is unchanged: a file that another program holds open
// for a moment (an editor saving it) still answers as it did.
TEST(MultiLanguageTest, UnchangedFileAnswersWithoutBeingReadAgain) {
  TempFolder dir;
  TMultiLanguage lang;
  LoadText(lang, dir, "[Language]\r\nmsg_ramfree=%s frei\r\n");
  EXPECT_EQ(lang.GetMsg("msg_ramfree", "x"), "%s frei");
  EXPECT_EQ(lang.GetMsg("msg_missing", "fallback"), "fallback");
  HANDLE locked = CreateFileA(dir.File("a.lng").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  EXPECT_EQ(lang.GetMsg("msg_ramfree", "x"), "%s frei");
  EXPECT_EQ(lang.GetMsg("msg_missing", "other"), "other");  // a missing key keeps its default
  CloseHandle(locked);
}

TEST(MultiLanguageTest, AnswerOfAFileThatCouldNotBeReadIsNotKept) {
  TempFolder dir;
  TMultiLanguage lang;
  LoadText(lang, dir, "[Language]\r\nmsg_ramfree=%s frei\r\n");
  HANDLE locked = CreateFileA(dir.File("a.lng").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  EXPECT_EQ(lang.GetMsg("msg_ramfree", "x"), "x");  // unreadable: the default, for now
  CloseHandle(locked);
  EXPECT_EQ(lang.GetMsg("msg_ramfree", "x"), "%s frei");
}

TEST(MultiLanguageTest, ChangeOfTheSameSizeIsSeenByItsWriteTime) {
  TempFolder dir;
  TMultiLanguage lang;
  LoadText(lang, dir, "[About]\r\nAuthor=Anna\r\n");
  EXPECT_EQ(lang.GetAuthor(), "Anna");
  WIN32_FILE_ATTRIBUTE_DATA before{};
  ASSERT_TRUE(GetFileAttributesExA(dir.File("a.lng").c_str(), GetFileExInfoStandard, &before));
  dir.Write("a.lng", "[About]\r\nAuthor=Bert\r\n");
  // Some file systems keep write times coarsely: make sure the time differs.
  HANDLE file = CreateFileA(dir.File("a.lng").c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ULARGE_INTEGER t{};
  t.LowPart = before.ftLastWriteTime.dwLowDateTime;
  t.HighPart = before.ftLastWriteTime.dwHighDateTime;
  t.QuadPart += 20'000'000;  // two seconds later
  FILETIME later{t.LowPart, t.HighPart};
  ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &later));
  CloseHandle(file);
  EXPECT_EQ(lang.GetAuthor(), "Bert");
}

TEST(MultiLanguageTest, FileRemovedAfterLoadingGivesDefaultsAndComesBack) {
  TempFolder dir;
  TMultiLanguage lang;
  LoadText(lang, dir, "[About]\r\nAuthor=Anna\r\n");
  EXPECT_EQ(lang.GetAuthor(), "Anna");
  ASSERT_TRUE(DeleteFileA(dir.File("a.lng").c_str()));
  EXPECT_EQ(lang.GetAuthor(), "");
  dir.Write("a.lng", "[About]\r\nAuthor=Carl\r\n");
  EXPECT_EQ(lang.GetAuthor(), "Carl");
}

TEST(MultiLanguageTest, ValueCutAt2047Characters) {
  TempFolder dir;
  dir.Write("x.lng", "[Language]\r\nlong=" + std::string(3000, 'v') + "\r\n");
  TMultiLanguage lang;
  lang.LoadFromFile(dir.File("x.lng"));
  EXPECT_EQ(lang.GetMsg("long", "d"), std::string(2047, 'v'));
}

TEST(MultiLanguageTest, KeysBeyondTheKeyListBufferAreNotFound) {
  TempFolder dir;
  // 700 names of 29 characters plus terminator: 21000 bytes, past the 16384 of the list.
  std::string text = "[Language]\r\n";
  for (int i = 0; i < 700; ++i) {
    char name[40];
    snprintf(name, sizeof name, "key_%025d", i);
    text += std::string(name) + "=v\r\n";
  }
  text += "late_key=found\r\n";
  dir.Write("x.lng", text);
  TMultiLanguage lang;
  lang.LoadFromFile(dir.File("x.lng"));
  EXPECT_EQ(lang.GetMsg("key_0000000000000000000000000", "d"), "v");
  EXPECT_EQ(lang.GetMsg("late_key", "default"), "default");
}

TEST(KeyListContainsTest, WalksTheDoubleTerminatedList) {
  const char list[] = "alpha\0Beta\0\0";
  EXPECT_TRUE(KeyListContains(list, sizeof list - 1, "alpha"));
  EXPECT_TRUE(KeyListContains(list, sizeof list - 1, "BETA"));
  EXPECT_FALSE(KeyListContains(list, sizeof list - 1, "alph"));
  EXPECT_FALSE(KeyListContains(list, sizeof list - 1, "alphabet"));
  EXPECT_FALSE(KeyListContains(list, sizeof list - 1, ""));
  EXPECT_FALSE(KeyListContains(list, 0, "alpha"));
  // A size that ends inside a name stops there.
  EXPECT_FALSE(KeyListContains(list, 3, "alpha"));
}
