// The hive file format on its own: writing what was read gives the same text, and damaged
// inputs (kept from fuzzing in regressions/) parse to something that writes back stably.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "registry/hive.h"
#include "registry/registry.h"

using platform::registry::Key;
using platform::registry::parseHive;
using platform::registry::serializeHive;

namespace {

// parse(serialize(parse(x))) must equal parse(x): checked through the text.
void expectStable(const std::string& input) {
    Key a, b;
    parseHive(input, a);
    std::string once = serializeHive(a);
    EXPECT_EQ(parseHive(once, b), 0u) << once;
    EXPECT_EQ(serializeHive(b), once);
}

TEST(Hive, WellFormedTextRoundTripsExactly) {
    const std::string text =
        "kez-registry 1\n"
        "D rootValue 7\n"
        "K 00000000000000AA CLSID\n"
        "K 00000000000000AB CLSID\\{1F1BA2AE-A996-4B17-94FD-F0D78ED0FF65}\n"
        "S @ WavChunksEditor%20Class\n"
        "S AppID {B0409E57-1E14-4374-BFC4-CCC8237FD108}\n"
        "K 00000000000000AC CLSID\\{1F1BA2AE-A996-4B17-94FD-F0D78ED0FF65}\\InprocServer32\n"
        "S @ /opt/k%20z/libKezAudioChunksEditor3.so\n"
        "S ThreadingModel Apartment\n"
        "H %40 3 00FF\n"
        "E path %25HOME%25\n"
        "K 00000000000000AD Ключ%20✓\n";
    Key root;
    EXPECT_EQ(parseHive(text, root), 0u);
    EXPECT_EQ(serializeHive(root), text);
    ASSERT_NE(root.child(u"clsid"), nullptr);
    EXPECT_EQ(root.child(u"clsid")->id, 0xAAu);
    EXPECT_EQ(root.values.size(), 1u);
}

TEST(Hive, KeysOutOfOrderAndRepeatedMerge) {
    Key root;
    EXPECT_EQ(parseHive("K 0000000000000002 a\\b\nD x 1\nK 0000000000000001 A\nD y 2\nK 0000000000000002 A\\B\nD x 3\n",
                        root),
              0u);
    Key* a = root.child(u"a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->id, 1u);
    ASSERT_EQ(a->subkeys.size(), 1u);
    Key* b = a->child(u"b");
    ASSERT_EQ(b->values.size(), 1u);  // the later x replaced the earlier
    EXPECT_EQ(b->values[0].data, (std::vector<BYTE>{3, 0, 0, 0}));
}

TEST(Hive, LimitsKeepTreesSane) {
    std::string deep = "K 0000000000000001 ";
    for (int i = 0; i < 600; ++i) deep += i ? "\\k" : "k";
    std::string longName = "K 0000000000000001 " + std::string(256, 'n');
    Key root;
    EXPECT_EQ(parseHive(deep + "\n" + longName + "\nD v 1\n", root), 3u);  // the value has no key
    EXPECT_TRUE(root.subkeys.empty());
    EXPECT_TRUE(root.values.empty());
}

TEST(Hive, RegressionInputsParseAndWriteBackStably) {
    std::filesystem::path dir(REGISTRY_REGRESSIONS_DIR);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        SCOPED_TRACE(entry.path().filename().string());
        expectStable(ss.str());
        ++files;
    }
    EXPECT_GT(files, 0);
}

}  // namespace
