#include "ui/StdCtrls.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/Dpi.h"
#include "util/ScopedFlag.h"
#include "util/ScopedHandles.h"
#include "util/SystemLibrary.h"

namespace {

void InitCommonControlClasses() {
  static bool done = false;
  if (done) return;
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TAB_CLASSES | ICC_HOTKEY_CLASS | ICC_STANDARD_CLASSES};
  // Loaded here, with the first standard control, rather than at every start-up.
  auto* init = CommonControlsLibrary().Function<decltype(InitCommonControlsEx)>(
      "InitCommonControlsEx");
  done = init && init(&icc) != FALSE;
}

// Control ids for WM_COMMAND; IDOK and IDCANCEL are kept for the default and cancel buttons.
int NextControlId() {
  static int next = 1000;
  return next++;
}

constexpr int kComboDropHeight = 200;

}  // namespace

// ---------------------------------------------------------------- TSystemControl

void TSystemControl::SystemParams(TCreateParams& Params, const char* ClassName, DWORD Style) {
  InitCommonControlClasses();
  Params.SystemClass = true;
  Params.WinClassName = ClassName;
  Params.Style |= WS_CHILD | WS_TABSTOP | Style;
}

LRESULT TSystemControl::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if ((Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST) || Msg == WM_MOUSELEAVE)
    return DefaultHandler(Msg, WParam, LParam);
  return TWinControl::WndProc(Msg, WParam, LParam);
}

// ---------------------------------------------------------------- TButton

TButton::TButton(TComponent* Owner) : TSystemControl(Owner) { SetBounds(0, 0, 75, 25); }

void TButton::SetDefault(bool Value) {
  if (Value == default_) return;
  default_ = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TButton::SetCancel(bool Value) {
  if (Value == cancel_) return;
  cancel_ = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TButton::CreateParams(TCreateParams& Params) {
  TSystemControl::CreateParams(Params);
  SystemParams(Params, "BUTTON", default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
}

void TButton::CreateWindowHandle() {
  // The dialog manager presses the child with id IDOK on Enter and IDCANCEL on Esc.
  int id = default_ ? IDOK : cancel_ ? IDCANCEL : NextControlId();
  SetWindowLongPtrA(Handle(), GWLP_ID, id);
}

LRESULT TButton::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == CN_COMMAND) {
    if (HIWORD(WParam) == BN_CLICKED) Click();
    return 0;
  }
  return TSystemControl::WndProc(Msg, WParam, LParam);
}

// ---------------------------------------------------------------- TCheckBox

TCheckBox::TCheckBox(TComponent* Owner) : TSystemControl(Owner) { SetBounds(0, 0, 97, 17); }

bool TCheckBox::Checked() const {
  if (HandleAllocated())
    checked_ = SendMessageA(const_cast<TCheckBox*>(this)->Handle(), BM_GETCHECK, 0, 0) ==
               BST_CHECKED;
  return checked_;
}

void TCheckBox::SetChecked(bool Value) {
  checked_ = Value;
  if (HandleAllocated()) SendMessageA(Handle(), BM_SETCHECK, Value ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::CreateParams(TCreateParams& Params) {
  TSystemControl::CreateParams(Params);
  SystemParams(Params, "BUTTON", BS_AUTOCHECKBOX);
}

void TCheckBox::CreateWindowHandle() {
  SendMessageA(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

LRESULT TCheckBox::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == CN_COMMAND) {
    if (HIWORD(WParam) == BN_CLICKED) {
      Checked();
      Click();
    }
    return 0;
  }
  if (Msg == WM_NCDESTROY || Msg == WM_DESTROY) Checked();  // keep the state for a re-creation
  return TSystemControl::WndProc(Msg, WParam, LParam);
}

// ---------------------------------------------------------------- TComboBox

TComboBox::TComboBox(TComponent* Owner) : TSystemControl(Owner) { SetBounds(0, 0, 145, 21); }

void TComboBox::CreateParams(TCreateParams& Params) {
  TSystemControl::CreateParams(Params);
  SystemParams(Params, "COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL);
  Params.Height = height_ + kComboDropHeight;  // the window height is the dropped height
}

void TComboBox::CreateWindowHandle() {
  HWND h = Handle();
  for (const std::string& s : items_) SendMessageA(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
  SendMessageA(h, CB_SETITEMHEIGHT, 0, item_height_);
  SendMessageA(h, CB_SETCURSEL, static_cast<WPARAM>(item_index_), 0);
}

void TComboBox::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  // Reading the window back may report the dropped height; the closed height stays.
  if (HandleAllocated() && AHeight >= kComboDropHeight) AHeight = height_;
  if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  if (HandleAllocated() && !taking_window_bounds_)
    SetWindowPos(Handle(), nullptr, ALeft, ATop, AWidth, AHeight + kComboDropHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TComboBox::AddItem(const std::string& Text) {
  items_.push_back(Text);
  if (HandleAllocated()) SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text.c_str()));
}

void TComboBox::ClearItems() {
  items_.clear();
  item_index_ = -1;
  if (HandleAllocated()) SendMessageA(Handle(), CB_RESETCONTENT, 0, 0);
}

int TComboBox::ItemIndex() const {
  if (HandleAllocated())
    item_index_ = static_cast<int>(SendMessageA(const_cast<TComboBox*>(this)->Handle(), CB_GETCURSEL, 0, 0));
  return item_index_ >= 0 && item_index_ < ItemCount() ? item_index_ : -1;
}

void TComboBox::SetItemIndex(int Value) {
  if (Value < 0 || Value >= ItemCount()) Value = -1;
  item_index_ = Value;
  if (HandleAllocated()) SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(Value), 0);
}

std::string TComboBox::Text() const {
  int i = ItemIndex();
  return i < 0 ? std::string() : items_[static_cast<size_t>(i)];
}

void TComboBox::SetItemHeight(int Value) {
  item_height_ = Value;
  if (HandleAllocated()) SendMessageA(Handle(), CB_SETITEMHEIGHT, 0, Value);
}

void TComboBox::ChangeScale(int M, int D) {
  if (M == D) return;
  SetItemHeight(dpi::Scale(item_height_, M, D));
  TSystemControl::ChangeScale(M, D);
}

LRESULT TComboBox::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == CN_COMMAND) {
    if (HIWORD(WParam) == CBN_SELCHANGE) {
      ItemIndex();
      if (OnChange) OnChange(this);
    }
    return 0;
  }
  if (Msg == WM_DESTROY) ItemIndex();
  if (Msg == WM_WINDOWPOSCHANGED) {
    // The system sizes a closed drop-down list itself, to the height its font needs (after
    // WM_SETFONT, or right after a taller SetWindowPos), and while it does so it does not
    // correct the height again. Pushing the dropped height back from here would leave the
    // window that tall, with an unpainted strip below the field: the height the window
    // reports is recorded as it is.
    ScopedFlag taking(taking_window_bounds_);
    return TSystemControl::WndProc(Msg, WParam, LParam);
  }
  return TSystemControl::WndProc(Msg, WParam, LParam);
}

// ---------------------------------------------------------------- TGroupBox

TGroupBox::TGroupBox(TComponent* Owner) : TWinControl(Owner) { SetBounds(0, 0, 185, 105); }

void TGroupBox::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.ExStyle |= WS_EX_CONTROLPARENT;
  Params.WinClassName = "MemtideGroupBox";
}

void TGroupBox::PaintWindow(TCanvas& Canvas) {
  HDC dc = Canvas.Handle();
  ScopedSelect font(dc, Font()->Handle());
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  RECT frame{0, tm.tmHeight / 2, Width(), Height()};
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  if (Caption().empty()) return;
  SIZE ext{};
  GetTextExtentPoint32A(dc, Caption().c_str(), static_cast<int>(Caption().size()), &ext);
  RECT text{8, 0, std::min(8 + ext.cx + 4, static_cast<LONG>(Width() - 8)), tm.tmHeight};
  UniqueHBrush face(CreateSolidBrush(ColorToRGB(Color())));
  FillRect(dc, &text, face.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, Enabled() ? ColorToRGB(Font()->Color()) : GetSysColor(COLOR_GRAYTEXT));
  text.left += 2;
  DrawTextA(dc, Caption().c_str(), static_cast<int>(Caption().size()), &text,
            DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// ---------------------------------------------------------------- TTabSheet

TTabSheet::TTabSheet(TComponent* Owner) : TWinControl(Owner) { TControl::SetVisible(false); }

TTabSheet::~TTabSheet() { SetPageControl(nullptr); }

void TTabSheet::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.ExStyle |= WS_EX_CONTROLPARENT;
  Params.WinClassName = "MemtideTabSheet";
}

void TTabSheet::SetPageControl(TPageControl* Value) {
  if (Value == page_control_) return;
  if (page_control_) page_control_->RemovePage(this);
  page_control_ = Value;
  SetParent(Value);
  if (Value) Value->InsertPage(this);
}

int TTabSheet::PageIndex() const {
  if (!page_control_) return -1;
  const auto& pages = page_control_->pages_;
  auto it = std::find(pages.begin(), pages.end(), this);
  return it == pages.end() ? -1 : static_cast<int>(it - pages.begin());
}

void TTabSheet::CaptionChanged() {
  TWinControl::CaptionChanged();
  if (page_control_) page_control_->UpdateTab(this);
}

// ---------------------------------------------------------------- TPageControl

TPageControl::TPageControl(TComponent* Owner) : TSystemControl(Owner) { SetBounds(0, 0, 289, 193); }

TPageControl::~TPageControl() {
  for (TTabSheet* p : pages_) p->page_control_ = nullptr;
  pages_.clear();
}

void TPageControl::CreateParams(TCreateParams& Params) {
  TSystemControl::CreateParams(Params);
  SystemParams(Params, WC_TABCONTROLA, WS_CLIPCHILDREN);
  Params.ExStyle |= WS_EX_CONTROLPARENT;
}

void TPageControl::CreateWindowHandle() {
  HWND h = Handle();
  for (size_t i = 0; i < pages_.size(); ++i) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    std::string text = pages_[i]->Caption();
    item.pszText = text.data();
    SendMessageA(h, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
  }
  ShowActive();
}

void TPageControl::InsertPage(TTabSheet* Page) {
  pages_.push_back(Page);
  if (HandleAllocated()) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    std::string text = Page->Caption();
    item.pszText = text.data();
    SendMessageA(Handle(), TCM_INSERTITEMA, pages_.size() - 1, reinterpret_cast<LPARAM>(&item));
  }
  if (!active_) active_ = Page;
  ShowActive();
}

void TPageControl::RemovePage(TTabSheet* Page) {
  auto it = std::find(pages_.begin(), pages_.end(), Page);
  if (it == pages_.end()) return;
  int index = static_cast<int>(it - pages_.begin());
  pages_.erase(it);
  if (HandleAllocated()) SendMessageA(Handle(), TCM_DELETEITEM, index, 0);
  if (active_ == Page) active_ = pages_.empty() ? nullptr : pages_.front();
  ShowActive();
}

void TPageControl::UpdateTab(TTabSheet* Page) {
  int index = Page->PageIndex();
  if (index < 0 || !HandleAllocated()) return;
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  std::string text = Page->Caption();
  item.pszText = text.data();
  SendMessageA(Handle(), TCM_SETITEMA, index, reinterpret_cast<LPARAM>(&item));
  LayoutPages();  // a longer caption may add a row of tabs
}

int TPageControl::ActivePageIndex() const { return active_ ? active_->PageIndex() : -1; }

void TPageControl::SetActivePage(TTabSheet* Page) {
  if (Page && Page->PageControl() != this) return;
  active_ = Page;
  ShowActive();
}

void TPageControl::SetActivePageIndex(int Index) {
  if (Index >= 0 && Index < PageCount()) SetActivePage(pages_[static_cast<size_t>(Index)]);
}

RECT TPageControl::DisplayRect() {
  if (!HandleAllocated()) return RECT{4, 24, Width() - 4, Height() - 4};
  RECT r;
  GetClientRect(Handle(), &r);
  SendMessageA(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  return r;
}

void TPageControl::LayoutPages() {
  RECT r = DisplayRect();
  for (TTabSheet* p : pages_) p->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TPageControl::ShowActive() {
  LayoutPages();
  if (HandleAllocated() && active_)
    SendMessageA(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(active_->PageIndex()), 0);
  for (TTabSheet* p : pages_) p->SetVisible(p == active_);
}

LRESULT TPageControl::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == CN_NOTIFY) {
    if (reinterpret_cast<NMHDR*>(LParam)->code == static_cast<UINT>(TCN_SELCHANGE)) {
      int index = static_cast<int>(SendMessageA(Handle(), TCM_GETCURSEL, 0, 0));
      if (index >= 0 && index < PageCount()) {
        active_ = pages_[static_cast<size_t>(index)];
        ShowActive();
        if (OnChange) OnChange(this);
      }
    }
    return 0;
  }
  LRESULT r = TSystemControl::WndProc(Msg, WParam, LParam);
  // A new font changes the height of the tabs, and so where the pages begin.
  if (Msg == WM_SIZE || Msg == WM_SETFONT) LayoutPages();
  return r;
}

// ---------------------------------------------------------------- THotKey

WORD ShortCutToHotKeyWord(std::uint16_t ShortCut) {
  BYTE mods = 0;
  if (ShortCut & 0x2000) mods |= HOTKEYF_SHIFT;
  if (ShortCut & 0x4000) mods |= HOTKEYF_CONTROL;
  if (ShortCut & 0x8000) mods |= HOTKEYF_ALT;
  return MAKEWORD(ShortCut & 0xFF, mods);
}

std::uint16_t HotKeyWordToShortCut(WORD Word) {
  std::uint16_t sc = LOBYTE(Word);
  BYTE mods = HIBYTE(Word);
  if (mods & HOTKEYF_SHIFT) sc |= 0x2000;
  if (mods & HOTKEYF_CONTROL) sc |= 0x4000;
  if (mods & HOTKEYF_ALT) sc |= 0x8000;
  return sc;
}

THotKey::THotKey(TComponent* Owner) : TSystemControl(Owner) { SetBounds(0, 0, 121, 19); }

void THotKey::CreateParams(TCreateParams& Params) {
  TSystemControl::CreateParams(Params);
  SystemParams(Params, HOTKEY_CLASSA, 0);
  Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void THotKey::CreateWindowHandle() {
  SendRules();
  SendMessageA(Handle(), HKM_SETHOTKEY, ShortCutToHotKeyWord(hot_key_), 0);
}

void THotKey::SetRules(WORD InvalidCombinations, WORD ReplacementModifiers) {
  invalid_combinations_ = InvalidCombinations;
  replacement_modifiers_ = ReplacementModifiers;
  if (HandleAllocated()) SendRules();
}

void THotKey::SendRules() {
  if (invalid_combinations_ == 0) return;
  SendMessageA(Handle(), HKM_SETRULES, invalid_combinations_,
               MAKELPARAM(replacement_modifiers_, 0));
}

std::uint16_t THotKey::HotKey() const {
  if (HandleAllocated())
    hot_key_ = HotKeyWordToShortCut(static_cast<WORD>(
        SendMessageA(const_cast<THotKey*>(this)->Handle(), HKM_GETHOTKEY, 0, 0)));
  return hot_key_;
}

void THotKey::SetHotKey(std::uint16_t Value) {
  hot_key_ = Value;
  if (HandleAllocated()) SendMessageA(Handle(), HKM_SETHOTKEY, ShortCutToHotKeyWord(Value), 0);
}

// ---------------------------------------------------------------- TLabel

TLabel::TLabel(TComponent* Owner) : TControl(Owner) { SetBounds(0, 0, 65, 13); }

SIZE TLabel::TextExtent() const {
  SIZE ext{0, 0};
  ScopedGetDC screen(nullptr);
  if (!screen.get()) return ext;
  ScopedSelect font(screen.get(), Font()->Handle());
  RECT r{0, 0, 0, 0};
  const std::string text = Caption().empty() ? std::string(" ") : Caption();
  DrawTextA(screen.get(), text.c_str(), static_cast<int>(text.size()), &r,
            DT_CALCRECT | DT_LEFT | DT_NOPREFIX | DT_EXPANDTABS);
  ext.cx = Caption().empty() ? 0 : r.right;
  ext.cy = r.bottom;
  return ext;
}

void TLabel::SetAutoSize(bool Value) {
  auto_size_ = Value;
  AdjustBounds();
}

void TLabel::AdjustBounds() {
  if (!auto_size_) return;
  SIZE ext = TextExtent();
  SetBounds(Left(), Top(), ext.cx, ext.cy);
}

void TLabel::CaptionChanged() {
  AdjustBounds();
  TControl::CaptionChanged();
}

void TLabel::FontChanged() {
  AdjustBounds();
  TControl::FontChanged();
}

void TLabel::Paint(TCanvas& Canvas) {
  HDC dc = Canvas.Handle();
  ScopedSelect font(dc, Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, Enabled() ? ColorToRGB(Font()->Color()) : GetSysColor(COLOR_GRAYTEXT));
  RECT r = ClientRect();
  DrawTextA(dc, Caption().c_str(), static_cast<int>(Caption().size()), &r,
            DT_LEFT | DT_NOPREFIX | DT_EXPANDTABS);
  TControl::Paint(Canvas);
}
