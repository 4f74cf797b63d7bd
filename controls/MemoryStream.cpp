#include "controls/MemoryStream.h"

#include <cstring>
#include <new>

namespace vk {
namespace Private {

MemoryStream::MemoryStream(const BYTE* begin, const BYTE* end, const BYTE* position)
    : begin_(begin), end_(end), pos_(position ? position : begin) {}

HRESULT MemoryStream::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
    *out = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG MemoryStream::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG MemoryStream::Release() {
  const LONG left = ::InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT MemoryStream::Read(void* buffer, ULONG count, ULONG* read) {
  const size_t left = static_cast<size_t>(end_ - pos_);
  const ULONG n = count < left ? count : static_cast<ULONG>(left);
  if (n) {
    if (!buffer) return STG_E_INVALIDPOINTER;
    std::memcpy(buffer, pos_, n);
  }
  pos_ += n;
  if (read) *read = n;
  return n ? S_OK : S_FALSE;
}

HRESULT MemoryStream::Write(const void*, ULONG, ULONG* written) {
  if (written) *written = 0;
  return STG_E_ACCESSDENIED;
}

HRESULT MemoryStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
  const LONGLONG size = end_ - begin_;
  const LONGLONG offset = move.QuadPart;
  LONGLONG target = 0;
  switch (origin) {
    case STREAM_SEEK_SET:
      if (offset < 0 || offset > size) return STG_E_INVALIDPOINTER;
      target = offset;
      break;
    case STREAM_SEEK_CUR: {
      const LONGLONG here = pos_ - begin_;
      // Compared as distances so that no pointer is formed outside the data.
      if (offset < -here || offset > size - here) return STG_E_INVALIDPOINTER;
      target = here + offset;
      break;
    }
    case STREAM_SEEK_END:
      if (offset > 0 || -offset > size) return STG_E_INVALIDPOINTER;
      target = size + offset;
      break;
    default:
      return E_INVALIDARG;
  }
  pos_ = begin_ + target;
  if (position) position->QuadPart = static_cast<ULONGLONG>(target);
  return S_OK;
}

HRESULT MemoryStream::SetSize(ULARGE_INTEGER) { return STG_E_ACCESSDENIED; }

HRESULT MemoryStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) {
  return E_NOTIMPL;
}

HRESULT MemoryStream::Commit(DWORD) { return E_NOTIMPL; }

HRESULT MemoryStream::Revert() { return STG_E_ACCESSDENIED; }

HRESULT MemoryStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }

HRESULT MemoryStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }

HRESULT MemoryStream::Stat(STATSTG* stat, DWORD) {
  if (!stat) return STG_E_INVALIDPOINTER;
  // The three times stay as the caller had them.
  stat->pwcsName = nullptr;
  stat->type = STGTY_LOCKBYTES;  // 3
  stat->cbSize.QuadPart = static_cast<ULONGLONG>(end_ - begin_);
  stat->grfMode = STGM_SHARE_DENY_WRITE;  // 0x20
  stat->grfLocksSupported = 0;  // LockRegion is not implemented
  stat->clsid = CLSID_NULL;
  stat->grfStateBits = 0;
  stat->reserved = 0;
  return S_OK;
}

HRESULT MemoryStream::Clone(IStream** out) {
  if (!out) return STG_E_INVALIDPOINTER;
  *out = new (std::nothrow) MemoryStream(begin_, end_, pos_);
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace Private

HRESULT LoadSkinStream(HMODULE module, UINT id, Private::MemoryStream** stream) {
  if (!stream) return E_POINTER;
  *stream = nullptr;
  HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
  if (!info) return E_FAIL;
  const DWORD size = ::SizeofResource(module, info);
  HGLOBAL loaded = ::LoadResource(module, info);
  const BYTE* bytes = loaded ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
  if (!bytes || size == 0) return E_FAIL;
  *stream = new (std::nothrow) Private::MemoryStream(bytes, bytes + size);
  return *stream ? S_OK : E_OUTOFMEMORY;
}

}  // namespace vk
