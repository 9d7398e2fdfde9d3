// The settings store on the platform registry and the "grid.ini" column layout.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "registry/registry.h"
#include "settings/GridLayout.h"
#include "settings/settings.h"

namespace {

// Each test gets its own registry folder and program, configuration and music folders.
class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        const QByteArray reg = (dir_.path() + QStringLiteral("/registry")).toUtf8();
        QDir().mkpath(QString::fromUtf8(reg));
        PlatformSetRegistryDir(reg.constData());
        paths_.programDir = dir_.path() + QStringLiteral("/bin");
        paths_.configDir = dir_.path() + QStringLiteral("/config/TarvelCutter");
        paths_.musicDir = dir_.path() + QStringLiteral("/Music");
        QDir().mkpath(paths_.programDir);
    }
    void TearDown() override { PlatformSetRegistryDir(nullptr); }

    HKEY OpenKey() {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    void PutInt(const char16_t* name, DWORD v) {
        HKEY key = OpenKey();
        ASSERT_EQ(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v)), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void PutString(const char16_t* name, const std::u16string& s) {
        HKEY key = OpenKey();
        ASSERT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(s.c_str()),
                                 DWORD((s.size() + 1) * 2)),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    std::optional<DWORD> GetInt(const char16_t* name) {
        HKEY key = OpenKey();
        DWORD type = 0, v = 0, size = sizeof(v);
        const LSTATUS st = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size);
        RegCloseKey(key);
        if (st != ERROR_SUCCESS || type != REG_DWORD)
            return std::nullopt;
        return v;
    }

    QTemporaryDir dir_;
    TAppPaths paths_;
};

}  // namespace

TEST_F(SettingsStoreTest, FirstRunGivesTheDefaults) {
    TSettingsStore store(paths_);
    TSettingsValues v;
    ASSERT_TRUE(store.Load(v));
    EXPECT_EQ(v.joinFormat, -1);
    EXPECT_EQ(v.joinName, "Undefined");
    EXPECT_EQ(v.joinFolder, paths_.musicDir);
    EXPECT_EQ(v.splitFolder, paths_.musicDir);
    EXPECT_FALSE(v.promptExist);
    EXPECT_TRUE(v.showSucc);
    EXPECT_FALSE(v.openFolder);
    EXPECT_FALSE(v.copyAudio);
    EXPECT_EQ(v.params, TOutputParams{});
    EXPECT_EQ(v.params.wmaFormat, 39);
    EXPECT_EQ(v.params.outFormat, 0);
    EXPECT_FALSE(v.grid.has_value());
}

TEST_F(SettingsStoreTest, SavedValuesComeBackUnderTheirNames) {
    TSettingsStore store(paths_);
    TSettingsValues v;
    v.joinFormat = 2;
    v.joinName = QStringLiteral("Mix \u00e9t\u00e9");
    v.joinFolder = QStringLiteral("/srv/out");
    v.splitFolder = QStringLiteral("/srv/cuts/");
    v.promptExist = true;
    v.showSucc = false;
    v.openFolder = true;
    v.copyAudio = true;
    v.params = {11025, 5, 100, 48000, 3, 320, 22050, 1, 8, 7, 2};
    ASSERT_TRUE(store.Save(v));

    // The stored names and numbers, as another reader of the registry sees them.
    struct Row {
        const char16_t* name;
        DWORD value;
    } rows[] = {{u"joinFormat", 2},     {u"promptExist", 1},    {u"showSucc", 0},     {u"openFolder", 1},
                {u"copyAudio", 1},
                {u"mp3Samplerate", 11025}, {u"mp3Channel", 5},  {u"mp3Bitrate", 100}, {u"oggSamplerate", 48000},
                {u"oggChannel", 3},     {u"oggBitrate", 320},   {u"pcmSamlerate", 22050}, {u"pcmChannel", 1},
                {u"pcmSamplesize", 8},  {u"wmaFormat", 7},      {u"outFormat", 2}};
    for (const Row& r : rows)
        EXPECT_EQ(GetInt(r.name), std::optional<DWORD>(r.value)) << QString::fromStdU16String(r.name).toStdString();
    EXPECT_EQ(GetInt(u"pcmSamplerate"), std::nullopt);

    TSettingsValues back;
    ASSERT_TRUE(store.Load(back));
    EXPECT_EQ(back.joinFormat, 2);
    EXPECT_EQ(back.joinName, v.joinName);
    EXPECT_EQ(back.joinFolder, "/srv/out");
    EXPECT_EQ(back.splitFolder, "/srv/cuts/");
    EXPECT_TRUE(back.promptExist);
    EXPECT_FALSE(back.showSucc);
    EXPECT_TRUE(back.openFolder);
    EXPECT_TRUE(back.copyAudio);
    EXPECT_EQ(back.params, v.params);
}

TEST_F(SettingsStoreTest, StoredValuesThatAreNotApplied) {
    PutInt(u"joinFormat", 7);
    PutString(u"splitFolder", u"");
    PutString(u"joinFolder", u"");
    PutString(u"joinName", u"");
    PutInt(u"showSucc", 5);     // any non-zero number is true
    PutInt(u"promptExist", 0);
    PutString(u"mp3Bitrate", u"192");  // wrong type: counts as absent
    PutInt(u"oggChannel", 0);          // kept as stored, whatever the page can show

    TSettingsStore store(paths_);
    TSettingsValues v;
    v.joinFormat = 1;  // what the box held before loading
    ASSERT_TRUE(store.Load(v));
    EXPECT_EQ(v.joinFormat, 1);
    EXPECT_EQ(v.splitFolder, paths_.musicDir);
    EXPECT_EQ(v.joinFolder, paths_.musicDir);
    EXPECT_EQ(v.joinName, "");
    EXPECT_TRUE(v.showSucc);
    EXPECT_FALSE(v.promptExist);
    EXPECT_EQ(v.params.mp3Bitrate, 256);
    EXPECT_EQ(v.params.oggChannel, 0);

    TSettingsValues fresh;
    PutInt(u"joinFormat", DWORD(-3));
    ASSERT_TRUE(store.Load(fresh));
    EXPECT_EQ(fresh.joinFormat, -1);
}

TEST_F(SettingsStoreTest, GridLayoutBesideTheProgramOrInTheConfigFolder) {
    TGridLayout layout;
    for (int i = 0; i < 14; ++i)
        layout.columns.push_back({50 + i, 13 - i, i == 3, i != 5, i == 3});
    TSettingsValues v;
    v.grid = layout;

    TSettingsStore store(paths_);
    ASSERT_TRUE(store.Save(v));
    EXPECT_TRUE(QFile::exists(paths_.programDir + "/grid.ini"));
    TSettingsValues back;
    ASSERT_TRUE(store.Load(back));
    ASSERT_TRUE(back.grid.has_value());
    EXPECT_EQ(*back.grid, layout);

    // A program folder that cannot take the file: the configuration folder does.
    TAppPaths blocked = paths_;
    blocked.programDir = dir_.path() + QStringLiteral("/not-a-folder");
    QFile file(blocked.programDir);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    TSettingsStore other(blocked);
    layout.columns[0].width = 321;
    v.grid = layout;
    ASSERT_TRUE(other.Save(v));
    EXPECT_TRUE(QFile::exists(blocked.configDir + "/grid.ini"));
    TSettingsValues again;
    ASSERT_TRUE(other.Load(again));
    ASSERT_TRUE(again.grid.has_value());
    EXPECT_EQ(again.grid->columns[0].width, 321);
}

TEST_F(SettingsStoreTest, UnusableRegistryLeavesEverythingAsItWas) {
    // A registry folder that is a file: the key can be neither opened nor created.
    const QString blocker = dir_.path() + QStringLiteral("/blocker");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QByteArray reg = (blocker + QStringLiteral("/registry")).toUtf8();
    PlatformSetRegistryDir(reg.constData());

    TSettingsStore store(paths_);
    TSettingsValues v;
    v.splitFolder = QStringLiteral("as designed");
    v.params.mp3Bitrate = 64;
    EXPECT_FALSE(store.Load(v));
    EXPECT_EQ(v.splitFolder, "as designed");
    EXPECT_EQ(v.params.mp3Bitrate, 64);
    EXPECT_FALSE(store.Save(v));
}

TEST(GridLayoutTest, FileTextAndDamagedFiles) {
    QTemporaryDir dir;
    const QString file = dir.path() + "/grid.ini";
    TGridLayout layout;
    layout.columns = {{160, 1, false, true, false}, {64, 0, true, false, true}};
    ASSERT_TRUE(WriteGridLayout(file, layout));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    f.close();
    for (const char* expected : {"[Columns Sizes]\nColumn0=160\nColumn1=64\n", "[Positions]\nColumn0=1\nColumn1=0\n",
                                 "[Sorted]\nColumn0=0\nColumn1=1\n", "[Visible Columns]\nColumn0=1\nColumn1=0\n",
                                 "[Columns Sort Kind]\nColumn0=Ascending\nColumn1=Descending\n",
                                 "[Common]\nColumnsCount=2\n"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;

    const auto write = [&](const QByteArray& bytes) {
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
    };
    // Damaged entries keep the defaults; positions outside the list are ignored.
    write("[Common]\nColumnsCount=3\n[Columns Sizes]\nColumn0=abc\nColumn1=-4\nColumn2=90\n"
          "[Positions]\nColumn0=99\nColumn1=2\n[Sorted]\nColumn2=1\n");
    auto damaged = ReadGridLayout(file);
    ASSERT_TRUE(damaged.has_value());
    ASSERT_EQ(damaged->columns.size(), 3u);
    EXPECT_EQ(damaged->columns[0].width, 64);
    EXPECT_EQ(damaged->columns[0].position, 0);
    EXPECT_EQ(damaged->columns[1].width, 64);
    EXPECT_EQ(damaged->columns[1].position, 2);
    EXPECT_EQ(damaged->columns[2].width, 90);
    EXPECT_TRUE(damaged->columns[2].sorted);

    write("[Common]\nColumnsCount=1000000\n");
    auto huge = ReadGridLayout(file);
    ASSERT_TRUE(huge.has_value());
    EXPECT_EQ(int(huge->columns.size()), kMaxGridColumns);

    write("no sections at all\n");
    EXPECT_FALSE(ReadGridLayout(file).has_value());
    EXPECT_FALSE(ReadGridLayout(dir.path() + "/missing.ini").has_value());
}
