#include "restorewin/CatalogueReader.h"

namespace vk {

CatalogueReader::CatalogueReader(int driveIndex, const _BKUP_PLAN& plan, const SYSTEMTIME& limit)
    : catalogue_(OpenCatalogue(driveIndex, plan, &limit)) {}

CatalogueReader::~CatalogueReader() { CloseCatalogue(catalogue_); }

bool CatalogueReader::Read(uint64_t offset, TreeEntry* entry) {
  if (!catalogue_) return false;
  const IndexRecord* r = ReadCatalogueEntry(catalogue_, offset);
  if (!r) return false;
  entry->length = r->entry.Length;
  entry->attributes = r->entry.Attributes;
  entry->firstChild = r->entry.FirstChild;
  entry->nextSibling = r->entry.NextSibling;
  entry->path.assign(r->path, r->pathChars);
  return true;
}

}  // namespace vk
