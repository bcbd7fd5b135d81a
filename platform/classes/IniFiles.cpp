#include "platform/classes/IniFiles.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/SysUtils.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::classes {

QString ConfigFolder() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/zembra");
}

QByteArray ReadWholeFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    return f.readAll();
}

namespace {
QString SystemError(int err) { return qt_error_string(err); }

bool ReadFd(int fd, QByteArray& out) {
    out.clear();
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        out.append(buf, n);
    }
}
}  // namespace

bool RewriteFileLocked(const QString& path, const std::function<bool(QByteArray& content)>& edit,
                       QString* error) {
    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    const QByteArray name = QFile::encodeName(path);
    // The lock is on the file itself; a writer that waited on a file since replaced retries on
    // the new one.
    for (int attempt = 0;; ++attempt) {
        if (attempt == 1000) {
            if (error) *error = QStringLiteral("the file keeps being replaced");
            return false;
        }
        int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (error) *error = SystemError(errno);
            return false;
        }
        while (::flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                if (error) *error = SystemError(errno);
                ::close(fd);
                return false;
            }
        }
        struct stat locked, current;
        if (::fstat(fd, &locked) != 0 || ::stat(name.constData(), &current) != 0 || locked.st_ino != current.st_ino ||
            locked.st_dev != current.st_dev) {
            ::close(fd);
            continue;
        }
        QByteArray content;
        bool ok = ReadFd(fd, content);
        if (!ok) {
            if (error) *error = SystemError(errno);
            ::close(fd);
            return false;
        }
        try {
            if (edit(content)) {
                QSaveFile out(path);
                // Checked by the flush: on a full disk commit alone reports success for a small file.
                if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size() || !out.flush() ||
                    !out.commit()) {
                    if (error) *error = out.errorString();
                    ok = false;
                }
            }
        } catch (...) {
            ::close(fd);
            throw;
        }
        ::close(fd);
        return ok;
    }
}

// ---- IniDocument ----

namespace {
bool IsHeader(const QString& line, QString* name = nullptr) {
    QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('['))) return false;
    if (name) {
        int close = t.lastIndexOf(QLatin1Char(']'));
        *name = (close > 0 ? t.mid(1, close - 1) : t.mid(1)).trimmed();
    }
    return true;
}

// The key of a "key=value" line, or false for blanks, comments and other lines.
bool KeyOf(const QString& line, QString& key, QString* value = nullptr) {
    QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char(';'))) return false;
    int eq = t.indexOf(QLatin1Char('='));
    if (eq < 0) return false;
    key = t.left(eq).trimmed();
    if (value) *value = t.mid(eq + 1).trimmed();
    return true;
}

bool SameName(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }
}  // namespace

IniDocument::IniDocument(const QByteArray& bytes) {
    const QString text = DecodeText(bytes);
    const int n = text.size();
    int start = 0;
    while (start < n) {
        int p = start;
        while (p < n && text[p] != QLatin1Char('\r') && text[p] != QLatin1Char('\n')) ++p;
        FLines.push_back(text.mid(start, p - start));
        if (p < n && text[p] == QLatin1Char('\r')) ++p;
        if (p < n && text[p] == QLatin1Char('\n')) ++p;
        start = p;
    }
}

QByteArray IniDocument::ToBytes() const {
    QString text;
    // A first line that starts with a byte-order mark keeps it: the reader takes one mark as the file's.
    if (!FLines.empty() && FLines.front().startsWith(QChar(0xFEFF))) text += QChar(0xFEFF);
    for (const QString& line : FLines) {
        text += line;
        text += QLatin1Char('\n');
    }
    return text.toUtf8();
}

int IniDocument::FindSection(const QString& section, int from) const {
    QString name;
    for (int i = from; i < int(FLines.size()); ++i)
        if (IsHeader(FLines[i], &name) && SameName(name, section)) return i;
    return -1;
}

int IniDocument::SectionEnd(int header) const {
    int i = header + 1;
    while (i < int(FLines.size()) && !IsHeader(FLines[i])) ++i;
    return i;
}

int IniDocument::FindKey(int header, const QString& key) const {
    const int end = SectionEnd(header);
    QString k;
    for (int i = header + 1; i < end; ++i)
        if (KeyOf(FLines[i], k) && SameName(k, key)) return i;
    return -1;
}

QStringList IniDocument::Sections() const {
    QStringList result;
    QString name;
    for (const QString& line : FLines)
        if (IsHeader(line, &name) && !result.contains(name, Qt::CaseInsensitive)) result << name;
    return result;
}

bool IniDocument::HasSection(const QString& section) const { return FindSection(section) >= 0; }

bool IniDocument::Value(const QString& section, const QString& key, QString& value) const {
    int header = FindSection(section);
    if (header < 0) return false;
    int line = FindKey(header, key);
    if (line < 0) return false;
    QString k;
    KeyOf(FLines[line], k, &value);
    return true;
}

QStringList IniDocument::Keys(const QString& section) const {
    QStringList result;
    int header = FindSection(section);
    if (header < 0) return result;
    const int end = SectionEnd(header);
    QString k;
    for (int i = header + 1; i < end; ++i)
        if (KeyOf(FLines[i], k)) result << k;
    return result;
}

void IniDocument::AddSection(const QString& section) {
    if (FindSection(section) >= 0) return;
    if (!FLines.empty() && !FLines.back().trimmed().isEmpty()) FLines.push_back(QString());
    FLines.push_back(QLatin1Char('[') + section + QLatin1Char(']'));
}

void IniDocument::SetValue(const QString& section, const QString& key, const QString& value) {
    const QString line = key + QLatin1Char('=') + value;
    int header = FindSection(section);
    if (header < 0) {
        AddSection(section);
        FLines.push_back(line);
        return;
    }
    int at = FindKey(header, key);
    if (at >= 0) {
        FLines[at] = line;
        return;
    }
    // After the section's last non-blank line, so the blank line before the next section stays.
    int end = SectionEnd(header);
    while (end > header + 1 && FLines[end - 1].trimmed().isEmpty()) --end;
    FLines.insert(FLines.begin() + end, line);
}

bool IniDocument::EraseSection(const QString& section) {
    bool found = false;
    int header;
    while ((header = FindSection(section)) >= 0) {
        int end = SectionEnd(header);
        FLines.erase(FLines.begin() + header, FLines.begin() + end);
        found = true;
    }
    return found;
}

bool IniDocument::DeleteKey(const QString& section, const QString& key) {
    int header = FindSection(section);
    if (header < 0) return false;
    int at = FindKey(header, key);
    if (at < 0) return false;
    FLines.erase(FLines.begin() + at);
    return true;
}

}  // namespace platform::classes

using platform::classes::IniDocument;
using platform::classes::InUpdate;

// ---- TCustomIniFile ----

int TCustomIniFile::ReadInteger(const QString& section, const QString& ident, int defaultValue) {
    return StrToIntDef(ReadString(section, ident, QString()), defaultValue);
}

void TCustomIniFile::WriteInteger(const QString& section, const QString& ident, int value) {
    WriteString(section, ident, QString::number(value));
}

bool TCustomIniFile::ReadBool(const QString& section, const QString& ident, bool defaultValue) {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const QString& section, const QString& ident, bool value) {
    WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

double TCustomIniFile::ReadFloat(const QString& section, const QString& ident, double defaultValue) {
    QString s = ReadString(section, ident, QString());
    if (s.isEmpty()) return defaultValue;
    return StrToFloatDef(s, defaultValue);
}

void TCustomIniFile::WriteFloat(const QString& section, const QString& ident, double value) {
    WriteString(section, ident, FloatToStr(value));
}

bool TCustomIniFile::SectionExists(const QString& section) {
    TStringList keys;
    ReadSection(section, &keys);
    return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const QString& section, const QString& ident) {
    TStringList keys;
    ReadSection(section, &keys);
    return keys.IndexOf(ident) >= 0;
}

// ---- TIniFile ----

TIniFile::TIniFile(const QString& fileName) : TCustomIniFile(fileName) {
    FPath = fileName.contains(QLatin1Char('/')) ? fileName : platform::classes::ConfigFolder() + QLatin1Char('/') + fileName;
}

// Another program may write the file at any time, so each read looks at it; the last parse is
// kept while the file is the same one, unchanged since, and was old enough when read that a
// later write is sure to give it a newer time.
const IniDocument& TIniFile::Load() const {
    struct stat st {};
    const bool existe = ::stat(QFile::encodeName(FPath).constData(), &st) == 0;
    const std::array<qint64, 6> firma = {existe ? 1 : 0, qint64(st.st_dev), qint64(st.st_ino), qint64(st.st_size),
                                         qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                                         qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
    if (FCache && firma == FFirma) return *FCache;
    FCache = std::make_unique<IniDocument>(platform::classes::ReadWholeFile(FPath));
    FFirma = firma;
    const qint64 ahora = QDateTime::currentMSecsSinceEpoch();
    const qint64 cambio = std::max(firma[4], firma[5]) / 1000000;
    if (existe && ahora - cambio < 2000) {
        // Too recent to tell a write in the same instant apart: read again next time.
        FFirma = {};
        FFirma[0] = -1;
    }
    return *FCache;
}

void TIniFile::Change(const std::function<bool(IniDocument&)>& edit) {
    FCache.reset();
    QString error;
    bool ok = platform::classes::RewriteFileLocked(
        FPath,
        [&](QByteArray& content) {
            IniDocument doc(content);
            if (!edit(doc)) return false;
            content = doc.ToBytes();
            return true;
        },
        &error);
    if (!ok) throw EIniFileException(QStringLiteral("Unable to write to %1. %2").arg(FPath, error));
}

namespace {
QString StripQuotes(const QString& value) {
    if (value.size() >= 2) {
        QChar q = value.front();
        if ((q == QLatin1Char('"') || q == QLatin1Char('\'')) && value.back() == q) return value.mid(1, value.size() - 2);
    }
    return value;
}
}  // namespace

QString TIniFile::ReadString(const QString& section, const QString& ident, const QString& defaultValue) {
    QString value;
    if (!Load().Value(section, ident, value)) return defaultValue;
    return StripQuotes(value);
}

namespace {
bool BreaksLine(const QString& s) {
    for (QChar c : s)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0)) return true;
    return false;
}
}  // namespace

void TIniFile::WriteString(const QString& section, const QString& ident, const QString& value) {
    QString key = ident.trimmed();
    QString sec = section.trimmed();
    if (key.isEmpty() || key.contains(QLatin1Char('=')) || key.startsWith(QLatin1Char('[')) ||
        key.startsWith(QLatin1Char(';')) || BreaksLine(key))
        throw EIniFileException(QStringLiteral("Invalid key name \"%1\" for %2").arg(ident, FPath));
    if (sec.contains(QLatin1Char(']')) || BreaksLine(sec))
        throw EIniFileException(QStringLiteral("Invalid section name \"%1\" for %2").arg(section, FPath));
    if (BreaksLine(value))
        throw EIniFileException(QStringLiteral("The value of \"%1\" holds a line break: not written to %2").arg(ident, FPath));
    QString text = value;
    if (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()))
        text = QLatin1Char('"') + text + QLatin1Char('"');
    Change([&](IniDocument& doc) {
        QString old;
        if (doc.Value(sec, key, old) && old == text) return false;
        doc.SetValue(sec, key, text);
        return true;
    });
}

void TIniFile::ReadSection(const QString& section, TStrings* strings) {
    InUpdate(strings, [&] {
        strings->Clear();
        for (const QString& k : Load().Keys(section)) strings->Add(k);
    });
}

void TIniFile::ReadSections(TStrings* strings) {
    InUpdate(strings, [&] {
        strings->Clear();
        for (const QString& s : Load().Sections()) strings->Add(s);
    });
}

void TIniFile::ReadSectionValues(const QString& section, TStrings* strings) {
    const IniDocument doc = Load();
    InUpdate(strings, [&] {
        strings->Clear();
        for (const QString& key : doc.Keys(section)) {
            QString value;
            doc.Value(section, key, value);
            strings->Add(key + QLatin1Char('=') + StripQuotes(value));
        }
    });
}

void TIniFile::EraseSection(const QString& section) {
    if (!Load().HasSection(section)) return;
    Change([&](IniDocument& doc) { return doc.EraseSection(section); });
}

void TIniFile::DeleteKey(const QString& section, const QString& ident) {
    QString old;
    if (!Load().Value(section, ident, old)) return;
    Change([&](IniDocument& doc) { return doc.DeleteKey(section, ident); });
}
