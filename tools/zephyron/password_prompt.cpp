// The one place where the shell talks to the terminal itself: the store and
// the libraries know nothing of terminals, and this prompt belongs to the
// tool alone.
#include "tools/zephyron/password_prompt.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

std::optional<std::string> AskPasswordOnTerminal(const std::string& file) {
  const int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty < 0) return std::nullopt;
  termios saved{};
  if (tcgetattr(tty, &saved) != 0) {
    close(tty);
    return std::nullopt;
  }
  const std::string prompt = "Owner password for " + file + ": ";
  (void)!write(tty, prompt.data(), prompt.size());
  termios quiet = saved;
  quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
  quiet.c_lflag |= ECHONL;
  tcsetattr(tty, TCSAFLUSH, &quiet);
  std::string password;
  char c;
  while (read(tty, &c, 1) == 1 && c != '\n' && c != '\r') password += c;
  tcsetattr(tty, TCSAFLUSH, &saved);
  close(tty);
  return password;
}
