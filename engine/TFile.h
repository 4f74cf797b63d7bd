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

  // Reads or writes n bytes at window offset o (file offset base + o).
  // False when no file is attached, when the seek fails or lands elsewhere,
  // or when the transfer call fails; otherwise *done receives the number of
  // bytes actually moved, which the caller compares with n. The offset is
  // deliberately not checked against length: the index writer appends.
  bool Read(uint64_t o, void* data, uint32_t n, uint32_t* done) const;
  bool Write(uint64_t o, const void* data, uint32_t n, uint32_t* done) const;

  // The handle is not owned: the temporary index is owned by its job, an
  // archive's handle by the job's open-set map.
  HANDLE handle = INVALID_HANDLE_VALUE;
  uint64_t base = 0;
  unsigned char* buffer = nullptr;  // kWorkBufferSize bytes, owned by the job
  uint64_t length = 0;

 private:
  bool SeekTo(uint64_t o) const;
};

}  // namespace vk
