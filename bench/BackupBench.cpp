// Backup benchmark (not a test): generates a corpus and measures, in one run,
// the floor (read every file in 524,288-byte pieces and compress each at zlib
// level 6 with one deflate stream reset per piece, as the engine does,
// writing nothing) on one thread and then spread over as many threads as
// the backup's compression pool, a first backup, a second backup with nothing
// changed, a third after 1 % of the files changed, and a bare
// FindFirstFileW/FindNextFileW walk; prints MB/s, files/s, the ratios and the
// growth of the process's private memory during the backups.
//
//   vkbench CORPUS TARGET [--files N] [--small]
//     CORPUS  folder for the corpus (made on the first run, reused after)
//     TARGET  drive letter of the NTFS target volume, e.g. M:
//     --files number of files (default 30000)
//     --small only files of 0..16 KiB (for the memory comparison)
//     --profile  time the door's calls during the first and the no-change
//                backups
//     --no-floor skip both floors (when profiling)
//     --threads N  compression workers of the backups and the parallel
//                floor (default: one per processor, at most 8; 1: the
//                single-threaded backup)
#include <windows.h>
#include <psapi.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/TimedFileSystem.h"
#include "common/Handle.h"
#include "engine/BackupRun.h"
#include "engine/BlockPipeline.h"
#include "engine/EntryFilter.h"
#include "engine/FileSystem.h"
#include "engine/TargetVolume.h"

namespace {

constexpr uint32_t kPiece = 524288;
constexpr int kFilesPerFolder = 100;
constexpr int kFoldersPerFolder = 10;
constexpr double kMiB = 1024.0 * 1024.0;
constexpr int kRepeats = 3;
// First backup / single floor: each worker of the pool is worth this much
// of a single stream (1.7 on two cores).
constexpr double kSingleFloorTargetPerWorker = 0.85;

struct Options {
  std::wstring corpus;
  int drive = -1;
  int files = 30000;
  bool small = false;
};

uint32_t g_random = 2463534242u;
uint32_t Next() {
  g_random ^= g_random << 13;
  g_random ^= g_random >> 17;
  g_random ^= g_random << 5;
  return g_random;
}

using bench::Seconds;
using bench::TimedFileSystem;

// ---- corpus ------------------------------------------------------------------
// File i lies in folder d0\d1\d2 by its number; sizes: mostly small
// (0..8 KiB), every 200th medium (256 KiB..2 MiB), every 5000th large
// (8..24 MiB); odd files are text-like (compressible), even ones noise.
uint64_t SizeOf(int i, bool small) {
  uint32_t r = static_cast<uint32_t>(i) * 2654435761u;
  if (small) return r % 16385;
  if (i % 5000 == 1) return 8 * 1048576ull + r % (16 * 1048576u);
  if (i % 200 == 3) return 262144 + r % (2 * 1048576u - 262144);
  return r % 8193;
}

std::wstring FolderOf(const std::wstring& corpus, int i) {
  int folder = i / kFilesPerFolder;
  wchar_t path[64];
  std::swprintf(path, 64, L"\\d%02d\\e%02d\\f%04d", folder / (kFoldersPerFolder * kFoldersPerFolder),
                (folder / kFoldersPerFolder) % kFoldersPerFolder, folder);
  return corpus + path;
}

std::wstring FileOf(const std::wstring& corpus, int i) {
  return FolderOf(corpus, i) + L"\\file" + std::to_wstring(i) + (i % 2 ? L".txt" : L".bin");
}

void Fill(std::vector<unsigned char>& data, bool text) {
  static const char* kWords[] = {"backup ", "volume ", "index ", "block ", "plan ", "restore ",
                                 "folder ", "file ", "the ", "of ", "and ", "\r\n"};
  if (!text) {
    for (size_t i = 0; i + 4 <= data.size(); i += 4) {
      uint32_t v = Next();
      std::memcpy(&data[i], &v, 4);
    }
    return;
  }
  for (size_t i = 0; i < data.size();) {
    const char* w = kWords[Next() % 12];
    for (; *w && i < data.size(); ++w) data[i++] = static_cast<unsigned char>(*w);
  }
}

// Writes `size` bytes of `data`, starting at `from` and wrapping around.
bool WriteWholeFile(const std::wstring& path, const std::vector<unsigned char>& data, uint64_t size,
                    size_t from = 0) {
  HANDLE h = ::CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (uint64_t done = 0; ok && done < size;) {
    size_t room = data.size() - from;
    DWORD n = static_cast<DWORD>(size - done < room ? size - done : room);
    DWORD put = 0;
    ok = ::WriteFile(h, data.data() + from, n, &put, nullptr) && put == n;
    done += n;
    from = 0;
  }
  ::CloseHandle(h);
  return ok;
}

void MakeFolders(const std::wstring& path) {
  for (size_t i = 3; i <= path.size(); ++i)
    if (i == path.size() || path[i] == L'\\')
      ::CreateDirectoryW((L"\\\\?\\" + path.substr(0, i)).c_str(), nullptr);
}

bool GenerateCorpus(const Options& o) {
  std::wstring marker = o.corpus + L"\\corpus-" + std::to_wstring(o.files) + (o.small ? L"-small" : L"");
  if (::GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  std::wprintf(L"generating %d files in %ls ...\n", o.files, o.corpus.c_str());
  std::vector<unsigned char> text(4 * kPiece), noise(4 * kPiece);
  Fill(text, true);
  Fill(noise, false);
  std::wstring lastFolder;
  for (int i = 0; i < o.files; ++i) {
    std::wstring folder = FolderOf(o.corpus, i);
    if (folder != lastFolder) MakeFolders(lastFolder = folder);
    // Each file starts somewhere else in the buffer, so files differ.
    std::vector<unsigned char>& src = i % 2 ? text : noise;
    if (!WriteWholeFile(FileOf(o.corpus, i), src, SizeOf(i, o.small), Next() % src.size()))
      return false;
  }
  return WriteWholeFile(marker, text, 0);
}

// ---- measured phases ----------------------------------------------------------
struct Tally {
  uint64_t files = 0, folders = 0, bytes = 0;
};

template <class OnFile>
void Walk(const std::wstring& folder, Tally* t, OnFile&& onFile) {
  WIN32_FIND_DATAW found;
  HANDLE find = ::FindFirstFileW((L"\\\\?\\" + folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const wchar_t* n = found.cFileName;
    if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
    std::wstring path = folder + L"\\" + n;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ++t->folders;
      Walk(path, t, onFile);
    } else {
      ++t->files;
      uint64_t size = (uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
      t->bytes += size;
      onFile(path, size);
    }
  } while (::FindNextFileW(find, &found));
  ::FindClose(find);
}

// The engine compresses every block with one deflate stream that it resets
// per block (deflateReset) instead of compress(), which sets up and frees the
// whole state per call. The floor does the same, with deflateInit's window
// and memory level as the engine, so it measures reading and compressing and
// not zlib's set-up.
class Floor {
 public:
  Floor() { ready_ = deflateInit(&stream_, kLevel) == Z_OK && in.Allocate(kPiece) &&
                     out.Allocate(3 * kPiece); }
  ~Floor() {
    if (ready_) deflateEnd(&stream_);
  }
  Floor(const Floor&) = delete;
  Floor& operator=(const Floor&) = delete;
  bool Ready() const { return ready_; }

  // The whole file, piece by piece, until a read returns nothing.
  void operator()(const std::wstring& path, uint64_t) { Read(path, 0, UINT64_MAX); }

  // At most `pieces` pieces from `offset` on; the read that finds the end
  // is made as well when the last of them is the file's last.
  void Read(const std::wstring& path, uint64_t offset, uint64_t pieces) {
    HANDLE h = ::CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (offset == 0 || ::SetFilePointerEx(h, at, nullptr, FILE_BEGIN)) {
      for (uint64_t n = 0;; ++n) {
        DWORD got = 0;
        if (!::ReadFile(h, in.Data(), kPiece, &got, nullptr) || got == 0) break;
        Compress(got);
        if (n + 1 == pieces && got == kPiece) break;  // the next piece is another's
      }
    }
    ::CloseHandle(h);
  }

 private:
  static constexpr int kLevel = 6;  // what the engine's Z_DEFAULT_COMPRESSION stands for

  void Compress(DWORD n) {
    if (deflateReset(&stream_) != Z_OK) return;
    stream_.next_in = in.Data();
    stream_.avail_in = n;
    stream_.next_out = out.Data();
    stream_.avail_out = static_cast<uInt>(out.Size());
    deflate(&stream_, Z_FINISH);
  }

  vk::PageBuffer in, out;
  z_stream stream_ = {};
  bool ready_ = false;
};

// The floor's work spread over as many threads as the backup's compression
// pool has: the corpus is walked, then every thread takes the next piece
// (524,288 bytes of one file, in file order) and reads and compresses it as
// the floor does. The walk is part of the time, as in the floor.
class ParallelFloor {
 public:
  explicit ParallelFloor(unsigned threads) : threads_(threads) {}

  // False when a thread or its floor could not be set up.
  bool Run(const std::wstring& corpus, Tally* t) {
    Walk(corpus, t, [this](const std::wstring& path, uint64_t size) {
      uint32_t file = static_cast<uint32_t>(paths_.size());
      paths_.push_back(path);
      for (uint64_t at = 0; at == 0 || at < size; at += kPiece) pieces_.push_back({file, at});
    });
    std::vector<vk::KernelHandle> threads;
    for (unsigned i = 0; i < threads_; ++i) {
      threads.emplace_back(::CreateThread(nullptr, 0, &Proc, this, 0, nullptr));
      if (!threads.back()) failed_ = true;
    }
    for (vk::KernelHandle& h : threads)
      if (h) ::WaitForSingleObject(h.Get(), INFINITE);
    return !failed_;
  }

 private:
  struct Piece {
    uint32_t file;
    uint64_t offset;
  };

  static DWORD WINAPI Proc(void* self) {
    try {
      static_cast<ParallelFloor*>(self)->Serve();
    } catch (...) {
      static_cast<ParallelFloor*>(self)->failed_ = true;
    }
    return 0;
  }

  void Serve() {
    Floor floor;
    if (!floor.Ready()) {
      failed_ = true;
      return;
    }
    for (size_t i; (i = next_++) < pieces_.size();)
      floor.Read(paths_[pieces_[i].file], pieces_[i].offset, 1);
  }

  unsigned threads_;
  std::vector<std::wstring> paths_;
  std::vector<Piece> pieces_;
  std::atomic<size_t> next_{0};
  std::atomic<bool> failed_{false};
};

double SingleFloorTarget(unsigned workers) { return kSingleFloorTargetPerWorker * workers; }

bool g_profile = false;
bool g_noFloor = false;

struct Memory {
  double privateMiB = 0, pagefileMiB = 0, peakMiB = 0, peakWorkingSetMiB = 0, workingSetMiB = 0;
};
Memory MemoryNow() {
  PROCESS_MEMORY_COUNTERS_EX m = {};
  m.cb = sizeof m;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m),
                         sizeof m);
  return {m.PrivateUsage / kMiB, m.PagefileUsage / kMiB, m.PeakPagefileUsage / kMiB,
          m.PeakWorkingSetSize / kMiB, m.WorkingSetSize / kMiB};
}

// The peaks Windows keeps are not kept by Wine, so the progress callback
// also samples the current figures while the backups run.
constexpr uint32_t kSampleEvery = 256;
uint32_t g_calls = 0;
Memory g_sampled;
void Sample() {
  Memory now = MemoryNow();
  g_sampled.pagefileMiB = std::max(g_sampled.pagefileMiB, now.pagefileMiB);
  g_sampled.privateMiB = std::max(g_sampled.privateMiB, now.privateMiB);
  g_sampled.workingSetMiB = std::max(g_sampled.workingSetMiB, now.workingSetMiB);
}

int __stdcall Progress(uint32_t, const wchar_t*, uint32_t, void*) {
  if (++g_calls % kSampleEvery == 0) Sample();
  return 0;
}

uint32_t RunBackup(const Options& o, const vk::_BKUP_PLAN& plan, const std::wstring& list,
                   const std::wstring& exclusions) {
  SYSTEMTIME start;
  ::GetLocalTime(&start);
  uint32_t unreadable = 0;
  uint32_t r = vk::BackupJob(exclusions.c_str(), &Progress, nullptr, o.drive, &plan, list.c_str(),
                             &unreadable, start);
  if (r != 0 || unreadable != 0)
    std::wprintf(L"  backup result %u, unreadable %u, volume %u\n", r, unreadable,
                 vk::CheckTargetVolume(o.drive));
  ::Sleep(5);  // distinct set names
  return r;
}

void Print(const wchar_t* what, double seconds, const Tally& t) {
  std::wprintf(L"%-34ls %8.2f s  %9.1f MB/s  %9.0f files/s\n", what, seconds,
               t.bytes / kMiB / seconds, t.files / seconds);
}

bool WritePlan(const Options& o, const vk::_BKUP_PLAN& plan, const std::wstring& list) {
  std::wstring folder = vk::BackupFolderPath(o.drive);
  MakeFolders(folder);
  vk::_BKUP_PLAN stored = plan;
  stored.FolderListOffset = vk::kPlanRecordSize;
  stored.FolderListSize = static_cast<uint32_t>(list.size() * 2);
  std::vector<unsigned char> bytes(vk::kPlanRecordSize + stored.FolderListSize);
  std::memcpy(bytes.data(), &stored, vk::kPlanRecordSize);
  std::memcpy(bytes.data() + vk::kPlanRecordSize, list.data(), stored.FolderListSize);
  return WriteWholeFile(vk::PlanFilePath(o.drive), bytes, bytes.size());
}

int Bench(const Options& o) {
  if (!GenerateCorpus(o)) {
    std::wprintf(L"cannot generate the corpus\n");
    return 1;
  }
  vk::_BKUP_PLAN plan = {};
  std::memcpy(plan.Magic, vk::kPlanMagic, sizeof plan.Magic);
  plan.Version = vk::kPlanVersion;
  std::wcscpy(plan.PlanName, L"Bench");
  std::wstring list = o.corpus + L'\0' + L'\0';
  if (!WritePlan(o, plan, list)) return 1;
  vk::SpecialFolders special = vk::ReadSpecialFolders();
  vk::SetJobSpecialFolders(special);
  std::wstring exclusions = vk::BuildExclusionList(special.paths[0]);

  Tally corpus;
  Walk(o.corpus, &corpus, [](const std::wstring&, uint64_t) {});
  std::wprintf(L"corpus: %llu files, %llu folders, %.1f MB\n", corpus.files, corpus.folders,
               corpus.bytes / kMiB);

  double floorSeconds = 0, parallelSeconds = 0;
  const unsigned workers = vk::CompressWorkers();
  if (g_noFloor) {
    std::wprintf(L"1 floor                            skipped\n");
  } else {
    Tally t;
    double t0 = Seconds();
    {
      Floor floor;
      if (!floor.Ready()) return std::wprintf(L"cannot set up the floor\n"), 1;
      Walk(o.corpus, &t, floor);
    }
    floorSeconds = Seconds() - t0;
    Print(L"1 floor (read + zlib level 6)", floorSeconds, corpus);
    t = Tally();
    t0 = Seconds();
    if (!ParallelFloor(workers).Run(o.corpus, &t))
      return std::wprintf(L"cannot set up the parallel floor\n"), 1;
    parallelSeconds = Seconds() - t0;
    wchar_t what[64];
    std::swprintf(what, 64, L"1p floor on %u threads", workers);
    Print(what, parallelSeconds, corpus);
  }
  double t0 = 0;

  Memory before = MemoryNow();
  g_sampled = before;
  TimedFileSystem timedFirst;
  vk::FileSystemApi* realFirst = g_profile ? vk::SetFileSystem(&timedFirst) : nullptr;
  t0 = Seconds();
  if (RunBackup(o, plan, list, exclusions)) return 1;
  double first = Seconds() - t0;
  if (g_profile) vk::SetFileSystem(realFirst);
  Print(L"2 first backup", first, corpus);
  if (g_profile) timedFirst.Print(first);
  Memory afterFirst = MemoryNow();

  // The machine may be busy with other work: the no-change backup and the
  // bare walk are each measured kRepeats times and the fastest counts.
  TimedFileSystem timed;
  vk::FileSystemApi* real = g_profile ? vk::SetFileSystem(&timed) : nullptr;
  double second = 1e30, secondAll = 0;  // the fastest; all of them, for the profile
  for (int i = 0; i < kRepeats; ++i) {
    t0 = Seconds();
    if (RunBackup(o, plan, list, exclusions)) return 1;
    const double took = Seconds() - t0;
    second = std::min(second, took);
    secondAll += took;
  }
  if (g_profile) vk::SetFileSystem(real);
  Print(L"3 second backup, nothing changed*", second, corpus);
  if (g_profile) timed.Print(secondAll);  // the door counted all of them

  // Change 1 % of the files: a new tail on every 100th.
  std::vector<unsigned char> tail(4096);
  Fill(tail, true);
  Tally changed;
  for (int i = 50; i < o.files; i += 100) {
    HANDLE h = ::CreateFileW((L"\\\\?\\" + FileOf(o.corpus, i)).c_str(), FILE_APPEND_DATA, 0,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD put = 0;
    if (h != INVALID_HANDLE_VALUE) ::WriteFile(h, tail.data(), 4096, &put, nullptr), ::CloseHandle(h);
    ++changed.files;
  }
  t0 = Seconds();
  if (RunBackup(o, plan, list, exclusions)) return 1;
  double third = Seconds() - t0;
  Print(L"4 third backup, 1 % changed", third, corpus);
  Memory after = MemoryNow();

  Tally walk;
  double walkSeconds = 1e30;
  for (int i = 0; i < kRepeats; ++i) {
    walk = Tally();
    t0 = Seconds();
    Walk(o.corpus, &walk, [](const std::wstring&, uint64_t) {});
    walkSeconds = std::min(walkSeconds, Seconds() - t0);
  }
  Print(L"5 bare FindFirstFileW walk*", walkSeconds, walk);
  std::wprintf(L"(* fastest of %d)\n", kRepeats);

  if (!g_noFloor) {
    std::wprintf(L"ratio 2/1 (first backup / single floor, MB/s)   %.2f  (target >= %.2f)\n",
                 floorSeconds / first, SingleFloorTarget(workers));
    std::wprintf(L"ratio 2/1p (first backup / parallel floor, MB/s) %.2f  (target >= 0.90)\n",
                 parallelSeconds / first);
  }
  std::wprintf(L"ratio 3/5 (no-change backup / walk, files/s)    %.2f  (target >= 0.85)\n",
               walkSeconds / second);
  // The pool's two areas for the blocks in flight, which the memory target
  // allows on top of its 16 MiB.
  const double inFlightMiB = 2.0 * vk::BlockPipeline::AreaBytes(workers) / kMiB;
  std::wprintf(L"compression pool: %u workers, %.1f MiB for the blocks in flight"
               L" (target: growth < 16 MiB + %.1f MiB)\n",
               workers < 2 ? 0 : workers, inFlightMiB, inFlightMiB);
  // Windows: PeakPagefileUsage after - PrivateUsage before. Wine reports
  // PrivateUsage as 0 and leaves VirtualAlloc'd memory out of its pagefile
  // figures, so the growth of the peak working set is printed as well.
  double base = before.privateMiB > 0 ? before.privateMiB : before.pagefileMiB;
  std::wprintf(L"memory sampled during the backups: PagefileUsage %.1f MiB (%.1f before),"
               L" working set %.1f MiB (%.1f before): growth %.1f / %.1f MiB\n",
               g_sampled.pagefileMiB, before.pagefileMiB, g_sampled.workingSetMiB,
               before.workingSetMiB, g_sampled.pagefileMiB - before.pagefileMiB,
               g_sampled.workingSetMiB - before.workingSetMiB);
  std::wprintf(L"memory during the backups:\n"
               L"  PrivateUsage %.1f MiB, PagefileUsage %.1f MiB before; PeakPagefileUsage %.1f MiB"
               L" after the first, %.1f MiB after all: growth %.1f MiB\n"
               L"  peak working set %.1f MiB before, %.1f MiB after the first, %.1f MiB after all:"
               L" growth %.1f MiB\n",
               before.privateMiB, before.pagefileMiB, afterFirst.peakMiB, after.peakMiB,
               after.peakMiB - base, before.peakWorkingSetMiB, afterFirst.peakWorkingSetMiB,
               after.peakWorkingSetMiB, after.peakWorkingSetMiB - before.peakWorkingSetMiB);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"--files" && i + 1 < argc) o.files = std::wcstol(argv[++i], nullptr, 10);
    else if (a == L"--small") o.small = true;
    else if (a == L"--profile") g_profile = true;
    else if (a == L"--no-floor") g_noFloor = true;
    else if (a == L"--threads" && i + 1 < argc)
      vk::SetCompressWorkers(static_cast<unsigned>(std::wcstol(argv[++i], nullptr, 10)));
    else if (o.corpus.empty()) o.corpus = a;
    else if (a.size() >= 2 && a[1] == L':') o.drive = (a[0] & ~0x20) - L'A';
  }
  if (o.corpus.empty() || o.drive < 0 || o.files <= 0) {
    std::fputws(L"usage: vkbench CORPUS TARGET [--files N] [--small]\n", stderr);
    return 2;
  }
  while (!o.corpus.empty() && o.corpus.back() == L'\\') o.corpus.pop_back();
  try {
    return Bench(o);
  } catch (...) {
    return 255;
  }
}
