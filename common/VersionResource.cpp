#include "common/VersionResource.h"

#include <algorithm>
#include <cwchar>

namespace vk {
namespace {

constexpr wchar_t kVersionLibrary[] = L"\\version.dll";
// The version functions ask for a few spare bytes past the reported size.
constexpr DWORD kVersionSlackBytes = 10;

template <class Fn>
Fn Bind(HMODULE library, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

}  // namespace

VersionResource::VersionResource(const wchar_t* modulePath) {
  if (!Read(modulePath)) {
    query_ = nullptr;
    block_.clear();
  }
}

bool VersionResource::Read(const wchar_t* modulePath) {
  using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
  using InfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
  wchar_t path[MAX_PATH + sizeof(kVersionLibrary) / sizeof(wchar_t)];
  UINT chars = ::GetSystemDirectoryW(path, MAX_PATH);
  if (chars == 0 || chars >= MAX_PATH || !modulePath) return false;
  std::wcscat(path, kVersionLibrary);
  library_.Reset(::LoadLibraryW(path));
  if (!library_) return false;
  auto size = Bind<SizeFn>(library_.Get(), "GetFileVersionInfoSizeW");
  auto info = Bind<InfoFn>(library_.Get(), "GetFileVersionInfoW");
  query_ = Bind<QueryFn>(library_.Get(), "VerQueryValueW");
  if (!size || !info || !query_) return false;
  DWORD handle = 0;
  DWORD bytes = size(modulePath, &handle);
  if (bytes == 0 || bytes > kMaxVersionInfoBytes) return false;
  block_.assign(bytes + kVersionSlackBytes, 0);
  return info(modulePath, 0, bytes, block_.data()) != FALSE;
}

bool VersionResource::String(const wchar_t* name, std::wstring* value) const {
  if (!Loaded()) return false;
  std::wstring query = std::wstring(kVersionStringBlock) + name;
  wchar_t* text = nullptr;
  UINT textChars = 0;
  if (!query_(block_.data(), query.c_str(), reinterpret_cast<void**>(&text), &textChars) ||
      !text)
    return false;
  // The pointer lies inside block_; the length is the resource's word, so the
  // text is cut at its terminator, the block's end and the named maximum.
  const auto* begin = reinterpret_cast<const wchar_t*>(block_.data());
  const auto* end = reinterpret_cast<const wchar_t*>(block_.data() + block_.size());
  if (text < begin || text >= end) return false;
  size_t room = static_cast<size_t>(end - text);
  size_t limit = std::min<size_t>({static_cast<size_t>(textChars), room, kMaxVersionValueChars});
  value->assign(text, wcsnlen(text, limit));
  return true;
}

std::wstring OwnModulePath() {
  wchar_t self[MAX_PATH];
  DWORD chars = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (chars == 0 || chars >= MAX_PATH) return std::wstring();
  return std::wstring(self, chars);
}

}  // namespace vk
