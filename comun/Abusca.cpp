// The pick list.
#include "comun/Abusca.h"

#include "comun/UComunes.h"
#include "comun/UData.h"
#include "comun/UNuevaLinea.h"
#include "platform/rtl/SysUtils.h"

#include <memory>

TBuscar* Buscar = nullptr;

namespace {
// One title and one mode for the whole program, as the callers set them.
QString Titulo;
int Modo = 0;

struct TTablaBusqueda {
    const char* Titulo;
    const char* Fichero;
    int Longitud;
};
const TTablaBusqueda TablasBusqueda[] = {
    {"Partidos Judiciales", "PARTIDOS.DB", 20},  {"Procedimientos", "PROCEDIMIENTOS.DB", 30},
    {"Tipos de Despacho", "TIPODES.DB", 30},      {"Profesiones", "PROFESIONES.DB", 20},
    {"Destinos de Despacho", "TURNADOS.DB", 30},  {"Tipo de Consulta", "TIPOCONSULTA.DB", 30},
    {"Tribunales", "TRIBUNALES.DB", 30},
};

TMenuItem* Item(TPopupMenu* menu, const char* name, const QString& caption) {
    auto* i = new TMenuItem(menu);
    i->SetName(QString::fromLatin1(name));
    i->SetCaption(caption);
    menu->Items()->Add(i);
    return i;
}

// Frees the one-line input however its caller leaves.
struct TLiberaNuevaLinea {
    ~TLiberaNuevaLinea() {
        delete NuevaLinea;
        NuevaLinea = nullptr;
    }
};

void Carpeta(TCanvas* c, int x, bool abierta) {
    c->Pen()->SetColor(clOlive);
    c->Brush()->SetColor(TColor(RGB(240, 200, 80)));
    c->Rectangle(x + 1, 2, x + 7, 5);
    c->Rectangle(x + 1, 4, x + 15, 14);
    if (abierta) {
        c->Brush()->SetColor(TColor(RGB(255, 232, 140)));
        c->Polygon({Point(x + 3, 7), Point(x + 15, 7), Point(x + 13, 13), Point(x + 1, 13)});
    }
}

void Hoja(TCanvas* c, int x, bool marcada) {
    c->Pen()->SetColor(clGray);
    c->Brush()->SetColor(clWhite);
    c->Rectangle(x + 3, 1, x + 13, 15);
    c->Pen()->SetColor(marcada ? clMaroon : clNavy);
    for (int y = 4; y <= 12; y += 2) {
        c->MoveTo(x + 5, y);
        c->LineTo(x + 11, y);
    }
}
}  // namespace

QString comun::ValorDeTabla(const QString& respuesta, const QString& que) {
    qsizetype n = respuesta.size();
    while (n > 0 && respuesta.at(n - 1) == QLatin1Char(' ')) --n;
    if (n == 0) MensajeError(que + QStringLiteral(" no puede quedar vacío"));
    return respuesta.left(n);
}

bool comun::TablaDeBusqueda(const QString& titulo, QString& fichero, int& longitud) {
    for (const auto& t : TablasBusqueda)
        if (titulo == QString::fromUtf8(t.Titulo)) {
            fichero = QString::fromLatin1(t.Fichero);
            longitud = t.Longitud;
            return true;
        }
    return false;
}

TPanel* comun::BarraDeBusqueda(TForm* form) {
    auto* p = new TPanel(form);
    p->SetName(QStringLiteral("Barra"));
    p->SetParent(form);
    p->SetCaption(QString());
    p->SetAlign(alTop);
    p->SetHeight(32);
    return p;
}

TZbSpeedButton* comun::BotonDeBusqueda(TForm* form, TPanel* barra, const char* name, const QString& caption,
                                       const QString& hint, int left) {
    auto* b = new TZbSpeedButton(form);
    b->SetName(QString::fromLatin1(name));
    b->SetParent(barra);
    b->SetBounds(left, 3, 62, 26);
    b->SetFlat(true);
    b->SetCaption(caption);
    b->SetHint(hint);
    return b;
}

TTreeView* comun::ListaDeBusqueda(TForm* form, TImageList* imagenes) {
    auto* l = new TTreeView(form);
    l->SetName(QStringLiteral("Lista"));
    l->SetParent(form);
    l->SetAlign(alClient);
    l->SetReadOnly(true);
    l->SetHideSelection(false);
    l->SetImages(imagenes);
    return l;
}

void comun::TeclasDeBusqueda(TTreeView* lista, TZbSpeedButton* ok, TZbSpeedButton* no) {
    lista->OnKeyDown = [ok, no](TObject*, quint16& key, TShiftState shift) {
        TZbSpeedButton* boton = shift != 0 ? nullptr : key == VK_RETURN ? ok : key == VK_ESCAPE ? no : nullptr;
        if (!boton) return;
        key = 0;
        if (boton->Visible() && boton->Enabled()) boton->Click();
    };
}

void comun::ImagenesDeArbol(TImageList* lista, bool dosNiveles) {
    lista->SetSize(16, 16);
    const int n = dosNiveles ? 6 : 2;
    TBitmap bmp;
    bmp.SetSize(16 * n, 16);
    TCanvas* c = bmp.Canvas();
    c->Brush()->SetColor(clFuchsia);
    c->FillRect(Rect(0, 0, 16 * n, 16));
    if (dosNiveles) {
        Carpeta(c, 0, false);
        Carpeta(c, 16, true);
        Carpeta(c, 32, false);
        Carpeta(c, 48, true);
        Hoja(c, 64, false);
        Hoja(c, 80, true);
    } else {
        Carpeta(c, 0, true);
        Hoja(c, 16, false);
    }
    lista->AddMasked(&bmp, clFuchsia);
}

TBuscar::TBuscar(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("Buscar"));
    SetCaption(QStringLiteral("Buscar"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(330);
    SetClientHeight(380);

    Imagenes = new TImageList(this);
    Imagenes->SetName(QStringLiteral("Imagenes"));
    comun::ImagenesDeArbol(Imagenes, false);

    Barra = comun::BarraDeBusqueda(this);
    btNuevo = comun::BotonDeBusqueda(this, Barra, "btNuevo", QStringLiteral("&Nuevo"), QStringLiteral("Nuevo"), 4);
    btBorrar = comun::BotonDeBusqueda(this, Barra, "btBorrar", QStringLiteral("Borrar"), QStringLiteral("Borrar"), 68);
    btOk = comun::BotonDeBusqueda(this, Barra, "btOk", QStringLiteral("&Ok"), QStringLiteral("Aceptar"), 198);
    btNo = comun::BotonDeBusqueda(this, Barra, "btNo", QStringLiteral("&No"), QStringLiteral("Cancelar"), 262);

    Lista = comun::ListaDeBusqueda(this, Imagenes);

    QBusca = new TQuery(this);
    QBusca->SetName(QStringLiteral("QBusca"));
    QBusca->SetDatabaseName(QStringLiteral("ZEMBRA"));
    TTabla = new TTable(this);
    TTabla->SetName(QStringLiteral("TTabla"));
    TTabla->SetDatabaseName(QStringLiteral("ZEMBRA"));
    if (Dat) {
        // Engine errors of the writes reach the user as the data module's Spanish messages.
        TTabla->OnPostError = TDataSetErrorEvent(Dat, &TDat::error);
        TTabla->OnDeleteError = TDataSetErrorEvent(Dat, &TDat::error);
        TTabla->OnEditError = TDataSetErrorEvent(Dat, &TDat::error);
    }

    PopupBuscar = new TPopupMenu(this);
    PopupBuscar->SetName(QStringLiteral("PopupBuscar"));
    Nuevo1 = Item(PopupBuscar, "Nuevo1", QStringLiteral("&Nuevo"));
    Eliminar1 = Item(PopupBuscar, "Eliminar1", QStringLiteral("&Eliminar"));
    N1 = Item(PopupBuscar, "N1", QStringLiteral("-"));
    Modificar1 = Item(PopupBuscar, "Modificar1", QStringLiteral("&Modificar"));

    Lista->OnChange = TTVChangedEvent(this, &TBuscar::ListaChange);
    Lista->OnDblClick = TNotifyEvent(this, &TBuscar::ListaDblClick);
    PopupBuscar->OnPopup = TNotifyEvent(this, &TBuscar::PopupBuscarPopup);
    Nuevo1->OnClick = TNotifyEvent(this, &TBuscar::btNuevoClick);
    Eliminar1->OnClick = TNotifyEvent(this, &TBuscar::btBorrarClick);
    Modificar1->OnClick = TNotifyEvent(this, &TBuscar::CambiarNombre);
    btOk->OnClick = TNotifyEvent(this, &TBuscar::btOkClick);
    btNo->OnClick = TNotifyEvent(this, &TBuscar::btNoClick);
    btNuevo->OnClick = TNotifyEvent(this, &TBuscar::btNuevoClick);
    btBorrar->OnClick = TNotifyEvent(this, &TBuscar::btBorrarClick);
    comun::TeclasDeBusqueda(Lista, btOk, btNo);
}

TBuscar::~TBuscar() {
    if (Buscar == this) Buscar = nullptr;
    // The nodes go before the query whose rows they stand for.
    Lista->OnChange = nullptr;
    Lista->Items()->Clear();
}

void TBuscar::Inicia(const QString& titulo, bool popup, int modo) {
    Titulo = titulo;
    Modo = modo;
    AseguraTabla();
    CargaLista();
    Lista->SetPopupMenu(popup ? PopupBuscar : nullptr);
    btNuevo->SetVisible(Modo > 0);
}

void TBuscar::CargaLista() {
    TTreeNodes* nodos = Lista->Items();
    nodos->BeginUpdate();
    try {
        FCargando = true;
        nodos->Clear();
        TTreeNode* raiz = nodos->Add(nullptr, Titulo);
        raiz->SetImageIndex(0);
        raiz->SetSelectedIndex(0);
        QBusca->Close();
        QBusca->Open();
        QBusca->First();
        TField* nombre = QBusca->FieldByName(QStringLiteral("NOMBRE"));
        while (!QBusca->Eof()) {
            // A row without a name still gets its node (an empty text), so every row can be chosen.
            TTreeNode* fila = nodos->AddChild(raiz, nombre->AsString());
            fila->SetOwnedData(std::make_unique<TBookmarkObject>(QBusca->GetBookmark()));
            fila->SetImageIndex(1);
            fila->SetSelectedIndex(1);
            QBusca->Next();
        }
        FCargando = false;
        Lista->FullExpand();
        TTreeNode* primero = nodos->Count() > 1 ? nodos->Item(1) : raiz;
        Lista->SetSelected(primero);
        ListaChange(Lista, primero);
    } catch (...) {
        FCargando = false;
        nodos->EndUpdate();
        throw;
    }
    nodos->EndUpdate();
}

void TBuscar::ListaChange(TObject*, TTreeNode* node) {
    const bool fila = EsFila(node);
    btNuevo->SetVisible(Modo > 0 && fila);
    btBorrar->SetVisible(Modo == 1 && fila);
    btOk->SetEnabled(fila);
    if (FCargando || !QBusca->Active()) return;
    if (fila) {
        if (auto* marca = dynamic_cast<TBookmarkObject*>(node->OwnedData())) QBusca->GotoBookmark(marca->Bookmark);
    } else if (node) {
        QBusca->First();
    }
}

void TBuscar::ListaDblClick(TObject*) {
    if (EsFila(Lista->Selected())) SetModalResult(mrOk);
}

void TBuscar::PopupBuscarPopup(TObject*) {
    // The items do what their buttons do, and only where the buttons would be offered.
    const bool fila = EsFila(Lista->Selected());
    QString fichero;
    int longitud = 0;
    Nuevo1->SetEnabled(btNuevo->Visible());
    Eliminar1->SetEnabled(Modo == 1 && fila);
    Modificar1->SetEnabled(fila && comun::TablaDeBusqueda(Titulo, fichero, longitud));
}

void TBuscar::btOkClick(TObject*) {
    if (EsFila(Lista->Selected())) SetModalResult(mrOk);
}

void TBuscar::btNoClick(TObject*) { SetModalResult(mrNo); }

bool TBuscar::AbreTabla() {
    QString fichero;
    int longitud = 0;
    if (!comun::TablaDeBusqueda(Titulo, fichero, longitud)) return false;
    TTabla->Close();
    TTabla->SetTableName(fichero);
    TTabla->Open();
    return true;
}

void TBuscar::AseguraTabla() {
    QString fichero;
    int longitud = 0;
    if (!Dat || !comun::TablaDeBusqueda(Titulo, fichero, longitud)) return;
    const QString nombre = fichero.left(fichero.size() - 3);  // without ".DB"
    auto conn = Dat->Db->Connection();
    if (conn->TableExists(nombre)) return;
    for (const auto& tabla : comun::TablasDelDespacho())
        if (tabla.Name.compare(nombre, Qt::CaseInsensitive) == 0) conn->CreateTable(tabla);
}

void TBuscar::RefrescaDat() {
    if (!Dat) return;
    const QString fichero = TTabla->TableName();
    for (int i = 0; i < Dat->ComponentCount(); ++i)
        if (auto* t = dynamic_cast<TTable*>(Dat->Components(i)))
            if (t->Active() && (t->TableName().compare(fichero, Qt::CaseInsensitive) == 0 ||
                                (t->TableName() + QStringLiteral(".DB")).compare(fichero, Qt::CaseInsensitive) == 0))
                Dat->refresca(t);
}

void TBuscar::btNuevoClick(TObject*) {
    if (Modo == 2) {
        SetModalResult(mrIgnore);
        return;
    }
    QString fichero;
    int longitud = 0;
    if (Modo != 1 || !comun::TablaDeBusqueda(Titulo, fichero, longitud)) return;
    TLiberaNuevaLinea libera;
    Application->CreateForm(NuevaLinea);
    NuevaLinea->Pregunta->SetCaption(QStringLiteral("Introduzca ") + Titulo);
    NuevaLinea->Respuesta->SetMaxLength(longitud);
    if (NuevaLinea->ShowModal() != mrOk) return;
    const QString respuesta = comun::ValorDeTabla(NuevaLinea->Respuesta->Text(), Titulo.toUpper());
    if (respuesta.isEmpty()) return;
    // Only a value equal to the whole answer is a duplicate ("Madrid" may join "Madrid Centro").
    if (QBusca->Active() && QBusca->Locate(QStringLiteral("NOMBRE"), Variant(respuesta), 0)) {
        MensajeError(Titulo.toUpper() + QStringLiteral(" ya existe"));
        return;
    }
    try {
        AbreTabla();
        TTabla->Insert();
        TTabla->Fields()->Fields(0)->SetAsString(respuesta);
        TTabla->Post();
    } catch (...) {
        if (TTabla->State() == dsInsert) TTabla->Cancel();
        CargaLista();
        throw;
    }
    RefrescaDat();
    CargaLista();
}

void TBuscar::CambiarNombre(TObject*) {
    TTreeNode* node = Lista->Selected();
    QString fichero;
    int longitud = 0;
    // Lists of people and other queries have no table here: renaming them writes nothing.
    if (!EsFila(node) || !comun::TablaDeBusqueda(Titulo, fichero, longitud)) return;
    const QString anterior = node->Text();
    TLiberaNuevaLinea libera;
    Application->CreateForm(NuevaLinea);
    NuevaLinea->Pregunta->SetCaption(QStringLiteral("Introduzca ") + Titulo);
    NuevaLinea->Respuesta->SetMaxLength(longitud);
    NuevaLinea->Respuesta->SetText(anterior);
    if (NuevaLinea->ShowModal() != mrOk) return;
    const QString respuesta = comun::ValorDeTabla(NuevaLinea->Respuesta->Text(), Titulo.toUpper());
    if (respuesta.isEmpty()) return;
    try {
        AbreTabla();
        if (TTabla->FindKey({Variant(anterior)})) {
            TTabla->Edit();
            TTabla->Fields()->Fields(0)->SetAsString(respuesta);
            TTabla->Post();
        }
    } catch (...) {
        if (TTabla->State() == dsEdit) TTabla->Cancel();
        CargaLista();
        throw;
    }
    RefrescaDat();
    CargaLista();
}

void TBuscar::btBorrarClick(TObject*) {
    TTreeNode* node = Lista->Selected();
    if (Modo != 1 || !EsFila(node)) return;
    const QString texto = node->Text();
    if (!MensajeConfirmacion(QStringLiteral("¿Borrar ") + texto + QStringLiteral("?"))) return;
    try {
        if (AbreTabla() && TTabla->FindKey({Variant(texto)})) TTabla->Delete();
    } catch (...) {
        CargaLista();
        throw;
    }
    RefrescaDat();
    CargaLista();
}
