// Registry of the program's named resources.
#include "platform/graphics/Resources.h"

#include <QFile>
#include <QHash>

namespace platform::graphics {

namespace {

QHash<QString, QByteArray>& Registry() {
    static QHash<QString, QByteArray> registry;
    return registry;
}

QString Key(ResourceKind kind, const QString& name) { return QString::number(int(kind)) + u'/' + name.toUpper(); }

}  // namespace

void RegisterResource(ResourceKind kind, const QString& name, const QByteArray& bytes) {
    Registry().insert(Key(kind, name), bytes);
}

QByteArray FindResource(ResourceKind kind, const QString& name) {
    auto it = Registry().constFind(Key(kind, name));
    if (it != Registry().constEnd()) return *it;
    static const char* const kFolders[] = {"bitmaps", "icons", "cursors", "data"};
    QStringList suffixes;
    switch (kind) {
    case ResourceKind::Bitmap: suffixes = {".bmp"}; break;
    case ResourceKind::Icon: suffixes = {".ico"}; break;
    case ResourceKind::Cursor: suffixes = {".cur", ".ani"}; break;
    case ResourceKind::Data: suffixes = {""}; break;
    }
    for (const QString& n : {name, name.toUpper(), name.toLower()})
        for (const QString& suffix : suffixes) {
            QFile f(QStringLiteral(":/resources/%1/%2%3").arg(QLatin1String(kFolders[int(kind)]), n, suffix));
            if (f.open(QIODevice::ReadOnly)) return f.readAll();
        }
    return QByteArray();
}

}  // namespace platform::graphics
