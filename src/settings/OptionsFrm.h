// The options dialog: edits the one settings object in place and applies it on OK.
// Created once by whichever opener comes first, hidden on close and reused.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "ui/Form.h"

class TOptions;
class TMultiLanguage;
class TButton;
class TCheckBox;
class TComboBox;
class TGroupBox;
class TPageControl;
class TTabSheet;
class THotKey;
class TLabel;
class TColorDialog;
class TOpenDialog;
class TpcDockPanel;
class TQvGDIPlusTrendLine;

class TFrmOptions;

// How OK reaches the monitor window and the main form without this unit depending on
// theirs, handed over by whoever creates the dialog. An empty member is skipped, and the
// monitor members are used only while MonitorExists() says so.
struct TOptionsHost {
  std::function<bool()> MonitorExists;
  std::function<void(bool On)> SetMonitorChartsAutoDraw;  // both trend lines
  std::function<void(const TOptions* Options)> MonitorApplyOptions;
  std::function<void(bool FromSystemPerform)> MonitorSetCPUSource;
  std::function<void(const TMultiLanguage* Language)> MonitorApplyLanguage;
  // False when Windows refused the combination; the previous one then stays registered.
  std::function<bool(std::uint32_t HotKey)> RegisterOptimizeHotKey;
  std::function<void(const TMultiLanguage* Language)> MainApplyLanguage;
  // The tray icon follows the free-memory setting and the RAM colours.
  std::function<void()> MainApplyTrayIcon;
  // The dialog is being freed (also with its owner): whoever keeps it lets go.
  std::function<void(TFrmOptions& Dialog)> Freed;
};

class TFrmOptions : public TForm {
 public:
  TFrmOptions(TComponent* Owner, TOptionsHost Host);
  // Tells the host first.
  ~TFrmOptions() override;

  // Captions from section "FrmOptions" (null: nothing). Keeps the object for OK's
  // language switch.
  void ApplyLanguage(TMultiLanguage* Language);
  // The "*.lng" files of the program folder, by name without extension.
  void RefreshLanguageList();
  // Keeps Options and fills every control from it (null: nothing).
  void LoadOptions(TOptions* Options);

  // The program folder (with trailing "\"): language files are listed and added there.
  std::string ProgramFolder;
  // Opens the language page; replaced in tests.
  std::function<void(const std::string& Url)> OpenUrl;

  TButton* btnOk = nullptr;
  TButton* btnCancel = nullptr;
  TPageControl* PageControl1 = nullptr;
  TTabSheet* tab_general = nullptr;
  TGroupBox* gbx_general = nullptr;
  TCheckBox* cbx_runstartup = nullptr;
  TCheckBox* cbx_showmessage = nullptr;
  TCheckBox* cbx_showfreememory = nullptr;
  TCheckBox* cbx_cpudatafromsystemperformance = nullptr;
  TLabel* lbl_Language = nullptr;
  TComboBox* cbx_Language = nullptr;
  TButton* btnAdd = nullptr;
  TLabel* lbl_morelanguage = nullptr;
  TGroupBox* gbx_optimize = nullptr;
  TCheckBox* cbx_autooptimize = nullptr;
  TLabel* lbl_hotkey = nullptr;
  THotKey* hk_optimize = nullptr;
  TTabSheet* tab_colors = nullptr;
  TGroupBox* gbx_cpucolors = nullptr;
  TGroupBox* gbx_ramcolors = nullptr;
  TQvGDIPlusTrendLine* line_CPU = nullptr;
  TQvGDIPlusTrendLine* line_RAM = nullptr;
  // Swatches by tag - 1 (CPU grid, start, end, high, low; then the same for RAM).
  TpcDockPanel* swatches[10] = {};
  TLabel* swatchLabels[10] = {};
  TColorDialog* CD = nullptr;
  TOpenDialog* OD = nullptr;

  TpcDockPanel* Swatch(int Tag) const { return Tag >= 1 && Tag <= 10 ? swatches[Tag - 1] : nullptr; }
  TOptions* Options() const { return options_; }

  // Event handlers (public so tests can raise them as the controls would).
  void FormCreate(TObject* Sender);
  void btnOkClick(TObject* Sender);
  void btnCancelClick(TObject* Sender);
  void pnl_cpugridcolorClick(TObject* Sender);
  void btnAddClick(TObject* Sender);
  void lbl_morelanguageClick(TObject* Sender);

 protected:
  void CreateWindowHandle() override;

 private:
  void CreateComponents();
  void FillPreview();
  void ApplyToContainer(TWinControl* Container);
  void SetPreviewColor(int Tag, std::uint32_t Color);
  // A message of section "Language", or Default without a language object.
  std::string Msg(const char* Key, const char* Default) const;

  TOptionsHost host_;
  TOptions* options_ = nullptr;
  TMultiLanguage* language_ = nullptr;
  std::uint16_t shownHotKey_ = 0;  // what the hot-key control showed after LoadOptions
};

// The language page's address.
std::string LanguagePageUrl();
// A file name without folder and without its last extension: "C:\x\Deutsch.lng" -> "Deutsch".
std::string LanguageNameOf(const std::string& FileName);
