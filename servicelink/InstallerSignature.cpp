#include "servicelink/InstallerSignature.h"

#include <bcrypt.h>

#include <cstring>
#include <vector>

#include "UpdateKey.h"  // generated: kUpdateKeyBlob
#include "common/Handle.h"

namespace vk::link {
namespace {

constexpr size_t kSha256Bytes = 32;
constexpr DWORD kHashBlockBytes = 64 * 1024;
// The key's length in bits as the blob states it; any other key is refused.
constexpr ULONG kKeyBits = 2048;

bool Succeeded(NTSTATUS status) { return status >= 0; }

// SHA-256 of the whole file, read from its start.
bool HashFile(HANDLE file, unsigned char (&digest)[kSha256Bytes]) {
  LARGE_INTEGER start{};
  if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
  CryptProvider provider;
  CryptHash hash;
  if (!Succeeded(::BCryptOpenAlgorithmProvider(provider.Receive(), BCRYPT_SHA256_ALGORITHM,
                                               nullptr, 0)) ||
      !Succeeded(::BCryptCreateHash(provider.Get(), hash.Receive(), nullptr, 0, nullptr, 0, 0)))
    return false;
  std::vector<unsigned char> block(kHashBlockBytes);
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file, block.data(), kHashBlockBytes, &got, nullptr)) return false;
    if (got == 0) break;
    if (!Succeeded(::BCryptHashData(hash.Get(), block.data(), got, 0))) return false;
  }
  return Succeeded(::BCryptFinishHash(hash.Get(), digest, kSha256Bytes, 0));
}

// The blob's header names an RSA public key of kKeyBits whose parts fill
// the blob exactly; anything else is not handed to the import.
bool IsRsa2048PublicBlob(PublicKeyBlob key) {
  BCRYPT_RSAKEY_BLOB header{};
  if (!key.bytes || key.size < sizeof(header)) return false;
  std::memcpy(&header, key.bytes, sizeof(header));
  return header.Magic == BCRYPT_RSAPUBLIC_MAGIC && header.BitLength == kKeyBits &&
         header.cbModulus == kKeyBits / 8 && header.cbPrime1 == 0 && header.cbPrime2 == 0 &&
         key.size == sizeof(header) + header.cbPublicExp + header.cbModulus;
}

}  // namespace

PublicKeyBlob BuiltInUpdateKey() { return PublicKeyBlob{kUpdateKeyBlob, kUpdateKeyBlobBytes}; }

bool VerifyFileSignature(HANDLE file, const uint8_t* signature, size_t signatureBytes,
                         PublicKeyBlob key) {
  if (!signature || signatureBytes != kSignatureBytes || !IsRsa2048PublicBlob(key)) return false;
  unsigned char digest[kSha256Bytes];
  if (!HashFile(file, digest)) return false;
  CryptProvider rsa;
  CryptKey publicKey;
  if (!Succeeded(::BCryptOpenAlgorithmProvider(rsa.Receive(), BCRYPT_RSA_ALGORITHM, nullptr, 0)) ||
      !Succeeded(::BCryptImportKeyPair(rsa.Get(), nullptr, BCRYPT_RSAPUBLIC_BLOB,
                                       publicKey.Receive(), const_cast<PUCHAR>(key.bytes),
                                       static_cast<ULONG>(key.size), 0)))
    return false;
  BCRYPT_PKCS1_PADDING_INFO padding{BCRYPT_SHA256_ALGORITHM};
  std::vector<unsigned char> copy(signature, signature + signatureBytes);
  return Succeeded(::BCryptVerifySignature(publicKey.Get(), &padding, digest, kSha256Bytes,
                                           copy.data(), static_cast<ULONG>(copy.size()),
                                           BCRYPT_PAD_PKCS1));
}

}  // namespace vk::link
