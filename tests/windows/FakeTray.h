// A stand-in for the tray window in the tests of the windows it opens: a
// hidden window that implements TrayHost over a drive list, a job state and
// an update record the test sets, and opens the real main window. Tests of
// another process drive it with text commands (WM_COPYDATA, see Run); its
// answer to each command becomes the hidden window's text.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "shell/TrayHost.h"
#include "wizard/CFolderTree.h"

namespace vk::test {

constexpr wchar_t kFakeTrayClass[] = L"VkFakeTray";

// A drive record as the service and the plan loader would make it. `letters`
// are its partitions ("EF"), `planLetter` the one holding its plan (0: none).
_BKUP_DRVINFO MakeTestDrive(const std::wstring& caption, const std::wstring& letters,
                            wchar_t planLetter, uint32_t sets, uint64_t bytes);

// Ann's machine: her library folders on C: among others, a second disk D:.
class SceneFolders : public FolderSource {
 public:
  SceneFolders();
  std::vector<ListedEntry> List(const std::wstring& folder) override { return listings_[folder]; }
  std::wstring DisplayName(const std::wstring&) override { return std::wstring(); }
  uint32_t InternalDrives() override { return (1u << 2) | (1u << 3); }
  // The tree's inputs for this machine, its texts in the program's language;
  // the exclusions leave out C:\Windows and C:\Program Files.
  static FolderTreeInputs Inputs();

 private:
  std::map<std::wstring, std::vector<ListedEntry>> listings_;
};

class FakeTray : public TrayHost {
 public:
  FakeTray();
  ~FakeTray() override;
  FakeTray(const FakeTray&) = delete;
  FakeTray& operator=(const FakeTray&) = delete;

  // Runs one command and returns its answer:
  //   drive <caption>|<letters>|<plan letter or ->|<sets>|<bytes>   add a drive
  //   nodrives · open · openupdate · close
//   refresh            posted: the main window's drive refresh ("refreshes" counts them)
//   tab <n> · select <i>
  //   job none|manual|scheduled|restore <letter>    the job the windows see
  //   release            a new release is known
  //   lang <0..7>        the windows' language
  //   page <n>           the main window switches to page n afresh
  //   state              "open=.. tab=.. page=.. selected=.. modal=.. refreshes=.."
  //   tip <control id>   the main window's tool tip for that control
  //   font <control id>  the face of the font that control of the main window draws in
  //   overwrite <remaining>|<path>|<backup bytes>|<current bytes>
  //                      shows the overwrite prompt (its answer: "ow")
  //   ow                 "end=.. choice=.. apply=.." of the last prompt
  //   tree               shows a folder tree on a fake machine
  //   message <text id>|<style>[|back|log|nolog|check|<check text id>]
  //                      shows a message window of the pages (a "%d" shows 3)
  std::wstring Run(const std::wstring& command);

  HWND MainHwnd() const;
  HWND OverwriteHwnd() const { return overwrite_; }
  HWND TreeHwnd() const { return treeWindow_; }
  HWND MessageHwnd() const { return message_; }

  // TrayHost.
  HWND Hwnd() const override { return hwnd_; }
  bool OpenMainWindow(bool onUpdatePage) override;
  void RefreshDrives() override {}
  bool StartBackup(int, const _BKUP_PLAN&, const wchar_t*) override { return false; }
  bool StartRestore(const _BKUPFILE_HEADER&, const _BKUP_PLAN&, int, const wchar_t*,
                    const wchar_t*) override {
    return false;
  }
  void ShowNotification(const std::wstring&, IconKind, bool) override {}
  uint32_t ShowMessage(const std::wstring& text, uint32_t style) override;
  int ShowUpdateNotice() override { return 0; }
  void EndProgram() override { ++endRequests_; }
  const std::vector<_BKUP_DRVINFO>& Drives() const override { return drives_; }
  const JobStatus& Job() const override { return job_; }
  std::wstring CurrentItem() const override { return std::wstring(); }
  const Identity& Who() const override { return who_; }
  const UserFolders& Folders() const override { return folders_; }
  const wchar_t* ExclusionList() const override { return L"\0"; }
  const svc::_SVC_UPDINFO& UpdateInfo() const override { return update_; }
  uint32_t ModalCount() const override { return modal_; }
  void SetCancelRequest(bool) override {}
  void SetCancelFlag(bool) override {}
  void MainWindowDestroyed(MainWindowLink* window) override;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  std::wstring Dispatch(const std::wstring& word, const std::wstring& rest);
  std::wstring AddDrive(const std::wstring& spec);
  std::wstring SetJob(const std::wstring& spec);
  std::wstring State() const;
  std::wstring Tip(UINT id) const;
  std::wstring FontFace(UINT id) const;
  void ShowOverwrite(const std::wstring& spec);
  void ShowTree();
  void ShowMessageScene(const std::wstring& spec);
  void RunMessageScene();

  HWND hwnd_ = nullptr;
  std::vector<_BKUP_DRVINFO> drives_;
  JobStatus job_;
  Identity who_;
  UserFolders folders_;
  svc::_SVC_UPDINFO update_ = {};
  uint32_t modal_ = 0;
  MainWindowLink* pendingDelete_ = nullptr;
  HWND overwrite_ = nullptr;
  std::wstring overwriteSpec_, overwriteAnswer_;
  HWND treeWindow_ = nullptr;
  HWND message_ = nullptr;
  std::wstring messageSpec_;
  int refreshes_ = 0;  // posted refreshes done
  int endRequests_ = 0;  // EndProgram calls
};

}  // namespace vk::test
