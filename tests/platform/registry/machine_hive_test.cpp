// The machine-wide classes hive an installation ships: read beneath the user's classes,
// never written through, and the user's own entry wins.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "registry/registry.h"

namespace {

std::string tempDir(const char* name) {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name + "XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back(0);
    EXPECT_NE(::mkdtemp(buf.data()), nullptr);
    return buf.data();
}

void setServer(const char16_t* clsid, const std::u16string& module) {
    HKEY k = nullptr;
    std::u16string path = std::u16string(u"CLSID\\") + clsid + u"\\InprocServer32";
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(module.c_str()),
                             DWORD((module.size() + 1) * 2)),
              ERROR_SUCCESS);
    RegCloseKey(k);
}

// The server a class names, "<none>" when it cannot be opened.
std::u16string server(const char16_t* clsid, HKEY* keep = nullptr) {
    HKEY k = nullptr;
    std::u16string path = std::u16string(u"CLSID\\") + clsid + u"\\InprocServer32";
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return u"<none>";
    char16_t data[256] = {};
    DWORD size = sizeof data, type = 0;
    LONG rc = RegQueryValueExW(k, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    if (keep)
        *keep = k;
    else
        RegCloseKey(k);
    return rc == ERROR_SUCCESS ? std::u16string(data) : u"<no value>";
}

std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(MachineHive, ReadBeneathTheUsersClassesAndNeverWritten) {
    const std::string machine = tempDir("machine"), user = tempDir("user");
    PlatformSetRegistryDir(machine.c_str());
    setServer(u"{A}", u"/opt/machine-a.so");
    setServer(u"{B}", u"/opt/machine-b.so");
    const std::string machineHive = readWhole(machine + "/HKEY_CLASSES_ROOT.hive");

    ::setenv("PLATFORM_MACHINE_REGISTRY_DIR", machine.c_str(), 1);
    PlatformSetRegistryDir(user.c_str());
    setServer(u"{A}", u"/home/me/user-a.so");
    EXPECT_EQ(server(u"{A}"), u"/home/me/user-a.so");  // the user's registration wins
    EXPECT_EQ(server(u"{C}"), u"<none>");

    HKEY b = nullptr;
    EXPECT_EQ(server(u"{B}", &b), u"/opt/machine-b.so");
    const std::u16string other = u"x.so";
    EXPECT_EQ(RegSetValueExW(b, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(other.c_str()), 10),
              ERROR_ACCESS_DENIED);
    RegCloseKey(b);
    EXPECT_EQ(readWhole(machine + "/HKEY_CLASSES_ROOT.hive"), machineHive);

    // A registration the user makes later overrides the machine's.
    setServer(u"{B}", u"/home/me/user-b.so");
    EXPECT_EQ(server(u"{B}"), u"/home/me/user-b.so");

    ::setenv("PLATFORM_MACHINE_REGISTRY_DIR", "", 1);  // none
    PlatformSetRegistryDir(user.c_str());
    setServer(u"{B}", u"");
    EXPECT_EQ(server(u"{A}"), u"/home/me/user-a.so");
    ::unsetenv("PLATFORM_MACHINE_REGISTRY_DIR");
    PlatformSetRegistryDir(nullptr);
}

}  // namespace
