// A suite of tests that need the test build's service: it is installed once
// for the suite with a fresh simulation, and removed with the simulation and
// the tray's test key when the suite ends. `Base` is the fixture the suite
// builds on (a plain test, or one that makes backup sets).
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include "tests/driver/Observe.h"
#include "tests/driver/Service.h"
#include "tests/driver/TrayHooks.h"

namespace vk::driver {

// The update check of the service stays out of these tests.
constexpr DWORD kNoUpdateCheckMs = 3600000;
// The tray notices an attached disk within a few of its polls.
constexpr DWORD kTestDrivePollMs = 100;
// A due check or release check that never comes during a test.
constexpr DWORD kNoDueCheckMs = 3600000;

template <class Base>
class ServiceSuite : public Base {
 protected:
  static void SetUpTestSuite() {
    ResetSimulation(kNoUpdateCheckMs, kNoUpdateCheckMs);
    installed_ = InstallService();
  }
  static void TearDownTestSuite() {
    EXPECT_TRUE(RemoveService());
    ClearSimulation();
    ResetTrayHooks();
  }

  // What every test of the program starts from: none of the tray's test
  // values or the user's settings left by another test, the tray's periods
  // set for the test.
  static void ResetProgramSettings(DWORD dueCheckMs, DWORD releaseCheckMs) {
    driver::ResetProgramSettings(kTestDrivePollMs, dueCheckMs, releaseCheckMs);
  }

  // Whether the suite's service was installed; every test asserts it first.
  inline static ::testing::AssertionResult installed_ = ::testing::AssertionFailure();
};

}  // namespace vk::driver
