// Reading one data block of a backup set. The archive is untrusted: every
// size in the block header is checked before anything is read or inflated.
#pragma once
#include <windows.h>
#include <cstdint>

#include "engine/BkupEngine.h"
#include "engine/BkupTypes.h"

namespace vk {

// Reads the block header and the compressed bytes at the archive's current
// position, which the caller keeps in *position (advanced past the block),
// into buffers.packed, and inflates them into buffers.plain (which holds at
// least kBlockSize bytes). `dataEnd` is the end of the archive's
// data area (its IndexOffset): a block must lie before it.
// Results: kResultOk with *produced = UncompressedSize (1..kBlockSize);
// kResultDiskFull / kResultReadError for reads the system refused (by its
// error); kResultInvalid for a block that is damaged: lying or running past
// the data area or the end of the file, sizes out of range, or a stream that
// does not inflate to exactly its size.
BkupResult ReadDataBlock(HANDLE archive, uint64_t* position, uint64_t dataEnd,
                         const WorkBuffers& buffers, uint32_t* produced);

}  // namespace vk
