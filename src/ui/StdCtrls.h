// Standard Windows controls on top of TWinControl: button, check box, drop-down list,
// group box, page control with pages, system hot-key control, and the windowless label
// (also used as a link).
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/WinControl.h"

// A window of a system class ("BUTTON", ...). The class's own procedure handles the mouse
// and reports clicks by WM_COMMAND, so the layer's mouse routing (which would raise a
// second click) is bypassed.
class TSystemControl : public TWinControl {
 public:
  explicit TSystemControl(TComponent* Owner) : TWinControl(Owner) {}

 protected:
  // Sets the system class and WS_CHILD | WS_TABSTOP.
  void SystemParams(TCreateParams& Params, const char* ClassName, DWORD Style);
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;
};

class TButton : public TSystemControl {
 public:
  explicit TButton(TComponent* Owner);
  // Default: Enter presses it (control id IDOK). Cancel: Esc presses it (IDCANCEL).
  bool Default() const { return default_; }
  void SetDefault(bool Value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool Value);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWindowHandle() override;
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;

 private:
  bool default_ = false;
  bool cancel_ = false;
};

class TCheckBox : public TSystemControl {
 public:
  explicit TCheckBox(TComponent* Owner);
  bool Checked() const;
  void SetChecked(bool Value);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWindowHandle() override;
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;

 private:
  mutable bool checked_ = false;
};

// A drop-down list without typing, unsorted.
class TComboBox : public TSystemControl {
 public:
  explicit TComboBox(TComponent* Owner);

  int ItemCount() const { return static_cast<int>(items_.size()); }
  const std::string& Item(int Index) const { return items_.at(static_cast<size_t>(Index)); }
  void AddItem(const std::string& Text);
  void ClearItems();
  int ItemIndex() const;
  void SetItemIndex(int Value);  // -1: no selection; out of range: -1
  // The selected item's text, empty without a selection.
  std::string Text() const;
  int ItemHeight() const { return item_height_; }
  void SetItemHeight(int Value);

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void ChangeScale(int M, int D) override;  // the item height too
  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWindowHandle() override;
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;

 private:
  std::vector<std::string> items_;
  mutable int item_index_ = -1;
  int item_height_ = 13;
  bool taking_window_bounds_ = false;  // inside WM_WINDOWPOSCHANGED: record, do not resize
};

// A frame with a caption; children (windowed and windowless) sit inside it.
class TGroupBox : public TWinControl {
 public:
  explicit TGroupBox(TComponent* Owner);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void PaintWindow(TCanvas& Canvas) override;
};

class TPageControl;

class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* Owner);
  ~TTabSheet() override;
  TPageControl* PageControl() const { return page_control_; }
  void SetPageControl(TPageControl* Value);
  int PageIndex() const;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CaptionChanged() override;

 private:
  friend class TPageControl;
  TPageControl* page_control_ = nullptr;
};

class TPageControl : public TSystemControl {
 public:
  explicit TPageControl(TComponent* Owner);
  ~TPageControl() override;

  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Pages(int Index) const { return pages_.at(static_cast<size_t>(Index)); }
  TTabSheet* ActivePage() const { return active_; }
  void SetActivePage(TTabSheet* Page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int Index);
  // The client rectangle a page fills (inside the tabs and the frame).
  RECT DisplayRect();

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWindowHandle() override;
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* Page);
  void RemovePage(TTabSheet* Page);
  void UpdateTab(TTabSheet* Page);
  void LayoutPages();
  void ShowActive();
  std::vector<TTabSheet*> pages_;
  TTabSheet* active_ = nullptr;
};

// The system hot-key edit control. HotKey() is a 16-bit shortcut value: virtual key in
// bits 0-7, 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt (the hot-key packing without Win).
class THotKey : public TSystemControl {
 public:
  explicit THotKey(TComponent* Owner);
  std::uint16_t HotKey() const;
  void SetHotKey(std::uint16_t Value);
  // HKM_SETRULES: the HKCOMB_* combinations the user may not enter, and the HOTKEYF_*
  // modifiers the control puts in their place.
  void SetRules(WORD InvalidCombinations, WORD ReplacementModifiers);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWindowHandle() override;

 private:
  void SendRules();
  mutable std::uint16_t hot_key_ = 0;
  WORD invalid_combinations_ = 0;
  WORD replacement_modifiers_ = 0;
};

// Shortcut value <-> the control's HKM_SETHOTKEY word (key in the low byte, HOTKEYF_*
// modifiers in the high byte).
WORD ShortCutToHotKeyWord(std::uint16_t ShortCut);
std::uint16_t HotKeyWordToShortCut(WORD Word);

// Windowless text. Font colour and cursor make it a link (OnClick).
class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* Owner);
  void Paint(TCanvas& Canvas) override;
  // On (the default): the bounds follow the caption and font.
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool Value);
  // Width and height the caption needs with the current font.
  SIZE TextExtent() const;

 protected:
  void CaptionChanged() override;
  void FontChanged() override;

 private:
  void AdjustBounds();
  bool auto_size_ = true;
};
