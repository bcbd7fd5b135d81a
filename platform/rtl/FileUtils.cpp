#include "platform/rtl/FileUtils.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform::rtl {

QString NormalizePath(const QString& path) {
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return p;
}

bool MatchesMask(const QString& name, const QString& mask) {
    const QString n = name.toCaseFolded();
    const QString m = mask.toCaseFolded();
    if (m == QLatin1String("*.*") || m == QLatin1String("*")) return true;
    // Greedy match with one backtrack point per "*": linear enough for file names.
    qsizetype ni = 0, mi = 0, starM = -1, starN = 0;
    while (ni < n.size()) {
        if (mi < m.size() && (m[mi] == QLatin1Char('?') || m[mi] == n[ni])) {
            ++ni;
            ++mi;
        } else if (mi < m.size() && m[mi] == QLatin1Char('*')) {
            starM = mi++;
            starN = ni;
        } else if (starM >= 0) {
            mi = starM + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (mi < m.size() && m[mi] == QLatin1Char('*')) ++mi;
    return mi == m.size();
}

struct FindState {
    std::vector<QFileInfo> Entries;
    size_t Next = 0;
};

}  // namespace platform::rtl

using platform::rtl::NormalizePath;

namespace {

const QChar Slash = QLatin1Char('/');

QDateTime ToQDateTime(TDateTime dt) {
    double days = std::floor(dt.Val);
    qint64 ms = qint64(std::llround((dt.Val - days) * MSecsPerDay));
    QDate date = QDate(1899, 12, 30).addDays(qint64(days));
    if (ms >= MSecsPerDay) {
        ms -= MSecsPerDay;
        date = date.addDays(1);
    }
    // The time the wall clock shows: hours added to midnight would be hours lived, one more or
    // one less on the days the clocks change.
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(ms)));
}

TDateTime FromQDateTime(const QDateTime& q) {
    QDateTime local = q.toLocalTime();
    qint64 days = QDate(1899, 12, 30).daysTo(local.date());
    return TDateTime(double(days) + double(local.time().msecsSinceStartOfDay()) / MSecsPerDay);
}

// Position of the last "/" (0-based), -1 when none.
qsizetype LastSlash(const QString& p) { return p.lastIndexOf(Slash); }

int AttrOf(const QFileInfo& fi) {
    int a = 0;
    if (fi.isDir()) a |= faDirectory; else a |= faArchive;
    if (fi.fileName().startsWith(QLatin1Char('.'))) a |= faHidden;
    if (!fi.isWritable()) a |= faReadOnly;
    return a;
}

void FillSearchRec(TSearchRec& f, const QFileInfo& fi) {
    f.Name = fi.fileName();
    f.Attr = AttrOf(fi);
    f.Size = fi.isDir() ? 0 : fi.size();
    f.Time = DateTimeToFileDate(FromQDateTime(fi.lastModified()));
}

int NextMatch(TSearchRec& f) {
    auto& st = *f.FindHandle;
    while (st.Next < st.Entries.size()) {
        const QFileInfo& fi = st.Entries[st.Next++];
        if (AttrOf(fi) & f.ExcludeAttr) continue;
        FillSearchRec(f, fi);
        return 0;
    }
    return 18;  // no more files
}

}  // namespace

bool FileExists(const QString& fileName) {
    if (fileName.isEmpty()) return false;
    QFileInfo fi(NormalizePath(fileName));
    return fi.exists() && !fi.isDir();
}

bool DirectoryExists(const QString& directory) {
    if (directory.isEmpty()) return false;
    return QFileInfo(NormalizePath(directory)).isDir();
}

bool DeleteFile(const QString& fileName) {
    if (!FileExists(fileName)) return false;
    return QFile::remove(NormalizePath(fileName));
}

bool RenameFile(const QString& oldName, const QString& newName) {
    const QString from = NormalizePath(oldName), to = NormalizePath(newName);
    if (from.isEmpty() || to.isEmpty()) return false;
    QFileInfo src(from);
    if (!src.exists() && !src.isSymLink()) return false;
    // The class library never replaces an existing target; rename(2) would.
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink()) return false;
    return QDir().rename(from, to);
}

bool CreateDir(const QString& dir) {
    if (dir.isEmpty()) return false;
    return QDir().mkdir(NormalizePath(dir));
}

bool ForceDirectories(const QString& dir) {
    QString d = ExcludeTrailingPathDelimiter(NormalizePath(dir));
    if (d.isEmpty()) return false;
    if (DirectoryExists(d)) return true;
    if (FileExists(d)) return false;
    return QDir().mkpath(d);
}

bool ShareLikeFolder(const QString& path) {
    const QString p = ExcludeTrailingPathDelimiter(NormalizePath(path));
    const QByteArray ruta = QFile::encodeName(p);
    const QByteArray arriba = QFile::encodeName(QFileInfo(p).absolutePath());
    struct stat st {}, dir {};
    if (::lstat(ruta.constData(), &st) != 0 || S_ISLNK(st.st_mode) || ::stat(arriba.constData(), &dir) != 0) return false;
    if (st.st_gid != dir.st_gid && ::chown(ruta.constData(), uid_t(-1), dir.st_gid) == 0) st.st_gid = dir.st_gid;
    const bool carpeta = S_ISDIR(st.st_mode);
    mode_t anade = 0;
    // The group's rights only go to the folder's own group, never to one this user happens to have.
    if (st.st_gid == dir.st_gid) {
        if (dir.st_mode & S_IRGRP) anade |= S_IRGRP;
        if (dir.st_mode & S_IWGRP) anade |= S_IWGRP;
        if (carpeta && (dir.st_mode & S_IXGRP)) anade |= S_IXGRP;
    }
    // Nobody else gets more than this user's umask gave: an office's papers are shared through
    // its group, and a folder anyone may list must not open them to every account on the machine.
    if ((st.st_mode & anade) == anade) return true;
    return ::chmod(ruta.constData(), (st.st_mode & 07777) | anade) == 0;
}

bool ForceSharedDirectories(const QString& dir) {
    QString d = ExcludeTrailingPathDelimiter(NormalizePath(dir));
    if (d.isEmpty()) return false;
    if (DirectoryExists(d)) return true;
    if (FileExists(d)) return false;
    const QString arriba = QFileInfo(d).absolutePath();
    if (arriba != d && !ForceSharedDirectories(arriba)) return false;
    if (!QDir().mkdir(d) && !DirectoryExists(d)) return false;
    ShareLikeFolder(d);
    return true;
}

bool RemoveDir(const QString& dir) {
    if (dir.isEmpty()) return false;
    return QDir().rmdir(NormalizePath(dir));
}

QString ExtractFileName(const QString& fileName) {
    QString p = NormalizePath(fileName);
    return p.mid(LastSlash(p) + 1);
}

QString ExtractFilePath(const QString& fileName) {
    QString p = NormalizePath(fileName);
    return p.left(LastSlash(p) + 1);
}

QString ExtractFileDir(const QString& fileName) {
    QString p = NormalizePath(fileName);
    qsizetype i = LastSlash(p);
    // "/a/b" gives "/a"; "/b" keeps the root "/"; "a//b" keeps "a/".
    if (i > 0 && p[i - 1] != Slash) return p.left(i);
    return p.left(i + 1);
}

QString ExtractFileExt(const QString& fileName) {
    QString p = NormalizePath(fileName);
    qsizetype dot = p.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < LastSlash(p)) return QString();
    return p.mid(dot);
}

QString ChangeFileExt(const QString& fileName, const QString& extension) {
    QString p = NormalizePath(fileName);
    qsizetype dot = p.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < LastSlash(p)) return p + extension;
    return p.left(dot) + extension;
}

QString ExpandFileName(const QString& fileName) {
    QString p = NormalizePath(fileName);
    if (p.isEmpty()) return QString();
    bool trailing = p.endsWith(Slash);
    QString full = QDir::cleanPath(QDir::current().absoluteFilePath(p));
    if (trailing && !full.endsWith(Slash)) full += Slash;
    return full;
}

QString IncludeTrailingPathDelimiter(const QString& path) {
    QString p = NormalizePath(path);
    return p.endsWith(Slash) ? p : p + Slash;
}

QString ExcludeTrailingPathDelimiter(const QString& path) {
    QString p = NormalizePath(path);
    if (p.endsWith(Slash)) p.chop(1);
    return p;
}

QString GetCurrentDir() { return QDir::currentPath(); }

bool SetCurrentDir(const QString& dir) {
    if (dir.isEmpty()) return false;
    return QDir::setCurrent(NormalizePath(dir));
}

QString TempFolder() { return IncludeTrailingPathDelimiter(QDir::tempPath()); }

TDateTime FileDateToDateTime(int fileDate) {
    const unsigned v = unsigned(fileDate);
    const unsigned lo = v & 0xFFFF, hi = v >> 16;
    QDate d(int(hi >> 9) + 1980, int((hi >> 5) & 0x0F), int(hi & 0x1F));
    QTime t(int(lo >> 11), int((lo >> 5) & 0x3F), int(lo & 0x1F) * 2);
    if (!d.isValid() || !t.isValid()) return TDateTime(0.0);
    return FromQDateTime(QDateTime(d, t));
}

int DateTimeToFileDate(TDateTime dateTime) {
    QDateTime q = ToQDateTime(dateTime);
    QDate d = q.date();
    QTime t = q.time();
    if (d.year() < 1980 || d.year() > 2107) return 0;
    unsigned hi = unsigned(((d.year() - 1980) << 9) | (d.month() << 5) | d.day());
    unsigned lo = unsigned((t.hour() << 11) | (t.minute() << 5) | (t.second() / 2));
    return int((hi << 16) | lo);
}

bool FileAge(const QString& fileName, TDateTime& fileDateTime) {
    if (!FileExists(fileName)) return false;
    fileDateTime = FromQDateTime(QFileInfo(NormalizePath(fileName)).lastModified());
    return true;
}

int FileAge(const QString& fileName) {
    TDateTime dt;
    if (!FileAge(fileName, dt)) return -1;
    return DateTimeToFileDate(dt);
}

int FileGetDate(const QString& fileName) { return FileAge(fileName); }

TDateTime FileGetDateTime(const QString& fileName) {
    TDateTime dt;
    return FileAge(fileName, dt) ? dt : TDateTime(0.0);
}

bool FileSetDateTime(const QString& fileName, TDateTime dateTime) {
    if (!FileExists(fileName)) return false;
    const qint64 ms = ToQDateTime(dateTime).toMSecsSinceEpoch();
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = time_t(ms / 1000);
    times[0].tv_nsec = times[1].tv_nsec = long(ms % 1000) * 1000000L;
    if (ms < 0 && ms % 1000) {
        times[0].tv_sec = times[1].tv_sec = time_t(ms / 1000 - 1);
        times[0].tv_nsec = times[1].tv_nsec = long(1000 + ms % 1000) * 1000000L;
    }
    QByteArray path = QFile::encodeName(NormalizePath(fileName));
    return ::utimensat(AT_FDCWD, path.constData(), times, 0) == 0;
}

int FileSetDate(const QString& fileName, int age) {
    if (!FileExists(fileName)) return 2;  // file not found
    TDateTime dt = FileDateToDateTime(age);
    if (dt.Val == 0.0) return 87;         // invalid parameter
    return FileSetDateTime(fileName, dt) ? 0 : (errno ? errno : 5);
}

int FindFirst(const QString& path, int attr, TSearchRec& f) {
    FindClose(f);
    const QString p = NormalizePath(path);
    QString dir = ExtractFilePath(p);
    const QString mask = ExtractFileName(p);
    if (dir.isEmpty()) dir = QStringLiteral(".");
    QDir d(dir);
    if (!d.exists()) return 3;  // path not found
    f.ExcludeAttr = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);
    auto state = std::make_shared<platform::rtl::FindState>();
    const QFileInfoList all =
        d.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& fi : all)
        if (platform::rtl::MatchesMask(fi.fileName(), mask)) state->Entries.push_back(fi);
    // A stable order independent of the file system.
    std::sort(state->Entries.begin(), state->Entries.end(), [](const QFileInfo& a, const QFileInfo& b) {
        int c = a.fileName().compare(b.fileName(), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.fileName() < b.fileName();
    });
    f.FindHandle = std::move(state);
    int rc = NextMatch(f);
    if (rc != 0) {
        FindClose(f);
        return 2;  // file not found
    }
    return 0;
}

int FindNext(TSearchRec& f) {
    if (!f.FindHandle) return 6;  // invalid handle
    return NextMatch(f);
}

void FindClose(TSearchRec& f) { f.FindHandle.reset(); }
