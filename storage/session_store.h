// Sessions and filter files on the disk, written through the file store.
#pragma once

#include <string>

#include "evolution/filter_file.h"
#include "evolution/session_file.h"
#include "storage/file_store.h"

namespace pxb {

// Writes the session. With unchangedSince (the stamp LoadSession gave), the
// write is refused when another program replaced the file meanwhile; on any
// failure the file, the population and the header stay as they were.
bool SaveSession(const std::string& path, const Population& population, SessionHeader* header,
                 std::string* error, const FileStamp* unchangedSince = nullptr);
// Reads the session; with stamp, records the version read.
bool LoadSession(const std::string& path, Population* population, SessionHeader* header,
                 std::string* error, FileStamp* stamp = nullptr);

// Resets all nine members from their current build contexts, sets the header
// to (previewCount, no chosen member, no directory) and writes the file. When
// the file cannot be written, the population and header stay as they were.
// unchangedSince works as for SaveSession (a stamp with exists == false: the
// file must still not exist).
bool CreateSession(const std::string& path, uint32_t previewCount, TypeId rootType,
                   Population* population, SessionHeader* header, std::string* error,
                   const FileStamp* unchangedSince = nullptr);

bool SaveFilterFile(const std::string& path, const Member& member, std::string* error,
                    const FileStamp* unchangedSince = nullptr);
bool LoadFilterFile(const std::string& path, ViewParams* vp, bool regrow, Member* member,
                    std::string* error);

}  // namespace pxb
