// The program's registry values read and written through one small key wrapper.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "registry/registry.h"

// A key of the current user's settings, created when missing and closed when it goes out of
// scope; a key that cannot be opened reads nothing and writes nothing.
class TRegistryKey {
public:
    explicit TRegistryKey(const char16_t* path) {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &key_, nullptr) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~TRegistryKey() {
        if (key_)
            RegCloseKey(key_);
    }
    TRegistryKey(const TRegistryKey&) = delete;
    TRegistryKey& operator=(const TRegistryKey&) = delete;

    explicit operator bool() const { return key_ != nullptr; }

    std::optional<int> ReadInteger(const char16_t* name) const {
        DWORD type = 0, value = 0, size = sizeof(value);
        if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
            type != REG_DWORD || size != sizeof(value))
            return std::nullopt;
        return std::int32_t(value);
    }

    std::optional<QString> ReadString(const char16_t* name) const {
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return std::nullopt;
        std::vector<char16_t> buffer(size / 2 + 1, 0);
        DWORD got = DWORD(buffer.size() * 2);
        if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got) != ERROR_SUCCESS)
            return std::nullopt;
        qsizetype n = qsizetype(got / 2);
        while (n > 0 && buffer[size_t(n - 1)] == 0)
            --n;
        return QString::fromUtf16(buffer.data(), n);
    }

    std::optional<bool> ReadBool(const char16_t* name) const {
        if (auto v = ReadInteger(name))
            return *v != 0;
        return std::nullopt;
    }

    bool WriteInteger(const char16_t* name, int value) const {
        const DWORD v = DWORD(std::int32_t(value));
        return RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v)) == ERROR_SUCCESS;
    }

    bool WriteString(const char16_t* name, const QString& value) const {
        const std::u16string s = value.toStdU16String();
        return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(s.c_str()),
                              DWORD((s.size() + 1) * sizeof(char16_t))) == ERROR_SUCCESS;
    }

private:
    HKEY key_ = nullptr;
};
