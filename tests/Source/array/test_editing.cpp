// AudioArrayProcessing3's editing methods: ranges, clamping, conversions through the
// conversion component, and the one reported failure (-22).
#include "array_test_util.h"

namespace {

using namespace arraytest;

class Editing : public ::testing::Test {
protected:
    void SetUp() override {
        obj = Create<IAudioArrayProcessing3>(CLSID_AudioArrayProcessing3, IID_IAudioArrayProcessing3);
        ASSERT_NE(obj, nullptr);
    }
    void TearDown() override {
        if (obj) obj->Release();
    }
    Buf Crop(const Buf& in, LONG a, LONG b) {
        Array i(in), o;
        EXPECT_EQ(obj->ArrayCrop(i.in(), a, b, o.out()), S_OK);
        return o.bytes();
    }
    Buf Delete(const Buf& in, LONG a, LONG b) {
        Array i(in), o;
        EXPECT_EQ(obj->ArrayDelete(i.in(), a, b, o.out()), S_OK);
        return o.bytes();
    }
    std::pair<Buf, Buf> Split(const Buf& in, LONG at) {
        Array i(in), o1, o2;
        EXPECT_EQ(obj->ArraySplit(i.in(), at, o1.out(), o2.out()), S_OK);
        return {o1.bytes(), o2.bytes()};
    }
    Buf Insert(const Buf& main, const Buf& part, LONG at) {
        Array m(main), p(part), o;
        EXPECT_EQ(obj->ArrayInsert(m.in(), p.in(), at, o.out()), S_OK);
        return o.bytes();
    }
    Buf Merge(const Buf& a, const Buf& b) {
        Array x(a), y(b), o;
        EXPECT_EQ(obj->ArrayMerge(x.in(), y.in(), o.out()), S_OK);
        return o.bytes();
    }

    ConverterScope scope;
    IAudioArrayProcessing3* obj = nullptr;
};

const Buf kStereo = Pcm16(2, 44100, 400);  // 100 frames of 4 bytes
const Buf kHead = Slice(kStereo, 0, 18);

TEST_F(Editing, CropKeepsOrderedClampedFrames) {
    EXPECT_EQ(Crop(kStereo, 1, 3), Concat(kHead, Slice(kStereo, 18 + 4, 18 + 12)));
    EXPECT_EQ(Crop(kStereo, 100, 50), Crop(kStereo, 50, 100));
    EXPECT_EQ(Crop(kStereo, 7, 7), kHead);
    EXPECT_EQ(Crop(kStereo, -5, 1000), kStereo);
    EXPECT_EQ(Crop(kStereo, 98, 5000), Concat(kHead, Slice(kStereo, 18 + 392, 418)));
    // 0x40000000 frames of 4 bytes lie far beyond the data; a 32-bit product would wrap to 0.
    EXPECT_EQ(Crop(kStereo, 0x40000000, 0x40000001), kHead);
    EXPECT_EQ(Crop(kStereo, LONG(0x80000000), 0x7FFFFFFF), kStereo);
    EXPECT_EQ(scope.fake.calls.size(), 0u);  // PCM needs no decoding
}

TEST_F(Editing, DeleteRemovesOrderedClampedFrames) {
    EXPECT_EQ(Delete(kStereo, 1, 3), Concat(Slice(kStereo, 0, 22), Slice(kStereo, 30, 418)));
    EXPECT_EQ(Delete(kStereo, 3, 1), Delete(kStereo, 1, 3));
    EXPECT_EQ(Delete(kStereo, 200, 300), kStereo);
    EXPECT_EQ(Delete(kStereo, 0, 300), kHead);
    EXPECT_EQ(Delete(kStereo, -10, 1), Concat(kHead, Slice(kStereo, 22, 418)));
}

TEST_F(Editing, SplitAtTheEdgesAndBeyond) {
    auto [a, b] = Split(kStereo, 10);
    EXPECT_EQ(a, Concat(kHead, Slice(kStereo, 18, 58)));  // frame 10 starts at 18 + 40
    EXPECT_EQ(b, Concat(kHead, Slice(kStereo, 58, 418)));
    std::tie(a, b) = Split(kStereo, 0);
    EXPECT_EQ(a, kHead);
    EXPECT_EQ(b, kStereo);
    std::tie(a, b) = Split(kStereo, -3);
    EXPECT_EQ(a, kHead);
    std::tie(a, b) = Split(kStereo, 100);
    EXPECT_EQ(a, kStereo);
    EXPECT_EQ(b, kHead);
    std::tie(a, b) = Split(kStereo, 101);
    EXPECT_EQ(a, kStereo);
    EXPECT_TRUE(b.empty());
}

TEST_F(Editing, MergeComparesFormatFieldsOnly) {
    Buf second = WithData(Header(1, 2, 44100, 16, 4, 99999), 40);
    Buf merged = Merge(kStereo, second);
    EXPECT_EQ(merged, Concat(kStereo, Slice(second, 18, 58)));
    EXPECT_TRUE(Merge(kStereo, Pcm16(2, 22050, 40)).empty());
    EXPECT_TRUE(Merge(kStereo, Pcm16(1, 44100, 40)).empty());
    EXPECT_TRUE(Merge(kStereo, Buf(17)).empty());
    EXPECT_TRUE(Merge(Buf(), kStereo).empty());
    // Extra format bytes: the second array's are skipped, the first's kept.
    Buf ext1 = WithData(Header(2, 1, 8000, 4, 256, 4096, 4), 20);
    Buf ext2 = WithData(Header(2, 1, 8000, 4, 256, 4096, 4), 30);
    EXPECT_EQ(Merge(ext1, ext2), Concat(ext1, Slice(ext2, 22, 48)));
    // Extra bytes claimed beyond the second array's end: nothing of it is read.
    Buf shortExt = Header(2, 1, 8000, 4, 256, 4096, 4);
    EXPECT_EQ(Merge(ext1, shortExt), ext1);
}

TEST_F(Editing, InsertPlacesTheWholeSecondArray) {
    Buf part = Pcm16(2, 44100, 8);
    Buf partData = Slice(part, 18, 26);
    EXPECT_EQ(Insert(kStereo, part, 2), Concat(Concat(Slice(kStereo, 0, 26), partData), Slice(kStereo, 26, 418)));
    EXPECT_EQ(Insert(kStereo, part, -1), Concat(Concat(kHead, partData), Slice(kStereo, 18, 418)));
    EXPECT_EQ(Insert(kStereo, part, 1000), Concat(kStereo, partData));
    EXPECT_EQ(Insert(kStereo, Buf(17), 3), kStereo);
    EXPECT_EQ(scope.fake.calls, (std::vector<std::string>{"mode 1"}));  // for the too-short part
    EXPECT_TRUE(Insert(Buf(5), part, 0).empty());
}

TEST_F(Editing, InsertConvertsADifferentSecondArrayToTheFirstsLayout) {
    Buf mono = Pcm16(1, 22050, 10);
    scope.fake.useData = true;
    scope.fake.data = {9, 9, 9, 9};
    Buf out = Insert(kStereo, mono, 0);
    EXPECT_EQ(out, Concat(Concat(kHead, scope.fake.data), Slice(kStereo, 18, 418)));
    EXPECT_EQ(scope.fake.calls, (std::vector<std::string>{"format 44100 2 16 0", "mode 1", "convert"}));
}

TEST_F(Editing, TooShortInputsGiveEmptyResultsAfterModeOne) {
    for (std::size_t n : {0, 1, 17}) {
        scope.fake.calls.clear();
        Buf in(n, 1);
        EXPECT_TRUE(Crop(in, 0, 10).empty());
        EXPECT_TRUE(Delete(in, 0, 10).empty());
        auto [a, b] = Split(in, 1);
        EXPECT_TRUE(a.empty());
        EXPECT_TRUE(b.empty());
        EXPECT_EQ(scope.fake.calls, (std::vector<std::string>{"mode 1", "mode 1", "mode 1"}));
    }
    Array null, out;
    EXPECT_EQ(obj->ArrayCrop(null.in(), 0, 1, out.out()), S_OK);
    EXPECT_FALSE(out.isNull());
    EXPECT_TRUE(out.bytes().empty());
    EXPECT_EQ(Crop(kHead, 0, 10), kHead);  // a header alone has no frames
}

TEST_F(Editing, CompressedInputIsDecodedToPcm16FirstWithModeOne) {
    Buf alaw = WithData(Header(6, 2, 8000, 8), 40);
    scope.fake.useData = true;
    scope.fake.data = Slice(Pcm16(2, 8000, 80), 18, 98);
    Buf out = Crop(alaw, 2, 5);
    Buf expectHead = Header(1, 2, 8000, 16);
    EXPECT_EQ(out, Concat(expectHead, Slice(scope.fake.data, 8, 20)));
    EXPECT_EQ(scope.fake.calls, (std::vector<std::string>{"format 8000 2 16 0", "mode 1", "convert"}));

    scope.fake.calls.clear();
    EXPECT_EQ(Delete(alaw, 0, 1), Concat(expectHead, Slice(scope.fake.data, 4, 80)));
    EXPECT_EQ(scope.fake.calls.size(), 3u);

    // A converted array shorter than its header is never read: empty results.
    scope.fake.giveRaw = true;
    scope.fake.raw = Buf(10, 0x55);
    EXPECT_TRUE(Crop(alaw, 0, 5).empty());
    auto [a, b] = Split(alaw, 1);
    EXPECT_TRUE(a.empty() && b.empty());
}

TEST_F(Editing, ConverterFailuresEndTheOperationWithTheirStatus) {
    Buf alaw = WithData(Header(6, 1, 8000, 8), 40);
    scope.fake.failOn = "convert";
    scope.fake.failWith = E_INVALIDARG;
    Array in(alaw), out;
    EXPECT_EQ(obj->ArrayCrop(in.in(), 0, 1, out.out()), E_INVALIDARG);
    Array o1, o2;
    EXPECT_EQ(obj->ArraySplit(in.in(), 0, o1.out(), o2.out()), E_INVALIDARG);
    scope.fake.failOn = "mode";
    Array tiny(Buf(3));
    EXPECT_EQ(obj->ArrayCrop(tiny.in(), 0, 1, out.out()), E_INVALIDARG);
}

TEST_F(Editing, DuplicateCopiesAnyArray) {
    for (const Buf& b : {kStereo, Buf(3, 7), Buf()}) {
        Array in(b), out;
        EXPECT_EQ(obj->ArrayDuplicate(in.in(), out.out()), S_OK);
        EXPECT_EQ(out.bytes(), b);
        EXPECT_NE(out.get(), in.get());
    }
    SAFEARRAY* none = nullptr;
    Array out;
    EXPECT_EQ(obj->ArrayDuplicate(&none, out.out()), S_OK);
    EXPECT_TRUE(out.isNull());
}

TEST_F(Editing, TrimAndSilenceLeaveTheOutputAsPassed) {
    Array in(kStereo), out(Buf{1, 2, 3});
    SAFEARRAY* before = out.get();
    EXPECT_EQ(obj->ArrayTrim(in.in(), -40.f, 10.f, 3, out.in()), S_OK);
    EXPECT_EQ(obj->ArrayDeleteSilence(nullptr, 0.f, 0.f, 0.f, out.in()), S_OK);
    EXPECT_EQ(out.get(), before);
    EXPECT_EQ(out.bytes(), (Buf{1, 2, 3}));
    EXPECT_TRUE(scope.fake.calls.empty());
}

TEST(EditingWithoutConverter, ReportsControlNotInstalledWhereAConverterIsNeeded) {
    ConverterScope none(false);
    auto* obj = Create<IAudioArrayProcessing3>(CLSID_AudioArrayProcessing3, IID_IAudioArrayProcessing3);
    ASSERT_NE(obj, nullptr);
    Array pcm(kStereo), alaw(WithData(Header(6, 1, 8000, 8), 10)), out, out2;
    EXPECT_EQ(obj->ArrayCrop(pcm.in(), 0, 1, out.out()), HRESULT(0x8004030D));
    ErrorRecord r;
    ASSERT_TRUE(TakeError(r));
    EXPECT_EQ(r.description, u"Control not installed.");
    EXPECT_EQ(r.source, u"KezAudioArrayProcessing3.AudioArrayPr.1");
    EXPECT_EQ(r.iid, IID_IAudioArrayProcessing3);
    EXPECT_EQ(obj->ArraySplit(pcm.in(), 0, out.out(), out2.out()), HRESULT(0x8004030D));
    EXPECT_EQ(obj->ArrayInsert(pcm.in(), pcm.in(), 0, out.out()), HRESULT(0x8004030D));
    EXPECT_EQ(obj->ArrayDelete(alaw.in(), 0, 1, out.out()), HRESULT(0x8004030D));
    // A PCM delete and a merge need no converter.
    EXPECT_EQ(obj->ArrayDelete(pcm.in(), 0, 1, out.out()), S_OK);
    EXPECT_EQ(out.bytes(), Concat(kHead, Slice(kStereo, 22, 418)));
    EXPECT_EQ(obj->ArrayMerge(pcm.in(), pcm.in(), out.out()), S_OK);
    EXPECT_EQ(out.bytes().size(), 818u);
    obj->Release();
}

}  // namespace

