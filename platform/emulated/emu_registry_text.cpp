// Implements the registry export loader of platform/emulated/emu_registry.h.
#include <fstream>
#include <sstream>

#include "platform/common/utf8.h"
#include "platform/emulated/emu_registry.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace {
enum OpKind { OP_CREATE_KEY, OP_DELETE_KEY, OP_SET_VALUE, OP_DELETE_VALUE };

struct Op {
    OpKind kind;
    std::u16string path;
    std::u16string name;
    DWORD type;
    std::vector<BYTE> data;
};

// A parse failure: the line (1-based) and why.
struct Failure {
    int line = 0;
    std::string reason;
};

bool Fail(Failure* failure, int line, const std::string& reason) {
    failure->line = line;
    failure->reason = reason;
    return false;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string Trim(const std::u16string& s) {
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && IsBlank(s[begin]))
        ++begin;
    while (end > begin && IsBlank(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

bool StartsWithNoCase(const std::u16string& s, const std::u16string& prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (WFoldCase(s[i]) != WFoldCase(prefix[i])) return false;
    return true;
}

// 1 to maxDigits hex digits, nothing else.
bool ParseHex(const std::u16string& s, size_t maxDigits, DWORD* value) {
    if (s.empty() || s.size() > maxDigits) return false;
    DWORD v = 0;
    for (char16_t c : s) {
        int d = WHexDigit(c);
        if (d < 0) return false;
        v = (v << 4) | static_cast<DWORD>(d);
    }
    *value = v;
    return true;
}

// UTF-8 (optionally with its mark) or UTF-16LE with its mark, to UTF-16.
bool Decode(const std::string& bytes, std::u16string* text, Failure* failure) {
    if (bytes.size() >= 2 && static_cast<BYTE>(bytes[0]) == 0xFF && static_cast<BYTE>(bytes[1]) == 0xFE) {
        if (bytes.size() % 2 != 0) return Fail(failure, 1, "UTF-16 text with an odd number of bytes");
        for (size_t i = 2; i < bytes.size(); i += 2)
            text->push_back(
                static_cast<char16_t>(static_cast<BYTE>(bytes[i]) | (static_cast<BYTE>(bytes[i + 1]) << 8)));
        return true;
    }
    size_t i = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    int line = 1;
    while (i < bytes.size()) {
        Utf8Char c = DecodeUtf8Char(bytes.data() + i, bytes.size() - i);
        if (!c.valid) return Fail(failure, line, "text is not UTF-8");
        WCHAR units[2];
        text->append(units, static_cast<size_t>(EncodeUtf16Char(c.code, units)));
        if (c.code == u'\n') ++line;
        i += static_cast<size_t>(c.length);
    }
    return true;
}

std::vector<std::u16string> SplitLines(const std::u16string& text) {
    std::vector<std::u16string> lines(1);
    for (char16_t c : text) {
        if (c == u'\n')
            lines.emplace_back();
        else
            lines.back() += c;
    }
    for (auto& line : lines)
        if (!line.empty() && line.back() == u'\r') line.pop_back();
    return lines;
}

// A quoted text starting at s[*at] == '"'; leaves *at after the closing quote.
bool ParseQuoted(const std::u16string& s, size_t* at, std::u16string* out, int line, Failure* failure) {
    for (size_t i = *at + 1; i < s.size(); ++i) {
        if (s[i] == u'"') {
            *at = i + 1;
            return true;
        }
        if (s[i] == u'\\') {
            if (i + 1 >= s.size()) break;
            if (s[i + 1] != u'\\' && s[i + 1] != u'"') return Fail(failure, line, "unknown escape in quoted text");
            ++i;
        }
        *out += s[i];
    }
    return Fail(failure, line, "quoted text without closing quote");
}

// "name" or @, then '='; leaves *at at the data.
bool ParseValueName(const std::u16string& s, size_t* at, std::u16string* name, int line, Failure* failure) {
    if (s[0] == u'@') {
        *at = 1;
    } else if (!ParseQuoted(s, at, name, line, failure)) {
        return false;
    }
    while (*at < s.size() && IsBlank(s[*at]))
        ++*at;
    if (*at >= s.size() || s[*at] != u'=') return Fail(failure, line, "value name not followed by '='");
    ++*at;
    while (*at < s.size() && IsBlank(s[*at]))
        ++*at;
    return true;
}

bool ParseHexBytes(const std::u16string& list, std::vector<BYTE>* data, int line, Failure* failure) {
    if (Trim(list).empty()) return true;
    size_t start = 0;
    for (;;) {
        size_t comma = list.find(u',', start);
        std::u16string token = Trim(list.substr(start, comma == std::u16string::npos ? comma : comma - start));
        DWORD byte = 0;
        if (!ParseHex(token, 2, &byte)) return Fail(failure, line, "bad byte in hex data");
        data->push_back(static_cast<BYTE>(byte));
        if (comma == std::u16string::npos) return true;
        start = comma + 1;
    }
}

// The data of a value: "text", dword:, hex:, hex(N): or '-' (remove).
bool ParseData(const std::u16string& data, Op* op, int line, Failure* failure) {
    if (data == u"-") {
        op->kind = OP_DELETE_VALUE;
        return true;
    }
    op->kind = OP_SET_VALUE;
    if (!data.empty() && data[0] == u'"') {
        size_t at = 0;
        std::u16string text;
        if (!ParseQuoted(data, &at, &text, line, failure)) return false;
        if (!Trim(data.substr(at)).empty()) return Fail(failure, line, "text after the closing quote");
        op->type = REG_SZ;
        op->data = EmuRegStringBytes(text);
        return true;
    }
    if (StartsWithNoCase(data, u"dword:")) {
        DWORD value = 0;
        if (!ParseHex(Trim(data.substr(6)), 8, &value)) return Fail(failure, line, "dword needs 1 to 8 hex digits");
        op->type = REG_DWORD;
        for (int i = 0; i < 4; ++i)
            op->data.push_back(static_cast<BYTE>(value >> (8 * i)));
        return true;
    }
    if (StartsWithNoCase(data, u"hex:")) {
        op->type = REG_BINARY;
        return ParseHexBytes(data.substr(4), &op->data, line, failure);
    }
    if (StartsWithNoCase(data, u"hex(")) {
        size_t close = data.find(u"):");
        if (close == std::u16string::npos || !ParseHex(data.substr(4, close - 4), 8, &op->type))
            return Fail(failure, line, "hex(N): needs a hex type number");
        return ParseHexBytes(data.substr(close + 2), &op->data, line, failure);
    }
    return Fail(failure, line, "unknown value data");
}

// "[HKEY_LOCAL_MACHINE\path]" or "[-HKEY_LOCAL_MACHINE\path]".
bool ParseKeyLine(const std::u16string& s, Op* op, int line, Failure* failure) {
    if (s.back() != u']') return Fail(failure, line, "key without closing bracket");
    std::u16string path = s.substr(1, s.size() - 2);
    op->kind = OP_CREATE_KEY;
    if (!path.empty() && path[0] == u'-') {
        op->kind = OP_DELETE_KEY;
        path.erase(0, 1);
    }
    size_t slash = path.find(u'\\');
    std::u16string root = path.substr(0, slash);
    bool local = (root.size() == 18 && StartsWithNoCase(root, u"HKEY_LOCAL_MACHINE")) ||
                 (root.size() == 4 && StartsWithNoCase(root, u"HKLM"));
    if (!local) return Fail(failure, line, "only HKEY_LOCAL_MACHINE is emulated");
    op->path = slash == std::u16string::npos ? u"" : path.substr(slash + 1);
    if (slash != std::u16string::npos &&
        (op->path.empty() || op->path.find(u"\\\\") != std::u16string::npos || op->path.back() == u'\\'))
        return Fail(failure, line, "empty key name in path");
    if (op->kind == OP_DELETE_KEY && op->path.empty()) return Fail(failure, line, "cannot delete the root key");
    return true;
}

bool Parse(const std::vector<std::u16string>& lines, std::vector<Op>* ops, Failure* failure) {
    std::u16string header = Trim(lines[0]);
    if (header != u"Windows Registry Editor Version 5.00" && header != u"REGEDIT4")
        return Fail(failure, 1, "missing header \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\"");
    bool inKey = false;
    std::u16string keyPath;
    for (size_t i = 1; i < lines.size(); ++i) {
        int line = static_cast<int>(i) + 1;
        std::u16string s = Trim(lines[i]);
        if (s.empty() || s[0] == u';') continue;
        Op op{};
        if (s[0] == u'[') {
            if (!ParseKeyLine(s, &op, line, failure)) return false;
            inKey = op.kind == OP_CREATE_KEY;
            keyPath = op.path;
            ops->push_back(op);
            continue;
        }
        if (s[0] != u'"' && s[0] != u'@') return Fail(failure, line, "expected a [key] or a value");
        if (!inKey) return Fail(failure, line, "value outside a key");
        size_t at = 0;
        if (!ParseValueName(s, &at, &op.name, line, failure)) return false;
        std::u16string data = s.substr(at);
        // Only hex data continues on the next line: a text may end in an escaped backslash.
        if (StartsWithNoCase(data, u"hex")) {
            while (!data.empty() && data.back() == u'\\') {
                if (++i >= lines.size() || Trim(lines[i]).empty())
                    return Fail(failure, line, "continuation without a following line of data");
                data.pop_back();
                data += Trim(lines[i]);
            }
        }
        op.path = keyPath;
        if (!ParseData(data, &op, line, failure)) return false;
        ops->push_back(op);
    }
    return true;
}

void Apply(const std::vector<Op>& ops) {
    for (const Op& op : ops) {
        switch (op.kind) {
            case OP_CREATE_KEY: EmuRegCreateKey(op.path); break;
            case OP_DELETE_KEY: EmuRegDeleteKey(op.path); break;
            case OP_SET_VALUE: EmuRegSetValue(op.path, op.name, op.type, op.data); break;
            case OP_DELETE_VALUE: EmuRegDeleteValue(op.path, op.name); break;
        }
    }
}
}  // namespace

bool EmuRegLoadText(const std::string& bytes, std::string* error) {
    std::u16string text;
    std::vector<Op> ops;
    Failure failure;
    if (Decode(bytes, &text, &failure) && Parse(SplitLines(text), &ops, &failure)) {
        Apply(ops);
        return true;
    }
    if (error) *error = "line " + std::to_string(failure.line) + ": " + failure.reason;
    return false;
}

bool EmuRegLoadFile(const std::string& path, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (error) *error = "cannot read " + path;
        return false;
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    if (EmuRegLoadText(bytes.str(), error)) return true;
    if (error) *error = path + ": " + *error;
    return false;
}
