#include "controls/data/BDE32.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace controls::data {
namespace {
// Bytes that may be part of a setting's name: a match preceded by one of them is the tail of a
// longer name ("MEMSIZE" inside "SHAREDMEMSIZE").
bool IsNameByte(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ' || c == '_';
}

int FirstLineEnd(const QByteArray& content) {
    for (int i = 0; i < content.size(); ++i)
        if (content[i] == '\n' || content[i] == '\r') return i;
    return int(content.size());
}
}  // namespace

int FindSetting(const QByteArray& content, const QByteArray& name) {
    if (name.isEmpty()) return -1;
    const int end = FirstLineEnd(content);
    for (int from = 0;;) {
        int p = int(content.indexOf(name, from));
        if (p < 0 || p + name.size() > end) return -1;
        const bool wholeEnd = p + name.size() < end && content[p + name.size()] == '\0';
        const bool wholeStart = p == 0 || !IsNameByte(content[p - 1]);
        if (wholeEnd && wholeStart) return p;
        from = p + 1;
    }
}

QByteArray SettingValue(const QByteArray& content, const QByteArray& name, const QByteArray& def) {
    const int p = FindSetting(content, name);
    if (p < 0) return def;
    const int end = FirstLineEnd(content);
    const int start = p + int(name.size()) + 3;
    if (start > end) return QByteArray();
    int z = int(content.indexOf('\0', start));
    if (z < 0 || z > end) z = end;
    return content.mid(start, z - start);
}

bool ReplaceSetting(QByteArray& content, const QByteArray& name, const QByteArray& value) {
    const int p = FindSetting(content, name);
    if (p < 0) return false;
    const int start = p + int(name.size()) + 3;
    if (start > content.size()) return false;
    const int z = int(content.indexOf('\0', start));
    if (z < 0) return false;
    content = content.left(start) + value + content.mid(z);
    return true;
}
}  // namespace controls::data

namespace {
[[noreturn]] void FileFailure(const QString& what, const QString& fileName) {
    throw EInOutError(QStringLiteral("%1: %2").arg(what, fileName));
}

QByteArray ReadWhole(const QString& fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) throw EFOpenError(QStringLiteral("Cannot open file \"%1\"").arg(fileName));
    QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError) FileFailure(QStringLiteral("Read error"), fileName);
    return data;
}
}  // namespace

TBDE32::TBDE32(TComponent* owner) : TComponent(owner) {
    // The original engine's registration and its search through the usual folders have no
    // counterpart here: our engine is part of the program and always present.
    ReadSettings();
}

QString TBDE32::ConfigPath() const {
    QString file = FConfigFile;
    if (file.isEmpty()) {
        QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : GetCurrentDir();
        file = IncludeTrailingPathDelimiter(dir) + QStringLiteral("ZbEngine.cfg");
    }
    return platform::rtl::NormalizePath(file);
}

// The file is looked up and read once for all the settings.
void TBDE32::ReadSettings() {
    const QString file = ConfigPath();
    const QByteArray content = FileExists(file) ? ReadWhole(file) : QByteArray();
    auto setting = [&](const char* name, const char* def) {
        return QString::fromLatin1(controls::data::SettingValue(content, QByteArray(name), QByteArray(def)));
    };
    FLocalShare = setting("LOCAL SHARE", "FALSE") == QLatin1String("TRUE");
    FPdxNetDir = setting("NET DIR", "F:\\");
    FMaxBufSize = StrToInt(setting("MAXBUFSIZE", "2048"));
    FMaxFileHandles = StrToInt(setting("MAXFILEHANDLES", "48"));
    FMemSize = StrToInt(setting("MEMSIZE", "16"));
    FSharedMemSize = StrToInt(setting("SHAREDMEMSIZE", "2048"));
}

// Every value is replaced in one copy of the file, written once: a damaged entry leaves the
// whole file as it was.
void TBDE32::WriteSettings() {
    const QString file = ConfigPath();
    if (!FileExists(file)) return;
    QByteArray content = ReadWhole(file);
    bool found = false;
    auto setting = [&](const char* name, const QString& value) {
        if (controls::data::FindSetting(content, QByteArray(name)) < 0) return;
        found = true;
        if (!controls::data::ReplaceSetting(content, QByteArray(name), value.toLatin1()))
            throw EInOutError(QStringLiteral("Damaged engine configuration file: %1").arg(file));
    };
    setting("LOCAL SHARE", FLocalShare ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
    setting("NET DIR", FPdxNetDir);
    setting("MAXBUFSIZE", IntToStr(FMaxBufSize));
    setting("MAXFILEHANDLES", IntToStr(FMaxFileHandles));
    setting("MEMSIZE", IntToStr(FMemSize));
    setting("SHAREDMEMSIZE", IntToStr(FSharedMemSize));
    if (!found) return;
    // The new content goes to a temporary file first; only a complete copy replaces the original.
    const QString temp = file + QStringLiteral("2");
    {
        QFile out(temp);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw EFCreateError(QStringLiteral("Cannot create file \"%1\"").arg(temp));
        if (out.write(content) != content.size() || !out.flush()) {
            out.close();
            QFile::remove(temp);
            FileFailure(QStringLiteral("Write error"), temp);
        }
    }
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(file).constData()) != 0) {
        QFile::remove(temp);
        FileFailure(QStringLiteral("Cannot rename"), temp);
    }
}
