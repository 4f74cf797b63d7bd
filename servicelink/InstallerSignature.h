// The check that a downloaded installer comes from the maker: a detached
// RSA-2048 PKCS#1 v1.5 signature over the SHA-256 of the file's bytes,
// verified with the system's cryptography (bcrypt) against a public key
// built into the program (scripts/update-signing.sh is the signing side).
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace vk::link {

// An RSA-2048 signature is exactly this long; anything else is malformed.
inline constexpr size_t kSignatureBytes = 256;

// A public key as a BCRYPT_RSAPUBLIC_BLOB.
struct PublicKeyBlob {
  const unsigned char* bytes = nullptr;
  size_t size = 0;
};

// The key the program was built with; empty (size 0) in a build without
// one, which then refuses every installer.
PublicKeyBlob BuiltInUpdateKey();

// True when `signature` is a valid signature by `key` over every byte that
// `file` (opened for reading, at any position) holds from its start to its
// end. False for a signature of the wrong length, an empty or unusable key,
// a read error, or a signature that does not match.
bool VerifyFileSignature(HANDLE file, const uint8_t* signature, size_t signatureBytes,
                         PublicKeyBlob key);

}  // namespace vk::link
