#include "shell/TrayJob.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

#include "tests/shell/HostWindow.h"
#include "tests/support/DescribedVolumes.h"
#include "tests/support/ScopedFileSystem.h"
#include "tests/support/TestVolume.h"

namespace vk {
namespace {

// The window side of the job control, recording what it was asked.
class FakeJobWindow : public JobWindow {
 public:
  FakeJobWindow() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VkFakeJobWindow";
    ::RegisterClassW(&wc);
    hwnd_ = ::CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            wc.hInstance, nullptr);
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~FakeJobWindow() override { ::DestroyWindow(hwnd_); }

  HWND JobTarget() const override { return hwnd_; }
  void MarkJobRunning(JobKind, bool running) override { marks.push_back(running); }
  void StartJobTimer() override { ++timerStarts; }
  void StopJobTimer() override { ++timerStops; }

  std::vector<bool> marks;  // DoingBackup / DoingRestore as set, in order
  int timerStarts = 0, timerStops = 0;
  int ends = 0;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<FakeJobWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && (msg == kMsgBackupEnded || msg == kMsgRestoreEnded)) ++self->ends;
    if (self && msg == kMsgJobProgressPage) return 0;  // no progress page
    return ::DefWindowProcW(hwnd, msg, wp, lp);
  }
  HWND hwnd_ = nullptr;
};

HANDLE NoThread(LPTHREAD_START_ROUTINE, void*) { return nullptr; }

const wchar_t kFolders[] = L"C:\\Users\0\0";
const size_t kFoldersChars = std::wcslen(kFolders) + 2;  // both terminators

// A drive letter this machine does not have.
int MissingDrive() {
  const DWORD present = ::GetLogicalDrives();
  for (int d = kLastDrive; d >= kFirstDrive; --d)
    if ((present & (1u << d)) == 0) return d;
  return -1;
}

TEST(TrayJob, WorkerThreadThatCannotBeMadeLeavesNoJobBehind) {
  FakeJobWindow window;
  TrayJob job(window, &NoThread);
  _BKUP_PLAN plan = {};
  EXPECT_FALSE(job.StartBackup(5, plan, kFolders, nullptr, true));
  EXPECT_FALSE(job.Running());
  EXPECT_FALSE(job.Status().scheduled);
  // The run flag was set for the start and taken back; no busy timer runs.
  EXPECT_EQ(window.marks, (std::vector<bool>{true, false}));
  EXPECT_EQ(window.timerStarts, 0);

  const _BKUPFILE_HEADER set = {};
  EXPECT_FALSE(job.StartRestore(set, plan, 5, kFolders, nullptr));
  EXPECT_FALSE(job.Running());
  EXPECT_EQ(window.marks, (std::vector<bool>{true, false, true, false}));
}

TEST(TrayJob, StartRefusedWithoutAListOrWhileAJobRuns) {
  FakeJobWindow window;
  TrayJob job(window);
  _BKUP_PLAN plan = {};
  EXPECT_FALSE(job.StartBackup(5, plan, nullptr, nullptr, false));
  EXPECT_FALSE(job.StartBackup(5, plan, L"\0", nullptr, false));
  EXPECT_TRUE(window.marks.empty());  // nothing was even begun

  const int missing = MissingDrive();
  ASSERT_GE(missing, 0);
  ASSERT_TRUE(job.StartBackup(missing, plan, kFolders, nullptr, false));
  EXPECT_TRUE(job.Running());
  EXPECT_FALSE(job.StartBackup(missing, plan, kFolders, nullptr, false));  // one at a time
  ASSERT_TRUE(test::HostWindow::PumpUntil([&] { return window.ends == 1; }, 10000));
  job.Finish();
  EXPECT_FALSE(job.Running());
}

TEST(TrayJob, MissingPartitionEndsWithGoneWithoutTheEngine) {
  FakeJobWindow window;
  TrayJob job(window);
  const int missing = MissingDrive();
  ASSERT_GE(missing, 0);
  _BKUP_PLAN plan = {};
  plan.Frequency = 4;
  ASSERT_TRUE(job.StartBackup(missing, plan, kFolders, nullptr, true));
  EXPECT_EQ(window.timerStarts, 1);
  ASSERT_TRUE(test::HostWindow::PumpUntil([&] { return window.ends == 1; }, 10000));
  const EndedJob ended = job.Finish();
  EXPECT_EQ(ended.result, kResultTargetGone);
  EXPECT_TRUE(ended.scheduled);
  EXPECT_EQ(ended.driveIndex, missing);
  EXPECT_EQ(ended.plan.Frequency, 4);
  EXPECT_EQ(job.Status().result, kResultTargetGone);
  EXPECT_EQ(window.timerStops, 1);
  EXPECT_FALSE(job.Running());
}

// A backup goes only to a root that opens and whose volume calls itself
// "NTFS", exactly.
TEST(TrayJob, OnlyAPresentVolumeNamedExactlyNtfsTakesABackup) {
  const int drive = test::ScratchDriveIndex();
  const int missing = MissingDrive();
  ASSERT_GE(drive, 0);
  ASSERT_GE(missing, 0);
  const std::wstring root = std::wstring(1, static_cast<wchar_t>(L'A' + drive)) + L":\\";
  const std::wstring gone = std::wstring(1, static_cast<wchar_t>(L'A' + missing)) + L":\\";
  struct Case {
    const wchar_t* fileSystem;  // null: the volume does not answer
    bool ntfs;
  } cases[] = {{L"NTFS", true}, {L"FAT32", false}, {L"ntfs", false}, {L"NTFS ", false},
               {L"", false},     {nullptr, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileSystem ? c.fileSystem : L"(no answer)");
    test::DescribedVolumes door;
    if (c.fileSystem) door.volumes[root] = {c.fileSystem, 0, 0};
    test::ScopedFileSystem scope(&door);
    EXPECT_EQ(PartitionIsNtfs(drive), c.ntfs);
  }
  test::DescribedVolumes door;
  door.volumes[gone] = {L"NTFS", 0, 0};  // remembered, but its root no longer opens
  test::ScopedFileSystem scope(&door);
  EXPECT_FALSE(PartitionIsNtfs(missing));
}

TEST(TrayJob, ListLengthCountsBothTerminatorsAndRefusesUnterminated) {
  const wchar_t two[] = L"A\0BC\0\0";
  const wchar_t unterminated[] = {L'A', L'B', L'\0', L'C', L'D', L'E'};
  struct Case {
    const char* name;
    const wchar_t* list;
    size_t maxChars;
    size_t chars;
  } cases[] = {
      {"null", nullptr, kMaxJobListChars, 0},
      {"empty", L"\0", kMaxJobListChars, 0},
      {"one entry", kFolders, kMaxJobListChars, kFoldersChars},
      {"two entries", two, kMaxJobListChars, 6},
      {"no end within the bound", unterminated, 6, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ListChars(c.list, c.maxChars), c.chars);
  }
}

}  // namespace
}  // namespace vk
