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
#include "platform/forms/Forms.h"
#include "platform/rtl/Exceptions.h"
#include "shell/Acceso.h"
#include "shell/Inicio.h"
#include "shell/UPrincipal.h"

#include <QFileInfo>
#include <memory>

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
