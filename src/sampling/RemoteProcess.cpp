#include "sampling/RemoteProcess.h"

#include <vector>

#include "sampling/NtSystemInfo.h"
#include "util/ScopedHandles.h"

namespace {

NtQueryInformationProcessFn QueryInformationProcess() {
  static const NtQueryInformationProcessFn fn = [] {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll ? reinterpret_cast<NtQueryInformationProcessFn>(reinterpret_cast<void*>(
                       GetProcAddress(ntdll, "NtQueryInformationProcess")))
                 : nullptr;
  }();
  return fn;
}

bool ReadExactly(HANDLE process, ULONG_PTR address, void* into, std::size_t bytes) {
  SIZE_T done = 0;
  return address != 0 &&
         ReadProcessMemory(process, reinterpret_cast<LPCVOID>(address), into, bytes, &done) &&
         done == bytes;
}

bool IsWow64(HANDLE process, bool& wow64) {
  BOOL value = FALSE;
  if (!IsWow64Process(process, &value)) return false;
  wow64 = value != FALSE;
  return true;
}

// Reads `length` bytes of UTF-16 text at `address` when they fit in `maxBytes` with room
// for the terminating zero.
bool ReadText(HANDLE process, ULONG_PTR address, USHORT length, std::size_t maxBytes,
              std::wstring& text) {
  if (length >= maxBytes) return false;
  std::vector<wchar_t> buffer(length / sizeof(wchar_t) + 1, L'\0');
  if (length > 0 && !ReadExactly(process, address, buffer.data(), length)) return false;
  text.assign(buffer.data(), length / sizeof(wchar_t));
  return true;
}

#ifdef _WIN64
// A 32-bit process on a 64-bit system keeps a 32-bit environment block of its own.
bool ReadWow64CommandLine(HANDLE process, std::size_t maxBytes, std::wstring& commandLine) {
  NtQueryInformationProcessFn query = QueryInformationProcess();
  ULONG_PTR peb32 = 0;
  if (!query || query(process, kProcessWow64Information, &peb32, sizeof(peb32), nullptr) !=
                    kStatusSuccess)
    return false;
  NtPebStart32 peb{};
  if (!ReadExactly(process, peb32, &peb, sizeof(peb))) return false;
  NtProcessParametersStart32 params{};
  if (!ReadExactly(process, peb.ProcessParameters, &params, sizeof(params))) return false;
  return ReadText(process, params.CommandLine.Buffer, params.CommandLine.Length, maxBytes,
                  commandLine);
}
#endif

// The environment block that the basic information names, in this build's layout. For a
// 32-bit reader on a 64-bit system that is the 32-bit block of a 32-bit target.
bool ReadNativeCommandLine(HANDLE process, std::size_t maxBytes, std::wstring& commandLine) {
  NtQueryInformationProcessFn query = QueryInformationProcess();
  NtProcessBasicInformation basic{};
  if (!query || query(process, kProcessBasicInformation, &basic, sizeof(basic), nullptr) !=
                    kStatusSuccess)
    return false;
  NtPebStart peb{};
  if (!ReadExactly(process, reinterpret_cast<ULONG_PTR>(basic.PebBaseAddress), &peb,
                   sizeof(peb)))
    return false;
  NtProcessParametersStart params{};
  if (!ReadExactly(process, reinterpret_cast<ULONG_PTR>(peb.ProcessParameters), &params,
                   sizeof(params)))
    return false;
  return ReadText(process, reinterpret_cast<ULONG_PTR>(params.CommandLine.Buffer),
                  params.CommandLine.Length, maxBytes, commandLine);
}

bool LookupLocalAccount(PSID sid, std::string& name, std::string& domain) {
  char nameBuffer[200] = {};
  char domainBuffer[200] = {};
  DWORD nameSize = sizeof(nameBuffer);
  DWORD domainSize = sizeof(domainBuffer);
  SID_NAME_USE use{};
  if (!LookupAccountSidA(nullptr, sid, nameBuffer, &nameSize, domainBuffer, &domainSize, &use))
    return false;
  nameBuffer[sizeof(nameBuffer) - 1] = '\0';
  domainBuffer[sizeof(domainBuffer) - 1] = '\0';
  name = nameBuffer;
  domain = domainBuffer;
  return true;
}

}  // namespace

bool ReadProcessCommandLine(HANDLE process, std::size_t maxBytes, std::wstring& commandLine) {
  if (!process || maxBytes == 0) return false;
  bool targetWow64 = false;
  if (!IsWow64(process, targetWow64)) return false;
#ifdef _WIN64
  if (ReadNativeCommandLine(process, maxBytes, commandLine)) return true;
  return targetWow64 && ReadWow64CommandLine(process, maxBytes, commandLine);
#else
  // A 32-bit reader on a 64-bit system cannot reach the blocks of a 64-bit process.
  bool selfWow64 = false;
  if (!IsWow64(GetCurrentProcess(), selfWow64)) return false;
  if (selfWow64 && !targetWow64) return false;
  return ReadNativeCommandLine(process, maxBytes, commandLine);
#endif
}

std::string TAccountNames::OfProcess(HANDLE process) {
  UniqueHandle token;
  if (!OpenProcessToken(process, TOKEN_QUERY, token.put())) return NameOf(nullptr);
  alignas(8) BYTE info[1000] = {};
  DWORD size = 0;
  if (!GetTokenInformation(token.get(), TokenUser, info, sizeof(info), &size))
    return NameOf(nullptr);
  return NameOf(reinterpret_cast<TOKEN_USER*>(info)->User.Sid);
}

std::string TAccountNames::NameOf(PSID sid) {
  static const char kNoName[] = "NT AUTHORITY\\SYSTEM";
  if (!sid || !IsValidSid(sid)) return kNoName;
  std::string key(static_cast<const char*>(sid), GetLengthSid(sid));
  auto known = bySid_.find(key);
  if (known != bySid_.end()) return known->second;
  std::string name, domain;
  if (!(Lookup ? Lookup(sid, name, domain) : LookupLocalAccount(sid, name, domain))) {
    name.clear();
    domain.clear();
  }
  std::string result = domain + "\\" + name;
  if (result == "\\") result = kNoName;
  return bySid_.emplace(std::move(key), std::move(result)).first->second;
}
