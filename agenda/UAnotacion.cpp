// The agenda entry editor.
#include "agenda/UAnotacion.h"

#include "comun/Abusca2.h"
#include "comun/Alcance.h"
#include "comun/Calendario.h"
#include "comun/Controles.h"
#include "comun/Programa.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "controls/visual/FileCopyHelpers.h"
#include "documents/MapiLoader.h"
#include "documents/UFusion.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cmath>
#include <memory>
#include <vector>

TFNota* FNota = nullptr;
int OrdenAnotacion = 0;

namespace {
const QString Ninguno = QStringLiteral("(Ninguno)");
const QString Particular = QStringLiteral("Particular");
const QString DeExpediente = QStringLiteral("de Expediente");
const QString DeConsulta = QStringLiteral("de Consulta");

using comun::F;

}  // namespace

void TDBEditValidado::DoExit() {
    // A half-typed date or hour must not reach the field on the way to "No": its conversion error
    // would keep the form from closing.
    if (Descarta && Descarta())
        FDataLink->Reset();
    else if (OnValida)
        OnValida(this);
    TDBEdit::DoExit();
}

TFNota::TFNota(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("FNota"));
    SetCaption(QStringLiteral("Anotación de Agenda"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    SetClientWidth(500);
    SetClientHeight(318);
    CreaControles();
    CreaDatos();

    using T = TFNota;
    Fecha->OnValida = TNotifyEvent(this, &T::FechaExit);
    Hora->OnValida = TNotifyEvent(this, &T::HoraExit);
    Fecha->Descarta = Hora->Descarta = [this] { return SaliendoHaciaNo(); };
    Aviso->OnExit = TNotifyEvent(this, &T::AvisoExit);
    cbRelacion->OnChange = TNotifyEvent(this, &T::cbRelacionChange);
    btBuscar->OnClick = TNotifyEvent(this, &T::btBuscarClick);
    btFecha->OnClick = TNotifyEvent(this, &T::btFechaClick);
    SpeedButton1->OnClick = TNotifyEvent(this, &T::SpeedButton1Click);
    btEscrito->OnClick = TNotifyEvent(this, &T::btEscritoClick);
    btVer->OnClick = TNotifyEvent(this, &T::btVerClick);
    BitBtn1->OnClick = TNotifyEvent(this, &T::BitBtn1Click);
    btNo->OnClick = TNotifyEvent(this, &T::btNoClick);
    OnClose = TCloseEvent(this, &T::FormClose);
    OnKeyPress = TKeyPressEvent(this, &T::FormKeyPress);
    OnKeyDown = TKeyEvent(this, &T::FormKeyDown);
    FormCreate(this);
}

// The lists of the pickers and the type and user combos, and the entry table's own cursors.
void TFNota::CreaDatos() {
    auto consulta = [&](TQuery*& q, TDataSource*& ds, const char* nombre, const char* fuente, const QString& sql) {
        q = new TQuery(this);
        q->SetName(QString::fromLatin1(nombre));
        q->SetDatabaseName(Dat->Db->DatabaseName());
        q->SQL()->SetText(sql);
        ds = new TDataSource(this);
        ds->SetName(QString::fromLatin1(fuente));
        ds->SetDataSet(q);
    };
    consulta(QExped, DSExped, "QExped", "DSExped",
             QStringLiteral("SELECT ANO, NUMERO, ANO || ' - ' || NUMERO AS EX FROM EXPED\nWHERE ABOCLI = :ABOCLI") +
                 comun::YAlcance());
    consulta(QConsul, DSConsul, "QConsul", "DSConsul",
             QStringLiteral("SELECT ANO, NUMERO, ANO || ' - ' || NUMERO AS EX FROM CONSULTAS\nWHERE ABOCLI = :ABOCLI") +
                 comun::YAlcance());
    QExped->SetDataSource(Dat->DSAboCli);
    QConsul->SetDataSource(Dat->DSAboCli);
    consulta(QTipo, DSTipo, "QTipo", "DSTipo", QStringLiteral("SELECT * FROM TIPOAGENDAS"));
    for (TZbLookupEdit* p : {cbExped, cbDespa}) p->SetText(Ninguno);
    cbExped->SetLookupSource(DSExped);
    cbDespa->SetLookupSource(DSConsul);

    auto tabla = [&](TTable*& t, const char* nombre, const char* fichero) {
        t = new TTable(this);
        t->SetName(QString::fromLatin1(nombre));
        t->SetDatabaseName(Dat->Db->DatabaseName());
        t->SetTableName(QString::fromLatin1(fichero));
        t->SetReadOnly(true);
    };
    tabla(TPriv, "TPriv", "Privacidad");
    tabla(TAgen, "TAgen", "AGENDA");
    DSPriv = new TDataSource(this);
    DSPriv->SetName(QStringLiteral("DSPriv"));
    DSPriv->SetDataSet(TPriv);

    cbTipoAgenda->SetDataSource(Dat->DSAgen);
    cbTipoAgenda->SetDataField(QStringLiteral("TIPOAGENDA"));
    cbTipoAgenda->SetLookupSource(DSTipo);
    cbTipoAgenda->SetLookupField(QStringLiteral("TIPO"));
    cbTipoAgenda->SetLookupDisplay(QStringLiteral("TIPO"));
    ZbDBLookupCombo1->SetDataSource(Dat->DSAgen);
    ZbDBLookupCombo1->SetDataField(QStringLiteral("USUARIO"));
    ZbDBLookupCombo1->SetLookupSource(DSPriv);
    ZbDBLookupCombo1->SetLookupField(QStringLiteral("Usuario"));
    ZbDBLookupCombo1->SetLookupDisplay(QStringLiteral("Usuario"));
    ZbDBLookupCombo1->SetDisplayEmpty(QStringLiteral("(Sin valor)"));
    ZbDBLookupCombo1->SetReadOnly(true);
    cbRelacion->SetDataSource(Dat->DSAgen);
    cbRelacion->SetDataField(QStringLiteral("TIPO"));
}

TFNota::~TFNota() {
    // However it ends, the entry is never left half edited.
    if (Dat && Dat->TAgen->State() != dsBrowse && Dat->TAgen->Active()) Dat->TAgen->Cancel();
    if (FNota == this) FNota = nullptr;
}

bool TFNota::Derecho(const char* nombre) const {
    if (!Dat->TPriv->Active() || Dat->TPriv->IsEmpty()) return false;
    return F(Dat->TPriv, nombre)->AsBoolean();
}

void TFNota::FormCreate(TObject*) {
    QExped->Open();
    QConsul->Open();
    QTipo->Open();
    TPriv->Open();
    TAgen->Open();
    cbRelacion->Items()->Clear();
    cbRelacion->Values()->Clear();
    cbRelacion->Items()->Add(Particular);
    cbRelacion->Values()->Add(QStringLiteral("P"));
    if (Derecho("Expedientes")) {
        cbRelacion->Items()->Add(DeExpediente);
        cbRelacion->Values()->Add(QStringLiteral("E"));
    }
    if (Derecho("Consulta")) {
        cbRelacion->Items()->Add(DeConsulta);
        cbRelacion->Values()->Add(QStringLiteral("C"));
    }
}

void TFNota::ListasDe(int abocli) {
    for (TQuery* q : {QExped, QConsul}) {
        q->Close();
        q->SetDataSource(nullptr);
        q->ParamByName(QStringLiteral("ABOCLI"))->SetAsInteger(abocli);
        q->Open();
    }
}

void TFNota::PreparaEdicion() {
    TTable* t = Dat->TAgen;
    const QString tipo = F(t, "TIPO")->AsString();
    const Variant clave = VarArrayOf({F(t, "ANO")->Value(), F(t, "NUMERO")->Value()});
    auto muestra = [&](TQuery* lista, TZbLookupEdit* p) {
        if (!lista->Locate(QStringLiteral("ANO;NUMERO"), clave, 0)) return;
        p->SetText(F(lista, "EX")->AsString());
        p->SetVisible(true);
    };
    if (tipo == u"E" || tipo == u"X") muestra(QExped, cbExped);
    else if (tipo == u"C" || tipo == u"Y") muestra(QConsul, cbDespa);
    btVer->SetEnabled(F(t, "ARCHIVADO")->AsString() == u"X" && Derecho("Fusion"));
    Texto->SetText(F(t, "SITUACION")->AsString());
}

void TFNota::FormClose(TObject*, TCloseAction&) {
    if (Dat->TAgen->State() == dsEdit || Dat->TAgen->State() == dsInsert) Dat->TAgen->Cancel();
}

void TFNota::FormKeyPress(TObject*, QChar& key) {
    if (key != QChar(u'\r')) return;
    key = QChar();
    SelectNext(ActiveControl(), true, true);
}

// The calendar buttons say "Calendario (F4)": F4 in their date opens them.
void TFNota::FormKeyDown(TObject*, quint16& key, TShiftState shift) {
    if (key != VK_F4 || shift != 0) return;
    if (ActiveControl() == Fecha && btFecha->Enabled()) {
        key = 0;
        btFechaClick(this);
    } else if (ActiveControl() == Aviso && SpeedButton1->Enabled()) {
        key = 0;
        SpeedButton1Click(this);
    }
}

void TFNota::cbRelacionChange(TObject*) {
    const QString r = cbRelacion->Text();
    cbExped->SetVisible(r == DeExpediente && Derecho("Expedientes"));
    cbDespa->SetVisible(r == DeConsulta && Derecho("Consulta"));
}

void TFNota::btBuscarClick(TObject*) {
    Buscar2 = new TBuscar2(Application);
    std::unique_ptr<TBuscar2> libera(Buscar2);
    TQuery* q = Buscar2->QBusca;
    q->Close();
    q->SQL()->SetText(QStringLiteral("SELECT A.TIPO as CONCEPTO, B.CODIGO as CODIGO, \nB.CONCEPTO as NOMBRE \n"
                                     "FROM TIPOAGENDAS A, CONAGENDAS B\nWHERE A.TIPO = B.TIPOAGENDA AND A.TIPO = :TIPO\n"
                                     "ORDER BY CONCEPTO, NOMBRE"));
    q->ParamByName(QStringLiteral("TIPO"))->SetAsString(cbTipoAgenda->GetDisplayText());
    q->Open();
    Buscar2->SetCaption(QStringLiteral("Busca Conceptos de Agenda"));
    Buscar2->Inicia(QStringLiteral("Conceptos Agenda"), false, false);
    if (Buscar2->ShowModal() == mrOk && !q->IsEmpty()) {
        TTable* c = Dat->TConAgendas;
        if (!c->Active()) c->Open();
        c->Refresh();
        if (c->Locate(QStringLiteral("CODIGO"), F(q, "CODIGO")->Value(), 0)) {
            Texto->SetText(F(c, "CONCEPTO")->AsString());
            const int dias = F(c, "DIAS")->AsInteger();
            if (dias != 0) Aviso->SetText(FormatDateTime(QStringLiteral("dd/mm/yyyy"), FechaAgenda - double(dias)));
        }
    }
    libera.reset();
    Buscar2 = nullptr;
    if (Texto->CanFocus()) Texto->SetFocus();
}

void TFNota::btFechaClick(TObject*) {
    TDateTime dia;
    if (FechaDelCalendario(Fecha) && TryStrToDate(Fecha->Text(), dia)) F(Dat->TAgen, "FECHA")->SetAsDateTime(dia);
    if (TryStrToDate(Fecha->Text(), dia)) FechaAgenda = dia;
    if (Fecha->CanFocus()) Fecha->SetFocus();
}

void TFNota::SpeedButton1Click(TObject*) {
    FechaDelCalendario(Aviso);
    if (Aviso->CanFocus()) Aviso->SetFocus();
}

// Leaving for No, or the form closing, checks nothing.
bool TFNota::SaliendoHaciaNo() const {
    const TDataSetState estado = Dat->TAgen->State();
    return ActiveControl() == btNo || ModalResult() != mrNone || (estado != dsEdit && estado != dsInsert);
}

void TFNota::FechaExit(TObject*) {
    if (SaliendoHaciaNo()) return;
    TDateTime dia = Date();
    FechaDelEdit(Fecha, dia);
    Fecha->SetText(FormatDateTime(QStringLiteral("dd/mm/yyyy"), dia));
    FechaAgenda = TDateTime(std::floor(double(dia)));
}

void TFNota::HoraExit(TObject*) {
    if (SaliendoHaciaNo()) return;
    const QString texto = Hora->Text();
    TDateTime hora = Time();
    if (!SinTeclear(texto) && !TryStrToTime(texto, hora)) {
        MensajeError(QStringLiteral("HORA ERRONEA : ") + texto);
        if (Hora->CanFocus()) Hora->SetFocus();
        Abort();
    }
    Hora->SetText(FormatDateTime(QStringLiteral("hh:mm"), hora));
}

void TFNota::AvisoExit(TObject*) {
    if (SaliendoHaciaNo()) return;
    TDateTime dia;
    if (!FechaDelEdit(Aviso, dia)) return;
    Aviso->SetText(FormatDateTime(QStringLiteral("dd/mm/yyyy"), dia));
}

void TFNota::btEscritoClick(TObject*) {
    SelectFile->SetTitle(QStringLiteral("Seleccione documento a unir"));
    Dat->TSistem->Refresh();
    SelectFile->SetFilter(documents::FiltroDocumentos());
    SelectFile->SetFilterIndex(1);
    SelectFile->SetFileName(QString());
    if (!SelectFile->Execute()) {
        // Answering Yes detaches the document from the entry; its file stays in the folder.
        if (btVer->Enabled() && MensajeConfirmacion(QStringLiteral("¿Desea eliminar el documento asociado?"))) {
            F(Dat->TAgen, "ARCHIVADO")->SetAsString(QString());
            F(Dat->TAgen, "ESCRITO")->SetAsInteger(0);
            F(Dat->TAgen, "EXTENSION")->SetAsString(QString());
            btVer->SetEnabled(false);
        }
        return;
    }
    const QString nombre = SelectFile->FileName();
    if (agenda::AbiertoPorOtro(nombre)) {
        MensajeError(QStringLiteral("El archivo ") + nombre + QStringLiteral(" está abierto por otro usuario"));
        return;
    }
    const QString extension = ExtractFileExt(nombre);
    try {
        if (extension.size() > F(Dat->TAgen, "EXTENSION")->Size()) throw Exception(QStringLiteral("extensión"));
        const int numero = agenda::ReservaEscrito();
        const QString destino = agenda::RutaEscrito(numero, extension);
        ForceSharedDirectories(QFileInfo(destino).absolutePath());
        // The number was reserved past every file there; one that appeared since is not ours.
        if (QFileInfo::exists(destino)) throw Exception(QStringLiteral("existe"));
        CopyFileKeepDate(nombre, destino);
        ShareLikeFolder(destino);
        F(Dat->TAgen, "ESCRITO")->SetAsInteger(numero);
        F(Dat->TAgen, "ARCHIVADO")->SetAsString(QStringLiteral("X"));
        F(Dat->TAgen, "EXTENSION")->SetAsString(extension);
        btVer->SetEnabled(Derecho("Fusion"));
    } catch (EAbort&) {
        throw;
    } catch (...) {
        if (Dat->TSistem->State() != dsBrowse) Dat->TSistem->Cancel();
        MensajeError(QStringLiteral("ERROR al unir archivo"));
    }
}

void TFNota::btVerClick(TObject*) {
    agenda::AbreEscrito(F(Dat->TAgen, "ESCRITO")->AsInteger(), F(Dat->TAgen, "EXTENSION")->AsString());
}

bool TFNota::Elegido(TZbLookupEdit* picker, TQuery* lista) const {
    const QString texto = picker->Text();
    if (texto.isEmpty() || texto == Ninguno) return false;
    return lista->Locate(QStringLiteral("EX"), Variant(texto), 0);
}

void TFNota::BitBtn1Click(TObject*) {
    TTable* t = Dat->TAgen;
    if (t->State() != dsEdit && t->State() != dsInsert) return;
    t->UpdateRecord();
    const QString relacion = cbRelacion->Text();
    if (relacion == DeConsulta) {
        if (!Elegido(cbDespa, QConsul)) {
            MensajeError(QStringLiteral("Debe seleccionar un número de DESPACHO"));
            return;
        }
        F(t, "ANO")->SetAsString(F(QConsul, "ANO")->AsString());
        F(t, "NUMERO")->SetAsString(F(QConsul, "NUMERO")->AsString());
    } else if (relacion == DeExpediente) {
        if (!Elegido(cbExped, QExped)) {
            MensajeError(QStringLiteral("Debe seleccionar un número de EXPEDIENTE"));
            return;
        }
        F(t, "ANO")->SetAsString(F(QExped, "ANO")->AsString());
        F(t, "NUMERO")->SetAsString(F(QExped, "NUMERO")->AsString());
    }
    if (Trim(Texto->Text()).isEmpty()) {
        MensajeError(QStringLiteral("Texto no puede quedar vacío"));
        return;
    }
    TDateTime aviso;
    const bool hayAviso = !SinTeclear(Aviso->Text());
    if (hayAviso && !TryStrToDate(Aviso->Text(), aviso)) {
        MensajeError(QStringLiteral("FECHA ERRONEA : ") + Aviso->Text());
        return;
    }
    F(t, "SITUACION")->SetAsString(Texto->Text());
    if (!hayAviso) {
        t->Post();  // a refused post leaves the form open; the data module said why
        OrdenAnotacion = F(t, "ORDEN")->AsInteger();
        SetModalResult(mrOk);
        return;
    }

    // The entry and its notice are stored together or not at all.
    const TDataSetState estado = t->State();
    const int ordenPrevio = F(t, "ORDEN")->AsInteger();
    std::vector<std::pair<QString, Variant>> valores;
    for (int i = 0; i < t->FieldCount(); ++i) {
        TField* f = t->Fields()->Fields(i);
        if (f->FieldKind() == fkData) valores.emplace_back(f->FieldName(), f->Value());
    }
    // Back to the entry as it was before OK, so nothing typed is lost.
    auto deshaz = [&] {
        if (t->State() != dsBrowse) t->Cancel();
        if (Dat->Db->InTransaction()) Dat->Db->Rollback();
        t->Refresh();
        if (estado == dsInsert) {
            t->Insert();
        } else {
            t->Locate(QStringLiteral("ORDEN"), Variant(ordenPrevio), 0);
            t->Edit();
        }
        for (const auto& [campo, valor] : valores)
            if (campo != u"ORDEN" && campo != u"USUARIO") t->FieldByName(campo)->SetValue(valor);
        OrdenAnotacion = 0;
        MensajeError(QStringLiteral("ERROR al grabar el aviso: la anotación no se ha guardado"));
    };
    enum { SinEmpezar, Anotando, Anotada } fase = SinEmpezar;
    try {
        Dat->EnTransaccion([&] {
            fase = Anotando;
            t->Post();  // a refused post leaves the form open; the data module said why
            fase = Anotada;
            OrdenAnotacion = F(t, "ORDEN")->AsInteger();
            EscribeAviso(aviso);
        });
    } catch (EDatabaseError& e) {
        if (fase == Anotando) throw;
        if (fase == Anotada) return deshaz();
        // Not even the write lock: said as a refused post says it, and the form stays open.
        TDataAction accion = daFail;
        Dat->error(t, e, accion);
        Abort();
    } catch (...) {
        if (fase != Anotada) throw;
        return deshaz();
    }
    SetModalResult(mrOk);
}

void TFNota::EscribeAviso(TDateTime aviso) {
    TAgen->Refresh();
    if (!TAgen->Locate(QStringLiteral("ORDEN"), Variant(OrdenAnotacion), 0))
        throw EDatabaseError(QStringLiteral("Línea de Agenda NO EXISTE"));
    TTable* t = Dat->TAgen;
    t->Insert();
    for (int i = 0; i < TAgen->FieldCount(); ++i) {
        TField* origen = TAgen->Fields()->Fields(i);
        if (TField* f = t->FindField(origen->FieldName()); f && f->FieldKind() == fkData) f->SetValue(origen->Value());
    }
    F(t, "FECHA")->SetAsDateTime(aviso);
    F(t, "ESCRITO")->SetAsInteger(0);
    F(t, "ARCHIVADO")->SetAsString(QString());
    F(t, "EXTENSION")->SetAsString(QString());
    F(t, "SITUACION")->SetAsString(QStringLiteral("AVISO de ") + Texto->Text());
    const QString tipo = F(TAgen, "TIPO")->AsString();
    if (tipo == u"P") {
        F(t, "TIPO")->SetAsString(QStringLiteral("Z"));
        F(t, "ANO")->SetAsString(QString());
        F(t, "NUMERO")->SetAsString(QString());
    } else if (tipo == u"C") {
        F(t, "TIPO")->SetAsString(QStringLiteral("Y"));
        F(t, "ANO")->SetAsString(F(QConsul, "ANO")->AsString());
        F(t, "NUMERO")->SetAsString(F(QConsul, "NUMERO")->AsString());
    } else if (tipo == u"E") {
        F(t, "TIPO")->SetAsString(QStringLiteral("X"));
        F(t, "ANO")->SetAsString(F(QExped, "ANO")->AsString());
        F(t, "NUMERO")->SetAsString(F(QExped, "NUMERO")->AsString());
    }
    t->Post();
    // The caller finds the entry, not its notice.
    t->Locate(QStringLiteral("ORDEN"), Variant(OrdenAnotacion), 0);
}

void TFNota::btNoClick(TObject*) {
    if (Dat->TAgen->State() == dsEdit || Dat->TAgen->State() == dsInsert) Dat->TAgen->Cancel();
    SetModalResult(mrNo);
}

// ---------------------------------------------------------------------------------------------- documents

namespace agenda {

namespace {
QString CarpetaEscritos() { return QDir(CarpetaDatos).filePath(QStringLiteral("Escritos")); }
}  // namespace

QString RutaEscrito(int escrito, const QString& extension) {
    return CarpetaEscritos() + QLatin1Char('/') + QString::number(escrito) + extension;
}

QString TextoErrorShell(int resultado) {
    switch (resultado) {
    case 0: return QStringLiteral("No hay memoria ó recursos suficientes para abrir :");
    case 2: return QStringLiteral("No existe archivo :");
    case 3: return QStringLiteral("No existe path :");
    case 5: return QStringLiteral("Acceso denegado a archivo :");
    case 8: return QStringLiteral("No hay memoria para para abrir :");
    case 26: return QStringLiteral("Error al compartir archivo :");
    case 27: return QStringLiteral("Asociación incompleta ó inválida de archivo :");
    case 31: return QStringLiteral("No hay ninguna aplicación asociada a archivo :");
    default: return QStringLiteral("Error interno nº : ") + QString::number(resultado) + QStringLiteral(" al abrir :");
    }
}

bool AbreEscrito(int escrito, const QString& extension) {
    const QString nombre = QString::number(escrito) + extension;
    const QString ruta = RutaEscrito(escrito, extension);
    QFile f(ruta);
    if (f.exists()) f.setPermissions(f.permissions() | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    int r = ShellExecuteFile(nombre, QString(), CarpetaEscritos(), 3);
    // No application registered for the format: the word processor found at start opens the
    // office's documents all the same.
    constexpr int kSinAsociacion = 31;
    const bool documento = extension.compare(ExtensionDeEditor(QStringLiteral("Word2000")), Qt::CaseInsensitive) == 0 ||
                           extension.compare(ExtensionDeEditor(QStringLiteral("WordPro96")), Qt::CaseInsensitive) == 0;
    if (r == kSinAsociacion && documento && documents::AbreConEscritorio && documents::AbreConEscritorio(ruta)) return true;
    if (r > 32) return true;
    MensajeError(TextoErrorShell(r) + QLatin1Char(' ') + nombre);
    return false;
}

void MarcaRealizado(bool hecho, const std::function<void()>& muestra) {
    TTable* a = Dat->TAgen;
    try {
        a->Edit();
        a->FieldByName(QStringLiteral("CODIGO"))->SetAsInteger(hecho ? 2 : 1);
        a->Post();
    } catch (...) {
        if (a->State() == dsEdit) a->Cancel();
        muestra();
        throw;
    }
    muestra();
}

bool AbiertoPorOtro(const QString& fichero) {
    const QFileInfo fi(fichero);
    const QDir dir = fi.absoluteDir();
    const QString nombre = fi.fileName();
    // The word processors leave ".~lock.NAME#" or "~$NAME" (the name's first two letters
    // dropped when it is long) beside a document they hold.
    QStringList cerrojos{QStringLiteral(".~lock.") + nombre + QLatin1Char('#'), QStringLiteral("~$") + nombre};
    if (nombre.size() > 2) cerrojos << QStringLiteral("~$") + nombre.mid(2);
    for (const QString& c : cerrojos)
        if (QFileInfo::exists(dir.filePath(c))) return true;
    return false;
}

int ReservaEscrito() {
    const QDir escritos(CarpetaEscritos());
    auto ocupado = [&](int n) {
        const QString base = QString::number(n);
        if (!escritos.entryList({base, base + QStringLiteral(".*")}, QDir::Files | QDir::Hidden).isEmpty()) return true;
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText(QStringLiteral("SELECT COUNT(*) AS N FROM AGENDA WHERE ESCRITO = :N AND ARCHIVADO IN ('S', 'X')"));
        q.ParamByName(QStringLiteral("N"))->SetAsInteger(n);
        q.Open();
        return q.Fields()->Fields(0)->AsInteger() > 0;
    };
    int numero = 0;
    Dat->EnTransaccion([&] {
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText(QStringLiteral("SELECT NUMERO, ESCEXP FROM SISTEM ORDER BY NUMERO"));
        q.Open();
        if (q.IsEmpty()) throw EDatabaseError(QStringLiteral("SISTEM vacío"));
        const int fila = q.Fields()->Fields(0)->AsInteger();
        numero = q.Fields()->Fields(1)->AsInteger() + 1;
        q.Close();
        while (ocupado(numero)) ++numero;
        q.SQL()->SetText(QStringLiteral("UPDATE SISTEM SET ESCEXP = :VALOR WHERE NUMERO = :FILA"));
        q.ParamByName(QStringLiteral("VALOR"))->SetAsInteger(numero);
        q.ParamByName(QStringLiteral("FILA"))->SetAsInteger(fila);
        q.ExecSQL();
    });
    if (Dat->TSistem->Active() && Dat->TSistem->State() == dsBrowse) Dat->TSistem->Refresh();
    return numero;
}

QString CopiaParaCorreo(const QString& origen) {
    const QString privada = CarpetaPrivada.isEmpty() ? comun::CarpetaPrivadaUsuario() : CarpetaPrivada;
    QTemporaryDir carpeta(QDir(privada).filePath(QStringLiteral("Adjunto-XXXXXX")));
    if (!carpeta.isValid()) throw EInOutError(QStringLiteral("No se puede crear la carpeta del adjunto en ") + privada);
    // The mail client reads the copy later: the folder stays.
    carpeta.setAutoRemove(false);
    const QString destino = QDir(carpeta.path()).filePath(QStringLiteral("Documento Adjunto") + ExtractFileExt(origen));
    CopyFileKeepDate(origen, destino);
    return destino;
}

bool HayCorreo() {
    if (MapiLoaded) return true;
    MensajeError(QStringLiteral("No hay ningún sistema de correo disponible"));
    return false;
}

}  // namespace agenda
