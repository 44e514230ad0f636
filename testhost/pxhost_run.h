// pxhost's command line and the sequence of one invocation: read the image,
// drive the plug-in through its entry point as a host does, write the
// result. Shared by every build of pxhost; how the entry point is obtained
// and what stands in for the dialogs is each build's own.
#pragma once

#include <cstdint>
#include <string>

#include "interface/pluginapi.h"

namespace pxb::pxhost {

struct PxhostArgs {
  std::string image;
  std::string output;
  std::string mask;
  std::string mode;  // empty: the mode that fits the image
  std::string session;
  std::string keptSession;  // a parameter block naming it is handed back before the runs
  std::string ui;
  std::int32_t maxSpace = 256 << 20;
  bool noHandleProcs = false;
  std::int64_t abortAt = 0;
  bool repeat = false;
  bool repeatOnly = false;
  bool keepOnlyParameters = false;
  int pick = 0;
  bool cancel = false;
  std::int64_t failAdvance = 0;
  std::string filterRect;  // "TOP,LEFT,BOTTOM,RIGHT"
  bool about = false;
  bool noErrorString = false;
  bool trace = false;
};

// Reads the command line into *args. Returns -1 to go on, or the exit
// status when there is nothing more to do (help shown, or a usage error).
int ParseArguments(int argc, char** argv, PxhostArgs* args);

// Runs the plug-in's entry: the about box when asked, a normal run unless
// only a repeat is wanted, then a repeat when asked; then writes the
// document. Returns the exit status: 0 when every selector returned noErr,
// 2 when one did not or the plug-in broke the protocol, 1 when pxhost could
// not do its own part (images, options).
int RunPxhost(const PxhostArgs& args, api::PluginEntryProc entry);

}  // namespace pxb::pxhost
