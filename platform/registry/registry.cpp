// The registry store: hives cached in memory, re-read when their file changed, and written
// through on every change under an exclusive lock file (see registry.h).
#include "registry/registry.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "file/SafeSave.h"
#include "registry/hive.h"

using platform::registry::Key;
using platform::registry::Value;

struct HKEY__ {
    int hive;
    std::vector<std::u16string> path;  // names from the hive's root
    std::uint64_t id;                  // identity of the key when the handle was made
};

namespace {

constexpr int kHiveCount = 4;
// The fourth is the machine-wide classes hive: read-only, consulted beneath the user's own.
constexpr int kMachineClasses = 3;
const char* const kHiveFiles[kHiveCount] = {"HKEY_CLASSES_ROOT.hive", "HKEY_CURRENT_USER.hive",
                                            "HKEY_LOCAL_MACHINE.hive", "HKEY_CLASSES_ROOT.hive"};

struct FileIdentity {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity identityOf(const struct stat& st) {
    return {true, st.st_dev, st.st_ino, st.st_size, (std::int64_t)st.st_mtim.tv_sec * 1000000000 + st.st_mtim.tv_nsec};
}

struct Hive {
    Key root;
    bool loaded = false;  // false: read the file at the next use, whatever its identity
    FileIdentity identity;
    FileIdentity damagedIdentity;  // the damaged file last set aside
    bool saveFailureTold = false;
};

struct Store {
    std::mutex mutex;
    std::string dir;
    bool dirSet = false;  // by PlatformSetRegistryDir
    std::string machineDir;
    bool machineDirKnown = false;
    Hive hives[kHiveCount];
    std::set<HKEY__*> handles;
};

Store& store() {
    static Store* s = new Store;  // never destroyed: handles may be closed during exit
    return *s;
}

std::string defaultDir() {
    if (const char* env = std::getenv("PLATFORM_REGISTRY_DIR"); env && *env) return env;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return std::string(xdg) + "/kez-registry";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/kez-registry";
}

const std::string& dirLocked(Store& s) {
    if (!s.dirSet && s.dir.empty()) s.dir = defaultDir();
    return s.dir;
}

// The machine-wide registrations an installation ships: "registry" beside the platform
// library, unless PLATFORM_MACHINE_REGISTRY_DIR names another folder (empty: none).
const std::string& machineDirLocked(Store& s) {
    if (s.machineDirKnown) return s.machineDir;
    s.machineDirKnown = true;
    if (const char* env = std::getenv("PLATFORM_MACHINE_REGISTRY_DIR")) {
        s.machineDir = env;
        return s.machineDir;
    }
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&defaultDir), &info) && info.dli_fname) {
        std::string lib = info.dli_fname;
        auto slash = lib.rfind('/');
        if (slash != std::string::npos) s.machineDir = lib.substr(0, slash) + "/registry";
    }
    return s.machineDir;
}

std::string hivePath(Store& s, int hive) {
    if (hive == kMachineClasses) {
        const std::string& dir = machineDirLocked(s);
        return dir.empty() ? std::string() : dir + "/" + kHiveFiles[hive];
    }
    return dirLocked(s) + "/" + kHiveFiles[hive];
}

int hiveIndex(HKEY key) {
    auto v = (std::uintptr_t)key;
    if (v >= 0x80000000u && v <= 0x80000002u) return (int)(v - 0x80000000u);
    return -1;
}

bool readFile(int fd, std::string& out) {
    out.clear();
    char chunk[65536];
    for (;;) {
        ssize_t r = ::read(fd, chunk, sizeof chunk);
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (r == 0) return true;
        out.append(chunk, (std::size_t)r);
    }
}

bool writeAll(int fd, const std::string& text);

// Writes text to path through a temporary file and a rename.
bool writeFileSafely(const std::string& path, const std::string& text) {
    platform::file::SafeSave save(path);
    int fd = ::open(save.TempPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = writeAll(fd, text);
    ok = ::close(fd) == 0 && ok;
    return ok && save.Commit() == 0;
}

// A hive file with lines that cannot be read is copied aside before a save can drop them:
// "<hive>.damaged", or the first "<hive>.damaged.N" that is free or holds the same text.
void keepDamaged(const std::string& path, const std::string& text, std::size_t lines) {
    std::string backup;
    for (int n = 0; n < 100 && backup.empty(); ++n) {
        std::string name = path + ".damaged";
        if (n) name.append(1, '.').append(std::to_string(n));
        int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT && writeFileSafely(name, text)) backup = name;
            if (errno != ENOENT) break;
            continue;
        }
        std::string old;
        bool same = readFile(fd, old) && old == text;
        ::close(fd);
        if (same) backup = name;
    }
    if (backup.empty())
        std::fprintf(stderr, "registry: %zu damaged line(s) in %s were skipped; no copy could be kept\n", lines,
                     path.c_str());
    else
        std::fprintf(stderr, "registry: %zu damaged line(s) in %s were skipped; the file as it was is kept as %s\n",
                     lines, path.c_str(), backup.c_str());
}

// Brings the cached hive up to date with its file. A missing file is an empty hive; a file
// that cannot be read leaves the cache as it was.
bool refresh(Store& s, int hive) {
    Hive& h = s.hives[hive];
    std::string path = hivePath(s, hive);
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) return h.loaded;
        if (!h.loaded || h.identity.exists) {
            h.root.subkeys.clear();
            h.root.values.clear();
            h.identity = {};
            h.loaded = true;
        }
        return true;
    }
    if (h.loaded && identityOf(st) == h.identity) return true;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return h.loaded;
    std::string text;
    bool ok = ::fstat(fd, &st) == 0 && readFile(fd, text);
    ::close(fd);
    if (!ok) return h.loaded;
    const std::size_t damaged = platform::registry::parseHive(text, h.root);
    if (damaged > 0 && !(identityOf(st) == h.damagedIdentity)) {
        h.damagedIdentity = identityOf(st);
        keepDamaged(path, text, damaged);
    }
    h.identity = identityOf(st);
    h.loaded = true;
    return true;
}

bool makeDirs(const std::string& dir) {
    std::string part;
    std::size_t i = 0;
    while (i <= dir.size()) {
        std::size_t slash = dir.find('/', i);
        if (slash == std::string::npos) slash = dir.size();
        part = dir.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        i = slash + 1;
    }
    struct stat st;
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool writeAll(int fd, const std::string& text) {
    const char* p = text.data();
    std::size_t n = text.size();
    while (n > 0) {
        ssize_t r = ::write(fd, p, n);
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += r;
        n -= (std::size_t)r;
    }
    return true;
}

// Writes the cached hive to its file: temporary file, fsync, rename.
bool save(Store& s, int hive) {
    Hive& h = s.hives[hive];
    std::string path = hivePath(s, hive);
    platform::file::RemoveStaleTemps(path);  // left by a killed save
    std::string tmp = platform::file::TempPathFor(path, ::getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = writeAll(fd, platform::registry::serializeHive(h.root)) && ::fsync(fd) == 0;
    int err = ok ? 0 : errno;
    struct stat st;
    ok = ok && ::fstat(fd, &st) == 0;
    if (::close(fd) != 0 && ok) {
        err = errno;
        ok = false;
    }
    if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) {
        err = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        errno = err;
        return false;
    }
    // The folder is not synced: after a crash the rename may be lost, but the hive file is
    // always one complete version, the old or the new.
    h.identity = identityOf(st);  // rename keeps inode, size and times
    return true;
}

// Holds the store's lock file for one change.
class FileLock {
public:
    explicit FileLock(const std::string& dir) {
        if (!makeDirs(dir)) return;
        fd_ = ::open((dir + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return;
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd_);
                fd_ = -1;
                return;
            }
        }
    }
    ~FileLock() {
        if (fd_ >= 0) ::close(fd_);  // releases the lock
    }
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Splits a sub key path. Empty: no names. Leading, doubled or over-long names are invalid;
// one trailing '\' is tolerated.
bool splitPath(LPCWSTR subKey, std::vector<std::u16string>& names) {
    names.clear();
    if (!subKey || !*subKey) return true;
    std::u16string_view p(subKey);
    if (p.back() == u'\\') p.remove_suffix(1);
    std::size_t start = 0;
    while (start <= p.size()) {
        std::size_t bs = p.find(u'\\', start);
        if (bs == std::u16string_view::npos) bs = p.size();
        std::u16string_view name = p.substr(start, bs - start);
        if (name.empty() || name.size() > platform::registry::kMaxKeyNameLength) return false;
        names.emplace_back(name);
        start = bs + 1;
    }
    return true;
}

struct Target {
    int hive = -1;
    std::vector<std::u16string> path;
    std::uint64_t id = 0;  // 0: a hive's root
};

LONG targetOf(Store& s, HKEY key, Target& t) {
    int hive = hiveIndex(key);
    if (hive >= 0) {
        t = {hive, {}, 0};
        return ERROR_SUCCESS;
    }
    if (!key || !s.handles.count(key)) return ERROR_INVALID_HANDLE;
    t = {key->hive, key->path, key->id};
    return ERROR_SUCCESS;
}

// The key a target names in the (refreshed) cache; null when it was deleted.
Key* resolve(Store& s, const Target& t) {
    Key* k = &s.hives[t.hive].root;
    for (const auto& name : t.path) {
        k = k->child(name);
        if (!k) return nullptr;
    }
    return k->id == t.id ? k : nullptr;
}

LONG resolveForRead(Store& s, HKEY key, Key*& k) {
    Target t;
    if (LONG rc = targetOf(s, key, t)) return rc;
    refresh(s, t.hive);
    k = resolve(s, t);
    return k ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

// Runs one change: lock, refresh, apply, save. change(root of the hive, key) returns an error
// code and says whether it changed anything.
template <class F>
LONG mutate(Store& s, HKEY key, F change) {
    Target t;
    if (LONG rc = targetOf(s, key, t)) return rc;
    if (t.hive == kMachineClasses) return ERROR_ACCESS_DENIED;
    FileLock lock(dirLocked(s));
    if (!lock.held()) return ERROR_CANTWRITE;
    Hive& h = s.hives[t.hive];
    h.loaded = false;  // under the lock, always start from what the file holds now
    if (!refresh(s, t.hive)) return ERROR_CANTREAD;
    Key* k = resolve(s, t);
    if (!k) return ERROR_KEY_DELETED;
    bool changed = false;
    LONG rc = change(*k, changed);
    if (rc != ERROR_SUCCESS || !changed) return rc;
    if (!save(s, t.hive)) {
        h.loaded = false;  // the cache holds a change the file does not
        if (!h.saveFailureTold) {
            const int err = errno;
            h.saveFailureTold = true;
            std::fprintf(stderr, "registry: settings cannot be saved to %s: %s\n", hivePath(s, t.hive).c_str(),
                         platform::file::SaveErrorText(err).c_str());
        }
        return ERROR_CANTWRITE;
    }
    return ERROR_SUCCESS;
}

HKEY newHandle(Store& s, int hive, std::vector<std::u16string> path, std::uint64_t id) {
    auto* h = new HKEY__{hive, std::move(path), id};
    s.handles.insert(h);
    return h;
}

// Hands out a handle for the key `names` below target t, which must exist in the cache.
HKEY handleBelow(Store& s, const Target& t, const std::vector<std::u16string>& names) {
    std::vector<std::u16string> path = t.path;
    Key* cur = resolve(s, t);
    for (const auto& n : names) {
        cur = cur->child(n);
        path.push_back(cur->name);
    }
    return newHandle(s, t.hive, std::move(path), cur->id);
}

Key* walk(Key* k, const std::vector<std::u16string>& names) {
    for (const auto& n : names) {
        if (!k) return nullptr;
        k = k->child(n);
    }
    return k;
}

std::u16string valueName(LPCWSTR name) { return name ? std::u16string(name) : std::u16string(); }

LONG copyName(const std::u16string& name, LPWSTR out, DWORD* len) {
    if (!out || !len) return ERROR_INVALID_PARAMETER;
    if (*len < name.size() + 1) return ERROR_MORE_DATA;
    std::memcpy(out, name.data(), name.size() * sizeof(char16_t));
    out[name.size()] = 0;
    *len = (DWORD)name.size();
    return ERROR_SUCCESS;
}

}  // namespace

PLATFORM_API LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, void*, PHKEY result,
                                     DWORD* disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::vector<std::u16string> names;
    if (!splitPath(subKey, names)) return ERROR_INVALID_PARAMETER;
    Store& s = store();
    std::lock_guard guard(s.mutex);
    Target t;
    if (LONG rc = targetOf(s, key, t)) return rc;
    if (t.path.size() + names.size() > platform::registry::kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
    // Opening an existing key changes nothing: no lock, no write.
    Key* base = nullptr;
    if (LONG rc = resolveForRead(s, key, base)) return rc;
    if (walk(base, names)) {
        *result = handleBelow(s, t, names);
        if (disposition) *disposition = REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    }
    bool created = false;
    LONG rc = mutate(s, key, [&](Key& k, bool& changed) {
        Key* cur = &k;
        for (const auto& n : names) {
            Key* c = cur->child(n);
            if (!c) {
                auto fresh = std::make_unique<Key>();
                fresh->name = n;
                fresh->id = platform::registry::newKeyId();
                c = fresh.get();
                cur->subkeys.emplace(n, std::move(fresh));
                changed = created = true;
            }
            cur = c;
        }
        return ERROR_SUCCESS;
    });
    if (rc) return rc;
    *result = handleBelow(s, t, names);
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

PLATFORM_API LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM, PHKEY result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::vector<std::u16string> names;
    if (!splitPath(subKey, names)) return ERROR_INVALID_PARAMETER;
    Store& s = store();
    std::lock_guard guard(s.mutex);
    Target t;
    if (LONG rc = targetOf(s, key, t)) return rc;
    Key* base = nullptr;
    if (LONG rc = resolveForRead(s, key, base)) return rc;
    if (!walk(base, names)) {
        // A class the user has not registered may be registered for the machine.
        if (t.hive != 0 || machineDirLocked(s).empty()) return ERROR_FILE_NOT_FOUND;
        Target m{kMachineClasses, t.path, 0};
        refresh(s, kMachineClasses);
        Key* mbase = walk(&s.hives[kMachineClasses].root, t.path);
        if (!mbase || !walk(mbase, names)) return ERROR_FILE_NOT_FOUND;
        m.id = t.path.empty() ? 0 : mbase->id;
        *result = handleBelow(s, m, names);
        return ERROR_SUCCESS;
    }
    *result = handleBelow(s, t, names);
    return ERROR_SUCCESS;
}

PLATFORM_API LSTATUS RegCloseKey(HKEY key) {
    if (hiveIndex(key) >= 0) return ERROR_SUCCESS;
    Store& s = store();
    std::lock_guard guard(s.mutex);
    if (!key || !s.handles.erase(key)) return ERROR_INVALID_HANDLE;
    delete key;
    return ERROR_SUCCESS;
}

PLATFORM_API LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size) {
    if (!data && size) return ERROR_INVALID_PARAMETER;
    std::u16string name = ::valueName(valueName);
    if (name.size() > platform::registry::kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
    Store& s = store();
    std::lock_guard guard(s.mutex);
    return mutate(s, key, [&](Key& k, bool& changed) {
        Value v{name, type, std::vector<BYTE>(data, data + size)};
        if (Value* old = k.value(name)) {
            if (old->type == type && old->data == v.data) return ERROR_SUCCESS;
            old->type = type;
            old->data = std::move(v.data);
        } else {
            k.values.push_back(std::move(v));
        }
        changed = true;
        return ERROR_SUCCESS;
    });
}

PLATFORM_API LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, DWORD*, DWORD* type, BYTE* data, DWORD* size) {
    if (data && !size) return ERROR_INVALID_PARAMETER;
    Store& s = store();
    std::lock_guard guard(s.mutex);
    Key* k = nullptr;
    if (LONG rc = resolveForRead(s, key, k)) return rc;
    const Value* v = k->value(::valueName(valueName));
    if (!v) return ERROR_FILE_NOT_FOUND;
    if (type) *type = v->type;
    if (!size) return ERROR_SUCCESS;
    DWORD need = (DWORD)v->data.size();
    if (data) {
        if (*size < need) {
            *size = need;
            return ERROR_MORE_DATA;
        }
        if (need) std::memcpy(data, v->data.data(), need);
    }
    *size = need;
    return ERROR_SUCCESS;
}

PLATFORM_API LSTATUS RegDeleteValueW(HKEY key, LPCWSTR valueName) {
    std::u16string name = ::valueName(valueName);
    Store& s = store();
    std::lock_guard guard(s.mutex);
    return mutate(s, key, [&](Key& k, bool& changed) {
        for (auto it = k.values.begin(); it != k.values.end(); ++it) {
            if (platform::registry::sameName(it->name, name)) {
                k.values.erase(it);
                changed = true;
                return ERROR_SUCCESS;
            }
        }
        return ERROR_FILE_NOT_FOUND;
    });
}

namespace {

// Deletes the key `subKey` below `key`, or `key` itself when subKey is empty (not a hive's
// root). A tree delete with an empty subKey empties the key and keeps it.
LONG deleteBelow(Store& s, HKEY key, LPCWSTR subKey, bool tree) {
    std::vector<std::u16string> names;
    if (!splitPath(subKey, names)) return ERROR_INVALID_PARAMETER;
    Target t;
    if (LONG rc = targetOf(s, key, t)) return rc;
    if (names.empty() && !tree && t.path.empty()) return ERROR_ACCESS_DENIED;
    FileLock lock(dirLocked(s));
    if (!lock.held()) return ERROR_CANTWRITE;
    Hive& h = s.hives[t.hive];
    h.loaded = false;
    if (!refresh(s, t.hive)) return ERROR_CANTREAD;
    Key* base = resolve(s, t);
    if (!base) return ERROR_KEY_DELETED;
    if (names.empty() && tree) {
        if (base->subkeys.empty() && base->values.empty()) return ERROR_SUCCESS;
        base->subkeys.clear();
        base->values.clear();
    } else {
        Key* parent;
        std::u16string victimName;
        if (names.empty()) {
            parent = walk(&h.root, std::vector<std::u16string>(t.path.begin(), t.path.end() - 1));
            victimName = t.path.back();
        } else {
            parent = walk(base, std::vector<std::u16string>(names.begin(), names.end() - 1));
            victimName = names.back();
        }
        Key* victim = parent ? parent->child(victimName) : nullptr;
        if (!victim) return ERROR_FILE_NOT_FOUND;
        if (!tree && !victim->subkeys.empty()) return ERROR_ACCESS_DENIED;
        parent->subkeys.erase(victimName);
    }
    if (!save(s, t.hive)) {
        h.loaded = false;
        return ERROR_CANTWRITE;
    }
    return ERROR_SUCCESS;
}

}  // namespace

PLATFORM_API LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
    Store& s = store();
    std::lock_guard guard(s.mutex);
    return deleteBelow(s, key, subKey ? subKey : u"", false);
}

PLATFORM_API LSTATUS RegDeleteTreeW(HKEY key, LPCWSTR subKey) {
    Store& s = store();
    std::lock_guard guard(s.mutex);
    return deleteBelow(s, key, subKey, true);
}

PLATFORM_API LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, DWORD* nameLen, DWORD*, LPWSTR cls,
                                   DWORD* clsLen, void* lastWrite) {
    Store& s = store();
    std::lock_guard guard(s.mutex);
    Key* k = nullptr;
    if (LONG rc = resolveForRead(s, key, k)) return rc;
    if (index >= k->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    auto it = k->subkeys.begin();
    std::advance(it, index);
    if (LONG rc = copyName(it->second->name, name, nameLen)) return rc;
    if (cls && clsLen && *clsLen) *cls = 0;
    if (clsLen) *clsLen = 0;
    if (lastWrite) std::memset(lastWrite, 0, 8);
    return ERROR_SUCCESS;
}

PLATFORM_API LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR name, DWORD* nameLen, DWORD*, DWORD* type, BYTE* data,
                                   DWORD* dataLen) {
    if (data && !dataLen) return ERROR_INVALID_PARAMETER;
    Store& s = store();
    std::lock_guard guard(s.mutex);
    Key* k = nullptr;
    if (LONG rc = resolveForRead(s, key, k)) return rc;
    if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
    const Value& v = k->values[index];
    if (LONG rc = copyName(v.name, name, nameLen)) return rc;
    if (type) *type = v.type;
    if (dataLen) {
        DWORD need = (DWORD)v.data.size();
        if (data) {
            if (*dataLen < need) {
                *dataLen = need;
                return ERROR_MORE_DATA;
            }
            if (need) std::memcpy(data, v.data.data(), need);
        }
        *dataLen = need;
    }
    return ERROR_SUCCESS;
}

PLATFORM_API LSTATUS RegQueryInfoKeyW(HKEY key, LPWSTR cls, DWORD* clsLen, DWORD*, DWORD* subKeys,
                                      DWORD* maxSubKeyLen, DWORD* maxClassLen, DWORD* values,
                                      DWORD* maxValueNameLen, DWORD* maxValueLen, DWORD*, void* lastWrite) {
    Store& s = store();
    std::lock_guard guard(s.mutex);
    Key* k = nullptr;
    if (LONG rc = resolveForRead(s, key, k)) return rc;
    DWORD longestKey = 0, longestName = 0, longestData = 0;
    for (const auto& [n, c] : k->subkeys) longestKey = std::max(longestKey, (DWORD)c->name.size());
    for (const Value& v : k->values) {
        longestName = std::max(longestName, (DWORD)v.name.size());
        longestData = std::max(longestData, (DWORD)v.data.size());
    }
    if (cls && clsLen && *clsLen) *cls = 0;
    if (clsLen) *clsLen = 0;
    if (subKeys) *subKeys = (DWORD)k->subkeys.size();
    if (maxSubKeyLen) *maxSubKeyLen = longestKey;
    if (maxClassLen) *maxClassLen = 0;
    if (values) *values = (DWORD)k->values.size();
    if (maxValueNameLen) *maxValueNameLen = longestName;
    if (maxValueLen) *maxValueLen = longestData;
    if (lastWrite) std::memset(lastWrite, 0, 8);
    return ERROR_SUCCESS;
}

PLATFORM_API void PlatformSetRegistryDir(const char* dir) {
    Store& s = store();
    std::lock_guard guard(s.mutex);
    s.dirSet = dir && *dir;
    s.dir = s.dirSet ? dir : "";
    s.machineDirKnown = false;
    for (Hive& h : s.hives) {
        h.root.subkeys.clear();
        h.root.values.clear();
        h.loaded = false;
        h.identity = {};
    }
}

PLATFORM_API const char* PlatformRegistryDir() {
    Store& s = store();
    std::lock_guard guard(s.mutex);
    return dirLocked(s).c_str();
}
