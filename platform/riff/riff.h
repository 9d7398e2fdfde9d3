// Buffered RIFF file I/O with the Windows multimedia names and semantics: open a file,
// descend into and ascend out of chunks, create chunks, read, write, seek, close.
//
// A RIFF chunk is a four-character identifier, a 32-bit little-endian size of its data, the
// data and one zero pad byte when the size is odd (not counted in the size). RIFF and LIST
// chunks begin their data with a four-character form or list type (counted in the size).
//
// All file arithmetic is 64-bit: chunk sizes go up to 4 GB - 1 and files may be larger (use
// mmioSeek64 beyond 2 GB). A handle is used by one thread at a time.
#pragma once

#include <cstdio>  // SEEK_SET, SEEK_CUR, SEEK_END

#include "automation/wintypes.h"

struct HMMIO__;
using HMMIO = HMMIO__*;
using FOURCC = DWORD;
using MMRESULT = UINT;
using HPSTR = char*;

// Result codes.
#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR 1
#define MMSYSERR_INVALHANDLE 5
#define MMSYSERR_INVALFLAG 10
#define MMSYSERR_INVALPARAM 11
#define MMIOERR_BASE 256
#define MMIOERR_FILENOTFOUND (MMIOERR_BASE + 1)
#define MMIOERR_OUTOFMEMORY (MMIOERR_BASE + 2)
#define MMIOERR_CANNOTOPEN (MMIOERR_BASE + 3)
#define MMIOERR_CANNOTCLOSE (MMIOERR_BASE + 4)
#define MMIOERR_CANNOTREAD (MMIOERR_BASE + 5)
#define MMIOERR_CANNOTWRITE (MMIOERR_BASE + 6)
#define MMIOERR_CANNOTSEEK (MMIOERR_BASE + 7)
#define MMIOERR_CANNOTEXPAND (MMIOERR_BASE + 8)
#define MMIOERR_CHUNKNOTFOUND (MMIOERR_BASE + 9)
#define MMIOERR_UNBUFFERED (MMIOERR_BASE + 10)
#define MMIOERR_PATHNOTFOUND (MMIOERR_BASE + 11)
#define MMIOERR_ACCESSDENIED (MMIOERR_BASE + 12)
#define MMIOERR_SHARINGVIOLATION (MMIOERR_BASE + 13)
#define MMIOERR_NETWORKERROR (MMIOERR_BASE + 14)
#define MMIOERR_TOOMANYOPENFILES (MMIOERR_BASE + 15)
#define MMIOERR_INVALIDFILE (MMIOERR_BASE + 16)

// mmioOpenW flags. Access: MMIO_READ (0), MMIO_WRITE, MMIO_READWRITE. MMIO_CREATE creates the
// file or truncates an existing one, and always opens it for reading and writing.
#define MMIO_READ 0x00000000
#define MMIO_WRITE 0x00000001
#define MMIO_READWRITE 0x00000002
#define MMIO_COMPAT 0x00000000
#define MMIO_EXCLUSIVE 0x00000010
#define MMIO_DENYWRITE 0x00000020
#define MMIO_DENYREAD 0x00000030
#define MMIO_DENYNONE 0x00000040
#define MMIO_CREATE 0x00001000
#define MMIO_ALLOCBUF 0x00010000

// mmioDescend flags.
#define MMIO_FINDCHUNK 0x0010
#define MMIO_FINDRIFF 0x0020
#define MMIO_FINDLIST 0x0040
// mmioCreateChunk flags.
#define MMIO_CREATERIFF 0x0020
#define MMIO_CREATELIST 0x0040
// mmioStringToFOURCC flag.
#define MMIO_TOUPPER 0x0010
// MMCKINFO::dwFlags: the chunk was created (or written) and its size is fixed on ascent.
#define MMIO_DIRTY 0x10000000

// Default buffer size. Every handle is buffered (MMIO_ALLOCBUF is implied); MMIO_ALLOCBUF
// with MMIOINFO::cchBuffer > 0 asks for that size instead (at least 4 KiB is used).
#define MMIO_DEFAULTBUFFER (256 * 1024)

struct MMCKINFO {
    FOURCC ckid;         // chunk identifier
    DWORD cksize;        // size of the data (for RIFF and LIST it includes the type)
    FOURCC fccType;      // form or list type of RIFF and LIST chunks
    DWORD dwDataOffset;  // file offset of the data (of the type, for RIFF and LIST)
    DWORD dwFlags;       // MMIO_DIRTY after mmioCreateChunk
};
using LPMMCKINFO = MMCKINFO*;
using LPCMMCKINFO = const MMCKINFO*;

// Layout of the Windows structure. Only dwFlags, wErrorRet and cchBuffer are used: pass one to
// ask for a buffer size (MMIO_ALLOCBUF) or to learn why an open failed (wErrorRet).
struct MMIOINFO {
    DWORD dwFlags;
    FOURCC fccIOProc;
    void* pIOProc;
    UINT wErrorRet;
    void* htask;
    LONG cchBuffer;
    HPSTR pchBuffer;
    HPSTR pchNext;
    HPSTR pchEndRead;
    HPSTR pchEndWrite;
    LONG lBufOffset;
    LONG lDiskOffset;
    DWORD adwInfo[3];
    DWORD dwReserved1;
    DWORD dwReserved2;
    HMMIO hmmio;
};
using LPMMIOINFO = MMIOINFO*;

constexpr FOURCC mmioFOURCC(char a, char b, char c, char d) {
    return (FOURCC)(BYTE)a | ((FOURCC)(BYTE)b << 8) | ((FOURCC)(BYTE)c << 16) | ((FOURCC)(BYTE)d << 24);
}
#define FOURCC_RIFF mmioFOURCC('R', 'I', 'F', 'F')
#define FOURCC_LIST mmioFOURCC('L', 'I', 'S', 'T')

// Opens fileName (UTF-16; converted to UTF-8 for the system). Returns the handle, or null with
// the reason in info->wErrorRet when info is given: MMIOERR_FILENOTFOUND, MMIOERR_PATHNOTFOUND,
// MMIOERR_ACCESSDENIED, MMIOERR_SHARINGVIOLATION, MMIOERR_OUTOFMEMORY, MMIOERR_CANNOTOPEN.
// MMIO_DENYWRITE and MMIO_EXCLUSIVE are advisory locks (flock) among users of this interface:
// while such a handle is open, an open for writing (or MMIO_EXCLUSIVE) fails with
// MMIOERR_SHARINGVIOLATION; MMIO_EXCLUSIVE also refuses while a MMIO_DENYWRITE handle is open.
PLATFORM_API HMMIO mmioOpenW(LPCWSTR fileName, LPMMIOINFO info, DWORD flags);
// The same with a UTF-8 file name (not a Windows entry point; for tools and tests).
PLATFORM_API HMMIO mmioOpenUtf8(const char* fileName, LPMMIOINFO info, DWORD flags);
// Writes pending data and closes. The handle is freed whatever the result; MMIOERR_CANNOTWRITE
// when pending data could not be written.
PLATFORM_API MMRESULT mmioClose(HMMIO h, UINT flags);
// Writes pending data to the file (not to the disk).
PLATFORM_API MMRESULT mmioFlush(HMMIO h, UINT flags);

// Reads up to count bytes at the current position: returns the number read (fewer at end of
// file, 0 there), -1 on error. Reads are not limited to the current chunk.
PLATFORM_API LONG mmioRead(HMMIO h, HPSTR buffer, LONG count);
// Writes count bytes at the current position: returns count, or -1 on error.
PLATFORM_API LONG mmioWrite(HMMIO h, const char* buffer, LONG count);
// Moves the position (SEEK_SET, SEEK_CUR, SEEK_END). Returns the new position, -1 on error and
// -1 (without moving) when the new position does not fit in a LONG: use mmioSeek64 there.
PLATFORM_API LONG mmioSeek(HMMIO h, LONG offset, int origin);
PLATFORM_API LONGLONG mmioSeek64(HMMIO h, LONGLONG offset, int origin);

// Platform extension beside mmioSeek64: copies up to count bytes from src's position to dst's
// position, as a loop of mmioRead on src and mmioWrite on dst would, and leaves both handles
// as that loop would (positions, what later reads see, sizes fixed on ascent of a chunk being
// written to dst). Large copies between regular files are made by the system without passing
// through this process when both offsets agree within a page; otherwise, for other files and
// where the system cannot, through one buffer of at most about 1 MiB, past both handles'
// buffers. src and dst must be different handles (and not overlapping parts of one file);
// dst must be writable.
// Returns the number of bytes copied (fewer than count at the end of src's file), or -1 on
// failure. On failure both positions have moved past the bytes copied before it, and *error
// (when given) says which side failed: MMIOERR_CANNOTREAD or MMIOERR_CANNOTWRITE
// (MMSYSERR_INVALHANDLE, MMSYSERR_INVALPARAM for unusable arguments). It is MMSYSERR_NOERROR
// on success.
PLATFORM_API LONGLONG mmioCopy64(HMMIO dst, HMMIO src, LONGLONG count, UINT* error);

// Reads a chunk header at the current position into *ck and leaves the position at the data
// (after the type for RIFF and LIST). With MMIO_FINDCHUNK (ck->ckid), MMIO_FINDRIFF or
// MMIO_FINDLIST (ck->fccType) it skips chunks until one matches. With a parent the search stays
// inside the parent's data; without one it runs to the end of the file.
// MMIOERR_CHUNKNOTFOUND when no (matching) header can be read. The header is taken as it is: a
// chunk that claims more than the file holds is descended into, and reads stop at end of file.
// ck->dwFlags is set to 0. A chunk whose data would start at or beyond 4 GB cannot be described
// by dwDataOffset: MMIOERR_CANNOTSEEK.
PLATFORM_API MMRESULT mmioDescend(HMMIO h, LPMMCKINFO ck, LPCMMCKINFO parent, UINT flags);
// Leaves the chunk: moves past its data and pad byte. When ck->dwFlags has MMIO_DIRTY the data
// size is taken as (current position - ck->dwDataOffset), stored in the header and in ck->cksize,
// and a zero pad byte is written when it is odd. MMIOERR_CANNOTSEEK when a chunk read from the
// file ends beyond the end of the file; MMIOERR_CANNOTWRITE when a size cannot be stored.
PLATFORM_API MMRESULT mmioAscend(HMMIO h, LPMMCKINFO ck, UINT flags);
// Writes a chunk header at the current position: ck->ckid and ck->cksize, or "RIFF"/"LIST" plus
// ck->fccType with MMIO_CREATERIFF/MMIO_CREATELIST. Sets ck->dwDataOffset and MMIO_DIRTY, and
// leaves the position at the data (after the type).
PLATFORM_API MMRESULT mmioCreateChunk(HMMIO h, LPMMCKINFO ck, UINT flags);

// Up to four characters, padded with spaces ("fmt" -> "fmt "); MMIO_TOUPPER upper-cases them.
PLATFORM_API FOURCC mmioStringToFOURCCA(const char* text, UINT flags);
PLATFORM_API FOURCC mmioStringToFOURCCW(LPCWSTR text, UINT flags);
#define mmioStringToFOURCC mmioStringToFOURCCA
