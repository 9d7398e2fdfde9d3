// Registration scripts: placeholders, quoting, and what register and unregister modes
// leave in the registry.
#include <gtest/gtest.h>

#include <string>

#include "frame/registrar.h"
#include "registry/registry.h"

namespace {

using kez::frame::ExpandScript;
using kez::frame::RunScript;

std::u16string Read(const char16_t* path, const char16_t* value = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return u"<missing>";
    char16_t buf[512] = {};
    DWORD size = sizeof buf, type = 0;
    LONG err = RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(key);
    if (err != ERROR_SUCCESS) return u"<no value>";
    return std::u16string(buf);
}

TEST(Registrar, PlaceholdersDoubleSingleQuotes) {
    EXPECT_EQ(ExpandScript(u"a = s '%MODULE%' %% %Unknown%", {{u"module", u"/o'neil/x.so"}}),
              u"a = s '/o''neil/x.so' % %Unknown%");
}

TEST(Registrar, QuotedModulePathIsWrittenAsGiven) {
    const std::u16string path = u"/tmp/it's here/libX.so";
    std::u16string script = ExpandScript(
        u"HKCR { NoRemove CLSID { ForceRemove 'RegTest.Quote' = s 'Quote Class' { InprocServer32 = s "
        u"'%MODULE%' { val ThreadingModel = s 'Apartment' } } } }",
        {{u"MODULE", path}});
    ASSERT_EQ(RunScript(script, true), S_OK);
    EXPECT_EQ(Read(u"CLSID\\RegTest.Quote\\InprocServer32"), path);
    EXPECT_EQ(Read(u"CLSID\\RegTest.Quote\\InprocServer32", u"ThreadingModel"), u"Apartment");
    ASSERT_EQ(RunScript(script, false), S_OK);
    EXPECT_EQ(Read(u"CLSID\\RegTest.Quote"), u"<missing>");
    EXPECT_NE(Read(u"CLSID"), u"<missing>");  // the root stays
}

TEST(Registrar, UnregisterKeepsWhatOthersWroteInSharedKeys) {
    const char16_t* script = u"HKCR { 'RegTest.Shared' = s 'mine' { Sub = s 'x' } }";
    ASSERT_EQ(RunScript(script, true), S_OK);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"RegTest.Shared\\Other", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RunScript(script, false), S_OK);
    EXPECT_EQ(Read(u"RegTest.Shared\\Sub"), u"<missing>");
    EXPECT_EQ(Read(u"RegTest.Shared"), u"<no value>");
    EXPECT_EQ(Read(u"RegTest.Shared\\Other"), u"<no value>");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, u"RegTest.Shared");
}

TEST(Registrar, ForceRemoveReplacesTheWholeTree) {
    ASSERT_EQ(RunScript(u"HKCR { 'RegTest.Force' { Old = s '1' } }", true), S_OK);
    ASSERT_EQ(RunScript(u"HKCR { ForceRemove 'RegTest.Force' { New = s '2' } }", true), S_OK);
    EXPECT_EQ(Read(u"RegTest.Force\\Old"), u"<missing>");
    EXPECT_EQ(Read(u"RegTest.Force\\New"), u"2");
    ASSERT_EQ(RunScript(u"HKCR { ForceRemove 'RegTest.Force' }", false), S_OK);
    EXPECT_EQ(Read(u"RegTest.Force"), u"<missing>");
}

TEST(Registrar, MalformedScriptsWriteNothing) {
    const char16_t* bad[] = {
        u"HKCR { 'RegTest.Bad' = s 'unterminated }",
        u"HKCR { 'RegTest.Bad' = x 'y' }",
        u"HKCR { val 'RegTest.Bad' }",
        u"HKXX { 'RegTest.Bad' }",
        u"HKCR { 'RegTest.Bad' { ",
    };
    for (const char16_t* s : bad) {
        EXPECT_EQ(RunScript(s, true), E_INVALIDARG) << std::string(s, s + std::char_traits<char16_t>::length(s));
        EXPECT_EQ(Read(u"RegTest.Bad"), u"<missing>");
    }
}

}  // namespace
