#include "publish/broker_password.h"

#include <cstdlib>
#include <fstream>

namespace tz {

bool brokerPassword(const std::string& file, std::string& password, std::string& why) {
    password.clear();
    if (file.empty()) {
        if (const char* env = std::getenv(kPasswordVariable)) password = env;
        return true;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        why = "The broker password file " + file + " cannot be read.";
        return false;
    }
    std::getline(in, password);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    return true;
}

} // namespace tz
