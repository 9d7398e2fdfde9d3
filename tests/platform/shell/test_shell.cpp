#include "shell/shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

INT Code(HINSTANCE h) { return static_cast<INT>(reinterpret_cast<std::intptr_t>(h)); }

// A temporary folder with an opener script that records its arguments, one per line,
// and the folder it was started in.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "shellXXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root_ = tmpl;
        record_ = root_ / "record.txt";
        const fs::path script = root_ / "opener.sh";
        std::ofstream(script) << "#!/bin/sh\n"
                                 "{ echo \"argc=$#\"; for a in \"$@\"; do echo \"arg=$a\"; done; echo \"cwd=$(pwd)\"; } "
                                 "> \"$OPENER_RECORD.part\"\n"
                                 "mv \"$OPENER_RECORD.part\" \"$OPENER_RECORD\"\n";
        fs::permissions(script, fs::perms::owner_all);
        ::setenv("PLATFORM_OPENER", script.c_str(), 1);
        ::setenv("OPENER_RECORD", record_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("PLATFORM_OPENER");
        fs::remove_all(root_);
    }

    // The recorded lines, waiting up to five seconds for the opener to finish.
    std::vector<std::string> Recorded() {
        for (int i = 0; i < 3000 && !fs::exists(record_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::vector<std::string> lines;
        std::ifstream in(record_);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    fs::path root_, record_;
};

TEST_F(ShellTest, OpenAddressPassesItAsOneArgumentWithoutAShell) {
    const char16_t* url = u"https://example.org/a b?x=1&y=$(touch pwned);`touch pwned2`'\"";
    EXPECT_GT(Code(ShellExecuteW(nullptr, u"open", url, nullptr, root_.u16string().c_str(), SW_SHOWMAXIMIZED)), 32);
    const auto lines = Recorded();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "argc=1");
    EXPECT_EQ(lines[1], "arg=https://example.org/a b?x=1&y=$(touch pwned);`touch pwned2`'\"");
    EXPECT_EQ(lines[2], "cwd=" + fs::canonical(root_).string());  // started in the given folder
    EXPECT_FALSE(fs::exists(root_ / "pwned"));
    EXPECT_FALSE(fs::exists(root_ / "pwned2"));
}

TEST_F(ShellTest, MailLinkAndNullVerbMeanOpen) {
    EXPECT_GT(Code(ShellExecuteW(nullptr, nullptr, u"MAILTO:someone@example.org", nullptr, nullptr, SW_SHOW)), 32);
    const auto lines = Recorded();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "arg=MAILTO:someone@example.org");
}

TEST_F(ShellTest, ExploreFolderGivesItsAbsolutePath) {
    fs::create_directory(root_ / "-out put");
    // Relative to dir; the leading '-' cannot pass for an option once made absolute.
    EXPECT_GT(Code(ShellExecuteW(nullptr, u"explore", u"-out put", nullptr, root_.u16string().c_str(), SW_SHOWNORMAL)),
              32);
    const auto lines = Recorded();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "arg=" + fs::canonical(root_ / "-out put").string());
}

TEST_F(ShellTest, FailuresAreReportedNotStarted) {
    const std::u16string dir = root_.u16string();
    std::ofstream(root_ / "file.txt") << "x";
    struct {
        const char16_t* verb;
        const char16_t* file;
        INT code;
    } rows[] = {
        {u"explore", u"missing", SE_ERR_PNF},
        {u"explore", u"file.txt", SE_ERR_PNF},  // a file is not a folder
        {u"open", u"missing.mp3", SE_ERR_FNF},
        {u"open", u"", SE_ERR_FNF},
        {u"open", u"javascript:alert(1)", SE_ERR_NOASSOC},
        {u"open", u"file:///etc/passwd", SE_ERR_NOASSOC},
        {u"print", u"file.txt", SE_ERR_NOASSOC},
    };
    for (auto r : rows) EXPECT_EQ(Code(ShellExecuteW(nullptr, r.verb, r.file, nullptr, dir.c_str(), SW_SHOW)), r.code);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(fs::exists(record_));  // the opener never ran
}

TEST_F(ShellTest, MissingOpenerIsAFailure) {
    ::setenv("PLATFORM_OPENER", (root_ / "no-such-opener").c_str(), 1);
    EXPECT_EQ(Code(ShellExecuteW(nullptr, u"open", u"https://example.org", nullptr, nullptr, SW_SHOW)), SE_ERR_NOASSOC);
}

TEST(FatalMessage, PrintsCaptionAndTextThenExitsWithOne) {
    EXPECT_EXIT(PlatformFatalMessage(u"KezAudioChunksEditor3", u"AudioInfo no registred \u00E9"),
                ::testing::ExitedWithCode(1), "KezAudioChunksEditor3: AudioInfo no registred \xC3\xA9");
}

}  // namespace
