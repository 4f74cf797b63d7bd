#include "tests/windows/FakeTray.h"

#include <commctrl.h>

#include <cwchar>
#include <map>
#include <memory>
#include <sstream>

#include "common/Messages.h"
#include "common/Texts.h"
#include "controls/CMsgDlg.h"
#include "shell/AppTexts.h"
#include "controls/UiFonts.h"
#include "restorewin/COwDlg.h"
#include "shell/CArkwellDlg.h"
#include "wizard/FolderTreeModel.h"

namespace vk::test {
namespace {

// Commands arrive as WM_COPYDATA records of this kind, UTF-16 without a zero.
constexpr ULONG_PTR kCommandData = 0x564B;
constexpr UINT kMsgRunOverwrite = kMsgPrivateFirst + 0x40;
// A drive refresh comes later, as the tray's timer brings it: a warning it
// shows must not hold the command that asked for it.
constexpr UINT kMsgRefresh = kMsgPrivateFirst + 0x41;
// A message window of the pages, shown modally like the overwrite prompt.
constexpr UINT kMsgRunMessage = kMsgPrivateFirst + 0x42;
constexpr int kSceneCount = 3;  // the count a message with "%d" shows
constexpr size_t kMaxCommandChars = 4096;
constexpr size_t kTipChars = 256;
constexpr SIZE kTreeScene = {560, 320};
constexpr UINT kTreeId = 1100;

std::vector<std::wstring> SplitFields(const std::wstring& spec) {
  std::vector<std::wstring> fields;
  std::wstringstream in(spec);
  std::wstring field;
  while (std::getline(in, field, L'|')) fields.push_back(field);
  return fields;
}

void CopyField(wchar_t* field, const std::wstring& text) {
  const size_t n = text.size() < svc::kPathChars - 1 ? text.size() : svc::kPathChars - 1;
  text.copy(field, n);
  field[n] = 0;
}

struct TreeScene {
  SceneFolders folders;
  FolderTreeModel model{folders};
  CFolderTree tree;
};
std::unique_ptr<TreeScene> g_tree;

LRESULT CALLBACK TreeSceneProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    if (msg == WM_NOTIFY && g_tree) {
      LRESULT result = 0;
      bool changed = false;
      if (g_tree->tree.OnNotify(*reinterpret_cast<NMHDR*>(lp), &result, &changed)) return result;
    }
    if (msg == WM_ERASEBKGND) {
      RECT rc;
      ::GetClientRect(hwnd, &rc);
      FillSolid(reinterpret_cast<HDC>(wp), rc, kDarkBackground);
      return 1;
    }
  } catch (...) {
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// The prompt, telling the fake tray its window once it exists.
class ShownMsgDlg : public CMsgDlg {
 public:
  ShownMsgDlg(const std::wstring& text, uint32_t style, HWND* shown)
      : CMsgDlg(text, style), shown_(shown) {}

 protected:
  BOOL OnInitDialog() override {
    const BOOL r = CMsgDlg::OnInitDialog();
    *shown_ = Hwnd();
    return r;
  }

 private:
  HWND* shown_;
};

class ShownOwDlg : public COwDlg {
 public:
  ShownOwDlg(const _OVERWRITE_QUERY& q, HWND* shown) : COwDlg(q), shown_(shown) {}

 protected:
  BOOL OnInitDialog() override {
    const BOOL r = COwDlg::OnInitDialog();
    *shown_ = Hwnd();
    return r;
  }

 private:
  HWND* shown_;
};

}  // namespace

SceneFolders::SceneFolders() {
  for (const wchar_t* path :
       {L"C:\\Program Files", L"C:\\Users", L"C:\\Users\\Ann", L"C:\\Users\\Ann\\Documents",
        L"C:\\Users\\Ann\\Documents\\Letters", L"C:\\Users\\Ann\\Documents\\Taxes",
        L"C:\\Users\\Ann\\Downloads", L"C:\\Users\\Ann\\Music", L"C:\\Users\\Ann\\Pictures",
        L"C:\\Users\\Ann\\Pictures\\Holidays", L"C:\\Users\\Ann\\Videos", L"C:\\Users\\Public",
        L"C:\\Windows", L"D:\\Photos", L"D:\\Projects", L"D:\\Projects\\Garden"}) {
    const std::wstring p = path;
    const size_t cut = p.rfind(L'\\');
    listings_[p.substr(0, cut)].push_back({FILE_ATTRIBUTE_DIRECTORY, p.substr(cut + 1)});
  }
}

FolderTreeInputs SceneFolders::Inputs() {
  FolderTreeInputs in;
  in.libraryText = LoadText(txt::kFolderTreeLibrary, AppLanguage());
  in.thisPcText = LoadText(txt::kFolderTreeThisPc, AppLanguage());
  in.special.available = true;
  in.special.paths[0] = L"C:\\Users\\Ann\\Documents";
  in.special.paths[1] = L"C:\\Users\\Ann\\Music";
  in.special.paths[2] = L"C:\\Users\\Ann\\Pictures";
  in.special.paths[3] = L"C:\\Users\\Ann\\Videos";
  in.exclusionList = std::wstring(L"C:\\Windows\0C:\\Program Files\0", 28);
  return in;
}

_BKUP_DRVINFO MakeTestDrive(const std::wstring& caption, const std::wstring& letters,
                            wchar_t planLetter, uint32_t sets, uint64_t bytes) {
  _BKUP_DRVINFO d = {};
  CopyField(d.Device.szFriendlyName, caption);
  CopyField(d.Device.szDeviceObject, L"\\Device\\Test" + caption + letters);
  for (wchar_t c : letters)
    if (c >= L'A' && c <= L'Z') d.Device.dwDriveMask |= 1u << (c - L'A');
  d.Device.dwBytesPerSector = 512;
  d.Device.ullSectorCount = bytes / 512;
  d.PlanDrive = planLetter >= L'A' && planLetter <= L'Z' ? planLetter - L'A' : kNoPlanDrive;
  d.StoredSetCount = sets;
  return d;
}

FakeTray::FakeTray() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = Proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = kFakeTrayClass;
  ::RegisterClassW(&wc);
  hwnd_ = ::CreateWindowExW(0, kFakeTrayClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                            wc.hInstance, this);
  ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetTray(this);
}

FakeTray::~FakeTray() {
  if (MainWindowLink* main = MainWindow()) ::DestroyWindow(main->Hwnd());
  delete pendingDelete_;
  if (treeWindow_) ::DestroyWindow(treeWindow_);
  g_tree.reset();
  SetTray(nullptr);
  ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  ::DestroyWindow(hwnd_);
}

HWND FakeTray::MainHwnd() const { return MainWindow() ? MainWindow()->Hwnd() : nullptr; }

bool FakeTray::OpenMainWindow(bool onUpdatePage) {
  if (MainWindow() || modal_ > 0) return false;
  delete pendingDelete_;
  pendingDelete_ = nullptr;
  return CreateMainWindow(hwnd_, onUpdatePage) != nullptr;
}

uint32_t FakeTray::ShowMessage(const std::wstring& text, uint32_t style) {
  ++modal_;
  const INT_PTR r = ShowMessageBox(nullptr, text, style);
  --modal_;
  return static_cast<uint32_t>(r);
}

void FakeTray::MainWindowDestroyed(MainWindowLink* window) {
  delete pendingDelete_;
  pendingDelete_ = window;
}

std::wstring FakeTray::Run(const std::wstring& command) {
  const size_t space = command.find(L' ');
  const std::wstring word = command.substr(0, space);
  const std::wstring rest = space == std::wstring::npos ? L"" : command.substr(space + 1);
  return Dispatch(word, rest);
}

std::wstring FakeTray::Dispatch(const std::wstring& word, const std::wstring& rest) {
  auto* main = static_cast<CArkwellDlg*>(MainWindow());
  if (word == L"drive") return AddDrive(rest);
  if (word == L"nodrives") drives_.clear();
  else if (word == L"refresh") ::PostMessageW(hwnd_, kMsgRefresh, 0, 0);
  else if (word == L"open" || word == L"openupdate") return OpenMainWindow(word == L"openupdate") ? L"ok" : L"refused";
  else if (word == L"close" && main) ::SendMessageW(main->Hwnd(), WM_CLOSE, 0, 0);
  else if (word == L"job") return SetJob(rest);
  else if (word == L"release") update_.bUpdateAvailable = 1;
  else if (word == L"lang") SetAppLanguage(static_cast<uint32_t>(std::wcstoul(rest.c_str(), nullptr, 10)));
  else if (word == L"page" && main) main->SwitchPage(std::wcstol(rest.c_str(), nullptr, 10), false);
  else if (word == L"tab" && main) main->SwitchTab(std::wcstol(rest.c_str(), nullptr, 10));
  else if (word == L"select" && main) main->SelectDrive(std::wcstol(rest.c_str(), nullptr, 10), false);
  else if (word == L"state") return State();
  else if (word == L"tip") return Tip(static_cast<UINT>(std::wcstoul(rest.c_str(), nullptr, 10)));
  else if (word == L"font") return FontFace(static_cast<UINT>(std::wcstoul(rest.c_str(), nullptr, 10)));
  else if (word == L"overwrite") ShowOverwrite(rest);
  else if (word == L"ow") return overwriteAnswer_;
  else if (word == L"tree") ShowTree();
  else if (word == L"message") ShowMessageScene(rest);
  else return L"unknown";
  return L"ok";
}

std::wstring FakeTray::AddDrive(const std::wstring& spec) {
  const std::vector<std::wstring> f = SplitFields(spec);
  if (f.size() != 5) return L"bad drive";
  const wchar_t plan = f[2].empty() || f[2] == L"-" ? 0 : f[2][0];
  drives_.push_back(MakeTestDrive(f[0], f[1], plan, static_cast<uint32_t>(std::wcstoul(f[3].c_str(), nullptr, 10)),
                                  std::wcstoull(f[4].c_str(), nullptr, 10)));
  return L"ok";
}

std::wstring FakeTray::SetJob(const std::wstring& spec) {
  job_ = JobStatus();
  const size_t space = spec.find(L' ');
  const std::wstring kind = spec.substr(0, space);
  if (kind != L"none") {
    job_.running = true;
    job_.kind = kind == L"restore" ? JobKind::kRestore : JobKind::kBackup;
    job_.scheduled = kind == L"scheduled";
    if (space != std::wstring::npos && space + 1 < spec.size()) job_.driveIndex = spec[space + 1] - L'A';
  }
  if (auto* main = static_cast<CArkwellDlg*>(MainWindow())) main->UpdateButtons();
  return L"ok";
}

std::wstring FakeTray::State() const {
  auto* main = static_cast<CArkwellDlg*>(MainWindow());
  if (!main) return L"open=0 refreshes=" + std::to_wstring(refreshes_);
  wchar_t text[128];
  std::swprintf(text, 128, L"open=1 tab=%d page=%d selected=%d modal=%u refreshes=%d",
                main->CurrentTab(), main->CurrentPage(), main->SelectedDrive(), main->ModalCount(),
                refreshes_);
  return text;
}

// Asked here, in the windows' own process: a font handle means nothing in
// another.
std::wstring FakeTray::FontFace(UINT id) const {
  HWND main = MainHwnd();
  if (!main) return L"no window";
  const LRESULT handle = ::SendDlgItemMessageW(main, static_cast<int>(id), WM_GETFONT, 0, 0);
  const auto font = reinterpret_cast<HFONT>(handle);
  LOGFONTW face = {};
  if (!font || ::GetObjectW(font, sizeof(face), &face) == 0) return L"no font";
  return face.lfFaceName;
}

// Asks the main window's tip control for a tool's text, as it asks when the
// mouse rests on the tool.
std::wstring FakeTray::Tip(UINT id) const {
  HWND main = MainHwnd();
  if (!main) return L"no window";
  struct Find { HWND owner, tips; } find = {main, nullptr};
  ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND h, LPARAM lp) -> BOOL {
    auto* f = reinterpret_cast<Find*>(lp);
    wchar_t cls[64] = {};
    ::GetClassNameW(h, cls, 64);
    if (std::wcscmp(cls, TOOLTIPS_CLASSW) == 0 && ::GetWindow(h, GW_OWNER) == f->owner) f->tips = h;
    return f->tips == nullptr;
  }, reinterpret_cast<LPARAM>(&find));
  if (!find.tips) return L"no tips";
  wchar_t text[kTipChars] = {};
  TOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.hwnd = main;
  tool.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(main, static_cast<int>(id)));
  tool.lpszText = text;
  ::SendMessageW(find.tips, TTM_GETTEXTW, kTipChars, reinterpret_cast<LPARAM>(&tool));
  return text;
}

void FakeTray::ShowOverwrite(const std::wstring& spec) {
  overwriteSpec_ = spec;
  overwriteAnswer_.clear();
  ::PostMessageW(hwnd_, kMsgRunOverwrite, 0, 0);  // the command returns while the prompt runs
}

void FakeTray::ShowMessageScene(const std::wstring& spec) {
  messageSpec_ = spec;
  ::PostMessageW(hwnd_, kMsgRunMessage, 0, 0);  // the command returns while the window runs
}

void FakeTray::RunMessageScene() {
  const std::vector<std::wstring> f = SplitFields(messageSpec_);
  if (f.size() < 2) return;
  const uint32_t id = static_cast<uint32_t>(std::wcstoul(f[0].c_str(), nullptr, 10));
  const uint32_t style = static_cast<uint32_t>(std::wcstoul(f[1].c_str(), nullptr, 10));
  const std::wstring option = f.size() > 2 ? f[2] : L"";
  ShownMsgDlg dlg(GetString(id, kSceneCount), style, &message_);
  dlg.backMode = option == L"back";
  dlg.logMode = option == L"log" || option == L"nolog";
  dlg.logEnabled = option == L"log";
  if (f.size() > 3 && option == L"check") {
    dlg.checkShown = true;
    dlg.checkText = GetString(static_cast<uint32_t>(std::wcstoul(f[3].c_str(), nullptr, 10)));
  }
  dlg.Show(MainHwnd());
  message_ = nullptr;
}

void FakeTray::ShowTree() {
  g_tree = std::make_unique<TreeScene>();
  WNDCLASSW wc = {};
  wc.lpfnWndProc = TreeSceneProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VkTreeScene";
  ::RegisterClassW(&wc);
  treeWindow_ = ::CreateWindowExW(0, wc.lpszClassName, L"Folder tree", WS_POPUP | WS_VISIBLE, 60,
                                  60, kTreeScene.cx, kTreeScene.cy, nullptr, nullptr,
                                  wc.hInstance, nullptr);
  const FolderTreeInputs in = SceneFolders::Inputs();
  g_tree->model.Build(in);
  g_tree->tree.Create(treeWindow_, kTreeId, {10, 10, kTreeScene.cx - 10, kTreeScene.cy - 10});
  ::SendMessageW(g_tree->tree.Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(TextFont(AppLanguage())), FALSE);
  g_tree->tree.Show(g_tree->model);
  FolderTreeModel& m = g_tree->model;
  g_tree->tree.ClickNode(m.Libraries()[0]);  // Documents, through the library
  const NodeId pictures = m.FindNode(L"C:\\Users\\Ann\\Pictures\\Holidays");
  for (const wchar_t* path : {L"C:", L"C:\\Users", L"C:\\Users\\Ann"})
    g_tree->tree.Expand(m.FindNode(path));
  g_tree->tree.ClickNode(pictures);
  TreeView_EnsureVisible(g_tree->tree.Hwnd(), g_tree->tree.ItemOf(m.LibraryRoot()));
}

LRESULT CALLBACK FakeTray::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    auto* self = reinterpret_cast<FakeTray*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && msg == WM_COPYDATA) {
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
      if (data->dwData != kCommandData || data->cbData / sizeof(wchar_t) > kMaxCommandChars) return 0;
      const std::wstring command(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
      ::SetWindowTextW(hwnd, self->Run(command).c_str());
      return 1;
    }
    if (self && msg == kMsgRefresh) {
      if (MainWindowLink* main = MainWindow()) main->RefreshDrivePanel();
      ++self->refreshes_;
      return 0;
    }
    if (self && msg == kMsgRunMessage) {
      self->RunMessageScene();
      return 0;
    }
    if (self && msg == kMsgRunOverwrite) {
      const std::vector<std::wstring> f = SplitFields(self->overwriteSpec_);
      if (f.size() != 4) return 0;
      _OVERWRITE_QUERY q = {};
      q.remaining = std::wcstol(f[0].c_str(), nullptr, 10);
      q.targetPath = f[1].c_str();
      q.backupSize = std::wcstoull(f[2].c_str(), nullptr, 10);
      q.currentSize = std::wcstoull(f[3].c_str(), nullptr, 10);
      ::GetSystemTimeAsFileTime(&q.currentTime);
      q.backupTime = q.currentTime;
      ShownOwDlg dlg(q, &self->overwrite_);
      const INT_PTR end = dlg.Run(self->MainHwnd());
      self->overwrite_ = nullptr;
      wchar_t answer[64];
      std::swprintf(answer, 64, L"end=%d choice=%d apply=%d", static_cast<int>(end), dlg.Choice(),
                    dlg.ApplyToRest() ? 1 : 0);
      self->overwriteAnswer_ = answer;
      return 0;
    }
    if (msg == WM_CLOSE) {
      ::PostQuitMessage(0);
      return 0;
    }
  } catch (...) {
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace vk::test
