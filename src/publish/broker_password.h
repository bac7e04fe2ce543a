#pragma once
// The broker password of an unattended run: from the file the command line
// names, else from the environment variable TZ_MQTT_PASSWORD; never from
// the command line itself, where every user of the machine can read it.
#include <string>

namespace tz {

inline constexpr const char* kPasswordVariable = "TZ_MQTT_PASSWORD";

// The first line of `file` (without its line end) when `file` is not
// empty, else the variable's value ("" when unset). False, with the reason
// in `why`, when the file cannot be read.
bool brokerPassword(const std::string& file, std::string& password, std::string& why);

} // namespace tz
