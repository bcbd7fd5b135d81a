// The Qt peer of the program's main window as a program of its own, started by bench_principal:
// a splash while the office's file opens, then the window over its rows. With
// ZEMBRA_EXIT_AT_FIRST_WINDOW set it ends once the window is drawn, or with "marca" it writes
// "Ventana dibujada" then and goes on, as app/zembra does. Usage: ventana_qt <data folder>.
#include "PeerPrincipal.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <cmath>
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

// The splash's animated image, as a careful Qt program draws it: the frame shown, on each paint,
// a beam tilting on a column every 100 ms.
class TAnimacion : public QWidget {
public:
    explicit TAnimacion(QWidget* padre) : QWidget(padre) {
        auto* reloj = new QTimer(this);
        QObject::connect(reloj, &QTimer::timeout, this, [this] {
            FPaso = (FPaso + 1) % 12;
            update();
        });
        reloj->start(100);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor azul(0x1F, 0x3A, 0x6E), oro(0xC8, 0x96, 0x2B);
        p.setPen(Qt::NoPen);
        p.setBrush(azul);
        p.drawRect(QRectF(45, 20, 6, 62));
        p.drawRoundedRect(QRectF(28, 80, 40, 7), 3, 3);
        const double a = std::sin(2 * M_PI * FPaso / 12) * 14 * M_PI / 180;
        const QPointF i(48 - 34 * std::cos(a), 22 - 34 * std::sin(a)), d(48 + 34 * std::cos(a), 22 + 34 * std::sin(a));
        p.setPen(QPen(azul, 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(i, d);
        p.setPen(Qt::NoPen);
        p.setBrush(oro);
        for (const QPointF& e : {i, d}) p.drawChord(QRectF(e.x() - 13, e.y() + 18, 26, 24), 180 * 16, 180 * 16);
    }

private:
    int FPaso = 0;
};

// The splash: a white bordered panel with the animated image, the product's name, the loading
// text and a progress bar, over the screen's centre, with the busy cursor.
class TPresentaQt : public QFrame {
public:
    TPresentaQt() : QFrame(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, Qt::white);
        setPalette(pal);
        setCursor(Qt::WaitCursor);
        resize(340, 200);
        move(screen()->geometry().center() - rect().center());
        (new TAnimacion(this))->setGeometry(16, 16, 96, 96);
        auto* nombre = new QLabel(QStringLiteral("Zembra 4.0"), this);
        QFont f(QStringLiteral("Times New Roman"));
        f.setPixelSize(28);
        f.setBold(true);
        nombre->setFont(f);
        QPalette tinta = nombre->palette();
        tinta.setColor(QPalette::WindowText, QColor(0x1F, 0x3A, 0x6E));
        nombre->setPalette(tinta);
        nombre->setGeometry(128, 34, 200, 32);
        (new QLabel(QStringLiteral("Cargando .."), this))->setGeometry(128, 80, 200, 16);
        Progreso = new QProgressBar(this);
        Progreso->setGeometry(12, 140, 312, 22);
        Progreso->setTextVisible(false);
    }
    QProgressBar* Progreso;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    TPresentaQt presenta;
    presenta.show();
    presenta.repaint();
    app.processEvents();
    sqlite3* db = nullptr;
    const QByteArray fichero = QByteArray(argv[1]) + "/zembra.db";
    if (sqlite3_open_v2(fichero.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) return 1;
    sqlite3_busy_timeout(db, 10000);
    presenta.Progreso->setValue(100);
    app.processEvents();
    int salida = 0;
    {
        zbpeer::TSentencias sentencias(db);
        zbpeer::TVentana ventana(sentencias);
        ventana.resize(780, 500);
        TAlDibujar marca;
        if (qEnvironmentVariableIsSet("ZEMBRA_EXIT_AT_FIRST_WINDOW")) ventana.installEventFilter(&marca);
        ventana.show();
        presenta.hide();
        salida = app.exec();
    }
    sqlite3_close(db);
    return salida;
}
