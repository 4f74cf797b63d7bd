// The tray window's job control: one backup or restore at a time, run by a
// worker thread of its own. The window hands over copies of the plan and the
// lists; the worker reads them, reports through the engine's progress
// callback and ends with a blocking end message to the window. Everything
// else here runs on the main thread.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "common/Handle.h"
#include "common/Messages.h"
#include "engine/BkupTypes.h"
#include "shell/TrayHost.h"
#include "shell/TrayRules.h"

namespace vk {

// The semaphore guarding the current item text (count 1 of 1).
inline constexpr wchar_t kItemSemaphoreName[] = L"ArkwellSem2017";

// The longest list a job takes (the plan file's limit on a folder list).
constexpr size_t kMaxJobListChars = 8u * 1024 * 1024;

// What the job control asks of its window (main thread).
class JobWindow {
 public:
  virtual ~JobWindow() = default;
  // Receives the end messages and the page questions of the worker.
  virtual HWND JobTarget() const = 0;
  // DoingBackup / DoingRestore, saved at once.
  virtual void MarkJobRunning(JobKind kind, bool running) = 0;
  virtual void StartJobTimer() = 0;
  virtual void StopJobTimer() = 0;
};

// Starts `proc(arg)` on a new thread; null when no thread could be had.
using ThreadStarter = HANDLE (*)(LPTHREAD_START_ROUTINE proc, void* arg);
HANDLE StartWorkerThread(LPTHREAD_START_ROUTINE proc, void* arg);

// A job as it ended, for the window's end message.
struct EndedJob {
  JobKind kind = JobKind::kBackup;
  uint32_t result = 0;
  bool scheduled = false;
  int driveIndex = -1;
  _BKUP_PLAN plan = {};
  SYSTEMTIME start = {};
};

// True when `root` ("X:\") is there and formatted exactly "NTFS".
bool PartitionIsNtfs(int driveIndex);

// The characters of a double-zero-terminated list, both terminators
// included; 0 when it is null, empty or not terminated within `maxChars`.
size_t ListChars(const wchar_t* list, size_t maxChars = kMaxJobListChars);

class TrayJob {
 public:
  explicit TrayJob(JobWindow& window, ThreadStarter starter = &StartWorkerThread);
  ~TrayJob();
  TrayJob(const TrayJob&) = delete;
  TrayJob& operator=(const TrayJob&) = delete;

  // False, with nothing started and the state as before, when a job runs,
  // the plan or list is missing, or no worker thread could be had.
  bool StartBackup(int driveIndex, const _BKUP_PLAN& plan, const wchar_t* folderList,
                   const wchar_t* exclusionList, bool scheduled);
  bool StartRestore(const _BKUPFILE_HEADER& set, const _BKUP_PLAN& plan, int driveIndex,
                    const wchar_t* selection, const wchar_t* destination);

  // The end message arrived: the job state goes back to idle (the result
  // stays readable) and the lists are freed; what the window needs to finish
  // the job comes back.
  EndedJob Finish();

  bool Running() const { return status_.running; }
  // The status with the worker's latest percent.
  const JobStatus& Status() const;
  std::wstring CurrentItem() const;
  void SetCancelRequest(bool on) { cancelRequest_ = on; }
  void SetCancelFlag(bool on) { cancelFlag_ = on; }

  // The window is going: stops a job that still runs and waits for its
  // worker to end, delivering the messages it sends meanwhile. False when
  // it did not end within `ms`.
  bool StopAndWait(DWORD ms);

 private:
  class Progress;
  bool Launch(JobKind kind, LPTHREAD_START_ROUTINE proc);
  void FreeLists();
  static DWORD WINAPI BackupThread(void* self);
  static DWORD WINAPI RestoreThread(void* self);
  static int __stdcall OnProgress(uint32_t phase, const wchar_t* path, uint32_t percent,
                                  void* self);
  uint32_t RunBackup();
  uint32_t RunRestore();
  void EndOnWorker(UINT message, uint32_t result);

  JobWindow& window_;
  ThreadStarter starter_;
  mutable JobStatus status_;
  KernelHandle worker_;
  KernelHandle itemLock_;
  std::wstring item_;

  // Shared with the worker.
  std::atomic<uint32_t> percent_{0};
  std::atomic<bool> cancelRequest_{false}, cancelFlag_{false};
  uint32_t result_ = 0;            // written by the worker before its end message
  uint32_t accessDenied_ = 0;      // likewise

  // The job's copies, written before the worker starts, freed after its end.
  _BKUP_PLAN plan_ = {};
  std::vector<wchar_t> list_;        // folder list or restore selection
  std::wstring exclusions_;
  _BKUPFILE_HEADER set_ = {};
  std::wstring destination_;
  bool hasDestination_ = false;
  SYSTEMTIME start_ = {};
};

}  // namespace vk
