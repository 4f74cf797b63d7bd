#include "tests/restore/RestoreFixture.h"

#include <gtest/gtest.h>

#include "restore/Catalogue.h"

namespace vk::test {
namespace {

std::wstring Long(const std::wstring& p) { return L"\\\\?\\" + p; }

uint64_t FileTimeValue(const FILETIME& t) {
  return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
}

void SnapshotInto(const std::wstring& folder, const std::wstring& prefix, Tree* tree) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW(Long(folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring relative = prefix + name;
    TreeFile& f = (*tree)[relative];
    f.attributes = data.dwFileAttributes & kComparedAttributes;
    f.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (f.folder) {
      SnapshotInto(folder + L"\\" + name, relative + L"\\", tree);
    } else {
      f.lastWrite = FileTimeValue(data.ftLastWriteTime);
      f.bytes = ReadFileBytes(folder + L"\\" + name);
    }
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
}

}  // namespace

Tree Snapshot(const std::wstring& folder) {
  Tree tree;
  SnapshotInto(folder, L"", &tree);
  return tree;
}

std::string CompareTrees(const Tree& want, const Tree& got) {
  for (const auto& [path, f] : want) {
    auto it = got.find(path);
    if (it == got.end()) return "missing: " + Narrow(path);
    const TreeFile& g = it->second;
    if (f.folder != g.folder) return "kind differs: " + Narrow(path);
    if (f.folder) continue;
    if (f.bytes != g.bytes) return "bytes differ: " + Narrow(path);
    if (f.lastWrite != g.lastWrite) return "time differs: " + Narrow(path);
    if (f.attributes != g.attributes) return "attributes differ: " + Narrow(path);
  }
  for (const auto& entry : got)
    if (want.find(entry.first) == want.end()) return "extra: " + Narrow(entry.first);
  return "";
}

uint32_t RestoreTest::Restore(const std::vector<std::wstring>& selection,
                              const wchar_t* location, const SYSTEMTIME* limit) {
  struct Thunk {
    static int __stdcall Call(uint32_t phase, const wchar_t* path, uint32_t, void* user) {
      auto* t = static_cast<RestoreTest*>(user);
      if (phase == kPhaseOverwriteQuery) {
        auto* q = reinterpret_cast<_OVERWRITE_QUERY*>(const_cast<wchar_t*>(path));
        t->remainingSeen.push_back(q->remaining);
        q->choice = t->onQuestion ? t->onQuestion(*q) : kChoiceReplace;
        return 0;
      }
      return t->onRestoreProgress ? t->onRestoreProgress(path) : 0;
    }
  };
  SYSTEMTIME newest = {};
  restoreUnreadable = 0xDEAD;
  return RestoreJob(drive, &plan, FolderList(selection).c_str(), location, &Thunk::Call, this,
                    &restoreUnreadable, limit ? limit : &newest);
}

uint32_t RestoreTest::RestoreWithoutLogs(const std::vector<std::wstring>& selection,
                                         const wchar_t* location) {
  std::wstring list = FolderList(selection);
  RestoreRequest request;
  request.plan = &plan;
  request.selection = list.c_str();
  request.backupFolder = backupFolder.c_str();
  request.logFolder = logFolder.c_str();
  request.newLocation = location;
  request.unreadableCount = &restoreUnreadable;
  CBkupEngine context;
  context.logging = false;
  return RestoreRun(context, request);
}

uint32_t RestoreTest::Measure(const std::vector<std::wstring>& selection, uint64_t* size,
                              const SYSTEMTIME* limit) {
  SYSTEMTIME newest = {};
  return MeasureRestore(limit ? limit : &newest, size, drive, &plan,
                        FolderList(selection).c_str());
}

std::vector<_BKUPFILE_HEADER> RestoreTest::ListSets(uint32_t* result) {
  uint32_t count = 0;
  uint32_t r = ListBackupSets(drive, plan, nullptr, 0, &count);
  std::vector<_BKUPFILE_HEADER> headers(count + 1);
  if (r == kResultOk) r = ListBackupSets(drive, plan, headers.data(), count + 1, &count);
  headers.resize(r == kResultOk ? count : 0);
  if (result) *result = r;
  return headers;
}

}  // namespace vk::test
