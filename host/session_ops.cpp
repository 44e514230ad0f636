#include "host/session_ops.h"

#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

#include "evolution/byte_io.h"
#include "evolution/population.h"
#include "evolution/session_file.h"
#include "host/plugin_run.h"
#include "storage/session_store.h"

namespace pxb::host {

void PickMember(int k) {
  if (k < 0 || k >= kPopulationSize) return;
  GlobalPopulation().chosenMember = k;
  SetChosenMember(&GlobalSessionHeader(), k);
}

std::uint16_t ClockWord() {
  return static_cast<std::uint16_t>(static_cast<std::uint64_t>(std::time(nullptr)) & 0xFFFF);
}

bool NewSession(const std::string& path, std::uint16_t clockWord, std::string* error) {
  Population& p = GlobalPopulation();
  ViewParams before[kPopulationSize];
  for (int k = 0; k < kPopulationSize; ++k) {
    before[k] = p.views[k];
    p.views[k].rand = RandState{{357, clockWord, static_cast<std::uint16_t>(k)}};
  }
  SessionHeader& header = GlobalSessionHeader();
  if (CreateSession(path, header.previewCount, p.rootType, &p, &header, error)) return true;
  for (int k = 0; k < kPopulationSize; ++k)
    p.views[k] = before[k];
  return false;
}

SessionOpening OpenOrCreateSession(const std::string& path, std::string* error) {
  std::vector<std::uint8_t> bytes;
  std::error_code ignored;
  const bool exists = std::filesystem::exists(path, ignored);
  if (ReadFileBytes(path, &bytes, error)) {
    if (!ReadSession(bytes, &GlobalPopulation(), &GlobalSessionHeader(), error)) {
      *error = path + ": " + *error;
      return SessionOpening::kRefused;
    }
    return SessionOpening::kRead;
  }
  // Never create over a file that is there but cannot be read.
  if (exists) return SessionOpening::kUnreadable;
  if (!NewSession(path, ClockWord(), error)) return SessionOpening::kNotCreatable;
  return SessionOpening::kCreated;
}

std::string SessionTitle(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  std::string title = separator == std::string::npos ? path : path.substr(separator + 1);
  if (title.size() >= kSessionTitleCapacity) title.resize(kSessionTitleCapacity - 1);
  return title;
}

bool SetCurrentSessionPath(const std::string& path) {
  if (path.size() >= kSessionPathCapacity || path.find('\0') != std::string::npos) return false;
  PluginRun& run = CurrentRun();
  run.sessionPath = path;
  run.sessionTitle = SessionTitle(path);
  if (run.block != nullptr) {
    std::memset(run.block->sessionPath, 0, kSessionPathCapacity);
    std::memcpy(run.block->sessionPath, path.data(), path.size());
    run.block->haveSession = 1;
  }
  return true;
}

}  // namespace pxb::host
