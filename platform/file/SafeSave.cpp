#include "file/SafeSave.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform::file {
namespace {

constexpr const char kTempMark[] = ".tmp.";

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool AllDigits(const std::string& s) {
    if (s.empty() || s.size() > 10) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

bool ProcessRuns(long pid) { return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

// What follows "<name>.tmp." in a temporary of ours: a process id, then possibly the
// temporaries of steps that worked on that temporary (a tag step's ".tmp.<pid>", a comment
// rewrite's "~"). Stale when none of the processes named runs any more.
bool StaleSuffix(std::string rest) {
    if (!rest.empty() && rest.back() == '~') rest.pop_back();
    bool anyRuns = false;
    for (;;) {
        const std::size_t mark = rest.find(kTempMark);
        const std::string pid = rest.substr(0, mark);
        if (!AllDigits(pid)) return false;
        anyRuns = anyRuns || ProcessRuns(std::strtol(pid.c_str(), nullptr, 10));
        if (mark == std::string::npos) return !anyRuns;
        rest.erase(0, mark + sizeof(kTempMark) - 1);
    }
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // the rename is already done; a failure here loses nothing of the file
    ::close(fd);
}

}  // namespace

std::string TempPathFor(const std::string& target, long pid) {
    return target + kTempMark + std::to_string(pid);
}

int RemoveStaleTemps(const std::string& target) {
    const std::string folder = FolderOf(target);
    const std::string name = NameOf(target);
    const std::string prefix = name + kTempMark;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    std::vector<std::string> stale;
    while (const dirent* e = ::readdir(dir)) {
        const std::string entry = e->d_name;
        if (entry == name + "~") {
            stale.push_back(entry);
        } else if (entry.size() > prefix.size() && entry.compare(0, prefix.size(), prefix) == 0) {
            if (StaleSuffix(entry.substr(prefix.size()))) stale.push_back(entry);
        }
    }
    ::closedir(dir);
    int removed = 0;
    for (const std::string& entry : stale) {
        const std::string path = folder + "/" + entry;
        struct stat st {};
        // Only files: a folder or a device of that name is none of ours.
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(path.c_str()) == 0) ++removed;
    }
    return removed;
}

SafeSave::SafeSave(std::string target) : target_(std::move(target)) {
    RemoveStaleTemps(target_);
    temp_ = TempPathFor(target_, static_cast<long>(::getpid()));
    ::unlink(temp_.c_str());  // an earlier save of this process that was not cleaned up
}

SafeSave::~SafeSave() {
    if (!committed_) Discard();
}

void SafeSave::Discard() {
    if (!committed_) ::unlink(temp_.c_str());
}

int SafeSave::Commit() {
    if (committed_) return 0;
    const int fd = ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        Discard();
        return err;
    }
    int err = 0;
    struct stat old {};
    if (::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        // The replaced file keeps its permissions.
        if (::fchmod(fd, old.st_mode & 07777) != 0) err = errno;
    }
    if (!err && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && !err) err = errno;
    if (!err && ::rename(temp_.c_str(), target_.c_str()) != 0) err = errno;
    if (err) {
        Discard();
        return err;
    }
    committed_ = true;
    SyncFolder(FolderOf(target_));
    return 0;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

int RegularFileError(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno;
    if (S_ISREG(st.st_mode)) return 0;
    return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
}

std::string SaveErrorText(int err) {
    if (err == ENOSPC || err == EDQUOT) return "disk full";
    return std::strerror(err);
}

}  // namespace platform::file
