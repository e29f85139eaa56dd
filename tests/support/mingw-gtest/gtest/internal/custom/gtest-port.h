// GoogleTest's customisation point, for MinGW built with win32 threads: that run-time has no
// std::mutex or std::condition_variable, which GoogleTest's Notification uses. This one waits
// on a Win32 event instead; everything else of GoogleTest stays as shipped.
#ifndef VELMORA_TESTS_SUPPORT_MINGW_GTEST_CUSTOM_PORT_H
#define VELMORA_TESTS_SUPPORT_MINGW_GTEST_CUSTOM_PORT_H

#if defined(__MINGW32__) && !defined(_GLIBCXX_HAS_GTHREADS)
#include <windows.h>

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace internal
}  // namespace testing

#define GTEST_HAS_NOTIFICATION_ 1
#endif

#endif
