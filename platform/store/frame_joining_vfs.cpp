#include "frame_joining_vfs.h"

#include <sqlite3.h>

#include <cstring>
#include <mutex>

namespace store::sqlite {
namespace {

constexpr const char* kName = "vantrel-frames";
// A frame's header is written just before its page, at the offset in front of it.
constexpr int kFrameHeaderSize = 24;

sqlite3_vfs* Real() noexcept { return sqlite3_vfs_find(nullptr); }

// Our file object, with the system's own file object after it.
struct JoiningFile {
    sqlite3_file base;
    sqlite3_file* real;
    bool log;
    int heldSize;
    sqlite3_int64 heldOffset;
    unsigned char held[kFrameHeaderSize];
    unsigned char* joined;
    int joinedSize;
};

JoiningFile* Self(sqlite3_file* file) noexcept { return reinterpret_cast<JoiningFile*>(file); }
sqlite3_file* RealOf(sqlite3_file* file) noexcept { return Self(file)->real; }

// Writes a held header on its own, when what comes next is not its page.
int Flush(sqlite3_file* file) noexcept {
    JoiningFile* self = Self(file);
    if (!self->heldSize) return SQLITE_OK;
    const int size = self->heldSize;
    self->heldSize = 0;
    return self->real->pMethods->xWrite(self->real, self->held, size, self->heldOffset);
}

int Write(sqlite3_file* file, const void* data, int size, sqlite3_int64 offset) noexcept {
    JoiningFile* self = Self(file);
    sqlite3_file* real = self->real;
    if (self->log && !self->heldSize && size == kFrameHeaderSize) {
        std::memcpy(self->held, data, kFrameHeaderSize);
        self->heldSize = kFrameHeaderSize;
        self->heldOffset = offset;
        return SQLITE_OK;
    }
    if (self->heldSize && offset == self->heldOffset + self->heldSize) {
        const int whole = self->heldSize + size;
        if (whole > self->joinedSize) {
            auto* grown = static_cast<unsigned char*>(sqlite3_realloc(self->joined, whole));
            if (!grown) {
                if (const int flushed = Flush(file)) return flushed;
                return real->pMethods->xWrite(real, data, size, offset);
            }
            self->joined = grown;
            self->joinedSize = whole;
        }
        std::memcpy(self->joined, self->held, static_cast<std::size_t>(self->heldSize));
        std::memcpy(self->joined + self->heldSize, data, static_cast<std::size_t>(size));
        const sqlite3_int64 start = self->heldOffset;
        self->heldSize = 0;
        return real->pMethods->xWrite(real, self->joined, whole, start);
    }
    if (const int flushed = Flush(file)) return flushed;
    return real->pMethods->xWrite(real, data, size, offset);
}

int Close(sqlite3_file* file) noexcept {
    const int flushed = Flush(file);
    sqlite3_free(Self(file)->joined);
    Self(file)->joined = nullptr;
    const int closed = RealOf(file)->pMethods->xClose(RealOf(file));
    return flushed ? flushed : closed;
}

// Every other call sees the file as written: a held header goes first.
template <auto Method, typename... Args>
int Pass(sqlite3_file* file, Args... args) noexcept {
    if (const int flushed = Flush(file)) return flushed;
    return (RealOf(file)->pMethods->*Method)(RealOf(file), args...);
}

int SectorSize(sqlite3_file* file) noexcept {
    return RealOf(file)->pMethods->xSectorSize(RealOf(file));
}
int DeviceCharacteristics(sqlite3_file* file) noexcept {
    return RealOf(file)->pMethods->xDeviceCharacteristics(RealOf(file));
}
void ShmBarrier(sqlite3_file* file) noexcept {
    RealOf(file)->pMethods->xShmBarrier(RealOf(file));
}

const sqlite3_io_methods kMethods = {
    3,
    Close,
    Pass<&sqlite3_io_methods::xRead, void*, int, sqlite3_int64>,
    Write,
    Pass<&sqlite3_io_methods::xTruncate, sqlite3_int64>,
    Pass<&sqlite3_io_methods::xSync, int>,
    Pass<&sqlite3_io_methods::xFileSize, sqlite3_int64*>,
    Pass<&sqlite3_io_methods::xLock, int>,
    Pass<&sqlite3_io_methods::xUnlock, int>,
    Pass<&sqlite3_io_methods::xCheckReservedLock, int*>,
    Pass<&sqlite3_io_methods::xFileControl, int, void*>,
    SectorSize,
    DeviceCharacteristics,
    Pass<&sqlite3_io_methods::xShmMap, int, int, int, void volatile**>,
    Pass<&sqlite3_io_methods::xShmLock, int, int, int>,
    ShmBarrier,
    Pass<&sqlite3_io_methods::xShmUnmap, int>,
    Pass<&sqlite3_io_methods::xFetch, sqlite3_int64, int, void**>,
    Pass<&sqlite3_io_methods::xUnfetch, sqlite3_int64, void*>,
};

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags,
         int* outFlags) noexcept {
    JoiningFile* self = Self(file);
    std::memset(self, 0, sizeof *self);
    self->real = reinterpret_cast<sqlite3_file*>(self + 1);
    self->log = (flags & SQLITE_OPEN_WAL) != 0;
    const int code = Real()->xOpen(Real(), name, self->real, flags, outFlags);
    if (code != SQLITE_OK) {
        if (self->real->pMethods) self->real->pMethods->xClose(self->real);
        file->pMethods = nullptr;
        return code;
    }
    // The methods of the system's file are of version 3, as ours; an older one would
    // leave the missing ones null, which ours would then call.
    if (self->real->pMethods->iVersion < 3) {
        self->real->pMethods->xClose(self->real);
        file->pMethods = nullptr;
        return SQLITE_CANTOPEN;
    }
    file->pMethods = &kMethods;
    return SQLITE_OK;
}

}  // namespace

const char* FrameJoiningVfs() {
    static std::once_flag registered;
    static sqlite3_vfs vfs;
    std::call_once(registered, [] {
        sqlite3_initialize();
        vfs = *Real();
        vfs.pNext = nullptr;
        vfs.zName = kName;
        // Our file object, then the system's, aligned as SQLite aligns its own.
        vfs.szOsFile = static_cast<int>(sizeof(JoiningFile)) + Real()->szOsFile;
        vfs.xOpen = Open;
        sqlite3_vfs_register(&vfs, 0);
    });
    return kName;
}

}  // namespace store::sqlite
