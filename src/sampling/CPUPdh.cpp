#include "sampling/CPUPdh.h"

#include <pdhmsg.h>

namespace {

PDH_STATUS WINAPI SystemOpenQuery(LPCSTR dataSource, DWORD_PTR userData, PDH_HQUERY* query) {
  return PdhOpenQueryA(dataSource, userData, query);
}

PDH_STATUS WINAPI SystemAddCounter(PDH_HQUERY query, LPCSTR path, DWORD_PTR userData,
                                   PDH_HCOUNTER* counter) {
  return PdhAddCounterA(query, path, userData, counter);
}

using AddCounterFn = PDH_STATUS(WINAPI*)(PDH_HQUERY, LPCSTR, DWORD_PTR, PDH_HCOUNTER*);

// PdhAddCounterA takes counter names in the system's display language, so the English path
// fails on a German or French Windows; Vista and later also take English names through
// PdhAddEnglishCounterA. The program links pdh.dll, so the module is already loaded.
AddCounterFn SystemAddEnglishCounter() {
  HMODULE pdh = GetModuleHandleA("pdh.dll");
  if (!pdh) return nullptr;
  return reinterpret_cast<AddCounterFn>(
      reinterpret_cast<void*>(GetProcAddress(pdh, "PdhAddEnglishCounterA")));
}

}  // namespace

const TPdhFunctions& SystemPdhFunctions() {
  static const TPdhFunctions functions{SystemOpenQuery,          SystemAddCounter,
                                       PdhCollectQueryData,      PdhGetFormattedCounterValue,
                                       PdhRemoveCounter,         PdhCloseQuery,
                                       GetComputerNameA,         SystemAddEnglishCounter()};
  return functions;
}

std::string PdhCounterPath(const std::string& computerName) {
  return "\\\\" + computerName + "\\Processor(_Total)\\% Processor Time";
}

TCPUPdh::TCPUPdh() : TCPUPdh(SystemPdhFunctions()) {}

TCPUPdh::TCPUPdh(const TPdhFunctions& functions) : pdh_(functions) {
  if (pdh_.OpenQuery(nullptr, 0, &query_) != ERROR_SUCCESS) query_ = nullptr;
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof(name);
  if (!pdh_.GetComputerName(name, &size)) name[0] = '\0';
  name[sizeof(name) - 1] = '\0';
  path_ = PdhCounterPath(name);
  const auto add = pdh_.AddEnglishCounter ? pdh_.AddEnglishCounter : pdh_.AddCounter;
  if (query_ && add(query_, path_.c_str(), 0, &counter_) != ERROR_SUCCESS) counter_ = nullptr;
}

TCPUPdh::~TCPUPdh() {
  if (counter_) pdh_.RemoveCounter(counter_);
  if (query_) pdh_.CloseQuery(query_);
}

std::int32_t TCPUPdh::GetCPUUsage() {
  PDH_FMT_COUNTERVALUE value{};
  value.CStatus = PDH_CSTATUS_INVALID_DATA;
  if (query_ && counter_) {
    pdh_.CollectQueryData(query_);
    if (pdh_.GetFormattedCounterValue(counter_, PDH_FMT_LARGE, nullptr, &value) !=
        ERROR_SUCCESS)
      value.CStatus = PDH_CSTATUS_INVALID_DATA;
  }
  if (value.CStatus == PDH_CSTATUS_VALID_DATA || value.CStatus == PDH_CSTATUS_NEW_DATA)
    LastUsage_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(value.largeValue));
  else
    LastUsage_ = 0;
  return LastUsage_;
}
