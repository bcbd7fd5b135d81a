#pragma once
// Little-endian fields of the bitmap, icon and cursor file formats.
#include <QByteArray>
#include <QtEndian>

namespace platform::graphics::le {
inline quint16 U16(const uchar* p) { return qFromLittleEndian<quint16>(p); }
inline quint32 U32(const uchar* p) { return qFromLittleEndian<quint32>(p); }
inline qint32 I32(const uchar* p) { return qFromLittleEndian<qint32>(p); }
inline void Put16(QByteArray& b, quint16 v) {
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}
inline void Put32(QByteArray& b, quint32 v) {
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}
}  // namespace platform::graphics::le
