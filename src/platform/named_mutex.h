#pragma once
// Named mutex stand-in: a lock file held with flock, released when the process ends,
// even by a crash.

#include <string>

namespace platform {

class NamedMutex {
public:
    // Tries to take the mutex of that name; owned() says whether it was free.
    explicit NamedMutex(const std::string& name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    bool owned() const { return owned_; }
    // True when another holder had it: CreateMutex's ERROR_ALREADY_EXISTS.
    bool alreadyExists() const { return !owned_; }

private:
    int fd_ = -1;
    bool owned_ = false;
};

}  // namespace platform
