// Offset-based access to a window of a file: the temporary index being
// written, or the index of an existing backup set.
#pragma once
#include <windows.h>
#include <cstdint>

namespace vk {

class CTFile {
 public:
  CTFile() = default;
  virtual ~CTFile() = default;
  CTFile(const CTFile&) = delete;
  CTFile& operator=(const CTFile&) = delete;
  // The handle and the buffer are not owned: a move hands the window over.
  CTFile(CTFile&&) = default;
  CTFile& operator=(CTFile&&) = default;

  // Reads or writes n bytes at window offset o (file offset base + o).
  // False when no file is attached, when the seek fails or lands elsewhere,
  // or when the transfer call fails; otherwise *done receives the number of
  // bytes actually moved, which the caller compares with n. The offset is
  // deliberately not checked against length: the index writer appends.
  // These bypass the cache below; do not mix them with it without Flush().
  bool Read(uint64_t o, void* data, uint32_t n, uint32_t* done) const;
  bool Write(uint64_t o, const void* data, uint32_t n, uint32_t* done) const;

  // ---- Cached record access through `buffer` ------------------------------
  // An index is read and patched record by record; going to the file for each
  // would cost several system calls per entry. The cache keeps one contiguous
  // stretch [cacheStart, cacheStart + cacheLength) of the window in `buffer`
  // (capacity `bufferSize`), loaded in large reads and written back in one
  // write per dirty stretch. A record never spans more than kMaxEntrySize
  // bytes, well below the capacity, so any record fits.

  // Attaches a file; forgets any cached bytes.
  void Attach(HANDLE file, uint64_t windowBase, uint64_t windowLength);
  // Forgets the file and the cache (writes nothing).
  void Detach();

  // Pointer to n bytes at window offset o, valid until the next cached call;
  // nullptr when fewer than n bytes lie before `length` or the read failed.
  const unsigned char* View(uint64_t o, uint32_t n);
  // Appends n bytes at `length` (n <= bufferSize) and grows length.
  bool Append(const void* data, uint32_t n);
  // Replaces n bytes at window offset o, which must lie before `length`.
  bool Patch(uint64_t o, const void* data, uint32_t n);
  // Writes the dirty part of the cache to the file.
  bool Flush();

  // The handle is not owned: the temporary index is owned by its job, an
  // archive's handle by the job's open-set map.
  HANDLE handle = INVALID_HANDLE_VALUE;
  uint64_t base = 0;
  unsigned char* buffer = nullptr;  // kWorkBufferSize bytes, owned by the job
  uint32_t bufferSize = 0;
  uint64_t length = 0;

 private:
  bool SeekTo(uint64_t o) const;
  bool WriteAll(uint64_t o, const void* data, uint32_t n) const;
  bool Load(uint64_t o);

  uint64_t cacheStart_ = 0;
  uint32_t cacheLength_ = 0;
  uint32_t dirtyFrom_ = 0;  // dirty bytes [dirtyFrom_, dirtyTo_) of the cache
  uint32_t dirtyTo_ = 0;
};

}  // namespace vk
