// What the platform file stores share: the lock wait and the wording of
// their failures. Each platform supplies only how its last error reads.
#pragma once

#include <chrono>
#include <string>

namespace pxb::file_store {

// How long a writer waits for another writer's lock before giving up.
inline constexpr auto kLockWait = std::chrono::seconds(10);

// Sets *error to message and reports failure.
bool Fail(std::string* error, const std::string& message);

// "path: what" followed by the platform's description of its last error.
std::string Cause(const std::string& path, const char* what);

// Why a write that insisted on an unchanged file was refused.
std::string ChangedMessage(const std::string& path);

// The platform's last error as it follows a cause: ": <text>" on POSIX,
// " (error <code>)" on Windows.
std::string LastErrorSuffix();

}  // namespace pxb::file_store
