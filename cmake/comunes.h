// Precompiled for the libraries (cmake/Zembra.cmake): the standard and Qt headers nearly every
// source of the program includes. A Qt header joins only when the include path reaches its
// module, so the libraries below the widgets share a header without them.
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#if __has_include(<QImage>)
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#endif
#if __has_include(<QWidget>)
#include <QApplication>
#include <QWidget>
#endif
