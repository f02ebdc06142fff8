#pragma once
// Named mutex stand-in: a lock file held with flock, released when the process ends,
// even by a crash. The holder writes its process number there, so that one refused can say
// who has it.

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
    // When not owned: the holder's process number as it wrote it (empty when unknown), or
    // why the lock file cannot serve at all (empty when it was simply held).
    const std::string& holder() const { return holder_; }
    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    bool owned_ = false;
    std::string path_, holder_, error_;
};

}  // namespace platform
