#include "engine/ChangeDetection.h"

namespace vk {

bool CanReuseData(const FoundFile& found, const _BKUPFILE_ENTRY& previous, bool previousSetOpen) {
  return previousSetOpen && previous.DataOffset != 0 && previous.Attributes == found.attributes &&
         previous.LastWriteTime == found.lastWriteTime && previous.Size == found.size;
}

}  // namespace vk
