#pragma once

#include <optional>
#include <string>

// Asks for the owner password of file on the controlling terminal, without
// echoing what is typed. nullopt when the process has no terminal.
std::optional<std::string> AskPasswordOnTerminal(const std::string& file);
