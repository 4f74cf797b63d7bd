// The decisions of the update windows, apart from the windows: the version
// texts of the update page, what the notice tells the service, and what the
// download window does with a download's result.
#pragma once
#include <cstdint>
#include <string>

#include "channel/SvcChannel.h"

namespace vk::link {

// "%d.%02d": 1 and 41 give "1.41", 1 and 5 give "1.05".
std::wstring VersionText(int32_t major, int32_t minor);
// The update page's two versions. A record of a service that has not
// checked yet holds no latest version: it shows "0.00".
std::wstring CurrentVersionText(const svc::_SVC_UPDINFO& info);
std::wstring LatestVersionText(const svc::_SVC_UPDINFO& info);

// Whether the update page's Detail may open `url`: an "http://" or
// "https://" address with a host, without spaces, quotes, backslashes or
// control characters. The address comes from an INI fetched over plain
// HTTP, and the shell would start a program, open a share or a local file
// named in its place.
bool IsWebPageAddress(const std::wstring& url);

// The notice's Update and Cancel store whether notices go on: on while the
// "Do not show this message again." box is not ticked.
inline bool NoticesStayOn(bool boxTicked) { return !boxTicked; }

// What the download window does when its download reports.
enum class DownloadEnd {
  kClose,           // cancelled: close without a message
  kStartInstaller,  // done: delete at restart, start the installer, end the program
  kShowFailure,     // anything else: the failure message, then close
};
DownloadEnd DownloadEndOf(int result);

}  // namespace vk::link
