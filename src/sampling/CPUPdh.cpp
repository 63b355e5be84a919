#include "sampling/CPUPdh.h"

#include <pdhmsg.h>
#include <type_traits>

#include "util/SystemLibrary.h"

namespace {

// pdh.dll through the system-library loader: it is no KnownDLL, and a copy beside the
// program must not be the one that runs. A missing library reads as a failed call.
constexpr PDH_STATUS kPdhMissing = PDH_CSTATUS_NO_OBJECT;

PDH_STATUS WINAPI SystemOpenQuery(LPCSTR dataSource, DWORD_PTR userData, PDH_HQUERY* query) {
  return CallSystemFunction<decltype(PdhOpenQueryA)>(PdhLibrary(), "PdhOpenQueryA", kPdhMissing,
                                                      dataSource, userData, query);
}

PDH_STATUS WINAPI SystemAddCounter(PDH_HQUERY query, LPCSTR path, DWORD_PTR userData,
                                   PDH_HCOUNTER* counter) {
  return CallSystemFunction<decltype(PdhAddCounterA)>(PdhLibrary(), "PdhAddCounterA", kPdhMissing,
                                                       query, path, userData, counter);
}

PDH_STATUS WINAPI SystemCollectQueryData(PDH_HQUERY query) {
  return CallSystemFunction<decltype(PdhCollectQueryData)>(PdhLibrary(), "PdhCollectQueryData",
                                                            kPdhMissing, query);
}

PDH_STATUS WINAPI SystemGetFormattedCounterValue(PDH_HCOUNTER counter, DWORD format, LPDWORD type,
                                                 PPDH_FMT_COUNTERVALUE value) {
  return CallSystemFunction<decltype(PdhGetFormattedCounterValue)>(
      PdhLibrary(), "PdhGetFormattedCounterValue", kPdhMissing, counter, format, type, value);
}

PDH_STATUS WINAPI SystemRemoveCounter(PDH_HCOUNTER counter) {
  return CallSystemFunction<decltype(PdhRemoveCounter)>(PdhLibrary(), "PdhRemoveCounter",
                                                         kPdhMissing, counter);
}

PDH_STATUS WINAPI SystemCloseQuery(PDH_HQUERY query) {
  return CallSystemFunction<decltype(PdhCloseQuery)>(PdhLibrary(), "PdhCloseQuery", kPdhMissing,
                                                      query);
}

using AddCounterFn = PDH_STATUS(WINAPI*)(PDH_HQUERY, LPCSTR, DWORD_PTR, PDH_HCOUNTER*);

// PdhAddCounterA takes counter names in the system's display language, so the English path
// fails on a German or French Windows; Vista and later also take English names through
// PdhAddEnglishCounterA.
AddCounterFn SystemAddEnglishCounter() {
  return PdhLibrary().Function<std::remove_pointer_t<AddCounterFn>>("PdhAddEnglishCounterA");
}

}  // namespace

const TPdhFunctions& SystemPdhFunctions() {
  static const TPdhFunctions functions{SystemOpenQuery,        SystemAddCounter,
                                       SystemCollectQueryData, SystemGetFormattedCounterValue,
                                       SystemRemoveCounter,    SystemCloseQuery,
                                       GetComputerNameA,       SystemAddEnglishCounter()};
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
