#include <gtest/gtest.h>
#include <windows.h>

#include "util/AnsiText.h"

namespace {

// Ä and ä in the Western code page (1252), the system code page of the test machines.
constexpr char kUpperAUmlaut[] = "\xC4";
constexpr char kLowerAUmlaut[] = "\xE4";

TEST(SameTextAscii, FoldsOnlyTheLettersAToZ) {
  EXPECT_TRUE(SameTextAscii("LBL_Title", "lbl_title"));
  EXPECT_TRUE(SameTextAscii("-AutoOptimize", "-autooptimize"));
  EXPECT_FALSE(SameTextAscii("lbl_titl", "lbl_title"));
  EXPECT_FALSE(SameTextAscii("lbl_title", "lbl_titlf"));
  EXPECT_TRUE(SameTextAscii("", ""));
  EXPECT_FALSE(SameTextAscii("", "a"));
  // A letter outside A-Z is not folded, whatever the locale would make of it.
  EXPECT_FALSE(SameTextAscii(kUpperAUmlaut, kLowerAUmlaut));
  EXPECT_FALSE(SameTextAscii("[", "{"));  // 0x5B and 0x7B: no letters
}

TEST(SameTextIgnoringCase, FoldsAsTheSystemLocaleDoes) {
  EXPECT_TRUE(SameTextIgnoringCase("English", "ENGLISH"));
  EXPECT_FALSE(SameTextIgnoringCase("English", "Englis"));
  EXPECT_TRUE(SameTextIgnoringCase(L"NOTEPAD.EXE", L"notepad.exe"));
  EXPECT_FALSE(SameTextIgnoringCase(L"notepad.exe", L"notepad.ex"));
  // An empty side is answered without the system: equal only to another empty text.
  EXPECT_TRUE(SameTextIgnoringCase("", ""));
  EXPECT_FALSE(SameTextIgnoringCase("", "a"));
  EXPECT_FALSE(SameTextIgnoringCase(L"a", L""));
  if (GetACP() != 1252) GTEST_SKIP() << "code page " << GetACP() << " is not the Western one";
  EXPECT_TRUE(SameTextIgnoringCase(kUpperAUmlaut, kLowerAUmlaut));
}

TEST(AnsiToWide, ConvertsThroughTheSystemCodePageAndBack) {
  EXPECT_EQ(AnsiToWide(""), L"");
  EXPECT_EQ(WideToAnsi(L""), "");
  EXPECT_EQ(AnsiToWide("p1.png"), L"p1.png");
  EXPECT_EQ(WideToAnsi(L"C:\\Memtide\\p1.png"), "C:\\Memtide\\p1.png");
  if (GetACP() != 1252) GTEST_SKIP() << "code page " << GetACP() << " is not the Western one";
  EXPECT_EQ(AnsiToWide("Gr\xFC\xDF"), L"Gr\u00FC\u00DF");
  EXPECT_EQ(WideToAnsi(L"Gr\u00FC\u00DF"), "Gr\xFC\xDF");
}

}  // namespace
