#include "records/UbscContacto.h"

#include "comun/Controles.h"
#include "comun/UData.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/graphics/Resources.h"
#include "records/Pinturas.h"
#include "records/UAbogado.h"
#include "records/UCliente.h"
#include "records/UContrario.h"
#include "records/UPerito.h"
#include "records/UProcu.h"

QString MailContacto;
TFContacto* FContacto = nullptr;

namespace {
struct TClase {
    const char* Tipo;
    const char* Clave;
    const char* Tabla;
};
// The kinds in the order of the list; TIPO is padded to 15 so all blocks have one width.
constexpr TClase Clases[] = {{"ABOGADO", "ABOGADO", "ABOGADOS"},
                             {"PROCURADOR", "PROCU", "PROCU"},
                             {"CLIENTE", "CLIENTE", "CLIENTES"},
                             {"CONTRARIO", "CONTRARIO", "CONTRARIOS"},
                             {"PERITO", "PERITO", "PERITOS"}};

QString Relleno(const char* tipo) { return QString::fromLatin1(tipo).leftJustified(15, u' '); }

// Opens a record form standalone on the row located in its table.
template <class F>
void AbreFicha(F*& global, const QString& caption) {
    global = new F(Application);
    if (!caption.isEmpty()) global->SetCaption(caption);
    // Changing the people of the office is the right of its general data, as from the menu.
    global->activaEdicion(records::DerechoUsuario("General"));
    global->LabelRefe->SetVisible(false);
    global->Referencia->SetVisible(false);
    global->btAsigna->SetVisible(false);
    global->ShowModal();
}
// An item of the address book's bar: its text is its caption and its tip.
TSpeedItem* Item(TFContacto* f, const QString& nombre, const QString& texto, int left, void (TFContacto::*click)(TObject*)) {
    TSpeedItem* i = comun::ItemDeBarra(f->SpeedBar1, nombre, texto, left, nullptr);
    i->SetBtnCaption(texto);
    i->SetVisible(true);
    i->OnClick() = TNotifyEvent(f, click);
    return i;
}

}  // namespace

TFContacto::TFContacto(TComponent* owner) : TForm(owner) {
    SetCaption(QStringLiteral("Direcciones"));
    SetHelpContext(301);
    SetPosition(poScreenCenter);
    SetClientWidth(760);
    SetClientHeight(420);

    QContactos = new TZbQuery(this);
    QContactos->SetName(QStringLiteral("QContactos"));
    QContactos->SetDatabaseName(Dat->Db->DatabaseName());
    DataSource1 = new TDataSource(this);
    DataSource1->SetName(QStringLiteral("DataSource1"));
    DataSource1->SetDataSet(QContactos);
    DataSource1->SetAutoEdit(false);

    SpeedBar1 = comun::BarraDeBotones(this, 31);
    SpeedBar1->SetBtnWidth(60);
    btOpen = Item(this, QStringLiteral("btOpen"), QStringLiteral("Abrir"), 4, &TFContacto::btOpenClick);
    btFind = Item(this, QStringLiteral("btFind"), QStringLiteral("Buscar"), 68, &TFContacto::btFindClick);
    btSalir = Item(this, QStringLiteral("btSalir"), QStringLiteral("Salir"), 140, &TFContacto::btSalirClick);

    // The kind and the search stay over the list; the list takes the rest of the window and
    // grows with it (a fixed size left a maximised book with its list in one corner).
    auto* filtros = new TPanel(this);
    filtros->SetName(QStringLiteral("Filtros"));
    filtros->SetParent(this);
    filtros->SetAlign(alTop);
    filtros->SetHeight(39);
    filtros->SetCaption(QString());
    filtros->SetBevelOuter(bvNone);
    auto* lTipo = new TLabel(this);
    lTipo->SetParent(filtros);
    lTipo->SetBounds(10, 12, 40, 16);
    lTipo->SetCaption(QStringLiteral("Tipo :"));
    Tipo = new TComboBox(this);
    Tipo->SetName(QStringLiteral("Tipo"));
    Tipo->SetParent(filtros);
    Tipo->SetStyle(csDropDownList);
    Tipo->SetBounds(55, 9, 150, 21);
    for (const char* t : {"TODOS", "ABOGADO", "PROCURADOR", "CLIENTE", "CONTRARIO", "PERITO"})
        Tipo->Items()->Add(QString::fromLatin1(t));
    Tipo->SetItemIndex(0);
    auto* lBuscar = new TLabel(this);
    lBuscar->SetParent(filtros);
    lBuscar->SetBounds(230, 12, 55, 16);
    lBuscar->SetCaption(QStringLiteral("Buscar :"));
    Edit1 = new TEdit(this);
    Edit1->SetName(QStringLiteral("Edit1"));
    Edit1->SetParent(filtros);
    Edit1->SetBounds(290, 9, 250, 21);

    ZbDBGrid1 = new TZbDBGrid(this);
    ZbDBGrid1->SetName(QStringLiteral("ZbDBGrid1"));
    ZbDBGrid1->SetParent(this);
    ZbDBGrid1->SetAlign(alClient);
    ZbDBGrid1->SetReadOnly(true);
    ZbDBGrid1->SetTitleButtons(true);
    ZbDBGrid1->SetDataSource(DataSource1);
    const std::pair<const char*, int> columnas[] = {
        {"NOM", 245}, {"TELEFONO", 120}, {"FAX", 100}, {"MAIL", 160}, {"TIPO", 95}};
    const char* titulos[] = {"Nombre", "Teléfono", "Fax", "E-Mail", "Tipo "};
    for (int i = 0; i < 5; ++i) {
        TColumn* c = ZbDBGrid1->Columns()->Add();
        c->SetFieldName(QString::fromLatin1(columnas[i].first));
        c->Title()->SetCaption(QString::fromUtf8(titulos[i]));
        c->SetWidth(columnas[i].second);
    }

    Edit1->OnChange = TNotifyEvent(this, &TFContacto::Edit1Change);
    Tipo->OnChange = TNotifyEvent(this, &TFContacto::TipoChange);
    ZbDBGrid1->OnTitleBtnClick = TTitleClickEvent(this, &TFContacto::ZbDBGrid1TitleBtnClick);
    ZbDBGrid1->OnGetBtnParams = TGetBtnParamsEvent(this, &TFContacto::ZbDBGrid1GetBtnParams);
    ZbDBGrid1->OnDblClick = TNotifyEvent(this, &TFContacto::btOpenClick);
    DataSource1->OnDataChange = TDataChangeEvent(this, &TFContacto::DataSource1DataChange);
    OnClose = TCloseEvent(this, &TFContacto::FormClose);

    btFind->SetEnabled(false);
    CreaConsulta(QStringLiteral("ORDER"), QStringLiteral("NOM"));
}

TFContacto::~TFContacto() {
    if (FContacto == this) FContacto = nullptr;
}

void TFContacto::CreaConsulta(const QString& macro, const QString& campo) {
    QContactos->DisableControls();
    QContactos->Close();
    QContactos->SQL()->Clear();
    const QString filtro = Tipo->Text();
    const bool todos = filtro == u"TODOS";
    for (const TClase& c : Clases) {
        const QString tipo = QString::fromLatin1(c.Tipo);
        if (todos || filtro == tipo) {
            QContactos->SQL()->Add(
                QStringLiteral("SELECT APELLIDOS || ' ' || NOMBRE AS NOM, MAIL, %1 AS CODIGO,").arg(QLatin1String(c.Clave)));
            QContactos->SQL()->Add(
                QStringLiteral("       TELEFONO, FAX, DOMICILIO, POBLACION, PROVINCIA, '%1' AS TIPO").arg(Relleno(c.Tipo)));
            QContactos->SQL()->Add(QStringLiteral("FROM ") + QLatin1String(c.Tabla));
        }
        if (todos && &c != &Clases[4]) QContactos->SQL()->Add(QStringLiteral("UNION"));
    }
    QContactos->SQL()->Add(QStringLiteral("ORDER BY %ORDER"));
    if (!campo.isEmpty()) FOrden = campo;
    QContactos->MacroByName(macro)->SetAsString(FOrden);
    try {
        QContactos->Open();
    } catch (...) {
        QContactos->EnableControls();
        throw;
    }
    QContactos->EnableControls();
    DataSource1DataChange(DataSource1, nullptr);
}

void TFContacto::TipoChange(TObject*) { CreaConsulta(QStringLiteral("ORDER"), QStringLiteral("NOM")); }

void TFContacto::ZbDBGrid1TitleBtnClick(TObject*, int, TField* field) {
    if (field) CreaConsulta(QStringLiteral("ORDER"), field->FieldName());
}

void TFContacto::ZbDBGrid1GetBtnParams(TObject*, TField* field, TFont*, TColor&, TSortMarker& marker, bool) {
    if (field && field->FieldName().compare(FOrden, Qt::CaseInsensitive) == 0) marker = smDown;
}

void TFContacto::Edit1Change(TObject*) { btFind->SetEnabled(!Edit1->Text().isEmpty()); }

void TFContacto::btFindClick(TObject*) {
    if (Edit1->Text().isEmpty()) return;
    QContactos->Locate(FOrden, Variant(Edit1->Text()), loCaseInsensitive | loPartialKey);
}

void TFContacto::DataSource1DataChange(TObject*, TField*) {
    btOpen->SetEnabled(QContactos->Active() && !QContactos->IsEmpty());
    MailContacto = btOpen->Enabled() ? QContactos->FieldByName(QStringLiteral("MAIL"))->AsString() : QString();
}

void TFContacto::btOpenClick(TObject*) {
    if (!btOpen->Enabled()) return;
    const QString tipo = QContactos->FieldByName(QStringLiteral("TIPO"))->AsString();
    const Variant codigo = QContactos->FieldByName(QStringLiteral("CODIGO"))->Value();
    if (tipo == Relleno("CLIENTE")) {
        Dat->TClientes->Locate(QStringLiteral("CLIENTE"), codigo, 0);
        AbreFicha(Cliente, QString());
    } else if (tipo == Relleno("CONTRARIO")) {
        Dat->TContrarios->Locate(QStringLiteral("CONTRARIO"), codigo, 0);
        AbreFicha(Contrario, QStringLiteral("Contrarios"));
    } else if (tipo == Relleno("PERITO")) {
        Dat->TPeritos->Locate(QStringLiteral("PERITO"), codigo, 0);
        AbreFicha(Perito, QStringLiteral("Peritos"));
    } else if (tipo == Relleno("ABOGADO")) {
        Dat->TAbogados->Locate(QStringLiteral("ABOGADO"), codigo, 0);
        AbreFicha(Abogado, QStringLiteral("Abogados"));
    } else if (tipo == Relleno("PROCURADOR")) {
        Dat->TProcu->Locate(QStringLiteral("PROCU"), codigo, 0);
        AbreFicha(Procu, QStringLiteral("Procurador"));
    }
    // The list shows what the record form saved: an e-mail just added is the one handed on.
    CreaConsulta(QStringLiteral("ORDER"), QString());
    QContactos->Locate(QStringLiteral("TIPO;CODIGO"), VarArrayOf({Variant(tipo), codigo}), 0);
    DataSource1DataChange(DataSource1, nullptr);
}

void TFContacto::btSalirClick(TObject*) { Close(); }

void TFContacto::ModoSelector() {
    btElegir = Item(this, QStringLiteral("btElegir"), QStringLiteral("Elegir"), 204, &TFContacto::btElegirClick);
    ZbDBGrid1->SetMultiSelect(true);
    ZbDBGrid1->OnDblClick = TNotifyEvent(this, &TFContacto::btElegirClick);
}

void TFContacto::btElegirClick(TObject*) {
    if (QContactos->Active() && !QContactos->IsEmpty()) SetModalResult(mrOk);
}

QStringList TFContacto::Elegidos(QStringList* sinCorreo) {
    QStringList elegidos;
    if (!QContactos->Active() || QContactos->IsEmpty()) return elegidos;
    auto toma = [&] {
        // A ";" would split the name in the mail form's boxes.
        const QString nombre = QContactos->FieldByName(QStringLiteral("NOM"))->AsString().simplified().replace(u';', u',');
        const QString mail = QContactos->FieldByName(QStringLiteral("MAIL"))->AsString().trimmed();
        if (mail.isEmpty()) {
            if (sinCorreo) *sinCorreo << nombre;
        } else {
            elegidos << (nombre.isEmpty() ? mail : nombre + QStringLiteral(" <") + mail + u'>');
        }
    };
    if (ZbDBGrid1->SelectedCount() == 0) {
        toma();
        return elegidos;
    }
    const TBookmark actual = QContactos->GetBookmark();
    QContactos->DisableControls();
    for (QContactos->First(); !QContactos->Eof(); QContactos->Next())
        if (ZbDBGrid1->IsSelected(QContactos->GetBookmark())) toma();
    QContactos->GotoBookmark(actual);
    QContactos->EnableControls();
    return elegidos;
}

void TFContacto::FormClose(TObject*, TCloseAction& action) { action = caFree; }
