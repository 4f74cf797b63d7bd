// Where a restored entry goes, and which index paths may be restored at all.
#pragma once
#include <cstddef>
#include <string>

namespace vk {

// Bounds of a path read from an index. The system's paths end at 32,767
// characters; a tree thousands of folders deep is nothing a real profile
// holds. A set whose index names a longer or deeper path is damaged or
// crafted, and the path is never restored.
constexpr size_t kMaxIndexPathChars = 32767;
constexpr size_t kMaxIndexPathComponents = 4096;

// True when `path` is no longer than kMaxIndexPathChars and has no more than
// kMaxIndexPathComponents components.
bool IsWithinPathLimits(const std::wstring& path);

// True when `path` is a plain absolute drive path ("X:\..." with a letter
// A..Z) whose components are ordinary names: not empty, not "." or "..",
// without ':' (streams), wildcards, control characters or a trailing dot or
// blank, and not a device name (CON, NUL, COM1, LPT1, ... with or without an
// extension). An index written by someone else can hold anything; only such
// paths are restored.
bool IsRestorablePath(const std::wstring& path);

// The target of an index path: the path itself, or, with a new location N,
// N without trailing backslashes + "\" + drive letter + the rest of the path
// (N = D:\Restore, C:\Users\a.txt -> D:\Restore\C\Users\a.txt).
std::wstring MakeTargetPath(const std::wstring& path, const wchar_t* newLocation);

// The selection rule: `path` is `selected`, or lies below it (case-insensitive).
bool IsInSelection(const std::wstring& path, const std::wstring& selected);

// Whether a walk must descend into the folder `path` to reach or cover
// `selected`: the two, each with one trailing backslash, agree over the
// shorter length (case-insensitive).
bool IsOnWayToSelection(const std::wstring& path, const std::wstring& selected);

}  // namespace vk
