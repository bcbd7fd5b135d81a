// The merge driver, the names of the produced documents and their agenda rows.
#include "documents/UFusion.h"

#include "comun/Programa.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/rtl/FileUtils.h"
#include "platform/db/DBTables.h"
#include "platform/db/Driver.h"
#include "platform/forms/Forms.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace documents {
TOrigenFusion OrigenFusion;
std::function<int()> DialogoExpediente;
std::function<int()> DialogoDespacho;
}  // namespace documents

namespace {
// Number of the document NombreEscrito reserved last (0 for a document not joined).
int NumeroEscrito = 0;

// Why a document file could not be made: its folder, said plainly, or the system's own reason.
QString motivo(const QFileDevice& f)
{
    const QString carpeta = platform::documents::FolderProblem(f.fileName());
    return carpeta.isEmpty() ? f.errorString() : carpeta;
}

QString campo(TDataSet* ds, const char* nombre)
{
    if (!ds || !ds->Active() || ds->IsEmpty()) return {};
    TField* f = ds->FindField(QString::fromLatin1(nombre));
    return f ? f->AsString() : QString();
}

void fusiona(const std::function<int()>& dialogo)
{
    if (!CamposEncontrados || !ValoresCampos) CreaListasFusion();
    CamposEncontrados->Clear();
    ValoresCampos->Clear();
    BuscaCampos(EditorOle, TipoEditor);
    for (int i = 0; i < CamposEncontrados->Count(); ++i) ValoresCampos->Add(CamposEncontrados->Strings(i));
    int resultado = mrCancel;
    try {
        if (dialogo) resultado = dialogo();
    } catch (...) {
        CamposEncontrados->Clear();
        ValoresCampos->Clear();
        throw;
    }
    CamposEncontrados->Clear();
    ValoresCampos->Clear();
    if (resultado == mrOk) MuestraEditor(EditorOle, TipoEditor);
    else CierraEditor(EditorOle, TipoEditor);
}
}  // namespace

void RutaModelo()
{
    FicheroModelo = CarpetaDatos + QStringLiteral("/Modelos/") + QString::number(campo(Dat->QLisEscri, "ESCRITO").toInt())
                    + ExtensionEscrito;
}

void NombreEscrito()
{
    const QString carpeta = CarpetaDatos + QStringLiteral("/Escritos/");
    if (!ForceSharedDirectories(carpeta))
        throw EDocumentError(QStringLiteral("No se puede crear la carpeta de escritos \"%1\".").arg(carpeta));
    auto conn = Dat->Db->Connection();
    QString fichero;
    int reservado = 0;
    try {
        // The write lock is taken before the counter is read: no other workstation reads it until
        // the raised value and the reserved file are both in place.
        Dat->DentroDeTransaccion([&] {
            TQuery q(nullptr);
            q.SetDatabaseName(Dat->Db->DatabaseName());
            q.SQL()->SetText(QStringLiteral("SELECT NUMERO, ESCEXP FROM SISTEM ORDER BY NUMERO"));
            q.Open();
            qint64 numero = 0;
            int fila = 1;
            if (q.IsEmpty()) {
                conn->Insert(QStringLiteral("SISTEM"), {QStringLiteral("NUMERO")}, {QVariant(qlonglong(1))});
            } else {
                fila = q.Fields()->Fields(0)->AsInteger();
                numero = q.Fields()->Fields(1)->AsInteger();
            }
            q.Close();
            // A number whose file is already there (copied by hand, left by an old counter) is skipped:
            // an existing document is never written over.
            for (;;) {
                ++numero;
                const QString candidato = carpeta + QString::number(numero) + ExtensionEscrito;
                QFile f(candidato);
                if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                    fichero = candidato;
                    ShareLikeFolder(fichero);
                    break;
                }
                if (!QFileInfo::exists(candidato))
                    throw EDocumentError(QStringLiteral("No se puede crear el escrito \"%1\": %2").arg(candidato, motivo(f)));
            }
            q.SQL()->SetText(QStringLiteral("UPDATE SISTEM SET ESCEXP = :VALOR WHERE NUMERO = :FILA"));
            q.ParamByName(QStringLiteral("VALOR"))->SetAsInteger(int(numero));
            q.ParamByName(QStringLiteral("FILA"))->SetAsInteger(fila);
            q.ExecSQL();
            reservado = int(numero);
        });
        NumeroEscrito = reservado;
    } catch (...) {
        if (!fichero.isEmpty()) QFile::remove(fichero);
        throw;
    }
    if (Dat->TSistem->Active() && Dat->TSistem->State() == dsBrowse) Dat->TSistem->Refresh();
    FicheroEscrito = fichero;
}

void NombreEscritoSuelto()
{
    QString carpeta = CarpetaPrivada.isEmpty() ? comun::CarpetaPrivadaUsuario() : CarpetaPrivada;
    QTemporaryFile f(carpeta + QStringLiteral("/escrito-XXXXXX") + ExtensionEscrito);
    f.setAutoRemove(false);
    if (!f.open())
        throw EDocumentError(QStringLiteral("No se puede crear el escrito en \"%1\": %2").arg(carpeta, motivo(f)));
    FicheroEscrito = f.fileName();
    NumeroEscrito = 0;
}

void AnotaEscrito(bool unido)
{
    const bool expediente = ModoEscrito == QLatin1Char('E');
    // A consultation's document belongs to the consultation's lawyer.
    TDataSet* registro = expediente ? Dat->TExped : Dat->TConsultas;
    const QString tipo = campo(Dat->QLisEscri, "TIPO");
    QString situacion = tipo + QStringLiteral(" : ") + campo(Dat->QLisEscri, "CONCEPTO");
    if (tipo == QLatin1String("CARTAS") && !documents::OrigenFusion.Destinatario.isEmpty())
        situacion += QStringLiteral(" AL ") + documents::OrigenFusion.Destinatario;
    TTable* agenda = Dat->TAgen;
    if (!agenda->Active()) agenda->Open();
    agenda->Append();
    try {
        auto pon = [&](const char* nombre, const QString& valor) {
            agenda->FieldByName(QString::fromLatin1(nombre))->SetAsString(valor);
        };
        pon("TIPO", QString(ModoEscrito));
        const QString abogado = campo(registro, "ABOCLI");
        if (abogado.isEmpty()) agenda->FieldByName(QStringLiteral("ABOCLI"))->Clear();
        else pon("ABOCLI", abogado);
        pon("ANO", campo(registro, "ANO"));
        pon("NUMERO", campo(registro, "NUMERO"));
        pon("SITUACION", situacion);
        pon("ARCHIVADO", unido ? QStringLiteral("S") : QStringLiteral("N"));
        agenda->FieldByName(QStringLiteral("ESCRITO"))->SetAsInteger(unido ? NumeroEscrito : 0);
        pon("EXTENSION", unido ? ExtensionEscrito : QString());
        pon("TIPOAGENDA", tipo == QLatin1String("ECONOMICO") ? QStringLiteral("ECONOMICO") : QStringLiteral("ESCRITOS Y CARTAS"));
        pon("USUARIO", Dat->Usuario());
        agenda->Post();
    } catch (...) {
        if (agenda->State() != dsBrowse) agenda->Cancel();
        throw;
    }
}

bool GrabaEscrito(bool unido)
{
    if (unido) NombreEscrito();
    else NombreEscritoSuelto();
    try {
        GuardaEscrito(EditorOle, TipoEditor, FicheroEscrito);
    } catch (const Exception&) {
        // The reserved name stays spent; the empty file that held it goes.
        if (QFileInfo(FicheroEscrito).size() == 0) QFile::remove(FicheroEscrito);
        MensajeError(QStringLiteral("ERROR al generar documemto : ") + FicheroEscrito);
        return false;
    }
    AnotaEscrito(unido);
    return true;
}

void FusionaExpediente() { fusiona(documents::DialogoExpediente); }

void FusionaDespacho() { fusiona(documents::DialogoDespacho); }
