#pragma once

#include <filesystem>
#include <string>

namespace corvalin {

// "<action> <path>: <the system's text for error>".
std::string SystemError(const std::string& action, const std::filesystem::path& path, int error);

// Makes the data of `handle` durable (fsync, retried on EINTR); the caller closes it.
bool SyncHandle(int handle);

// Makes a rename or removal inside `folder` durable. Best effort: some file systems refuse to
// sync a directory, and the files themselves are complete either way.
void SyncFolder(const std::filesystem::path& folder);

// Writes `bytes` to `path` + `partialSuffix`, syncs it and renames it over `path`, so that at
// every moment either the old file or the whole new one is in place. Empty on success, else
// what failed; the partial file never stays behind.
std::string WriteFileReplacing(const std::filesystem::path& path, const std::string& bytes,
                               const char* partialSuffix);

}  // namespace corvalin
