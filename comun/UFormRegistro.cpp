#include "comun/UFormRegistro.h"

#include "comun/Abusca.h"
#include "comun/Abusca2.h"
#include "comun/Calendario.h"
#include "comun/Controles.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/graphics/Resources.h"
#include "platform/report/QuickRpt.h"

#include <functional>
#include <memory>

namespace {

constexpr int AltoBarra = 31;
constexpr int AltoPie = 36;

using comun::Relleno;

std::unique_ptr<TBitmap> GlifoDe(const QString& nombre) {
    return comun::Glifo([&](TCanvas* c) {
        if (nombre == u"btFirst") {
            comun::Flecha(c, true, true);
        } else if (nombre == u"btPrev") {
            comun::Flecha(c, true, false);
        } else if (nombre == u"btNext") {
            comun::Flecha(c, false, false);
        } else if (nombre == u"btLast") {
            comun::Flecha(c, false, true);
        } else if (nombre == u"btAdd") {
            Relleno(c, clGreen);
            c->FillRect(Rect(6, 2, 10, 14));
            c->FillRect(Rect(2, 6, 14, 10));
        } else if (nombre == u"btDel") {
            Relleno(c, clMaroon);
            c->FillRect(Rect(2, 6, 14, 10));
        } else if (nombre == u"btEdit") {
            Relleno(c, clYellow);
            c->Pen()->SetColor(clNavy);
            c->Polygon({{11, 1}, {14, 4}, {5, 13}, {2, 14}, {3, 10}});
        } else if (nombre == u"btRefresh") {
            comun::PintaRefresco(c);
        } else if (nombre == u"btBuscar") {
            c->Pen()->SetColor(clBlack);
            c->Brush()->SetColor(clWhite);
            c->Ellipse(1, 1, 10, 10);
            c->Pen()->SetWidth(3);
            c->MoveTo(9, 9);
            c->LineTo(14, 14);
        } else if (nombre == u"btImprimir") {
            comun::PintaImpresora(c);
        } else if (nombre == u"btAsigna") {
            Relleno(c, clTeal);
            c->Polygon({{1, 6}, {8, 6}, {8, 2}, {14, 8}, {8, 14}, {8, 10}, {1, 10}});
        } else if (nombre == u"btAyuda") {
            c->Font()->SetColor(clBlue);
            c->Font()->SetStyle({fsBold});
            c->Font()->SetHeight(-14);
            c->Brush()->SetStyle(bsClear);
            c->TextOut(4, 0, QStringLiteral("?"));
        } else if (nombre == u"BtSalir") {
            c->Pen()->SetColor(clBlack);
            c->Brush()->SetColor(clMaroon);
            c->Rectangle(3, 1, 12, 15);
            Relleno(c, clYellow);
            c->FillRect(Rect(9, 8, 11, 10));
        }
    });
}

}  // namespace

TFormRegistro::TFormRegistro(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsSingle);
    SetBorderIcons(biSystemMenu | biMinimize);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);

    ActiveSource = new TDataSource(this);
    ActiveSource->SetName(QStringLiteral("ActiveSource"));
    ActiveSource->SetAutoEdit(false);
    ActiveSource->OnStateChange = TNotifyEvent(this, &TFormRegistro::ActiveSourceStateChange);
    ActiveSource->OnDataChange = TDataChangeEvent(this, &TFormRegistro::ActiveSourceDataChange);

    SpeedBar1 = comun::BarraDeBotones(this, AltoBarra);

    using T = TFormRegistro;
    int x = 4;
    const int w = SpeedBar1->BtnWidth();
    btFirst = NuevoItem(QStringLiteral("btFirst"), QStringLiteral("Primero|Primer registro"), x, &T::btFirstClick);
    btPrev = NuevoItem(QStringLiteral("btPrev"), QStringLiteral("Anterior|Registro anterior"), x += w, &T::btPrevClick);
    btNext = NuevoItem(QStringLiteral("btNext"), QStringLiteral("Siguiente|Registro siguiente"), x += w, &T::btNextClick);
    btLast = NuevoItem(QStringLiteral("btLast"), QStringLiteral("Último|Último registro"), x += w, &T::btLastClick);
    btAdd = NuevoItem(QStringLiteral("btAdd"), QStringLiteral("Nuevo|Añade un registro"), x += w + 8, &T::btAddClick);
    btDel = NuevoItem(QStringLiteral("btDel"), QStringLiteral("Borrar|Borra el registro"), x += w, &T::btDelClick);
    btEdit = NuevoItem(QStringLiteral("btEdit"), QStringLiteral("Modificar|Modifica el registro"), x += w, &T::btEditClick);
    btRefresh = NuevoItem(QStringLiteral("btRefresh"), QStringLiteral("Refrescar|Vuelve a leer los datos"), x += w,
                          &T::btRefreshClick);
    btBuscar = NuevoItem(QStringLiteral("btBuscar"), QStringLiteral("Buscar|Busca un registro"), x += w + 8,
                         &T::btBuscarClick);
    btImprimir = NuevoItem(QStringLiteral("btImprimir"), QStringLiteral("Imprimir|Imprime ficha"), x += w,
                           &T::btImprimirClick);
    btAsigna = NuevoItem(QStringLiteral("btAsigna"), QStringLiteral("Asignar|Asigna al expediente"), x += w,
                         &T::btAsignaClick);
    btAyuda = NuevoItem(QStringLiteral("btAyuda"), QStringLiteral("Ayuda|Muestra ayuda"), x += w + 8, &T::btAyudaClick);
    BtSalir = NuevoItem(QStringLiteral("BtSalir"), QStringLiteral("Salir|Regresa a la pantalla anterior"), x += w,
                        &T::BtSalirClick);
    for (TSpeedItem* i : {btBuscar, btImprimir, btAyuda, BtSalir}) i->SetVisible(true);

    ModeIndicator = new TLabel(this);
    ModeIndicator->SetName(QStringLiteral("ModeIndicator"));
    ModeIndicator->SetParent(SpeedBar1);
    ModeIndicator->SetAutoSize(false);
    ModeIndicator->SetAlignment(taRightJustify);
    ModeIndicator->Font()->SetStyle({fsBold});
    ModeIndicator->Font()->SetColor(clBlue);
    ModeIndicator->SetCaption(QString());

    FPie = new TPanel(this);
    FPie->SetParent(this);
    FPie->SetAlign(alBottom);
    FPie->SetHeight(AltoPie);
    FPie->SetBevelOuter(bvNone);

    const comun::TOkNo par = comun::ParOkNo(this, FPie, "BtOk", "BtNo");
    BtOk = par.Ok;
    BtNo = par.No;
    for (TBitBtn* b : {BtOk, BtNo}) b->SetVisible(false);
    BtOk->OnClick = TNotifyEvent(this, &T::BtOkClick);
    BtNo->OnClick = TNotifyEvent(this, &T::BtNoClick);

    OnClose = TCloseEvent(this, &T::FormClose);
    OnKeyDown = TKeyEvent(this, &T::FormKeyDown);
    OnKeyPress = TKeyPressEvent(this, &T::FormKeyPress);
    FijaTamano(x + w + 8 + 150, 300);
}

TFormRegistro::~TFormRegistro() {
    // The base frees the data source after this part of the form is gone: it must not call back.
    if (ActiveSource) {
        ActiveSource->OnStateChange = nullptr;
        ActiveSource->OnDataChange = nullptr;
    }
}

TSpeedItem* TFormRegistro::NuevoItem(const QString& name, const QString& hint, int left,
                                     void (TFormRegistro::*click)(TObject*)) {
    TSpeedItem* item = comun::ItemDeBarra(SpeedBar1, name, hint, left, GlifoDe(name).get());
    item->OnClick() = TNotifyEvent(this, click);
    return item;
}

TSpeedItem* TFormRegistro::NuevoBoton(const char* nombre, const QString& hint, const std::function<void(TCanvas*)>& pinta) {
    // The form places it.
    TSpeedItem* i = comun::ItemDeBarra(SpeedBar1, QString::fromLatin1(nombre), hint, 0, comun::Glifo(pinta).get());
    i->SetVisible(true);
    return i;
}

void TFormRegistro::FechaDeCalendario(TField* f, TWinControl* edit) {
    TDateTime dia = f->IsNull() ? TDateTime() : f->AsDateTime();
    if (EligeFecha(dia, !f->IsNull())) f->SetAsDateTime(dia);
    if (edit->CanFocus()) edit->SetFocus();
}

TLabel* TFormRegistro::Rotulo(const QString& texto, int left, int top, int width) {
    auto* l = new TLabel(this);
    l->SetParent(this);
    l->SetAutoSize(false);
    l->SetAlignment(taRightJustify);
    l->SetBounds(left, top + 3, width, 17);
    l->SetCaption(texto);
    return l;
}

TButton* TFormRegistro::Boton(const char* nombre, const QString& caption, int left, int top, int width, TNotifyEvent click) {
    auto* b = new TButton(this);
    b->SetName(QString::fromLatin1(nombre));
    b->SetParent(this);
    b->SetCaption(caption);
    b->SetBounds(left, top, width, 21);
    b->OnClick = click;
    return b;
}

int TFormRegistro::AreaTop() const { return AltoBarra + 8; }
int TFormRegistro::AreaBottom() const { return ClientHeight() - AltoPie; }

void TFormRegistro::FijaTamano(int width, int height) {
    SetClientWidth(width);
    SetClientHeight(height);
    BtNo->SetBounds(width - 8 - 90, 5, 90, 26);
    BtOk->SetBounds(width - 8 - 90 - 6 - 90, 5, 90, 26);
    ModeIndicator->SetBounds(width - 8 - 170, 8, 170, 16);
}

void TFormRegistro::IniciaDuplicados(const QString& fichero, const QString& clave, const QString& mensaje) {
    FClave = clave;
    FMensaje = mensaje;
    TBsc = new TTable(this);
    TBsc->SetName(QStringLiteral("TBsc"));
    TBsc->SetDatabaseName(Dat->Db->DatabaseName());
    TBsc->SetTableName(fichero);
    TBsc->SetIndexFieldNames(QStringLiteral("APELLIDOS;NOMBRE"));
    TBsc->SetReadOnly(true);
    TBsc->Open();
}

bool TFormRegistro::ConfirmaDuplicado() {
    if (!TBsc) return true;
    TDataSet* t = Tabla();
    const QString apellidos = t->FieldByName(QStringLiteral("APELLIDOS"))->AsString();
    const QString nombre = t->FieldByName(QStringLiteral("NOMBRE"))->AsString();
    // Other workstations and other forms may have written since the cursor was opened.
    TBsc->Refresh();
    if (!TBsc->Locate(QStringLiteral("APELLIDOS;NOMBRE"), VarArrayOf({Variant(apellidos), Variant(nombre)}), 0)) return true;
    const bool mismo = TBsc->FieldByName(FClave)->AsInteger() == t->FieldByName(FClave)->AsInteger();
    if (mismo && t->State() == dsEdit) return true;
    return MensajeConfirmacion(FMensaje);
}

void TFormRegistro::activaEdicion(bool activa) {
    ActiveSource->SetDataSet(activa ? Tabla() : nullptr);
    const bool ligada = ActiveSource->DataSet() != nullptr;
    for (TSpeedItem* i : {btFirst, btPrev, btNext, btLast, btAdd, btDel, btEdit, btRefresh}) i->SetVisible(ligada);
    btAsigna->SetVisible(ligada && AsignaDisponible());
    if (ligada) {
        ActiveSourceStateChange(ActiveSource);
        ActiveSourceDataChange(ActiveSource, nullptr);
    }
}

QString TFormRegistro::NombreEstado(TDataSetState state) {
    switch (state) {
    case dsBrowse: return QStringLiteral("Consulta");
    case dsEdit: return QStringLiteral("Modificar");
    case dsInsert: return QStringLiteral("Nuevo");
    default: return QString();
    }
}

void TFormRegistro::Navegacion() {
    TDataSet* t = ActiveSource->DataSet();
    const bool consulta = t->State() == dsBrowse;
    btFirst->SetEnabled(consulta && !t->Bof());
    btPrev->SetEnabled(consulta && !t->Bof());
    btNext->SetEnabled(consulta && !t->Eof());
    btLast->SetEnabled(consulta && !t->Eof());
}

void TFormRegistro::ActiveSourceStateChange(TObject*) {
    TDataSet* t = ActiveSource->DataSet();
    if (!t) return;
    const TDataSetState estado = t->State();
    const bool consulta = estado == dsBrowse;
    const bool editando = estado == dsEdit || estado == dsInsert;
    Navegacion();
    for (TSpeedItem* i : {btAdd, btDel, btEdit, btRefresh, btImprimir, btBuscar, btAsigna, btAyuda, BtSalir})
        i->SetEnabled(consulta);
    BtOk->SetVisible(editando);
    BtNo->SetVisible(editando);
    ModeIndicator->SetCaption(QStringLiteral("[Estado :%1]").arg(NombreEstado(estado)));
    ModeIndicator->Font()->SetColor(editando ? clRed : clBlue);
    EstadoCambiado(estado);
    // Assign stays off for the record already in the case file.
    if (consulta) btAsigna->SetEnabled(PuedeAsignar());
}

void TFormRegistro::ActiveSourceDataChange(TObject*, TField*) {
    TDataSet* t = ActiveSource->DataSet();
    if (!t) return;
    Navegacion();
    btAsigna->SetEnabled(t->State() == dsBrowse && PuedeAsignar());
    RegistroCambiado();
}

void TFormRegistro::BtOkClick(TObject*) {
    TDataSet* t = Tabla();
    if (t->State() != dsEdit && t->State() != dsInsert) return;
    if (!ConfirmaDuplicado()) return;
    // A refused post leaves its message and the record in its editing state.
    t->Post();
    TrasGuardar();
}

void TFormRegistro::BtNoClick(TObject*) {
    TDataSet* t = Tabla();
    if (t->State() == dsEdit || t->State() == dsInsert) t->Cancel();
    if (NoCierra()) SetModalResult(mrNo);
}

void TFormRegistro::btAsignaClick(TObject*) {
    if (Tabla()->State() != dsBrowse) return;
    Asigna();
}

namespace {
template <class F>
void PreparaBusqueda(F* dialogo, const TFormRegistro::TBusqueda& b) {
    TQuery* q = dialogo->QBusca;
    q->Close();
    q->SQL()->Clear();
    for (const QString& linea : b.SQL) q->SQL()->Add(linea);
    for (const auto& [nombre, valor] : b.Parametros) q->ParamByName(nombre)->SetValue(valor);
    dialogo->SetCaption(b.Caption);
}
}  // namespace

void TFormRegistro::Elige(const TBusqueda& b, bool popup, int modo, const std::function<void(TDataSet*)>& eleccion) {
    if (b.Arbol) {
        Application->CreateForm(Buscar2);
        auto libera = [](TBuscar2* f) {
            Buscar2 = nullptr;
            delete f;
        };
        std::unique_ptr<TBuscar2, decltype(libera)> dialogo(Buscar2, libera);
        PreparaBusqueda(Buscar2, b);
        Buscar2->QBusca->Open();
        Buscar2->QBusca->First();
        Buscar2->Inicia(b.Titulo, false, false);
        const bool ok = Buscar2->ShowModal() == mrOk;
        if (ok) eleccion(Buscar2->QBusca);
    } else {
        Application->CreateForm(Buscar);
        auto libera = [](TBuscar* f) {
            Buscar = nullptr;
            delete f;
        };
        std::unique_ptr<TBuscar, decltype(libera)> dialogo(Buscar, libera);
        PreparaBusqueda(Buscar, b);
        Buscar->Inicia(b.Titulo, popup, modo);
        const bool ok = Buscar->ShowModal() == mrOk;
        if (ok) eleccion(Buscar->QBusca);
    }
}

void TFormRegistro::btBuscarClick(TObject*) {
    const TBusqueda b = Busqueda();
    if (b.SQL.isEmpty()) return;
    Elige(b, false, 0, [&](TDataSet* elegido) { LocalizaBuscado(elegido, b); });
}

void TFormRegistro::LocalizaBuscado(TDataSet* elegido, const TBusqueda& busqueda) {
    // A failed locate leaves the current record as it was.
    Tabla()->Locate(busqueda.Clave, elegido->FieldByName(QStringLiteral("CODIGO"))->Value(), 0);
}

void TFormRegistro::btImprimirClick(TObject*) {
    // A second click while the card runs does nothing.
    const TNotifyEvent guardado = btImprimir->OnClick();
    btImprimir->OnClick() = nullptr;
    QRPrinter->OnPreview = TNotifyEvent(this, &TFormRegistro::MuestraPreview);
    auto restaura = [&] {
        QRPrinter->OnPreview = nullptr;
        btImprimir->OnClick() = guardado;
    };
    try {
        ImprimeFicha();
    } catch (...) {
        restaura();
        throw;
    }
    restaura();
}

void TFormRegistro::MuestraPreview(TObject*) {}

void TFormRegistro::FormClose(TObject*, TCloseAction& action) {
    action = caFree;
    // A pending change is dropped, never saved, when the form goes; and it goes even when the
    // data can no longer be read, after saying so, or the user could never leave it.
    try {
        TDataSet* t = Tabla();
        if (t && (t->State() == dsEdit || t->State() == dsInsert)) t->Cancel();
        AlCerrar();
    } catch (const Exception&) {
        Application->HandleException(this);
    }
}

void TFormRegistro::BtSalirClick(TObject*) { Close(); }

void TFormRegistro::btAyudaClick(TObject*) { Application->HelpContext(HelpContext()); }

void TFormRegistro::btRefreshClick(TObject*) {
    if (TDataSet* t = ActiveSource->DataSet()) Dat->refresca(t);
}

void TFormRegistro::btFirstClick(TObject*) {
    if (TDataSet* t = ActiveSource->DataSet(); t && !t->Bof()) t->First();
}
void TFormRegistro::btPrevClick(TObject*) {
    if (TDataSet* t = ActiveSource->DataSet(); t && !t->Bof()) t->Prior();
}
void TFormRegistro::btNextClick(TObject*) {
    if (TDataSet* t = ActiveSource->DataSet(); t && !t->Eof()) t->Next();
}
void TFormRegistro::btLastClick(TObject*) {
    if (TDataSet* t = ActiveSource->DataSet(); t && !t->Eof()) t->Last();
}
void TFormRegistro::btAddClick(TObject*) {
    if (TDataSet* t = ActiveSource->DataSet()) t->Insert();
}
void TFormRegistro::btEditClick(TObject*) {
    if (TDataSet* t = ActiveSource->DataSet()) t->Edit();
}
void TFormRegistro::btDelClick(TObject*) {
    if (TDataSet* t = ActiveSource->DataSet(); t && !t->IsEmpty() && PuedeBorrar()) t->Delete();
}

void TFormRegistro::FormKeyDown(TObject*, quint16& key, TShiftState shift) {
    TDataSet* t = ActiveSource->DataSet();
    // A view only shows a record: its No button never comes up to take Escape.
    if (!t && key == VK_ESCAPE && shift == 0) {
        key = 0;
        Close();
        return;
    }
    if (!t || t->State() != dsBrowse) return;
    // A key does what its button does, and only where the form offers that button: the case file,
    // its matter and the consultation hide their record buttons, and a key must not move them to
    // another record, start a blank one or delete theirs past its cascade.
    auto usa = [&](TSpeedItem* item, void (TFormRegistro::*accion)(TObject*)) {
        key = 0;
        if (item->Visible() && item->Enabled()) (this->*accion)(this);
    };
    const bool ctrl = shift & ssCtrl;
    if (ctrl && key == VK_RETURN) usa(btEdit, &TFormRegistro::btEditClick);
    else if (FSoloCtrlEnter) return;
    else if (ctrl && key == VK_INSERT) usa(btAdd, &TFormRegistro::btAddClick);
    else if (ctrl && key == VK_DELETE) usa(btDel, &TFormRegistro::btDelClick);
    else if (key == VK_PRIOR) usa(btPrev, &TFormRegistro::btPrevClick);
    else if (key == VK_NEXT) usa(btNext, &TFormRegistro::btNextClick);
}

void TFormRegistro::FormKeyPress(TObject*, QChar& key) {
    if (key != QChar(u'\r')) return;
    key = QChar();
    SelectNext(ActiveControl(), true, true);
}
