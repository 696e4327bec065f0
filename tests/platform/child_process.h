#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <functional>

namespace vaultara::platform {

// Runs body in a forked child and returns its exit status (or -1 when it did
// not exit normally). The child ends with _exit, so nothing of the test
// framework runs twice.
inline int ExitStatusOf(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A child process that does something (opens a file, takes a lock), reports
// the result and keeps what it holds until Finish(): a second process to
// compete with.
class HoldingChild {
 public:
  explicit HoldingChild(const std::function<int32_t()>& setup) {
    int ready[2];
    int release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(release[1]);
      const int32_t result = setup();
      (void)!write(ready[1], &result, sizeof result);
      char byte;
      (void)!read(release[0], &byte, 1);  // returns when the parent closes its end
      _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    release_ = release[1];
    if (read(ready[0], &setup_result_, sizeof setup_result_) != sizeof setup_result_) {
      setup_result_ = -1;
    }
    close(ready[0]);
  }
  ~HoldingChild() { Finish(); }

  // What setup returned in the child.
  int32_t setup_result() const { return setup_result_; }

  // Lets the child end (which closes everything it held) and waits for it.
  void Finish() {
    if (pid_ <= 0) return;
    close(release_);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  int32_t setup_result_ = -1;
};

}  // namespace vaultara::platform
