#include "platform/documents/DesktopApps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace platform::documents {
namespace {

QStringList Paths(const char* variable, const QString& fallback) {
    QString value = qEnvironmentVariable(variable);
    if (value.isEmpty()) value = fallback;
    QStringList out;
    for (const QString& p : value.split(QLatin1Char(':'), Qt::SkipEmptyParts)) out << QDir::cleanPath(p);
    return out;
}

QStringList ConfigDirs() {
    return Paths("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config")) +
           Paths("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
}

QStringList DataDirs() {
    return Paths("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share")) +
           Paths("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
}

QStringList Lines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
}

// The first entry of the line "mime=a.desktop;b.desktop" under [Default Applications].
QString ListedDefault(const QString& list, const QString& mime) {
    const QString prefix = mime + QLatin1Char('=');
    bool inDefaults = false;
    for (const QString& line : Lines(list)) {
        if (line.startsWith(QLatin1Char('['))) inDefaults = line.startsWith(QStringLiteral("[Default Applications]"));
        else if (inDefaults && line.startsWith(prefix)) return line.mid(prefix.size()).section(QLatin1Char(';'), 0, 0).trimmed();
    }
    return {};
}

// The .desktop file of that name in the data folders: "vendor-app.desktop" may be kept as
// vendor/app.desktop, and any subfolder of applications/ is looked into.
QString DesktopFile(const QString& name) {
    for (const QString& dir : DataDirs()) {
        const QDir apps(dir + QStringLiteral("/applications"));
        if (!apps.exists()) continue;
        const int dash = name.lastIndexOf(QLatin1Char('-'));
        if (dash > 0) {
            const QString split = apps.filePath(name.left(dash) + QLatin1Char('/') + name.mid(dash + 1));
            if (QFileInfo(split).isReadable()) return split;
        }
        if (QFileInfo(apps.filePath(name)).isReadable()) return apps.filePath(name);
        for (const QString& sub : apps.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (QFileInfo(apps.filePath(sub + QLatin1Char('/') + name)).isReadable()) return apps.filePath(sub + QLatin1Char('/') + name);
    }
    return {};
}

// True when the entry's program can be run: its Exec names a file that exists on the PATH or
// at its own path.
bool Runnable(const QString& desktopFile) {
    for (const QString& line : Lines(desktopFile)) {
        if (!line.startsWith(QStringLiteral("Exec"))) continue;
        const int eq = line.indexOf(QLatin1Char('='));
        const QString key = line.left(eq);
        if (eq < 0 || !(key == u"Exec" || (key.startsWith(QStringLiteral("Exec[")) && key.endsWith(QLatin1Char(']'))))) continue;
        QString command = line.mid(eq + 1).trimmed().section(QLatin1Char(' '), 0, 0);
        if (command.size() > 1 && command.startsWith(QLatin1Char('"')) && command.endsWith(QLatin1Char('"')))
            command = command.mid(1, command.size() - 2);
        if (command.isEmpty()) return false;
        if (command.contains(QLatin1Char('/'))) return QFileInfo(command).isExecutable();
        return !QStandardPaths::findExecutable(command).isEmpty();
    }
    return false;
}

// The first "mime=" line of defaults.list or mimeinfo.cache, taken as it is.
QString CachedDefault(const QString& file, const QString& mime) {
    const QString prefix = mime + QLatin1Char('=');
    for (const QString& line : Lines(file)) {
        const int at = line.indexOf(prefix);
        if (at >= 0) return line.mid(at + prefix.size()).section(QLatin1Char(';'), 0, 0).trimmed();
    }
    return {};
}

// The .desktop files of a folder in name order, then those of its subfolders.
void DesktopFiles(const QDir& dir, QStringList& out) {
    for (const QString& f : dir.entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name)) out << dir.filePath(f);
    for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        DesktopFiles(QDir(dir.filePath(sub)), out);
}

// Any application declaring the type, the highest InitialPreference first.
QString DeclaringApplication(const QString& mime) {
    const QString declared = mime + QLatin1Char(';');
    QString best;
    int preference = -1;
    for (const QString& dir : DataDirs()) {
        QStringList files;
        DesktopFiles(QDir(dir + QStringLiteral("/applications")), files);
        for (const QString& path : files) {
            bool declares = false;
            int pref = 0;
            for (const QString& line : Lines(path)) {
                if (line.contains(declared)) declares = true;
                if (line.startsWith(QStringLiteral("InitialPreference="))) pref = line.mid(18).trimmed().toInt();
            }
            if (declares && pref > preference) {
                preference = pref;
                best = QFileInfo(path).fileName();
            }
        }
    }
    return best;
}

}  // namespace

QString DefaultApplication(const QString& mime) {
    QStringList prefixes;
    for (const QString& d : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        prefixes << d.toLower() + QLatin1Char('-');
    prefixes << QString();
    QStringList listDirs = ConfigDirs();
    for (const QString& d : DataDirs()) listDirs << d + QStringLiteral("/applications");
    for (const QString& dir : listDirs)
        for (const QString& prefix : prefixes) {
            const QString app = ListedDefault(dir + QLatin1Char('/') + prefix + QStringLiteral("mimeapps.list"), mime);
            if (app.isEmpty()) continue;
            const QString file = DesktopFile(app);
            if (!file.isEmpty() && Runnable(file)) return app;
        }
    const QString menuPrefix = qEnvironmentVariable("XDG_MENU_PREFIX");
    for (const QString& dir : DataDirs())
        for (const QString& prefix : {menuPrefix, QString()})
            for (const char* name : {"defaults.list", "mimeinfo.cache"}) {
                const QString app =
                    CachedDefault(dir + QStringLiteral("/applications/") + prefix + QString::fromLatin1(name), mime);
                if (!app.isEmpty()) return app;
            }
    return DeclaringApplication(mime);
}

}  // namespace platform::documents
