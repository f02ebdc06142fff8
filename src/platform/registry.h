#pragma once
// The registry stand-in: each root key is one hive file in the ".reg" text syntax.
// Reads see a snapshot of the file; writes are collected and saved in one atomic
// replacement of the file (on Flush or when the object goes away), under a lock, so
// several writes (a delete and re-create of a subkey, say) land together or not at all.
//
// A machine hive this user cannot replace (a system-wide installation) is only read, and
// never locked; the machine values the user writes go to the per-user store named in the
// host configuration, which reads of the machine key consult first. So a program without
// the right to write machine-wide still keeps its machine values, for this user alone.

#include "reg_file.h"

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class RootKey { CurrentUser, LocalMachine };

const char* RootKeyName(RootKey root);
std::string HiveFileOf(RootKey root);

// Loads a hive file; a missing file is an empty hive, one that does not parse throws.
Hive LoadHiveFile(const std::string& file, const std::string& rootName);
// Replaces a hive file atomically (temporary file, fsync, rename, fsync of the folder),
// keeping its mode; a file that is read-only is refused with RegistryError.
void SaveHiveFile(const std::string& file, const Hive& hive);
// Whether this process may replace the hive file: write the file, if it exists, and its
// folder (for the rename and the lock file), or the nearest folder that does exist.
bool CanReplaceHiveFile(const std::string& file);

class TRegistry {
public:
    explicit TRegistry(RootKey root = RootKey::CurrentUser);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    // A path starting with '\' is taken from the root, any other from the current key.
    bool OpenKey(const std::string& key, bool canCreate);
    bool OpenKeyReadOnly(const std::string& key);
    const std::string& CurrentPath() const { return currentPath_; }

    bool KeyExists(const std::string& key);
    bool ValueExists(const std::string& name);
    std::optional<uint32_t> GetDataType(const std::string& name);
    std::vector<std::string> GetKeyNames();
    std::vector<std::string> GetValueNames();

    // Reading a missing value, or one of another type, throws RegistryError.
    std::string ReadString(const std::string& name);
    int32_t ReadInteger(const std::string& name);
    bool ReadBool(const std::string& name);
    std::vector<uint8_t> ReadBinaryData(const std::string& name);

    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int32_t value);
    void WriteBool(const std::string& name, bool value);
    void WriteBinaryData(const std::string& name, const std::vector<uint8_t>& value);

    bool DeleteKey(const std::string& key);
    bool DeleteValue(const std::string& name);

    // Saves the pending writes; throws RegistryError when the hive cannot be written.
    void Flush();

private:
    struct Op;
    Hive& hive();
    std::string resolve(const std::string& key) const;
    const RegValue& value(const std::string& name, uint32_t type);
    void writeValue(RegValue v);
    void requireWritable() const;
    static void apply(Hive& hive, const Op& op);
    Hive view(Hive own);
    const Hive& machineHive();
    void requireNotInMachineHive(const std::string& path, const std::string* valueName);

    RootKey root_;
    std::string file_;         // the file that takes the writes
    std::string machineFile_;  // a machine hive read beneath the user's store, when it is one
    // The exceptions in flight when it was made: one more at its end means the code that
    // gathered its writes did not finish, and none of them is saved.
    int uncaught_ = std::uncaught_exceptions();
    std::optional<Hive> machine_;
    std::optional<Hive> snapshot_;
    std::vector<Op> pending_;
    std::string currentPath_;
    bool open_ = false;
    bool readOnly_ = false;
};

}  // namespace platform
