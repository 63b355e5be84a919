// System-wide hot keys: registration under a global atom, the event when one is pressed,
// and the display text of a packed hot-key value.
//
// A hot-key value packs the virtual-key code in bits 0-7 and the modifiers in
// 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt and 0x10000 Win (the low 16 bits are the packing
// of the system hot-key edit control). 0xC04F is Ctrl+Alt+O.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Component.h"
#include "ui/MessageWindow.h"

namespace hotkey {

constexpr std::uint32_t kShift = 0x2000;
constexpr std::uint32_t kCtrl = 0x4000;
constexpr std::uint32_t kAlt = 0x8000;
constexpr std::uint32_t kWin = 0x10000;

// The bits a value is made of: the key and the four modifiers. Bits 8-12 and 17-31 take no
// part in a registration, so a value keeps only these for registering, listing and
// comparing (12345 is Shift+9 throughout, not Shift+9 registered and 12345 compared).
constexpr std::uint32_t kValueBits = 0xFFu | kShift | kCtrl | kAlt | kWin;
constexpr std::uint32_t MaskHotKey(std::uint32_t hotKey) { return hotKey & kValueBits; }

// True when the value has a key and Ctrl, Alt or Win: a global hot key without them (a plain
// "O", Space, Shift+9) would take that key from every other program.
bool IsCommandHotKey(std::uint32_t hotKey);

struct Registration {
  UINT modifiers;  // MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN
  UINT key;        // virtual-key code
};

// The RegisterHotKey arguments of a packed value; bits 8-12 are dropped.
Registration SplitHotKey(std::uint32_t hotKey);

// The packed value rebuilt from a WM_HOTKEY lParam (modifiers low word, key high word).
std::uint32_t HotKeyFromMessage(LPARAM lParam);

// "GlobalHotKeysHotKey" followed by the decimal value.
std::string AtomName(std::uint32_t hotKey);

struct ModifierNames {
  std::string shift = "Shift";
  std::string ctrl = "Ctrl";
  std::string alt = "Alt";
  std::string win = "Win";
};

// "Ctrl+", "Shift+", "Alt+", "Win+" in that order, for the bits that are set.
std::string ModifierPrefix(std::uint32_t hotKey, const ModifierNames& names);

// Insert, Delete and the cursor-block keys need the extended bit in a key-name request.
bool IsExtendedKey(UINT vk);

// The GetKeyNameText parameter: scan code << 16, plus bit 24 for extended keys.
LONG KeyNameParam(UINT scanCode, UINT vk);

// Names of the browser and media keys 166-183; empty text for any other key.
std::string MediaKeyName(UINT vk);

// The system's key name, or the media-key name when the system gives at most one character.
std::string ChooseKeyName(UINT vk, const std::string& systemName);

// Win is written "WIN" when the Alt name is all capitals A-Z (or empty), as in "ALT".
std::string WinNameFor(const std::string& altName);

// The display names in use for HotKeyToText(…, true); taken from the keyboard layout at start.
const ModifierNames& LocalizedNames();

}  // namespace hotkey

// Display text: modifiers and key name. Localized false uses the fixed modifier names and
// the US English layout, so 0xC04F gives "Ctrl+Alt+O".
std::string HotKeyToText(std::uint32_t hotKey, bool localized);

// The calls the component makes to Windows; tests replace them.
struct THotKeySystem {
  std::function<BOOL(HWND, int, UINT, UINT)> Register = ::RegisterHotKey;
  std::function<BOOL(HWND, int)> Unregister = ::UnregisterHotKey;
  std::function<ATOM(LPCSTR)> AddAtom = ::GlobalAddAtomA;
  std::function<ATOM(ATOM)> DeleteAtom = ::GlobalDeleteAtom;
};

using TOnHotKeyPressed = std::function<void(std::uint32_t HotKey, WORD Index)>;

class TGlobalHotKeys : public TComponent {
 public:
  explicit TGlobalHotKeys(TComponent* owner, THotKeySystem system = {});
  ~TGlobalHotKeys() override;

  // Registers the hot key (its MaskHotKey value: the atom name and the list carry that);
  // returns its identifier, or 0 when Windows refused it.
  WORD AddHotKey(std::uint32_t hotKey);
  // Registers the hot key in place of every hot key of this component. The new one goes in
  // before the old ones go: when Windows refuses it (another program holds the combination)
  // the old ones stay registered and the result is false. One already listed is kept.
  bool ReplaceHotKeys(std::uint32_t hotKey);
  // Unregisters every hot key of this component.
  void ClearHotKeys();

  struct Entry {
    std::uint32_t HotKey;
    WORD Id;
  };
  const std::vector<Entry>& HotKeys() const { return entries_; }
  HWND Handle() const { return window_ ? window_->Handle() : nullptr; }

  TOnHotKeyPressed OnHotKeyPressed;

 protected:
  // Every message of the component's window; WM_HOTKEY raises OnHotKeyPressed. Returns
  // true when it answered the message itself (it never does: all go on to DefWindowProc).
  virtual bool WndProc(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result);

 private:
  THotKeySystem system_;
  std::vector<Entry> entries_;
  std::unique_ptr<TMessageWindow> window_;
};
