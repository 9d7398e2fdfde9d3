// Parsing and writing of a hive file; see hive.h for the format.
#include "registry/hive.h"

#include "registry/registry.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <random>

namespace platform::registry {

char16_t foldCase(char16_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? (char16_t)(c - 32) : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return (char16_t)(c - 32);
    if (c == 0xFF) return 0x178;
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return (char16_t)(c - 32);  // Greek
    if (c >= 0x430 && c <= 0x44F) return (char16_t)(c - 32);                // Cyrillic
    if (c >= 0x450 && c <= 0x45F) return (char16_t)(c - 80);
    return c;
}

bool NameLess::operator()(const std::u16string& a, const std::u16string& b) const {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        char16_t x = foldCase(a[i]), y = foldCase(b[i]);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

bool sameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldCase(a[i]) != foldCase(b[i])) return false;
    return true;
}

Key* Key::child(std::u16string_view name) const {
    auto it = subkeys.find(std::u16string(name));
    return it == subkeys.end() ? nullptr : it->second.get();
}

Value* Key::value(std::u16string_view name) {
    for (Value& v : values)
        if (sameName(v.name, name)) return &v;
    return nullptr;
}

const Value* Key::value(std::u16string_view name) const { return const_cast<Key*>(this)->value(name); }

std::uint64_t newKeyId() {
    static std::atomic<std::uint64_t> counter{0};
    thread_local std::mt19937_64 rng([] {
        std::random_device rd;
        std::uint64_t seed = ((std::uint64_t)rd() << 32) ^ rd();
        seed ^= (std::uint64_t)::getpid() << 17;
        seed ^= (std::uint64_t)std::chrono::steady_clock::now().time_since_epoch().count();
        return seed;
    }());
    std::uint64_t id;
    do id = rng() ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    while (id == 0);
    return id;
}

namespace {

const char kHex[] = "0123456789ABCDEF";

void appendEscaped(std::string& out, std::u16string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out += "%u";
            for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
            continue;
        }
        if (c < 0x20 || c == ' ' || c == '%' || c == 0x7F) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else if (c < 0x80) {
            out += (char)c;
        } else if (c < 0x800) {
            out += (char)(0xC0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += (char)(0xE0 | (c >> 12));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        } else {
            out += (char)(0xF0 | (c >> 18));
            out += (char)(0x80 | ((c >> 12) & 0x3F));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        }
    }
}

void appendName(std::string& out, std::u16string_view name) {
    if (name.empty()) out += '@';
    else if (name == u"@") out += "%40";
    else appendEscaped(out, name);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Undoes appendEscaped; false on anything it could not have written.
bool unescape(std::string_view s, std::u16string& out) {
    out.clear();
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char b = (unsigned char)s[i];
        if (b == '%') {
            if (i + 1 < s.size() && s[i + 1] == 'u') {
                if (i + 6 > s.size()) return false;
                unsigned v = 0;
                for (std::size_t k = i + 2; k < i + 6; ++k) {
                    int d = hexDigit(s[k]);
                    if (d < 0) return false;
                    v = v * 16 + (unsigned)d;
                }
                out += (char16_t)v;
                i += 6;
                continue;
            }
            if (i + 3 > s.size()) return false;
            int hi = hexDigit(s[i + 1]), lo = hexDigit(s[i + 2]);
            if (hi < 0 || lo < 0 || hi >= 8) return false;
            out += (char16_t)(hi * 16 + lo);
            i += 3;
            continue;
        }
        if (b < 0x20 || b == 0x7F) return false;
        if (b < 0x80) {
            out += (char16_t)b;
            ++i;
            continue;
        }
        int len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        if (len == 0 || b > 0xF4 || i + (std::size_t)len > s.size()) return false;
        char32_t c = b & (0x7F >> len);
        for (int k = 1; k < len; ++k) {
            unsigned char t = (unsigned char)s[i + (std::size_t)k];
            if ((t & 0xC0) != 0x80) return false;
            c = (c << 6) | (t & 0x3F);
        }
        static const char32_t minimum[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < minimum[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += (char16_t)(0xD800 + (c >> 10));
            out += (char16_t)(0xDC00 + (c & 0x3FF));
        } else {
            out += (char16_t)c;
        }
        i += (std::size_t)len;
    }
    return true;
}

bool parseName(std::string_view token, std::u16string& name) {
    if (token == "@") {
        name.clear();
        return true;
    }
    return unescape(token, name) && !name.empty() && name.size() <= kMaxValueNameLength;
}

bool parseDecimal(std::string_view s, std::uint64_t max, std::uint64_t& v) {
    if (s.empty() || s.size() > 20) return false;
    v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        std::uint64_t next = v * 10 + (std::uint64_t)(c - '0');
        if (next > max || next < v) return false;
        v = next;
    }
    return true;
}

// A well-formed string: even length, exactly one zero unit, at the end.
bool isPlainString(const std::vector<BYTE>& d) {
    if (d.size() < 2 || d.size() % 2) return false;
    std::size_t units = d.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        bool zero = d[2 * i] == 0 && d[2 * i + 1] == 0;
        if (zero != (i + 1 == units)) return false;
    }
    return true;
}

std::u16string stringOf(const std::vector<BYTE>& d) {
    std::u16string s;
    for (std::size_t i = 0; i + 2 < d.size(); i += 2) s += (char16_t)(d[i] | (d[i + 1] << 8));  // not the zero
    return s;
}

std::vector<BYTE> dataOf(std::u16string_view s) {
    std::vector<BYTE> d;
    d.reserve(s.size() * 2 + 2);
    for (char16_t c : s) {
        d.push_back((BYTE)c);
        d.push_back((BYTE)(c >> 8));
    }
    d.push_back(0);
    d.push_back(0);
    return d;
}

// A name written twice in one key: the later value wins, in the earlier place. Done once per
// key after parsing, so a large key costs n log n rather than n squared.
void mergeRepeatedValues(Key& key) {
    if (key.values.size() > 1) {
        std::map<std::u16string, std::size_t, NameLess> first;
        std::vector<Value> kept;
        kept.reserve(key.values.size());
        for (Value& v : key.values) {
            auto [it, fresh] = first.emplace(v.name, kept.size());
            if (fresh) kept.push_back(std::move(v));
            else kept[it->second] = std::move(v);
        }
        key.values = std::move(kept);
    }
    for (auto& [name, child] : key.subkeys) mergeRepeatedValues(*child);
}

// Splits off the next space-separated token.
std::string_view token(std::string_view& rest) {
    std::size_t sp = rest.find(' ');
    std::string_view t = rest.substr(0, sp);
    rest = sp == std::string_view::npos ? std::string_view() : rest.substr(sp + 1);
    return t;
}

// Applies one K line; returns the key or null when the line is unusable. A damaged
// identity alone still gives the key.
Key* parseKeyLine(std::string_view rest, Key& root, bool& idDamaged) {
    std::string_view idText = token(rest);
    std::uint64_t id = 0;
    idDamaged = idText.size() != 16;
    for (char c : idText) {
        int d = hexDigit(c);
        if (d < 0) idDamaged = true;
        id = id * 16 + (std::uint64_t)(d < 0 ? 0 : d);
    }
    std::u16string path;
    if (!unescape(rest, path) || path.empty()) return nullptr;
    if (idDamaged) {
        // The key and its values are kept under an identity that every reading of this
        // file agrees on, so handles to it stay valid.
        id = 14695981039346656037ull;
        for (char16_t c : path) id = (id ^ foldCase(c)) * 1099511628211ull;
        if (id == 0) id = 1;
    }
    std::vector<std::u16string> names;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t bs = path.find(u'\\', start);
        if (bs == std::u16string::npos) bs = path.size();
        std::u16string name = path.substr(start, bs - start);
        if (name.empty() || name.size() > kMaxKeyNameLength) return nullptr;
        names.push_back(std::move(name));
        if (names.size() > kMaxKeyDepth) return nullptr;
        start = bs + 1;
    }
    Key* k = &root;
    for (std::size_t i = 0; i < names.size(); ++i) {
        Key* c = k->child(names[i]);
        if (!c) {
            auto fresh = std::make_unique<Key>();
            fresh->name = names[i];
            fresh->id = newKeyId();  // replaced below when this is the key the line names
            c = fresh.get();
            k->subkeys.emplace(names[i], std::move(fresh));
        }
        k = c;
    }
    if (id != 0) k->id = id;
    return k;
}

bool parseValueLine(char tag, std::string_view rest, Key& key) {
    Value v;
    if (!parseName(token(rest), v.name)) return false;
    if (tag == 'S' || tag == 'E') {
        std::u16string text;
        if (!unescape(rest, text) || text.find(u'\0') != std::u16string::npos) return false;
        v.type = tag == 'S' ? REG_SZ : REG_EXPAND_SZ;
        v.data = dataOf(text);
    } else if (tag == 'D') {
        std::uint64_t n;
        if (!parseDecimal(rest, 0xFFFFFFFFu, n)) return false;
        v.type = REG_DWORD;
        v.data = {(BYTE)n, (BYTE)(n >> 8), (BYTE)(n >> 16), (BYTE)(n >> 24)};
    } else {
        std::uint64_t type;
        if (!parseDecimal(token(rest), 0xFFFFFFFFu, type)) return false;
        if (rest.size() % 2) return false;
        v.type = (DWORD)type;
        v.data.reserve(rest.size() / 2);
        for (std::size_t i = 0; i < rest.size(); i += 2) {
            int hi = hexDigit(rest[i]), lo = hexDigit(rest[i + 1]);
            if (hi < 0 || lo < 0) return false;
            v.data.push_back((BYTE)(hi * 16 + lo));
        }
    }
    key.values.push_back(std::move(v));
    return true;
}

void appendKey(std::string& out, const Key& key, std::u16string& path) {
    for (const Value& v : key.values) {
        bool text = (v.type == REG_SZ || v.type == REG_EXPAND_SZ) && isPlainString(v.data);
        if (text) {
            out += v.type == REG_SZ ? "S " : "E ";
            appendName(out, v.name);
            out += ' ';
            appendEscaped(out, stringOf(v.data));
        } else if (v.type == REG_DWORD && v.data.size() == 4) {
            out += "D ";
            appendName(out, v.name);
            out += ' ';
            DWORD n = (DWORD)v.data[0] | ((DWORD)v.data[1] << 8) | ((DWORD)v.data[2] << 16) | ((DWORD)v.data[3] << 24);
            out += std::to_string(n);
        } else {
            out += "H ";
            appendName(out, v.name);
            out += ' ';
            out += std::to_string(v.type);
            out += ' ';
            for (BYTE b : v.data) {
                out += kHex[b >> 4];
                out += kHex[b & 0xF];
            }
        }
        out += '\n';
    }
    for (const auto& [name, child] : key.subkeys) {
        std::size_t mark = path.size();
        if (!path.empty()) path += u'\\';
        path += child->name;
        out += "K ";
        for (int shift = 60; shift >= 0; shift -= 4) out += kHex[(child->id >> shift) & 0xF];
        out += ' ';
        appendEscaped(out, path);
        out += '\n';
        appendKey(out, *child, path);
        path.resize(mark);
    }
}

}  // namespace

std::size_t parseHive(std::string_view text, Key& root) {
    root.subkeys.clear();
    root.values.clear();
    std::size_t skipped = 0;
    Key* current = &root;
    bool first = true;
    while (!text.empty()) {
        std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        bool header = first && line.substr(0, 12) == "kez-registry";
        first = false;
        if (header || line.empty()) continue;
        if (line.size() < 2 || line[1] != ' ') {
            ++skipped;
            continue;
        }
        char tag = line[0];
        std::string_view rest = line.substr(2);
        if (tag == 'K') {
            bool idDamaged = false;
            current = parseKeyLine(rest, root, idDamaged);
            if (!current || idDamaged) ++skipped;
        } else if (tag == 'S' || tag == 'E' || tag == 'D' || tag == 'H') {
            if (!current || !parseValueLine(tag, rest, *current)) ++skipped;
        } else {
            ++skipped;
        }
    }
    mergeRepeatedValues(root);
    return skipped;
}

std::string serializeHive(const Key& root) {
    std::string out = "kez-registry 1\n";
    std::u16string path;
    appendKey(out, root, path);
    return out;
}

}  // namespace platform::registry
