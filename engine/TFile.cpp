#include "engine/TFile.h"

#include <algorithm>
#include <cstring>

#include "engine/FileSystem.h"

namespace vk {

bool CTFile::SeekTo(uint64_t o) const {
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return false;
  return o <= UINT64_MAX - base && vk::SeekTo(handle, base + o);
}

bool CTFile::Read(uint64_t o, void* data, uint32_t n, uint32_t* done) const {
  *done = 0;
  if (!SeekTo(o)) return false;
  DWORD got = 0;
  if (!FileSystem().ReadFile(handle, data, n, &got)) return false;
  *done = got;
  return true;
}

bool CTFile::Write(uint64_t o, const void* data, uint32_t n, uint32_t* done) const {
  *done = 0;
  if (!SeekTo(o)) return false;
  DWORD put = 0;
  if (!FileSystem().WriteFile(handle, data, n, &put)) return false;
  *done = put;
  return true;
}

bool CTFile::WriteAll(uint64_t o, const void* data, uint32_t n) const {
  uint32_t done = 0;
  return Write(o, data, n, &done) && done == n;
}

void CTFile::Attach(HANDLE file, uint64_t windowBase, uint64_t windowLength) {
  handle = file;
  base = windowBase;
  length = windowLength;
  cacheStart_ = 0;
  cacheLength_ = dirtyFrom_ = dirtyTo_ = 0;
}

void CTFile::Detach() {
  Attach(INVALID_HANDLE_VALUE, 0, 0);
}

bool CTFile::Flush() {
  if (dirtyTo_ <= dirtyFrom_) return true;
  bool ok = WriteAll(cacheStart_ + dirtyFrom_, buffer + dirtyFrom_, dirtyTo_ - dirtyFrom_);
  dirtyFrom_ = dirtyTo_ = 0;
  return ok;
}

// Moves the cache to start at o and fills it from the file, up to `length`.
bool CTFile::Load(uint64_t o) {
  if (!Flush()) return false;
  cacheStart_ = o;
  cacheLength_ = 0;
  if (o >= length) return true;
  uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(bufferSize, length - o));
  uint32_t got = 0;
  if (!Read(o, buffer, want, &got)) return false;
  cacheLength_ = got;
  return true;
}

const unsigned char* CTFile::View(uint64_t o, uint32_t n) {
  if (buffer == nullptr || n > bufferSize || o > length || n > length - o) return nullptr;
  bool cached = o >= cacheStart_ && o - cacheStart_ + n <= cacheLength_;
  if (!cached) {
    if (!Load(o) || n > cacheLength_) return nullptr;
  }
  return buffer + (o - cacheStart_);
}

bool CTFile::Append(const void* data, uint32_t n) {
  if (buffer == nullptr || n > bufferSize) return false;
  // The cache always ends at `length` while appending; restart it there when
  // it is not the tail or is full.
  if (cacheStart_ + cacheLength_ != length || bufferSize - cacheLength_ < n) {
    if (!Flush()) return false;
    cacheStart_ = length;
    cacheLength_ = 0;
  }
  uint32_t at = cacheLength_;
  std::memcpy(buffer + at, data, n);
  cacheLength_ += n;
  if (dirtyTo_ <= dirtyFrom_) dirtyFrom_ = at;
  dirtyTo_ = cacheLength_;
  length += n;
  return true;
}

bool CTFile::Patch(uint64_t o, const void* data, uint32_t n) {
  if (o > length || n > length - o) return false;
  if (o >= cacheStart_ && o - cacheStart_ + n <= cacheLength_) {
    uint32_t at = static_cast<uint32_t>(o - cacheStart_);
    std::memcpy(buffer + at, data, n);
    if (dirtyTo_ <= dirtyFrom_) {
      dirtyFrom_ = at;
      dirtyTo_ = at + n;
    } else {
      dirtyFrom_ = std::min(dirtyFrom_, at);
      dirtyTo_ = std::max(dirtyTo_, at + n);
    }
    return true;
  }
  // Outside the cache the file holds the bytes; a record that straddles the
  // cache's start is written back first so the file is whole before the patch.
  if (o + n > cacheStart_ && o < cacheStart_ + cacheLength_) {
    if (!Flush()) return false;
    cacheLength_ = 0;
  }
  return WriteAll(o, data, n);
}

}  // namespace vk
