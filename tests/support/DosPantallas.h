// A desktop of two monitors of different sizes for the test programs that include this header:
// the main one as the toolkit's offscreen screen always is (800 x 600 at the origin) and a
// smaller one to its right (640 x 480 at x = 800). Set before the first window exists, so it is
// a static object; another platform chosen outside is left alone.
#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace zbtest {

inline const bool DosPantallas = [] {
    const QByteArray plataforma = qgetenv("QT_QPA_PLATFORM");
    if (plataforma.isEmpty() || plataforma == "offscreen")
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" ZEMBRA_SOURCE_DIR "/tests/support/dos-pantallas.json");
    return true;
}();

// The second monitor's rectangle in the desktop.
constexpr int SegundaIzquierda = 800, SegundaArriba = 0, SegundaAncho = 640, SegundaAlto = 480;

}  // namespace zbtest
