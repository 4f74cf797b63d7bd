#include "engine/TextFile.h"

namespace vk {
namespace {
constexpr wchar_t kByteOrderMark = 0xFEFF;   // written as FF FE
constexpr size_t kPendingChars = 32768;       // written out in 64 KiB pieces
}  // namespace

bool CTextFile::Create(const std::wstring& path) {
  Close();
  failed_ = false;
  path_ = path;
  file_.Reset(FileSystem().CreateFile(path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL));
  if (!file_) return false;
  pending_.reserve(kPendingChars + 1024);
  pending_.assign(1, kByteOrderMark);
  return true;
}

bool CTextFile::WriteBuffered() {
  if (pending_.empty() || failed_) {
    pending_.clear();
    return !failed_;
  }
  const DWORD bytes = static_cast<DWORD>(pending_.size() * sizeof(wchar_t));
  if (!WriteExactly(file_.Get(), pending_.data(), bytes)) failed_ = true;
  pending_.clear();
  return !failed_;
}

bool CTextFile::WriteRaw(const wchar_t* text, size_t chars) {
  if (!file_ || failed_) return false;
  pending_.append(text, chars);
  if (pending_.size() >= kPendingChars) return WriteBuffered();
  return true;
}

bool CTextFile::WriteLine(const std::wstring& line) {
  if (!WriteRaw(line.data(), line.size())) return false;
  return WriteRaw(L"\r\n", 2);
}

bool CTextFile::Flush() {
  if (!file_) return false;
  if (!WriteBuffered()) return false;
  if (!FileSystem().FlushFileBuffers(file_.Get())) failed_ = true;
  return !failed_;
}

bool CTextFile::Close() {
  if (!file_) return !failed_;
  Flush();
  file_.Reset();
  pending_.clear();
  pending_.shrink_to_fit();
  return !failed_;
}

}  // namespace vk
