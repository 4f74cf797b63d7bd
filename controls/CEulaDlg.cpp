#include "controls/CEulaDlg.h"

#include <richedit.h>

#include <cstring>

#include "common/Texts.h"
#include "controls/UiFonts.h"
#include "resources/ResourceIds.h"

namespace vk {
namespace {

constexpr wchar_t kRichEditLibrary[] = L"Riched20.dll";
constexpr int kWidth = 580, kHeight = 530;
constexpr int kCloseSize = kSkinCloseSize;
constexpr int kButtonWidth = kSkinButtonWidth, kButtonHeight = kSkinButtonHeight;

constexpr ControlPlacement kPlacements[] = {
    {IDC_TITLE, {25, 22, 25 + 368, 22 + 32}},
    {IDC_CLOSE, {524, 20, 524 + kCloseSize, 20 + kCloseSize}},
    {IDC_EULA_HEADING, {25, 87, 25 + 530, 87 + 36}},
    {IDC_EULA_PROMPT, {25, 127, 25 + 530, 127 + 48}},
    {IDC_EULA_TEXT, {25, 181, 25 + 530, 181 + 246}},
    {IDOK, {417, 453, 417 + kButtonWidth, 453 + kButtonHeight}},
};

}  // namespace

// The template's rich-edit control needs its class registered before the
// window is made; the library stays loaded for the rest of the process.
bool CEulaDlg::LoadRichEdit() {
  static HMODULE library = ::LoadLibraryW(kRichEditLibrary);
  return library != nullptr;
}

INT_PTR CEulaDlg::Run(HWND owner) {
  LoadRichEdit();
  return DoModal(owner, IDD_EULA);
}

bool CEulaDlg::CreateForCheck(HWND owner) {
  LoadRichEdit();
  return CreateModeless(owner, IDD_EULA);
}

void CEulaDlg::SetUpButtons() {
  AttachCloseButton(close_);
  AttachTextButton(ok_, IDOK);
}

DWORD CALLBACK CEulaDlg::StreamChunk(DWORD_PTR cookie, LPBYTE buffer, LONG want, LONG* got) {
  try {
    auto* self = reinterpret_cast<CEulaDlg*>(cookie);
    const size_t left = self->size_ - self->offset_;
    const size_t n = want > 0 && static_cast<size_t>(want) < left ? static_cast<size_t>(want) : left;
    std::memcpy(buffer, self->document_ + self->offset_, n);
    self->offset_ += n;
    *got = static_cast<LONG>(n);
    return 0;
  } catch (...) {
    *got = 0;
    return 1;  // ends the stream
  }
}

// The language's document; English for a language without one. A missing
// or empty resource leaves the control empty.
void CEulaDlg::LoadLicence() {
  const uint32_t language = AppLanguage();
  const UINT id = language < kLanguageCount ? IDR_LICENCE_FIRST + language : IDR_LICENCE_EN;
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
  HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
  document_ = loaded ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
  size_ = document_ ? ::SizeofResource(module, found) : 0;
  offset_ = 0;
  if (!document_ || size_ == 0) return;
  HWND edit = Item(IDC_EULA_TEXT);
  ::SendMessageW(edit, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(size_));
  EDITSTREAM stream = {};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(this);
  stream.pfnCallback = StreamChunk;
  ::SendMessageW(edit, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
  document_ = nullptr;
  size_ = offset_ = 0;
}

BOOL CEulaDlg::OnInitDialog() {
  OpenFrame();
  LayOut(kWidth, kHeight, kPlacements, IDC_EULA_TEXT);
  SetUpButtons();
  background_.Load(IDP_LICENCE_BACKGROUND);
  const uint32_t language = AppLanguage();
  ::SetWindowTextW(Item(IDC_EULA_HEADING), LoadText(txt::kLicenceHeading, language).c_str());
  ::SetWindowTextW(Item(IDC_EULA_PROMPT), LoadText(txt::kLicencePrompt, language).c_str());
  ::SetWindowTextW(Item(IDOK), LoadText(txt::kLicenceOk, language).c_str());
  LoadLicence();
  CentreOn(nullptr);
  ::SetFocus(Item(IDOK));
  return FALSE;
}

void CEulaDlg::OnCommand(UINT id, UINT, HWND) {
  if (id == IDOK) Close(IDOK);
  else if (id == IDC_CLOSE) Close(kClosedByCloseButton);
}

void CEulaDlg::OnPaint(HDC dc) { PaintFace(dc, background_); }

}  // namespace vk
