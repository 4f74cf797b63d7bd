#include "shell/TrayJob.h"

#include <cstring>

#include "engine/BackupRun.h"
#include "engine/FileSystem.h"
#include "restore/RestoreRun.h"
#include "shell/TrayClock.h"

#ifdef VK_SIMULATED_CLOCK
#include "shell/SimulatedClock.h"
#endif

namespace vk {
namespace {

constexpr wchar_t kNtfs[] = L"NTFS";
constexpr LONG kItemLockCount = 1;
constexpr EXECUTION_STATE kKeepAwake = ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED;

void KeepAwake() { ::SetThreadExecutionState(kKeepAwake); }

// Holds the item semaphore for one access.
class ItemLock {
 public:
  explicit ItemLock(HANDLE semaphore) : semaphore_(semaphore) {
    if (semaphore_) ::WaitForSingleObject(semaphore_, INFINITE);
  }
  ~ItemLock() {
    if (semaphore_) ::ReleaseSemaphore(semaphore_, 1, nullptr);
  }
  ItemLock(const ItemLock&) = delete;
  ItemLock& operator=(const ItemLock&) = delete;

 private:
  HANDLE semaphore_;
};

}  // namespace

HANDLE StartWorkerThread(LPTHREAD_START_ROUTINE proc, void* arg) {
  return ::CreateThread(nullptr, 0, proc, arg, 0, nullptr);
}

bool PartitionIsNtfs(int driveIndex) {
  if (driveIndex < kFirstDrive || driveIndex > kLastDrive) return false;
  const wchar_t root[] = {static_cast<wchar_t>(L'A' + driveIndex), L':', L'\\', 0};
  // A volume whose device has gone may still be described from what the
  // system remembers of it; its root no longer opens.
  const DWORD attributes = ::GetFileAttributesW(root);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    return false;
  std::wstring name;
  if (!FileSystem().GetVolumeFileSystem(root, &name)) return false;
  return name == kNtfs;  // exactly, case included
}

size_t ListChars(const wchar_t* list, size_t maxChars) {
  if (list == nullptr || list[0] == L'\0') return 0;
  for (size_t i = 1; i < maxChars; ++i) {
    if (list[i] == L'\0' && list[i - 1] == L'\0') return i + 1;
  }
  return 0;
}

// The callback's view of the job, on the worker thread.
class TrayJob::Progress : public ProgressHost {
 public:
  explicit Progress(TrayJob& job) : job_(job) {}
  bool CancelFlag() const override { return job_.cancelFlag_; }
  bool CancelRequested() const override { return job_.cancelRequest_; }
  void SetCurrentItem(const wchar_t* text) override {
    ItemLock lock(job_.itemLock_.Get());
    job_.item_ = text;
  }
  void SetPercent(uint32_t percent) override { job_.percent_ = percent; }
  bool PageOpen(ProgressPage page) const override {
    // The page belongs to the main thread: asked there, for this call.
    page_ = reinterpret_cast<HWND>(::SendMessageW(job_.window_.JobTarget(), kMsgJobProgressPage,
                                                  static_cast<WPARAM>(page), 0));
    return page_ != nullptr;
  }
  void ConfirmCancel(ProgressPage page, const wchar_t* text, uint32_t percent) override {
    const std::wstring item = text ? std::wstring(text) : job_.CurrentItem();
    const UINT msg = page == ProgressPage::kBackup ? kMsgConfirmBackupCancel
                                                   : kMsgConfirmRestoreCancel;
    ::SendMessageW(page_, msg, reinterpret_cast<WPARAM>(item.c_str()), percent);
  }
  void AskOverwrite(const void* query, uint32_t percent) override {
    ::SendMessageW(page_, kMsgOverwriteQuestion, reinterpret_cast<WPARAM>(query), percent);
  }

 private:
  TrayJob& job_;
  mutable HWND page_ = nullptr;
};

TrayJob::TrayJob(JobWindow& window, ThreadStarter starter)
    : window_(window),
      starter_(starter),
      itemLock_(::CreateSemaphoreW(nullptr, kItemLockCount, kItemLockCount, kItemSemaphoreName)) {}

TrayJob::~TrayJob() { StopAndWait(INFINITE); }

const JobStatus& TrayJob::Status() const {
  status_.percent = percent_;
  return status_;
}

std::wstring TrayJob::CurrentItem() const {
  ItemLock lock(itemLock_.Get());
  return item_;
}

void TrayJob::FreeLists() {
  std::vector<wchar_t>().swap(list_);
  exclusions_.clear();
  destination_.clear();
  hasDestination_ = false;
}

bool TrayJob::StartBackup(int driveIndex, const _BKUP_PLAN& plan, const wchar_t* folderList,
                          const wchar_t* exclusionList, bool scheduled) {
  const size_t chars = ListChars(folderList);
  if (status_.running || chars == 0) return false;
  FreeLists();
  plan_ = plan;
  list_.assign(folderList, folderList + chars);
  const size_t exclusionChars = ListChars(exclusionList);
  if (exclusionChars != 0) exclusions_.assign(exclusionList, exclusionChars);
  status_.driveIndex = driveIndex;
  status_.scheduled = scheduled;
  return Launch(JobKind::kBackup, &TrayJob::BackupThread);
}

bool TrayJob::StartRestore(const _BKUPFILE_HEADER& set, const _BKUP_PLAN& plan, int driveIndex,
                           const wchar_t* selection, const wchar_t* destination) {
  const size_t chars = ListChars(selection);
  if (status_.running || chars == 0) return false;
  FreeLists();
  set_ = set;
  plan_ = plan;
  list_.assign(selection, selection + chars);
  hasDestination_ = destination != nullptr;
  if (hasDestination_) destination_ = destination;
  status_.driveIndex = driveIndex;
  status_.scheduled = false;
  return Launch(JobKind::kRestore, &TrayJob::RestoreThread);
}

bool TrayJob::Launch(JobKind kind, LPTHREAD_START_ROUTINE proc) {
  result_ = kResultOk;
  accessDenied_ = 0;
  percent_ = 0;
  {
    ItemLock lock(itemLock_.Get());
    item_.clear();
  }
  cancelRequest_ = false;
  cancelFlag_ = false;
  status_.result = kResultOk;
  status_.accessDenied = 0;
  status_.kind = kind;
  status_.running = true;
  window_.MarkJobRunning(kind, true);
  // A worker of the last job may still be on its way out after its end
  // message; it touches nothing of the job any more.
  worker_.Reset(starter_(proc, this));
  if (!worker_.Valid()) {
    // No thread: nothing will ever send the end message, so the job must
    // not be left looking as if it ran.
    status_.running = false;
    status_.scheduled = false;
    window_.MarkJobRunning(kind, false);
    FreeLists();
    return false;
  }
  window_.StartJobTimer();
  return true;
}

EndedJob TrayJob::Finish() {
  EndedJob ended;
  ended.kind = status_.kind;
  ended.result = result_;
  ended.scheduled = status_.scheduled;
  ended.driveIndex = status_.driveIndex;
  ended.plan = plan_;
  ended.start = start_;
  window_.StopJobTimer();
  status_.running = false;
  status_.scheduled = false;
  status_.result = result_;
  status_.accessDenied = accessDenied_;
  cancelRequest_ = false;
  cancelFlag_ = false;
  FreeLists();
  return ended;
}

bool TrayJob::StopAndWait(DWORD ms) {
  if (!worker_.Valid()) return true;
  cancelRequest_ = true;
  cancelFlag_ = true;
  HANDLE thread = worker_.Get();
  const ULONGLONG deadline = ::GetTickCount64() + ms;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    const DWORD wait = ms == INFINITE ? INFINITE
                       : now >= deadline ? 0
                                         : static_cast<DWORD>(deadline - now);
    const DWORD r = ::MsgWaitForMultipleObjects(1, &thread, FALSE, wait, QS_SENDMESSAGE);
    if (r == WAIT_OBJECT_0) break;
    if (r != WAIT_OBJECT_0 + 1) return false;
    MSG msg;
    // Delivers what the worker is sending to this thread (its end message).
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  worker_.Reset();
  return true;
}

int __stdcall TrayJob::OnProgress(uint32_t phase, const wchar_t* path, uint32_t percent,
                                  void* self) {
  auto* job = static_cast<TrayJob*>(self);
  try {
#ifdef VK_SIMULATED_CLOCK
    // A test holds the job here to act while it runs.
    while (TestJobsHeld() && !job->cancelFlag_) ::Sleep(kMinTestTickMs);
#endif
    Progress host(*job);
    return HandleProgress(host, phase, path, percent);
  } catch (...) {
    return job->cancelFlag_ ? 1 : 0;
  }
}

uint32_t TrayJob::RunBackup() {
  if (!PartitionIsNtfs(status_.driveIndex)) return kResultTargetGone;
  start_ = TrayNow();  // the clock the schedule rules use
  return BackupJob(exclusions_.empty() ? nullptr : exclusions_.c_str(), &TrayJob::OnProgress, this,
                   status_.driveIndex, &plan_, list_.data(), &accessDenied_, start_);
}

uint32_t TrayJob::RunRestore() {
  if (!PartitionIsNtfs(status_.driveIndex)) return kResultTargetGone;
  const SYSTEMTIME limit = set_.BackupTime;
  return RestoreJob(status_.driveIndex, &plan_, list_.data(),
                    hasDestination_ ? destination_.c_str() : nullptr, &TrayJob::OnProgress, this,
                    &accessDenied_, &limit);
}

void TrayJob::EndOnWorker(UINT message, uint32_t result) {
  // A disk pulled out during the run is reported as gone, whatever the
  // engine made of its last writes; a run the user stopped stays stopped.
  if (result != kResultStopped && !PartitionIsNtfs(status_.driveIndex)) result = kResultTargetGone;
  result_ = result;
  ::SendMessageW(window_.JobTarget(), message, 0, 0);
}

DWORD WINAPI TrayJob::BackupThread(void* self) {
  auto* job = static_cast<TrayJob*>(self);
  uint32_t result = kResultException;
  try {
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    KeepAwake();
    result = job->RunBackup();
  } catch (...) {
  }
  try {
    job->EndOnWorker(kMsgBackupEnded, result);
  } catch (...) {
  }
  return 0;
}

DWORD WINAPI TrayJob::RestoreThread(void* self) {
  auto* job = static_cast<TrayJob*>(self);
  uint32_t result = kResultException;
  try {
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    KeepAwake();
    result = job->RunRestore();
  } catch (...) {
  }
  try {
    job->EndOnWorker(kMsgRestoreEnded, result);
  } catch (...) {
  }
  return 0;
}

}  // namespace vk
