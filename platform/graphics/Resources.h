#pragma once
// The program's own resources (bitmaps, icons, cursors, raw data) found by name, as the
// class library finds resources compiled into the executable. A resource is either
// registered at start-up with RegisterResource or compiled in as a Qt resource under
// ":/resources/<kind>/<NAME>" (kinds: bitmaps .bmp, icons .ico, cursors .cur or .ani,
// data with no extension). Names are case-insensitive.
#include "platform/rtl/Exceptions.h"

#include <QByteArray>
#include <QString>

ZB_EXCEPTION(EResNotFound, Exception)

namespace platform::graphics {

enum class ResourceKind { Bitmap, Icon, Cursor, Data };

void RegisterResource(ResourceKind kind, const QString& name, const QByteArray& bytes);
// The bytes of a resource; a null array when there is none.
QByteArray FindResource(ResourceKind kind, const QString& name);

}  // namespace platform::graphics
