// The Qt peer of the program's main window as a program of its own, started by bench_principal:
// a splash while the office's file opens, then the window over its rows. With
// ZEMBRA_EXIT_AT_FIRST_WINDOW set it ends once the window is drawn, or with "marca" it writes
// "Ventana dibujada" then and goes on, as app/zembra does. Usage: ventana_qt <data folder>.
#include "PeerPrincipal.h"

#include <QPixmap>
#include <QSplashScreen>
#include <cstdio>
#include <cstdlib>

namespace {

class TAlDibujar : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Paint || FDibujada) return false;
        FDibujada = true;
        if (qgetenv("ZEMBRA_EXIT_AT_FIRST_WINDOW") == "marca") {
            std::fputs("Ventana dibujada\n", stdout);
            std::fflush(stdout);
        } else {
            QMetaObject::invokeMethod(qApp, [] { std::_Exit(0); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool FDibujada = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    QPixmap imagen(340, 200);
    imagen.fill(QColor(0xf0, 0xf0, 0xe8));
    QSplashScreen presenta(imagen);
    presenta.show();
    presenta.showMessage(QStringLiteral("Abriendo los datos del despacho"));
    app.processEvents();
    sqlite3* db = nullptr;
    const QByteArray fichero = QByteArray(argv[1]) + "/zembra.db";
    if (sqlite3_open_v2(fichero.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) return 1;
    sqlite3_busy_timeout(db, 10000);
    int salida = 0;
    {
        zbpeer::TSentencias sentencias(db);
        zbpeer::TVentana ventana(sentencias);
        ventana.resize(780, 500);
        TAlDibujar marca;
        if (qEnvironmentVariableIsSet("ZEMBRA_EXIT_AT_FIRST_WINDOW")) ventana.installEventFilter(&marca);
        ventana.show();
        presenta.finish(&ventana);
        salida = app.exec();
    }
    sqlite3_close(db);
    return salida;
}
