// A flag set for the length of a scope: true from construction, back to
// what it was on the way out, however the scope is left (a return, an
// engine failure, the end of the program).
#pragma once

namespace vorn {

class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
    ~ScopedFlag() { flag_ = saved_; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& flag_;
    bool saved_;
};

}  // namespace vorn
