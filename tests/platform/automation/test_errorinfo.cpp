#include "automation/oleauto.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

constexpr GUID kSomeIid = PLATFORM_GUID(0xB421D7EC, 0xF531, 0x4BF4, 0xAD, 0xDE, 0xC6, 0xAD, 0x54, 0x47, 0xBB, 0x94);

IErrorInfo* MakeRecord(const char16_t* description) {
    ICreateErrorInfo* create = nullptr;
    EXPECT_EQ(CreateErrorInfo(&create), S_OK);
    create->SetGUID(kSomeIid);
    create->SetSource(const_cast<LPOLESTR>(u"Lib.Class.1"));
    create->SetDescription(const_cast<LPOLESTR>(description));
    IErrorInfo* info = nullptr;
    EXPECT_EQ(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)), S_OK);
    create->Release();
    return info;
}

TEST(ErrorInfo, RecordRoundTrip) {
    IErrorInfo* info = MakeRecord(u"Control not installed.");
    GUID g{};
    info->GetGUID(&g);
    EXPECT_EQ(g, kSomeIid);
    BSTR s = nullptr;
    info->GetDescription(&s);
    EXPECT_EQ(std::u16string(s), u"Control not installed.");
    SysFreeString(s);
    info->GetSource(&s);
    EXPECT_EQ(std::u16string(s), u"Lib.Class.1");
    SysFreeString(s);
    info->GetHelpFile(&s);
    EXPECT_EQ(s, nullptr);  // never set
    DWORD ctx = 9;
    info->GetHelpContext(&ctx);
    EXPECT_EQ(ctx, 0u);
    void* other = nullptr;
    EXPECT_EQ(info->QueryInterface(IID_IDispatch, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(info->Release(), 0u);
}

TEST(ErrorInfo, GetHandsOverAndClears) {
    IErrorInfo* info = MakeRecord(u"first");
    EXPECT_EQ(SetErrorInfo(0, info), S_OK);
    info->Release();  // the thread keeps its own reference
    IErrorInfo* got = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &got), S_OK);
    ASSERT_EQ(got, info);
    EXPECT_EQ(GetErrorInfo(0, &got), S_FALSE);
    EXPECT_EQ(got, nullptr);
    EXPECT_EQ(info->Release(), 0u);

    // A second set replaces (and releases) the first; a null set clears.
    SetErrorInfo(0, MakeRecord(u"a"));  // our reference leaks into the slot on purpose...
    IErrorInfo* a = nullptr;
    GetErrorInfo(0, &a);
    a->Release();  // ...and is dropped here, leaving the one we got
    EXPECT_EQ(a->Release(), 0u);
    IErrorInfo* b = MakeRecord(u"b");
    SetErrorInfo(0, b);
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(b->Release(), 0u);  // the slot let go of it
}

TEST(ErrorInfo, RecordsArePerThread) {
    IErrorInfo* mine = MakeRecord(u"main");
    SetErrorInfo(0, mine);
    IErrorInfo* seenThere = reinterpret_cast<IErrorInfo*>(1);
    IErrorInfo* leftThere = MakeRecord(u"worker");
    leftThere->AddRef();  // one reference for the test to check after the thread ends
    std::thread worker([&] {
        GetErrorInfo(0, &seenThere);
        SetErrorInfo(0, leftThere);
        leftThere->Release();
    });
    worker.join();
    EXPECT_EQ(seenThere, nullptr);
    EXPECT_EQ(leftThere->Release(), 0u);  // released with the thread's slot at thread exit
    IErrorInfo* got = nullptr;
    GetErrorInfo(0, &got);
    EXPECT_EQ(got, mine);
    got->Release();
    EXPECT_EQ(mine->Release(), 0u);
}

}  // namespace
