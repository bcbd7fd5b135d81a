#include "shell/UPrograma.h"

#include "agenda/UAgenda.h"
#include "agenda/UAgendaExp.h"
#include "comun/Ganchos.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "documents/MailForm.h"
#include "documents/Minuta.h"
#include "documents/UEscritos.h"
#include "documents/UFusion.h"
#include "documents/UMail.h"
#include "platform/classes/Registry.h"
#include "platform/db/Driver.h"
#include "platform/db/Espera.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Exceptions.h"
#include "shell/Acceso.h"
#include "shell/Inicio.h"
#include "shell/UPrincipal.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <memory>
#include <vector>

TPresenta* Presenta = nullptr;
TPrincipio* Principio = nullptr;
TEntrada* Entrada = nullptr;

namespace shell {

namespace {
// "Datos" of section "Install" of the program's key; empty when missing or unreadable.
QString CarpetaRegistrada() {
    try {
        TRegIniFile reg(comun::ClavePrograma(NombreEjecutable));
        return reg.ReadString(QStringLiteral("Install"), QStringLiteral("Datos"), QString());
    } catch (const Exception&) {
        return QString();
    }
}

// "Servidor" of the same section: the database server that holds the office's data, in the
// server client's own terms (a connection string or a service name); empty: the data folder's file.
QString ServidorRegistrado() {
    try {
        TRegIniFile reg(comun::ClavePrograma(NombreEjecutable));
        return reg.ReadString(QStringLiteral("Install"), QStringLiteral("Servidor"), QString());
    } catch (const Exception&) {
        return QString();
    }
}

// A wait on the data server, shown: the busy cursor, a note in the main window's status bar, the
// windows painted. The person's keys and clicks and the window manager's close and resize wait for
// the answer; the timers and deferred calls that may use the data wait by themselves (TTimer,
// platform::forms::Later).
class TEsperaVisible : public QObject {
public:
    static QString Nota() { return QString::fromUtf8("Esperando al servidor de datos…"); }
    void Empieza() {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (TStatusPanel* p = Panel()) {
            FTextoPrevio = p->Text();
            p->SetText(Nota());
        }
        qApp->installEventFilter(this);
    }
    void Sigue() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }
    void Termina() {
        qApp->removeEventFilter(this);
        QApplication::restoreOverrideCursor();
        if (TStatusPanel* p = Panel(); p && p->Text() == Nota()) p->SetText(FTextoPrevio);
        // In the order they came, after the answer, as the window system's own.
        for (auto& [destino, evento] : FRetenidas)
            if (destino) QCoreApplication::postEvent(destino, evento.release());
        FRetenidas.clear();
    }

protected:
    // The window system's input stays queued meanwhile; this holds what was posted or sent.
    bool eventFilter(QObject* destino, QEvent* evento) override {
        if (!destino->isWidgetType() && !destino->isWindowType()) return false;
        switch (evento->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
            FRetenidas.push_back({destino, std::unique_ptr<QEvent>(evento->clone())});
            return true;
        case QEvent::Close:
        case QEvent::Resize:
            // The window manager's close, which the window would ask about in a dialog of its own,
            // and its resize, which would have the grids read rows for their new room.
            if (!destino->isWindowType()) return false;
            FRetenidas.push_back({destino, std::unique_ptr<QEvent>(evento->clone())});
            return true;
        case QEvent::MouseMove:
        case QEvent::HoverMove:
            return true;
        default:
            return false;
        }
    }

private:
    static TStatusPanel* Panel() {
        return Principio && Principio->LineaEstado ? Principio->LineaEstado->Panels()->Items(0) : nullptr;
    }
    QString FTextoPrevio;
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> FRetenidas;
};

void Termina(const QString& motivo) {
    if (Presenta) Presenta->Hide();
    Screen->SetCursor(crDefault);
    MensajeError(motivo);
}
}  // namespace

void InstalaGanchos() {
    comun::AbreAgendaExpediente = &agenda::AbreAgendaExpediente;
    comun::AbreAgendaDiaria = [] {
        Agenda = new TAgenda(Application);
        Agenda->ShowModal();
    };
    comun::EnviaPorCorreo = [](const QString& adjunto, const QString& asunto) {
        auto* correo = new TfrmMail(Application);
        std::unique_ptr<TfrmMail> libera(correo);
        correo->AddAttachment(adjunto);
        correo->txtSubject->SetText(asunto);
        correo->ShowModal();
    };
    comun::ListaDeEscritos = &AbreListaEscritos;
    comun::CierraProcesador = [] {
        try {
            Quit(EditorOle);
        } catch (...) {
        }
        EditorOle.reset();
    };
    comun::GeneraFactura = &documents::GeneraMinuta;
    comun::FijaEditor = TEvent<const QString&>([](const QString& editor) { TipoEditor = editor; });
    documents::InstalaDialogosFusion();
    static TEsperaVisible espera;
    platform::db::SetServerWaitObserver({[] { espera.Empieza(); }, [] { espera.Sigue(); }, [] { espera.Termina(); }});
    // A save told unknown and settled at a later connection: said once the action that
    // reconnected has ended, never from inside it.
    platform::db::OnWriteSettled = [](const QString& mensaje) {
        platform::forms::Later(qApp, [mensaje] {
            if (comun::LineaEstado) comun::LineaEstado(mensaje);
            ShowMessage(mensaje);
        });
    };
}

bool Arranca() {
    Presenta = new TPresenta(Application);
    Presenta->Show();
    Presenta->BringToFront();
    Presenta->Repaint();
    Application->ProcessMessages();

    Application->SetTitle(QStringLiteral("Zembra 4.0"));
    Application->SetHelpFile(QStringLiteral("Zembra.hlp"));

    const QString exe = Application->ExeName();
    NombreEjecutable = comun::NombreBase(exe);
    CarpetaEjecutable = QFileInfo(exe).absolutePath() + QLatin1Char('/');
    CarpetaPrograma = CarpetaEjecutable.endsWith(QLatin1Char('/')) ? CarpetaEjecutable.chopped(1) : CarpetaEjecutable;
    CarpetaDatos = CarpetaRegistrada();
    if (CarpetaDatos.isEmpty()) CarpetaDatos = CarpetaPrograma;
    // The engine's record locks end with the process that holds them: no lock file is ever
    // removed here, another workstation may be working on the same data.
    if (const QString problema = comun::ProblemaCarpetaDatos(CarpetaDatos); !problema.isEmpty()) {
        Termina(problema);
        return false;
    }
    // The folder keeps the models and documents; the records live on the server when one is named.
    platform::db::SetDataServer(CarpetaDatos, ServidorRegistrado());

    comun::ProgresoApertura = [](int avance) {
        if (Presenta) Presenta->Ps->SetProgress(avance);
    };
    try {
        Application->CreateForm(Dat);
    } catch (const Exception& e) {
        comun::ProgresoApertura = nullptr;
        Termina(QStringLiteral("No se pueden abrir los datos del despacho.\n") + e.Message());
        return false;
    }
    comun::ProgresoApertura = nullptr;

    try {
        Application->CreateForm(Principio);
    } catch (const Exception& e) {
        Termina(e.Message());
        return false;
    }
    Presenta->Hide();

    if (Dat->TPriv->RecordCount() > 1) {
        Application->CreateForm(Entrada);
        const TModalResult respuesta = Entrada->ShowModal();
        if (respuesta != mrOk) {
            // Closing the login window any other way than OK ends the program as No does.
            MensajeError(QStringLiteral("Identificación incorrecta"));
            return false;
        }
    }
    return true;
}

void FinPrograma() {
    comun::ProgresoApertura = nullptr;
    if (Entrada) Entrada->Free();
    if (Principio) Principio->Free();
    Principio = nullptr;
    if (Dat) Dat->Free();
    Dat = nullptr;
    if (Presenta) Presenta->Free();
    Presenta = nullptr;
}

}  // namespace shell
