#include "settings/MultiLanguage.h"

#include <windows.h>

#include <vector>

#include "util/AnsiText.h"
#include "util/QvFileService.h"
#include "util/ScopedHandles.h"

namespace {

constexpr DWORD KeyListBytes = 16384;
constexpr DWORD ValueChars = 2048;

}  // namespace

bool KeyListContains(const char* list, std::size_t size, const std::string& key) {
  std::size_t i = 0;
  while (i < size && list[i] != '\0') {
    std::size_t end = i;
    while (end < size && list[end] != '\0') ++end;
    if (SameTextIgnoringCase(std::string_view(list + i, end - i), key)) return true;
    i = end + 1;
  }
  return false;
}

void TMultiLanguage::LoadFromFile(const std::string& path) {
  if (!IsExistingFile(path)) return;
  fileName_ = path;
  found_.clear();
  foundStamp_.reset();
}

std::optional<TMultiLanguage::FileStamp> TMultiLanguage::CurrentStamp() const {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(fileName_.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return FileStamp{data.ftLastWriteTime.dwLowDateTime, data.ftLastWriteTime.dwHighDateTime,
                   data.nFileSizeLow, data.nFileSizeHigh};
}

std::optional<std::string> TMultiLanguage::ReadValue(const std::string& section,
                                                     const std::string& key) const {
  // The key list tells an existing empty value apart from a missing key.
  std::vector<char> keys(KeyListBytes, '\0');
  DWORD n = GetPrivateProfileStringA(section.c_str(), nullptr, "", keys.data(), KeyListBytes,
                                     fileName_.c_str());
  if (!KeyListContains(keys.data(), n, key)) return std::nullopt;
  std::vector<char> value(ValueChars, '\0');
  DWORD len = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", value.data(), ValueChars,
                                       fileName_.c_str());
  return std::string(value.data(), len);
}

std::string TMultiLanguage::GetString(const std::string& section, const std::string& key,
                                      const std::string& defaultText) const {
  if (fileName_.empty()) return defaultText;
  // The monitor asks for its memory line every second; each profile read opens and parses
  // the file again. Answers are kept for as long as the file is unchanged.
  const std::optional<FileStamp> stamp = CurrentStamp();
  if (!stamp || stamp != foundStamp_) {
    found_.clear();
    foundStamp_ = stamp;
  }
  const auto lookup = std::make_pair(section, key);
  auto known = found_.find(lookup);
  if (known == found_.end()) {
    // A profile read that cannot open the file (another program holds it unshared) looks
    // like a missing key; such an answer must not be kept. A handle of our own, sharing
    // everything, shows whether the file can be read and keeps it so while we read.
    UniqueFileHandle reading(CreateFileA(fileName_.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::optional<std::string> value = ReadValue(section, key);
    if (!stamp || !reading) return value.value_or(defaultText);
    known = found_.emplace(lookup, std::move(value)).first;
  }
  return known->second.value_or(defaultText);
}

std::string TMultiLanguage::GetMsg(const std::string& key, const std::string& defaultText) const {
  return GetString("Language", key, defaultText);
}

std::string TMultiLanguage::GetAuthor() const { return GetString("About", "Author", ""); }
