#include "reg_file.h"

#include <algorithm>
#include <cstdio>

namespace platform {

namespace {

constexpr const char* kHeader5 = "Windows Registry Editor Version 5.00";
constexpr const char* kHeader4 = "REGEDIT4";

void appendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16LE code units to UTF-8; unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(const uint8_t* p, size_t units)
{
    std::string out;
    out.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        uint32_t u = p[2 * i] | (p[2 * i + 1] << 8);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const uint32_t lo = p[2 * i + 2] | (p[2 * i + 3] << 8);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
                ++i;
            } else {
                u = 0xFFFD;
            }
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            u = 0xFFFD;
        }
        appendUtf8(out, u);
    }
    return out;
}

// UTF-8 to UTF-16LE bytes; a byte that is not valid UTF-8 is taken as Latin-1 so nothing is lost silently.
std::vector<uint8_t> utf8ToUtf16(const std::string& s)
{
    std::vector<uint8_t> out;
    auto put = [&](uint32_t u) {
        out.push_back(static_cast<uint8_t>(u & 0xFF));
        out.push_back(static_cast<uint8_t>(u >> 8));
    };
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        uint32_t cp = c;
        size_t len = 1;
        if (c >= 0xC0 && c < 0xE0) len = 2, cp = c & 0x1F;
        else if (c >= 0xE0 && c < 0xF0) len = 3, cp = c & 0x0F;
        else if (c >= 0xF0 && c < 0xF8) len = 4, cp = c & 0x07;
        bool ok = len == 1 ? c < 0x80 : i + len <= s.size();
        for (size_t k = 1; ok && k < len; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) {
            cp = c;
            len = 1;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
        i += len;
    }
    return out;
}

std::string trimRight(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
    return s;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class Parser {
public:
    Parser(const std::string& bytes, const std::string& rootName, const std::string& file)
        : file_(file), hive_(rootName)
    {
        text_ = decode(bytes);
        splitLines();
    }

    Hive run()
    {
        size_t i = 0;
        while (i < lines_.size() && trimRight(lines_[i]).empty())
            ++i;
        if (i == lines_.size())
            fail(static_cast<int>(lines_.size()), "missing header \"Windows Registry Editor Version 5.00\"");
        const std::string header = trimRight(lines_[i]);
        if (header != kHeader5 && header != kHeader4)
            fail(static_cast<int>(i) + 1, "missing header \"Windows Registry Editor Version 5.00\"");
        RegKey* current = nullptr;
        std::map<std::string, bool> seenKeys;
        for (++i; i < lines_.size(); ++i) {
            const int lineNo = static_cast<int>(i) + 1;
            std::string line = trimRight(lines_[i]);
            size_t lead = 0;
            while (lead < line.size() && (line[lead] == ' ' || line[lead] == '\t'))
                ++lead;
            line = line.substr(lead);
            if (line.empty() || line[0] == ';')
                continue;
            if (line[0] == '[') {
                current = &keyLine(line, lineNo, seenKeys);
                continue;
            }
            if (line[0] != '"' && line[0] != '@')
                fail(lineNo, "expected a key in brackets or a value");
            if (!current)
                fail(lineNo, "value before any key");
            valueLine(line, lineNo, i, *current);
        }
        return std::move(hive_);
    }

private:
    [[noreturn]] void fail(int line, const std::string& what) { throw RegistrySyntaxError(file_, line, what); }

    std::string decode(const std::string& b)
    {
        if (b.size() >= 2 && static_cast<uint8_t>(b[0]) == 0xFF && static_cast<uint8_t>(b[1]) == 0xFE) {
            if ((b.size() - 2) % 2 != 0)
                throw RegistrySyntaxError(file_, 0, "truncated UTF-16 text (odd byte count)");
            return utf16ToUtf8(reinterpret_cast<const uint8_t*>(b.data()) + 2, (b.size() - 2) / 2);
        }
        if (b.size() >= 3 && b.compare(0, 3, "\xEF\xBB\xBF") == 0)
            return b.substr(3);
        return b;
    }

    void splitLines()
    {
        size_t start = 0;
        while (start <= text_.size()) {
            size_t end = text_.find('\n', start);
            if (end == std::string::npos)
                end = text_.size();
            std::string line = text_.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.find('\0') != std::string::npos)
                fail(static_cast<int>(lines_.size()) + 1, "NUL character in text");
            lines_.push_back(std::move(line));
            start = end + 1;
        }
    }

    RegKey& keyLine(const std::string& line, int lineNo, std::map<std::string, bool>& seen)
    {
        const size_t close = line.rfind(']');
        if (close == std::string::npos || close != line.size() - 1)
            fail(lineNo, "key name without closing bracket");
        std::string name = line.substr(1, close - 1);
        if (!name.empty() && name[0] == '-')
            fail(lineNo, "key deletion has no place in a hive");
        const std::string& root = hive_.rootName();
        std::string rest;
        if (FoldKeyName(name) == FoldKeyName(root))
            rest.clear();
        else if (name.size() > root.size() && FoldKeyName(name.substr(0, root.size())) == FoldKeyName(root) &&
                 name[root.size()] == '\\')
            rest = name.substr(root.size() + 1);
        else
            fail(lineNo, "key \"" + name + "\" is not under " + root);
        const std::string norm = NormaliseKeyPath(rest);
        if (norm != rest && !(rest.empty()))
            fail(lineNo, "malformed key path \"" + name + "\"");
        if (const std::string why = KeyPathProblem(norm); !why.empty())
            fail(lineNo, why);
        if (seen[FoldKeyName(norm)])
            fail(lineNo, "key \"" + name + "\" appears twice");
        seen[FoldKeyName(norm)] = true;
        return hive_.createKey(norm);
    }

    // A quoted string starting at line[pos] == '"'; returns the position after the closing quote.
    size_t quoted(const std::string& line, size_t pos, int lineNo, std::string& out)
    {
        out.clear();
        for (size_t i = pos + 1; i < line.size(); ++i) {
            const char c = line[i];
            if (c == '"')
                return i + 1;
            if (c == '\\') {
                if (i + 1 >= line.size())
                    break;
                const char e = line[++i];
                if (e != '\\' && e != '"')
                    fail(lineNo, std::string("bad escape \"\\") + e + "\"");
                out += e;
            } else {
                out += c;
            }
        }
        fail(lineNo, "unterminated string");
    }

    void valueLine(const std::string& line, int lineNo, size_t& index, RegKey& key)
    {
        RegValue v;
        size_t pos;
        if (line[0] == '@') {
            pos = 1;
        } else {
            pos = quoted(line, 0, lineNo, v.name);
        }
        if (pos >= line.size() || line[pos] != '=')
            fail(lineNo, "expected '=' after the value name");
        ++pos;
        if (key.find(v.name))
            fail(lineNo, "value \"" + v.name + "\" appears twice in one key");
        const std::string data = line.substr(pos);
        if (!data.empty() && data[0] == '"') {
            std::string text;
            const size_t end = quoted(data, 0, lineNo, text);
            if (!trimRight(data.substr(end)).empty())
                fail(lineNo, "text after the closing quote");
            v.type = REG_SZ;
            // Bytes that are not UTF-8 are read as Latin-1, as the UTF-16 form they may have to be
            // written in takes them: what was read is what a save writes back.
            const std::vector<uint8_t> units = utf8ToUtf16(text);
            v.text = utf16ToUtf8(units.data(), units.size() / 2);
        } else if (data.rfind("dword:", 0) == 0) {
            const std::string digits = data.substr(6);
            if (digits.empty() || digits.size() > 8)
                fail(lineNo, "bad dword \"" + digits + "\"");
            uint32_t value = 0;
            for (char c : digits) {
                const int d = hexDigit(c);
                if (d < 0)
                    fail(lineNo, "bad dword \"" + digits + "\"");
                value = value << 4 | static_cast<uint32_t>(d);
            }
            v.type = REG_DWORD;
            v.dword = value;
        } else if (data.rfind("hex", 0) == 0) {
            hexValue(data, lineNo, index, v);
        } else if (data == "-") {
            fail(lineNo, "value deletion has no place in a hive");
        } else {
            fail(lineNo, "unknown value data");
        }
        key.add(std::move(v));
    }

    void hexValue(const std::string& data, int lineNo, size_t& index, RegValue& v)
    {
        size_t pos = 3;
        uint32_t type = REG_BINARY;
        if (pos < data.size() && data[pos] == '(') {
            const size_t close = data.find(')', pos);
            if (close == std::string::npos || close == pos + 1 || close > pos + 9)
                fail(lineNo, "bad hex type");
            type = 0;
            for (size_t i = pos + 1; i < close; ++i) {
                const int d = hexDigit(data[i]);
                if (d < 0)
                    fail(lineNo, "bad hex type");
                type = type << 4 | static_cast<uint32_t>(d);
            }
            pos = close + 1;
        }
        if (pos >= data.size() || data[pos] != ':')
            fail(lineNo, "expected ':' after hex");
        std::string list = data.substr(pos + 1);
        // Continuation lines end with a backslash.
        int lastLine = lineNo;
        while (!list.empty() && list.back() == '\\') {
            list.pop_back();
            if (index + 1 >= lines_.size() || (index + 2 == lines_.size() && lines_[index + 1].empty()))
                fail(lastLine, "truncated hex list (continuation at end of file)");
            ++index;
            lastLine = static_cast<int>(index) + 1;
            std::string next = trimRight(lines_[index]);
            size_t lead = 0;
            while (lead < next.size() && (next[lead] == ' ' || next[lead] == '\t'))
                ++lead;
            list += next.substr(lead);
        }
        std::vector<uint8_t> bytes;
        size_t i = 0;
        while (i < list.size()) {
            if (i + 2 > list.size())
                fail(lastLine, "bad hex byte");
            const int hi = hexDigit(list[i]), lo = hexDigit(list[i + 1]);
            if (hi < 0 || lo < 0)
                fail(lastLine, "bad hex byte \"" + list.substr(i, 2) + "\"");
            bytes.push_back(static_cast<uint8_t>(hi << 4 | lo));
            i += 2;
            if (i < list.size()) {
                if (list[i] != ',' || i + 1 == list.size())
                    fail(lastLine, "bad hex list");
                ++i;
            }
        }
        if (type == REG_SZ) {
            if (bytes.size() % 2 != 0)
                fail(lastLine, "odd byte count in a UTF-16 string");
            size_t units = bytes.size() / 2;
            while (units > 0 && bytes[2 * units - 2] == 0 && bytes[2 * units - 1] == 0)
                --units;
            v.type = REG_SZ;
            v.text = utf16ToUtf8(bytes.data(), units);
        } else if (type == REG_DWORD) {
            // Kept as raw bytes it would be written back as dword:00000000.
            if (bytes.size() != 4)
                fail(lastLine, "a dword value needs four bytes, not " + std::to_string(bytes.size()));
            v.type = REG_DWORD;
            v.dword = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
        } else {
            v.type = type;
            v.bytes = std::move(bytes);
        }
    }

    std::string file_;
    std::string text_;
    std::vector<std::string> lines_;
    Hive hive_;
};

std::string escapeQuoted(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + '"';
}

bool needsHexForm(const std::string& s)
{
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F)
            return true;
    return false;
}

void appendHexList(std::string& out, size_t prefixLength, const std::vector<uint8_t>& bytes)
{
    size_t column = prefixLength;
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
        out += buf;
        column += 2;
        if (i + 1 < bytes.size()) {
            out += ',';
            ++column;
            if (column > 76) {
                out += "\\\r\n  ";
                column = 2;
            }
        }
    }
}

}  // namespace

RegistrySyntaxError::RegistrySyntaxError(const std::string& file, int line, const std::string& what)
    : RegistryError(file + ":" + std::to_string(line) + ": " + what), line_(line)
{
}

RegValue* RegKey::find(std::string_view name)
{
    const auto it = index_.find(FoldKeyName(name));
    return it == index_.end() ? nullptr : &values_[it->second];
}

const RegValue* RegKey::find(std::string_view name) const
{
    const auto it = index_.find(FoldKeyName(name));
    return it == index_.end() ? nullptr : &values_[it->second];
}

void RegKey::set(const RegValue& value)
{
    if (RegValue* existing = find(value.name)) {
        const std::string keepName = existing->name;
        *existing = value;
        existing->name = keepName;
    } else {
        add(value);
    }
}

bool RegKey::add(RegValue value)
{
    if (!index_.emplace(FoldKeyName(value.name), values_.size()).second)
        return false;
    values_.push_back(std::move(value));
    return true;
}

bool RegKey::remove(std::string_view name)
{
    const auto it = index_.find(FoldKeyName(name));
    if (it == index_.end())
        return false;
    const size_t at = it->second;
    index_.erase(it);
    values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(at));
    for (auto& [folded, position] : index_)
        if (position > at)
            --position;
    return true;
}

std::string FoldKeyName(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string KeyPathProblem(const std::string& path)
{
    size_t depth = 0;
    for (size_t start = 0; start < path.size(); ++depth) {
        const size_t end = std::min(path.find('\\', start), path.size());
        // Windows counts UTF-16 units: one per character, two past U+FFFF (a 4-byte UTF-8 lead).
        size_t units = 0;
        for (size_t i = start; i < end; ++i) {
            const auto c = static_cast<uint8_t>(path[i]);
            units += (c & 0xC0) != 0x80;
            units += c >= 0xF0;
        }
        if (units > kMaxKeyNameLength)
            return "key name longer than " + std::to_string(kMaxKeyNameLength) + " characters";
        start = end + 1;
    }
    if (depth > kMaxKeyDepth)
        return "key path deeper than " + std::to_string(kMaxKeyDepth) + " levels";
    return {};
}

std::string NormaliseKeyPath(const std::string& path)
{
    std::string out;
    size_t i = 0;
    while (i < path.size()) {
        while (i < path.size() && path[i] == '\\')
            ++i;
        const size_t start = i;
        while (i < path.size() && path[i] != '\\')
            ++i;
        if (i > start) {
            if (!out.empty())
                out += '\\';
            out.append(path, start, i - start);
        }
    }
    return out;
}

Hive::Hive(std::string rootName) : rootName_(std::move(rootName))
{
    keys_[""] = RegKey{};
}

void Hive::overlay(const Hive& top)
{
    for (const auto& [folded, topKey] : top.keys_) {
        RegKey& k = createKey(topKey.path);
        for (const RegValue& v : topKey.values())
            k.set(v);
    }
}

bool Hive::hasKey(const std::string& path) const
{
    return keys_.count(FoldKeyName(NormaliseKeyPath(path))) != 0;
}

RegKey* Hive::key(const std::string& path)
{
    auto it = keys_.find(FoldKeyName(NormaliseKeyPath(path)));
    return it == keys_.end() ? nullptr : &it->second;
}

const RegKey* Hive::key(const std::string& path) const
{
    return const_cast<Hive*>(this)->key(path);
}

RegKey& Hive::createKey(const std::string& rawPath)
{
    const std::string path = NormaliseKeyPath(rawPath);
    // Folding works byte by byte, so every ancestor's folded path is a prefix of this one.
    const std::string folded = FoldKeyName(path);
    RegKey* last = &keys_[""];
    for (size_t pos = 0; pos < path.size();) {
        const size_t next = std::min(path.find('\\', pos), path.size());
        const std::string_view prefix = std::string_view(folded).substr(0, next);
        auto it = keys_.find(prefix);
        if (it == keys_.end()) {
            it = keys_.emplace(std::string(prefix), RegKey{}).first;
            it->second.path = path.substr(0, next);
        }
        last = &it->second;
        pos = next + 1;
    }
    return *last;
}

bool Hive::deleteKey(const std::string& rawPath)
{
    const std::string folded = FoldKeyName(NormaliseKeyPath(rawPath));
    if (folded.empty() || !keys_.count(folded))
        return false;
    const std::string prefix = folded + '\\';
    for (auto it = keys_.begin(); it != keys_.end();) {
        if (it->first == folded || it->first.rfind(prefix, 0) == 0)
            it = keys_.erase(it);
        else
            ++it;
    }
    return true;
}

std::vector<std::string> Hive::subKeyNames(const std::string& rawPath) const
{
    const std::string folded = FoldKeyName(NormaliseKeyPath(rawPath));
    const std::string prefix = folded.empty() ? std::string() : folded + '\\';
    std::vector<std::string> names;
    for (const auto& [k, v] : keys_) {
        if (k.empty() || k.size() <= prefix.size() || k.compare(0, prefix.size(), prefix) != 0)
            continue;
        if (k.find('\\', prefix.size()) != std::string::npos)
            continue;
        names.push_back(v.path.substr(prefix.size()));
    }
    return names;
}

Hive Hive::parse(const std::string& bytes, const std::string& rootName, const std::string& fileName)
{
    return Parser(bytes, rootName, fileName).run();
}

std::string Hive::serialize() const
{
    std::string out = std::string(kHeader5) + "\r\n\r\n";
    for (const auto& [folded, key] : keys_) {
        if (folded.empty() && key.values().empty())
            continue;
        out += '[' + rootName_ + (key.path.empty() ? "" : "\\" + key.path) + "]\r\n";
        for (const auto& v : key.values()) {
            std::string line = v.name.empty() ? std::string("@") : escapeQuoted(v.name);
            line += '=';
            if (v.type == REG_SZ && !needsHexForm(v.text)) {
                line += escapeQuoted(v.text);
            } else if (v.type == REG_SZ) {
                line += "hex(1):";
                auto bytes = utf8ToUtf16(v.text);
                bytes.push_back(0);
                bytes.push_back(0);
                appendHexList(line, line.size(), bytes);
            } else if (v.type == REG_DWORD) {
                char buf[16];
                std::snprintf(buf, sizeof buf, "dword:%08x", v.dword);
                line += buf;
            } else {
                if (v.type == REG_BINARY) {
                    line += "hex:";
                } else {
                    char buf[20];
                    std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
                    line += buf;
                }
                appendHexList(line, line.size(), v.bytes);
            }
            out += line + "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

}  // namespace platform
