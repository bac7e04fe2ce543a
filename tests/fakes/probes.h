#pragma once
// Small helpers shared by the test programs: what a call failed with, and
// an environment variable set for the life of a scope.
#include "platform/failure.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

namespace tz::test {

// The code of the Failure `fn` throws; a test failure when it throws none.
inline FailureCode codeOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const Failure& f) {
        return f.code();
    }
    ADD_FAILURE() << "no Failure was thrown";
    return FailureCode::Other;
}

// The description of the Failure `fn` throws.
inline std::string descriptionOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const Failure& f) {
        return f.description();
    }
    ADD_FAILURE() << "no Failure was thrown";
    return {};
}

#ifndef _WIN32
// Sets (or, given nullopt, removes) an environment variable for its life
// and then puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_.c_str(), old_->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> old_;
};
#endif

} // namespace tz::test
