#include "tests/support/TestVolume.h"

#include <cwctype>

namespace vk::test {
namespace {

std::wstring Long(const std::wstring& p) { return L"\\\\?\\" + p; }

}  // namespace

int ScratchDriveIndex() {
  wchar_t letter[8] = {};
  DWORD n = ::GetEnvironmentVariableW(L"VAULTKEEP_TEST_VOLUME", letter, 8);
  if (n != 1 || !std::iswalpha(letter[0])) return -1;
  return std::towupper(letter[0]) - L'A';
}

void EmptyFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW(Long(folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring path = folder + L"\\" + name;
    ::SetFileAttributesW(Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      EmptyFolder(path);
      ::RemoveDirectoryW(Long(path).c_str());
    } else {
      ::DeleteFileW(Long(path).c_str());
    }
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
}

static void MakeParents(const std::wstring& path) {
  for (size_t i = 3; i < path.size(); ++i) {
    if (path[i] == L'\\') ::CreateDirectoryW(Long(path.substr(0, i)).c_str(), nullptr);
  }
}

void WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  MakeParents(path);
  HANDLE h = ::CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot create test file";
  DWORD done = 0;
  BOOL ok = bytes.empty() ||
            ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  ::CloseHandle(h);
  ASSERT_TRUE(ok && done == bytes.size());
}

std::vector<uint8_t> ReadFileBytes(const std::wstring& path) {
  std::vector<uint8_t> bytes;
  HANDLE h = ::CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size;
  if (::GetFileSizeEx(h, &size) && size.QuadPart > 0) {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD done = 0;
    ::ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    bytes.resize(done);
  }
  ::CloseHandle(h);
  return bytes;
}

bool PathExists(const std::wstring& path) {
  return ::GetFileAttributesW(Long(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void VolumeTest::SetUp() {
  drive = ScratchDriveIndex();
  ASSERT_GE(drive, 0) << "VAULTKEEP_TEST_VOLUME names no scratch drive letter";
  root = std::wstring(1, static_cast<wchar_t>(L'A' + drive)) + L":\\";
  ASSERT_NE(::GetLogicalDrives() & (1u << drive), 0u) << "scratch drive not mapped";
  EmptyFolder(root.substr(0, 2));
}

}  // namespace vk::test
