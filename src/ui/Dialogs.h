// The common colour and file-open dialogs as components. Execute runs the system dialog
// modally; a test replaces it through Runner.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "ui/Component.h"
#include "ui/Graphics.h"

class TColorDialog : public TComponent {
 public:
  explicit TColorDialog(TComponent* Owner);
  // Presets the dialog with Color; true and Color set when the user chose one.
  bool Execute(HWND Owner = nullptr);
  TColor Color() const { return color_; }
  void SetColor(TColor Value) { color_ = Value; }

  // Replaces ChooseColorA: receives the dialog, sets its Color, returns whether chosen.
  std::function<bool(TColorDialog& Dialog)> Runner;

 private:
  TColor color_ = clBlack;
  COLORREF custom_[16];
};

class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TComponent* Owner);
  bool Execute(HWND Owner = nullptr);

  // Pairs of description and pattern separated by "|": "Text files|*.txt|All|*.*".
  std::string Filter;
  // Extension added to a typed name without one ("lng"; a leading "*." or "." is dropped).
  std::string DefaultExt;
  std::string FileName;  // in: initial name; out: the chosen file's full path
  std::string Title;

  // Replaces GetOpenFileNameA: sets FileName, returns whether a file was chosen.
  std::function<bool(TOpenDialog& Dialog)> Runner;
};

// The double-NUL-terminated filter list GetOpenFileName wants, from "A|*.a|B|*.b".
std::string OpenFilterList(const std::string& Filter);
// The default extension GetOpenFileName wants: "*.lng" and ".lng" become "lng".
std::string OpenDefaultExt(const std::string& DefaultExt);
