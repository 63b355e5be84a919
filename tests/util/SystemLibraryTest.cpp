#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>

#include "util/SystemLibrary.h"

TEST(SystemLibrary, FindsAFunctionOfASystemLibraryOnFirstUse) {
  TSystemLibrary library("comdlg32.dll");
  EXPECT_FALSE(library.Loaded());  // nothing happens before the first use
  EXPECT_NE(library.Function<decltype(ChooseColorA)>("ChooseColorA"), nullptr);
  EXPECT_TRUE(library.Loaded());
  EXPECT_EQ(library.Function<void()>("NoSuchExportOfComdlg32"), nullptr);
  EXPECT_NE(CommonControlsLibrary().Function<void()>("InitCommonControlsEx"), nullptr);
}

TEST(SystemLibrary, MissingLibraryGivesNullEveryTime) {
  TSystemLibrary library("memtide-no-such-library.dll");
  EXPECT_EQ(library.Function<void()>("Anything"), nullptr);
  EXPECT_EQ(library.Function<void()>("Anything"), nullptr);
  EXPECT_FALSE(library.Loaded());
}
