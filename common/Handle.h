// Owning wrappers for Win32 handles. Each owns exactly one handle, closes it
// once, and can be moved but not copied, so no handle is closed twice or
// leaked on an early return.
#pragma once
#include <windows.h>
#include <utility>

namespace vk {

// Traits describe the "no handle" value and how to close one.
struct KernelHandleTraits {
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct FileHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::FindClose(h); }
};

template <class Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }

  HANDLE Get() const { return h_; }
  bool Valid() const { return h_ != Traits::Invalid() && h_ != nullptr; }
  explicit operator bool() const { return Valid(); }

  HANDLE Release() {
    HANDLE h = h_;
    h_ = Traits::Invalid();
    return h;
  }
  void Reset(HANDLE h = Traits::Invalid()) {
    if (Valid()) Traits::Close(h_);
    h_ = h;
  }

 private:
  HANDLE h_ = Traits::Invalid();
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;  // events, mutexes, threads, mappings
using FileHandle = UniqueHandle<FileHandleTraits>;      // CreateFileW results
using FindHandle = UniqueHandle<FindHandleTraits>;      // FindFirstFileW results

// A block from the page allocator (VirtualAlloc), released with the owner.
class PageBuffer {
 public:
  PageBuffer() = default;
  ~PageBuffer() { Free(); }
  PageBuffer(const PageBuffer&) = delete;
  PageBuffer& operator=(const PageBuffer&) = delete;

  // Commits `bytes` zero-filled bytes; false when the system has no memory.
  bool Allocate(size_t bytes) {
    Free();
    p_ = static_cast<unsigned char*>(
        ::VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    size_ = p_ ? bytes : 0;
    return p_ != nullptr;
  }
  void Free() {
    if (p_) ::VirtualFree(p_, 0, MEM_RELEASE);
    p_ = nullptr;
    size_ = 0;
  }
  unsigned char* Data() const { return p_; }
  size_t Size() const { return size_; }

 private:
  unsigned char* p_ = nullptr;
  size_t size_ = 0;
};

}  // namespace vk
