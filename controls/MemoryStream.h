// A read-only IStream over bytes that outlive it (resource memory), and the
// loader that opens a skin image resource as one. GDI+ reads the images
// through it lazily, so the stream lives as long as the bitmap made from it.
#pragma once
#include <windows.h>
#include <objidl.h>

namespace vk {
namespace Private {

class MemoryStream final : public IStream {
 public:
  // Over [begin, end); the bytes are not copied or owned. Reference count 1.
  MemoryStream(const BYTE* begin, const BYTE* end, const BYTE* position = nullptr);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // ISequentialStream
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override;
  HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override;
  // IStream
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                 ULARGE_INTEGER* position) override;
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                   ULARGE_INTEGER* written) override;
  HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Revert() override;
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count,
                                       DWORD type) override;
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count,
                                         DWORD type) override;
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Clone(IStream** out) override;

 private:
  ~MemoryStream() = default;  // only Release deletes

  const BYTE* begin_;
  const BYTE* end_;
  const BYTE* pos_;
  volatile LONG refs_ = 1;
};

}  // namespace Private

// Opens RCDATA resource `id` of `module` as a stream (reference count 1).
// E_FAIL and a null stream when the resource is missing or empty.
HRESULT LoadSkinStream(HMODULE module, UINT id, Private::MemoryStream** stream);

}  // namespace vk
