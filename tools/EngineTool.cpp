// vkengine: runs the backup engine from a console, for tests, benchmarks and
// the demo. Not one of the products; never installed for users.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "common/Handle.h"
#include "engine/BackupRun.h"
#include "engine/BkupArchive.h"
#include "engine/EngineUtil.h"
#include "engine/EntryFilter.h"
#include "engine/FileSystem.h"
#include "engine/TargetVolume.h"
#include "common/Texts.h"
#include "restore/Catalogue.h"
#include "restore/RestoreRun.h"
#include "tools/ToolPlan.h"

namespace vk::tool {
namespace {

constexpr size_t kMaxListedPaths = 20;

const wchar_t kHelp[] =
    L"vkengine - runs the Vaultkeep engine on a target volume\n"
    L"\n"
    L"  vkengine save-plan X: NAME FOLDER...\n"
    L"      Writes X:\\CorvaneVaultkeep\\Backup\\Backup.plan: a plan named NAME for\n"
    L"      this computer and user, backing up the FOLDERs (a whole drive as D:).\n"
    L"  vkengine backup X: [--quiet] [--no-exclusions] [--language N] [FOLDER...]\n"
    L"      Runs a backup of the plan stored on X:, of the FOLDERs given or else of\n"
    L"      the plan's folder list. Prints the new set, the files it stored and\n"
    L"      reused, the entries the filter left out and the log files (--quiet:\n"
    L"      only the result). The exclusion list and the special folders are those\n"
    L"      the program builds at start-up (--no-exclusions: none). --language N\n"
    L"      writes the logs in language N (0 English, 1 French, ...).\n"
    L"  vkengine list X:\n"
    L"      Lists the backup sets in X:\\CorvaneVaultkeep\\Backup.\n"
    L"  vkengine restore X: [--to FOLDER] [--set N] [--replace] [--language N] [PATH...]\n"
    L"      Restores the PATHs (default: the plan's folder list) from the newest set\n"
    L"      of the plan on X:, or from its Nth set (1 = the oldest complete one), to\n"
    L"      where they were backed up from, or under FOLDER. Existing files are\n"
    L"      skipped unless --replace is given. Prints the files that could not be\n"
    L"      written and the restore logs.\n"
    L"  vkengine --help\n"
    L"      Shows this text.\n"
    L"\n"
    L"Exit code: the engine's result code - 0 success, 1 stopped, 2 invalid target\n"
    L"or data (also for a wrong command line), 3 target full, 4 out of memory,\n"
    L"5 read error, 6 write error, 9 temporary index error, 255 exception.\n";

const wchar_t* ResultName(uint32_t r) {
  switch (r) {
    case 0: return L"success";
    case 1: return L"stopped";
    case 2: return L"invalid target or data";
    case 3: return L"target full";
    case 4: return L"out of memory";
    case 5: return L"read error";
    case 6: return L"write error";
    case 9: return L"temporary index error";
    case 255: return L"exception";
    default: return L"unknown";
  }
}

int DriveIndex(const wchar_t* arg) {
  size_t n = std::wcslen(arg);
  if (n < 1 || n > 3 || (n >= 2 && arg[1] != L':') || (n == 3 && arg[2] != L'\\')) return -1;
  wchar_t c = static_cast<wchar_t>(arg[0] & ~0x20);
  return c >= L'A' && c <= L'Z' ? c - L'A' : -1;
}

std::wstring ListOf(const std::vector<std::wstring>& folders) {
  std::wstring list;
  for (const std::wstring& f : folders) list += f + L'\0';
  return list + L'\0';
}

std::vector<std::wstring> Split(const wchar_t* list) {
  std::vector<std::wstring> out;
  for (const wchar_t* s = list; *s; s += std::wcslen(s) + 1) out.push_back(s);
  return out;
}

// ---- what a set holds ---------------------------------------------------------
struct SetSummary {
  std::wstring path;
  _BKUPFILE_HEADER header = {};
  uint32_t stored = 0, reused = 0, noData = 0;
  uint64_t storedBytes = 0;
  std::set<std::wstring> paths;  // upper-cased, for the left-out list
};

std::wstring Upper(std::wstring s) {
  for (wchar_t& c : s)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
  return s;
}

bool ReadSet(const std::wstring& path, SetSummary* summary) {
  EngineFile file(FileSystem().CreateFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
  if (!file) return false;
  DWORD got = 0;
  if (!FileSystem().ReadFile(file.Get(), &summary->header, kSetHeaderSize, &got) ||
      CheckSetHeader(summary->header, got, nullptr) != SetHeaderState::kUsable)
    return false;
  summary->path = path;
  PageBuffer buffer;
  if (!buffer.Allocate(kWorkBufferSize)) return false;
  CTFile index;
  index.buffer = buffer.Data();
  index.bufferSize = kWorkBufferSize;
  index.Attach(file.Get(), summary->header.IndexOffset, summary->header.IndexSize);
  IndexRecord r;
  for (uint64_t o = 0; ReadIndexRecord(index, o, &r); o += r.entry.Length) {
    summary->paths.insert(Upper(std::wstring(r.path, r.pathChars)));
    if (r.entry.Attributes & kAttrFolder) continue;
    if (r.entry.DataOffset == 0) {
      ++summary->noData;
    } else if (r.entry.Sequence == summary->header.Sequence) {
      ++summary->stored;
      summary->storedBytes += r.entry.Size;
    } else {
      ++summary->reused;
    }
  }
  return true;
}

// The newest complete set (by file name, the run's start time) in the folder.
std::wstring NewestSet(const std::wstring& folder) {
  std::wstring newest;
  WIN32_FIND_DATAW found;
  EngineFind find(FileSystem().FindFirstFile((folder + L"\\*.bkup").c_str(), &found));
  if (!find) return newest;
  do {
    if (newest.empty() || std::wcscmp(found.cFileName, newest.c_str()) > 0)
      newest = found.cFileName;
  } while (FileSystem().FindNextFile(find.Get(), &found));
  return newest.empty() ? newest : folder + L"\\" + newest;
}

// Everything under the folder list that the index does not hold.
void CollectLeftOut(const std::wstring& path, const SetSummary& set, bool top,
                    std::vector<std::wstring>* out) {
  if (top) {
    DWORD attributes = FileSystem().GetFileAttributes(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    bool drive = path.size() <= 3 && path.size() >= 2 && path[1] == L':';
    if (!drive && !set.paths.count(Upper(path))) {
      out->push_back(path);
      return;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  }
  std::wstring folder = TrimTrailingBackslashes(path);
  WIN32_FIND_DATAW found;
  EngineFind find(FileSystem().FindFirstFile((folder + L"\\*").c_str(), &found));
  if (!find) return;
  do {
    std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring child = folder + L"\\" + name;
    if (!set.paths.count(Upper(child)))
      out->push_back(child);
    else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      CollectLeftOut(child, set, false, out);
  } while (FileSystem().FindNextFile(find.Get(), &found));
}

void PrintReport(int drive, const std::wstring& folderList, uint32_t unreadable) {
  SetSummary set;
  std::wstring newest = NewestSet(BackupFolderPath(drive));
  if (newest.empty() || !ReadSet(newest, &set)) {
    std::wprintf(L"  no complete set found\n");
    return;
  }
  std::vector<std::wstring> leftOut;
  for (const std::wstring& source : Split(folderList.c_str()))
    CollectLeftOut(source, set, true, &leftOut);
  std::wprintf(L"  set:        %ls (sequence %u, %u folders, %u files)\n", set.path.c_str(),
               set.header.Sequence, set.header.FolderCount, set.header.FileCount);
  std::wprintf(L"  stored:     %u files, %ls\n", set.stored, FormatSize(set.storedBytes).c_str());
  std::wprintf(L"  reused:     %u files (data in earlier sets)\n", set.reused);
  std::wprintf(L"  unreadable: %u files\n", unreadable);
  std::wprintf(L"  left out:   %u entries\n", static_cast<unsigned>(leftOut.size()));
  for (size_t i = 0; i < leftOut.size() && i < kMaxListedPaths; ++i)
    std::wprintf(L"              %ls\n", leftOut[i].c_str());
  std::wstring logs = LogFolderPath(drive);
  std::wprintf(L"  logs:       %ls\\%ls\n              %ls\\%ls\n", logs.c_str(),
               kBackupSummaryLog, logs.c_str(), kBackupDetailLog);
}

// ---- verbs ---------------------------------------------------------------------
int SavePlan(int argc, wchar_t** argv) {
  if (argc < 4) return kResultInvalid;
  int drive = DriveIndex(argv[2]);
  std::vector<std::wstring> folders(argv + 4, argv + argc);
  _BKUP_PLAN plan = NewPlan(argv[3]);
  uint32_t result = WritePlan(drive, &plan, ListOf(folders));
  std::wprintf(L"save-plan: %ls -> %u (%ls)\n", PlanFilePath(drive < 0 ? 0 : drive).c_str(),
               result, ResultName(result));
  return static_cast<int>(result);
}

int Backup(int argc, wchar_t** argv) {
  if (argc < 3) return kResultInvalid;
  int drive = DriveIndex(argv[2]);
  bool quiet = false, exclusions = true;
  std::vector<std::wstring> folders;
  for (int i = 3; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"--quiet") quiet = true;
    else if (a == L"--no-exclusions") exclusions = false;
    else if (a == L"--language" && i + 1 < argc) SetAppLanguage(std::wcstoul(argv[++i], nullptr, 10));
    else folders.push_back(a);
  }
  _BKUP_PLAN plan;
  std::wstring folderList;
  uint32_t result = ReadPlan(drive, &plan, &folderList);
  if (result != kResultOk) {
    std::wprintf(L"backup: cannot read the plan on %ls -> %u (%ls)\n", argv[2], result,
                 ResultName(result));
    return static_cast<int>(result);
  }
  if (!folders.empty()) folderList = ListOf(folders);
  SpecialFolders special = ReadSpecialFolders();
  SetJobSpecialFolders(special);
  std::wstring exclusionList = exclusions ? BuildExclusionList(special.paths[0]) : L"";
  SYSTEMTIME start;
  ::GetLocalTime(&start);
  uint32_t unreadable = 0;
  result = BackupJob(exclusions ? exclusionList.c_str() : nullptr, nullptr, nullptr, drive, &plan,
                     folderList.c_str(), &unreadable, start);
  std::wprintf(L"backup of plan \"%ls\" on %lc: -> %u (%ls)\n", plan.PlanName,
               DriveLetter(drive), result, ResultName(result));
  if (!quiet && result == kResultOk) PrintReport(drive, folderList, unreadable);
  return static_cast<int>(result);
}

int List(int argc, wchar_t** argv) {
  if (argc < 3) return kResultInvalid;
  int drive = DriveIndex(argv[2]);
  if (CheckTargetVolume(drive) != kResultOk) return kResultInvalid;
  std::wstring folder = BackupFolderPath(drive);
  WIN32_FIND_DATAW found;
  EngineFind find(FileSystem().FindFirstFile((folder + L"\\*.bkup").c_str(), &found));
  if (!find) return kResultOk;
  do {
    SetSummary set;
    std::wstring path = folder + L"\\" + found.cFileName;
    if (!ReadSet(path, &set)) {
      std::wprintf(L"%ls  (incomplete or not a set)\n", found.cFileName);
      continue;
    }
    std::wprintf(L"%ls  plan \"%ls\"  sequence %u  %u folders  %u files (%u stored, %u reused)"
                 L"  data %ls  index %ls\n",
                 found.cFileName, std::wstring(set.header.PlanName, BoundedLength(set.header.PlanName, kPlanNameChars)).c_str(),
                 set.header.Sequence, set.header.FolderCount, set.header.FileCount, set.stored,
                 set.reused, FormatSize(set.header.DataSize).c_str(),
                 FormatSize(set.header.IndexSize).c_str());
  } while (FileSystem().FindNextFile(find.Get(), &found));
  return kResultOk;
}

struct RestoreOptions {
  const wchar_t* location = nullptr;
  uint32_t set = 0;  // 0: the newest
  bool replace = false;
  std::vector<std::wstring> paths;
};

int __stdcall AnswerQuestions(uint32_t phase, const wchar_t* path, uint32_t, void* user) {
  if (phase == kPhaseOverwriteQuery) {
    auto* query = reinterpret_cast<_OVERWRITE_QUERY*>(const_cast<wchar_t*>(path));
    query->choice = *static_cast<bool*>(user) ? kChoiceReplace : kChoiceSkip;
  }
  return 0;
}

int Restore(int argc, wchar_t** argv) {
  if (argc < 3) return kResultInvalid;
  int drive = DriveIndex(argv[2]);
  RestoreOptions o;
  for (int i = 3; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"--to" && i + 1 < argc) o.location = argv[++i];
    else if (a == L"--set" && i + 1 < argc) o.set = std::wcstoul(argv[++i], nullptr, 10);
    else if (a == L"--replace") o.replace = true;
    else if (a == L"--language" && i + 1 < argc) SetAppLanguage(std::wcstoul(argv[++i], nullptr, 10));
    else o.paths.push_back(a);
  }
  _BKUP_PLAN plan;
  std::wstring folderList;
  uint32_t result = ReadPlan(drive, &plan, &folderList);
  if (result != kResultOk) return static_cast<int>(result);
  std::vector<_BKUPFILE_HEADER> sets(64);
  uint32_t count = 0;
  result = ListBackupSets(drive, plan, sets.data(), static_cast<uint32_t>(sets.size()), &count);
  if (result != kResultOk) return static_cast<int>(result);
  SYSTEMTIME limit = {};  // none: the newest set
  if (o.set != 0) {
    if (o.set > count || o.set > sets.size()) return kResultInvalid;
    limit = sets[o.set - 1].BackupTime;
  }
  std::wstring selection = o.paths.empty() ? folderList : ListOf(o.paths);
  uint32_t notWritten = 0;
  result = RestoreJob(drive, &plan, selection.c_str(), o.location, AnswerQuestions, &o.replace,
                      &notWritten, &limit);
  std::wprintf(L"restore from plan \"%ls\" on %lc: -> %u (%ls), %u file(s) not written\n",
               plan.PlanName, DriveLetter(drive), result, ResultName(result), notWritten);
  std::wstring logs = LogFolderPath(drive);
  std::wprintf(L"  logs: %ls\\%ls, %ls\\%ls\n", logs.c_str(), kRestoreSummaryLog, logs.c_str(),
               kRestoreDetailLog);
  return static_cast<int>(result);
}

int Main(int argc, wchar_t** argv) {
  std::wstring verb = argc > 1 ? argv[1] : L"";
  if (verb == L"--help" || verb == L"-h" || verb == L"help") {
    std::fputws(kHelp, stdout);
    return kResultOk;
  }
  int result = kResultInvalid;
  if (verb == L"save-plan") result = SavePlan(argc, argv);
  else if (verb == L"backup") result = Backup(argc, argv);
  else if (verb == L"list") result = List(argc, argv);
  else if (verb == L"restore") result = Restore(argc, argv);
  else std::fputws(kHelp, stderr);
  return result;
}

}  // namespace
}  // namespace vk::tool

int wmain(int argc, wchar_t** argv) {
  try {
    return vk::tool::Main(argc, argv);
  } catch (...) {
    return vk::kResultException;
  }
}
