// Owning wrappers for Win32 handles. Each owns exactly one handle, closes it
// once, and can be moved but not copied, so no handle is closed twice or
// leaked on an early return. Every kind of handle the programs close has its
// owner here, and only here.
#pragma once
#include <windows.h>
#include <bcrypt.h>
#include <wininet.h>

#include <type_traits>
#include <utility>

namespace vk {

// Traits describe the "no handle" value and how to close one; `Type` names
// the handle's type where it is not HANDLE.
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
struct RegKeyTraits {
  using Type = HKEY;
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY h) { ::RegCloseKey(h); }
};
struct ServiceHandleTraits {
  using Type = SC_HANDLE;
  static SC_HANDLE Invalid() { return nullptr; }
  static void Close(SC_HANDLE h) { ::CloseServiceHandle(h); }
};
struct InternetHandleTraits {
  using Type = HINTERNET;
  static HINTERNET Invalid() { return nullptr; }
  static void Close(HINTERNET h) { ::InternetCloseHandle(h); }
};
struct MappedViewTraits {
  using Type = void*;
  static void* Invalid() { return nullptr; }
  static void Close(void* p) { ::UnmapViewOfFile(p); }
};
struct LibraryTraits {  // LoadLibraryW results
  using Type = HMODULE;
  static HMODULE Invalid() { return nullptr; }
  static void Close(HMODULE h) { ::FreeLibrary(h); }
};
// The system's cryptography objects (bcrypt.dll): providers, keys, hashes.
struct CryptProviderTraits {
  using Type = BCRYPT_ALG_HANDLE;
  static BCRYPT_ALG_HANDLE Invalid() { return nullptr; }
  static void Close(BCRYPT_ALG_HANDLE h) { ::BCryptCloseAlgorithmProvider(h, 0); }
};
struct CryptKeyTraits {
  using Type = BCRYPT_KEY_HANDLE;
  static BCRYPT_KEY_HANDLE Invalid() { return nullptr; }
  static void Close(BCRYPT_KEY_HANDLE h) { ::BCryptDestroyKey(h); }
};
struct CryptHashTraits {
  using Type = BCRYPT_HASH_HANDLE;
  static BCRYPT_HASH_HANDLE Invalid() { return nullptr; }
  static void Close(BCRYPT_HASH_HANDLE h) { ::BCryptDestroyHash(h); }
};
struct MenuTraits {  // LoadMenuW, CreatePopupMenu results not attached to a window
  using Type = HMENU;
  static HMENU Invalid() { return nullptr; }
  static void Close(HMENU h) { ::DestroyMenu(h); }
};
struct LocalMemoryTraits {  // LocalAlloc results, security descriptors among them
  using Type = void*;
  static void* Invalid() { return nullptr; }
  static void Close(void* p) { ::LocalFree(p); }
};
struct DeviceContextTraits {  // CreateDCW and CreateCompatibleDC results, never GetDC's
  using Type = HDC;
  static HDC Invalid() { return nullptr; }
  static void Close(HDC h) { ::DeleteDC(h); }
};

namespace detail {
template <class Traits, class = void>
struct HandleType {
  using type = HANDLE;
};
template <class Traits>
struct HandleType<Traits, std::void_t<typename Traits::Type>> {
  using type = typename Traits::Type;
};
}  // namespace detail

template <class Traits>
class UniqueHandle {
 public:
  using Type = typename detail::HandleType<Traits>::type;
  UniqueHandle() = default;
  explicit UniqueHandle(Type h) : h_(h) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }

  Type Get() const { return h_; }
  bool Valid() const { return h_ != Traits::Invalid() && h_ != nullptr; }
  explicit operator bool() const { return Valid(); }

  Type Release() {
    Type h = h_;
    h_ = Traits::Invalid();
    return h;
  }
  void Reset(Type h = Traits::Invalid()) {
    if (Valid()) Traits::Close(h_);
    h_ = h;
  }
  // For calls that return the handle through an out-parameter; whatever was
  // held before is closed first.
  Type* Receive() {
    Reset();
    return &h_;
  }

 private:
  Type h_ = Traits::Invalid();
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;  // events, mutexes, threads, mappings
using FileHandle = UniqueHandle<FileHandleTraits>;      // CreateFileW results
using FindHandle = UniqueHandle<FindHandleTraits>;      // FindFirstFileW results
using RegKey = UniqueHandle<RegKeyTraits>;              // RegOpenKeyExW, RegCreateKeyExW
using ServiceHandle = UniqueHandle<ServiceHandleTraits>;  // service manager and services
using InternetHandle = UniqueHandle<InternetHandleTraits>;  // WinINet sessions and requests
using LocalMemory = UniqueHandle<LocalMemoryTraits>;
using LibraryHandle = UniqueHandle<LibraryTraits>;
using CryptProvider = UniqueHandle<CryptProviderTraits>;  // BCryptOpenAlgorithmProvider
using CryptKey = UniqueHandle<CryptKeyTraits>;            // BCryptImportKeyPair
using CryptHash = UniqueHandle<CryptHashTraits>;          // BCryptCreateHash
using MenuHandle = UniqueHandle<MenuTraits>;
using DeviceContext = UniqueHandle<DeviceContextTraits>;

// Opens root\path; an empty owner when the key cannot be opened.
inline RegKey OpenRegKey(HKEY root, const wchar_t* path, REGSAM access) {
  RegKey key;
  if (::RegOpenKeyExW(root, path, 0, access, key.Receive()) != ERROR_SUCCESS) key.Reset();
  return key;
}

// A mapped view of a section, unmapped with the owner.
class MappedView : public UniqueHandle<MappedViewTraits> {
 public:
  MappedView() = default;
  // Maps `bytes` (0: the whole section) with `access` (FILE_MAP_*).
  MappedView(HANDLE section, DWORD access, size_t bytes)
      : UniqueHandle(::MapViewOfFile(section, access, 0, 0, bytes)) {}
  unsigned char* Bytes() const { return static_cast<unsigned char*>(Get()); }
  // True when the first `bytes` of the view are committed memory this
  // process may write. A section someone else created may be reserved only
  // (SEC_RESERVE) or smaller than expected, and writing to it would fault.
  bool Writable(size_t bytes) const {
    constexpr DWORD kWritable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE |
                                PAGE_EXECUTE_WRITECOPY;
    for (size_t done = 0; Valid() && done < bytes;) {
      MEMORY_BASIC_INFORMATION info{};
      if (!::VirtualQuery(Bytes() + done, &info, sizeof(info)) || info.State != MEM_COMMIT ||
          !(info.Protect & kWritable) || (info.Protect & PAGE_GUARD))
        return false;
      done = static_cast<size_t>(static_cast<unsigned char*>(info.BaseAddress) +
                                 info.RegionSize - Bytes());
    }
    return Valid();
  }
};

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
