// Waiting in tests that drive real processes: a condition is polled at a
// short interval until it holds or its deadline passes. There are no fixed
// sleeps: a fast machine goes on at once, a slow one gets the whole
// deadline, and a deadline that passes fails the test with what was awaited.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace vk::driver {

constexpr DWORD kPollIntervalMs = 20;
// Deadlines of the usual steps. They are generous: they bound a broken run,
// a working one never comes near them.
constexpr DWORD kWindowDeadlineMs = 15000;   // a window appears, reacts or closes
constexpr DWORD kServiceDeadlineMs = 20000;  // the service starts, stops, rescans
constexpr DWORD kProcessDeadlineMs = 60000;  // a program ends

// Polls `done` until it holds or `deadlineMs` have passed. The calling
// thread's messages are handled meanwhile, so windows of the test process
// keep working and a message sent to them from another process is answered.
// On failure the message names `what` and the time waited.
::testing::AssertionResult WaitFor(const std::string& what, DWORD deadlineMs,
                                   const std::function<bool()>& done);

// Handles the calling thread's pending messages.
void PumpMessages();

}  // namespace vk::driver
