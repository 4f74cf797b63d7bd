#include "restore/DataBlock.h"

#include <zlib.h>

#include "engine/EngineUtil.h"
#include "engine/FileSystem.h"

namespace vk {
namespace {

// Reads exactly n bytes. A read the system refused is a read error (or a
// full disk); the end of the file before n bytes is damage to the set,
// whatever GetLastError still holds.
BkupResult ReadBlockBytes(HANDLE h, void* data, uint32_t n) {
  switch (ReadExactly(h, data, n)) {
    case ReadOutcome::kWhole:
      return kResultOk;
    case ReadOutcome::kShort:
      return kResultInvalid;
    case ReadOutcome::kFailed:
      break;
  }
  return DiskFullOr(kResultReadError);
}

}  // namespace

BkupResult ReadDataBlock(HANDLE archive, uint64_t* position, uint64_t dataEnd,
                         const WorkBuffers& buffers, uint32_t* produced) {
  *produced = 0;
  _BKUPFILE_BLOCK block;
  // The header itself must lie in the data area: a block past it (a crafted
  // offset, a cut-off set) is damage, never a read error.
  if (*position < kSetHeaderSize || dataEnd < sizeof(block) ||
      *position > dataEnd - sizeof(block))
    return kResultInvalid;
  BkupResult r = ReadBlockBytes(archive, &block, sizeof(block));
  if (r != kResultOk) return r;
  if (block.CompressedSize == 0 || block.CompressedSize > buffers.packedCapacity ||
      block.UncompressedSize == 0 || block.UncompressedSize > kBlockSize)
    return kResultInvalid;
  uint64_t end = *position + sizeof(block) + block.CompressedSize;
  if (end > dataEnd) return kResultInvalid;
  r = ReadBlockBytes(archive, buffers.packed, block.CompressedSize);
  if (r != kResultOk) return r;
  uLongf length = kBlockSize;
  int z = ::uncompress(buffers.plain, &length, buffers.packed, block.CompressedSize);
  if (z != Z_OK || length != block.UncompressedSize) return kResultInvalid;
  *position = end;
  *produced = block.UncompressedSize;
  return kResultOk;
}

}  // namespace vk
