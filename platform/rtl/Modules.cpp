#include "platform/rtl/Modules.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <dlfcn.h>
#include <unistd.h>

namespace {

QString ProgramFolder() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return QString();
    return QFileInfo(QString::fromLocal8Bit(path, int(n))).absolutePath();
}

QString LoadError() {
    const char* why = dlerror();
    return why ? QString::fromLocal8Bit(why) : QString();
}

}  // namespace

void* ModuleEntry(const QString& file, const char* entry, QString* error) {
    static QMutex mutex;
    static QHash<QString, void*> loaded;
    QMutexLocker guard(&mutex);
    void* handle = loaded.value(file);
    QString why;
    if (!handle) {
        const QString folder = ProgramFolder();
        // Named as the user would look for it: an installed copy keeps its modules there.
        const QString installed = folder.isEmpty() ? QString() : QDir::cleanPath(folder + QStringLiteral("/../lib/zembra"));
        QStringList candidates;
        if (!folder.isEmpty()) candidates << folder + QLatin1Char('/') + file << installed + QLatin1Char('/') + file;
        for (const QString& path : candidates) {
            if (!QFileInfo::exists(path)) continue;
            // Every symbol is bound now: a module that does not fit the program fails here, not
            // in the middle of its work.
            handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) why = LoadError();
            break;
        }
        if (!handle && why.isEmpty()) {
            handle = dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) why = LoadError();
            if (why.contains(QStringLiteral("cannot open shared object file"))) why.clear();
        }
        if (!handle) {
            if (error)
                *error = why.isEmpty()
                             ? QString::fromUtf8("No se encuentra el módulo %1 del programa: debe estar junto al programa (%2) "
                                                 "o en %3.")
                                   .arg(file, folder, installed)
                             : QString::fromUtf8("El módulo %1 del programa no se puede cargar: %2").arg(file, why);
            return nullptr;
        }
        loaded.insert(file, handle);
    }
    dlerror();
    void* symbol = dlsym(handle, entry);
    if (!symbol && error)
        *error = QString::fromUtf8("El módulo %1 del programa no es de esta versión: le falta %2.").arg(file, QString::fromLatin1(entry));
    return symbol;
}

QString ModuleOfAnotherVersion(const QString& file) {
    return QString::fromUtf8("El módulo %1 del programa no es de esta versión.").arg(file);
}
