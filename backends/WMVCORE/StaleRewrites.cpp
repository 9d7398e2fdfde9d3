#include "StaleRewrites.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace wmvcore {
namespace {

const unsigned char kAsfHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                      0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Six letters and digits as the rewriter drew them; a suffix a person would type (one
// case of letters, a capitalised word, or only digits) is not taken for one.
bool RandomSuffix(const std::string& s) {
    if (s.size() != 6) return false;
    int lower = 0, upper = 0, digits = 0;
    for (char c : s) {
        if (c >= 'a' && c <= 'z')
            ++lower;
        else if (c >= 'A' && c <= 'Z')
            ++upper;
        else if (c >= '0' && c <= '9')
            ++digits;
        else
            return false;
    }
    if (digits == 6 || (digits == 0 && (lower == 0 || upper == 0))) return false;
    const bool capitalised = digits == 0 && upper == 1 && s[0] >= 'A' && s[0] <= 'Z';
    return !capitalised;
}

// Where the bytes after the ASF header object begin: -1 when the file does not begin with
// one; the file's size when the header is cut short (a rewrite killed while writing it).
off_t DataStart(int fd, off_t size) {
    unsigned char head[24];
    const ssize_t got = ::pread(fd, head, sizeof head, 0);
    if (got < 16 || std::memcmp(head, kAsfHeader, 16) != 0) return -1;
    if (got < 24) return size;
    std::uint64_t headerSize = 0;
    for (int i = 7; i >= 0; --i) headerSize = (headerSize << 8) | head[16 + i];
    return headerSize > static_cast<std::uint64_t>(size) ? size : static_cast<off_t>(headerSize);
}

// True when the leftover's data is a prefix of the target's data.
bool RewriteOf(const std::string& leftover, const std::string& target) {
    Fd a(::open(leftover.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    Fd b(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat sa {}, sb {};
    if (a.get() < 0 || b.get() < 0 || ::fstat(a.get(), &sa) != 0 || ::fstat(b.get(), &sb) != 0 ||
        !S_ISREG(sa.st_mode) || !S_ISREG(sb.st_mode))
        return false;
    off_t at = DataStart(a.get(), sa.st_size), bt = DataStart(b.get(), sb.st_size);
    if (at < 0 || bt < 0 || sa.st_size - at > sb.st_size - bt) return false;
    std::vector<unsigned char> x(1 << 16), y(1 << 16);
    while (at < sa.st_size) {
        const ssize_t n = ::pread(a.get(), x.data(), x.size(), at);
        if (n <= 0 || ::pread(b.get(), y.data(), static_cast<std::size_t>(n), bt) != n ||
            std::memcmp(x.data(), y.data(), static_cast<std::size_t>(n)) != 0)
            return false;
        at += n;
        bt += n;
    }
    return true;
}

}  // namespace

int RemoveStaleRewrites(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const std::string prefix = (slash == std::string::npos ? target : target.substr(slash + 1)) + ".";
    std::vector<std::string> found;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 &&
                RandomSuffix(name.substr(prefix.size())))
                found.push_back(folder + "/" + name);
        }
        ::closedir(dir);
    }
    int removed = 0;
    for (const std::string& path : found)
        if (RewriteOf(path, target) && ::unlink(path.c_str()) == 0) ++removed;
    return removed;
}

}  // namespace wmvcore
