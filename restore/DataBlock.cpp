#include "restore/DataBlock.h"

#include <zlib.h>

#include "engine/EngineUtil.h"
#include "engine/FileSystem.h"

namespace vk {
namespace {

bool ReadExactly(HANDLE h, void* data, uint32_t n) {
  DWORD done = 0;
  return FileSystem().ReadFile(h, data, n, &done) && done == n;
}

}  // namespace

BkupResult ReadDataBlock(HANDLE archive, uint64_t* position, uint64_t dataEnd,
                         const BlockBuffers& buffers, uint32_t* produced) {
  *produced = 0;
  _BKUPFILE_BLOCK block;
  if (!ReadExactly(archive, &block, sizeof(block))) return DiskFullOr(kResultReadError);
  if (block.CompressedSize == 0 || block.CompressedSize > buffers.inputCapacity ||
      block.UncompressedSize == 0 || block.UncompressedSize > kBlockSize)
    return kResultInvalid;
  uint64_t end = *position + sizeof(block) + block.CompressedSize;
  if (*position < kSetHeaderSize || end > dataEnd) return kResultInvalid;
  if (!ReadExactly(archive, buffers.input, block.CompressedSize))
    return DiskFullOr(kResultReadError);
  uLongf length = kBlockSize;
  int z = ::uncompress(buffers.output, &length, buffers.input, block.CompressedSize);
  if (z != Z_OK || length != block.UncompressedSize) return kResultInvalid;
  *position = end;
  *produced = block.UncompressedSize;
  return kResultOk;
}

}  // namespace vk
