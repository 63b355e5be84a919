#include <gtest/gtest.h>

#include "util/SafeFormat.h"

TEST(SafeFormatTest, FillsPlaceholdersInOrder) {
  EXPECT_EQ(SafeFormat("%s Free [%s] / %s", {"1.1 G", "28%", "4.0 G"}), "1.1 G Free [28%] / 4.0 G");
  EXPECT_EQ(SafeFormat("The %s is exists, overwrite?", {"Deutsch.lng"}),
            "The Deutsch.lng is exists, overwrite?");
  EXPECT_EQ(SafeFormat(std::string("%s-%s"), std::vector<std::string>{"a", "b"}), "a-b");
}

TEST(SafeFormatTest, ExtraPlaceholdersBecomeEmpty) {
  EXPECT_EQ(SafeFormat("%s/%s/%s/%s/%s", {"a", "b", "c"}), "a/b/c//");
  EXPECT_EQ(SafeFormat("[%s]", {}), "[]");
}

TEST(SafeFormatTest, UnusedArgumentsAreDropped) {
  EXPECT_EQ(SafeFormat("only %s", {"one", "two", "three"}), "only one");
  EXPECT_EQ(SafeFormat("none", {"x"}), "none");
}

TEST(SafeFormatTest, OtherPercentSequencesStayAsWritten) {
  EXPECT_EQ(SafeFormat("%d %x %n %p %S", {"a"}), "%d %x %n %p %S");
  EXPECT_EQ(SafeFormat("100%", {"a"}), "100%");
  EXPECT_EQ(SafeFormat("%", {}), "%");
  EXPECT_EQ(SafeFormat("%0:s %-10s", {"a"}), "%0:s %-10s");
}

TEST(SafeFormatTest, DoublePercentIsOnePercentSign) {
  EXPECT_EQ(SafeFormat("%s Free (%%)", {"1.0 G"}), "1.0 G Free (%)");
  EXPECT_EQ(SafeFormat("%%s", {"a"}), "%s");  // the sign, then a plain "s"
  EXPECT_EQ(SafeFormat("%%%s", {"a"}), "%a");
  EXPECT_EQ(SafeFormat("%%%", {}), "%%");
}

TEST(SafeFormatTest, ArgumentsAreNotFormatsThemselves) {
  EXPECT_EQ(SafeFormat("%s and %s", {"%s", "b"}), "%s and b");
  EXPECT_EQ(SafeFormat("%s", {"%n%n%n"}), "%n%n%n");
}

TEST(SafeFormatTest, LongArgumentsAndEmptyFormat) {
  const std::string big(100000, 'z');
  EXPECT_EQ(SafeFormat("<%s>", {big}).size(), big.size() + 2);
  EXPECT_EQ(SafeFormat("", {"a"}), "");
}
