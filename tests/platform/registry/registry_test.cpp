// The registry store through its Reg* functions: keys, values, enumeration, deletion under
// open handles, persistence, damaged hive files and two processes writing at once.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "registry/registry.h"

namespace {

std::string makeTempDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/regXXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back(0);
    EXPECT_NE(::mkdtemp(buf.data()), nullptr);
    return buf.data();
}

std::u16string u16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

LONG setString(HKEY k, const char16_t* name, const std::u16string& text, DWORD type = REG_SZ) {
    return RegSetValueExW(k, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          (DWORD)((text.size() + 1) * sizeof(char16_t)));
}

LONG setDword(HKEY k, const char16_t* name, DWORD v) {
    return RegSetValueExW(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
}

// Reads a value as raw bytes; returns the status.
LONG getRaw(HKEY k, const char16_t* name, DWORD& type, std::vector<BYTE>& data) {
    DWORD size = 0;
    LONG rc = RegQueryValueExW(k, name, nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS) return rc;
    data.assign(size, 0);
    rc = RegQueryValueExW(k, name, nullptr, &type, data.data(), &size);
    data.resize(size);
    return rc;
}

std::u16string getString(HKEY k, const char16_t* name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (getRaw(k, name, type, data) != ERROR_SUCCESS || data.size() < 2) return u"<missing>";
    return std::u16string(reinterpret_cast<const char16_t*>(data.data()), data.size() / 2 - 1);
}

DWORD getDword(HKEY k, const char16_t* name, DWORD fallback = 0xDEADBEEF) {
    DWORD v = 0, type = 0, size = sizeof v;
    if (RegQueryValueExW(k, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size) != ERROR_SUCCESS) return fallback;
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    return v;
}

std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = makeTempDir();
        PlatformSetRegistryDir(dir_.c_str());
    }
    void TearDown() override { PlatformSetRegistryDir(nullptr); }
    // Forgets the cache, as a new process would start.
    void reopenStore() {
        PlatformSetRegistryDir(nullptr);
        PlatformSetRegistryDir(dir_.c_str());
    }
    HKEY create(HKEY root, const char16_t* path, DWORD* disposition = nullptr) {
        HKEY k = nullptr;
        EXPECT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, disposition), ERROR_SUCCESS);
        return k;
    }
    std::string dir_;
};

TEST_F(Registry, CreateOpenWriteReadAndTypes) {
    DWORD disp = 0;
    HKEY k = create(HKEY_CURRENT_USER, u"SOFTWARE\\Tarvel Free Audio Cutter", &disp);
    EXPECT_EQ(disp, (DWORD)REG_CREATED_NEW_KEY);
    EXPECT_EQ(std::string(PlatformRegistryDir()), dir_);

    ASSERT_EQ(setString(k, u"joinName", u"Undefined"), ERROR_SUCCESS);
    ASSERT_EQ(setString(k, u"path", u"%HOME%\\x", REG_EXPAND_SZ), ERROR_SUCCESS);
    ASSERT_EQ(setDword(k, u"mp3Samplerate", 44100), ERROR_SUCCESS);
    const BYTE blob[] = {0, 1, 2, 0xFF, 0};
    ASSERT_EQ(RegSetValueExW(k, u"blob", 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
    ASSERT_EQ(setDword(k, u"mp3Samplerate", 48000), ERROR_SUCCESS);  // replaces

    HKEY again = create(HKEY_CURRENT_USER, u"SOFTWARE\\Tarvel Free Audio Cutter", &disp);
    EXPECT_EQ(disp, (DWORD)REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(getString(again, u"joinName"), u"Undefined");
    EXPECT_EQ(getDword(again, u"mp3Samplerate"), 48000u);
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_EQ(getRaw(again, u"path", type, data), ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_EXPAND_SZ);
    ASSERT_EQ(getRaw(again, u"blob", type, data), ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_BINARY);
    EXPECT_EQ(data, std::vector<BYTE>(blob, blob + sizeof blob));

    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\Nope", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(RegQueryValueExW(k, u"absent", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    // The hives are separate.
    EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"SOFTWARE", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(again), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(k), ERROR_INVALID_HANDLE);  // closed twice
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST_F(Registry, NamesAreCaseInsensitiveAndCasePreserving) {
    HKEY k = create(HKEY_CLASSES_ROOT, u"CLSID\\{ABC}\\InprocServer32");
    ASSERT_EQ(setString(k, u"ThreadingModel", u"Apartment"), ERROR_SUCCESS);
    HKEY k2 = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"clsid\\{abc}\\INPROCSERVER32", 0, KEY_READ, &k2), ERROR_SUCCESS);
    EXPECT_EQ(getString(k2, u"threadingmodel"), u"Apartment");
    ASSERT_EQ(setString(k2, u"THREADINGMODEL", u"Both"), ERROR_SUCCESS);

    // One value, under the name it was first given.
    WCHAR name[64];
    DWORD len = 64;
    ASSERT_EQ(RegEnumValueW(k, 0, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, len), u"ThreadingModel");
    len = 64;
    EXPECT_EQ(RegEnumValueW(k, 1, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(getString(k, u"ThreadingModel"), u"Both");

    HKEY clsid = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID", 0, KEY_READ, &clsid), ERROR_SUCCESS);
    len = 64;
    ASSERT_EQ(RegEnumKeyExW(clsid, 0, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, len), u"{ABC}");
    // Non-ASCII letters fold too.
    HKEY u = create(HKEY_CURRENT_USER, u"Ünïcode\\Ключ");
    HKEY u2 = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"üNÏCODE\\ключ", 0, KEY_READ, &u2), ERROR_SUCCESS);
    for (HKEY h : {k, k2, clsid, u, u2}) RegCloseKey(h);
}

TEST_F(Registry, DefaultValueAndBufferSizes) {
    HKEY k = create(HKEY_CLASSES_ROOT, u"KezAudioArrayProcessing3.AudioArrayPr.1");
    EXPECT_EQ(RegQueryValueExW(k, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(setString(k, nullptr, u"AudioArrayProcessing3 Class"), ERROR_SUCCESS);
    EXPECT_EQ(getString(k, u""), u"AudioArrayProcessing3 Class");  // null and "" are the same value

    const DWORD full = (DWORD)(sizeof(u"AudioArrayProcessing3 Class"));
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExW(k, nullptr, nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, full);
    BYTE small[10];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExW(k, nullptr, nullptr, nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, full);
    EXPECT_EQ(RegQueryValueExW(k, nullptr, nullptr, nullptr, small, nullptr), ERROR_INVALID_PARAMETER);

    // Enumeration: the default value has an empty name; short buffers give ERROR_MORE_DATA.
    ASSERT_EQ(setDword(k, u"a-rather-long-value-name", 7), ERROR_SUCCESS);
    WCHAR name[8];
    DWORD nameLen = 8, type = 0, dataLen = sizeof small;
    ASSERT_EQ(RegEnumValueW(k, 0, name, &nameLen, nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(nameLen, 0u);
    EXPECT_EQ(type, (DWORD)REG_SZ);
    nameLen = 8;
    EXPECT_EQ(RegEnumValueW(k, 0, name, &nameLen, nullptr, &type, small, &dataLen), ERROR_MORE_DATA);
    EXPECT_EQ(dataLen, full);
    nameLen = 8;
    EXPECT_EQ(RegEnumValueW(k, 1, name, &nameLen, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    WCHAR big[64];
    nameLen = 64;
    dataLen = sizeof small;
    ASSERT_EQ(RegEnumValueW(k, 1, big, &nameLen, nullptr, &type, small, &dataLen), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(big, nameLen), u"a-rather-long-value-name");
    EXPECT_EQ(dataLen, 4u);

    DWORD subKeys = 9, values = 9, maxName = 0, maxData = 0;
    ASSERT_EQ(RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, &maxName, &maxData,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 0u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxName, 24u);
    EXPECT_EQ(maxData, full);
    RegCloseKey(k);
}

TEST_F(Registry, EnumerationOrder) {
    HKEY k = create(HKEY_CURRENT_USER, u"Enum");
    for (const char16_t* n : {u"beta", u"Alpha", u"gamma", u"ALPHA2"}) RegCloseKey(create(k, n));
    std::vector<std::u16string> keys;
    WCHAR name[64];
    for (DWORD i = 0;; ++i) {
        DWORD len = 64;
        LONG rc = RegEnumKeyExW(k, i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(rc, ERROR_SUCCESS);
        keys.emplace_back(name, len);
    }
    EXPECT_EQ(keys, (std::vector<std::u16string>{u"Alpha", u"ALPHA2", u"beta", u"gamma"}));
    // Values keep the order they were first written in.
    for (const char16_t* n : {u"z", u"a", u"m"}) ASSERT_EQ(setDword(k, n, 1), ERROR_SUCCESS);
    ASSERT_EQ(setDword(k, u"z", 2), ERROR_SUCCESS);
    std::vector<std::u16string> vals;
    for (DWORD i = 0; i < 3; ++i) {
        DWORD len = 64;
        ASSERT_EQ(RegEnumValueW(k, i, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        vals.emplace_back(name, len);
    }
    EXPECT_EQ(vals, (std::vector<std::u16string>{u"z", u"a", u"m"}));
    RegCloseKey(k);
}

TEST_F(Registry, DeletingKeysAndValues) {
    HKEY top = create(HKEY_CLASSES_ROOT, u"CLSID\\{X}");
    HKEY inproc = create(top, u"InprocServer32");
    ASSERT_EQ(setString(inproc, nullptr, u"/lib/x.so"), ERROR_SUCCESS);
    ASSERT_EQ(setString(top, u"AppID", u"{Y}"), ERROR_SUCCESS);

    EXPECT_EQ(RegDeleteValueW(top, u"appid"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(top, u"AppID"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"CLSID\\{X}"), ERROR_ACCESS_DENIED);  // has a subkey
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"CLSID\\{nothing}"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u""), ERROR_ACCESS_DENIED);

    // A handle outlives its key: every later use says so, also after a key of the same name
    // is created again.
    EXPECT_EQ(RegDeleteKeyW(top, u"inprocserver32"), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(inproc, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(setDword(inproc, u"x", 1), ERROR_KEY_DELETED);
    RegCloseKey(create(top, u"InprocServer32"));
    EXPECT_EQ(setDword(inproc, u"x", 1), ERROR_KEY_DELETED);
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyExW(inproc, u"Below", 0, nullptr, 0, 0, nullptr, &sub, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(inproc), ERROR_SUCCESS);

    // A tree goes at once; a null sub key empties the key and keeps it.
    RegCloseKey(create(top, u"ProgID\\Deeper\\Deepest"));
    ASSERT_EQ(setDword(top, u"v", 1), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeW(top, nullptr), ERROR_SUCCESS);
    DWORD subKeys = 9, values = 9;
    ASSERT_EQ(RegQueryInfoKeyW(top, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys + values, 0u);
    RegCloseKey(create(top, u"A\\B\\C"));
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"CLSID\\{X}"), ERROR_SUCCESS);
    EXPECT_EQ(getDword(top, u"v"), 0xDEADBEEFu);
    EXPECT_EQ(RegQueryInfoKeyW(top, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"CLSID\\{X}"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(top);

    // RegDeleteKeyW with an empty name deletes the handle's own key.
    HKEY self = create(HKEY_CURRENT_USER, u"Self");
    EXPECT_EQ(RegDeleteKeyW(self, u""), ERROR_SUCCESS);
    HKEY gone = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Self", 0, KEY_READ, &gone), ERROR_FILE_NOT_FOUND);
    RegCloseKey(self);
}

TEST_F(Registry, BadArguments) {
    HKEY k = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"a\\\\b", 0, nullptr, 0, 0, nullptr, &k, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"\\a", 0, nullptr, 0, 0, nullptr, &k, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"a", 0, nullptr, 0, 0, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    std::u16string longName(256, u'x');
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, longName.c_str(), 0, nullptr, 0, 0, nullptr, &k, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExW(HKEY_CURRENT_USER, u"x", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    int notAHandle = 0;
    EXPECT_EQ(setDword(reinterpret_cast<HKEY>(&notAHandle), u"x", 1), ERROR_INVALID_HANDLE);
    // A trailing '\' is tolerated.
    k = create(HKEY_CURRENT_USER, u"Trailing\\");
    HKEY k2 = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Trailing", 0, KEY_READ, &k2), ERROR_SUCCESS);
    RegCloseKey(k);
    RegCloseKey(k2);
}

// Names and data that a line-based file could easily get wrong.
TEST_F(Registry, EveryNameAndValueSurvivesTheFile) {
    struct Row {
        std::u16string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    auto bytesOf = [](const std::u16string& s, bool terminate) {
        std::vector<BYTE> d;
        for (char16_t c : s) {
            d.push_back((BYTE)c);
            d.push_back((BYTE)(c >> 8));
        }
        if (terminate) d.insert(d.end(), {0, 0});
        return d;
    };
    std::vector<Row> rows = {
        {u"", REG_SZ, bytesOf(u"default", true)},
        {u"@", REG_SZ, bytesOf(u"at sign", true)},
        {u"with space", REG_SZ, bytesOf(u"  leading and trailing  ", true)},
        {u"100%", REG_SZ, bytesOf(u"%41 is not A", true)},
        {u"lines", REG_SZ, bytesOf(u"one\ntwo\r\nthree\t", true)},
        {u"empty", REG_SZ, bytesOf(u"", true)},
        {u"unicode ✓", REG_SZ, bytesOf(u"Grüße, 𝄞, ключ", true)},
        {std::u16string(u"lone") + (char16_t)0xD800, REG_SZ, bytesOf(std::u16string(u"x") + (char16_t)0xDC01, true)},
        {u"unterminated", REG_SZ, bytesOf(u"abc", false)},
        {u"embedded zero", REG_SZ, bytesOf(std::u16string(u"a\0b", 3), true)},
        {u"odd size", REG_SZ, {0x41, 0x00, 0x42}},
        {u"expand", REG_EXPAND_SZ, bytesOf(u"%PATH%", true)},
        {u"dword", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}},
        {u"short dword", REG_DWORD, {1, 2, 3}},
        {u"nothing", REG_BINARY, {}},
        {u"none", REG_NONE, {9}},
        {u"custom type", 0x12345678, {1, 2}},
    };
    HKEY k = create(HKEY_CURRENT_USER, u"Odd key %\\ with space\\@\\Ключ");
    for (const Row& r : rows)
        ASSERT_EQ(RegSetValueExW(k, r.name.c_str(), 0, r.type, r.data.data(), (DWORD)r.data.size()), ERROR_SUCCESS);
    RegCloseKey(k);

    reopenStore();
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Odd key %\\ with space\\@\\Ключ", 0, KEY_READ, &k), ERROR_SUCCESS);
    for (const Row& r : rows) {
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_EQ(getRaw(k, r.name.c_str(), type, data), ERROR_SUCCESS) << std::string(r.name.begin(), r.name.end());
        EXPECT_EQ(type, r.type);
        EXPECT_EQ(data, r.data) << std::string(r.name.begin(), r.name.end());
    }
    RegCloseKey(k);
    // Empty keys persist as well.
    RegCloseKey(create(HKEY_CURRENT_USER, u"Empty\\Leaf"));
    reopenStore();
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Empty\\Leaf", 0, KEY_READ, &k), ERROR_SUCCESS);
    RegCloseKey(k);
}

TEST_F(Registry, FilesAppearAtFirstChangeOnly) {
    std::string hive = dir_ + "/HKEY_CURRENT_USER.hive";
    HKEY k = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(::access(hive.c_str(), F_OK), 0);
    // A store folder that does not exist yet is created.
    std::string nested = dir_ + "/a/b";
    PlatformSetRegistryDir(nested.c_str());
    k = create(HKEY_CURRENT_USER, u"SOFTWARE");
    ASSERT_EQ(setDword(k, u"n", 5), ERROR_SUCCESS);
    RegCloseKey(k);
    std::string text = readWhole(nested + "/HKEY_CURRENT_USER.hive");
    EXPECT_NE(text.find("D n 5\n"), std::string::npos) << text;
    EXPECT_NE(::access((nested + "/HKEY_CLASSES_ROOT.hive").c_str(), F_OK), 0);
}

TEST_F(Registry, DamagedFileIsReadAsFarAsItGoes) {
    std::string hive = dir_ + "/HKEY_CURRENT_USER.hive";
    {
        std::ofstream out(hive, std::ios::binary);
        out << "kez-registry 1\n"
               "K 0000000000000001 SOFTWARE\n"
               "D good 1\n"
               "D toolarge 4294967296\n"
               "Z what is this\n"
               "K zz SOFTWARE\\Broken\n"  // a damaged identity: the key and its values are kept
               "D lost 2\n"
               "\x01\x02\xff\xfe garbage\n"
               "K 0000000000000002 SOFTWARE\\Fine\r\n"
               "S text hello%20world\r\n"
               "H bin 3 0G\n"
               "H bin2 3 0A0B\n"
               "S bad %ZZ\n"
               "K 0000000000000003 SOFTWARE\\\\Empty component\n"
               "K 0000000000000004 SOFTWARE\\Trunc";  // no newline at the end
    }
    const std::string damaged = readWhole(hive);
    HKEY k = nullptr;
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE", 0, KEY_READ, &k), ERROR_SUCCESS);
    const std::string told = ::testing::internal::GetCapturedStderr();
    // The file as it was is set aside before any save can drop its damaged lines, and said so.
    EXPECT_EQ(readWhole(hive + ".damaged"), damaged);
    EXPECT_NE(told.find(hive + ".damaged"), std::string::npos) << told;
    EXPECT_EQ(getDword(k, u"good"), 1u);
    EXPECT_EQ(getDword(k, u"toolarge"), 0xDEADBEEFu);
    EXPECT_EQ(getDword(k, u"lost"), 0xDEADBEEFu);
    HKEY broken = nullptr;
    ASSERT_EQ(RegOpenKeyExW(k, u"Broken", 0, KEY_ALL_ACCESS, &broken), ERROR_SUCCESS);
    EXPECT_EQ(getDword(broken, u"lost"), 2u);
    // Its identity is the same at every reading, so the handle stays good across a change.
    EXPECT_EQ(setDword(broken, u"more", 5), ERROR_SUCCESS);
    EXPECT_EQ(getDword(broken, u"lost"), 2u);
    RegCloseKey(broken);
    HKEY fine = nullptr;
    ASSERT_EQ(RegOpenKeyExW(k, u"Fine", 0, KEY_READ, &fine), ERROR_SUCCESS);
    EXPECT_EQ(getString(fine, u"text"), u"hello world");
    DWORD type;
    std::vector<BYTE> data;
    EXPECT_EQ(getRaw(fine, u"bin", type, data), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(getRaw(fine, u"bin2", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data, (std::vector<BYTE>{0x0A, 0x0B}));
    EXPECT_EQ(getString(fine, u"bad"), u"<missing>");
    HKEY trunc = nullptr;
    EXPECT_EQ(RegOpenKeyExW(k, u"Trunc", 0, KEY_READ, &trunc), ERROR_SUCCESS);
    RegCloseKey(trunc);

    // Writing over a damaged file keeps what could be read and drops the rest.
    ASSERT_EQ(setDword(k, u"added", 3), ERROR_SUCCESS);
    reopenStore();
    EXPECT_EQ(getDword(k, u"good"), 1u);  // a key's identity is kept in the file: k still names it
    HKEY k2 = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE", 0, KEY_READ, &k2), ERROR_SUCCESS);
    EXPECT_EQ(getDword(k2, u"good"), 1u);
    EXPECT_EQ(getDword(k2, u"added"), 3u);
    for (HKEY h : {k, k2, fine}) RegCloseKey(h);

    // Random bytes and a file cut in the middle of a line do not stop anything.
    std::string good = readWhole(hive);
    for (std::size_t cut : {good.size() / 2, good.size() - 3, (std::size_t)5}) {
        {
            std::ofstream out(hive, std::ios::binary | std::ios::trunc);
            out << good.substr(0, cut);
        }
        reopenStore();
        HKEY h = create(HKEY_CURRENT_USER, u"SOFTWARE");
        EXPECT_EQ(setDword(h, u"after", 1), ERROR_SUCCESS);
        EXPECT_EQ(getDword(h, u"after"), 1u);
        RegCloseKey(h);
    }
    {
        std::ofstream out(hive, std::ios::binary | std::ios::trunc);
        for (int i = 0; i < 4096; ++i) out << (char)((i * 7919) % 251);
    }
    reopenStore();
    HKEY h = create(HKEY_CURRENT_USER, u"SOFTWARE");
    EXPECT_EQ(setDword(h, u"after", 2), ERROR_SUCCESS);
    RegCloseKey(h);
}

TEST_F(Registry, AnUnwritableHiveIsReportedOnce) {
    HKEY k = create(HKEY_CURRENT_USER, u"SOFTWARE\\App");
    ASSERT_EQ(setDword(k, u"a", 1), ERROR_SUCCESS);
    // A folder where the save's temporary file would go stops every save, even root's.
    const std::string blocker = dir_ + "/HKEY_CURRENT_USER.hive.tmp." + std::to_string(::getpid());
    ASSERT_EQ(::mkdir(blocker.c_str(), 0700), 0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(setDword(k, u"a", 2), ERROR_CANTWRITE);
    EXPECT_EQ(setDword(k, u"b", 3), ERROR_CANTWRITE);
    const std::string told = ::testing::internal::GetCapturedStderr();
    ::rmdir(blocker.c_str());
    EXPECT_EQ(getDword(k, u"a"), 1u);
    EXPECT_NE(told.find("cannot be saved"), std::string::npos) << told;
    EXPECT_EQ(told.find("cannot be saved"), told.rfind("cannot be saved")) << told;
    RegCloseKey(k);
}

// Runs body in a child process; returns its exit status.
template <class F>
pid_t spawn(F body) {
    pid_t pid = ::fork();
    if (pid == 0) {
        int rc = body();
        ::_exit(rc);
    }
    return pid;
}

int waitFor(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST_F(Registry, ChangesOfAnotherProcessAreSeen) {
    HKEY k = create(HKEY_CURRENT_USER, u"Shared");
    ASSERT_EQ(setDword(k, u"mine", 1), ERROR_SUCCESS);
    EXPECT_EQ(getDword(k, u"mine"), 1u);  // now cached here
    pid_t child = spawn([] {
        HKEY c = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Shared", 0, KEY_ALL_ACCESS, &c) != ERROR_SUCCESS) return 1;
        if (setDword(c, u"theirs", 2) != ERROR_SUCCESS) return 2;
        if (setDword(c, u"mine", 3) != ERROR_SUCCESS) return 3;
        return 0;
    });
    ASSERT_EQ(waitFor(child), 0);
    EXPECT_EQ(getDword(k, u"theirs"), 2u);
    EXPECT_EQ(getDword(k, u"mine"), 3u);

    // Deleted by the other process: this handle notices.
    child = spawn([] { return RegDeleteTreeW(HKEY_CURRENT_USER, u"Shared") == ERROR_SUCCESS ? 0 : 1; });
    ASSERT_EQ(waitFor(child), 0);
    EXPECT_EQ(setDword(k, u"mine", 4), ERROR_KEY_DELETED);
    RegCloseKey(k);
}

TEST_F(Registry, TwoProcessesWritingAtOnceLoseNothing) {
    const int kEach = 1000;
    RegCloseKey(create(HKEY_CURRENT_USER, u"SOFTWARE\\Race"));
    auto writer = [](char tag) {
        return [tag] {
            HKEY k = nullptr;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\Race", 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS) return 1;
            for (int i = 0; i < kEach; ++i) {
                std::u16string name = u16(std::string(1, tag).append(std::to_string(i)));
                if (setDword(k, name.c_str(), (DWORD)i) != ERROR_SUCCESS) return 2;
            }
            RegCloseKey(k);
            return 0;
        };
    };
    pid_t a = spawn(writer('a'));
    pid_t b = spawn(writer('b'));
    ASSERT_EQ(waitFor(a), 0);
    ASSERT_EQ(waitFor(b), 0);

    reopenStore();
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\Race", 0, KEY_READ, &k), ERROR_SUCCESS);
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 2u * kEach);
    int wrong = 0;
    for (char tag : {'a', 'b'})
        for (int i = 0; i < kEach; ++i) {
            std::u16string name = u16(std::string(1, tag).append(std::to_string(i)));
            if (getDword(k, name.c_str()) != (DWORD)i) ++wrong;
        }
    EXPECT_EQ(wrong, 0);
    RegCloseKey(k);
    // No temporary file is left behind.
    EXPECT_EQ(::system(("test -z \"$(ls " + dir_ + " | grep tmp)\"").c_str()), 0);
}

TEST_F(Registry, ThreadsShareOneStore) {
    // Handles created, used and closed on several threads at once, one key per thread.
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 50; ++i) {
                std::u16string path = u"Threads\\T" + u16(std::to_string(t));
                HKEY k = nullptr;
                if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, 0, nullptr, &k, nullptr) ||
                    setDword(k, u"n", (DWORD)i) || getDword(k, u"n") != (DWORD)i || RegCloseKey(k))
                    ++failures[t];
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Threads", 0, KEY_READ, &k), ERROR_SUCCESS);
    DWORD subKeys = 0;
    ASSERT_EQ(RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 4u);
    RegCloseKey(k);
}

}  // namespace
