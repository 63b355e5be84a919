// Text lookups in a language file (INI format), each falling back to a default.
#pragma once
#include <cstddef>
#include <string>

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
  std::string fileName_;
};

// True when `key` is one of the names of a double-NUL-terminated key list (as the
// profile functions return it), compared without regard to case.
bool KeyListContains(const char* list, std::size_t size, const std::string& key);
