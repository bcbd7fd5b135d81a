// A desk waiting on the data server shows it: a relay that stops passing bytes for a few seconds
// stands for a slow or frozen link, under the start-up's own observer and the main window.
#include "PrincipioFixture.h"
#include "platform/db/Espera.h"
#include "shell/UPrograma.h"
#include "tests/support/Relay.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <thread>

namespace {

constexpr int kFreezeMs = 2500;

class EsperaServidorTest : public shelltest::PrincipioTest {
protected:
    void SetUp() override {
        const QString direct = platform::db::DataServer(dir.path());
        if (direct.isEmpty()) GTEST_SKIP() << "runs on the test server";
        qputenv("ZEMBRA_ESPERA_CONEXION", esperaConexion);
        qputenv("ZEMBRA_ESPERA_RESPUESTA", esperaRespuesta);
        int port = 0;
        testsupport::ThroughPort(direct, 0, &port);
        relay = std::make_unique<testsupport::TRelay>(port);
        viaRelay = testsupport::ThroughPort(direct, relay->Port(), nullptr, "connect_timeout");
        platform::db::SetDataServer(dir.path(), viaRelay);
        shell::InstalaGanchos();
        PrincipioTest::SetUp();
        Muestra();
    }
    void TearDown() override {
        PrincipioTest::TearDown();
        platform::db::SetServerWaitObserver({});
        for (const char* n : {"ZEMBRA_ESPERA_CONEXION", "ZEMBRA_ESPERA_RESPUESTA"}) qunsetenv(n);
    }
    // Runs `accion` on a link frozen for kFreezeMs, calling `muestra` every 100 ms meanwhile
    // with the time since the freeze (events run only when the desk processes them).
    void Congelado(const std::function<void()>& accion, const std::function<void(qint64)>& muestra) {
        QElapsedTimer t;
        QTimer reloj;
        reloj.setInterval(100);
        QObject::connect(&reloj, &QTimer::timeout, [&] { muestra(t.elapsed()); });
        relay->Freeze();
        t.start();
        std::thread deshiela([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(kFreezeMs));
            relay->Pass();
        });
        reloj.start();
        accion();
        reloj.stop();
        deshiela.join();
        muestra(-1);
    }
    static bool CursorDeEspera() { return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor; }
    TStatusPanel* Panel(int i) const { return form->LineaEstado->Panels()->Items(i); }
    std::unique_ptr<testsupport::TRelay> relay;
    QString viaRelay;
    QByteArray esperaConexion = "5", esperaRespuesta = "10";
};

// Waits of one and two seconds: a command that fails on a dead link ends in about three.
class BorradoCongeladoTest : public EsperaServidorTest {
protected:
    BorradoCongeladoTest() {
        esperaConexion = "2";
        esperaRespuesta = "1";
    }
};

// Counts the key presses that reach the widget it watches.
class TTeclas : public QObject {
public:
    int pulsadas = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) ++pulsadas;
        return false;
    }
};

}  // namespace

// After about a second the busy cursor and the note show, the window keeps running its events;
// a key pressed meanwhile reaches the window only after the answer; then the cursor and the
// status bar are as they were.
TEST_F(EsperaServidorTest, AWaitShowsTheBusyCursorAndTheNoteTakesNoInputAndClearsBoth) {
    Panel(0)->SetText(QStringLiteral("Expediente guardado"));
    TTeclas teclas;
    form->DBPrincipal->Widget()->installEventFilter(&teclas);
    const QString nota = QString::fromUtf8("Esperando al servidor de datos…");
    int vistas = 0, conNota = 0, teclasDurante = -1;
    qint64 primera = -1;
    Congelado([] { Dat->TSistem->Refresh(); },
              [&](qint64 ms) {
                  if (ms < 0) return;
                  ++vistas;
                  if (CursorDeEspera() && Panel(0)->Text() == nota) {
                      ++conNota;
                      if (primera < 0) primera = ms;
                  }
                  if (ms >= 1500 && teclasDurante < 0) {
                      QCoreApplication::postEvent(form->DBPrincipal->Widget(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier));
                      teclasDurante = 0;
                  } else if (teclasDurante >= 0) {
                      teclasDurante = std::max(teclasDurante, teclas.pulsadas);
                  }
              });
    EXPECT_GE(vistas, 10);
    EXPECT_GE(conNota, 8);
    EXPECT_GE(primera, 800);
    EXPECT_LE(primera, 1500);
    EXPECT_EQ(teclasDurante, 0);
    EXPECT_FALSE(CursorDeEspera());
    EXPECT_EQ(Panel(0)->Text(), QStringLiteral("Expediente guardado"));
    platform::forms::TFormHarness::ProcessEvents();
    EXPECT_EQ(teclas.pulsadas, 1);
}

// Meanwhile the status bar's clock goes on; a timer that might use the data skips its ticks, and
// a call left for later and the window manager's close or resize of a window (its grids would
// read rows for their new room) wait for the answer.
TEST_F(EsperaServidorTest, DuringAWaitTheClockGoesOnAndWhatMayUseTheDataWaitsForTheAnswer) {
    QWidget ventana;
    ventana.show();
    platform::forms::TFormHarness::ProcessEvents();
    ASSERT_NE(ventana.windowHandle(), nullptr);
    bool cerradaDurante = false, pedida = false;
    const int ancho = form->Width();
    int anchoDurante = ancho;
    TTimer otro(nullptr);
    otro.SetInterval(50);
    int ticks = 0, ticksDurante = 0, reloj = 0;
    otro.OnTimer = TNotifyEvent([&](TObject*) { ++ticks; });
    otro.SetEnabled(true);
    bool despues = false, durante = false;
    platform::forms::Later(qApp, [&] { (platform::db::ServerWaitRunning() ? durante : despues) = true; });
    Panel(4)->SetText(QString());
    Congelado([] { Dat->TSistem->Refresh(); },
              [&](qint64 ms) {
                  if (ms < 0) return;
                  ticksDurante = ticks;
                  if (!Panel(4)->Text().isEmpty()) ++reloj;
                  if (ms >= 1500 && !pedida) {
                      QCoreApplication::postEvent(ventana.windowHandle(), new QCloseEvent);
                      form->Widget()->windowHandle()->resize(ancho + 100, form->Widget()->windowHandle()->height());
                  }
                  if (pedida) anchoDurante = form->Width();
                  pedida = pedida || ms >= 1500;
                  cerradaDurante = cerradaDurante || !ventana.isVisible();
              });
    EXPECT_EQ(ticksDurante, 0);
    EXPECT_GT(reloj, 0);
    EXPECT_FALSE(durante);
    EXPECT_FALSE(cerradaDurante);
    EXPECT_EQ(anchoDurante, ancho);
    QElapsedTimer t;
    t.start();
    while ((ticks == 0 || !despues) && t.elapsed() < 2000) platform::forms::TFormHarness::ProcessEvents();
    EXPECT_TRUE(despues);
    EXPECT_GT(ticks, 0);
    EXPECT_FALSE(ventana.isVisible());
    EXPECT_EQ(form->Width(), ancho + 100);
}

// So does a connection made on a link that does not answer (a reconnection, a second desk).
TEST_F(EsperaServidorTest, AConnectionWaitingOnTheServerShowsItToo) {
    const QString nota = QString::fromUtf8("Esperando al servidor de datos…");
    int conNota = 0;
    Congelado([&] { platform::db::OpenPostgres(dir.path(), viaRelay); },
              [&](qint64 ms) { conNota += ms >= 0 && CursorDeEspera() && Panel(0)->Text() == nota; });
    EXPECT_GE(conNota, 8);
    EXPECT_FALSE(CursorDeEspera());
}

// Deleting a case file whose link freezes at the delete is told once, in the command's words with
// the reason, and the list is not read again on the dead link (another connection wait and the
// raw exception box).
TEST_F(BorradoCongeladoTest, ADeleteOnAFrozenLinkIsToldInTheCommandsWordsWithoutReadingTheListAgain) {
    form.reset();
    Genera(2, 4);
    Muestra();
    harness->ClearRecords();
    harness->AnswerMessage(mrYes);
    harness->AnswerMessage(mrYes);
    relay->FreezeAt("DELETE FROM");
    QElapsedTimer t;
    t.start();
    form->Borrar1Click(form.get());
    const qint64 ms = t.elapsed();
    relay->Pass();
    const auto& m = harness->Messages();
    ASSERT_EQ(m.size(), 3u) << Texts().join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(m.back().Caption, QString::fromUtf8("¡¡ ERROR !!"));
    EXPECT_TRUE(m.back().Text.startsWith(QStringLiteral("ERROR al BORRAR EXPEDIENTE"))) << m.back().Text.toStdString();
    EXPECT_TRUE(m.back().Text.contains(QString::fromUtf8("Se ha perdido la conexión con el servidor de datos"))) << m.back().Text.toStdString();
    EXPECT_TRUE(harness->Exceptions().empty());
    EXPECT_LT(ms, (1 + 2) * 1000 + 1500);
}

// A save settled at a later connection is told to the person, once the action that reconnected
// (and waited) has ended: never a box from inside the wait.
TEST_F(EsperaServidorTest, ASaveSettledAtALaterConnectionIsToldAfterTheActionThatReconnected) {
    ASSERT_TRUE(platform::db::OnWriteSettled);
    const QString aviso = QString::fromUtf8("La operación de las 10:00:00 en EXPED, de la que no se sabía si se había guardado, sí se guardó.");
    harness->ClearRecords();
    size_t durante = 0;
    Congelado(
        [&] {
            platform::db::OnWriteSettled(aviso);
            Dat->TSistem->Refresh();
        },
        [&](qint64 ms) {
            if (ms >= 0) durante = std::max(durante, harness->Messages().size());
        });
    EXPECT_EQ(durante, 0u);
    // What was left for later comes back a slice after the wait.
    QElapsedTimer t;
    t.start();
    while (harness->Messages().empty() && t.elapsed() < 2000) platform::forms::TFormHarness::ProcessEvents();
    EXPECT_EQ(Texts(), QStringList{aviso});
}
