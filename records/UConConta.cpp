#include "records/UConConta.h"

#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/rtl/SysUtils.h"
#include "records/Facturable.h"
#include "records/FichaInforme.h"
#include "reports/RPTLisConCon.h"
#include "reports/ULimTipCon.h"

#include <memory>

TConConta* ConConta = nullptr;

namespace {
TField* Importe() { return Dat->TConConta->FieldByName(QStringLiteral("IMPORTE")); }
QString Moneda() { return Dat->TSistem->FieldByName(QStringLiteral("MONEDA"))->AsString(); }
}  // namespace

TConConta::TConConta(TComponent* owner) : TFormRegistro(owner) {
    using T = TConConta;
    SetName(QStringLiteral("ConConta"));
    SetCaption(QStringLiteral("Conceptos Contables"));
    SetHelpContext(160);
    const int alto = 27, x = 110;
    FijaTamano(520, AreaTop() + 4 * alto + 8 + 36);
    auto edita = [&](const char* nombre, const QString& etiqueta, const char* campo, int fila, int ancho) {
        TLabel* l = Rotulo(etiqueta, 4, AreaTop() + fila * alto, x - 10);
        auto* e = new TDBEdit(this);
        e->SetName(QString::fromLatin1(nombre));
        e->SetParent(this);
        e->SetBounds(x, AreaTop() + fila * alto, ancho, 21);
        e->SetDataSource(Dat->DSConConta);
        e->SetDataField(QString::fromLatin1(campo));
        e->SetTabStop(true);
        l->SetFocusControl(e);
        return e;
    };
    DBConcepto = edita("DBConcepto", QStringLiteral("Concepto :"), "CUENTA", 0, 70);
    DBConcepto->SetMaxLength(5);
    DBConcepto->OnExit = TNotifyEvent(this, &T::DBConceptoExit);
    DBNombre = edita("DBNombre", QStringLiteral("Descripción :"), "CONCEPTO", 1, 390);
    DBNombre->SetMaxLength(50);
    TLabel* lTipo = Rotulo(QStringLiteral("Tipo :"), 4, AreaTop() + 2 * alto, x - 10);
    ZbTipo = new TZbDBComboBox(this);
    ZbTipo->SetName(QStringLiteral("ZbTipo"));
    ZbTipo->SetParent(this);
    ZbTipo->SetStyle(csDropDownList);
    auto tipos = std::make_unique<TStringList>();
    auto valores = std::make_unique<TStringList>();
    int n = 0;
    for (const char* t : {"Suplido", "Derecho", "Provisión", "Gasto"}) {
        tipos->Add(QString::fromUtf8(t));
        valores->Add(QString::number(++n));
    }
    ZbTipo->SetItems(tipos.get());
    ZbTipo->SetValues(valores.get());
    ZbTipo->SetEnableValues(true);
    ZbTipo->SetDataSource(Dat->DSConConta);
    ZbTipo->SetDataField(QStringLiteral("TIPO"));
    ZbTipo->SetBounds(x, AreaTop() + 2 * alto, 130, 21);
    lTipo->SetFocusControl(ZbTipo);
    DBImporte = edita("DBImporte", QStringLiteral("Importe :"), "IMPORTE", 3, 110);
    DBImporte->SetAlignment(taRightJustify);
    DBImporte->SetShowHint(true);
    DBImporte->OnEnter = TNotifyEvent(this, &T::DBImporteEnter);
    DBImporte->OnExit = TNotifyEvent(this, &T::DBImporteExit);
    DBImporte->OnKeyPress = TKeyPressEvent(this, &T::DBImporteKeyPress);

    // Its own cursor over the file, for the code check only.
    TCodigos = new TTable(this);
    TCodigos->SetName(QStringLiteral("TCodigos"));
    TCodigos->SetDatabaseName(Dat->Db->DatabaseName());
    TCodigos->SetTableName(QStringLiteral("CONCONTAS"));
    TCodigos->SetReadOnly(true);
    TCodigos->Open();

    TField* importe = Importe();
    FTextoAnterior = importe->OnGetText;
    importe->OnGetText = TFieldGetTextEvent(this, &T::IMPORTEGetText);
    FTextoPuesto = true;
    Dat->TConConta->Last();
}

TConConta::~TConConta() {
    AlCerrar();
    if (ConConta == this) ConConta = nullptr;
}

void TConConta::Muestra() {
    ConConta = new TConConta(Application);
    ConConta->activaEdicion(true);
    ConConta->ShowModal();
}

TDataSet* TConConta::Tabla() const { return Dat->TConConta; }

void TConConta::activaEdicion(bool activa) {
    TFormRegistro::activaEdicion(activa);
    // No assign item: help and exit close up to print.
    const int w = SpeedBar1->BtnWidth();
    btAyuda->SetLeft(btImprimir->Left() + w + 8);
    BtSalir->SetLeft(btAyuda->Left() + w);
}

int TConConta::Decimales() { return Moneda() == QLatin1String("E") ? 2 : 0; }

void TConConta::AlCerrar() {
    // The amount shows plainly again everywhere else.
    if (!FTextoPuesto || !Dat) return;
    Importe()->OnGetText = FTextoAnterior;
    FTextoPuesto = false;
}

void TConConta::IMPORTEGetText(TField* sender, QString& text, bool) {
    text = sender->IsNull() ? QString() : FormateaImporte(sender->AsString(), Decimales());
}

void TConConta::RegistroCambiado() {
    if (Moneda() != QLatin1String("P")) return;
    const double euro = Dat->TSistem->FieldByName(QStringLiteral("EURO"))->AsFloat();
    if (euro > 0)
        DBImporte->SetHint(Format(QStringLiteral("%10.2n Euros"), std::vector<Variant>{Variant(Importe()->AsFloat() / euro)}));
    else
        DBImporte->SetHint(QString());
}

void TConConta::DBImporteEnter(TObject*) { DBImporte->SetText(QuitaPuntos(DBImporte->Text())); }

// The amount a ledger entry would take from the concept must fit an invoice.
void TConConta::DBImporteExit(TObject*) {
    const TDataSetState estado = Dat->TConConta->State();
    if ((estado != dsEdit && estado != dsInsert) || ActiveControl() == BtNo) return;
    if (!records::ImporteExcesivo(Importe()->AsFloat())) return;
    if (DBImporte->CanFocus()) DBImporte->SetFocus();
    Abort();
}

void TConConta::DBImporteKeyPress(TObject*, QChar& key) { key = TeclaImporte(key, DBImporte->Text(), Decimales()); }

void TConConta::DBConceptoExit(TObject*) {
    if (Dat->TConConta->State() != dsInsert || ActiveControl() == BtNo) return;
    // Other workstations may have added concepts since the cursor was opened.
    TCodigos->Refresh();
    if (!TCodigos->Locate(QStringLiteral("CUENTA"), Variant(DBConcepto->Text()), 0)) return;
    MensajeError(QStringLiteral("CONCEPTO ya existe"));
    if (DBConcepto->CanFocus()) DBConcepto->SetFocus();
    // The focus stays in the code; the record may still be saved.
    Abort();
}

TFormRegistro::TBusqueda TConConta::Busqueda() const {
    return {QStringLiteral("Busca Concepto Contable"), QStringLiteral("Conceptos Contables"),
            {QStringLiteral("SELECT CUENTA AS CODIGO, CONCEPTO AS NOMBRE, TIPO AS CONCEPTO"), QStringLiteral("FROM CONCONTAS "),
             QStringLiteral("ORDER BY CONCEPTO, NOMBRE")},
            true, QStringLiteral("CUENTA"), {}};
}

void TConConta::ImprimeFicha() {
    auto filtro = std::make_unique<TFConCon>(Application);
    if (filtro->ShowModal() != mrOk) return;
    reports::RPTLisConCon(filtro->cbSuplidos->Checked(), filtro->cbDerechos->Checked(),
                          filtro->cbProvisiones->Checked(), filtro->cbGastos->Checked());
}

void TConConta::MuestraPreview(TObject* sender) { records::MuestraPreview(sender); }
