// Texts and rules of the tray controller that need no window: the About box, the web
// addresses of the maker and the balloon condition.
#pragma once
#include <string>

#include "util/MakerSite.h"

std::string HomePageUrl();
std::string UpdatePageUrl();

inline constexpr char kCopyrightLine[] = "Copyright (C) 2026 Quorix. All rights reserved.";

struct AboutFacts {
  std::string Version;
  bool Portable = false;
  std::string LanguageLabel;  // "Language", or the language file's wording
  std::string LanguageName;   // the Language setting
  std::string AuthorLabel;    // "Author", or the language file's wording
  std::string Author;         // the language file's translator; empty without a file
};

std::string BuildAboutText(const AboutFacts& facts);

// Balloons are for a user who cannot see the monitor window.
bool ShouldShowOptimizeBalloon(bool monitorExists, int monitorShownMark, bool showMessageSetting);
