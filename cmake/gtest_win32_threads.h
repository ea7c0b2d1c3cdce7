// GoogleTest on mingw-w64's win32 thread model, whose C++ library (GCC 12)
// has no std::mutex: the one class of gtest's that needs it, Notification,
// is only used by gtest's own thread helpers. A spinning one will do.
#pragma once
#include <atomic>

namespace testing {
namespace internal {
class Notification {
public:
    Notification() : notified_(false) {}
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { notified_.store(true); }
    void WaitForNotification()
    {
        while (!notified_.load()) {
        }
    }

private:
    std::atomic<bool> notified_;
};
}  // namespace internal
}  // namespace testing

#define GTEST_HAS_NOTIFICATION_ 1
