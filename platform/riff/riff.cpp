// Buffered RIFF file I/O. One buffer per handle serves both directions: it holds a window
// of the file starting at bufOff, of which bufLen bytes are valid, and a dirty range that
// is written back before the window moves. Large requests bypass the buffer.
#include "riff/riff.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>

struct HMMIO__ {
    int fd = -1;
    bool writable = false;
    char* buf = nullptr;
    std::size_t cap = 0;
    std::int64_t bufOff = 0;     // file offset of buf[0]
    std::size_t bufLen = 0;      // valid bytes in buf
    std::size_t dirtyLo = 0;     // dirty range in buf, empty when dirtyLo == dirtyHi
    std::size_t dirtyHi = 0;
    std::int64_t pos = 0;        // logical file position
};

namespace {

constexpr std::int64_t kMaxDword = 0xFFFFFFFFll;

void putLe32(char* p, DWORD v) {
    for (int i = 0; i < 4; ++i) p[i] = (char)(BYTE)(v >> (8 * i));
}
DWORD getLe32(const char* p) {
    DWORD v = 0;
    for (int i = 0; i < 4; ++i) v |= (DWORD)(BYTE)p[i] << (8 * i);
    return v;
}

std::string toUtf8(LPCWSTR s) {
    std::string out;
    for (std::size_t i = 0; s[i]; ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // a lone surrogate names no file we could have created
        }
        if (c < 0x80) {
            out += (char)c;
        } else if (c < 0x800) {
            out += (char)(0xC0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += (char)(0xE0 | (c >> 12));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        } else {
            out += (char)(0xF0 | (c >> 18));
            out += (char)(0x80 | ((c >> 12) & 0x3F));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool writeAll(int fd, const char* p, std::size_t n, std::int64_t off) {
    while (n > 0) {
        ssize_t r = ::pwrite(fd, p, n, off);
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (r == 0) return false;
        p += r;
        n -= (std::size_t)r;
        off += r;
    }
    return true;
}

// Reads until n bytes, end of file or an error; returns the count, -1 when an error came first.
ssize_t readSome(int fd, char* p, std::size_t n, std::int64_t off) {
    std::size_t got = 0;
    while (got < n) {
        ssize_t r = ::pread(fd, p + got, n - got, off + (std::int64_t)got);
        if (r < 0) {
            if (errno == EINTR) continue;
            return got ? (ssize_t)got : -1;
        }
        if (r == 0) break;
        got += (std::size_t)r;
    }
    return (ssize_t)got;
}

bool flush(HMMIO h) {
    if (h->dirtyHi <= h->dirtyLo) return true;
    bool ok = writeAll(h->fd, h->buf + h->dirtyLo, h->dirtyHi - h->dirtyLo, h->bufOff + (std::int64_t)h->dirtyLo);
    h->dirtyLo = h->dirtyHi = 0;
    if (!ok) h->bufLen = 0;  // what the buffer holds is no longer what the file holds
    return ok;
}

// The file's size including data still in the buffer; -1 when it cannot be learnt.
std::int64_t fileSize(HMMIO h) {
    struct stat st;
    if (::fstat(h->fd, &st) != 0) return -1;
    std::int64_t size = st.st_size;
    if (h->dirtyHi > h->dirtyLo) size = std::max(size, h->bufOff + (std::int64_t)h->dirtyHi);
    return size;
}

LONG readBytes(HMMIO h, char* dst, std::size_t n) {
    std::size_t total = 0;
    while (n > 0) {
        std::int64_t bufEnd = h->bufOff + (std::int64_t)h->bufLen;
        if (h->pos >= h->bufOff && h->pos < bufEnd) {
            std::size_t at = (std::size_t)(h->pos - h->bufOff);
            std::size_t k = std::min(n, h->bufLen - at);
            std::memcpy(dst + total, h->buf + at, k);
            h->pos += (std::int64_t)k;
            total += k;
            n -= k;
            continue;
        }
        if (!flush(h)) return total ? (LONG)total : -1;
        if (n >= h->cap) {
            ssize_t r = readSome(h->fd, dst + total, n, h->pos);
            if (r < 0) return total ? (LONG)total : -1;
            h->pos += r;
            total += (std::size_t)r;
            break;  // whatever came short is end of file or an error
        }
        h->bufOff = h->pos;
        h->bufLen = 0;
        ssize_t r = readSome(h->fd, h->buf, h->cap, h->pos);
        if (r < 0) return total ? (LONG)total : -1;
        if (r == 0) break;
        h->bufLen = (std::size_t)r;
    }
    return (LONG)total;
}

bool writeBytes(HMMIO h, const char* src, std::size_t n) {
    while (n > 0) {
        bool inWindow = h->pos >= h->bufOff && h->pos <= h->bufOff + (std::int64_t)h->bufLen &&
                        h->pos < h->bufOff + (std::int64_t)h->cap;
        if (!inWindow) {
            if (!flush(h)) return false;
            if (n >= h->cap) {
                if (!writeAll(h->fd, src, n, h->pos)) return false;
                h->pos += (std::int64_t)n;
                h->bufLen = 0;  // the window may overlap what was just written
                return true;
            }
            h->bufOff = h->pos;
            h->bufLen = 0;
        }
        std::size_t at = (std::size_t)(h->pos - h->bufOff);
        std::size_t k = std::min(n, h->cap - at);
        std::memcpy(h->buf + at, src, k);
        if (h->dirtyHi <= h->dirtyLo) {
            h->dirtyLo = at;
            h->dirtyHi = at + k;
        } else {
            h->dirtyLo = std::min(h->dirtyLo, at);
            h->dirtyHi = std::max(h->dirtyHi, at + k);
        }
        h->bufLen = std::max(h->bufLen, at + k);
        h->pos += (std::int64_t)k;
        src += k;
        n -= k;
    }
    return true;
}

UINT openError(int err, const std::string& path, bool creating) {
    switch (err) {
    case ENOENT: {
        std::string::size_type slash = path.rfind('/');
        if (creating) return MMIOERR_PATHNOTFOUND;
        if (slash != std::string::npos && slash > 0) {
            struct stat st;
            if (::stat(path.substr(0, slash).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return MMIOERR_PATHNOTFOUND;
        }
        return MMIOERR_FILENOTFOUND;
    }
    case ENOTDIR: return MMIOERR_PATHNOTFOUND;
    case EACCES:
    case EPERM:
    case EROFS: return MMIOERR_ACCESSDENIED;
    case EMFILE:
    case ENFILE: return MMIOERR_TOOMANYOPENFILES;
    case ENOMEM: return MMIOERR_OUTOFMEMORY;
    default: return MMIOERR_CANNOTOPEN;
    }
}

HMMIO openPath(const std::string& path, LPMMIOINFO info, DWORD flags) {
    auto fail = [info](UINT code) -> HMMIO {
        if (info) {
            info->wErrorRet = code;
            info->hmmio = nullptr;
        }
        return nullptr;
    };
    DWORD access = flags & 0x3;
    if (access == 0x3) return fail(MMSYSERR_INVALFLAG);
    bool creating = (flags & MMIO_CREATE) != 0;
    bool writable = creating || access != MMIO_READ;
    if (path.empty()) return fail(MMIOERR_FILENOTFOUND);

    int oflags = (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | (creating ? O_CREAT : 0);
    int fd = ::open(path.c_str(), oflags, 0666);
    if (fd < 0) return fail(openError(errno, path, creating));
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return fail(S_ISDIR(st.st_mode) ? MMIOERR_ACCESSDENIED : MMIOERR_CANNOTOPEN);
    }

    // Sharing: a deny mode is a lock held for the handle's life; a plain writer only checks
    // that no deny-write holder exists. Checked before truncating, so a refused create
    // leaves the file alone.
    DWORD share = flags & 0x70;
    int lock = 0;
    if (share == MMIO_EXCLUSIVE || share == MMIO_DENYREAD) lock = LOCK_EX;
    else if (share == MMIO_DENYWRITE) lock = writable ? LOCK_EX : LOCK_SH;
    if (lock) {
        if (::flock(fd, lock | LOCK_NB) != 0) {
            ::close(fd);
            return fail(MMIOERR_SHARINGVIOLATION);
        }
    } else if (writable) {
        // Probe for deny-write holders: any lock they hold keeps an exclusive one out.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return fail(MMIOERR_SHARINGVIOLATION);
        }
        ::flock(fd, LOCK_UN);
    }
    // An empty file is left as it is: truncating it anyway makes ext4 write the whole new
    // content back at close (its guard for files replaced by truncate and rewrite).
    if (creating && (::fstat(fd, &st) != 0 || st.st_size != 0) && ::ftruncate(fd, 0) != 0) {
        int err = errno;
        ::close(fd);
        return fail(openError(err, path, creating));
    }

    std::size_t cap = MMIO_DEFAULTBUFFER;
    if (info && (flags & MMIO_ALLOCBUF) && info->cchBuffer > 0) cap = std::max<std::size_t>(4096, (std::size_t)info->cchBuffer);
    HMMIO h = new (std::nothrow) HMMIO__;
    char* buf = new (std::nothrow) char[cap];
    if (!h || !buf) {
        delete h;
        delete[] buf;
        ::close(fd);
        return fail(MMIOERR_OUTOFMEMORY);
    }
    h->fd = fd;
    h->writable = writable;
    h->buf = buf;
    h->cap = cap;
    if (info) {
        info->wErrorRet = MMSYSERR_NOERROR;
        info->hmmio = h;
        info->cchBuffer = (LONG)cap;
    }
    return h;
}

bool readExact(HMMIO h, char* dst, std::size_t n) { return readBytes(h, dst, n) == (LONG)n; }

// Below this a copy goes through the buffers: fewer system calls, and src's window stays
// loaded for the reads that usually follow a short copy.
constexpr std::int64_t kLargeCopy = 64 * 1024;
// One piece of a copy through this process: big enough that system calls do not count,
// small enough to stay in the processor's cache between the read and the write.
constexpr std::size_t kCopyPiece = 1 << 20;
constexpr std::int64_t kPage = 4096;

// A short copy through the handles' own read and write paths. Adds to done.
UINT copyThroughHandles(HMMIO dst, HMMIO src, std::int64_t n, std::int64_t& done) {
    char piece[16 * 1024];
    for (std::int64_t left = n; left > 0;) {
        LONG got = readBytes(src, piece, (std::size_t)std::min<std::int64_t>(left, (std::int64_t)sizeof piece));
        if (got < 0) return MMIOERR_CANNOTREAD;
        if (got == 0) break;  // end of file; a short piece before it is seen by the next read
        if (!writeBytes(dst, piece, (std::size_t)got)) return MMIOERR_CANNOTWRITE;
        done += got;
        left -= got;
    }
    return MMSYSERR_NOERROR;
}

// A large copy from file to file through one buffer, both handles' buffers already written
// out. Adds to done and moves both positions.
UINT copyDirect(HMMIO dst, HMMIO src, std::int64_t n, std::int64_t& done) {
    std::size_t size = (std::size_t)std::min<std::int64_t>(n, (std::int64_t)kCopyPiece);
    std::unique_ptr<char[]> heap(new (std::nothrow) char[size + 2 * kPage]);
    char small[16 * 1024];
    char* piece = small;
    if (heap) {
        // A copy whose target lies a few bytes past its source's offset in a page runs at half
        // speed on common processors (loads taken for recent stores). The buffer sits half a
        // page away from both the source's and the destination's offsets.
        std::int64_t delta = ((dst->pos - src->pos) % kPage + kPage) % kPage;
        std::int64_t want = (src->pos % kPage + delta / 2 + kPage / 2) % kPage;
        std::int64_t base = (std::int64_t)((std::uintptr_t)heap.get() % kPage);
        piece = heap.get() + (want - base + kPage) % kPage;
    } else {
        size = std::min(size, sizeof small);
    }
    for (std::int64_t left = n; left > 0;) {
        ssize_t got = readSome(src->fd, piece, (std::size_t)std::min<std::int64_t>(left, (std::int64_t)size), src->pos);
        if (got < 0) return MMIOERR_CANNOTREAD;
        if (got == 0) break;
        if (!writeAll(dst->fd, piece, (std::size_t)got, dst->pos)) return MMIOERR_CANNOTWRITE;
        src->pos += got;
        dst->pos += got;
        done += got;
        left -= got;
    }
    return MMSYSERR_NOERROR;
}

bool isRegular(int fd) {
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// Copies inside the system, both handles' buffers already written out. Returns false when
// the system cannot (or could not go on, or moved nothing, which some file systems answer
// before the end of the data), so the caller carries on through a buffer, which also tells
// a read failure from a write failure.
bool copyInSystem(HMMIO dst, HMMIO src, std::int64_t n, std::int64_t& done) {
    loff_t in = src->pos, out = dst->pos;
    bool finished = true;
    for (std::int64_t left = n; left > 0;) {
        std::size_t want = (std::size_t)std::min<std::int64_t>(left, 1ll << 30);
        ssize_t r = ::copy_file_range(src->fd, &in, dst->fd, &out, want, 0);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            finished = false;
            break;
        }
        done += r;
        left -= r;
    }
    src->pos = in;
    dst->pos = out;
    return finished;
}

}  // namespace

PLATFORM_API HMMIO mmioOpenW(LPCWSTR fileName, LPMMIOINFO info, DWORD flags) {
    if (!fileName) {
        if (info) info->wErrorRet = MMSYSERR_INVALPARAM;
        return nullptr;
    }
    return openPath(toUtf8(fileName), info, flags);
}

PLATFORM_API HMMIO mmioOpenUtf8(const char* fileName, LPMMIOINFO info, DWORD flags) {
    if (!fileName) {
        if (info) info->wErrorRet = MMSYSERR_INVALPARAM;
        return nullptr;
    }
    return openPath(fileName, info, flags);
}

PLATFORM_API MMRESULT mmioClose(HMMIO h, UINT) {
    if (!h) return MMSYSERR_INVALHANDLE;
    MMRESULT rc = flush(h) ? MMSYSERR_NOERROR : MMIOERR_CANNOTWRITE;
    if (::close(h->fd) != 0 && rc == MMSYSERR_NOERROR) rc = MMIOERR_CANNOTCLOSE;
    delete[] h->buf;
    delete h;
    return rc;
}

PLATFORM_API MMRESULT mmioFlush(HMMIO h, UINT) {
    if (!h) return MMSYSERR_INVALHANDLE;
    return flush(h) ? MMSYSERR_NOERROR : MMIOERR_CANNOTWRITE;
}

PLATFORM_API LONG mmioRead(HMMIO h, HPSTR buffer, LONG count) {
    if (!h || count < 0 || (!buffer && count > 0)) return -1;
    return readBytes(h, buffer, (std::size_t)count);
}

PLATFORM_API LONG mmioWrite(HMMIO h, const char* buffer, LONG count) {
    if (!h || !h->writable || count < 0 || (!buffer && count > 0)) return -1;
    return writeBytes(h, buffer, (std::size_t)count) ? count : -1;
}

PLATFORM_API LONGLONG mmioSeek64(HMMIO h, LONGLONG offset, int origin) {
    if (!h) return -1;
    std::int64_t base;
    switch (origin) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = h->pos; break;
    case SEEK_END:
        base = fileSize(h);
        if (base < 0) return -1;
        break;
    default: return -1;
    }
    if ((offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset) || base + offset < 0) return -1;
    h->pos = base + offset;
    return h->pos;
}

PLATFORM_API LONG mmioSeek(HMMIO h, LONG offset, int origin) {
    if (!h) return -1;
    std::int64_t old = h->pos;
    LONGLONG r = mmioSeek64(h, offset, origin);
    if (r < 0) return -1;
    if (r > std::numeric_limits<LONG>::max()) {
        h->pos = old;
        return -1;
    }
    return (LONG)r;
}

PLATFORM_API LONGLONG mmioCopy64(HMMIO dst, HMMIO src, LONGLONG count, UINT* error) {
    UINT ignored;
    UINT& err = error ? *error : ignored;
    err = MMSYSERR_NOERROR;
    if (!dst || !src) {
        err = MMSYSERR_INVALHANDLE;
        return -1;
    }
    if (dst == src || count < 0) {
        err = MMSYSERR_INVALPARAM;
        return -1;
    }
    if (!dst->writable) {
        err = MMIOERR_CANNOTWRITE;
        return -1;
    }
    std::int64_t done = 0;
    // What src's buffer already holds is not read again.
    std::int64_t bufEnd = src->bufOff + (std::int64_t)src->bufLen;
    if (count > 0 && src->pos >= src->bufOff && src->pos < bufEnd) {
        std::size_t at = (std::size_t)(src->pos - src->bufOff);
        std::size_t k = (std::size_t)std::min<std::int64_t>(count, (std::int64_t)(src->bufLen - at));
        if (!writeBytes(dst, src->buf + at, k)) {
            err = MMIOERR_CANNOTWRITE;
            return -1;
        }
        src->pos += (std::int64_t)k;
        done += (std::int64_t)k;
    }
    if (count - done < kLargeCopy) {
        err = copyThroughHandles(dst, src, count - done, done);
        return err == MMSYSERR_NOERROR ? done : -1;
    }
    // The rest bypasses both buffers: what src holds unwritten goes to its file first, dst's
    // pending bytes go first, and dst's window is dropped since the file changes beneath it.
    if (!flush(src)) err = MMIOERR_CANNOTREAD;
    else if (!flush(dst)) err = MMIOERR_CANNOTWRITE;
    if (err != MMSYSERR_NOERROR) return -1;
    dst->bufLen = 0;
    // The system copies page by page, as fast as cp when source and destination share their
    // offset within a page, at half speed otherwise; then the buffer is quicker.
    if ((dst->pos - src->pos) % kPage == 0 && isRegular(src->fd) && isRegular(dst->fd) &&
        copyInSystem(dst, src, count - done, done))
        return done;
    err = copyDirect(dst, src, count - done, done);
    return err == MMSYSERR_NOERROR ? done : -1;
}

PLATFORM_API MMRESULT mmioDescend(HMMIO h, LPMMCKINFO ck, LPCMMCKINFO parent, UINT flags) {
    if (!h || !ck) return MMSYSERR_INVALPARAM;
    UINT find = flags & (MMIO_FINDCHUNK | MMIO_FINDRIFF | MMIO_FINDLIST);
    if (find & (find - 1)) return MMSYSERR_INVALFLAG;  // at most one kind of search
    std::int64_t limit = std::numeric_limits<std::int64_t>::max();
    if (parent) limit = (std::int64_t)parent->dwDataOffset + parent->cksize;
    FOURCC wantId = ck->ckid, wantType = ck->fccType;
    for (;;) {
        std::int64_t start = h->pos;
        if (start > limit - 8) return MMIOERR_CHUNKNOTFOUND;
        char hdr[8];
        if (!readExact(h, hdr, 8)) return MMIOERR_CHUNKNOTFOUND;
        FOURCC id = getLe32(hdr);
        DWORD size = getLe32(hdr + 4);
        std::int64_t dataOff = start + 8;
        if (dataOff > kMaxDword) return MMIOERR_CANNOTSEEK;
        FOURCC type = 0;
        if (id == FOURCC_RIFF || id == FOURCC_LIST) {
            char t[4];
            if (!readExact(h, t, 4)) return MMIOERR_CHUNKNOTFOUND;
            type = getLe32(t);
        }
        bool match = find == 0 || (find == MMIO_FINDCHUNK && id == wantId) ||
                     (find == MMIO_FINDRIFF && id == FOURCC_RIFF && type == wantType) ||
                     (find == MMIO_FINDLIST && id == FOURCC_LIST && type == wantType);
        if (match) {
            ck->ckid = id;
            ck->cksize = size;
            ck->fccType = type;
            ck->dwDataOffset = (DWORD)dataOff;
            ck->dwFlags = 0;
            return MMSYSERR_NOERROR;
        }
        h->pos = dataOff + size + (size & 1);
    }
}

PLATFORM_API MMRESULT mmioAscend(HMMIO h, LPMMCKINFO ck, UINT) {
    if (!h || !ck) return MMSYSERR_INVALPARAM;
    std::int64_t dataOff = ck->dwDataOffset;
    if (ck->dwFlags & MMIO_DIRTY) {
        if (!h->writable) return MMIOERR_CANNOTWRITE;
        std::int64_t end = h->pos;
        if (end < dataOff || dataOff < 8) return MMIOERR_CANNOTSEEK;
        std::int64_t size = end - dataOff;
        if (size > kMaxDword) return MMIOERR_CANNOTWRITE;
        char le[4];
        putLe32(le, (DWORD)size);
        h->pos = dataOff - 4;
        bool ok = writeBytes(h, le, 4);
        h->pos = end;
        if (!ok) return MMIOERR_CANNOTWRITE;
        ck->cksize = (DWORD)size;
        if (size & 1) {
            char zero = 0;
            if (!writeBytes(h, &zero, 1)) return MMIOERR_CANNOTWRITE;
        }
        return MMSYSERR_NOERROR;
    }
    std::int64_t end = dataOff + ck->cksize;
    std::int64_t size = fileSize(h);
    if (size < 0 || end > size) return MMIOERR_CANNOTSEEK;
    // A missing pad byte after the last chunk is common and harmless.
    h->pos = end + (ck->cksize & 1);
    return MMSYSERR_NOERROR;
}

PLATFORM_API MMRESULT mmioCreateChunk(HMMIO h, LPMMCKINFO ck, UINT flags) {
    if (!h || !ck) return MMSYSERR_INVALPARAM;
    if ((flags & MMIO_CREATERIFF) && (flags & MMIO_CREATELIST)) return MMSYSERR_INVALFLAG;
    if (!h->writable) return MMIOERR_CANNOTWRITE;
    std::int64_t dataOff = h->pos + 8;
    if (dataOff > kMaxDword) return MMIOERR_CANNOTSEEK;
    bool withType = false;
    if (flags & MMIO_CREATERIFF) {
        ck->ckid = FOURCC_RIFF;
        withType = true;
    } else if (flags & MMIO_CREATELIST) {
        ck->ckid = FOURCC_LIST;
        withType = true;
    }
    char hdr[12];
    putLe32(hdr, ck->ckid);
    putLe32(hdr + 4, ck->cksize);
    putLe32(hdr + 8, ck->fccType);
    if (!writeBytes(h, hdr, withType ? 12 : 8)) return MMIOERR_CANNOTWRITE;
    ck->dwDataOffset = (DWORD)dataOff;
    ck->dwFlags = MMIO_DIRTY;
    return MMSYSERR_NOERROR;
}

PLATFORM_API FOURCC mmioStringToFOURCCA(const char* text, UINT flags) {
    char c[4] = {' ', ' ', ' ', ' '};
    for (int i = 0; text && i < 4 && text[i]; ++i) {
        c[i] = text[i];
        if ((flags & MMIO_TOUPPER) && c[i] >= 'a' && c[i] <= 'z') c[i] = (char)(c[i] - 'a' + 'A');
    }
    return mmioFOURCC(c[0], c[1], c[2], c[3]);
}

PLATFORM_API FOURCC mmioStringToFOURCCW(LPCWSTR text, UINT flags) {
    char c[5] = {0, 0, 0, 0, 0};
    for (int i = 0; text && i < 4 && text[i]; ++i) c[i] = text[i] < 0x100 ? (char)text[i] : '?';
    return mmioStringToFOURCCA(c, flags);
}
