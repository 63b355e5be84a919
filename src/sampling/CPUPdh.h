// TCPUPdh: the machine's CPU load read from the Performance Data Helper counter
// "\\<computer>\Processor(_Total)\% Processor Time".
#pragma once
#include <windows.h>
#include <pdh.h>

#include <cstdint>
#include <string>

// The PDH and computer-name calls the sampler makes; tests hand in their own.
struct TPdhFunctions {
  PDH_STATUS(WINAPI* OpenQuery)(LPCSTR dataSource, DWORD_PTR userData, PDH_HQUERY* query);
  PDH_STATUS(WINAPI* AddCounter)(PDH_HQUERY query, LPCSTR path, DWORD_PTR userData,
                                 PDH_HCOUNTER* counter);
  PDH_STATUS(WINAPI* CollectQueryData)(PDH_HQUERY query);
  PDH_STATUS(WINAPI* GetFormattedCounterValue)(PDH_HCOUNTER counter, DWORD format,
                                               LPDWORD type, PPDH_FMT_COUNTERVALUE value);
  PDH_STATUS(WINAPI* RemoveCounter)(PDH_HCOUNTER counter);
  PDH_STATUS(WINAPI* CloseQuery)(PDH_HQUERY query);
  BOOL(WINAPI* GetComputerName)(LPSTR buffer, LPDWORD size);
  // PdhAddEnglishCounterA (Vista and later); null where the system has none.
  PDH_STATUS(WINAPI* AddEnglishCounter)(PDH_HQUERY query, LPCSTR path, DWORD_PTR userData,
                                        PDH_HCOUNTER* counter);
};

// The system's functions.
const TPdhFunctions& SystemPdhFunctions();

// "\\" + computer name + "\Processor(_Total)\% Processor Time".
std::string PdhCounterPath(const std::string& computerName);

class TCPUPdh {
 public:
  // Opens the query and adds the counter by its English path (AddEnglishCounter), or by
  // the same path where the system cannot take English names; failures show later as
  // samples of 0.
  TCPUPdh();
  explicit TCPUPdh(const TPdhFunctions& functions);
  ~TCPUPdh();
  TCPUPdh(const TCPUPdh&) = delete;
  TCPUPdh& operator=(const TCPUPdh&) = delete;

  // One collection: the counter's value, or 0 when it has no valid value (the first
  // sample of a rate counter, a failed call, a missing counter).
  std::int32_t GetCPUUsage();

  std::int32_t LastUsage() const { return LastUsage_; }
  const std::string& CounterPath() const { return path_; }

 private:
  TPdhFunctions pdh_;
  std::int32_t LastUsage_ = 0;
  PDH_HQUERY query_ = nullptr;
  PDH_HCOUNTER counter_ = nullptr;
  std::string path_;
};
