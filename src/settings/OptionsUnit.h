// The user's settings: sixteen plain fields, stored in the registry or, when the marker
// file lies beside the program, in an INI file there.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

// Where the settings live. ForThisProgram() gives the program's real locations; tests
// point the keys and the folder at scratch places.
struct TOptionsStorage {
  std::string ProgramFolder;  // with trailing backslash
  HKEY Root = HKEY_CURRENT_USER;
  std::string SettingsKey = "Software\\Quorix\\Memtide";
  std::string RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  std::string RunValue = "quorix_Memtide";
  std::string ExePath;  // written to the Run value

  static TOptionsStorage ForThisProgram();
  std::string IniPath() const { return ProgramFolder + "Memtide.ini"; }
  std::string MarkerPath() const { return ProgramFolder + "PortableEdition.dat"; }
};

class TOptions {
 public:
  static constexpr std::int32_t DefaultHotKey = 49231;  // 0xC04F: Ctrl+Alt+O

  TOptions();  // the program's own locations; loads
  explicit TOptions(TOptionsStorage storage);
  ~TOptions();  // saves
  TOptions(const TOptions&) = delete;
  TOptions& operator=(const TOptions&) = delete;

  bool ShowMessageWhenOptimizing = true;
  bool AutoOptimize = true;
  std::int32_t HotKey = DefaultHotKey;
  std::uint32_t CPUGridColor = 16757683;
  std::uint32_t CPUStartBackColor = 16777215;
  std::uint32_t CPUEndBackColor = 16777215;
  std::uint32_t CPUHighCPUColor = 255;
  std::uint32_t CPULowCPUColor = 4259584;
  std::uint32_t RAMGridColor = 16757683;
  std::uint32_t RAMStartBackColor = 16777215;
  std::uint32_t RAMEndBackColor = 16777215;
  std::uint32_t RAMHighRAMColor = 16776960;
  std::uint32_t RAMLowRAMColor = 255;
  bool CPUDataFromSystemPerform = false;
  std::string Language = "English";
  // The tray icon shows the free-memory percentage instead of the program icon.
  bool ShowFreeMemoryInTrayIcon = false;

  void LoadSettings();
  // False when a write failed; the failure has then been reported through OnWriteError
  // and the entries after it were not written.
  bool SaveSettings();
  // Off: the destructor does not save (an owner that has just saved as the session ends
  // must not write, and report a failure, a second time).
  void SetSaveOnDestroy(bool Value) { saveOnDestroy_ = Value; }
  bool IsRunAtStartup() const;
  void SetRunAtStartup(bool enabled);

  bool PortableMode() const;
  const TOptionsStorage& Storage() const { return storage_; }

  // Receives "Unable to write to <ini path>", "Unable to write to <registry key>" (the key
// cannot be opened for writing) or "Failed to set data for '<value>'".
  // Defaults to an error message box.
  std::function<void(const std::string& message)> OnWriteError;

 private:
  void SetDefaults();
  template <class Flag, class Number>
  void VisitNumbers(Flag&& flag, Number&& number);
  void LoadFromIni();
  void LoadFromRegistry();
  bool SaveToIni();
  bool SaveToRegistry();
  void ReportWriteError(const std::string& message);

  TOptionsStorage storage_;
  bool saveOnDestroy_ = true;
};

// INI number rule: longer than two characters and starting "0x"/"0X" is hexadecimal,
// else signed decimal; anything else (also out of 32-bit range) gives `fallback`.
std::int32_t ParseIniInteger(const std::string& text, std::int32_t fallback);

// The Run value for an executable path: quoted when the path holds a blank, so that
// a program placed at a prefix of the path is not started instead.
std::string RunCommandForPath(const std::string& exePath);
