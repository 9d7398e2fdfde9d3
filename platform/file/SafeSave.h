// Saving a file without ever losing the old one: the new content is written to a file
// beside the target ("<target>.tmp.<pid>") and renamed over the target only once it is
// complete and on disk. Until Commit the target is untouched; a failure, a cancel or a
// kill leaves it as it was, and the next save of the same target removes what a killed
// run left behind. Also the file facts that saving and opening rely on.
#pragma once

#include <string>

#include "automation/wintypes.h"

namespace platform::file {

// Writing through a file of this name never touches the target until Commit.
class PLATFORM_CXX SafeSave {
public:
    // Removes stale temporaries of target and picks this process's temporary name.
    // Nothing is created yet: the caller writes TempPath() by any means.
    explicit SafeSave(std::string target);
    ~SafeSave();  // discards the temporary file unless committed
    SafeSave(const SafeSave&) = delete;
    SafeSave& operator=(const SafeSave&) = delete;

    const std::string& Target() const { return target_; }
    const std::string& TempPath() const { return temp_; }

    // Syncs the temporary file, gives it the old target's permissions, renames it over the
    // target and syncs the folder. Returns 0 or the errno of the step that failed (the
    // temporary file is then removed and the target left as it was).
    int Commit();
    // Removes the temporary file (if any); the target stays as it was.
    void Discard();
    bool Committed() const { return committed_; }

private:
    std::string target_;
    std::string temp_;
    bool committed_ = false;
};

// The temporary name a save of target uses in process pid.
PLATFORM_CXX std::string TempPathFor(const std::string& target, long pid);

// Removes what killed saves of target left beside it: "<target>~" and "<target>.tmp.<pid>"
// of processes that no longer run. Returns how many files were removed.
PLATFORM_CXX int RemoveStaleTemps(const std::string& target);

// True when both paths exist and name the same file (same device and inode), whatever the
// names: a hard link, a symbolic link or another spelling of the path.
PLATFORM_CXX bool SameFile(const std::string& a, const std::string& b);

// 0 when path names a regular file (following links); otherwise ENOENT, EISDIR for a
// folder, or EINVAL for a FIFO, a device or a socket. Never opens the file, so a FIFO
// cannot block the caller.
PLATFORM_CXX int RegularFileError(const std::string& path);

// A short text for the errno of a failed save, "disk full" for ENOSPC and EDQUOT.
PLATFORM_CXX std::string SaveErrorText(int err);

}  // namespace platform::file
