#include "documents/UExport.h"

#include "comun/Controles.h"
#include "comun/UComunes.h"
#include "platform/db/Collation.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/FileUtils.h"

#include <QSaveFile>
#include <initializer_list>
#include <vector>

namespace {

const char* const kTablas[] = {"ABOGADOS", "CLIENTES", "CONTRARIOS", "PROCU", "PERITOS"};
const char* const kTitulos[] = {"Abogados", "Clientes", "Contrarios", "Procuradores", "Peritos"};
const char* const kColumnas[] = {"NOMBRE", "APELLIDOS", "DOMICILIO", "POBLACION", "CDPOSTAL",
                                 "PROVINCIA", "TELEFONO", "FAX", "MAIL"};

const QString kPrimero = QStringLiteral("<PRIMERO>");
const QString kUltimo = QStringLiteral("<ÚLTIMO>");

TLabel* Etiqueta(TForm* form, const char* name, const QString& texto, int left, int top) {
    auto* l = comun::Hijo<TLabel>(form, form, name, left, top, 0, 16);
    l->SetAutoSize(true);
    l->SetCaption(texto);
    return l;
}

// The 0x80..0x9F block of Windows-1252; 0 where the code page has no character.
const char16_t kAnsi80[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                              0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                              0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                              0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

QByteArray documents::TextoAnsi(const QString& texto, bool* perdidos) {
    QByteArray out;
    out.reserve(texto.size());
    for (QChar c : texto) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(char(u));
            continue;
        }
        char b = '?';
        for (int i = 0; i < 32; ++i)
            if (kAnsi80[i] && kAnsi80[i] == u) b = char(0x80 + i);
        if (b == '?' && perdidos) *perdidos = true;
        out.append(b);
    }
    return out;
}

QByteArray documents::LineaExportacion(const QStringList& valores, bool* perdidos) {
    QStringList campos;
    for (QString v : valores) campos << QLatin1Char('"') + v.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
    return TextoAnsi(campos.join(QLatin1Char(',')), perdidos) + "\r\n";
}

QString documents::AvisoCaracteresPerdidos(const QStringList& filas) {
    if (filas.isEmpty()) return {};
    constexpr int kMostradas = 20;
    QStringList lineas = filas.mid(0, kMostradas);
    if (filas.size() > kMostradas) lineas << QStringLiteral("... y %1 más").arg(filas.size() - kMostradas);
    return QStringLiteral("Estas filas tienen caracteres que el archivo no admite; se han escrito como \"?\":\r") +
           lineas.join(QLatin1Char('\r'));
}

TFExport::TFExport(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("FExport"));
    SetCaption(QStringLiteral("Exportar .."));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(432);
    SetClientHeight(176);

    Label1 = Etiqueta(this, "Label1", QStringLiteral("Exportar datos de :"), 12, 16);
    cbExport = comun::Hijo<TComboBox>(this, this, "cbExport", 140, 12, 180, 22);
    cbExport->SetStyle(csDropDownList);
    for (const char* t : {"ABOGADOS", "CLIENTES", "CONTRARIOS", "PROCURADORES", "PERITOS"})
        cbExport->Items()->Add(QString::fromLatin1(t));

    auto consulta = [&](const char* nombre) {
        auto* q = new TQuery(this);
        q->SetName(QString::fromLatin1(nombre));
        q->SetDatabaseName(QStringLiteral("ZEMBRA"));
        return q;
    };
    auto fuente = [&](const char* nombre, TDataSet* ds) {
        auto* s = new TDataSource(this);
        s->SetName(QString::fromLatin1(nombre));
        s->SetDataSet(ds);
        return s;
    };
    QDesde = consulta("QDesde");
    QHasta = consulta("QHasta");
    QExport = consulta("QExport");
    DSDesde = fuente("DSDesde", QDesde);
    DSHasta = fuente("DSHasta", QHasta);

    auto rango = [&](const char* nombre, TDataSource* ds, const QString& vacio, int left, int width) {
        auto* cb = comun::Hijo<TZbDBLookupCombo>(this, this, nombre, left, 46, width, 22);
        cb->SetLookupSource(ds);
        cb->SetLookupField(QStringLiteral("APELLIDOS"));
        cb->SetLookupDisplay(QStringLiteral("APELLIDOS"));
        cb->SetDisplayEmpty(vacio);
        return cb;
    };
    Label2 = Etiqueta(this, "Label2", QStringLiteral("De "), 12, 50);
    Desde = rango("Desde", DSDesde, kPrimero, 40, 172);
    Label3 = Etiqueta(this, "Label3", QStringLiteral("a"), 222, 50);
    Hasta = rango("Hasta", DSHasta, kUltimo, 240, 180);

    Label4 = Etiqueta(this, "Label4", QStringLiteral("Enviar a :"), 12, 84);
    eExport = comun::Hijo<TFilenameEdit>(this, this, "eExport", 80, 80, 340, 22);
    eExport->SetDialogKind(dkSave);
    eExport->SetFilter(QStringLiteral("Texto separado por comas (*.csv;*.txt)|*.csv;*.txt|Todos los archivos (*)|*"));

    auto boton = [&](const char* nombre, const QString& texto, const QString& hint, int left) {
        auto* b = comun::Hijo<TZbSpeedButton>(this, this, nombre, left, 118, 90, 28);
        b->SetCaption(texto);
        b->SetHint(hint);
        b->SetShowHint(true);
        return b;
    };
    // Flat buttons take no focus: their letters are the keyboard's way to them.
    btSelect = boton("btSelect", QStringLiteral("&Seleccionar"), QStringLiteral("Seleccionar"), 12);
    btExport = boton("btExport", QStringLiteral("&Exportar"), QStringLiteral("Exportar"), 108);
    btExport->SetEnabled(false);
    Indicador = comun::Hijo<TGauge>(this, this, "Indicador", 12, 152, 408, 18);
    Indicador->SetMinValue(0);
    Indicador->SetMaxValue(100);
    Indicador->SetVisible(false);
    Button1 = comun::Hijo<TButton>(this, this, "Button1", 332, 118, 88, 28);
    Button1->SetCaption(QStringLiteral("&Fin"));

    Lista = new TDualListDialog(this);
    Lista->SetName(QStringLiteral("Lista"));
    Lista->SetSorted(true);
    Lista->SetTitle(Caption());
    Lista->SetLabel2Caption(QStringLiteral("&Seleccionados"));
    Lista->SetOkBtnCaption(QStringLiteral("OK"));
    Lista->SetCancelBtnCaption(QStringLiteral("&Cancelar"));
    Lista->SetShowHelp(false);

    cbExport->OnChange = TNotifyEvent(this, &TFExport::cbExportChange);
    Desde->OnChange = TNotifyEvent(this, &TFExport::RangoCambiado);
    Hasta->OnChange = TNotifyEvent(this, &TFExport::RangoCambiado);
    eExport->OnChange = TNotifyEvent(this, &TFExport::activaBoton);
    btSelect->OnClick = TNotifyEvent(this, &TFExport::btSelectClick);
    btExport->OnClick = TNotifyEvent(this, &TFExport::btExportClick);
    Button1->OnClick = TNotifyEvent(this, &TFExport::Button1Click);

    FormCreate(this);
}

TFExport::~TFExport() {
    // The lists point at the bookmarks; they go first.
    Lista->List1()->Clear();
    Lista->List2()->Clear();
}

void TFExport::FormCreate(TObject*) {
    cbExport->SetItemIndex(0);
    cbExportChange(cbExport);
}

QString TFExport::Tabla() const {
    const int i = cbExport->ItemIndex();
    return QString::fromLatin1(kTablas[i >= 0 && i < 5 ? i : 0]);
}

QString TFExport::LimiteDesde() const { return Desde->Value().isEmpty() ? QString() : Desde->Value(); }

QString TFExport::LimiteHasta() const {
    return Hasta->Value().isEmpty() ? QStringLiteral("zzzzz") : Hasta->Value();
}

QString TFExport::RangoActual() const {
    return Tabla() + QChar(0) + Desde->Value() + QChar(0) + Hasta->Value();
}

void TFExport::cbExportChange(TObject*) {
    QDesde->Close();
    QHasta->Close();
    const QString sql = QStringLiteral("SELECT APELLIDOS, NOMBRE FROM ") + Tabla() + QStringLiteral("\nORDER BY APELLIDOS");
    QDesde->SQL()->SetText(sql);
    QHasta->SQL()->SetText(sql);
    Desde->ResetField();
    Hasta->ResetField();
    QDesde->Open();
    QHasta->Open();
    QHasta->Last();
    FListaValida = false;
    activaBoton(cbExport);
}

void TFExport::RangoCambiado(TObject* sender) {
    FListaValida = false;
    activaBoton(sender);
}

void TFExport::activaBoton(TObject*) {
    // The bounds are compared as the surnames they stand for, in the table's own order: an
    // empty "De" is the start of the alphabet and an empty "a" its end.
    bool enOrden = true;
    if (!Desde->Value().isEmpty() && !Hasta->Value().isEmpty())
        enOrden = platform::db::SpanishCompare(Desde->Value(), Hasta->Value()) <= 0;
    btExport->SetEnabled(!eExport->Text().trimmed().isEmpty() && enOrden);
}

void TFExport::PreparaExportacion() {
    QExport->Close();
    QExport->SQL()->Clear();
    QExport->SQL()->Add(QStringLiteral("SELECT NOMBRE, APELLIDOS, DOMICILIO, POBLACION,CDPOSTAL,"));
    QExport->SQL()->Add(QStringLiteral("PROVINCIA, TELEFONO, FAX, MAIL FROM ") + Tabla());
    QExport->SQL()->Add(QStringLiteral("WHERE APELLIDOS BETWEEN :ADESDE AND :AHASTA"));
    QExport->ParamByName(QStringLiteral("ADESDE"))->SetAsString(LimiteDesde());
    QExport->ParamByName(QStringLiteral("AHASTA"))->SetAsString(LimiteHasta());
    QExport->Open();
    Lista->List1()->Clear();
    Lista->List2()->Clear();
    FMarcas.clear();
    const int i = cbExport->ItemIndex();
    Lista->SetLabel1Caption(QString::fromLatin1(kTitulos[i >= 0 && i < 5 ? i : 0]));
    for (QExport->First(); !QExport->Eof(); QExport->Next()) {
        FMarcas.push_back(std::make_unique<TBookmarkObject>(QExport->GetBookmark()));
        Lista->List2()->AddObject(QExport->FieldByName(QStringLiteral("APELLIDOS"))->AsString() + QLatin1Char(' ') +
                                      QExport->FieldByName(QStringLiteral("NOMBRE"))->AsString(),
                                  FMarcas.back().get());
    }
    FRangoLista = RangoActual();
    FListaValida = true;
}

void TFExport::btSelectClick(TObject*) {
    PreparaExportacion();
    Lista->Execute();
}

void TFExport::btExportClick(TObject*) {
    // A name typed by hand never goes over the office's own database.
    const QString destino = eExport->Text().trimmed();
    if (platform::forms::RechazaFicheroDelMotor({destino})) return;
    // The rows the user reviewed are exported as kept; without a review (or after the table or
    // range changed) the list is built from the range.
    if (!FListaValida || FRangoLista != RangoActual() || !QExport->Active()) PreparaExportacion();
    Indicador->SetProgress(0);
    Indicador->SetVisible(true);
    struct Oculta {
        TGauge* g;
        ~Oculta() { g->SetVisible(false); }
    } oculta{Indicador};
    // The gauge is painted between rows, so clicks get through meanwhile: nothing that rebuilds the
    // list being written, or starts another export, takes them until the file is done.
    struct Bloqueo {
        std::vector<TControl*> controles;
        ~Bloqueo() {
            for (TControl* c : controles) c->SetEnabled(true);
        }
    } bloqueo;
    for (TControl* c : std::initializer_list<TControl*>{cbExport, Desde, Hasta, eExport, btSelect, btExport})
        if (c->Enabled()) {
            c->SetEnabled(false);
            bloqueo.controles.push_back(c);
        }

    // Written beside the old file and put in its place only when complete.
    QSaveFile fichero(destino);
    if (!fichero.open(QIODevice::WriteOnly)) {
        MensajeError(QStringLiteral("Error al crear archivo"));
        return;
    }
    auto escribe = [&](const QByteArray& linea) {
        if (fichero.write(linea) != linea.size())
            throw EInOutError(QStringLiteral("No se puede escribir en \"%1\": %2").arg(eExport->Text(), fichero.errorString()));
    };
    QStringList cabecera;
    for (const char* c : kColumnas) cabecera << QString::fromLatin1(c);
    escribe(documents::LineaExportacion(cabecera));
    TStrings* filas = Lista->List2();
    const int n = filas->Count();
    QStringList conPerdidos;
    for (int i = 0; i < n; ++i) {
        Indicador->SetProgress(n > 1 ? i * 100 / (n - 1) : 100);
        Application->ProcessMessages();
        auto* marca = dynamic_cast<TBookmarkObject*>(filas->Objects(i));
        if (!marca) continue;
        QExport->GotoBookmark(marca->Bookmark);
        QStringList valores;
        for (const char* c : kColumnas) valores << QExport->FieldByName(QString::fromLatin1(c))->AsString();
        bool perdidos = false;
        escribe(documents::LineaExportacion(valores, &perdidos));
        if (perdidos) conPerdidos << filas->Strings(i);
    }
    // The flush writes what is still buffered (a small file, all of it): on a full disk it fails
    // here, where commit alone would put an empty or cut file in place of the old one.
    if (!fichero.flush() || !fichero.commit())
        throw EInOutError(QStringLiteral("No se puede guardar \"%1\": %2").arg(eExport->Text(), fichero.errorString()));
    // Written into a folder the office shares, it is for the others too.
    ShareLikeFolder(fichero.fileName());
    // The file keeps its single-byte form; the user learns which rows lost characters in it.
    if (const QString aviso = documents::AvisoCaracteresPerdidos(conPerdidos); !aviso.isEmpty())
        Application->MessageBox(aviso, QStringLiteral("¡¡ ATENCIÓN !!"), MB_OK | MB_ICONWARNING);
}

void TFExport::Button1Click(TObject*) { Close(); }
