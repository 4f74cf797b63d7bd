// The read-only resource stream GDI+ decodes the skin from.
#include <gtest/gtest.h>

#include <cstring>

#include "controls/MemoryStream.h"
#include "resources/ResourceIds.h"

namespace vk {
namespace {

using Private::MemoryStream;

const BYTE kData[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

// Owns one reference and releases it at the end of the test.
struct StreamRef {
  MemoryStream* p;
  explicit StreamRef(MemoryStream* s) : p(s) {}
  ~StreamRef() { if (p) p->Release(); }
  MemoryStream* operator->() const { return p; }
};

ULONGLONG Position(IStream* s) {
  LARGE_INTEGER zero = {};
  ULARGE_INTEGER pos = {};
  s->Seek(zero, STREAM_SEEK_CUR, &pos);
  return pos.QuadPart;
}

HRESULT SeekTo(IStream* s, LONGLONG offset, DWORD origin, ULONGLONG* pos = nullptr) {
  LARGE_INTEGER move;
  move.QuadPart = offset;
  ULARGE_INTEGER out = {};
  const HRESULT hr = s->Seek(move, origin, &out);
  if (pos) *pos = out.QuadPart;
  return hr;
}

TEST(MemoryStreamTest, ReadCopiesWhatIsLeft) {
  struct Case {
    const char* name;
    LONGLONG start;
    ULONG ask;
    ULONG got;
    HRESULT hr;
  } cases[] = {
      {"inside", 2, 3, 3, S_OK},
      {"past the end", 7, 8, 3, S_OK},
      {"at the end", 10, 4, 0, S_FALSE},
      {"nothing asked", 0, 0, 0, S_FALSE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StreamRef s(new MemoryStream(kData, kData + sizeof kData));
    ASSERT_EQ(SeekTo(s.p, c.start, STREAM_SEEK_SET), S_OK);
    BYTE buffer[16] = {};
    ULONG read = 99;
    EXPECT_EQ(s->Read(buffer, c.ask, &read), c.hr);
    EXPECT_EQ(read, c.got);
    EXPECT_EQ(0, std::memcmp(buffer, kData + c.start, read));
    EXPECT_EQ(Position(s.p), static_cast<ULONGLONG>(c.start) + c.got);
  }
}

TEST(MemoryStreamTest, SeekBounds) {
  struct Case {
    const char* name;
    LONGLONG from;  // position before the seek
    LONGLONG offset;
    DWORD origin;
    HRESULT hr;
    ULONGLONG after;
  } cases[] = {
      {"SET start", 4, 0, STREAM_SEEK_SET, S_OK, 0},
      {"SET end", 4, 10, STREAM_SEEK_SET, S_OK, 10},
      {"SET past end", 4, 11, STREAM_SEEK_SET, STG_E_INVALIDPOINTER, 4},
      {"SET negative", 4, -1, STREAM_SEEK_SET, STG_E_INVALIDPOINTER, 4},
      {"CUR back to start", 4, -4, STREAM_SEEK_CUR, S_OK, 0},
      {"CUR before start", 4, -5, STREAM_SEEK_CUR, STG_E_INVALIDPOINTER, 4},
      {"CUR to end", 4, 6, STREAM_SEEK_CUR, S_OK, 10},
      {"CUR past end", 4, 7, STREAM_SEEK_CUR, STG_E_INVALIDPOINTER, 4},
      {"CUR huge", 4, 0x7FFFFFFFFFFFFFF0LL, STREAM_SEEK_CUR, STG_E_INVALIDPOINTER, 4},
      {"END", 4, 0, STREAM_SEEK_END, S_OK, 10},
      {"END back to start", 4, -10, STREAM_SEEK_END, S_OK, 0},
      {"END before start", 4, -11, STREAM_SEEK_END, STG_E_INVALIDPOINTER, 4},
      {"END forward", 4, 1, STREAM_SEEK_END, STG_E_INVALIDPOINTER, 4},
      {"unknown origin", 4, 0, 7, E_INVALIDARG, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StreamRef s(new MemoryStream(kData, kData + sizeof kData));
    ASSERT_EQ(SeekTo(s.p, c.from, STREAM_SEEK_SET), S_OK);
    ULONGLONG reported = 0;
    EXPECT_EQ(SeekTo(s.p, c.offset, c.origin, &reported), c.hr);
    if (c.hr == S_OK) {
      EXPECT_EQ(reported, c.after);
    }
    EXPECT_EQ(Position(s.p), c.after);
  }
}

TEST(MemoryStreamTest, SeekToEndThenReadGivesNothing) {
  StreamRef s(new MemoryStream(kData, kData + sizeof kData));
  ASSERT_EQ(SeekTo(s.p, 0, STREAM_SEEK_END), S_OK);
  BYTE b = 0;
  ULONG read = 7;
  EXPECT_EQ(s->Read(&b, 1, &read), S_FALSE);
  EXPECT_EQ(read, 0u);
}

TEST(MemoryStreamTest, StatWriteAndUnsupportedCalls) {
  StreamRef s(new MemoryStream(kData, kData + sizeof kData));
  STATSTG st;
  std::memset(&st, 0xAB, sizeof st);
  ASSERT_EQ(s->Stat(&st, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(st.pwcsName, nullptr);
  EXPECT_EQ(st.type, 3u);
  EXPECT_EQ(st.cbSize.QuadPart, sizeof kData);
  EXPECT_EQ(st.grfMode, 0x20u);
  EXPECT_EQ(st.grfStateBits, 0u);
  EXPECT_EQ(st.grfLocksSupported, 0u);
  EXPECT_TRUE(IsEqualCLSID(st.clsid, CLSID_NULL));

  ULONG written = 5;
  EXPECT_EQ(s->Write(kData, 1, &written), STG_E_ACCESSDENIED);
  EXPECT_EQ(written, 0u);
  ULARGE_INTEGER size = {};
  EXPECT_EQ(s->SetSize(size), STG_E_ACCESSDENIED);
  EXPECT_EQ(s->Revert(), STG_E_ACCESSDENIED);
  EXPECT_EQ(s->Commit(0), E_NOTIMPL);
  EXPECT_EQ(s->CopyTo(nullptr, size, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(s->LockRegion(size, size, 0), E_NOTIMPL);
  EXPECT_EQ(s->UnlockRegion(size, size, 0), E_NOTIMPL);
}

TEST(MemoryStreamTest, InterfacesAndReferences) {
  auto* s = new MemoryStream(kData, kData + sizeof kData);
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(s->QueryInterface(IID_IStorage, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  for (const IID* iid : {&IID_IUnknown, &IID_ISequentialStream, &IID_IStream}) {
    ASSERT_EQ(s->QueryInterface(*iid, &out), S_OK);
    EXPECT_EQ(out, static_cast<IStream*>(s));
  }
  EXPECT_EQ(s->Release(), 3u);
  EXPECT_EQ(s->Release(), 2u);
  EXPECT_EQ(s->Release(), 1u);
  EXPECT_EQ(s->Release(), 0u);  // deleted here; a leak checker would see a double free
}

TEST(MemoryStreamTest, CloneKeepsPositionAndIsIndependent) {
  StreamRef s(new MemoryStream(kData, kData + sizeof kData));
  ASSERT_EQ(SeekTo(s.p, 6, STREAM_SEEK_SET), S_OK);
  IStream* clone = nullptr;
  ASSERT_EQ(s->Clone(&clone), S_OK);
  EXPECT_EQ(Position(clone), 6u);
  BYTE b = 0;
  ASSERT_EQ(clone->Read(&b, 1, nullptr), S_OK);
  EXPECT_EQ(b, 6);
  EXPECT_EQ(Position(s.p), 6u);   // the original did not move
  EXPECT_EQ(clone->Release(), 0u);  // its own count, starting at 1
}

TEST(LoadSkinStreamTest, ResourceSizeAndMissingId) {
  MemoryStream* s = nullptr;
  ASSERT_EQ(LoadSkinStream(::GetModuleHandleW(nullptr), IDP_MESSAGE_BACKGROUND, &s), S_OK);
  StreamRef ref(s);
  HRSRC info = ::FindResourceW(nullptr, MAKEINTRESOURCEW(IDP_MESSAGE_BACKGROUND), RT_RCDATA);
  STATSTG st = {};
  ASSERT_EQ(s->Stat(&st, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(st.cbSize.QuadPart, ::SizeofResource(nullptr, info));
  BYTE magic[8] = {};
  ASSERT_EQ(s->Read(magic, 8, nullptr), S_OK);
  EXPECT_EQ(0, std::memcmp(magic, "\x89PNG\r\n\x1a\n", 8));

  MemoryStream* missing = reinterpret_cast<MemoryStream*>(1);
  EXPECT_EQ(LoadSkinStream(::GetModuleHandleW(nullptr), 9019, &missing), E_FAIL);
  EXPECT_EQ(missing, nullptr);
}

}  // namespace
}  // namespace vk
