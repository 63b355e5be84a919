// Lists the files of one folder, classifies them by wildcard masks and drops the rest.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "util/QvFileService.h"

constexpr std::uint16_t FileTypeUnclassified = 999;

struct TFileSearchTypeObj {
  std::uint16_t TypeNumber = 0;
  std::string Masks;  // ";"-separated wildcard masks, e.g. "*.lng;*.txt"
  bool Mark = false;
};

class TFileSearchTypeListObj {
 public:
  TFileSearchTypeListObj() = default;
  TFileSearchTypeListObj(const TFileSearchTypeListObj&) = delete;
  TFileSearchTypeListObj& operator=(const TFileSearchTypeListObj&) = delete;

  TFileSearchTypeObj* AddType();
  int Count() const { return static_cast<int>(types_.size()); }
  TFileSearchTypeObj* Items(int index) const;  // nullptr outside 0..Count-1
  void Clear() { types_.clear(); }
  int MaskCount() const;

 private:
  std::vector<std::unique_ptr<TFileSearchTypeObj>> types_;
};

struct TFileObj {
  std::string FullName;  // folder with trailing backslash + Name
  std::string Name;
  std::uint64_t Size = 0;
  std::uint16_t FileType = FileTypeUnclassified;
  TDateTime CreationTime = 0;  // local time
  TDateTime LastAccessTime = 0;
  TDateTime LastWriteTime = 0;
  DWORD Attributes = 0;
  bool Mark = false;
};

class TFileSearcher {
 public:
  TFileSearcher();
  TFileSearcher(const TFileSearcher&) = delete;
  TFileSearcher& operator=(const TFileSearcher&) = delete;

  // Lists the files of `folder` (not its sub-folders, which only raise OnFolder).
  void Search(const std::string& folder, bool clearFirst);
  // Gives each unclassified file the first type, and within it the first mask, matching
  // its name. A null list does nothing.
  void Classify(const TFileSearchTypeListObj* types);
  void RemoveUnclassified();

  int Count() const { return static_cast<int>(files_.size()); }
  TFileObj* Items(int index) const;  // nullptr outside 0..Count-1
  void Delete(int index);            // out of range: nothing
  void Clear() { files_.clear(); }

  bool Cancelled = false;
  std::int64_t DoneBytes = 0;
  std::int64_t TotalBytes = 1;

  std::function<void(const std::string& folder, std::int64_t done, std::int64_t total)> OnFolder;
  std::function<void(TFileObj& file)> OnFileFound;
  std::function<void(const TFileSearchTypeObj* type, int current, int total)> OnClassifyProgress;
  // Run after each record Classify and RemoveUnclassified visit; by default pumps the
  // thread's pending window messages (keeping a WM_QUIT for the real loop).
  std::function<void()> ProcessMessages;

 private:
  std::vector<std::unique_ptr<TFileObj>> files_;
};

// The masks of a ";"-separated list: pieces trimmed of blanks and control characters,
// empty pieces dropped.
std::vector<std::string> SplitMasks(std::string_view masks);

// Whole-name wildcard match, letters a-z compared without case: "*" any run (also
// none), "?" exactly one character. Exact for every mask, "*?" sequences included.
bool MatchesMask(std::string_view mask, std::string_view name);

// Pumps pending messages of the calling thread; a WM_QUIT found is posted again.
void ProcessPendingMessages();
