#include "shell/WindowHook.h"

#include <algorithm>
#include <map>
#include <vector>

#include "ui/Application.h"

struct TWindowHook::Record {
  WNDPROC prev = nullptr;
  TWindowHook::Watcher watcher;  // empty for a pass-through link
};

namespace {

using Chain = std::vector<std::shared_ptr<TWindowHook::Record>>;  // install order

// Windows whose procedure we replaced, with our links in chain order. GUI thread only.
std::map<HWND, Chain>& Chains() {
  static std::map<HWND, Chain> chains;
  return chains;
}

// When one of our links passes a message to a foreign procedure that itself passes it on to
// us again, the message continues at the link below, not at the top.
std::map<HWND, size_t>& ResumeAt() {
  static std::map<HWND, size_t> resume;
  return resume;
}

LRESULT CALLBACK HookProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

const char kChainMark[] = "MemtideHookChain";

void Forget(HWND wnd) {
  if (IsWindow(wnd)) RemovePropA(wnd, kChainMark);
  Chains().erase(wnd);
  ResumeAt().erase(wnd);
}

LRESULT CALLBACK HookProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  auto found = Chains().find(wnd);
  if (found == Chains().end() || found->second.empty()) return DefWindowProcA(wnd, msg, wp, lp);
  const Chain chain = found->second;  // watchers may add or remove links meanwhile
  size_t i = chain.size() - 1;
  if (auto r = ResumeAt().find(wnd); r != ResumeAt().end()) {
    i = std::min(r->second, i);
    ResumeAt().erase(r);
  }
  for (;; --i) {
    const auto& link = chain[i];
    const WNDPROC prev = link->prev;
    if (link->watcher) {
      try {
        link->watcher(msg, wp, lp);
      } catch (...) {
        Application()->HandleException(std::current_exception());
      }
    }
    if (prev != HookProc || i == 0) {
      if (i > 0) ResumeAt()[wnd] = i - 1;
      const LRESULT result = prev && prev != HookProc ? CallWindowProcA(prev, wnd, msg, wp, lp)
                                                      : DefWindowProcA(wnd, msg, wp, lp);
      ResumeAt().erase(wnd);
      if (msg == WM_NCDESTROY) Forget(wnd);
      return result;
    }
  }
}

}  // namespace

TWindowHook::TWindowHook(HWND Wnd, Watcher OnMessage) : wnd_(Wnd) {
  if (!wnd_ || !IsWindow(wnd_)) return;
  // A chain left from an earlier window with the same handle (one destroyed without its
  // WM_NCDESTROY passing us) must not be resumed; the mark dies with its window.
  if (!GetPropA(wnd_, kChainMark)) Forget(wnd_);
  auto record = std::make_shared<Record>();
  record->watcher = std::move(OnMessage);
  record->prev = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(wnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookProc)));
  if (!record->prev) return;
  Chains()[wnd_].push_back(record);
  SetPropA(wnd_, kChainMark, reinterpret_cast<HANDLE>(1));
  record_ = std::move(record);
}

TWindowHook::~TWindowHook() {
  if (!record_) return;
  auto found = Chains().find(wnd_);
  if (found == Chains().end()) return;  // the window is gone
  if (!IsWindow(wnd_)) {
    Forget(wnd_);
    return;
  }
  Chain& chain = found->second;
  auto it = std::find(chain.begin(), chain.end(), record_);
  if (it == chain.end()) return;
  const bool top = (it + 1 == chain.end());
  const auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd_, GWLP_WNDPROC));
  if (top && current == &HookProc) {
    if (record_->prev != &HookProc)
      SetWindowLongPtrA(wnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record_->prev));
    chain.erase(it);
  } else if (!top && (*(it + 1))->prev == &HookProc) {
    (*(it + 1))->prev = record_->prev;  // our link sits directly below another of ours
    chain.erase(it);
  } else {
    record_->watcher = nullptr;  // a foreign procedure above still calls us: pass through
  }
  if (chain.empty()) Forget(wnd_);
}
