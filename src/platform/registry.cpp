#include "registry.h"

#include "atomic_file.h"
#include "host_config.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string typeName(uint32_t type)
{
    switch (type) {
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    default: return "type " + std::to_string(type);
    }
}

std::string systemError(const std::string& what, const std::string& file)
{
    return what + " " + file + ": " + std::strerror(errno);
}

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Holds an exclusive lock beside the hive for a read-modify-write; the hive itself is
// replaced by rename, so the lock lives in a file of its own.
class HiveLock {
public:
    explicit HiveLock(const std::string& file)
    {
        const std::filesystem::path path(file);
        std::error_code ec;
        if (path.has_parent_path())
            std::filesystem::create_directories(path.parent_path(), ec);
        const std::string lockFile = file + ".lock";
        fd_.fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_.fd < 0)
            throw RegistryError(systemError("cannot open lock file", lockFile));
        while (::flock(fd_.fd, LOCK_EX) != 0)
            if (errno != EINTR)
                throw RegistryError(systemError("cannot lock", lockFile));
    }

private:
    Fd fd_;
};

// A writer killed between creating its temporary file and the rename leaves that file
// behind. Temporary files are written under the hive's lock, so once it is held every one
// still there is such a leftover.
void removeStaleTemporaries(const std::string& file)
{
    const std::filesystem::path path(file);
    const std::string prefix = path.filename().string() + ".tmp.";
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > prefix.size() && name.starts_with(prefix) &&
            name.find_first_not_of("0123456789", prefix.size()) == std::string::npos) {
            std::error_code ignored;
            std::filesystem::remove(it->path(), ignored);
        }
    }
}

}  // namespace

struct TRegistry::Op {
    enum Kind { SetValue, RemoveValue, CreateKey, RemoveKey } kind;
    std::string path;
    RegValue value;  // the value, or just its name
};

const char* RootKeyName(RootKey root)
{
    return root == RootKey::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::string HiveFileOf(RootKey root)
{
    return root == RootKey::CurrentUser ? host().currentUserHive : host().localMachineHive;
}

Hive LoadHiveFile(const std::string& file, const std::string& rootName)
{
    if (file.empty())
        return Hive(rootName);
    Fd in;
    in.fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (in.fd < 0) {
        if (errno == ENOENT)
            return Hive(rootName);
        throw RegistryError(systemError("cannot open", file));
    }
    std::string bytes;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(in.fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw RegistryError(systemError("cannot read", file));
        }
        if (n == 0)
            break;
        bytes.append(buf, static_cast<size_t>(n));
    }
    return Hive::parse(bytes, rootName, file);
}

void SaveHiveFile(const std::string& file, const Hive& hive)
{
    if (file.empty())
        throw RegistryError(std::string("no file is configured for ") + hive.rootName());
    // The rename below would replace a file its owner made read-only: refuse, as the
    // system whose registry this stands in for does. The new file keeps the old one's mode.
    struct stat old {};
    const bool replacing = ::stat(file.c_str(), &old) == 0;
    if (replacing && ((old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
                      (::access(file.c_str(), W_OK) != 0 && errno == EACCES)))
        throw RegistryError("cannot save " + file + ": the file is read-only");
    const std::string error = ReplaceFile(file, hive.serialize());
    if (!error.empty())
        throw RegistryError(error);
}

bool CanReplaceHiveFile(const std::string& file)
{
    namespace fs = std::filesystem;
    auto may = [](const fs::path& path, int mode) {
        return ::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
    };
    std::error_code ec;
    if (fs::exists(file, ec) && !may(file, W_OK))
        return false;
    fs::path folder = fs::path(file).parent_path();
    if (folder.empty())
        folder = ".";
    while (!fs::exists(folder, ec) && folder.has_parent_path() && folder.parent_path() != folder)
        folder = folder.parent_path();
    return may(folder, W_OK | X_OK);
}

TRegistry::TRegistry(RootKey root) : root_(root), file_(HiveFileOf(root))
{
    const std::string& store = host().localMachineStore;
    if (root == RootKey::LocalMachine && !file_.empty() && !store.empty() && !CanReplaceHiveFile(file_)) {
        machineFile_ = file_;
        file_ = store;
    }
}

TRegistry::~TRegistry()
{
    if (std::uncaught_exceptions() > uncaught_)
        return;  // half a batch would leave the settings in a state no code made
    try {
        Flush();
    } catch (const std::exception& e) {
        std::cerr << "registry: " << e.what() << '\n';
    }
}

Hive& TRegistry::hive()
{
    if (!snapshot_)
        snapshot_ = view(LoadHiveFile(file_, RootKeyName(root_)));
    return *snapshot_;
}

// What reads see: the file that takes the writes, laid over the machine hive when that
// file is the user's store.
Hive TRegistry::view(Hive own)
{
    if (machineFile_.empty())
        return own;
    Hive merged = machineHive();
    merged.overlay(own);
    return merged;
}

const Hive& TRegistry::machineHive()
{
    if (!machine_)
        machine_ = LoadHiveFile(machineFile_, RootKeyName(root_));
    return *machine_;
}

// The user's store can only add to the machine hive: what the machine hive holds stays.
void TRegistry::requireNotInMachineHive(const std::string& path, const std::string* valueName)
{
    if (machineFile_.empty())
        return;
    const RegKey* k = machineHive().key(path);
    if (k && (!valueName || k->find(*valueName)))
        throw RegistryError(std::string("cannot delete from ") + RootKeyName(root_) + "\\" + path + ": " +
                            machineFile_ + " is read-only for this user");
}

std::string TRegistry::resolve(const std::string& key) const
{
    if (!key.empty() && key[0] == '\\')
        return NormaliseKeyPath(key);
    return NormaliseKeyPath(currentPath_ + '\\' + key);
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate)
{
    const std::string path = resolve(key);
    if (!hive().hasKey(path)) {
        // A key Windows would not create is not created: the hive must read back.
        if (!canCreate || !KeyPathProblem(path).empty())
            return false;
        Op op{Op::CreateKey, path, {}};
        apply(hive(), op);
        pending_.push_back(std::move(op));
    }
    currentPath_ = path;
    open_ = true;
    readOnly_ = false;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key)
{
    const std::string path = resolve(key);
    if (!hive().hasKey(path))
        return false;
    currentPath_ = path;
    open_ = true;
    readOnly_ = true;
    return true;
}

bool TRegistry::KeyExists(const std::string& key)
{
    return hive().hasKey(resolve(key));
}

bool TRegistry::ValueExists(const std::string& name)
{
    const RegKey* k = hive().key(currentPath_);
    return k && k->find(name);
}

std::optional<uint32_t> TRegistry::GetDataType(const std::string& name)
{
    const RegKey* k = hive().key(currentPath_);
    const RegValue* v = k ? k->find(name) : nullptr;
    if (!v)
        return std::nullopt;
    return v->type;
}

std::vector<std::string> TRegistry::GetKeyNames()
{
    return hive().subKeyNames(currentPath_);
}

std::vector<std::string> TRegistry::GetValueNames()
{
    std::vector<std::string> names;
    if (const RegKey* k = hive().key(currentPath_))
        for (const auto& v : k->values())
            names.push_back(v.name);
    return names;
}

const RegValue& TRegistry::value(const std::string& name, uint32_t type)
{
    const RegKey* k = hive().key(currentPath_);
    const RegValue* v = k ? k->find(name) : nullptr;
    const std::string where = std::string(RootKeyName(root_)) + "\\" + currentPath_;
    if (!v)
        throw RegistryError("value \"" + name + "\" is missing in " + where);
    if (v->type != type && !(type == REG_SZ && v->type == REG_EXPAND_SZ))
        throw RegistryError("value \"" + name + "\" in " + where + " is " + typeName(v->type) + ", not " +
                            typeName(type));
    return *v;
}

std::string TRegistry::ReadString(const std::string& name)
{
    const RegValue& v = value(name, REG_SZ);
    if (v.type == REG_SZ)
        return v.text;
    // REG_EXPAND_SZ keeps its UTF-16 bytes; give back the text without expanding it.
    std::string out;
    for (size_t i = 0; i + 1 < v.bytes.size(); i += 2) {
        const uint32_t u = v.bytes[i] | v.bytes[i + 1] << 8;
        if (u == 0)
            break;
        out += u < 0x80 ? static_cast<char>(u) : '?';
    }
    return out;
}

int32_t TRegistry::ReadInteger(const std::string& name)
{
    return static_cast<int32_t>(value(name, REG_DWORD).dword);
}

bool TRegistry::ReadBool(const std::string& name)
{
    return ReadInteger(name) != 0;
}

std::vector<uint8_t> TRegistry::ReadBinaryData(const std::string& name)
{
    return value(name, REG_BINARY).bytes;
}

void TRegistry::requireWritable() const
{
    if (readOnly_)
        throw RegistryError(std::string("key ") + RootKeyName(root_) + "\\" + currentPath_ + " is open read-only");
}

void TRegistry::writeValue(RegValue v)
{
    requireWritable();
    Op op{Op::SetValue, currentPath_, std::move(v)};
    apply(hive(), op);
    pending_.push_back(std::move(op));
}

void TRegistry::WriteString(const std::string& name, const std::string& value)
{
    RegValue v;
    v.name = name;
    v.type = REG_SZ;
    v.text = value;
    writeValue(std::move(v));
}

void TRegistry::WriteInteger(const std::string& name, int32_t value)
{
    RegValue v;
    v.name = name;
    v.type = REG_DWORD;
    v.dword = static_cast<uint32_t>(value);
    writeValue(std::move(v));
}

void TRegistry::WriteBool(const std::string& name, bool value)
{
    WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteBinaryData(const std::string& name, const std::vector<uint8_t>& value)
{
    RegValue v;
    v.name = name;
    v.type = REG_BINARY;
    v.bytes = value;
    writeValue(std::move(v));
}

bool TRegistry::DeleteKey(const std::string& key)
{
    requireWritable();
    const std::string path = resolve(key);
    if (path.empty() || !hive().hasKey(path))
        return false;
    requireNotInMachineHive(path, nullptr);
    Op op{Op::RemoveKey, path, {}};
    apply(hive(), op);
    pending_.push_back(std::move(op));
    return true;
}

bool TRegistry::DeleteValue(const std::string& name)
{
    requireWritable();
    if (!ValueExists(name))
        return false;
    requireNotInMachineHive(currentPath_, &name);
    Op op{Op::RemoveValue, currentPath_, {}};
    op.value.name = name;
    apply(hive(), op);
    pending_.push_back(std::move(op));
    return true;
}

void TRegistry::apply(Hive& hive, const Op& op)
{
    switch (op.kind) {
    case Op::CreateKey:
        hive.createKey(op.path);
        break;
    case Op::RemoveKey:
        hive.deleteKey(op.path);
        break;
    case Op::SetValue:
        hive.createKey(op.path).set(op.value);
        break;
    case Op::RemoveValue:
        if (RegKey* k = hive.key(op.path))
            k->remove(op.value.name);
        break;
    }
}

void TRegistry::Flush()
{
    if (pending_.empty())
        return;
    HiveLock lock(file_);
    removeStaleTemporaries(file_);
    // Replay onto what is on disk now, so a writer in another process is not overwritten;
    // a hive that no longer parses is left alone rather than replaced.
    Hive fresh = LoadHiveFile(file_, RootKeyName(root_));
    for (const Op& op : pending_)
        apply(fresh, op);
    SaveHiveFile(file_, fresh);
    pending_.clear();
    snapshot_ = view(std::move(fresh));
}

}  // namespace platform
