// A Unicode text file being written: UTF-16LE with a byte-order mark, lines
// ended by CR LF. Lines are gathered in a buffer and written in large pieces;
// the first failed write marks the writer failed and later lines are dropped.
#pragma once
#include <windows.h>
#include <string>
#include <utility>

#include "engine/FileSystem.h"

namespace vk {

class CTextFile {
 public:
  CTextFile() = default;
  ~CTextFile() { Close(); }
  CTextFile(const CTextFile&) = delete;
  CTextFile& operator=(const CTextFile&) = delete;
  // Moving closes (and so flushes) what this writer had open first.
  CTextFile(CTextFile&& o) noexcept { *this = std::move(o); }
  CTextFile& operator=(CTextFile&& o) noexcept {
    if (this != &o) {
      Close();
      file_ = std::move(o.file_);
      path_ = std::move(o.path_);
      pending_ = std::move(o.pending_);
      failed_ = o.failed_;
      o.failed_ = false;
    }
    return *this;
  }

  // Creates `path` anew (replacing a file of that name) and writes the
  // byte-order mark. False when the file cannot be created.
  bool Create(const std::wstring& path);
  bool IsOpen() const { return file_.Valid(); }
  bool Failed() const { return failed_; }
  const std::wstring& Path() const { return path_; }

  // Appends `line` and CR LF. False once the writer has failed.
  bool WriteLine(const std::wstring& line);
  // Appends raw UTF-16 code units as they are (no line end).
  bool WriteRaw(const wchar_t* text, size_t chars);
  // Writes the buffered text and flushes the file to the disk.
  bool Flush();
  // Flushes and closes; false when anything written was lost.
  bool Close();

 private:
  bool WriteBuffered();

  EngineFile file_;
  std::wstring path_;
  std::wstring pending_;
  bool failed_ = false;
};

}  // namespace vk
