// The restore tree's view of one set's index: a catalogue opened for one
// load and closed with this object, so that no archive stays open between
// the window's events.
#pragma once
#include <windows.h>

#include "restore/Catalogue.h"
#include "restorewin/RestoreTreeModel.h"

namespace vk {

class CatalogueReader : public EntryReader {
 public:
  // Opens the newest set of `plan` on the drive up to `limit`.
  CatalogueReader(int driveIndex, const _BKUP_PLAN& plan, const SYSTEMTIME& limit);
  ~CatalogueReader() override;
  CatalogueReader(const CatalogueReader&) = delete;
  CatalogueReader& operator=(const CatalogueReader&) = delete;

  bool Opened() const { return catalogue_ != nullptr; }
  bool Read(uint64_t offset, TreeEntry* entry) override;

 private:
  Catalogue* catalogue_ = nullptr;
};

}  // namespace vk
