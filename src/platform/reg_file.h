#pragma once
// In-memory hive and its text form: the ".reg" syntax that regedit reads and writes.

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

enum RegType : uint32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_MULTI_SZ = 7,
};

class RegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A hive file that does not parse; the message names the file and the line.
class RegistrySyntaxError : public RegistryError {
public:
    RegistrySyntaxError(const std::string& file, int line, const std::string& what);
    int line() const { return line_; }

private:
    int line_;
};

struct RegValue {
    std::string name;            // empty for the default value "@"
    uint32_t type = REG_SZ;
    std::string text;            // REG_SZ, UTF-8
    uint32_t dword = 0;          // REG_DWORD
    std::vector<uint8_t> bytes;  // every other type, raw

    bool operator==(const RegValue&) const = default;
};

// A key's values in the order they were written, with an index by folded name, so a key
// holding a long picture list is looked up in constant time and read and written in
// linear time. The index always maps every value's folded name to its position.
class RegKey {
public:
    std::string path;  // below the root, components separated by '\', as first spelled

    const std::vector<RegValue>& values() const { return values_; }
    RegValue* find(std::string_view name);
    const RegValue* find(std::string_view name) const;
    // Replaces the value of that name (keeping its first spelling) or adds it.
    void set(const RegValue& value);
    // Adds a value whose name is not there yet; false (and nothing added) when it is.
    bool add(RegValue value);
    bool remove(std::string_view name);

    bool operator==(const RegKey& other) const { return path == other.path && values_ == other.values_; }

private:
    std::vector<RegValue> values_;
    std::unordered_map<std::string, size_t> index_;
};

// Key and value names compare without regard to ASCII case, as Windows does.
std::string FoldKeyName(std::string_view s);

class Hive {
public:
    explicit Hive(std::string rootName = "HKEY_CURRENT_USER");

    const std::string& rootName() const { return rootName_; }

    bool hasKey(const std::string& path) const;
    RegKey* key(const std::string& path);
    const RegKey* key(const std::string& path) const;
    RegKey& createKey(const std::string& path);  // with its ancestors
    bool deleteKey(const std::string& path);     // with its subtree
    std::vector<std::string> subKeyNames(const std::string& path) const;
    // Lays every key of top, with its values, over this hive; top's values win.
    void overlay(const Hive& top);

    // Parses the text of a hive file: UTF-8 (with or without BOM) or UTF-16LE with BOM.
    static Hive parse(const std::string& bytes, const std::string& rootName, const std::string& fileName);
    std::string serialize() const;

    bool operator==(const Hive&) const = default;

private:
    std::string rootName_;
    std::map<std::string, RegKey, std::less<>> keys_;  // by folded path; the root is ""
};

// The limits Windows sets on key names and on the tree's depth; a hive file past them is
// refused, which also keeps a small hostile file from making huge numbers of ancestors.
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxKeyDepth = 512;

// Why a normalised key path is past those limits, or nothing when it is within them.
std::string KeyPathProblem(const std::string& path);

// Normalises a key path: no leading, trailing or doubled separators.
std::string NormaliseKeyPath(const std::string& path);

}  // namespace platform
