// Move-only owners for Windows handles: one template, one alias per handle kind.
// Feature code never calls CloseHandle, RegCloseKey, DeleteObject and friends itself.
#pragma once
#include <windows.h>

#include <cstddef>
#include <utility>

template <class T, class Traits>
class UniqueOwner {
 public:
  UniqueOwner() = default;
  explicit UniqueOwner(T value) : value_(value) {}
  ~UniqueOwner() { reset(); }
  UniqueOwner(const UniqueOwner&) = delete;
  UniqueOwner& operator=(const UniqueOwner&) = delete;
  UniqueOwner(UniqueOwner&& other) noexcept : value_(other.release()) {}
  UniqueOwner& operator=(UniqueOwner&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  T get() const { return value_; }
  explicit operator bool() const { return Traits::IsValid(value_); }
  // For out-parameters of creating calls; frees what was held first.
  T* put() {
    reset();
    return &value_;
  }
  T release() { return std::exchange(value_, Traits::Invalid()); }
  void reset(T value = Traits::Invalid()) {
    if (Traits::IsValid(value_)) Traits::Close(value_);
    value_ = value;
  }

 private:
  T value_ = Traits::Invalid();
};

namespace handle_traits {
struct Kernel {  // handles whose "none" is NULL (processes, threads, tokens, mutexes, events)
  static HANDLE Invalid() { return nullptr; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct File {  // handles whose "none" is INVALID_HANDLE_VALUE (files, snapshots)
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct FindFile {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { FindClose(h); }
};
struct RegKey {
  static HKEY Invalid() { return nullptr; }
  static bool IsValid(HKEY h) { return h != nullptr; }
  static void Close(HKEY h) { RegCloseKey(h); }
};
template <class H>
struct GdiObject {
  static H Invalid() { return nullptr; }
  static bool IsValid(H h) { return h != nullptr; }
  static void Close(H h) { DeleteObject(h); }
};
struct Menu {
  static HMENU Invalid() { return nullptr; }
  static bool IsValid(HMENU h) { return h != nullptr; }
  static void Close(HMENU h) { DestroyMenu(h); }
};
struct Icon {
  static HICON Invalid() { return nullptr; }
  static bool IsValid(HICON h) { return h != nullptr; }
  static void Close(HICON h) { DestroyIcon(h); }
};
struct MemDC {
  static HDC Invalid() { return nullptr; }
  static bool IsValid(HDC h) { return h != nullptr; }
  static void Close(HDC h) { DeleteDC(h); }
};
struct Module {
  static HMODULE Invalid() { return nullptr; }
  static bool IsValid(HMODULE h) { return h != nullptr; }
  static void Close(HMODULE h) { FreeLibrary(h); }
};
struct Pages {  // a VirtualAlloc'd region, released whole
  static void* Invalid() { return nullptr; }
  static bool IsValid(void* p) { return p != nullptr; }
  static void Close(void* p) { VirtualFree(p, 0, MEM_RELEASE); }
};
}  // namespace handle_traits

using UniqueHandle = UniqueOwner<HANDLE, handle_traits::Kernel>;
using UniqueFileHandle = UniqueOwner<HANDLE, handle_traits::File>;
using UniqueFindHandle = UniqueOwner<HANDLE, handle_traits::FindFile>;
using UniqueHKey = UniqueOwner<HKEY, handle_traits::RegKey>;
using UniqueHBitmap = UniqueOwner<HBITMAP, handle_traits::GdiObject<HBITMAP>>;
using UniqueHBrush = UniqueOwner<HBRUSH, handle_traits::GdiObject<HBRUSH>>;
using UniqueHFont = UniqueOwner<HFONT, handle_traits::GdiObject<HFONT>>;
using UniqueHRgn = UniqueOwner<HRGN, handle_traits::GdiObject<HRGN>>;
using UniqueHMenu = UniqueOwner<HMENU, handle_traits::Menu>;
using UniqueHIcon = UniqueOwner<HICON, handle_traits::Icon>;
using UniqueMemDC = UniqueOwner<HDC, handle_traits::MemDC>;
using UniqueModule = UniqueOwner<HMODULE, handle_traits::Module>;
using UniquePages = UniqueOwner<void*, handle_traits::Pages>;

// `bytes` of zeroed read-write memory straight from the memory manager, or none. For large
// scratch buffers: freeing one gives every page back, where a heap keeps the space of a
// freed block committed while anything allocated after it lives.
inline UniquePages AllocatePages(std::size_t bytes) {
  return UniquePages(bytes ? VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)
                           : nullptr);
}

// A window DC from GetDC, released on scope exit.
class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND wnd) : wnd_(wnd), dc_(GetDC(wnd)) {}
  ~ScopedGetDC() {
    if (dc_) ReleaseDC(wnd_, dc_);
  }
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND wnd_;
  HDC dc_;
};

// An object selected into a DC, deselected on scope exit.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~ScopedSelect() {
    if (old_) SelectObject(dc_, old_);
  }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};
