#include "support/FailingVfs.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>

namespace tabulo::test {

namespace {

FailingVfs *s_current = nullptr;

// A file of the shim: the real VFS's file follows it in the same block
// (szOsFile covers both), so SQLite's own allocation holds them together.
struct ShimFile {
    sqlite3_file base;
    sqlite3_file *real;
};

sqlite3_file *realOf(sqlite3_file *f) {
    return reinterpret_cast<ShimFile *>(f)->real;
}

int shimClose(sqlite3_file *f) {
    sqlite3_file *r = realOf(f);
    return r->pMethods ? r->pMethods->xClose(r) : SQLITE_OK;
}
int shimRead(sqlite3_file *f, void *buffer, int amount, sqlite3_int64 offset) {
    sqlite3_file *r = realOf(f);
    return r->pMethods->xRead(r, buffer, amount, offset);
}
int shimWrite(sqlite3_file *f, const void *buffer, int amount, sqlite3_int64 offset) {
    if (FailingVfs *vfs = FailingVfs::current()) {
        if (const int error = vfs->failureFor(FailingVfs::Call::Write))
            return error;
    }
    sqlite3_file *r = realOf(f);
    return r->pMethods->xWrite(r, buffer, amount, offset);
}
int shimTruncate(sqlite3_file *f, sqlite3_int64 size) {
    sqlite3_file *r = realOf(f);
    return r->pMethods->xTruncate(r, size);
}
int shimSync(sqlite3_file *f, int flags) {
    if (FailingVfs *vfs = FailingVfs::current()) {
        if (const int error = vfs->failureFor(FailingVfs::Call::Sync))
            return error;
    }
    sqlite3_file *r = realOf(f);
    return r->pMethods->xSync(r, flags);
}
int shimFileSize(sqlite3_file *f, sqlite3_int64 *size) {
    sqlite3_file *r = realOf(f);
    return r->pMethods->xFileSize(r, size);
}
int shimLock(sqlite3_file *f, int level) {
    sqlite3_file *r = realOf(f);
    return r->pMethods->xLock(r, level);
}
int shimUnlock(sqlite3_file *f, int level) {
    sqlite3_file *r = realOf(f);
    return r->pMethods->xUnlock(r, level);
}
int shimCheckReservedLock(sqlite3_file *f, int *out) {
    sqlite3_file *r = realOf(f);
    return r->pMethods->xCheckReservedLock(r, out);
}
int shimFileControl(sqlite3_file *f, int op, void *arg) {
    sqlite3_file *r = realOf(f);
    return r->pMethods->xFileControl(r, op, arg);
}
int shimSectorSize(sqlite3_file *f) {
    sqlite3_file *r = realOf(f);
    return r->pMethods->xSectorSize(r);
}
int shimDeviceCharacteristics(sqlite3_file *f) {
    sqlite3_file *r = realOf(f);
    return r->pMethods->xDeviceCharacteristics(r);
}
int shimShmMap(sqlite3_file *f, int region, int size, int extend, void volatile **out) {
    sqlite3_file *r = realOf(f);
    return r->pMethods->iVersion >= 2 ? r->pMethods->xShmMap(r, region, size, extend, out) : SQLITE_IOERR;
}
int shimShmLock(sqlite3_file *f, int offset, int n, int flags) {
    sqlite3_file *r = realOf(f);
    return r->pMethods->iVersion >= 2 ? r->pMethods->xShmLock(r, offset, n, flags) : SQLITE_IOERR;
}
void shimShmBarrier(sqlite3_file *f) {
    sqlite3_file *r = realOf(f);
    if (r->pMethods->iVersion >= 2)
        r->pMethods->xShmBarrier(r);
}
int shimShmUnmap(sqlite3_file *f, int deleteFlag) {
    sqlite3_file *r = realOf(f);
    return r->pMethods->iVersion >= 2 ? r->pMethods->xShmUnmap(r, deleteFlag) : SQLITE_OK;
}
int shimFetch(sqlite3_file *f, sqlite3_int64 offset, int amount, void **out) {
    sqlite3_file *r = realOf(f);
    if (r->pMethods->iVersion >= 3)
        return r->pMethods->xFetch(r, offset, amount, out);
    *out = nullptr;
    return SQLITE_OK;
}
int shimUnfetch(sqlite3_file *f, sqlite3_int64 offset, void *page) {
    sqlite3_file *r = realOf(f);
    return r->pMethods->iVersion >= 3 ? r->pMethods->xUnfetch(r, offset, page) : SQLITE_OK;
}

const sqlite3_io_methods s_methods = {
    3,
    shimClose,
    shimRead,
    shimWrite,
    shimTruncate,
    shimSync,
    shimFileSize,
    shimLock,
    shimUnlock,
    shimCheckReservedLock,
    shimFileControl,
    shimSectorSize,
    shimDeviceCharacteristics,
    shimShmMap,
    shimShmLock,
    shimShmBarrier,
    shimShmUnmap,
    shimFetch,
    shimUnfetch,
};

sqlite3_vfs *realVfs(sqlite3_vfs *vfs) {
    return static_cast<FailingVfs *>(vfs->pAppData)->real();
}

int vfsOpen(sqlite3_vfs *vfs, const char *name, sqlite3_file *file, int flags, int *outFlags) {
    sqlite3_vfs *real = realVfs(vfs);
    auto *shim = reinterpret_cast<ShimFile *>(file);
    shim->real = reinterpret_cast<sqlite3_file *>(shim + 1);
    shim->real->pMethods = nullptr;
    const int rc = real->xOpen(real, name, shim->real, flags, outFlags);
    // SQLite calls xClose only on files whose methods are set.
    shim->base.pMethods = shim->real->pMethods ? &s_methods : nullptr;
    return rc;
}
int vfsDelete(sqlite3_vfs *vfs, const char *name, int syncDir) {
    sqlite3_vfs *real = realVfs(vfs);
    return real->xDelete(real, name, syncDir);
}
int vfsAccess(sqlite3_vfs *vfs, const char *name, int flags, int *out) {
    sqlite3_vfs *real = realVfs(vfs);
    return real->xAccess(real, name, flags, out);
}
int vfsFullPathname(sqlite3_vfs *vfs, const char *name, int size, char *out) {
    sqlite3_vfs *real = realVfs(vfs);
    return real->xFullPathname(real, name, size, out);
}
void *vfsDlOpen(sqlite3_vfs *vfs, const char *name) {
    sqlite3_vfs *real = realVfs(vfs);
    return real->xDlOpen(real, name);
}
void vfsDlError(sqlite3_vfs *vfs, int size, char *out) {
    sqlite3_vfs *real = realVfs(vfs);
    real->xDlError(real, size, out);
}
void (*vfsDlSym(sqlite3_vfs *vfs, void *handle, const char *symbol))(void) {
    sqlite3_vfs *real = realVfs(vfs);
    return real->xDlSym(real, handle, symbol);
}
void vfsDlClose(sqlite3_vfs *vfs, void *handle) {
    sqlite3_vfs *real = realVfs(vfs);
    real->xDlClose(real, handle);
}
int vfsRandomness(sqlite3_vfs *vfs, int size, char *out) {
    sqlite3_vfs *real = realVfs(vfs);
    return real->xRandomness(real, size, out);
}
int vfsSleep(sqlite3_vfs *vfs, int microseconds) {
    sqlite3_vfs *real = realVfs(vfs);
    return real->xSleep(real, microseconds);
}
int vfsCurrentTime(sqlite3_vfs *vfs, double *out) {
    sqlite3_vfs *real = realVfs(vfs);
    return real->xCurrentTime(real, out);
}
int vfsGetLastError(sqlite3_vfs *vfs, int size, char *out) {
    sqlite3_vfs *real = realVfs(vfs);
    return real->xGetLastError ? real->xGetLastError(real, size, out) : 0;
}
int vfsCurrentTimeInt64(sqlite3_vfs *vfs, sqlite3_int64 *out) {
    sqlite3_vfs *real = realVfs(vfs);
    return real->xCurrentTimeInt64(real, out);
}

sqlite3_vfs s_vfs;

} // namespace

FailingVfs::FailingVfs() {
    if (s_current) {
        std::fprintf(stderr, "FailingVfs: only one may be installed at a time\n");
        std::abort();
    }
    m_real = sqlite3_vfs_find(nullptr);
    s_vfs = sqlite3_vfs{};
    s_vfs.iVersion = 2;
    s_vfs.szOsFile = static_cast<int>(sizeof(ShimFile)) + m_real->szOsFile;
    s_vfs.mxPathname = m_real->mxPathname;
    s_vfs.zName = "tabulo-failing";
    s_vfs.pAppData = this;
    s_vfs.xOpen = vfsOpen;
    s_vfs.xDelete = vfsDelete;
    s_vfs.xAccess = vfsAccess;
    s_vfs.xFullPathname = vfsFullPathname;
    s_vfs.xDlOpen = vfsDlOpen;
    s_vfs.xDlError = vfsDlError;
    s_vfs.xDlSym = vfsDlSym;
    s_vfs.xDlClose = vfsDlClose;
    s_vfs.xRandomness = vfsRandomness;
    s_vfs.xSleep = vfsSleep;
    s_vfs.xCurrentTime = vfsCurrentTime;
    s_vfs.xGetLastError = vfsGetLastError;
    s_vfs.xCurrentTimeInt64 = vfsCurrentTimeInt64;
    s_current = this;
    sqlite3_vfs_register(&s_vfs, 1);
}

FailingVfs::~FailingVfs() {
    sqlite3_vfs_unregister(&s_vfs);
    // Unregistering the default makes the next one registered the default,
    // which need not be the one that was: put the real one back first.
    sqlite3_vfs_register(m_real, 1);
    s_current = nullptr;
}

FailingVfs *FailingVfs::current() {
    return s_current;
}

void FailingVfs::arm(Call call, int nth, int error) {
    m_armed = false;
    m_call = static_cast<int>(call);
    m_nth = nth;
    m_error = error;
    m_count = 0;
    m_fired = false;
    m_armed = true;
}

void FailingVfs::disarm() {
    m_armed = false;
}

int FailingVfs::failureFor(Call call) {
    if (!m_armed.load() || m_call.load() != static_cast<int>(call))
        return 0;
    // Exactly one call, whichever thread makes it, is the nth.
    if (m_count.fetch_add(1) + 1 != m_nth.load())
        return 0;
    m_fired = true;
    return m_error.load();
}

} // namespace tabulo::test
