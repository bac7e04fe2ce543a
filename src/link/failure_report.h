#pragma once
// The one place where a failure becomes the operator's message box text
// and title.
#include "platform/failure.h"

#include <string>

namespace tz {

struct Report {
    std::string text;
    std::string title;
};

// Port and file kinds get their fixed messages; every other failure is
// shown with its own description.
Report reportFor(const Failure& failure);
Report reportFor(const std::exception& e);

} // namespace tz
