#include "util/QvFileService.h"

#include <shellapi.h>
#include <wincrypt.h>

#include <memory>
#include <vector>

#include "util/AnsiText.h"
#include "util/ScopedHandles.h"
#include "util/SystemLibrary.h"

namespace {

struct CertStoreTraits {
  static HCERTSTORE Invalid() { return nullptr; }
  static bool IsValid(HCERTSTORE h) { return h != nullptr; }
  static void Close(HCERTSTORE h) {
    CallSystemFunction<decltype(CertCloseStore)>(CryptLibrary(), "CertCloseStore", FALSE, h, 0);
  }
};
struct CryptMsgTraits {
  static HCRYPTMSG Invalid() { return nullptr; }
  static bool IsValid(HCRYPTMSG h) { return h != nullptr; }
  static void Close(HCRYPTMSG h) {
    CallSystemFunction<decltype(CryptMsgClose)>(CryptLibrary(), "CryptMsgClose", FALSE, h);
  }
};
struct CertContextTraits {
  static PCCERT_CONTEXT Invalid() { return nullptr; }
  static bool IsValid(PCCERT_CONTEXT h) { return h != nullptr; }
  static void Close(PCCERT_CONTEXT h) {
    CallSystemFunction<decltype(CertFreeCertificateContext)>(CryptLibrary(),
                                                             "CertFreeCertificateContext", FALSE, h);
  }
};
using UniqueCertStore = UniqueOwner<HCERTSTORE, CertStoreTraits>;
using UniqueCryptMsg = UniqueOwner<HCRYPTMSG, CryptMsgTraits>;
using UniqueCertContext = UniqueOwner<PCCERT_CONTEXT, CertContextTraits>;

// version.dll and crypt32.dll come through the system-library loader: neither is a
// KnownDLL, and a copy beside the program must not be the one that runs. A missing library
// reads as a file without version resource or signature.
BOOL GetSignerInfo(HCRYPTMSG message, void* data, DWORD* size) {
  return CallSystemFunction<decltype(CryptMsgGetParam)>(CryptLibrary(), "CryptMsgGetParam", FALSE,
                                                         message, DWORD{CMSG_SIGNER_INFO_PARAM},
                                                         DWORD{0}, data, size);
}

DWORD GetSimpleName(PCCERT_CONTEXT cert, char* text, DWORD size) {
  return CallSystemFunction<decltype(CertGetNameStringA)>(
      CryptLibrary(), "CertGetNameStringA", DWORD{0}, cert, DWORD{CERT_NAME_SIMPLE_DISPLAY_TYPE},
      DWORD{0}, static_cast<void*>(nullptr), text, size);
}

std::string QueryVersionString(const void* data, const std::string& key) {
  char* value = nullptr;
  UINT length = 0;
  if (!CallSystemFunction<decltype(VerQueryValueA)>(VersionLibrary(), "VerQueryValueA", FALSE, data,
                                                    key.c_str(), reinterpret_cast<void**>(&value),
                                                    &length) ||
      !value || length == 0) {
    return "";
  }
  // The length counts the terminating zero on Windows but not everywhere; stop at the zero.
  std::string text(value, length);
  const auto zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return text;
}

}  // namespace

bool IsExistingFile(const std::string& Path) {
  // FindFirstFileA would report a match for "C:\*.exe"; a wildcard never names one file.
  // The "?" of a long-path prefix ("\\?\C:\...") is no wildcard.
  const std::size_t named = Path.rfind("\\\\?\\", 0) == 0 ? 4 : 0;
  if (Path.empty() || Path.find_first_of("*?", named) != std::string::npos) return false;
  WIN32_FIND_DATAA data;
  UniqueFindHandle find(FindFirstFileA(Path.c_str(), &data));
  if (!find) return false;
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string WithTrailingBackslash(const std::string& Path) {
  if (Path.empty() || Path.back() == '\\') return Path;
  return Path + '\\';
}

TDateTime LocalTicksToDateTime(std::uint64_t localTicks) {
  // 109 205 days lie between 1 January 1601 (file time 0) and 30 December 1899.
  return static_cast<double>(localTicks) / 864000000000.0 - 109205.0;
}

TDateTime FileTimeToLocalDateTime(const FILETIME& FileTime) {
  FILETIME local = FileTime;  // on failure the time is shown unconverted, not as 1601
  FileTimeToLocalFileTime(&FileTime, &local);
  ULARGE_INTEGER ticks;
  ticks.LowPart = local.dwLowDateTime;
  ticks.HighPart = local.dwHighDateTime;
  return LocalTicksToDateTime(ticks.QuadPart);
}

std::string GetProgramFile() {
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return "";
    if (n < buf.size()) return std::string(buf.data(), n);
    buf.resize(buf.size() * 2);  // truncated
    if (buf.size() > 32768) return "";
  }
}

std::string GetProgramFolder() {
  const std::string file = GetProgramFile();
  const auto slash = file.find_last_of('\\');
  if (slash == std::string::npos) return "";
  return file.substr(0, slash + 1);
}

bool ReadVersionInfo(const std::string& File, TMyFileVersion& Info) {
  DWORD ignored = 0;
  const DWORD size = CallSystemFunction<decltype(GetFileVersionInfoSizeA)>(
      VersionLibrary(), "GetFileVersionInfoSizeA", DWORD{0}, File.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<char> data(size, '\0');
  if (!CallSystemFunction<decltype(GetFileVersionInfoA)>(VersionLibrary(), "GetFileVersionInfoA",
                                                         FALSE, File.c_str(), DWORD{0}, size,
                                                         data.data())) {
    return false;
  }

  TMyFileVersion result;
  WORD* translation = nullptr;
  UINT length = 0;
  if (CallSystemFunction<decltype(VerQueryValueA)>(
          VersionLibrary(), "VerQueryValueA", FALSE, data.data(), "\\VarFileInfo\\Translation",
          reinterpret_cast<void**>(&translation), &length) &&
      translation && length >= 2 * sizeof(WORD)) {
    char prefix[32];
    wsprintfA(prefix, "\\StringFileInfo\\%04X%04X\\", translation[0], translation[1]);
    const std::string base = prefix;
    result.FileDescription = QueryVersionString(data.data(), base + "FileDescription");
    result.CompanyName = QueryVersionString(data.data(), base + "CompanyName");
    result.FileVersion = QueryVersionString(data.data(), base + "FileVersion");
    result.LegalCopyright = QueryVersionString(data.data(), base + "LegalCopyright");
    result.InternalName = QueryVersionString(data.data(), base + "InternalName");
    result.ProductName = QueryVersionString(data.data(), base + "ProductName");
    result.ProductVersion = QueryVersionString(data.data(), base + "ProductVersion");
  }
  Info = std::move(result);
  return true;
}

bool GetSignerName(const std::string& File, std::string& Name) {
  Name.clear();
  if (!IsExistingFile(File)) return false;

  const std::wstring wide = AnsiToWide(File);
  UniqueCertStore store;
  UniqueCryptMsg message;
  DWORD encoding = 0;
  DWORD contentType = 0;
  DWORD formatType = 0;
  HCERTSTORE rawStore = nullptr;
  HCRYPTMSG rawMessage = nullptr;
  const BOOL ok = CallSystemFunction<decltype(CryptQueryObject)>(
      CryptLibrary(), "CryptQueryObject", FALSE, DWORD{CERT_QUERY_OBJECT_FILE},
      static_cast<const void*>(wide.c_str()), DWORD{CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED},
      DWORD{CERT_QUERY_FORMAT_FLAG_BINARY}, DWORD{0}, &encoding, &contentType, &formatType,
      &rawStore, &rawMessage, static_cast<const void**>(nullptr));
  store.reset(rawStore);
  message.reset(rawMessage);
  if (!ok) return false;

  DWORD infoSize = 0;
  if (!GetSignerInfo(message.get(), nullptr, &infoSize) ||
      infoSize == 0) {
    return true;
  }
  std::vector<BYTE> infoData(infoSize);
  if (!GetSignerInfo(message.get(), infoData.data(), &infoSize)) {
    return true;
  }
  const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(infoData.data());

  CERT_INFO wanted{};
  wanted.Issuer = signer->Issuer;
  wanted.SerialNumber = signer->SerialNumber;
  UniqueCertContext cert(CallSystemFunction<decltype(CertFindCertificateInStore)>(
      CryptLibrary(), "CertFindCertificateInStore", PCCERT_CONTEXT{nullptr}, store.get(),
      DWORD{X509_ASN_ENCODING | PKCS_7_ASN_ENCODING}, DWORD{0}, DWORD{CERT_FIND_SUBJECT_CERT},
      static_cast<const void*>(&wanted), PCCERT_CONTEXT{nullptr}));
  if (!cert) return true;  // signed, but the signer's certificate is not in the file

  const DWORD length = GetSimpleName(cert.get(), nullptr, 0);
  if (length <= 1) return true;
  std::vector<char> text(length, '\0');
  GetSimpleName(cert.get(), text.data(), length);
  Name = text.data();
  return true;
}

int GetSmallIconIndex(const std::string& Path) {
  SHFILEINFOA info{};
  const DWORD_PTR ok = SHGetFileInfoA(Path.c_str(), 0, &info, sizeof(info),
                                      SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  return ok ? info.iIcon : -1;
}
