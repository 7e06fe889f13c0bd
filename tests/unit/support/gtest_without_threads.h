// Read before GoogleTest's own headers in the Windows builds. Their compilers use the win32
// thread model, whose runtime has no std::mutex or std::condition_variable; GoogleTest needs
// them only for Notification, which starts its own test threads. No test here starts threads,
// so a Notification that never waits is enough.
#pragma once

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  void Notify() {}
  void WaitForNotification() {}
};

}  // namespace testing::internal
