// Checks the language files shipped beside the program: each translation answers every
// key of the English template, and every text the program uses as a format keeps the
// template's placeholders in the same order.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

using Section = std::map<std::string, std::string>;  // lower-cased key -> value
using LanguageFile = std::map<std::string, Section>;   // lower-cased section -> keys

std::string Lower(std::string s) {
  if (!s.empty()) CharLowerBuffA(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

std::vector<std::string> SplitNulList(const std::vector<char>& buf, DWORD n) {
  std::vector<std::string> out;
  for (DWORD i = 0; i < n;) {
    std::string item(&buf[i]);
    if (item.empty()) break;
    out.push_back(item);
    i += static_cast<DWORD>(item.size()) + 1;
  }
  return out;
}

// Read through the same profile functions the program uses.
LanguageFile Load(const std::string& path) {
  LanguageFile file;
  std::vector<char> names(65536);
  DWORD n = GetPrivateProfileSectionNamesA(names.data(), static_cast<DWORD>(names.size()), path.c_str());
  for (const auto& section : SplitNulList(names, n)) {
    std::vector<char> keys(65536);
    DWORD k = GetPrivateProfileStringA(section.c_str(), nullptr, "", keys.data(),
                                       static_cast<DWORD>(keys.size()), path.c_str());
    for (const auto& key : SplitNulList(keys, k)) {
      char value[2048] = {};
      GetPrivateProfileStringA(section.c_str(), key.c_str(), "", value, sizeof value, path.c_str());
      file[Lower(section)][Lower(key)] = value;
    }
  }
  return file;
}

// The printf-like placeholders of a text, in order ("%s", "%d", ...); "%%" is not one.
std::vector<std::string> Placeholders(const std::string& text) {
  std::vector<std::string> out;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '%') continue;
    char next = text[i + 1];
    if (next == '%') { ++i; continue; }
    if (isalpha(static_cast<unsigned char>(next))) out.push_back(text.substr(i, 2));
  }
  return out;
}

std::vector<std::string> ShippedTranslations() {
  std::vector<std::string> files;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((testsupport::ExeFolder() + "*.lng").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return files;
  do {
    if (Lower(fd.cFileName) != "english.lng") files.push_back(fd.cFileName);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return files;
}

const char* const kFormatKeys[] = {"msg_ramfree", "msg_languageexists", "msg_hotkeyinuse"};

}  // namespace

TEST(LanguageFiles, EnglishTemplateHoldsEverySectionAndTheFormats) {
  LanguageFile english = Load(testsupport::ExeFolder() + "English.lng");
  for (const char* section : {"about", "language", "frmoptions", "frmmemtide"}) {
    EXPECT_TRUE(english.count(section)) << section;
  }
  EXPECT_EQ(Placeholders(english["language"]["msg_ramfree"]),
            (std::vector<std::string>{"%s", "%s", "%s"}));
  EXPECT_EQ(Placeholders(english["language"]["msg_languageexists"]),
            (std::vector<std::string>{"%s"}));
  EXPECT_EQ(Placeholders(english["language"]["msg_hotkeyinuse"]),
            (std::vector<std::string>{"%s"}));
  // Labels the program fills in itself must not be blanked by the template.
  EXPECT_FALSE(english["frmmemtide"].count("lbl_ramplus"));
  EXPECT_FALSE(english["frmmemtide"].count("lbl_cpuvalue"));
}

TEST(LanguageFiles, AtLeastThreeTranslationsShip) {
  EXPECT_GE(ShippedTranslations().size(), 3u);
}

TEST(LanguageFiles, EveryTranslationHasEveryKeyAndKeepsPlaceholdersInOrder) {
  LanguageFile english = Load(testsupport::ExeFolder() + "English.lng");
  ASSERT_FALSE(english.empty());
  for (const auto& name : ShippedTranslations()) {
    SCOPED_TRACE(name);
    LanguageFile tr = Load(testsupport::ExeFolder() + name);
    for (const auto& [section, keys] : english) {
      for (const auto& [key, value] : keys) {
        ASSERT_TRUE(tr[section].count(key)) << "[" << section << "] " << key;
        if (key == "author") {
          EXPECT_FALSE(tr[section][key].empty()) << "a translation names its translator";
          continue;
        }
        if (!value.empty()) {
          EXPECT_FALSE(tr[section][key].empty()) << key;
        }
      }
    }
    for (const char* key : kFormatKeys) {
      EXPECT_EQ(Placeholders(tr["language"][key]), Placeholders(english["language"][key])) << key;
    }
    // No stray placeholder in texts that are shown as they stand.
    for (const auto& [section, keys] : tr) {
      for (const auto& [key, value] : keys) {
        if (std::find(std::begin(kFormatKeys), std::end(kFormatKeys), key) !=
            std::end(kFormatKeys))
          continue;
        EXPECT_EQ(Placeholders(value), Placeholders(english[section][key])) << key;
      }
    }
  }
}
