#include "settings/OptionsUnit.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <type_traits>
#include <utility>
#include <vector>

#include "util/QvBaseUnit.h"
#include "util/QvFileService.h"
#include "util/ScopedHandles.h"

namespace {

std::string ReadIniText(const std::string& ini, const char* key, const char* fallback) {
  char buf[2048] = {};
  DWORD n = GetPrivateProfileStringA("Options", key, fallback, buf, sizeof buf, ini.c_str());
  return std::string(buf, n);
}

// Absent entries and numbers that do not parse keep `fallback`.
std::int32_t ReadIniInteger(const std::string& ini, const char* key, std::int32_t fallback) {
  const std::string text = ReadIniText(ini, key, "");
  if (text.empty()) return fallback;
  return ParseIniInteger(text, fallback);
}

// Reads a REG_DWORD value into `out`; any other type or size leaves `out` as it is.
void ReadRegDword(HKEY key, const char* name, std::uint32_t& out) {
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
          ERROR_SUCCESS &&
      type == REG_DWORD && size == sizeof value)
    out = value;
}

void ReadRegText(HKEY key, const char* name, std::string& out) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return;
  std::vector<char> buf(size + 1, '\0');
  DWORD got = size;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &got) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return;
  // The stored data need not end with a terminator.
  buf[got < buf.size() ? got : buf.size() - 1] = '\0';
  out = buf.data();
}

UniqueHKey CreateFullAccess(HKEY root, const std::string& path) {
  UniqueHKey key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    key.release();
  return key;
}

// "HKEY_CURRENT_USER\\<path>" for the roots the program uses; other roots give the path alone.
std::string RegistryKeyName(HKEY root, const std::string& path) {
  const char* rootName = root == HKEY_CURRENT_USER    ? "HKEY_CURRENT_USER"
                         : root == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE"
                         : root == HKEY_USERS         ? "HKEY_USERS"
                                                      : nullptr;
  return rootName ? std::string(rootName) + "\\" + path : path;
}

}  // namespace

std::int32_t ParseIniInteger(const std::string& text, std::int32_t fallback) {
  if (text.empty()) return fallback;
  const char* s = text.c_str();
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    s += 2;
    base = 16;
  }
  // strtol accepts blanks and a second sign or "0x"; the rule does not.
  if (base == 16) {
    for (const char* p = s; *p; ++p)
      if (!isxdigit(static_cast<unsigned char>(*p))) return fallback;
  } else {
    const char* p = s;
    if (*p == '-' || *p == '+') ++p;
    if (!*p) return fallback;
    for (; *p; ++p)
      if (*p < '0' || *p > '9') return fallback;
  }
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(s, &end, base);
  if (errno == ERANGE || *end != '\0') return fallback;
  if (base == 16) {
    // Hex text names a 32-bit pattern: 0xFFFFFFFF is -1.
    if (v < 0 || v > 0xFFFFFFFFLL) return fallback;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  }
  if (v < INT32_MIN || v > INT32_MAX) return fallback;
  return static_cast<std::int32_t>(v);
}

std::string RunCommandForPath(const std::string& exePath) {
  if (exePath.find(' ') == std::string::npos) return exePath;
  return "\"" + exePath + "\"";
}

TOptionsStorage TOptionsStorage::ForThisProgram() {
  TOptionsStorage s;
  s.ExePath = GetProgramFile();
  s.ProgramFolder = GetProgramFolder();
  return s;
}

TOptions::TOptions() : TOptions(TOptionsStorage::ForThisProgram()) {}

TOptions::TOptions(TOptionsStorage storage) : storage_(std::move(storage)) { LoadSettings(); }

TOptions::~TOptions() {
  // A destructor must not throw; a failed write has been reported already.
  try {
    if (saveOnDestroy_) SaveSettings();
  } catch (...) {
  }
}

bool TOptions::PortableMode() const { return IsExistingFile(storage_.MarkerPath()); }

void TOptions::SetDefaults() {
  ShowMessageWhenOptimizing = true;
  AutoOptimize = true;
  HotKey = DefaultHotKey;
  CPUGridColor = 16757683;
  CPUStartBackColor = 16777215;
  CPUEndBackColor = 16777215;
  CPUHighCPUColor = 255;
  CPULowCPUColor = 4259584;
  RAMGridColor = 16757683;
  RAMStartBackColor = 16777215;
  RAMEndBackColor = 16777215;
  RAMHighRAMColor = 16776960;
  RAMLowRAMColor = 255;
  CPUDataFromSystemPerform = false;
  Language = "English";
  ShowFreeMemoryInTrayIcon = false;
}

void TOptions::LoadSettings() {
  SetDefaults();
  if (PortableMode())
    LoadFromIni();
  else
    LoadFromRegistry();
}

// The fifteen numeric settings in their storage order; Language, the one text, is handled
// by each back end itself.
template <class Flag, class Number>
void TOptions::VisitNumbers(Flag&& flag, Number&& number) {
  flag("ShowMessageWhenOptimizing", ShowMessageWhenOptimizing);
  flag("AutoOptimize", AutoOptimize);
  number("HotKey", HotKey);
  number("CPUGridColor", CPUGridColor);
  number("CPUStartBackColor", CPUStartBackColor);
  number("CPUEndBackColor", CPUEndBackColor);
  number("CPUHighCPUColor", CPUHighCPUColor);
  number("CPULowCPUColor", CPULowCPUColor);
  number("RAMGridColor", RAMGridColor);
  number("RAMStartBackColor", RAMStartBackColor);
  number("RAMEndBackColor", RAMEndBackColor);
  number("RAMHighRAMColor", RAMHighRAMColor);
  number("RAMLowRAMColor", RAMLowRAMColor);
  flag("CPUDataFromSystemPerform", CPUDataFromSystemPerform);
  flag("ShowFreeMemoryInTrayIcon", ShowFreeMemoryInTrayIcon);
}

void TOptions::LoadFromIni() {
  const std::string ini = storage_.IniPath();
  auto flag = [&](const char* key, bool& field) {
    field = ReadIniInteger(ini, key, field ? 1 : 0) != 0;
  };
  auto number = [&](const char* key, auto& field) {
    using T = std::remove_reference_t<decltype(field)>;
    field = static_cast<T>(ReadIniInteger(ini, key, static_cast<std::int32_t>(field)));
  };
  VisitNumbers(flag, number);
  Language = ReadIniText(ini, "Language", Language.c_str());
}

void TOptions::LoadFromRegistry() {
  UniqueHKey key = CreateFullAccess(storage_.Root, storage_.SettingsKey);
  // A key locked against writing (by policy, say) still holds the user's settings: read them
  // rather than start from the defaults.
  if (!key &&
      RegOpenKeyExA(storage_.Root, storage_.SettingsKey.c_str(), 0, KEY_READ, key.put()) !=
          ERROR_SUCCESS) {
    key.release();
  }
  if (!key) return;
  auto flag = [&](const char* name, bool& field) {
    std::uint32_t v = field ? 1 : 0;
    ReadRegDword(key.get(), name, v);
    field = v != 0;
  };
  auto number = [&](const char* name, auto& field) {
    std::uint32_t v = static_cast<std::uint32_t>(field);
    ReadRegDword(key.get(), name, v);
    field = static_cast<std::remove_reference_t<decltype(field)>>(v);
  };
  VisitNumbers(flag, number);
  ReadRegText(key.get(), "Language", Language);
}

bool TOptions::SaveSettings() { return PortableMode() ? SaveToIni() : SaveToRegistry(); }

void TOptions::ReportWriteError(const std::string& message) {
  if (OnWriteError) {
    OnWriteError(message);
    return;
  }
  ShowMessageBox(message, MB_OK | MB_ICONERROR);
}

bool TOptions::SaveToIni() {
  const std::string ini = storage_.IniPath();
  bool ok = true;
  auto put = [&](const char* key, const std::string& text) {
    if (!ok) return;
    if (!WritePrivateProfileStringA("Options", key, text.c_str(), ini.c_str())) {
      ok = false;
      ReportWriteError("Unable to write to " + ini);
    }
  };
  auto flag = [&](const char* key, bool v) { put(key, v ? "1" : "0"); };
  auto number = [&](const char* key, auto v) {
    put(key, std::to_string(static_cast<std::int32_t>(v)));
  };
  VisitNumbers(flag, number);
  put("Language", Language);
  return ok;
}

bool TOptions::SaveToRegistry() {
  UniqueHKey key = CreateFullAccess(storage_.Root, storage_.SettingsKey);
  if (!key) {
    // Loading falls back to reading a locked key, so the user may have edited settings that
    // this save cannot keep: say so rather than let them be lost at the next start.
    ReportWriteError("Unable to write to " + RegistryKeyName(storage_.Root, storage_.SettingsKey));
    return false;
  }
  bool ok = true;
  auto fail = [&](const char* name) {
    ok = false;
    ReportWriteError(std::string("Failed to set data for '") + name + "'");
  };
  auto dword = [&](const char* name, std::uint32_t v) {
    if (!ok) return;
    if (RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                       sizeof v) != ERROR_SUCCESS)
      fail(name);
  };
  VisitNumbers([&](const char* name, bool v) { dword(name, v ? 1 : 0); },
               [&](const char* name, auto v) { dword(name, static_cast<std::uint32_t>(v)); });
  if (ok && RegSetValueExA(key.get(), "Language", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(Language.c_str()),
                           static_cast<DWORD>(Language.size() + 1)) != ERROR_SUCCESS)
    fail("Language");
  return ok;
}

bool TOptions::IsRunAtStartup() const {
  UniqueHKey key;
  if (RegOpenKeyExA(storage_.Root, storage_.RunKey.c_str(), 0, KEY_READ, key.put()) !=
      ERROR_SUCCESS) {
    key.release();
    return false;
  }
  return RegQueryValueExA(key.get(), storage_.RunValue.c_str(), nullptr, nullptr, nullptr,
                          nullptr) == ERROR_SUCCESS;
}

void TOptions::SetRunAtStartup(bool enabled) {
  UniqueHKey key = CreateFullAccess(storage_.Root, storage_.RunKey);
  if (!key) return;
  if (enabled) {
    const std::string command = RunCommandForPath(storage_.ExePath);
    RegSetValueExA(key.get(), storage_.RunValue.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>(command.size() + 1));
  } else {
    RegDeleteValueA(key.get(), storage_.RunValue.c_str());
  }
}
