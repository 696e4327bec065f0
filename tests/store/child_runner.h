#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <optional>
#include <thread>

namespace vaultara::store {

// A forked child running body, which the test can wait for with a time
// limit, so that a child stuck on a lock fails the test instead of hanging
// it. The child ends with _exit(body()). A child still running when the
// object goes away is killed.
class ChildRunner {
 public:
  explicit ChildRunner(const std::function<int()>& body) {
    pid_ = fork();
    if (pid_ == 0) _exit(body());
  }
  ~ChildRunner() {
    if (pid_ > 0 && !status_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  ChildRunner(const ChildRunner&) = delete;
  ChildRunner& operator=(const ChildRunner&) = delete;

  // The exit status once the child has ended within ms milliseconds (-1 when
  // it did not exit normally); nullopt while it still runs.
  std::optional<int> WaitFor(int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!status_ && pid_ > 0) {
      int status = 0;
      const pid_t done = waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        break;
      }
      if (done < 0 || std::chrono::steady_clock::now() >= deadline) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status_;
  }

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// Generous limit for a child that must not wait on anything.
inline constexpr int kChildLimitMs = 10000;
// How long a child is watched to show that it does wait.
inline constexpr int kStillWaitingMs = 300;

}  // namespace vaultara::store
