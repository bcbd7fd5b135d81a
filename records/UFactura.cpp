// The invoicing dialog and the invoice number.
#include "records/UFactura.h"

#include "comun/Calendario.h"
#include "comun/Controles.h"
#include "comun/Ganchos.h"
#include "comun/Programa.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/graphics/Resources.h"
#include "platform/rtl/SysUtils.h"

#include <set>
#include <vector>

TFacturar* Facturar = nullptr;

namespace {

bool Derecho(const char* nombre) {
    TTable* p = Dat->TPriv;
    if (!p->Active() || p->IsEmpty()) return false;
    return p->FieldByName(QString::fromLatin1(nombre))->AsBoolean();
}

// Empty is 0; anything else must be a whole number of at least 0.
bool EnteroValido(const QString& texto, int& valor) {
    const QString t = texto.trimmed();
    if (t.isEmpty()) {
        valor = 0;
        return true;
    }
    return TryStrToInt(t, valor) && valor >= 0;
}

}  // namespace

TFacturar::TFacturar(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("Facturar"));
    SetCaption(QStringLiteral("Facturar Expediente .."));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    SetClientWidth(320);
    SetClientHeight(226);

    SpeedBar1 = comun::BarraDeTexto(this, QStringLiteral("Facturar"));
    btOk = comun::ItemDeTexto(SpeedBar1, "btOk", QStringLiteral("&Ok"), QStringLiteral("Ok|Factura con estos datos"), 4);
    SpeedItem2 = comun::ItemDeTexto(SpeedBar1, "SpeedItem2", QStringLiteral("&No"), QStringLiteral("No|Vuelve sin facturar"), 72);

    Panel1 = new TPanel(this);
    Panel1->SetName(QStringLiteral("Panel1"));
    Panel1->SetParent(this);
    Panel1->SetBounds(6, 41, 308, 24);
    Panel1->SetAlignment(taLeftJustify);
    Panel1->SetCaption(QStringLiteral("Datos para facturar Expediente :"));
    Panel1->Font()->SetStyle({fsBold});

    comun::Etiqueta(this, this, QStringLiteral("Nº de Factura :"), 8, 79, 136, 17);
    Numero = new TEdit(this);
    Numero->SetName(QStringLiteral("Numero"));
    Numero->SetParent(this);
    Numero->SetBounds(150, 76, 80, 21);
    Numero->SetMaxLength(9);

    comun::Etiqueta(this, this, QStringLiteral("Fecha :"), 8, 107, 136, 17);
    Fecha = new TMaskEdit(this);
    Fecha->SetName(QStringLiteral("Fecha"));
    Fecha->SetParent(this);
    Fecha->SetEditMask(QStringLiteral("!99/99/0000;1;_"));
    Fecha->SetBounds(150, 104, 80, 21);
    SpeedButton1 = new TZbSpeedButton(this);
    SpeedButton1->SetName(QStringLiteral("SpeedButton1"));
    SpeedButton1->SetParent(this);
    SpeedButton1->SetBounds(232, 104, 22, 21);
    SpeedButton1->SetCaption(QStringLiteral("..."));
    SpeedButton1->SetHint(QStringLiteral("Calendario"));

    comun::Etiqueta(this, this, QStringLiteral("I.V.A. % :"), 8, 135, 136, 17);
    Iva = new TEdit(this);
    Iva->SetName(QStringLiteral("Iva"));
    Iva->SetParent(this);
    Iva->SetBounds(150, 132, 40, 21);
    Iva->SetMaxLength(3);

    comun::Etiqueta(this, this, QStringLiteral("I.R.P.F. % :"), 8, 163, 136, 17);
    Irpf = new TEdit(this);
    Irpf->SetName(QStringLiteral("Irpf"));
    Irpf->SetParent(this);
    Irpf->SetBounds(150, 160, 40, 21);
    Irpf->SetMaxLength(3);

    comun::Etiqueta(this, this, QStringLiteral("¿ Generar Minuta ? :"), 8, 193, 136, 17);
    cbMinuta = new TCheckBox(this);
    cbMinuta->SetName(QStringLiteral("cbMinuta"));
    cbMinuta->SetParent(this);
    cbMinuta->SetCaption(QStringLiteral("No"));
    cbMinuta->SetBounds(150, 192, 60, 19);

    using T = TFacturar;
    for (TEdit* e : {Numero, Iva, Irpf}) e->OnKeyPress = TKeyPressEvent(this, &T::NumeroKeyPress);
    cbMinuta->OnClick = TNotifyEvent(this, &T::cbMinutaClick);
    SpeedButton1->OnClick = TNotifyEvent(this, &T::SpeedButton1Click);
    btOk->OnClick() = TNotifyEvent(this, &T::BtOkClick);
    SpeedItem2->OnClick() = TNotifyEvent(this, &T::SpeedItem2Click);
    OnKeyPress = TKeyPressEvent(this, &T::FormKeyPress);
    FormCreate(this);
}

TFacturar::~TFacturar() {
    if (Facturar == this) Facturar = nullptr;
}

void TFacturar::FormCreate(TObject*) {
    Fecha->SetText(FormatDateTime(QStringLiteral("dd/mm/yyyy"), Date()));
    TTable* s = Dat->TSistem;
    const bool haySistem = s->Active() && !s->IsEmpty();
    Iva->SetText(haySistem ? QString::number(s->FieldByName(QStringLiteral("IVA"))->AsInteger()) : QStringLiteral("0"));
    Irpf->SetText(haySistem ? QString::number(s->FieldByName(QStringLiteral("IRPF"))->AsInteger()) : QStringLiteral("0"));
    // The fee note needs the documents layer as well as a model, the right and a word processor.
    cbMinuta->SetEnabled(!CarpetaDatos.isEmpty() && haySistem && s->FieldByName(QStringLiteral("MINUTA"))->AsInteger() != 0 &&
                         Derecho("Economico") && HayWord && bool(comun::GeneraFactura));
}

void TFacturar::ParaConsulta() {
    SetCaption(QStringLiteral("Facturar Consulta"));
    Panel1->SetCaption(QStringLiteral("Datos para Facturar Consulta :"));
}

void TFacturar::FormKeyPress(TObject*, QChar& key) {
    if (key != QChar(u'\r')) return;
    key = QChar();
    SelectNext(ActiveControl(), true, true);
}

void TFacturar::NumeroKeyPress(TObject*, QChar& key) {
    if (key == QChar(u'\r')) return;
    key = TeclaNumerica(key);
}

void TFacturar::cbMinutaClick(TObject*) { cbMinuta->SetCaption(cbMinuta->Checked() ? QStringLiteral("Si") : QStringLiteral("No")); }

void TFacturar::SpeedButton1Click(TObject*) { FechaDelCalendario(Fecha); }

void TFacturar::BtOkClick(TObject*) {
    auto falla = [&](TWinControl* campo, const QString& texto) {
        MensajeError(texto);
        if (campo->CanFocus()) campo->SetFocus();
        Abort();
    };
    int valor = 0;
    if (!EnteroValido(Numero->Text(), valor)) falla(Numero, QStringLiteral("ERROR en Nº de Factura"));
    TDateTime dia;
    if (!TryStrToDate(Fecha->Text(), dia)) falla(Fecha, QStringLiteral("ERROR en Fecha de Factura"));
    if (!EnteroValido(Iva->Text(), valor)) falla(Iva, QStringLiteral("ERROR en IVA de Factura"));
    if (!EnteroValido(Irpf->Text(), valor)) falla(Irpf, QStringLiteral("ERROR en IRPF de Factura"));
    SetModalResult(mrOk);
}

void TFacturar::SpeedItem2Click(TObject*) { SetModalResult(mrNo); }

void TFacturar::ProponeNumero(int factura, int anoContador, const QString& tabla, const QString& ano, const QString& registro) {
    TTable* t = Dat->TTabcon;
    t->Refresh();
    const bool hayFila = t->Locate(QStringLiteral("ANO"), Variant(anoContador), 0);
    const int contador = hayFila ? t->FieldByName(QStringLiteral("NUMFACTU"))->AsInteger() : 0;
    const int n = factura != 0 ? factura : records::FacturaPropuesta(contador + 1, anoContador, FechaFactura(), tabla, ano, registro);
    Numero->SetText(QString::number(n));
}

int TFacturar::NumeroFactura() const { return StrToIntDef(Numero->Text().trimmed(), 0); }
int TFacturar::TasaIva() const { return StrToIntDef(Iva->Text().trimmed(), 0); }
int TFacturar::TasaIrpf() const { return StrToIntDef(Irpf->Text().trimmed(), 0); }

TDateTime TFacturar::FechaFactura() const {
    TDateTime dia;
    if (!TryStrToDate(Fecha->Text(), dia)) return Date();
    return dia;
}

// ---------------------------------------------------------------------------------------------- taxes and number

Currency records::Impuesto(Currency base, int tasa, bool euros) {
    // base x tasa / 100 in raw units (four decimals) is raw x tasa / 100; exact in integers.
    const __int128 num = __int128(base.Raw()) * tasa;
    const qint64 unidad = euros ? Currency::Scale / 100 : Currency::Scale;  // a cent, a peseta
    const __int128 den = __int128(100) * unidad;
    __int128 q = num / den, r = num % den;
    if (r < 0) {
        r += den;
        --q;
    }
    const __int128 doble = 2 * r;
    if (euros) {
        if (doble > den || (doble == den && q % 2 != 0)) ++q;
    } else if (doble >= den) {
        ++q;
    }
    return Currency::FromRaw(qint64(q) * unidad);
}

QString records::SqlSubeContador() {
    return QStringLiteral("UPDATE TABCON SET NUMFACTU = :NFACT WHERE ANO = :ANO AND (NUMFACTU IS NULL OR NUMFACTU < :NFACT)");
}

namespace {
int AnoDe(TDateTime dia) {
    int ano = 0, mes = 0, d = 0;
    DecodeDate(dia, ano, mes, d);
    return ano;
}

// An invoice of another record in one of the series a number could collide with.
struct TFacturaAjena {
    QString Tabla, Ano, Numero;
    int Factura = 0;
    int AnoFactura = 0;
};

// The invoices of other records than `ano`/`registro` of `tabla` numbered `numero` (or from it on,
// when `desde`) and dated in the working year `anoContador` or the year `anoFecha`: numbers start
// again every year, and the number comes from one year's counter while the date is typed freely.
std::vector<TFacturaAjena> FacturasAjenas(int numero, bool desde, int anoContador, int anoFecha, const QString& tabla,
                                          const QString& ano, const QString& registro) {
    std::vector<TFacturaAjena> r;
    const bool anoValido = anoContador >= 1 && anoContador <= 9999;
    for (const QString& t : {QStringLiteral("EXPED"), QStringLiteral("CONSULTAS")}) {
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText(QStringLiteral("SELECT ANO, NUMERO, FACTURA, FECHAFACTURA FROM %1 WHERE FACTURA %2 :N AND "
                                        "(FECHAFACTURA BETWEEN :DESDE1 AND :HASTA1 OR FECHAFACTURA BETWEEN :DESDE2 AND :HASTA2)")
                             .arg(t, desde ? QStringLiteral(">=") : QStringLiteral("=")));
        q.ParamByName(QStringLiteral("N"))->SetAsInteger(numero);
        const int primero = anoValido ? anoContador : anoFecha;
        q.ParamByName(QStringLiteral("DESDE1"))->SetAsDate(EncodeDate(primero, 1, 1));
        q.ParamByName(QStringLiteral("HASTA1"))->SetAsDate(EncodeDate(primero, 12, 31));
        q.ParamByName(QStringLiteral("DESDE2"))->SetAsDate(EncodeDate(anoFecha, 1, 1));
        q.ParamByName(QStringLiteral("HASTA2"))->SetAsDate(EncodeDate(anoFecha, 12, 31));
        q.Open();
        for (; !q.Eof(); q.Next()) {
            TFacturaAjena f{t, q.FieldByName(QStringLiteral("ANO"))->AsString(), q.FieldByName(QStringLiteral("NUMERO"))->AsString(),
                            q.FieldByName(QStringLiteral("FACTURA"))->AsInteger(),
                            AnoDe(q.FieldByName(QStringLiteral("FECHAFACTURA"))->AsDateTime())};
            if (t == tabla && f.Ano == ano && f.Numero == registro) continue;  // re-invoicing keeps its number
            r.push_back(f);
        }
    }
    return r;
}
}  // namespace

int records::FacturaPropuesta(int desde, int anoContador, TDateTime fecha, const QString& tabla, const QString& ano,
                              const QString& registro) {
    if (desde <= 0) return desde;
    std::set<int> ocupadas;
    for (const auto& f : FacturasAjenas(desde, true, anoContador, AnoDe(fecha), tabla, ano, registro)) ocupadas.insert(f.Factura);
    int n = desde;
    while (ocupadas.count(n)) ++n;
    return n;
}

void records::ReservaFactura(TQuery* subeContador, int numero, int anoContador, TDateTime fecha, const QString& tabla,
                             const QString& ano, const QString& registro) {
    if (numero == 0) return;
    const auto ajenas = FacturasAjenas(numero, false, anoContador, AnoDe(fecha), tabla, ano, registro);
    if (!ajenas.empty()) {
        const TFacturaAjena& f = ajenas.front();
        const QString quien = f.Tabla == QLatin1String("EXPED") ? QStringLiteral("del Expediente ") : QStringLiteral("de la Consulta ");
        throw EFacturaRepetida(QStringLiteral("La Factura Nº %1 del año %2 ya es %3%4/%5").arg(numero).arg(f.AnoFactura).arg(quien, f.Ano, f.Numero));
    }
    subeContador->ParamByName(QStringLiteral("NFACT"))->SetAsInteger(numero);
    subeContador->ParamByName(QStringLiteral("ANO"))->SetAsInteger(anoContador);
    subeContador->ExecSQL();
}
