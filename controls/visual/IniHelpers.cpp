#include "controls/visual/IniHelpers.h"

#include "controls/visual/StrHelpers.h"
#include "platform/classes/IniFiles.h"
#include "platform/classes/Registry.h"
#include "platform/rtl/SysUtils.h"

#include <QCoreApplication>
#include <algorithm>
#include <limits>
#include <QFileInfo>

namespace {

QString ExecutableName() {
    QString path;
    if (QCoreApplication::instance())
        path = QCoreApplication::applicationFilePath();
    if (path.isEmpty())
        path = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return QFileInfo(path).fileName();
}

QString WithoutExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

bool Quoted(const QString& v, QChar quote) { return v.startsWith(quote) && v.endsWith(quote); }

QString FourNumbers(int a, int b, int c, int d) { return QStringLiteral("%1,%2,%3,%4").arg(a).arg(b).arg(c).arg(d); }

// Word n of a "a,b,c,d" text as a number, the default when it is not one.
int NumberWord(const QString& text, int n, int defaultValue) {
    static const TCharSet delims(" ,");
    return StrToIntDef(ExtractWord(n, text, delims), defaultValue);
}

}  // namespace

QString GetDefaultIniName() { return WithoutExtension(ExecutableName()) + QStringLiteral(".INI"); }

QString GetDefaultIniRegKey() { return QStringLiteral("Software\\") + WithoutExtension(ExecutableName()); }

QString IniReadString(TObject* iniObject, const QString& section, const QString& ident, const QString& defaultValue) {
    if (auto* reg = dynamic_cast<TRegIniFile*>(iniObject))
        return reg->ReadString(section, ident, defaultValue);
    if (auto* ini = dynamic_cast<TIniFile*>(iniObject))
        return ini->ReadString(section, ident, defaultValue);
    return defaultValue;
}

void IniWriteString(TObject* iniObject, const QString& section, const QString& ident, const QString& value) {
    if (auto* reg = dynamic_cast<TRegIniFile*>(iniObject)) {
        reg->WriteString(section, ident, value);
    } else if (auto* ini = dynamic_cast<TIniFile*>(iniObject)) {
        if (Quoted(value, QLatin1Char('"')) || Quoted(value, QLatin1Char('\'')))
            ini->WriteString(section, ident, QLatin1Char('"') + value + QLatin1Char('"'));
        else
            ini->WriteString(section, ident, value);
    }
}

int IniReadInteger(TObject* iniObject, const QString& section, const QString& ident, int defaultValue) {
    if (auto* reg = dynamic_cast<TRegIniFile*>(iniObject))
        return reg->ReadInteger(section, ident, defaultValue);
    if (auto* ini = dynamic_cast<TIniFile*>(iniObject))
        return ini->ReadInteger(section, ident, defaultValue);
    return defaultValue;
}

void IniWriteInteger(TObject* iniObject, const QString& section, const QString& ident, int value) {
    if (auto* reg = dynamic_cast<TRegIniFile*>(iniObject))
        reg->WriteInteger(section, ident, value);
    else if (auto* ini = dynamic_cast<TIniFile*>(iniObject))
        ini->WriteInteger(section, ident, value);
}

void IniEraseSection(TObject* iniObject, const QString& section) {
    if (auto* reg = dynamic_cast<TRegIniFile*>(iniObject))
        reg->EraseSection(section);
    else if (auto* ini = dynamic_cast<TIniFile*>(iniObject))
        ini->EraseSection(section);
}

namespace controls::visual {

QString ScreenSuffix(const TScreenInfo& screen) {
    return QStringLiteral("(%1x%2)").arg(screen.Width).arg(screen.Height);
}

QString ReadPosStr(TObject* iniObject, const QString& section, const QString& ident, const TScreenInfo& screen) {
    const QString value = IniReadString(iniObject, section, ident + ScreenSuffix(screen), QString());
    return value.isEmpty() ? IniReadString(iniObject, section, ident, QString()) : value;
}

void WritePosStr(TObject* iniObject, const QString& section, const QString& ident, const QString& value,
                 const TScreenInfo& screen) {
    IniWriteString(iniObject, section, ident + ScreenSuffix(screen), value);
    IniWriteString(iniObject, section, ident, value);
}

void WritePlacement(TObject* iniObject, const QString& section, const TWindowPlacement& wp, const TScreenInfo& screen) {
    IniWriteInteger(iniObject, section, QStringLiteral("Flags"), wp.Flags);
    IniWriteInteger(iniObject, section, QStringLiteral("ShowCmd"), wp.ShowCmd);
    IniWriteInteger(iniObject, section, QStringLiteral("PixelsPerInch"), screen.PixelsPerInch);
    WritePosStr(iniObject, section, QStringLiteral("MinMaxPos"), FourNumbers(wp.MinX, wp.MinY, wp.MaxX, wp.MaxY), screen);
    WritePosStr(iniObject, section, QStringLiteral("NormPos"),
                FourNumbers(wp.NormLeft, wp.NormTop, wp.NormRight, wp.NormBottom), screen);
}

bool ReadPlacementPosition(TObject* iniObject, const QString& section, TWindowPlacement& wp, const TScreenInfo& screen) {
    wp.Flags = IniReadInteger(iniObject, section, QStringLiteral("Flags"), wp.Flags);
    bool found = false;
    QString text = ReadPosStr(iniObject, section, QStringLiteral("MinMaxPos"), screen);
    if (!text.isEmpty()) {
        found = true;
        wp.MinX = NumberWord(text, 1, 0);
        wp.MinY = NumberWord(text, 2, 0);
        wp.MaxX = NumberWord(text, 3, 0);
        wp.MaxY = NumberWord(text, 4, 0);
    }
    text = ReadPosStr(iniObject, section, QStringLiteral("NormPos"), screen);
    if (!text.isEmpty()) {
        found = true;
        wp.NormLeft = NumberWord(text, 1, wp.NormLeft);
        wp.NormTop = NumberWord(text, 2, wp.NormTop);
        wp.NormRight = NumberWord(text, 3, wp.NormRight);
        wp.NormBottom = NumberWord(text, 4, wp.NormBottom);
    }
    // Positions saved at another pixel density would land elsewhere on this screen.
    if (IniReadInteger(iniObject, section, QStringLiteral("PixelsPerInch"), screen.PixelsPerInch) != screen.PixelsPerInch)
        found = false;
    return found;
}

TPlacementState ReadPlacementState(TObject* iniObject, const QString& section, TPlacementState defaultState) {
    switch (IniReadInteger(iniObject, section, QStringLiteral("ShowCmd"), 0)) {
    case 1: case 5: case 9: return TPlacementState::Normal;
    case 2: case 6: case 7: return TPlacementState::Minimized;
    case 3: return TPlacementState::Maximized;
    default: return defaultState;
    }
}

QRect AreaForPlacement(const TWindowPlacement& placement, const QList<QRect>& areas) {
    if (areas.isEmpty()) return QRect();
    // In 64 bits: a damaged file may hold numbers whose sum does not fit in an int.
    const qint64 x = (qint64(placement.NormLeft) + placement.NormRight) / 2;
    const qint64 y = (qint64(placement.NormTop) + placement.NormBottom) / 2;
    for (const QRect& a : areas)
        if (x >= a.left() && x <= a.right() && y >= a.top() && y <= a.bottom()) return a;
    return areas.front();
}

void FitPlacement(TWindowPlacement& placement, int left, int top, int width, int height, bool sizeable, int minWidth,
                  int minHeight) {
    if (width <= 0 || height <= 0) return;
    qint64 w = qint64(placement.NormRight) - placement.NormLeft;
    qint64 h = qint64(placement.NormBottom) - placement.NormTop;
    if (w <= 0 || h <= 0) return;
    // The window will not be smaller than its minimum: that is the size to fit.
    w = std::max<qint64>(w, minWidth);
    h = std::max<qint64>(h, minHeight);
    if (sizeable) {
        w = std::min<qint64>(w, std::max(width, minWidth));
        h = std::min<qint64>(h, std::max(height, minHeight));
    }
    // Too big to fit (a window that cannot be sized): its top left corner, with the title bar,
    // is what must stay on the screen.
    const qint64 l = std::max<qint64>(left, std::min<qint64>(placement.NormLeft, qint64(left) + width - w));
    const qint64 t = std::max<qint64>(top, std::min<qint64>(placement.NormTop, qint64(top) + height - h));
    placement.NormLeft = int(l);
    placement.NormTop = int(t);
    placement.NormRight = int(std::min<qint64>(l + w, std::numeric_limits<int>::max()));
    placement.NormBottom = int(std::min<qint64>(t + h, std::numeric_limits<int>::max()));
}

}  // namespace controls::visual
