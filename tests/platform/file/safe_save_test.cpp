// Safe saving: the target is replaced whole at Commit or not at all, and what killed
// saves left is cleared by the next one; the file facts it relies on.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "file/SafeSave.h"

using namespace platform::file;

namespace {

class SafeSaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/safeXXXXXX";
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        dir_ = templ;
        target_ = dir_ + "/song.mp3";
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
    static void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    static std::string Get(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    static bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }
    std::string dir_, target_;
};

TEST_F(SafeSaveTest, CommitReplacesTheTargetKeepingItsPermissionsAndDiscardLeavesItAlone) {
    Put(target_, "old");
    ASSERT_EQ(::chmod(target_.c_str(), 0640), 0);
    {
        SafeSave save(target_);
        EXPECT_EQ(save.TempPath(), target_ + ".tmp." + std::to_string(::getpid()));
        Put(save.TempPath(), "half");
    }  // not committed: as a failed job
    EXPECT_EQ(Get(target_), "old");
    EXPECT_FALSE(Exists(target_ + ".tmp." + std::to_string(::getpid())));

    SafeSave save(target_);
    Put(save.TempPath(), "new");
    ASSERT_EQ(save.Commit(), 0);
    EXPECT_EQ(Get(target_), "new");
    struct stat st {};
    ASSERT_EQ(::stat(target_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_FALSE(Exists(save.TempPath()));

    // Nothing written: the commit fails and the target stays.
    SafeSave empty(target_);
    EXPECT_EQ(empty.Commit(), ENOENT);
    EXPECT_EQ(Get(target_), "new");
}

TEST_F(SafeSaveTest, StaleTemporariesOfDeadProcessesAreRemovedAndNothingElse) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);  // a process id that no longer runs
    const std::string dead = target_ + ".tmp." + std::to_string(child);
    const std::string live = target_ + ".tmp." + std::to_string(::getppid());
    // A tag step's or a comment rewrite's temporary of a killed output's temporary.
    const std::string deadNested = dead + ".tmp." + std::to_string(child), deadRewrite = dead + "~";
    const std::string liveNested = dead + ".tmp." + std::to_string(::getppid());
    for (const std::string& p : {target_, target_ + "~", dead, live, deadNested, deadRewrite, liveNested,
                                 target_ + ".tmp.12ab", target_ + ".tmpx", dead + ".tmp.", dir_ + "/other.mp3~"})
        Put(p, "x");
    ASSERT_EQ(::mkdir((target_ + ".tmp.1").c_str(), 0700), 0);  // not a file: never ours
    EXPECT_EQ(RemoveStaleTemps(target_), 4);
    for (const std::string& p : {target_ + "~", dead, deadNested, deadRewrite}) EXPECT_FALSE(Exists(p)) << p;
    for (const std::string& p : {target_, live, liveNested, target_ + ".tmp.12ab", target_ + ".tmpx", dead + ".tmp.",
                                 dir_ + "/other.mp3~", target_ + ".tmp.1"})
        EXPECT_TRUE(Exists(p)) << p;
}

TEST_F(SafeSaveTest, FileFacts) {
    Put(target_, "x");
    ASSERT_EQ(::link(target_.c_str(), (dir_ + "/hard.mp3").c_str()), 0);
    ASSERT_EQ(::symlink(target_.c_str(), (dir_ + "/soft.mp3").c_str()), 0);
    Put(dir_ + "/copy.mp3", "x");
    EXPECT_TRUE(SameFile(target_, dir_ + "/hard.mp3"));
    EXPECT_TRUE(SameFile(target_, dir_ + "/soft.mp3"));
    EXPECT_TRUE(SameFile(target_, dir_ + "/./song.mp3"));
    EXPECT_FALSE(SameFile(target_, dir_ + "/copy.mp3"));
    EXPECT_FALSE(SameFile(target_, dir_ + "/missing.mp3"));

    ASSERT_EQ(::mkfifo((dir_ + "/fifo.wav").c_str(), 0600), 0);
    EXPECT_EQ(RegularFileError(target_), 0);
    EXPECT_EQ(RegularFileError(dir_ + "/soft.mp3"), 0);
    EXPECT_EQ(RegularFileError(dir_), EISDIR);
    EXPECT_EQ(RegularFileError(dir_ + "/fifo.wav"), EINVAL);
    EXPECT_EQ(RegularFileError("/dev/null"), EINVAL);
    EXPECT_EQ(RegularFileError(dir_ + "/missing.mp3"), ENOENT);
    EXPECT_EQ(SaveErrorText(ENOSPC), "disk full");
}

}  // namespace
