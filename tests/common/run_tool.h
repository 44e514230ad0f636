// Runs a built tool through the shell and collects what it printed.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace pxb::testing {

inline std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct ToolRun {
  int status = -1;  // the exit status; -1 when the tool did not exit normally
  std::string out;
  std::string err;
};

// Runs `tool arguments` (the arguments as the shell reads them), with its
// output and error output kept in files of `dir`.
inline ToolRun RunTool(const std::string& tool, const std::string& arguments,
                       const std::string& dir) {
  const std::string out = dir + "/tool_out.txt";
  const std::string err = dir + "/tool_err.txt";
  const std::string command = "'" + tool + "' " + arguments + " >'" + out + "' 2>'" + err + "'";
  const int raw = std::system(command.c_str());
  return ToolRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, FileText(out), FileText(err)};
}

}  // namespace pxb::testing
