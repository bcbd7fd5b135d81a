#include "FaultyDisk.h"

#include <atomic>
#include <cstring>
#include <sqlite3.h>

namespace shelltest {
namespace {
std::atomic<bool> Armed{false};
std::atomic<int> Refused{0};
sqlite3_vfs* Real = nullptr;
sqlite3_vfs Faulty;

struct TFile {
    sqlite3_file Base;
    bool Journal;
    sqlite3_file* RealFile() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};
sqlite3_file* R(sqlite3_file* f) { return reinterpret_cast<TFile*>(f)->RealFile(); }

int Close(sqlite3_file* f) { return R(f)->pMethods->xClose(R(f)); }
int Read(sqlite3_file* f, void* b, int n, sqlite3_int64 o) { return R(f)->pMethods->xRead(R(f), b, n, o); }
int Write(sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
    if (Armed && reinterpret_cast<TFile*>(f)->Journal) {
        ++Refused;
        return SQLITE_FULL;
    }
    return R(f)->pMethods->xWrite(R(f), b, n, o);
}
int Truncate(sqlite3_file* f, sqlite3_int64 s) { return R(f)->pMethods->xTruncate(R(f), s); }
int Sync(sqlite3_file* f, int fl) { return R(f)->pMethods->xSync(R(f), fl); }
int FileSize(sqlite3_file* f, sqlite3_int64* s) { return R(f)->pMethods->xFileSize(R(f), s); }
int Lock(sqlite3_file* f, int l) { return R(f)->pMethods->xLock(R(f), l); }
int Unlock(sqlite3_file* f, int l) { return R(f)->pMethods->xUnlock(R(f), l); }
int CheckReserved(sqlite3_file* f, int* r) { return R(f)->pMethods->xCheckReservedLock(R(f), r); }
int FileControl(sqlite3_file* f, int op, void* a) { return R(f)->pMethods->xFileControl(R(f), op, a); }
int SectorSize(sqlite3_file* f) { return R(f)->pMethods->xSectorSize(R(f)); }
int DeviceCharacteristics(sqlite3_file* f) { return R(f)->pMethods->xDeviceCharacteristics(R(f)); }
int ShmMap(sqlite3_file* f, int i, int sz, int e, void volatile** p) { return R(f)->pMethods->xShmMap(R(f), i, sz, e, p); }
int ShmLock(sqlite3_file* f, int o, int n, int fl) { return R(f)->pMethods->xShmLock(R(f), o, n, fl); }
void ShmBarrier(sqlite3_file* f) { R(f)->pMethods->xShmBarrier(R(f)); }
int ShmUnmap(sqlite3_file* f, int d) { return R(f)->pMethods->xShmUnmap(R(f), d); }
int Fetch(sqlite3_file* f, sqlite3_int64 o, int n, void** p) { return R(f)->pMethods->xFetch(R(f), o, n, p); }
int Unfetch(sqlite3_file* f, sqlite3_int64 o, void* p) { return R(f)->pMethods->xUnfetch(R(f), o, p); }

const sqlite3_io_methods Methods = {3,        Close,     Read,          Write,     Truncate,   Sync,
                                    FileSize, Lock,      Unlock,        CheckReserved, FileControl, SectorSize,
                                    DeviceCharacteristics, ShmMap, ShmLock, ShmBarrier, ShmUnmap, Fetch, Unfetch};

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    auto* file = reinterpret_cast<TFile*>(f);
    file->Journal = (flags & (SQLITE_OPEN_WAL | SQLITE_OPEN_MAIN_JOURNAL)) != 0;
    int rc = Real->xOpen(Real, name, file->RealFile(), flags, outFlags);
    file->Base.pMethods = file->RealFile()->pMethods ? &Methods : nullptr;
    return rc;
}
}  // namespace

void InstallFaultyDisk() {
    if (Real) return;
    Real = sqlite3_vfs_find(nullptr);
    Faulty = *Real;
    Faulty.zName = "zbfaulty";
    Faulty.szOsFile = int(sizeof(TFile)) + Real->szOsFile;
    Faulty.xOpen = Open;
    Faulty.pNext = nullptr;
    sqlite3_vfs_register(&Faulty, 1);
}

void ArmFaultyDisk(bool armed) {
    Refused = 0;
    Armed = armed;
}

int RefusedWrites() { return Refused; }
}  // namespace shelltest
