// The dialog script language, read into commands. Running them is the
// business of a driver: the headless one (ui/script.h) or the test host's
// driver of the real Windows dialogs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pxb::ui {

struct ScriptCommand {
  int32_t line;                  // 1-based line in the script
  std::string verb;              // as written, in lower case
  std::vector<int32_t> numbers;  // K, P or N
  std::string file;              // FILE: the rest of the line
};

struct Script {
  std::vector<ScriptCommand> commands;
};

// Reads a script; false with a message naming the line of the first command
// that is unknown or malformed.
bool ParseScript(const std::string& text, Script* script, std::string* error);
bool LoadScript(const std::string& path, Script* script, std::string* error);

}  // namespace pxb::ui
