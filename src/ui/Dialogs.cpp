#include "ui/Dialogs.h"

#include <commdlg.h>

#include <vector>

#include "ui/Application.h"
#include "util/ModalLoop.h"
#include "util/SystemLibrary.h"

namespace {
HWND DialogOwner(HWND Owner) { return Owner ? Owner : Application()->Handle(); }
}  // namespace

std::string OpenFilterList(const std::string& Filter) {
  std::string out = Filter;
  for (char& c : out)
    if (c == '|') c = '\0';
  out.push_back('\0');
  out.push_back('\0');
  return out;
}

std::string OpenDefaultExt(const std::string& DefaultExt) {
  size_t start = DefaultExt.find_first_not_of("*.");
  return start == std::string::npos ? std::string() : DefaultExt.substr(start);
}

TColorDialog::TColorDialog(TComponent* Owner) : TComponent(Owner) {
  for (COLORREF& c : custom_) c = RGB(255, 255, 255);
}

bool TColorDialog::Execute(HWND Owner) {
  AnnounceModalLoop();
  if (Runner) return Runner(*this);
  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof(cc);
  cc.hwndOwner = DialogOwner(Owner);
  cc.rgbResult = ColorToRGB(color_) & 0xFFFFFF;
  cc.lpCustColors = custom_;
  cc.Flags = CC_RGBINIT | CC_ANYCOLOR;
  auto* choose = CommonDialogsLibrary().Function<decltype(ChooseColorA)>("ChooseColorA");
  if (!choose || !choose(&cc)) return false;
  color_ = cc.rgbResult;
  return true;
}

TOpenDialog::TOpenDialog(TComponent* Owner) : TComponent(Owner) {}

bool TOpenDialog::Execute(HWND Owner) {
  AnnounceModalLoop();
  if (Runner) return Runner(*this);
  std::vector<char> name(32768, '\0');
  FileName.copy(name.data(), name.size() - 1);
  const std::string filter = OpenFilterList(Filter);
  const std::string ext = OpenDefaultExt(DefaultExt);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = DialogOwner(Owner);
  ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = name.data();
  ofn.nMaxFile = static_cast<DWORD>(name.size());
  ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
  ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
  ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER | OFN_NOCHANGEDIR;
  auto* open = CommonDialogsLibrary().Function<decltype(GetOpenFileNameA)>("GetOpenFileNameA");
  if (!open || !open(&ofn)) return false;
  FileName = name.data();
  return true;
}
