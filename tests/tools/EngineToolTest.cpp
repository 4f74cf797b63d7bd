// The console engine tool as a whole process: its verbs, its report and its
// exit codes.
#include <gtest/gtest.h>

#include <string>

#include "tests/driver/Program.h"
#include "tests/engine/BackupFixture.h"

namespace vk::test {
namespace {

struct ToolRun {
  DWORD exitCode = 0xFFFFFFFF;
  std::string output;
};

// The tool's path, built beside the tests (a Linux path, reached through Z:).
std::wstring ToolPath() {
  std::string linux = VK_TOOL_PATH;
  std::wstring path = L"Z:";
  for (char c : linux) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

ToolRun RunTool(const std::wstring& arguments) {
  ToolRun run;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!::CreatePipe(&read, &write, &inherit, 0)) return run;
  ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = write;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  std::wstring command = L"\"" + ToolPath() + L"\" " + arguments;
  PROCESS_INFORMATION process = {};
  BOOL started = vk::driver::CreateProcessRetrying(nullptr, command, TRUE, startup, process);
  ::CloseHandle(write);
  if (started) {
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0)
      run.output.append(buffer, got);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::GetExitCodeProcess(process.hProcess, &run.exitCode);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
  }
  ::CloseHandle(read);
  return run;
}

class EngineToolTest : public BackupTest {
 protected:
  std::wstring Drive() const { return root.substr(0, 2); }
};

TEST_F(EngineToolTest, HelpDocumentsEveryVerb) {
  ToolRun run = RunTool(L"--help");
  EXPECT_EQ(run.exitCode, 0u);
  for (const char* verb : {"save-plan X:", "backup X:", "list X:", "restore X:", "--help", "Exit code"})
    EXPECT_NE(run.output.find(verb), std::string::npos) << verb << "\n" << run.output;
}

TEST_F(EngineToolTest, ExitCodesAreTheEngineResults) {
  Write(L"a.txt", TextBytes(10, 1));
  ::DeleteFileW((backupFolder + L"\\Backup.plan").c_str());
  struct Case {
    std::wstring arguments;
    DWORD want;
  } cases[] = {
      {L"backup " + Drive(), 5},          // no plan on the volume
      {L"frobnicate", 2},                 // unknown verb
      {L"save-plan 1: Demo C:\\x", 2},    // no such drive
      {L"save-plan " + Drive() + L" Demo " + Src(), 0},
      {L"backup " + Drive() + L" --quiet", 0},
      {L"list " + Drive(), 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RunTool(c.arguments).exitCode, c.want) << Narrow(c.arguments);
}

TEST_F(EngineToolTest, TwoBackupsReportWhatWasStoredReusedAndLeftOut) {
  Write(L"a.txt", TextBytes(100, 1));
  Write(L"b.txt", TextBytes(200, 2));
  Write(L"Thumbs.db", TextBytes(5, 3));
  ASSERT_EQ(RunTool(L"save-plan " + Drive() + L" Demo " + Src()).exitCode, 0u);
  ToolRun first = RunTool(L"backup " + Drive());
  ASSERT_EQ(first.exitCode, 0u) << first.output;
  EXPECT_NE(first.output.find("stored:     2 files, 300 bytes"), std::string::npos) << first.output;
  EXPECT_NE(first.output.find("left out:   1 entries"), std::string::npos) << first.output;
  EXPECT_NE(first.output.find("Thumbs.db"), std::string::npos) << first.output;
  Write(L"b.txt", TextBytes(250, 4));
  ToolRun second = RunTool(L"backup " + Drive());
  ASSERT_EQ(second.exitCode, 0u) << second.output;
  EXPECT_NE(second.output.find("stored:     1 files, 250 bytes"), std::string::npos) << second.output;
  EXPECT_NE(second.output.find("reused:     1 files"), std::string::npos) << second.output;
  EXPECT_NE(second.output.find("storage-backup.log"), std::string::npos);
  SetFolder folder = Sets();
  ASSERT_EQ(folder.sets.size(), 2u);
  ExpectFilesMatchSource(folder, folder.sets[2]);
}

TEST_F(EngineToolTest, RestoresAnEarlierSetUnderAFolder) {
  Write(L"a.txt", TextBytes(100, 1));
  ASSERT_EQ(RunTool(L"save-plan " + Drive() + L" Demo " + Src()).exitCode, 0u);
  ASSERT_EQ(RunTool(L"backup " + Drive() + L" --quiet").exitCode, 0u);
  Write(L"a.txt", TextBytes(200, 2));
  ASSERT_EQ(RunTool(L"backup " + Drive() + L" --quiet").exitCode, 0u);

  std::wstring out = root + L"out";
  ToolRun first = RunTool(L"restore " + Drive() + L" --set 1 --to " + out);
  ASSERT_EQ(first.exitCode, 0u) << first.output;
  EXPECT_NE(first.output.find("0 file(s) not written"), std::string::npos) << first.output;
  std::wstring restored = out + L"\\" + root.substr(0, 1) + L"\\src\\a.txt";
  EXPECT_TRUE(ReadFileBytes(restored) == TextBytes(100, 1)) << "the first set's version";
  ToolRun again = RunTool(L"restore " + Drive() + L" --to " + out);
  ASSERT_EQ(again.exitCode, 0u) << again.output;
  EXPECT_TRUE(ReadFileBytes(restored) == TextBytes(100, 1)) << "existing files are skipped";
  ASSERT_EQ(RunTool(L"restore " + Drive() + L" --replace --to " + out).exitCode, 0u);
  EXPECT_TRUE(ReadFileBytes(restored) == TextBytes(200, 2)) << "--replace: the newest version";
  EXPECT_EQ(RunTool(L"restore " + Drive() + L" --set 3 --to " + out).exitCode, 2u) << "no set 3";
}

}  // namespace
}  // namespace vk::test
