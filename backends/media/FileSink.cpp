#include "FileSink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "MediaError.h"

namespace kez::media {

FileSink::FileSink(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        int e = errno;
        if (e == ENOENT) throw MediaError("Cannot create the file " + Quoted(path) + ": the folder does not exist.");
        throw MediaError("Cannot create the file " + Quoted(path) + ": " + SystemText(e) + ".");
    }
}

FileSink::~FileSink() {
    if (fd_ >= 0) ::close(fd_);
}

void FileSink::Fail(int err) {
    const std::string reason = err == ENOSPC || err == EDQUOT ? std::string("disk full") : SystemText(err);
    throw MediaError("Writing the file " + Quoted(path_) + " failed: " + reason + ".");
}

void FileSink::Write(const void* data, std::size_t size) {
    WriteAt(size_, data, size);
    size_ += static_cast<std::int64_t>(size);
}

void FileSink::WriteAt(std::int64_t offset, const void* data, std::size_t size) {
    if (fd_ < 0) Fail(EBADF);
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::pwrite(fd_, p, size, offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
        }
        if (n == 0) Fail(ENOSPC);
        p += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
}

void FileSink::Close() {
    if (fd_ < 0) return;
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail(errno);
}

}  // namespace kez::media
