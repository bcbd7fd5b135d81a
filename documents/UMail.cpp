#include "documents/UMail.h"

#include "comun/Controles.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "documents/UFusion.h"
#include "documents/UMail2.h"

#include <QFileInfo>
#include <algorithm>

namespace {

TLabel* Etiqueta(TComponent* owner, TWinControl* padre, const char* name, const QString& texto, int left, int top) {
    auto* l = comun::Hijo<TLabel>(owner, padre, name, left, top, 0, 16);
    l->SetAutoSize(true);
    l->SetCaption(texto);
    return l;
}

QString Campo(TDataSet* fila, const char* nombre) {
    TField* f = fila->FindField(QString::fromLatin1(nombre));
    return f ? f->AsString() : QString();
}

const char* const kOrdinales[] = {"Primer", "Segundo", "Tercer", "Cuarto"};
const char* const kDestinos[] = {"Cliente",  "Procurador Cliente", "Perito",          "Contrario",
                                 "Abogado Contrario", "Procurador Contrario", "Otro Procurador", "Otro Abogado"};

}  // namespace

namespace documents {

QString NombreApellidos(TDataSet* fila) {
    try {
        return Campo(fila, "NOMBRE") + QLatin1Char(' ') + Campo(fila, "APELLIDOS");
    } catch (Exception&) {
        return {};
    }
}

QString ApellidosNombre(TDataSet* fila) {
    try {
        return Campo(fila, "APELLIDOS") + QStringLiteral(", ") + Campo(fila, "NOMBRE");
    } catch (Exception&) {
        return {};
    }
}

void InstalaDialogosFusion() {
    DialogoExpediente = [] {
        std::unique_ptr<TFMail> f(new TFMail(nullptr));
        return int(f->ShowModal());
    };
    DialogoDespacho = [] {
        std::unique_ptr<TFMail2> f(new TFMail2(nullptr));
        return int(f->ShowModal());
    };
}

TDialogoFusion::TDialogoFusion(TComponent* owner, const QString& caption, const QString& unir, bool unido)
    : TForm(owner), EtiquetasTexto(std::make_unique<TStringList>()) {
    SetCaption(caption);
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(520);
    SetClientHeight(372);

    Panel1 = comun::Hijo<TPanel>(this, this, "Panel1", 8, 8, 504, 274);
    Panel1->SetCaption(QStringLiteral("No hay campos para fusión"));
    Paginas = comun::Hijo<TPageControl>(this, this, "Paginas", 8, 8, 504, 274);

    LLogo = Etiqueta(this, this, "LLogo", QStringLiteral("Logotipo :"), 12, 294);
    cbLogo = comun::Hijo<TCheckBox>(this, this, "cbLogo", 80, 292, 60, 20);
    cbLogo->SetCaption(QStringLiteral("No"));
    LUnir = Etiqueta(this, this, "LUnir", unir, 160, 294);
    cbUnir = comun::Hijo<TCheckBox>(this, this, "cbUnir", 290, 292, 60, 20);
    cbUnir->SetChecked(unido);
    cbUnir->SetCaption(unido ? QStringLiteral("Si") : QStringLiteral("No"));

    LProgreso = Etiqueta(this, this, "LProgreso", QStringLiteral("Realizando Fusión :"), 12, 346);
    LProgreso->SetVisible(false);
    Progreso = comun::Hijo<TProgressBar>(this, this, "Progreso", 140, 344, 180, 18);
    Progreso->SetMin(0);
    Progreso->SetMax(100);
    Progreso->SetVisible(false);

    btOk = comun::Hijo<TBitBtn>(this, this, "btOk", 332, 330, 86, 30);
    btOk->SetKind(bkOK);
    btOk->SetCaption(QStringLiteral("OK"));
    // The result is OK once the merge has started, whatever happens in it; it is set as the handler
    // ends, so the progress steps (which let window messages run) cannot close the dialog halfway.
    btOk->SetModalResult(mrNone);
    btNo = comun::Hijo<TBitBtn>(this, this, "btNo", 424, 330, 86, 30);
    btNo->SetKind(bkCancel);
    btNo->SetCaption(QStringLiteral("&Cancelar"));

    TAbo = Consulta("TAbo", QStringLiteral("SELECT * FROM ABOGADOS ORDER BY APELLIDOS, NOMBRE"));

    cbLogo->OnClick = TNotifyEvent(this, &TDialogoFusion::cbClick);
    cbUnir->OnClick = TNotifyEvent(this, &TDialogoFusion::cbClick);
    btOk->OnClick = TNotifyEvent(this, &TDialogoFusion::btOkClick);
    OnClose = TCloseEvent(this, &TDialogoFusion::FormClose);
    FormCreate(this);
}

TDialogoFusion::~TDialogoFusion() {
    if (OrigenFusion.TAbo == TAbo) OrigenFusion = {};
}

TTabSheet* TDialogoFusion::Pagina(const char* nombre, const QString& caption) {
    auto* p = new TTabSheet(this);
    p->SetName(QString::fromLatin1(nombre));
    p->SetPageControl(Paginas);
    p->SetCaption(caption);
    return p;
}

TListBox* TDialogoFusion::Lista(TWinControl* padre, const char* nombre, int left, int top, int width, int height) {
    return comun::Hijo<TListBox>(this, padre, nombre, left, top, width, height);
}

TQuery* TDialogoFusion::Consulta(const char* nombre, const QString& sql) {
    auto* q = new TQuery(this);
    q->SetName(QString::fromLatin1(nombre));
    q->SetDatabaseName(QStringLiteral("ZEMBRA"));
    q->SQL()->SetText(sql);
    return q;
}

void TDialogoFusion::CreaPaginasComunes() {
    pgDestinos = Pagina("pgDestinos", QStringLiteral("&Destinos"));
    LDestinos = Etiqueta(this, pgDestinos, "LDestinos", QStringLiteral("Destinos Posibles :"), 8, 8);
    LDes = Lista(pgDestinos, "LDes", 8, 28, 170, 206);
    LDesAbo = Lista(pgDestinos, "LDesAbo", 188, 28, 300, 206);
    pgOtros = Pagina("pgOtros", QStringLiteral("&Otros"));
    for (int k = 0; k < 10; ++k) {
        const int left = k < 5 ? 8 : 252, top = 6 + (k % 5) * 46;
        const QByteArray n = QByteArray::number(k + 1);
        LOtros[size_t(k)] = Etiqueta(this, pgOtros, ("LOtros" + n).constData(), QString(), left, top);
        LOtros[size_t(k)]->SetVisible(false);
        EOtros[size_t(k)] = comun::Hijo<TEdit>(this, pgOtros, ("EOtros" + n).constData(), left, top + 18, 232, 22);
        EOtros[size_t(k)]->SetVisible(false);
    }
    pgAvisos = Pagina("pgAvisos", QStringLiteral("Avisos"));
    LDes->OnClick = TNotifyEvent(this, &TDialogoFusion::LDesClick);
}

void TDialogoFusion::FormCreate(TObject*) {
    EtiquetasTexto->Clear();
    const QString logo = Dat->TSistem->FieldByName(QStringLiteral("LOGO"))->AsString();
    cbLogo->SetEnabled(!logo.trimmed().isEmpty() && QFileInfo(logo).isFile());
}

void TDialogoFusion::FormClose(TObject*, TCloseAction&) {
    for (TListBox* l : ListasConMarcas()) l->Items()->Clear();
    if (CamposEncontrados) CamposEncontrados->Clear();
    if (ValoresCampos) ValoresCampos->Clear();
    OrigenFusion = {};
}

void TDialogoFusion::cbClick(TObject* sender) {
    auto* cb = static_cast<TCheckBox*>(sender);
    cb->SetCaption(cb->Checked() ? QStringLiteral("Si") : QStringLiteral("No"));
}

void TDialogoFusion::Llena(TListBox* lista, TDataSet* datos, QString (*nombre)(TDataSet*)) {
    if (!datos->Active()) datos->Open();
    for (datos->First(); !datos->Eof(); datos->Next()) {
        FMarcas.push_back(std::make_unique<TBookmarkObject>(datos->GetBookmark()));
        lista->Items()->AddObject(nombre(datos), FMarcas.back().get());
    }
}

void TDialogoFusion::Mueve(TListBox* de, TListBox* a, int indice) {
    if (indice < 0 || indice >= de->Items()->Count()) return;
    a->Items()->AddObject(de->Items()->Strings(indice), de->Items()->Objects(indice));
    de->Items()->Delete(indice);
}

void TDialogoFusion::PreparaTextos() {
    for (int i = 0; i < CamposEncontrados->Count(); ++i) {
        const QString campo = CamposEncontrados->Strings(i);
        if (!campo.contains(QLatin1String("Texto"))) continue;
        const qsizetype punto = campo.indexOf(QLatin1Char('.'));
        const QString etiqueta = campo.mid(punto + 1, campo.size() - punto - 3);
        bool esta = false;
        for (int k = 0; k < EtiquetasTexto->Count() && !esta; ++k)
            esta = EtiquetasTexto->Strings(k).compare(etiqueta, Qt::CaseInsensitive) == 0;
        if (!esta) EtiquetasTexto->Add(etiqueta);
    }
    for (int k = 0; k < 10; ++k) {
        const bool visible = k < EtiquetasTexto->Count();
        if (visible) LOtros[size_t(k)]->SetCaption(EtiquetasTexto->Strings(k));
        LOtros[size_t(k)]->SetVisible(visible);
        EOtros[size_t(k)]->SetVisible(visible);
    }
}

void TDialogoFusion::MuestraPaginas(std::initializer_list<TTabSheet*> cuentan) {
    bool alguna = false;
    for (TTabSheet* p : cuentan) alguna = alguna || p->TabVisible();
    Paginas->SetVisible(alguna);
    if (!alguna) return;
    for (int i = 0; i < Paginas->PageCount(); ++i)
        if (Paginas->Pages(i)->TabVisible()) {
            Paginas->SetActivePage(Paginas->Pages(i));
            break;
        }
}

void TDialogoFusion::Progresa(int valor) {
    Progreso->SetPosition(valor);
    Application->ProcessMessages();
}

void TDialogoFusion::btOkClick(TObject*) {
    // However the merge ends, the dialog closes with OK and the status line stops saying it goes on.
    struct TerminaConOk {
        TDialogoFusion* f;
        ~TerminaConOk() {
            MensajeEstado(QString());
            f->SetModalResult(mrOk);
        }
    } terminaConOk{this};
    btOk->SetEnabled(false);
    btNo->SetEnabled(false);
    MensajeEstado(QStringLiteral("Realizando Fusión .."));
    LProgreso->SetVisible(true);
    Progreso->SetVisible(true);
    const int elegido = LDes->ItemIndex();
    OrigenFusion.Destinatario =
        pgDestinos->TabVisible() && elegido >= 0 ? LDes->Items()->Strings(elegido) : QString();

    Proveedores();
    if (pgDestinos->TabVisible()) Destino();
    Progresa(55);
    for (int k = 0; k < EtiquetasTexto->Count() && k < 10; ++k)
        AsignaCampo(QStringLiteral("[[Texto.") + LOtros[size_t(k)]->Caption() + QStringLiteral("]]"), EOtros[size_t(k)]->Text());
    Progresa(60);
    // One pass over the document: a "[[...]]" typed inside a value stays as typed.
    ReemplazaCampos(EditorOle, TipoEditor, CamposEncontrados, ValoresCampos);
    Progresa(90);
    Progresa(95);
    if (ConDetalleFactura) DetalleFactura();
    Progresa(100);
    if (cbLogo->Checked()) InsertaLogo();
    GrabaEscrito(cbUnir->Checked());
}

}  // namespace documents

int EsperadosDe(const QString& sufijo) {
    QString flags = QStringLiteral("0000");
    for (int i = 0; CamposEncontrados && i < CamposEncontrados->Count(); ++i)
        for (int k = 0; k < 4; ++k)
            if (CamposEncontrados->Strings(i).contains(QLatin1String(kOrdinales[k]) + sufijo)) flags[k] = QLatin1Char('1');
    const qsizetype cero = flags.indexOf(QLatin1Char('0'));
    return cero < 0 ? 4 : int(cero);
}

TFMail::TFMail(TComponent* owner)
    : TDialogoFusion(owner, QStringLiteral("Completar Datos .."), QStringLiteral("Unir al Expediente :"), true) {
    SetName(QStringLiteral("FMail"));
    using T = TFMail;
    auto boton = [&](TWinControl* padre, const char* nombre, const char* texto, int top, void (T::*click)(TObject*)) {
        auto* b = comun::Hijo<TZbSpeedButton>(this, padre, nombre, 222, top, 36, 26);
        b->SetCaption(QString::fromLatin1(texto));
        b->OnClick = TNotifyEvent(this, click);
        return b;
    };
    pgClientes = Pagina("pgClientes", QStringLiteral("&Clientes"));
    LClientes = Etiqueta(this, pgClientes, "LClientes", QStringLiteral("Clientes del Expediente "), 8, 8);
    LCli = Lista(pgClientes, "LCli", 8, 28, 206, 180);
    LCli2 = Lista(pgClientes, "LCli2", 266, 28, 222, 180);
    btAddCli = boton(pgClientes, "btAddCli", ">", 48, &T::btAddCliClick);
    btAddAllCli = boton(pgClientes, "btAddAllCli", ">>", 80, &T::btAddAllCliClick);
    btDelCli = boton(pgClientes, "btDelCli", "<", 124, &T::btDelCliClick);
    btDelAllCli = boton(pgClientes, "btDelAllCli", "<<", 156, &T::btDelAllCliClick);
    LCNeed = Etiqueta(this, pgClientes, "LCNeed", QString(), 8, 216);

    pgContrarios = Pagina("pgContrarios", QStringLiteral("Con&trarios"));
    LContrarios = Etiqueta(this, pgContrarios, "LContrarios", QStringLiteral("Contrarios del Expediente "), 8, 8);
    LCon = Lista(pgContrarios, "LCon", 8, 28, 206, 180);
    LCon2 = Lista(pgContrarios, "LCon2", 266, 28, 222, 180);
    btAddCon = boton(pgContrarios, "btAddCon", ">", 48, &T::btAddConClick);
    btAddAllCon = boton(pgContrarios, "btAddAllCon", ">>", 80, &T::btAddAllConClick);
    btDelCon = boton(pgContrarios, "btDelCon", "<", 124, &T::btDelConClick);
    btDelAllCon = boton(pgContrarios, "btDelAllCon", "<<", 156, &T::btDelAllConClick);
    LCoNeed = Etiqueta(this, pgContrarios, "LCoNeed", QString(), 8, 216);
    for (TZbSpeedButton* b : {btDelCli, btDelAllCli, btDelCon, btDelAllCon}) b->SetEnabled(false);

    CreaPaginasComunes();
    for (const char* d : kDestinos) LDes->Items()->Add(QString::fromUtf8(d));
    LDesCli = Lista(pgDestinos, "LDesCli", 188, 28, 300, 206);
    LDesCon = Lista(pgDestinos, "LDesCon", 188, 28, 300, 206);
    LDesPro = Lista(pgDestinos, "LDesPro", 188, 28, 300, 206);
    for (TListBox* l : {LDesCli, LDesCon, LDesPro, LDesAbo}) l->SetVisible(false);

    TExpCli = Consulta("TExpCli", QStringLiteral("SELECT A.*, B.*, C.REFCLI FROM EXPCLI A, CLIENTES B, EXPED C WHERE A.CLIENTE = B.CLIENTE AND "
                                                 "C.ANO = A.ANO AND C.NUMERO = A.NUMERO AND A.ANO = :ANO AND A.NUMERO = :NUMERO "
                                                 "ORDER BY B.APELLIDOS, B.NOMBRE"));
    TExpCon = Consulta("TExpCon", QStringLiteral("SELECT A.*, B.*, C.REFCON FROM EXPCON A, CONTRARIOS B, EXPED C WHERE A.CONTRARIO = "
                                                 "B.CONTRARIO AND C.ANO = A.ANO AND C.NUMERO = A.NUMERO AND A.ANO = :ANO AND "
                                                 "A.NUMERO = :NUMERO ORDER BY B.APELLIDOS, B.NOMBRE"));
    TPro = Consulta("TPro", QStringLiteral("SELECT * FROM PROCU ORDER BY APELLIDOS, NOMBRE"));
    for (TQuery* q : {TExpCli, TExpCon}) {
        q->ParamByName(QStringLiteral("ANO"))->SetAsString(Dat->TExped->FieldByName(QStringLiteral("ANO"))->AsString());
        q->ParamByName(QStringLiteral("NUMERO"))->SetAsString(Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->AsString());
    }
    for (TQuery* q : {TExpCli, TExpCon, TPro, TAbo}) q->Open();

    LCli->OnClick = TNotifyEvent(this, &T::LCliClick);
    LCli->OnEnter = TNotifyEvent(this, &T::LCliClick);
    LCli2->OnClick = TNotifyEvent(this, &T::LCli2Click);
    LCli2->OnEnter = TNotifyEvent(this, &T::LCli2Click);
    LCon->OnClick = TNotifyEvent(this, &T::LConClick);
    LCon->OnEnter = TNotifyEvent(this, &T::LConClick);
    LCon2->OnClick = TNotifyEvent(this, &T::LCon2Click);
    LCon2->OnEnter = TNotifyEvent(this, &T::LCon2Click);
    for (TListBox* l : {LCli, LCli2, LCon, LCon2}) l->OnKeyDown = TKeyEvent(this, &T::ListaKeyDown);
    Paginas->OnChange = TNotifyEvent(this, &T::PaginasChange);
    OnShow = TNotifyEvent(this, &T::FormShow);
}

std::vector<TListBox*> TFMail::ListasConMarcas() const { return {LCli, LCli2, LCon, LCon2, LDesCon, LDesCli, LDesPro, LDesAbo}; }

void TFMail::FormShow(TObject*) {
    MensajeEstado(QStringLiteral("Comprobando Campos .."));
    for (TTabSheet* p : {pgClientes, pgContrarios, pgDestinos, pgOtros, pgAvisos}) p->SetTabVisible(false);
    ConDetalleFactura = false;
    for (int i = 0; i < CamposEncontrados->Count(); ++i) {
        const QString c = CamposEncontrados->Strings(i);
        for (const char* o : kOrdinales) {
            if (c.contains(QLatin1String(o) + QLatin1String("Cliente"))) pgClientes->SetTabVisible(true);
            if (c.contains(QLatin1String(o) + QLatin1String("Contrario"))) pgContrarios->SetTabVisible(true);
        }
        if (c.contains(QLatin1String("Destino"))) pgDestinos->SetTabVisible(true);
        if (c.contains(QLatin1String("Texto"))) pgOtros->SetTabVisible(true);
        if (c.contains(QLatin1String("Avisos"))) pgAvisos->SetTabVisible(true);
        if (c == QLatin1String("[[Economicos.Detalle de Factura]]")) ConDetalleFactura = true;
    }
    auto& o = documents::OrigenFusion;
    o = {};
    o.LCli2 = LCli2;
    o.TExpCli = TExpCli;
    o.LCon2 = LCon2;
    o.TExpCon = TExpCon;
    o.LDesCli = LDesCli;
    o.LDesCon = LDesCon;
    o.LDesPro = LDesPro;
    o.TPro = TPro;
    o.LDesAbo = LDesAbo;
    o.TAbo = TAbo;
    if (pgClientes->TabVisible()) {
        ClientesEsperados = EsperadosDe(QStringLiteral("Cliente"));
        LCNeed->SetCaption(QString::asprintf("Se esperan %d Clientes", ClientesEsperados));
        Llena(LCli, TExpCli, documents::NombreApellidos);
        if (LCli->Items()->Count()) LCli->SetItemIndex(0);
        if (ClientesEsperados == 1 && LCli->Items()->Count() == 1) {
            btAddCliClick(btAddCli);
            LCli2->SetItemIndex(0);
        }
    }
    if (pgContrarios->TabVisible()) {
        ContrariosEsperados = EsperadosDe(QStringLiteral("Contrario"));
        LCoNeed->SetCaption(QString::asprintf("Se esperan %d Contrarios", ContrariosEsperados));
        Llena(LCon, TExpCon, documents::NombreApellidos);
        if (LCon->Items()->Count()) LCon->SetItemIndex(0);
        if (ContrariosEsperados == 1 && LCon->Items()->Count() == 1) {
            btAddConClick(btAddCon);
            LCon2->SetItemIndex(0);
        }
    }
    if (pgDestinos->TabVisible()) {
        Llena(LDesPro, TPro, documents::NombreApellidos);
        Llena(LDesCli, TExpCli, documents::NombreApellidos);
        Llena(LDesCon, TExpCon, documents::NombreApellidos);
        Llena(LDesAbo, TAbo, documents::ApellidosNombre);
        LDes->SetItemIndex(0);
        LDesClick(LDes);
    }
    if (pgOtros->TabVisible()) PreparaTextos();
    MuestraPaginas({pgClientes, pgContrarios, pgDestinos, pgOtros});
    MensajeEstado(QString());
}

void TFMail::btAddCliClick(TObject*) {
    if (LCli->Items()->Count() && LCli2->Items()->Count() < ClientesEsperados) Mueve(LCli, LCli2, LCli->ItemIndex());
}
void TFMail::btAddAllCliClick(TObject*) {
    while (LCli->Items()->Count()) Mueve(LCli, LCli2, 0);
}
void TFMail::btDelCliClick(TObject*) {
    if (LCli2->Items()->Count()) Mueve(LCli2, LCli, LCli2->ItemIndex());
}
void TFMail::btDelAllCliClick(TObject*) {
    while (LCli2->Items()->Count()) Mueve(LCli2, LCli, 0);
}
void TFMail::btAddConClick(TObject*) {
    if (LCon->Items()->Count() && LCon2->Items()->Count() < ContrariosEsperados) Mueve(LCon, LCon2, LCon->ItemIndex());
}
void TFMail::btAddAllConClick(TObject*) {
    while (LCon->Items()->Count()) Mueve(LCon, LCon2, 0);
}
void TFMail::btDelConClick(TObject*) {
    if (LCon2->Items()->Count()) Mueve(LCon2, LCon, LCon2->ItemIndex());
}
void TFMail::btDelAllConClick(TObject*) {
    while (LCon2->Items()->Count()) Mueve(LCon2, LCon, 0);
}

void TFMail::LCliClick(TObject*) {
    btDelCli->SetEnabled(false);
    btDelAllCli->SetEnabled(false);
    btAddCli->SetEnabled(LCli->ItemIndex() >= 0);
    btAddAllCli->SetEnabled(LCli->ItemIndex() >= 0);
}
void TFMail::LCli2Click(TObject*) {
    btDelCli->SetEnabled(LCli2->ItemIndex() >= 0);
    btDelAllCli->SetEnabled(LCli2->ItemIndex() >= 0);
    btAddCli->SetEnabled(false);
    btAddAllCli->SetEnabled(false);
}
void TFMail::LConClick(TObject*) {
    btDelCon->SetEnabled(false);
    btDelAllCon->SetEnabled(false);
    btAddCon->SetEnabled(LCon->ItemIndex() >= 0);
    btAddAllCon->SetEnabled(LCon->ItemIndex() >= 0);
}
void TFMail::LCon2Click(TObject*) {
    btDelCon->SetEnabled(LCon2->ItemIndex() >= 0);
    btDelAllCon->SetEnabled(LCon2->ItemIndex() >= 0);
    btAddCon->SetEnabled(false);
    btAddAllCon->SetEnabled(false);
}

void TFMail::ListaKeyDown(TObject* sender, quint16& key, TShiftState shift) {
    // The buttons take no focus: Right in a list of the case file's people picks the one selected
    // (">"), Left in the list of those picked gives it back ("<").
    struct TFlecha {
        TListBox* Lista;
        quint16 Tecla;
        TZbSpeedButton* Boton;
        void (TFMail::*Estado)(TObject*);
    };
    const TFlecha flechas[] = {{LCli, VK_RIGHT, btAddCli, &TFMail::LCliClick}, {LCli2, VK_LEFT, btDelCli, &TFMail::LCli2Click},
                               {LCon, VK_RIGHT, btAddCon, &TFMail::LConClick}, {LCon2, VK_LEFT, btDelCon, &TFMail::LCon2Click}};
    for (const TFlecha& f : flechas) {
        if (f.Lista != sender || f.Tecla != key || shift != 0) continue;
        key = 0;
        if (!f.Boton->Enabled()) return;
        const int indice = f.Lista->ItemIndex();
        f.Boton->OnClick(f.Boton);
        // The next one stays selected, so the key can be pressed again.
        const int quedan = f.Lista->Items()->Count();
        if (quedan > 0) f.Lista->SetItemIndex(std::min(std::max(indice, 0), quedan - 1));
        (this->*f.Estado)(f.Lista);
        return;
    }
}

void TFMail::PaginasChange(TObject*) {
    if (Paginas->ActivePage() == pgClientes && LCli->CanFocus()) LCli->SetFocus();
    else if (Paginas->ActivePage() == pgContrarios && LCon->CanFocus()) LCon->SetFocus();
}

void TFMail::LDesClick(TObject*) {
    const int i = LDes->ItemIndex();
    const QString d = i >= 0 ? LDes->Items()->Strings(i) : QString();
    LDesCli->SetVisible(d == QLatin1String("Cliente"));
    LDesCon->SetVisible(d == QLatin1String("Contrario"));
    LDesPro->SetVisible(d == QLatin1String("Otro Procurador"));
    LDesAbo->SetVisible(d == QLatin1String("Otro Abogado"));
}

void TFMail::Proveedores() {
    Progresa(10);
    RellenaPrimerCliente();
    RellenaSegundoCliente();
    Progresa(15);
    RellenaTercerCliente();
    RellenaCuartoCliente();
    Progresa(20);
    RellenaPrimerContrario();
    RellenaSegundoContrario();
    Progresa(25);
    RellenaTercerContrario();
    RellenaCuartoContrario();
    Progresa(30);
    RellenaBufete();
    RellenaExpediente();
    Progresa(35);
    RellenaProcuradorCliente();
    RellenaAbogadoCliente();
    Progresa(40);
    RellenaProcuradorContrario();
    RellenaAbogadoContrario();
    Progresa(45);
    RellenaPerito();
    RellenaEconomicosExpediente();
    Progresa(50);
    RellenaOtros();
}

void TFMail::Destino() {
    const int i = LDes->ItemIndex();
    const QString d = i >= 0 ? LDes->Items()->Strings(i) : QString();
    if (d == QLatin1String("Cliente")) RellenaDestinoCliente();
    else if (d == QLatin1String("Procurador Cliente")) RellenaDestinoProcuradorCliente();
    else if (d == QLatin1String("Perito")) RellenaDestinoPerito();
    else if (d == QLatin1String("Contrario")) RellenaDestinoContrario();
    else if (d == QLatin1String("Abogado Contrario")) RellenaDestinoAbogadoContrario();
    else if (d == QLatin1String("Procurador Contrario")) RellenaDestinoProcuradorContrario();
    else if (d == QLatin1String("Otro Procurador")) RellenaDestinoOtroProcurador();
    else if (d == QLatin1String("Otro Abogado")) RellenaDestinoOtroAbogado();
}

void TFMail::DetalleFactura() { DetalleFacturaExpediente(); }
