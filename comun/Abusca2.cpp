// The two-level tree search.
#include "comun/Abusca2.h"

#include "comun/Abusca.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "comun/UNuevaLinea.h"

TBuscar2* Buscar2 = nullptr;

namespace {
const QString Procuradores = QStringLiteral("Procuradores");

TQuery* Consulta(TBuscar2* form, const char* name, const QString& sql) {
    auto* q = new TQuery(form);
    q->SetName(QString::fromLatin1(name));
    q->SetDatabaseName(QStringLiteral("ZEMBRA"));
    if (!sql.isEmpty()) q->SQL()->SetText(sql);
    return q;
}

struct TLiberaNuevaLinea {
    ~TLiberaNuevaLinea() {
        delete NuevaLinea;
        NuevaLinea = nullptr;
    }
};
}  // namespace

TBuscar2::TBuscar2(TComponent* owner) : TForm(owner), FRuta(std::make_unique<TStringList>()) {
    SetName(QStringLiteral("Buscar2"));
    SetCaption(QStringLiteral("Buscar"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(340);
    SetClientHeight(400);

    Imagenes = new TImageList(this);
    Imagenes->SetName(QStringLiteral("Imagenes"));
    comun::ImagenesDeArbol(Imagenes, true);

    Barra = comun::BarraDeBusqueda(this);
    btNuevo = comun::BotonDeBusqueda(this, Barra, "btNuevo", QStringLiteral("&Nuevo"), QStringLiteral("Nuevo"), 4);
    btOk = comun::BotonDeBusqueda(this, Barra, "btOk", QStringLiteral("&Ok"), QStringLiteral("Aceptar"), 208);
    btNo = comun::BotonDeBusqueda(this, Barra, "btNo", QStringLiteral("&No"), QStringLiteral("Cancelar"), 272);

    Lista = comun::ListaDeBusqueda(this, Imagenes);

    QBusca = Consulta(this, "QBusca", QString());
    QPartidos = Consulta(this, "QPartidos", QStringLiteral("SELECT * FROM PARTIDOS ORDER BY PARTIDO"));
    QProfesiones = Consulta(this, "QProfesiones", QStringLiteral("SELECT * FROM PROFESIONES ORDER BY PROFESION"));
    TTabla = new TTable(this);
    TTabla->SetName(QStringLiteral("TTabla"));
    TTabla->SetDatabaseName(QStringLiteral("ZEMBRA"));
    if (Dat) {
        TTabla->OnPostError = TDataSetErrorEvent(Dat, &TDat::error);
        TTabla->OnEditError = TDataSetErrorEvent(Dat, &TDat::error);
    }

    Lista->OnChange = TTVChangedEvent(this, &TBuscar2::ListaChange);
    Lista->OnExpanded = TTVChangedEvent(this, &TBuscar2::ListaExpanded);
    Lista->OnCollapsed = TTVChangedEvent(this, &TBuscar2::ListaCollapsed);
    Lista->OnDblClick = TNotifyEvent(this, &TBuscar2::btOkClick);
    btOk->OnClick = TNotifyEvent(this, &TBuscar2::btOkClick);
    btNo->OnClick = TNotifyEvent(this, &TBuscar2::btNoClick);
    btNuevo->OnClick = TNotifyEvent(this, &TBuscar2::btNuevoClick);
    comun::TeclasDeBusqueda(Lista, btOk, btNo);
}

TBuscar2::~TBuscar2() {
    if (Buscar2 == this) Buscar2 = nullptr;
    Lista->OnChange = nullptr;
    Lista->OnExpanded = nullptr;
    Lista->OnCollapsed = nullptr;
    Lista->Items()->Clear();
}

void TBuscar2::Inicia(const QString& caption, bool modo, bool grupos) {
    TTreeNodes* nodos = Lista->Items();
    FCargando = true;
    nodos->Clear();
    nodos->BeginUpdate();
    try {
        FCaption = caption;
        FRuta->Clear();
        FRuta->Add(FCaption);
        AgregaRama(Lista, FRuta.get(), nullptr, false);
        FModo = modo;
        if (grupos) AgregaGrupos();
        if (QBusca->Active()) {
            for (; !QBusca->Eof(); QBusca->Next()) {
                auto ruta = RutaFila();
                // One item per row: two people of one name in one district are two items, each
                // leading to its own row.
                const QString nombre = ruta->Strings(2);
                ruta->Delete(2);
                TTreeNode* grupo = AgregaRama(Lista, ruta.get(), nullptr, false);
                TTreeNode* item = nodos->AddChild(grupo, nombre);
                item->SetOwnedData(std::make_unique<TBookmarkObject>(QBusca->GetBookmark()));
                item->SetImageIndex(4);
                item->SetSelectedIndex(4);
            }
        }
        FCargando = false;
        TTreeNode* raiz = nodos->GetFirstNode();
        Lista->SetSelected(raiz);
        Lista->FullExpand();
        ListaChange(Lista, raiz);
    } catch (...) {
        FCargando = false;
        nodos->EndUpdate();
        throw;
    }
    nodos->EndUpdate();
}

void TBuscar2::AgregaGrupos() {
    const bool procu = FCaption == Procuradores;
    TQuery* q = procu ? QPartidos : QProfesiones;
    TField* campo = nullptr;
    q->Close();
    q->Open();
    campo = q->FieldByName(procu ? QStringLiteral("PARTIDO") : QStringLiteral("PROFESION"));
    for (q->First(); !q->Eof(); q->Next()) {
        TStringList ruta;
        ruta.Add(FCaption);
        ruta.Add(campo->AsString());
        AgregaRama(Lista, &ruta, nullptr, false);
    }
}

std::unique_ptr<TStringList> TBuscar2::RutaFila() {
    auto ruta = std::make_unique<TStringList>();
    ruta->Add(FCaption);
    QString grupo;
    if (TField* concepto = QBusca->FindField(QStringLiteral("CONCEPTO"))) {
        if (FCaption == QStringLiteral("Conceptos Contables")) {
            switch (concepto->IsNull() ? 0 : concepto->AsInteger()) {
            case 1: grupo = QStringLiteral("SUPLIDOS"); break;
            case 2: grupo = QStringLiteral("DERECHOS"); break;
            case 3: grupo = QStringLiteral("PROVISIONES"); break;
            case 4: grupo = QStringLiteral("GASTOS"); break;
            default: break;
            }
        } else {
            grupo = concepto->AsString();
        }
    }
    ruta->Add(grupo);
    TField* nombre = QBusca->FindField(QStringLiteral("NOMBRE"));
    ruta->Add(nombre ? nombre->AsString() : QString());
    return ruta;
}

void TBuscar2::ListaChange(TObject*, TTreeNode* node) {
    const int nivel = node ? node->Level() : -1;
    const bool procu = FCaption == Procuradores;
    btOk->SetVisible(nivel == 2);
    btNuevo->SetVisible(FModo && (nivel == 0 || nivel == 1));
    if (nivel == 0) btNuevo->SetCaption(procu ? QStringLiteral("Partido") : QStringLiteral("Profesión"));
    else if (nivel == 1) btNuevo->SetCaption(procu ? QStringLiteral("Procura.") : QStringLiteral("Perito"));
    if (nivel == 2 && !FCargando && QBusca->Active())
        if (auto* marca = dynamic_cast<TBookmarkObject*>(node->OwnedData())) QBusca->GotoBookmark(marca->Bookmark);
}

void TBuscar2::ListaExpanded(TObject*, TTreeNode* node) {
    node->SetImageIndex(2 * node->Level() + 1);
    node->SetSelectedIndex(2 * node->Level() + 1);
}

void TBuscar2::ListaCollapsed(TObject*, TTreeNode* node) {
    node->SetImageIndex(2 * node->Level());
    node->SetSelectedIndex(2 * node->Level());
}

void TBuscar2::btOkClick(TObject*) {
    TTreeNode* node = Lista->Selected();
    if (!node) return;
    switch (node->Level()) {
    case 0: MensajeError(FCaption + QStringLiteral(" no válido")); break;
    case 1: SetModalResult(mrIgnore); break;
    default: SetModalResult(mrOk); break;
    }
}

void TBuscar2::btNoClick(TObject*) { SetModalResult(mrNo); }

void TBuscar2::btNuevoClick(TObject*) {
    TTreeNode* node = Lista->Selected();
    if (!FModo || !node) return;
    if (node->Level() == 1) {
        SetModalResult(mrIgnore);
        return;
    }
    if (node->Level() != 0) return;
    const bool procu = FCaption == Procuradores;
    TLiberaNuevaLinea libera;
    Application->CreateForm(NuevaLinea);
    NuevaLinea->Pregunta->SetCaption(procu ? QStringLiteral("Introduzca Partido Judicial")
                                           : QStringLiteral("Introduzca Profesion"));
    NuevaLinea->Respuesta->SetMaxLength(20);
    if (NuevaLinea->ShowModal() != mrOk) return;
    if (procu)
        NuevoGrupo(QPartidos, QStringLiteral("PARTIDO"), QStringLiteral("PARTIDOS"),
                   QStringLiteral("PARTIDO JUDICIAL YA existe"));
    else if (FCaption == QStringLiteral("Peritos"))
        NuevoGrupo(QProfesiones, QStringLiteral("PROFESION"), QStringLiteral("PROFESIONES"),
                   QStringLiteral("PROFESION YA existe"));
}

void TBuscar2::NuevoGrupo(TQuery* grupos, const QString& campo, const QString& fichero, const QString& duplicado) {
    const QString respuesta = comun::ValorDeTabla(NuevaLinea->Respuesta->Text(), duplicado.section(QStringLiteral(" YA "), 0, 0));
    if (respuesta.isEmpty()) return;
    grupos->Close();
    grupos->Open();
    // Only the whole text is a duplicate: "Madrid" is new beside "Madrid Centro".
    if (grupos->Locate(campo, Variant(respuesta), 0)) {
        MensajeError(duplicado);
        return;
    }
    try {
        TTabla->Close();
        TTabla->SetTableName(fichero);
        TTabla->Open();
        TTabla->Insert();
        TTabla->Fields()->Fields(0)->SetAsString(respuesta);
        TTabla->Post();
    } catch (...) {
        if (TTabla->State() == dsInsert) TTabla->Cancel();
        throw;
    }
    if (Dat) Dat->refresca(FCaption == Procuradores ? Dat->TPartidos : Dat->TProfesiones);
    Lista->Items()->BeginUpdate();
    AgregaGrupos();
    Lista->Items()->EndUpdate();
}
