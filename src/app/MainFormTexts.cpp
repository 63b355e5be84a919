#include "app/MainFormTexts.h"

std::string HomePageUrl() { return std::string(kMakerHost) + "/"; }

std::string UpdatePageUrl() { return std::string(kMakerHost) + "/memtideupdate"; }

std::string BuildAboutText(const AboutFacts& facts) {
  const std::string crlf = "\r\n";
  std::string text = "Memtide " + facts.Version;
  if (facts.Portable) text += " Portable";
  text += crlf + crlf;
  text += kCopyrightLine + crlf + crlf;
  text += facts.LanguageLabel + ": " + facts.LanguageName + crlf;
  text += facts.AuthorLabel + ": " + facts.Author;
  return text;
}

bool ShouldShowOptimizeBalloon(bool monitorExists, int monitorShownMark, bool showMessageSetting) {
  if (!showMessageSetting) return false;
  return !monitorExists || monitorShownMark == 0;
}
