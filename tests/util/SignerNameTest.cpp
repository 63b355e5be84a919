// GetSignerName on copies of a test program that carry an embedded PKCS #7 signature made
// here with a throw-away self-signed certificate: once with that certificate, once without.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "support/TestSupport.h"
#include "util/QvFileService.h"

namespace {

using Bytes = std::vector<BYTE>;

// An ephemeral RSA signing key and a self-signed certificate for it.
class TestSigner {
 public:
  TestSigner() {
    if (!CryptAcquireContextA(&prov_, nullptr, nullptr, PROV_RSA_FULL,
                              CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
      return;
    }
    if (!CryptGenKey(prov_, AT_SIGNATURE, (1024u << 16), &key_)) return;
    BYTE name[256];
    DWORD nameSize = sizeof(name);
    if (!CertStrToNameA(X509_ASN_ENCODING, "CN=Memtide Test Signer", CERT_X500_NAME_STR, nullptr,
                        name, &nameSize, nullptr)) {
      return;
    }
    CERT_NAME_BLOB subject{nameSize, name};
    cert_ = CertCreateSelfSignCertificate(prov_, &subject, 0, nullptr, nullptr, nullptr, nullptr,
                                          nullptr);
  }
  ~TestSigner() {
    if (cert_) CertFreeCertificateContext(cert_);
    if (key_) CryptDestroyKey(key_);
    if (prov_) CryptReleaseContext(prov_, 0);
  }
  bool Ready() const { return cert_ != nullptr; }

  // PKCS #7 signed data over `content`, with or without the signer's certificate.
  Bytes Sign(const Bytes& content, bool includeCertificate) const {
    CMSG_SIGNER_ENCODE_INFO signer{};
    signer.cbSize = sizeof(signer);
    signer.pCertInfo = cert_->pCertInfo;
    signer.hCryptProv = prov_;
    signer.dwKeySpec = AT_SIGNATURE;
    signer.HashAlgorithm.pszObjId = const_cast<LPSTR>(szOID_OIWSEC_sha1);
    CERT_BLOB certBlob{cert_->cbCertEncoded, cert_->pbCertEncoded};
    CMSG_SIGNED_ENCODE_INFO info{};
    info.cbSize = sizeof(info);
    info.cSigners = 1;
    info.rgSigners = &signer;
    info.cCertEncoded = includeCertificate ? 1 : 0;
    info.rgCertEncoded = includeCertificate ? &certBlob : nullptr;
    HCRYPTMSG msg = CryptMsgOpenToEncode(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CMSG_SIGNED,
                                         &info, nullptr, nullptr);
    Bytes out;
    if (!msg) return out;
    DWORD size = 0;
    if (CryptMsgUpdate(msg, content.data(), static_cast<DWORD>(content.size()), TRUE) &&
        CryptMsgGetParam(msg, CMSG_CONTENT_PARAM, 0, nullptr, &size)) {
      out.resize(size);
      if (!CryptMsgGetParam(msg, CMSG_CONTENT_PARAM, 0, out.data(), &size)) out.clear();
      out.resize(size);
    }
    CryptMsgClose(msg);
    return out;
  }

 private:
  HCRYPTPROV prov_ = 0;
  HCRYPTKEY key_ = 0;
  PCCERT_CONTEXT cert_ = nullptr;
};

Bytes ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Appends `signature` as the image's certificate table (the security data directory).
bool EmbedSignature(Bytes& image, const Bytes& signature) {
  if (image.size() < 0x40) return false;
  const auto lfanew = *reinterpret_cast<const LONG*>(&image[0x3C]);
  if (lfanew <= 0 || static_cast<size_t>(lfanew) + sizeof(IMAGE_NT_HEADERS64) > image.size()) {
    return false;
  }
  auto* nt32 = reinterpret_cast<IMAGE_NT_HEADERS32*>(&image[lfanew]);
  IMAGE_DATA_DIRECTORY* dirs = nullptr;
  if (nt32->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
    dirs = nt32->OptionalHeader.DataDirectory;
  } else {
    dirs = reinterpret_cast<IMAGE_NT_HEADERS64*>(nt32)->OptionalHeader.DataDirectory;
  }
  while (image.size() % 8) image.push_back(0);
  const DWORD offset = static_cast<DWORD>(image.size());
  // WIN_CERTIFICATE: length, revision 2.0, type PKCS signed data, then the signature.
  struct {
    DWORD dwLength;
    WORD wRevision;
    WORD wCertificateType;
  } header{};
  DWORD length = static_cast<DWORD>(sizeof(header) + signature.size());
  length = (length + 7) & ~7u;
  // Pointers into `image` die when it grows: fill the directory before appending.
  dirs[IMAGE_DIRECTORY_ENTRY_SECURITY].VirtualAddress = offset;
  dirs[IMAGE_DIRECTORY_ENTRY_SECURITY].Size = length;
  header.dwLength = length;
  header.wRevision = 0x0200;
  header.wCertificateType = 0x0002;
  const auto* h = reinterpret_cast<const BYTE*>(&header);
  image.insert(image.end(), h, h + sizeof(header));
  image.insert(image.end(), signature.begin(), signature.end());
  image.resize(offset + length, 0);
  return true;
}

class SignedCopies : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!signer.Ready()) GTEST_SKIP() << "no RSA provider to make a test certificate";
  }
  std::string MakeCopy(const std::string& name, bool includeCertificate) {
    Bytes image = ReadAll(testsupport::ExeFolder() + "ProbeChild.exe");
    const Bytes signature = signer.Sign(Bytes{'M', 'e', 'm', 't', 'i', 'd', 'e'}, includeCertificate);
    EXPECT_FALSE(signature.empty());
    EXPECT_TRUE(EmbedSignature(image, signature));
    std::ofstream out(temp.File(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    return temp.File(name);
  }
  TestSigner signer;
  testsupport::TempFolder temp;
};

TEST_F(SignedCopies, NameOfTheSignersCertificate) {
  const std::string file = MakeCopy("signed.exe", true);
  std::string name;
  ASSERT_TRUE(GetSignerName(file, name));
  EXPECT_EQ(name, "Memtide Test Signer");
}

TEST_F(SignedCopies, MissingSignerCertificateGivesAnEmptyName) {
  const std::string file = MakeCopy("nocert.exe", false);
  std::string name = "stale";
  ASSERT_TRUE(GetSignerName(file, name));
  EXPECT_EQ(name, "");
}

}  // namespace
