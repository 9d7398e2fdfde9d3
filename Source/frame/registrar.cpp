#include "frame/registrar.h"

#include <memory>

#include "registry/registry.h"

namespace kez::frame {

namespace {

HRESULT FromWin32(LONG err) { return err == ERROR_SUCCESS ? S_OK : MAKE_HRESULT(1, 7, err & 0xFFFF); }

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'A' && x <= u'Z') x = char16_t(x + 32);
        if (y >= u'A' && y <= u'Z') y = char16_t(y + 32);
        if (x != y) return false;
    }
    return true;
}

struct Token {
    enum Kind { Word, Quoted, Open, Close, Equals, End } kind;
    std::u16string text;
};

class Lexer {
public:
    explicit Lexer(std::u16string_view s) : s_(s) {}

    bool Next(Token& t) {
        while (pos_ < s_.size() && IsSpace(s_[pos_])) ++pos_;
        t.text.clear();
        if (pos_ >= s_.size()) {
            t.kind = Token::End;
            return true;
        }
        char16_t c = s_[pos_];
        if (c == u'{' || c == u'}' || c == u'=') {
            t.kind = c == u'{' ? Token::Open : c == u'}' ? Token::Close : Token::Equals;
            ++pos_;
            return true;
        }
        if (c == u'\'') {
            t.kind = Token::Quoted;
            ++pos_;
            for (;;) {
                if (pos_ >= s_.size()) return false;  // unterminated string
                if (s_[pos_] == u'\'') {
                    if (pos_ + 1 < s_.size() && s_[pos_ + 1] == u'\'') {
                        t.text += u'\'';
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    return true;
                }
                t.text += s_[pos_++];
            }
        }
        t.kind = Token::Word;
        while (pos_ < s_.size() && !IsSpace(s_[pos_]) && s_[pos_] != u'{' && s_[pos_] != u'}' &&
               s_[pos_] != u'=' && s_[pos_] != u'\'')
            t.text += s_[pos_++];
        return true;
    }

private:
    static bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
    std::u16string_view s_;
    size_t pos_ = 0;
};

struct Node {
    std::u16string name;
    bool isValue = false;
    bool noRemove = false;
    bool forceRemove = false;
    bool hasData = false;
    DWORD type = REG_SZ;
    std::u16string data;
    std::vector<Node> children;
};

class Parser {
public:
    explicit Parser(std::u16string_view s) : lex_(s) {}

    // Roots: a hive word followed by a block.
    bool ParseRoots(std::vector<Node>& roots) {
        if (!Advance()) return false;
        while (tok_.kind != Token::End) {
            Node root;
            if (tok_.kind != Token::Word) return false;
            root.name = tok_.text;
            if (!Advance()) return false;
            if (tok_.kind == Token::Open && !ParseBlock(root.children)) return false;
            roots.push_back(std::move(root));
        }
        return true;
    }

private:
    bool Advance() { return lex_.Next(tok_); }

    // After '{': entries until '}'.
    bool ParseBlock(std::vector<Node>& out) {
        if (!Advance()) return false;
        while (tok_.kind != Token::Close) {
            if (tok_.kind == Token::End) return false;
            Node n;
            if (!ParseEntry(n)) return false;
            out.push_back(std::move(n));
        }
        return Advance();  // past '}'
    }

    bool ParseEntry(Node& n) {
        for (;;) {
            if (tok_.kind != Token::Word) break;
            if (EqualsNoCase(tok_.text, u"NoRemove"))
                n.noRemove = true;
            else if (EqualsNoCase(tok_.text, u"ForceRemove"))
                n.forceRemove = true;
            else if (EqualsNoCase(tok_.text, u"val"))
                n.isValue = true;
            else
                break;
            if (!Advance()) return false;
        }
        if (tok_.kind != Token::Word && tok_.kind != Token::Quoted) return false;
        n.name = tok_.text;
        if (!Advance()) return false;
        if (tok_.kind == Token::Equals) {
            if (!Advance() || tok_.kind != Token::Word) return false;
            if (EqualsNoCase(tok_.text, u"s"))
                n.type = REG_SZ;
            else if (EqualsNoCase(tok_.text, u"d"))
                n.type = REG_DWORD;
            else
                return false;
            if (!Advance() || tok_.kind != Token::Quoted) return false;
            n.data = tok_.text;
            n.hasData = true;
            if (!Advance()) return false;
        } else if (n.isValue) {
            return false;  // a value needs data
        }
        if (tok_.kind == Token::Open) {
            if (n.isValue) return false;
            if (!ParseBlock(n.children)) return false;
        }
        return true;
    }

    Lexer lex_;
    Token tok_{Token::End, {}};
};

HKEY RootKey(std::u16string_view name) {
    if (EqualsNoCase(name, u"HKCR") || EqualsNoCase(name, u"HKEY_CLASSES_ROOT")) return HKEY_CLASSES_ROOT;
    if (EqualsNoCase(name, u"HKCU") || EqualsNoCase(name, u"HKEY_CURRENT_USER")) return HKEY_CURRENT_USER;
    if (EqualsNoCase(name, u"HKLM") || EqualsNoCase(name, u"HKEY_LOCAL_MACHINE")) return HKEY_LOCAL_MACHINE;
    return nullptr;
}

LONG SetData(HKEY key, const Node& n) {
    const char16_t* valueName = n.isValue ? n.name.c_str() : nullptr;
    if (n.type == REG_DWORD) {
        DWORD v = 0;
        for (char16_t c : n.data) {
            if (c < u'0' || c > u'9') break;
            v = v * 10 + DWORD(c - u'0');
        }
        return RegSetValueExW(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    }
    return RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(n.data.c_str()),
                          DWORD((n.data.size() + 1) * sizeof(char16_t)));
}

HRESULT RegisterNodes(HKEY parent, const std::vector<Node>& nodes) {
    for (const Node& n : nodes) {
        if (n.isValue) {
            if (HRESULT hr = FromWin32(SetData(parent, n)); FAILED(hr)) return hr;
            continue;
        }
        if (n.forceRemove) {
            LONG err = RegDeleteTreeW(parent, n.name.c_str());
            if (err != ERROR_SUCCESS && err != ERROR_FILE_NOT_FOUND) return FromWin32(err);
        }
        HKEY key = nullptr;
        if (HRESULT hr = FromWin32(RegCreateKeyExW(parent, n.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                   KEY_ALL_ACCESS, nullptr, &key, nullptr));
            FAILED(hr))
            return hr;
        HRESULT hr = n.hasData ? FromWin32(SetData(key, n)) : S_OK;
        if (SUCCEEDED(hr)) hr = RegisterNodes(key, n.children);
        RegCloseKey(key);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

bool IsEmptyKey(HKEY key) {
    char16_t name[256];
    DWORD len = 256;
    if (RegEnumKeyExW(key, 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_NO_MORE_ITEMS) return false;
    len = 256;
    return RegEnumValueW(key, 0, name, &len, nullptr, nullptr, nullptr, nullptr) == ERROR_NO_MORE_ITEMS;
}

bool Missing(LONG err) { return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND; }

HRESULT UnregisterNodes(HKEY parent, const std::vector<Node>& nodes) {
    // Children first, in reverse order, so a key is emptied before it is looked at.
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        const Node& n = *it;
        if (n.isValue) {
            LONG err = RegDeleteValueW(parent, n.name.c_str());
            if (err != ERROR_SUCCESS && !Missing(err)) return FromWin32(err);
            continue;
        }
        if (n.forceRemove && !n.noRemove) {
            LONG err = RegDeleteTreeW(parent, n.name.c_str());
            if (err != ERROR_SUCCESS && !Missing(err)) return FromWin32(err);
            continue;
        }
        HKEY key = nullptr;
        LONG err = RegOpenKeyExW(parent, n.name.c_str(), 0, KEY_ALL_ACCESS, &key);
        if (Missing(err)) continue;
        if (err != ERROR_SUCCESS) return FromWin32(err);
        HRESULT hr = UnregisterNodes(key, n.children);
        if (SUCCEEDED(hr) && n.hasData && !n.noRemove) {
            LONG e = RegDeleteValueW(key, nullptr);
            if (e != ERROR_SUCCESS && !Missing(e)) hr = FromWin32(e);
        }
        bool empty = SUCCEEDED(hr) && !n.noRemove && IsEmptyKey(key);
        RegCloseKey(key);
        if (FAILED(hr)) return hr;
        if (empty) {
            LONG e = RegDeleteKeyW(parent, n.name.c_str());
            if (e != ERROR_SUCCESS && !Missing(e)) return FromWin32(e);
        }
    }
    return S_OK;
}

}  // namespace

std::u16string ExpandScript(std::u16string_view script, const Replacements& replacements) {
    std::u16string out;
    out.reserve(script.size());
    for (size_t i = 0; i < script.size(); ++i) {
        if (script[i] != u'%') {
            out += script[i];
            continue;
        }
        size_t end = script.find(u'%', i + 1);
        if (end == std::u16string_view::npos) {
            out += script.substr(i);
            break;
        }
        std::u16string_view name = script.substr(i + 1, end - i - 1);
        if (name.empty()) {
            out += u'%';
        } else {
            bool found = false;
            for (const auto& [key, value] : replacements) {
                if (!EqualsNoCase(key, name)) continue;
                for (char16_t c : value) {
                    out += c;
                    if (c == u'\'') out += u'\'';
                }
                found = true;
                break;
            }
            if (!found) out.append(script.substr(i, end - i + 1));
        }
        i = end;
    }
    return out;
}

HRESULT RunScript(std::u16string_view script, bool registerMode) {
    std::vector<Node> roots;
    Parser parser(script);
    if (!parser.ParseRoots(roots)) return E_INVALIDARG;
    for (const Node& root : roots)
        if (!RootKey(root.name)) return E_INVALIDARG;
    for (const Node& root : roots) {
        HKEY hive = RootKey(root.name);
        HRESULT hr = registerMode ? RegisterNodes(hive, root.children) : UnregisterNodes(hive, root.children);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

}  // namespace kez::frame
