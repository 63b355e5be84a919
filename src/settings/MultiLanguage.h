// Text lookups in a language file (INI format), each falling back to a default. A changed
// file is read again at the next lookup.
#pragma once
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>

class TMultiLanguage {
 public:
  TMultiLanguage() = default;
  TMultiLanguage(const TMultiLanguage&) = delete;
  TMultiLanguage& operator=(const TMultiLanguage&) = delete;

  // Switches to `path` only when a file exists there; otherwise keeps the current one.
  void LoadFromFile(const std::string& path);
  // Value of `key` in section "Language", or `defaultText`.
  std::string GetMsg(const std::string& key, const std::string& defaultText) const;
  // Value of `key` in `section`; an existing empty value wins over `defaultText`.
  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& defaultText) const;
  // The translator's name ("Author" in section "About"), or empty text.
  std::string GetAuthor() const;

  bool IsLoaded() const { return !fileName_.empty(); }
  const std::string& FileName() const { return fileName_; }

 private:
  // What tells one version of the file from the next: its last write and its size.
  struct FileStamp {
    unsigned long writeLow = 0, writeHigh = 0, sizeLow = 0, sizeHigh = 0;
    bool operator==(const FileStamp&) const = default;
  };
  std::optional<FileStamp> CurrentStamp() const;
  // The value of `key` as the file holds it now, or nothing when the key is missing.
  std::optional<std::string> ReadValue(const std::string& section, const std::string& key) const;

  std::string fileName_;
  // Answers read from the file while it carried foundStamp_ (missing keys included).
  mutable std::map<std::pair<std::string, std::string>, std::optional<std::string>> found_;
  mutable std::optional<FileStamp> foundStamp_;
};

// True when `key` is one of the names of a double-NUL-terminated key list (as the
// profile functions return it), compared without regard to case.
bool KeyListContains(const char* list, std::size_t size, const std::string& key);
