#pragma once
// The documents a transfer replaces. A start writes its document anew; the
// one it finds stays beside it as a dated copy, so that the results of
// earlier runs are never lost to a later start.
#include <ctime>
#include <string>

namespace tz {

inline constexpr int kKeptCopies = 20;

// "Tidewell.2026-12-08T06-03-00.csv" for "Tidewell.csv" replaced at
// `replacedAt` (local time). Folder kept.
std::string datedCopyName(const std::string& path, std::time_t replacedAt);

// Keep the file at `path` as its dated copy before a transfer writes the
// file anew; then remove the oldest copies beyond the last 20. Returns the
// copy's path, "" when there was no file to keep. A rename that fails
// throws a Failure naming both files and leaves everything as it was.
std::string backUpFile(const std::string& path, std::time_t replacedAt = std::time(nullptr));

// A start that wrote no row: the copy goes back in place of what the start
// made. Never throws; false when the copy could not be put back (it then
// stays where it is).
bool restoreBackup(const std::string& copy, const std::string& path) noexcept;

} // namespace tz
