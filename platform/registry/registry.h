// The registry store: per-user keys with typed values, under the current user's hive and
// the classes root, with the Windows Reg* names and semantics (wide-character API).
//
// Storage: one file per hive ("HKEY_CURRENT_USER.hive", ...; format in registry/hive.h) in the
// folder named by PLATFORM_REGISTRY_DIR, or $XDG_CONFIG_HOME/kez-registry (~/.config/...) when
// unset; PlatformSetRegistryDir overrides both. The folder and the file are created at the
// first change. Every change is written at once, atomically (temporary file, fsync, rename),
// under a lock file in the folder, after re-reading the hive if another process changed it:
// two processes writing at once lose nothing. Reads re-read the file when it changed.
// A handle names its key: once the key is deleted (by anyone), the handle's operations fail
// with ERROR_KEY_DELETED. All functions are safe to call from several threads.
#pragma once

#include "automation/wintypes.h"

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LSTATUS = LONG;

#define HKEY_CLASSES_ROOT ((HKEY)(std::uintptr_t)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(std::uintptr_t)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(std::uintptr_t)0x80000002u)

// Value types
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4

// Access rights (accepted, not enforced)
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

#define REG_OPTION_NON_VOLATILE 0
#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2

// Key paths use '\' between names and are case-insensitive, as on Windows.
PLATFORM_API LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR cls, DWORD options,
                                     REGSAM sam, void* security, PHKEY result, DWORD* disposition);
PLATFORM_API LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM sam, PHKEY result);
PLATFORM_API LSTATUS RegCloseKey(HKEY key);
// Value name null or empty: the key's default value. REG_SZ data is UTF-16 with its zero.
PLATFORM_API LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                                    DWORD size);
// ERROR_MORE_DATA with *size set when the buffer is short; data may be null to ask the size.
PLATFORM_API LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, DWORD* reserved, DWORD* type, BYTE* data,
                                      DWORD* size);
PLATFORM_API LSTATUS RegDeleteValueW(HKEY key, LPCWSTR valueName);
// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED otherwise, as on Windows).
PLATFORM_API LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey);
// Deletes a key with everything below it.
PLATFORM_API LSTATUS RegDeleteTreeW(HKEY key, LPCWSTR subKey);
PLATFORM_API LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, DWORD* nameLen, DWORD* reserved,
                                   LPWSTR cls, DWORD* clsLen, void* lastWrite);
PLATFORM_API LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR name, DWORD* nameLen, DWORD* reserved,
                                   DWORD* type, BYTE* data, DWORD* dataLen);

// Counts and longest lengths (in characters without the zero for names, in bytes for data)
// of a key's subkeys and values; any pointer may be null. Classes are always empty.
PLATFORM_API LSTATUS RegQueryInfoKeyW(HKEY key, LPWSTR cls, DWORD* clsLen, DWORD* reserved, DWORD* subKeys,
                                      DWORD* maxSubKeyLen, DWORD* maxClassLen, DWORD* values,
                                      DWORD* maxValueNameLen, DWORD* maxValueLen, DWORD* securityDescriptor,
                                      void* lastWrite);

// Redirects the store (null: back to the default); for tests and packaging.
PLATFORM_API void PlatformSetRegistryDir(const char* dir);
// The folder in use, UTF-8.
PLATFORM_API const char* PlatformRegistryDir();
