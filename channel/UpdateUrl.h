// The rules for the update record's setup URL that both programs apply: how
// an http URL is split for WinINet, and which installer file name it may
// name. The service decides by them which file it deletes for the
// interactive program; the interactive program names its download by them.
#pragma once
#include <windows.h>
#include <wininet.h>

#include <cstddef>

#include "channel/SvcChannel.h"

namespace vk::svc {

// The temporary folder below a profile folder, where the interactive program
// downloads the installer.
inline constexpr wchar_t kProfileTempFolder[] = L"\\AppData\\Local\\Temp";

// The longest installer file name a setup URL may name.
inline constexpr size_t kMaxInstallerNameChars = 64;

// True for a plain installer file name: only ASCII letters, digits, '-', '_'
// and '.', not starting with a dot, ending in ".exe", at most
// kMaxInstallerNameChars long. The name comes from an INI fetched over plain
// HTTP and decides which file the service will delete: nothing that could
// name a folder, a stream, a device or a system file by another spelling.
bool IsPlainInstallerName(const wchar_t* name);

// The file name of a setup URL (after its last '/', without a query or
// fragment) into `name`; false when it is not a plain installer name.
bool SetupFileName(const wchar_t* setupUrl, wchar_t (&name)[kMaxInstallerNameChars + 1]);

// Splits "http://host/path" or "http://host:port/path" into its host, port
// (80 when none is given), object path ("/path") and referrer
// ("http://host:port/"). False for anything else: such a URL is not fetched.
bool SplitUpdateUrl(const wchar_t* url, wchar_t (&host)[kPathChars], INTERNET_PORT* port,
                    wchar_t (&object)[kPathChars], wchar_t (&referrer)[kPathChars]);

}  // namespace vk::svc
