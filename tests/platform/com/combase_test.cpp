// GUID text forms, module loading by name and module paths.
#include "com/combase.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

constexpr GUID kSample =
    PLATFORM_GUID(0x8EA0D77E, 0x6A8C, 0x4526, 0xB5, 0xB8, 0xFF, 0xC9, 0xCB, 0xF6, 0x80, 0x20);

std::string Narrow(const OLECHAR* s) {
    std::string out;
    for (; s && *s; ++s) out += char(*s);
    return out;
}

std::string BinDir() {
    const char* bin = std::getenv("KEZ_BIN_DIR");
    return bin ? bin : "";
}

TEST(GuidText, WritesUpperCaseBracedForm) {
    OLECHAR buffer[39];
    ASSERT_EQ(StringFromGUID2(kSample, buffer, 39), 39);
    EXPECT_EQ(Narrow(buffer), "{8EA0D77E-6A8C-4526-B5B8-FFC9CBF68020}");
    OLECHAR small[38];
    EXPECT_EQ(StringFromGUID2(kSample, small, 38), 0);  // no room for the zero
}

TEST(GuidText, ParsesAndRejects) {
    struct Row {
        const OLECHAR* text;
        HRESULT clsidResult;
        HRESULT iidResult;
    };
    const Row rows[] = {
        {u"{8EA0D77E-6A8C-4526-B5B8-FFC9CBF68020}", S_OK, S_OK},
        {u"{8ea0d77e-6a8c-4526-b5b8-ffc9cbf68020}", S_OK, S_OK},                       // lower case
        {u"{8EA0D77E-6A8C-4526-B5B8-FFC9CBF6802}", CO_E_CLASSSTRING, E_INVALIDARG},    // short
        {u"{8EA0D77E-6A8C-4526-B5B8-FFC9CBF680201}", CO_E_CLASSSTRING, E_INVALIDARG},  // long
        {u"{8EA0D77E-6A8C-4526-B5B8-FFC9CBF6802G}", CO_E_CLASSSTRING, E_INVALIDARG},   // not hex
        {u"{8EA0D77E+6A8C-4526-B5B8-FFC9CBF68020}", CO_E_CLASSSTRING, E_INVALIDARG},   // separator
        {u"{8EA0D77E-6A8C-4526-B5B8-FFC9CBF68020", CO_E_CLASSSTRING, E_INVALIDARG},    // no brace
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.text));
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromString(row.text, &clsid), row.clsidResult);
        if (row.clsidResult == S_OK) {
            EXPECT_TRUE(clsid == kSample);
        }
        IID iid{};
        EXPECT_EQ(IIDFromString(row.text, &iid), row.iidResult);
    }
    // Text that is not braced is taken as a ProgID; none is registered here.
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromString(u"No.Such.Class", &clsid), CO_E_CLASSSTRING);
}

TEST(GuidText, RoundTripsEveryByte) {
    GUID g{0x01234567, 0x89AB, 0xCDEF, {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xFF}};
    OLECHAR buffer[39];
    ASSERT_EQ(StringFromGUID2(g, buffer, 39), 39);
    GUID back{};
    ASSERT_EQ(CLSIDFromString(buffer, &back), S_OK);
    EXPECT_TRUE(back == g);
}

TEST(ModuleLoading, DllNameFindsSharedLibraryBesideProgram) {
    // libComTestServer.so is built into the bin folder beside this test.
    HMODULE module = LoadLibraryA("ComTestServer.DLL");
    ASSERT_NE(module, nullptr) << PlatformLastLoadError();
    EXPECT_NE(GetProcAddress(module, "DllGetClassObject"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "NoSuchEntry"), nullptr);

    OLECHAR path[4096];
    DWORD n = GetModuleFileNameW(module, path, 4096);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(Narrow(path), BinDir() + "/libComTestServer.so");
    EXPECT_TRUE(FreeLibrary(module));

    HMODULE wide = LoadLibraryW(u"comtestserver.dll");  // the suffix in any case; the stem as built
    EXPECT_EQ(wide, nullptr);
    HMODULE lower = LoadLibraryW(u"ComTestServer.dll");
    ASSERT_NE(lower, nullptr);
    FreeLibrary(lower);
}

TEST(ModuleLoading, MissingModuleReportsLoaderText) {
    EXPECT_EQ(LoadLibraryA("NoSuchModule.DLL"), nullptr);
    EXPECT_NE(std::string(PlatformLastLoadError()), "");
    EXPECT_EQ(LoadLibraryA("/nonexistent/folder/libX.so"), nullptr);
    EXPECT_EQ(LoadLibraryA(""), nullptr);
}

TEST(ModulePaths, ProgramAndPlatform) {
    OLECHAR path[4096];
    ASSERT_GT(GetModuleFileNameW(nullptr, path, 4096), 0u);
    EXPECT_EQ(Narrow(path), BinDir() + "/com_combase_test");
    ASSERT_GT(PlatformModuleFileNameOf(reinterpret_cast<const void*>(&CoCreateInstance), path, 4096), 0u);
    EXPECT_EQ(Narrow(path), BinDir() + "/libplatform.so");

    // A short buffer is filled and terminated, and the full size returned, as on Windows.
    OLECHAR small[5];
    EXPECT_EQ(GetModuleFileNameW(nullptr, small, 5), 5u);
    EXPECT_EQ(small[4], 0);
}

}  // namespace
