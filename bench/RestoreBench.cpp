// Restore benchmark (not a test): backs a corpus up once, then measures, in
// one run, a restore of that set to a new location against its floor: the
// same blocks read and inflated, written to the same files with the same
// Win32 calls (create, write, set the time, close, set the attributes) and
// nothing else. Prints both rates and their ratio.
//
//   vkrestorebench CORPUS TARGET (--small N | --large N)
//     CORPUS   folder for the corpus (made on the first run, reused after)
//     TARGET   drive letter of the NTFS target volume, e.g. M:
//     --small  N files of 0..16 KiB in folders of 100
//     --large  N files of 24 MiB, half compressible, half not
//     --profile  one more restore through a timed door: calls per file
#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include "bench/TimedFileSystem.h"
#include "common/Handle.h"
#include "engine/BackupRun.h"
#include "engine/BkupArchive.h"
#include "engine/FileSystem.h"
#include "engine/PlanFile.h"
#include "engine/TargetVolume.h"
#include "restore/RestoreRun.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;
constexpr int kRepeats = 3;
constexpr int kFilesPerFolder = 100;
constexpr uint64_t kLargeFileBytes = 24ull << 20;
constexpr uint32_t kSmallFileMaxBytes = 16 * 1024;

struct Options {
  std::wstring corpus;
  int drive = -1;
  int files = 0;
  bool large = false;
  bool profile = false;
};

using bench::Seconds;

// CPU time of this thread, user and kernel: what the process itself spent,
// which a busy machine disturbs far less than the time on the clock (under
// Wine the file system's own work partly runs in another process and is
// missing from it).
double ThreadCpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  auto value = [](const FILETIME& t) { return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
  return static_cast<double>(value(kernel) + value(user)) / 1e7;
}

std::wstring Long(const std::wstring& p) { return L"\\\\?\\" + p; }

void MakeFolders(const std::wstring& path) {
  for (size_t i = 3; i <= path.size(); ++i)
    if (i == path.size() || path[i] == L'\\')
      ::CreateDirectoryW(Long(path.substr(0, i)).c_str(), nullptr);
}

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW d;
  HANDLE find = ::FindFirstFileW(Long(folder + L"\\*").c_str(), &d);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = d.cFileName, path = folder + L"\\" + name;
      if (name == L"." || name == L"..") continue;
      ::SetFileAttributesW(Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
      if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(path);
      else
        ::DeleteFileW(Long(path).c_str());
    } while (::FindNextFileW(find, &d));
    ::FindClose(find);
  }
  ::RemoveDirectoryW(Long(folder).c_str());
}

// ---- corpus ------------------------------------------------------------------

void Fill(std::vector<unsigned char>& data, bool text, uint32_t seed) {
  static const char kWords[] = "backup restore archive index block folder file photo ";
  uint32_t x = 2463534242u ^ seed;
  for (size_t i = 0; i < data.size(); ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    data[i] = text ? static_cast<unsigned char>(kWords[(x >> 8) % (sizeof kWords - 1)])
                   : static_cast<unsigned char>(x);
  }
}

bool WriteFileOf(const std::wstring& path, const std::vector<unsigned char>& data, uint64_t size) {
  HANDLE h = ::CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (uint64_t done = 0; ok && done < size;) {
    DWORD n = static_cast<DWORD>(std::min<uint64_t>(data.size(), size - done)), put = 0;
    ok = ::WriteFile(h, data.data(), n, &put, nullptr) && put == n;
    done += n;
  }
  ::CloseHandle(h);
  return ok;
}

bool GenerateCorpus(const Options& o) {
  std::wstring marker = o.corpus + L"\\.complete";
  if (::GetFileAttributesW(Long(marker).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  std::vector<unsigned char> text(1 << 20), noise(1 << 20);
  Fill(text, true, 1);
  Fill(noise, false, 2);
  for (int i = 0; i < o.files; ++i) {
    std::wstring folder = o.corpus + L"\\d" + std::to_wstring(i / kFilesPerFolder);
    MakeFolders(folder);
    uint64_t size = o.large ? kLargeFileBytes : (i * 7919u) % (kSmallFileMaxBytes + 1);
    const std::vector<unsigned char>& data = i % 2 ? text : noise;
    if (!WriteFileOf(folder + L"\\f" + std::to_wstring(i) + L".bin", data, size)) return false;
  }
  return WriteFileOf(marker, text, 0);
}

// ---- the floor -------------------------------------------------------------------

struct SetFile {
  vk::FileHandle file;
  vk::_BKUPFILE_HEADER header;
};

// Restores every entry of the set in index order with nothing but the calls a
// restore must make: folders created, each file created, its blocks read,
// inflated and written, its time set, closed, its attributes set.
bool FloorRestore(const std::wstring& setPath, const std::wstring& target, uint64_t* bytes,
                  int* files) {
  SetFile set;
  set.file.Reset(::CreateFileW(Long(setPath).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr));
  DWORD got = 0;
  if (!set.file || !::ReadFile(set.file.Get(), &set.header, sizeof set.header, &got, nullptr))
    return false;
  vk::PageBuffer indexBuffer, input, output;
  if (!indexBuffer.Allocate(vk::kWorkBufferSize) || !input.Allocate(vk::kWorkBufferSize) ||
      !output.Allocate(vk::kWorkBufferSize))
    return false;
  vk::CTFile index;
  index.buffer = indexBuffer.Data();
  index.bufferSize = vk::kWorkBufferSize;
  index.Attach(set.file.Get(), set.header.IndexOffset, set.header.IndexSize);
  // Records in index order: each one follows the last.
  std::vector<std::pair<vk::_BKUPFILE_ENTRY, std::wstring>> entries;
  for (uint64_t o = 0; o < set.header.IndexSize;) {
    vk::IndexRecord r;
    if (!vk::ReadIndexRecord(index, o, &r)) break;
    entries.emplace_back(r.entry, std::wstring(r.path, r.pathChars));
    o += r.entry.Length;
  }
  index.Detach();
  for (const auto& [e, path] : entries) {
    std::wstring out = target + L"\\" + path.substr(0, 1) + path.substr(2);
    if (e.Attributes & FILE_ATTRIBUTE_DIRECTORY) {
      MakeFolders(out);
      continue;
    }
    auto create = [&] {
      return ::CreateFileW(Long(out).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE h = create();
    if (h == INVALID_HANDLE_VALUE) {  // a file directly under the root comes first
      MakeFolders(out.substr(0, out.rfind(L'\\')));
      h = create();
    }
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(e.DataOffset);
    ::SetFilePointerEx(set.file.Get(), at, nullptr, FILE_BEGIN);
    for (uint32_t b = 0; b < e.BlockCount; ++b) {
      vk::_BKUPFILE_BLOCK block;
      ::ReadFile(set.file.Get(), &block, sizeof block, &got, nullptr);
      ::ReadFile(set.file.Get(), input.Data(), block.CompressedSize, &got, nullptr);
      uLongf n = vk::kBlockSize;
      ::uncompress(output.Data(), &n, input.Data(), block.CompressedSize);
      DWORD put = 0;
      ::WriteFile(h, output.Data(), static_cast<DWORD>(n), &put, nullptr);
      *bytes += put;
    }
    FILETIME t;
    t.dwLowDateTime = static_cast<DWORD>(e.LastWriteTime);
    t.dwHighDateTime = static_cast<DWORD>(e.LastWriteTime >> 32);
    ::SetFileTime(h, nullptr, nullptr, &t);
    ::CloseHandle(h);
    ::SetFileAttributesW(Long(out).c_str(), e.Attributes & ~FILE_ATTRIBUTE_DIRECTORY);
    ++*files;
  }
  return true;
}

// ---- the run -----------------------------------------------------------------------

int Bench(const Options& o) {
  if (!GenerateCorpus(o)) return std::wprintf(L"cannot generate the corpus\n"), 1;
  vk::_BKUP_PLAN plan = {};
  std::wcscpy(plan.PlanName, L"bench");
  std::wstring list = o.corpus + std::wstring(1, L'\0') + L'\0';
  if (uint32_t saved =
          vk::SavePlanFile(o.drive, &plan, list.data(), static_cast<uint32_t>(list.size())))
    return std::wprintf(L"cannot save the plan: %u\n", saved), 1;
  SYSTEMTIME start;
  ::GetLocalTime(&start);
  uint32_t unreadable = 0;
  double t0 = Seconds();
  uint32_t r = vk::BackupJob(nullptr, nullptr, nullptr, o.drive, &plan, list.c_str(),
                             &unreadable, start);
  std::wprintf(L"backup: result %u in %.2f s\n", r, Seconds() - t0);
  if (r != 0) return 1;
  std::wstring setPath = vk::BackupFolderPath(o.drive) + L"\\" + vk::BackupSetFileName(start);
  std::wstring root = std::wstring(1, static_cast<wchar_t>(L'A' + o.drive)) + L":";

  double floorBest = 1e30, restoreBest = 1e30, floorCpu = 1e30, restoreCpu = 1e30;
  uint64_t bytes = 0;
  int files = 0;
  for (int i = 0; i < kRepeats; ++i) {
    RemoveTree(root + L"\\floor");
    bytes = 0;
    files = 0;
    double a = Seconds(), cpu = ThreadCpuSeconds();
    if (!FloorRestore(setPath, root + L"\\floor", &bytes, &files))
      return std::wprintf(L"floor failed\n"), 1;
    floorBest = std::min(floorBest, Seconds() - a);
    floorCpu = std::min(floorCpu, ThreadCpuSeconds() - cpu);
    RemoveTree(root + L"\\floor");

    RemoveTree(root + L"\\restore");
    uint32_t notWritten = 0;
    a = Seconds();
    cpu = ThreadCpuSeconds();
    r = vk::RestoreJob(o.drive, &plan, list.c_str(), (root + L"\\restore").c_str(), nullptr,
                       nullptr, &notWritten, &start);
    double took = Seconds() - a;
    if (r != 0 || notWritten != 0) return std::wprintf(L"restore failed: %u\n", r), 1;
    restoreBest = std::min(restoreBest, took);
    restoreCpu = std::min(restoreCpu, ThreadCpuSeconds() - cpu);
    RemoveTree(root + L"\\restore");
  }
  std::wprintf(L"%d files, %.1f MB (best of %d)\n", files, bytes / kMiB, kRepeats);
  std::wprintf(L"floor (inflate + create/write/time/attributes) %8.2f s %8.1f MB/s %8.0f files/s\n",
               floorBest, bytes / kMiB / floorBest, files / floorBest);
  std::wprintf(L"restore to a new location                     %8.2f s %8.1f MB/s %8.0f files/s\n",
               restoreBest, bytes / kMiB / restoreBest, files / restoreBest);
  std::wprintf(L"ratio restore/floor (time floor / time restore): %.2f (target at least 0.90)\n",
               floorBest / restoreBest);
  std::wprintf(L"thread CPU (least of %d): floor %.2f s, restore %.2f s: %+.1f us per file\n",
               kRepeats, floorCpu, restoreCpu, (restoreCpu - floorCpu) * 1e6 / files);
  if (o.profile) {
    // The floor per file: create, seek, per block two reads and a write,
    // set the time, close, set the attributes.
    bench::TimedFileSystem timed;
    vk::FileSystemApi* real = vk::SetFileSystem(&timed);
    uint32_t notWritten = 0;
    double a = Seconds();
    r = vk::RestoreJob(o.drive, &plan, list.c_str(), (root + L"\\restore").c_str(), nullptr,
                       nullptr, &notWritten, &start);
    double took = Seconds() - a;
    vk::SetFileSystem(real);
    RemoveTree(root + L"\\restore");
    std::wprintf(L"profiled restore: result %u, %.2f s\n", r, took);
    timed.Print(took, static_cast<uint64_t>(files));
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options o;
  if (argc < 5) {
    std::wprintf(L"usage: vkrestorebench CORPUS TARGET (--small N | --large N) [--profile]\n");
    return 2;
  }
  o.corpus = argv[1];
  while (!o.corpus.empty() && o.corpus.back() == L'\\') o.corpus.pop_back();
  o.drive = std::towupper(argv[2][0]) - L'A';
  o.large = std::wstring(argv[3]) == L"--large";
  o.files = _wtoi(argv[4]);
  o.profile = argc > 5 && std::wstring(argv[5]) == L"--profile";
  return Bench(o);
}
