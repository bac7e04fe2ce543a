#pragma once

namespace tz {

// The caption of every message box the program shows.
inline constexpr const char* kAppTitle = "TIDEWELL-Z";

} // namespace tz
