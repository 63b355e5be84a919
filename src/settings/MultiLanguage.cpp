#include "settings/MultiLanguage.h"

#include <windows.h>

#include <vector>

#include "util/QvFileService.h"

namespace {

constexpr DWORD KeyListBytes = 16384;
constexpr DWORD ValueChars = 2048;

}  // namespace

bool KeyListContains(const char* list, std::size_t size, const std::string& key) {
  std::size_t i = 0;
  while (i < size && list[i] != '\0') {
    std::size_t end = i;
    while (end < size && list[end] != '\0') ++end;
    if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, list + i,
                       static_cast<int>(end - i), key.c_str(),
                       static_cast<int>(key.size())) == CSTR_EQUAL)
      return true;
    i = end + 1;
  }
  return false;
}

void TMultiLanguage::LoadFromFile(const std::string& path) {
  if (IsExistingFile(path)) fileName_ = path;
}

std::string TMultiLanguage::GetString(const std::string& section, const std::string& key,
                                      const std::string& defaultText) const {
  if (fileName_.empty()) return defaultText;
  // The key list tells an existing empty value apart from a missing key.
  std::vector<char> keys(KeyListBytes, '\0');
  DWORD n = GetPrivateProfileStringA(section.c_str(), nullptr, "", keys.data(), KeyListBytes,
                                     fileName_.c_str());
  if (!KeyListContains(keys.data(), n, key)) return defaultText;
  std::vector<char> value(ValueChars, '\0');
  DWORD len = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultText.c_str(),
                                       value.data(), ValueChars, fileName_.c_str());
  return std::string(value.data(), len);
}

std::string TMultiLanguage::GetMsg(const std::string& key, const std::string& defaultText) const {
  return GetString("Language", key, defaultText);
}

std::string TMultiLanguage::GetAuthor() const { return GetString("About", "Author", ""); }
