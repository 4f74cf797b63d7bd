// Replaces the engine's file-system door for the lifetime of a test scope.
#pragma once
#include "engine/FileSystem.h"

namespace vk::test {

class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(FileSystemApi* api) : old_(SetFileSystem(api)) {}
  ~ScopedFileSystem() { SetFileSystem(old_); }
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

 private:
  FileSystemApi* old_;
};

}  // namespace vk::test
