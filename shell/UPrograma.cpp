#include "shell/UPrograma.h"

#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/classes/Registry.h"
#include "platform/db/Driver.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Exceptions.h"
#include "shell/Acceso.h"
#include "shell/Inicio.h"
#include "shell/UPrincipal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <sys/stat.h>
#include <unistd.h>

QString NombreEjecutable;
QString CarpetaEjecutable;
QString CarpetaPrograma;
QString CarpetaDatos;
QString CarpetaPrivada;

TPresenta* Presenta = nullptr;
TDat* Dat = nullptr;
TPrincipio* Principio = nullptr;
TEntrada* Entrada = nullptr;

namespace shell {

TEvent<TObject*> PresentaPreview;

QString NombreBase(const QString& ficheroEjecutable) {
    return QFileInfo(ficheroEjecutable).fileName().section(QLatin1Char('.'), 0, 0);
}

QString ClavePrograma(const QString& nombreEjecutable) { return QStringLiteral("Software\\Velmor\\") + nombreEjecutable; }

QString CarpetaPrivadaUsuario() {
    // The runtime folder only when the session has one: Qt's stand-in for it lies in /tmp.
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isDir()) base.clear();
    if (base.isEmpty()) base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.cache");
    const QString carpeta = QDir(base).filePath(QStringLiteral("zembra"));
    const QByteArray ruta = QFile::encodeName(carpeta);
    QDir().mkpath(base);
    if (::mkdir(ruta.constData(), 0700) != 0 && errno != EEXIST)
        throw Exception(QStringLiteral("No se puede crear la carpeta privada %1").arg(carpeta));
    struct stat st {};
    if (::lstat(ruta.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        throw Exception(QStringLiteral("La carpeta privada %1 no es una carpeta de este usuario").arg(carpeta));
    if ((st.st_mode & 0777) != 0700 && ::chmod(ruta.constData(), 0700) != 0)
        throw Exception(QStringLiteral("No se puede proteger la carpeta privada %1").arg(carpeta));
    return carpeta;
}

namespace {
// "Datos" of section "Install" of the program's key; empty when missing or unreadable.
QString CarpetaRegistrada() {
    try {
        TRegIniFile reg(ClavePrograma(NombreEjecutable));
        return reg.ReadString(QStringLiteral("Install"), QStringLiteral("Datos"), QString());
    } catch (const Exception&) {
        return QString();
    }
}

// "Servidor" of the same section: the database server that holds the office's data, in the
// server client's own terms (a connection string or a service name); empty: the data folder's file.
QString ServidorRegistrado() {
    try {
        TRegIniFile reg(ClavePrograma(NombreEjecutable));
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

bool Arranca() {
    Presenta = new TPresenta(Application);
    Presenta->Show();
    Presenta->BringToFront();
    Presenta->Repaint();
    Application->ProcessMessages();

    Application->SetTitle(QStringLiteral("Zembra 4.0"));
    Application->SetHelpFile(QStringLiteral("Zembra.hlp"));

    const QString exe = Application->ExeName();
    NombreEjecutable = NombreBase(exe);
    CarpetaEjecutable = QFileInfo(exe).absolutePath() + QLatin1Char('/');
    CarpetaPrograma = CarpetaEjecutable.endsWith(QLatin1Char('/')) ? CarpetaEjecutable.chopped(1) : CarpetaEjecutable;
    CarpetaDatos = CarpetaRegistrada();
    if (CarpetaDatos.isEmpty()) CarpetaDatos = CarpetaPrograma;
    // The engine's record locks end with the process that holds them: no lock file is ever
    // removed here, another workstation may be working on the same data.
    if (!QFileInfo(CarpetaDatos).isDir()) {
        Termina(QStringLiteral("No existe la carpeta de datos %1").arg(CarpetaDatos));
        return false;
    }
    // The folder keeps the models and documents; the records live on the server when one is named.
    platform::db::SetDataServer(CarpetaDatos, ServidorRegistrado());

    ProgresoApertura = [](int avance) {
        if (Presenta) Presenta->Ps->SetProgress(avance);
    };
    try {
        Application->CreateForm(Dat);
    } catch (const Exception& e) {
        ProgresoApertura = nullptr;
        Termina(QStringLiteral("No se pueden abrir los datos del despacho.\n") + e.Message());
        return false;
    }
    ProgresoApertura = nullptr;

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
    ProgresoApertura = nullptr;
    if (Entrada) Entrada->Free();
    if (Principio) Principio->Free();
    Principio = nullptr;
    if (Dat) Dat->Free();
    Dat = nullptr;
    if (Presenta) Presenta->Free();
    Presenta = nullptr;
}

}  // namespace shell
