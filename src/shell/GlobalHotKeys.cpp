#include "shell/GlobalHotKeys.h"

#include <algorithm>
#include <array>

namespace hotkey {

bool IsCommandHotKey(std::uint32_t hotKey) {
  return (hotKey & 0xFFu) != 0 && (hotKey & (kCtrl | kAlt | kWin)) != 0;
}

Registration SplitHotKey(std::uint32_t hotKey) {
  UINT mods = 0;
  if (hotKey & kAlt) mods |= MOD_ALT;
  if (hotKey & kCtrl) mods |= MOD_CONTROL;
  if (hotKey & kShift) mods |= MOD_SHIFT;
  if (hotKey & kWin) mods |= MOD_WIN;
  return {mods, hotKey & 0xFFu};
}

std::uint32_t HotKeyFromMessage(LPARAM lParam) {
  const UINT mods = LOWORD(lParam);
  std::uint32_t value = 0;
  if (mods & MOD_SHIFT) value |= kShift;
  if (mods & MOD_CONTROL) value |= kCtrl;
  if (mods & MOD_ALT) value |= kAlt;
  if (mods & MOD_WIN) value |= kWin;
  return value + HIWORD(lParam);
}

std::string AtomName(std::uint32_t hotKey) {
  return "GlobalHotKeysHotKey" + std::to_string(hotKey);
}

std::string ModifierPrefix(std::uint32_t hotKey, const ModifierNames& names) {
  std::string prefix;
  if (hotKey & kCtrl) prefix += names.ctrl + "+";
  if (hotKey & kShift) prefix += names.shift + "+";
  if (hotKey & kAlt) prefix += names.alt + "+";
  if (hotKey & kWin) prefix += names.win + "+";
  return prefix;
}

bool IsExtendedKey(UINT vk) { return (vk >= 33 && vk <= 40) || vk == 45 || vk == 46; }

LONG KeyNameParam(UINT scanCode, UINT vk) {
  LONG param = static_cast<LONG>(scanCode << 16);
  if (IsExtendedKey(vk)) param |= 0x1000000;
  return param;
}

std::string MediaKeyName(UINT vk) {
  static const std::array<const char*, 18> kNames = {
      "Browser Back",      "Browser Forward",    "Browser Refresh",     "Browser Stop",
      "Browser Search",    "Browser Favorites",  "Browser Start/Home",  "Volume Mute",
      "Volume Down",       "Volume Up",          "Next Track",          "Previous Track",
      "Stop Media",        "Play/Pause Media",   "Start Mail",          "Select Media",
      "Start Application 1", "Start Application 2"};
  if (vk < 166 || vk > 183) return {};
  return kNames[vk - 166];
}

std::string ChooseKeyName(UINT vk, const std::string& systemName) {
  if (systemName.size() <= 1 && vk >= 166 && vk <= 183) return MediaKeyName(vk);
  return systemName;
}

std::string WinNameFor(const std::string& altName) {
  const bool capitals =
      std::all_of(altName.begin(), altName.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
  return capitals ? "WIN" : "Win";
}

}  // namespace hotkey

namespace {

std::string KeyNameText(LONG param) {
  if (param == 0) return {};
  char buf[256] = {};
  const int n = GetKeyNameTextA(param, buf, static_cast<int>(sizeof buf));
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

std::string LocalizedKeyName(UINT vk) {
  return KeyNameText(hotkey::KeyNameParam(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC), vk));
}

std::string UsKeyName(UINT vk, HKL us) {
  const LONG param = hotkey::KeyNameParam(MapVirtualKeyExA(vk, MAPVK_VK_TO_VSC, us), vk);
  if (param == 0) return {};
  HKL current = GetKeyboardLayout(0);
  if (!us || current == us) return KeyNameText(param);
  ActivateKeyboardLayout(us, 0);
  std::string name = KeyNameText(param);
  ActivateKeyboardLayout(current, 0);
  return name;
}

// The unit's process-wide state: the display names from the user's layout and the US English
// layout for the fixed texts, loaded here only when the user does not have it installed.
class HotKeyUnit {
 public:
  HotKeyUnit() {
    names_.shift = LocalizedKeyName(VK_SHIFT);
    names_.ctrl = LocalizedKeyName(VK_CONTROL);
    names_.alt = LocalizedKeyName(VK_MENU);
    names_.win = hotkey::WinNameFor(names_.alt);

    HKL installed[100] = {};
    const int count = GetKeyboardLayoutList(100, installed);
    us_ = LoadKeyboardLayoutA("00000409", KLF_NOTELLSHELL);
    loaded_ = std::find(installed, installed + std::max(count, 0), us_) ==
              installed + std::max(count, 0);
  }
  ~HotKeyUnit() {
    if (loaded_ && us_) UnloadKeyboardLayout(us_);
    names_ = {"", "", "", ""};
  }
  HotKeyUnit(const HotKeyUnit&) = delete;
  HotKeyUnit& operator=(const HotKeyUnit&) = delete;

  const hotkey::ModifierNames& Names() const { return names_; }
  HKL Us() const { return us_; }

 private:
  hotkey::ModifierNames names_;
  HKL us_ = nullptr;
  bool loaded_ = false;
};

HotKeyUnit& Unit() {
  static HotKeyUnit unit;
  return unit;
}

// Unit start-up happens with the program's start, before any form exists.
[[maybe_unused]] const bool kUnitStarted = (Unit(), true);

}  // namespace

const hotkey::ModifierNames& hotkey::LocalizedNames() { return Unit().Names(); }

std::string HotKeyToText(std::uint32_t hotKey, bool localized) {
  static const hotkey::ModifierNames kFixed;
  const UINT vk = hotKey & 0xFFu;
  const std::string prefix = hotkey::ModifierPrefix(hotKey, localized ? Unit().Names() : kFixed);
  const std::string name = localized ? LocalizedKeyName(vk) : UsKeyName(vk, Unit().Us());
  return prefix + hotkey::ChooseKeyName(vk, name);
}

TGlobalHotKeys::TGlobalHotKeys(TComponent* owner, THotKeySystem system)
    : TComponent(owner), system_(std::move(system)) {
  window_ = std::make_unique<TMessageWindow>(
      [this](UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        return WndProc(msg, wp, lp, result);
      });
}

TGlobalHotKeys::~TGlobalHotKeys() {
  ClearHotKeys();
  window_.reset();
}

WORD TGlobalHotKeys::AddHotKey(std::uint32_t value) {
  const std::uint32_t hotKey = hotkey::MaskHotKey(value);
  const hotkey::Registration reg = hotkey::SplitHotKey(hotKey);
  const ATOM id = system_.AddAtom(hotkey::AtomName(hotKey).c_str());
  if (id == 0) return 0;
  if (!system_.Register(Handle(), id, reg.modifiers, reg.key)) {
    system_.DeleteAtom(id);
    return 0;
  }
  entries_.push_back({hotKey, id});
  return id;
}

bool TGlobalHotKeys::ReplaceHotKeys(std::uint32_t value) {
  const std::uint32_t hotKey = hotkey::MaskHotKey(value);
  auto kept = std::find_if(entries_.begin(), entries_.end(),
                           [hotKey](const Entry& e) { return e.HotKey == hotKey; });
  if (kept == entries_.end()) {
    // Windows refuses a second registration of a combination this window holds, so only a
    // new one is added.
    if (AddHotKey(hotKey) == 0) return false;
    kept = entries_.end() - 1;
  }
  const Entry keep = *kept;
  entries_.erase(kept);
  ClearHotKeys();
  entries_.push_back(keep);
  return true;
}

void TGlobalHotKeys::ClearHotKeys() {
  while (!entries_.empty()) {
    const Entry e = entries_.back();
    entries_.pop_back();
    system_.Unregister(Handle(), e.Id);
    system_.DeleteAtom(e.Id);
  }
}

bool TGlobalHotKeys::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT&) {
  if (Msg == WM_HOTKEY && OnHotKeyPressed) {
    const std::uint32_t value = hotkey::HotKeyFromMessage(LParam);
    const bool ours = std::any_of(entries_.begin(), entries_.end(),
                                  [value](const Entry& e) { return e.HotKey == value; });
    if (ours) OnHotKeyPressed(value, LOWORD(WParam));
  }
  return false;
}
