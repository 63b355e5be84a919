// What the process collection reads from another process: its command line and the
// account of its token.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <unordered_map>

// The command line of `process` (opened with PROCESS_QUERY_INFORMATION | PROCESS_VM_READ),
// read from its process parameters in the layout of its own architecture. Fails, leaving
// `commandLine` alone, when the line cannot be read or is not shorter than `maxBytes`.
bool ReadProcessCommandLine(HANDLE process, std::size_t maxBytes, std::wstring& commandLine);

// Account names of process tokens. LookupAccountSidA may have to ask a domain controller,
// and a machine runs hundreds of processes under a handful of accounts: each security
// identifier is looked up once for the life of the object, failures included.
class TAccountNames {
 public:
  // "DOMAIN\user" of the process token; "NT AUTHORITY\SYSTEM" when the token cannot be
  // read or its account has no name.
  std::string OfProcess(HANDLE process);

  // Seam for tests: the look-up of one identifier (empty: LookupAccountSidA on the local
  // machine). A failed look-up leaves both texts empty.
  std::function<bool(PSID sid, std::string& name, std::string& domain)> Lookup;

 private:
  std::string NameOf(PSID sid);
  std::unordered_map<std::string, std::string> bySid_;  // SID bytes -> result
};
