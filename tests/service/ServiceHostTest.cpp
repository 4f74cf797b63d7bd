// The service program's pure decisions: command line, control handling,
// the update rhythm and the firewall command lines.
#include <gtest/gtest.h>
#include <windows.h>
#include <dbt.h>

#include "service/Firewall.h"
#include "service/ServiceHost.h"

namespace vk::test {
namespace {

using namespace vk::svc;

TEST(ServiceCommandLine, Letters) {
  struct Case {
    const wchar_t* args;
    CommandLineAction action;
  } cases[] = {
      {L"", CommandLineAction::RunService},     {nullptr, CommandLineAction::RunService},
      {L"I", CommandLineAction::Install},       {L"Install", CommandLineAction::Install},
      {L"U", CommandLineAction::Uninstall},     {L"Uxyz", CommandLineAction::Uninstall},
      {L"i", CommandLineAction::Nothing},       {L"u", CommandLineAction::Nothing},
      {L"/I", CommandLineAction::Nothing},      {L" I", CommandLineAction::Nothing},
      {L"x", CommandLineAction::Nothing},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ParseCommandLine(c.args), c.action) << (c.args ? c.args : L"(null)");
}

TEST(ServiceControl, Transitions) {
  const auto kNone = ControlAction::None;
  struct Case {
    const char* what;
    DWORD control, eventType;
    bool running, paused;
    ControlAction action;
    DWORD pending, final;
  } cases[] = {
      {"stop", SERVICE_CONTROL_STOP, 0, true, false, ControlAction::Stop, SERVICE_STOP_PENDING, 0},
      {"stop while paused", SERVICE_CONTROL_STOP, 0, true, true, ControlAction::Stop,
       SERVICE_STOP_PENDING, 0},
      {"shutdown while paused", SERVICE_CONTROL_SHUTDOWN, 0, true, true, ControlAction::Stop,
       SERVICE_STOP_PENDING, 0},
      {"pause", SERVICE_CONTROL_PAUSE, 0, true, false, ControlAction::Pause,
       SERVICE_PAUSE_PENDING, SERVICE_PAUSED},
      {"second pause", SERVICE_CONTROL_PAUSE, 0, true, true, kNone, 0, SERVICE_PAUSED},
      {"continue", SERVICE_CONTROL_CONTINUE, 0, true, true, ControlAction::Continue,
       SERVICE_CONTINUE_PENDING, SERVICE_RUNNING},
      {"continue when running", SERVICE_CONTROL_CONTINUE, 0, true, false, kNone, 0,
       SERVICE_RUNNING},
      {"pause before running", SERVICE_CONTROL_PAUSE, 0, false, false, kNone, 0, SERVICE_RUNNING},
      {"device arrival", SERVICE_CONTROL_DEVICEEVENT, DBT_DEVICEARRIVAL, true, false,
       ControlAction::Rescan, 0, SERVICE_RUNNING},
      {"device removal", SERVICE_CONTROL_DEVICEEVENT, DBT_DEVICEREMOVECOMPLETE, true, false,
       ControlAction::Rescan, 0, SERVICE_RUNNING},
      {"nodes changed while paused", SERVICE_CONTROL_DEVICEEVENT, DBT_DEVNODES_CHANGED, true, true,
       ControlAction::Rescan, 0, SERVICE_PAUSED},
      {"other device event", SERVICE_CONTROL_DEVICEEVENT, DBT_DEVICEQUERYREMOVE, true, false,
       kNone, 0, SERVICE_RUNNING},
      {"interrogate", SERVICE_CONTROL_INTERROGATE, 0, true, false, kNone, 0, SERVICE_RUNNING},
      {"param change", SERVICE_CONTROL_PARAMCHANGE, 0, true, true, kNone, 0, SERVICE_PAUSED},
  };
  for (const Case& c : cases) {
    ControlOutcome o = DecideControl(c.control, c.eventType, c.running, c.paused);
    EXPECT_EQ(o.action, c.action) << c.what;
    EXPECT_EQ(o.pendingState, c.pending) << c.what;
    EXPECT_EQ(o.finalState, c.final) << c.what;
  }
}

TEST(UpdateRhythm, ThreeMinutesThenDaily) {
  struct Case {
    const char* what;
    DWORD start;
  } starts[] = {{"fresh boot", 1000}, {"across the tick wrap", 0xFFFF0000u}};
  for (const Case& c : starts) {
    UpdateRhythm rhythm;
    rhythm.Start(c.start);
    EXPECT_FALSE(rhythm.Due(c.start)) << c.what;
    EXPECT_FALSE(rhythm.Due(c.start + 179999)) << c.what;
    EXPECT_TRUE(rhythm.Due(c.start + 180000)) << c.what;
    rhythm.Advance();
    EXPECT_FALSE(rhythm.Due(c.start + 180001)) << c.what;
    EXPECT_FALSE(rhythm.Due(c.start + 180000 + 86399999)) << c.what;
    EXPECT_TRUE(rhythm.Due(c.start + 180000 + 86400000)) << c.what;
  }
  // After 60 days of running (past the 49.7-day wrap of the elapsed time)
  // the checks stay a day apart instead of firing in a burst.
  UpdateRhythm rhythm;
  DWORD now = 5000;
  rhythm.Start(now);
  int checks = 0;
  for (int hour = 0; hour < 60 * 24; ++hour) {
    now += 3600000;
    while (rhythm.Due(now)) {
      ++checks;
      rhythm.Advance();
    }
  }
  EXPECT_EQ(checks, 60);
}

TEST(Firewall, CommandLines) {
  wchar_t cmd[kFirewallCommandChars];
  ASSERT_TRUE(FormatFirewallCommand(FirewallOp::Add, 6, 1, L"C:\\App\\ArkwellSvc.exe", cmd));
  EXPECT_STREQ(cmd,
               L"netsh advfirewall firewall add rule name=\"ArkwellSvc\" dir=in action=allow "
               L"program=\"C:\\App\\ArkwellSvc.exe\" enable=yes");
  ASSERT_TRUE(FormatFirewallCommand(FirewallOp::Delete, 10, 0, L"C:\\App\\Arkwell.exe", cmd));
  EXPECT_STREQ(cmd, L"netsh advfirewall firewall delete rule name=\"Arkwell\"");
  ASSERT_TRUE(FormatFirewallCommand(FirewallOp::Add, 5, 1, L"C:\\App\\Arkwell.exe", cmd));
  EXPECT_STREQ(cmd, L"netsh firewall add allowedprogram program=\"C:\\App\\Arkwell.exe\"  name=Arkwell");
  ASSERT_TRUE(FormatFirewallCommand(FirewallOp::Delete, 5, 1, L"C:\\App\\Arkwell.exe", cmd));
  EXPECT_STREQ(cmd, L"netsh firewall delete allowedprogram program=\"C:\\App\\Arkwell.exe\"");

  struct {
    DWORD major, minor;
  } none[] = {{4, 0}, {5, 0}, {5, 2}};
  for (auto v : none)
    EXPECT_FALSE(FormatFirewallCommand(FirewallOp::Add, v.major, v.minor, L"C:\\A.exe", cmd));
  // A path that would not fit is refused rather than cut short.
  std::wstring longPath = L"C:\\" + std::wstring(480, L'a') + L".exe";
  EXPECT_FALSE(FormatFirewallCommand(FirewallOp::Add, 10, 0, longPath.c_str(), cmd));
}

}  // namespace
}  // namespace vk::test
