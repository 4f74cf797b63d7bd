// Entry point of every test executable (Unicode, so wmain).
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

namespace {

// Test executables run side by side in one Wine prefix, and the engine keeps
// its temporary index under a fixed name in the temporary folder. Give each
// executable a temporary folder of its own, named after its scratch volume
// (Wine takes TMP/TEMP from the prefix, not from the Unix environment, so
// it is set here, for this process and the programs it starts).
void UseOwnTempFolder() {
  wchar_t letter[8] = {};
  if (::GetEnvironmentVariableW(L"VAULTKEEP_TEST_VOLUME", letter, 8) != 1) return;
  wchar_t base[MAX_PATH + 1] = {};
  DWORD n = ::GetTempPathW(MAX_PATH + 1, base);
  if (n == 0 || n > MAX_PATH) return;
  std::wstring folder = std::wstring(base) + L"vaultkeep-test-" + letter[0];
  ::CreateDirectoryW(folder.c_str(), nullptr);
  ::SetEnvironmentVariableW(L"TMP", folder.c_str());
  ::SetEnvironmentVariableW(L"TEMP", folder.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  UseOwnTempFolder();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
