// zephyron: the store shell, the everyday tool for store files.
//
//   zephyron [--owner TEXT] COMMAND ARGUMENTS
//
// The commands are those of app::StoreShell (zephyron --help lists them).
// The owner password comes from --owner, else the environment variable
// ZEPHYRON_OWNER, else it is asked for on the terminal without echo when the
// file is enciphered.

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/store_shell.h"
#include "platform/platform.h"
#include "store/zephyron_driver.h"
#include "tools/zephyron/password_prompt.h"

int main(int argc, char** argv) {
  using vaultara::app::StoreShell;
  std::vector<std::string> args(argv + 1, argv + argc);
  std::optional<std::string> owner;
  if (args.size() >= 2 && args[0] == "--owner") {
    owner = args[1];
    args.erase(args.begin(), args.begin() + 2);
  } else if (!args.empty() && args[0].rfind("--owner=", 0) == 0) {
    owner = args[0].substr(std::strlen("--owner="));
    args.erase(args.begin());
  }
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << StoreShell::Usage();
    return StoreShell::kOk;
  }
  if (args.empty()) {
    std::cerr << StoreShell::Usage();
    return StoreShell::kFailed;
  }
  if (!owner) {
    if (const char* from_environment = std::getenv("ZEPHYRON_OWNER")) owner = from_environment;
  }
  StoreShell shell(vaultara::platform::RealPlatform(), vaultara::store::TheZephyronDriver(),
                   std::cin, std::cout, std::cerr);
  shell.set_owner(owner);
  shell.set_prompt(AskPasswordOnTerminal);
  const std::string command = args[0];
  args.erase(args.begin());
  return shell.Run(command, args);
}
