#include "util/FileSearcher.h"

#include "util/QvFileService.h"
#include "util/ScopedHandles.h"

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::vector<std::string> SplitMasks(std::string_view masks) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= masks.size()) {
    std::size_t end = masks.find(';', start);
    if (end == std::string_view::npos) end = masks.size();
    std::string_view piece = masks.substr(start, end - start);
    while (!piece.empty() && IsTrimmed(piece.front())) piece.remove_prefix(1);
    while (!piece.empty() && IsTrimmed(piece.back())) piece.remove_suffix(1);
    if (!piece.empty()) out.emplace_back(piece);
    start = end + 1;
  }
  return out;
}

bool MatchesMask(std::string_view mask, std::string_view name) {
  // Greedy scan with one resume point: on a mismatch after a "*", let that star take one
  // more character and retry. Trying every extension of the latest star is complete.
  std::size_t m = 0, n = 0;
  std::size_t starM = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starM = ++m;
      starN = n;
    } else if (m < mask.size() && (mask[m] == '?' || Upper(mask[m]) == Upper(name[n]))) {
      ++m;
      ++n;
    } else if (starM != std::string_view::npos) {
      m = starM;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

void ProcessPendingMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

TFileSearchTypeObj* TFileSearchTypeListObj::AddType() {
  types_.push_back(std::make_unique<TFileSearchTypeObj>());
  return types_.back().get();
}

TFileSearchTypeObj* TFileSearchTypeListObj::Items(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return types_[static_cast<std::size_t>(index)].get();
}

int TFileSearchTypeListObj::MaskCount() const {
  int total = 0;
  for (const auto& t : types_) total += static_cast<int>(SplitMasks(t->Masks).size());
  return total;
}

TFileSearcher::TFileSearcher() : ProcessMessages(ProcessPendingMessages) {}

TFileObj* TFileSearcher::Items(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return files_[static_cast<std::size_t>(index)].get();
}

void TFileSearcher::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  files_.erase(files_.begin() + index);
}

void TFileSearcher::Search(const std::string& folder, bool clearFirst) {
  Cancelled = false;
  ULARGE_INTEGER total = {}, totalFree = {};
  if (GetDiskFreeSpaceExA(folder.c_str(), nullptr, &total, &totalFree))
    TotalBytes = static_cast<std::int64_t>(total.QuadPart - totalFree.QuadPart);
  else
    TotalBytes = 1;
  DoneBytes = 0;
  if (clearFirst) Clear();

  const std::string base = WithTrailingBackslash(folder);
  WIN32_FIND_DATAA fd = {};
  UniqueFindHandle find(FindFirstFileA((base + "*.*").c_str(), &fd));
  if (find) {
    do {
      const std::string name = fd.cFileName;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (name != "." && name != ".." && OnFolder) OnFolder(base + name, DoneBytes, TotalBytes);
        continue;
      }
      auto file = std::make_unique<TFileObj>();
      file->FullName = base + name;
      file->Name = name;
      file->Size = (static_cast<std::uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
      file->Attributes = fd.dwFileAttributes;
      file->CreationTime = FileTimeToLocalDateTime(fd.ftCreationTime);
      file->LastAccessTime = FileTimeToLocalDateTime(fd.ftLastAccessTime);
      file->LastWriteTime = FileTimeToLocalDateTime(fd.ftLastWriteTime);
      DoneBytes += static_cast<std::int64_t>(file->Size);
      files_.push_back(std::move(file));
      if (OnFileFound) OnFileFound(*files_.back());
    } while (!Cancelled && FindNextFileA(find.get(), &fd));
  }
  if (TotalBytes == 0) TotalBytes = 1;
  if (OnFolder) OnFolder(std::string(), TotalBytes, TotalBytes);
}

void TFileSearcher::Classify(const TFileSearchTypeListObj* types) {
  if (!types) return;
  int total = types->MaskCount();
  int current = 0;
  for (int t = 0; t < types->Count(); ++t) {
    const TFileSearchTypeObj* type = types->Items(t);
    for (const std::string& mask : SplitMasks(type->Masks)) {
      for (int i = Count() - 1; i >= 0; --i) {
        TFileObj* file = Items(i);
        // A handler may have shrunk the list meanwhile.
        if (!file) continue;
        if (file->FileType == FileTypeUnclassified && MatchesMask(mask, file->Name)) {
          file->FileType = type->TypeNumber;
          file->Mark = type->Mark;
        }
        if (ProcessMessages) ProcessMessages();
      }
      ++current;
      if (OnClassifyProgress) OnClassifyProgress(type, current, total);
    }
  }
  if (total == 0) total = 1;
  if (OnClassifyProgress) OnClassifyProgress(nullptr, total, total);
}

void TFileSearcher::RemoveUnclassified() {
  for (int i = Count() - 1; i >= 0; --i) {
    if (i < Count() && files_[static_cast<std::size_t>(i)]->FileType == FileTypeUnclassified)
      files_.erase(files_.begin() + i);
    if (ProcessMessages) ProcessMessages();
  }
}
