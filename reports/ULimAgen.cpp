#include "reports/ULimAgen.h"

#include "comun/UData.h"

namespace {

TCheckBox* Casilla(TLimAgen* form, TGroupBox* group, const char* name, const char* caption, int top) {
    auto* c = new TCheckBox(form);
    c->SetName(QString::fromLatin1(name));
    c->SetParent(group);
    c->SetBounds(12, top, 136, 20);
    c->SetCaption(QString::fromUtf8(caption));
    c->SetChecked(true);
    return c;
}

TGroupBox* Grupo(TLimAgen* form, const char* name, const char* caption, int left, int top, int width, int height) {
    auto* g = new TGroupBox(form);
    g->SetName(QString::fromLatin1(name));
    g->SetParent(form);
    g->SetBounds(left, top, width, height);
    g->SetCaption(QString::fromUtf8(caption));
    return g;
}

}  // namespace

TLimAgen::TLimAgen(TComponent* owner) : TLimites(owner) {
    SetName(QStringLiteral("LimAgen"));
    SetCaption(QStringLiteral("Informe de Agenda"));
    SetClientWidth(344);
    SetClientHeight(286);

    GroupBox1 = Grupo(this, "GroupBox1", "Introduzca Límites", 8, 6, 328, 88);
    for (TControl* c : std::initializer_list<TControl*>{Label1, EDesde, SpeedButton1, Label2, EHasta, SpeedButton2})
        c->SetParent(GroupBox1);
    Label1->SetBounds(12, 26, 90, 16);
    EDesde->SetBounds(110, 22, 92, 22);
    SpeedButton1->SetBounds(206, 22, 24, 22);
    Label2->SetBounds(12, 58, 90, 16);
    EHasta->SetBounds(110, 54, 92, 22);
    SpeedButton2->SetBounds(206, 54, 24, 22);

    GroupBox2 = Grupo(this, "GroupBox2", "Anotaciones a Imprimir", 8, 100, 160, 100);
    btExped = Casilla(this, GroupBox2, "btExped", "Expedientes", 22);
    btDesp = Casilla(this, GroupBox2, "btDesp", "Consultas", 46);
    btPart = Casilla(this, GroupBox2, "btPart", "Particulares", 70);
    GroupBox3 = Grupo(this, "GroupBox3", "Avisos a Imprimir", 176, 100, 160, 100);
    btAviExp = Casilla(this, GroupBox3, "btAviExp", "Expedientes", 22);
    btAviDes = Casilla(this, GroupBox3, "btAviDes", "Consultas", 46);
    btAviPar = Casilla(this, GroupBox3, "btAviPar", "Particulares", 70);

    Label3 = new TLabel(this);
    Label3->SetName(QStringLiteral("Label3"));
    Label3->SetParent(this);
    Label3->SetBounds(10, 216, 120, 16);
    Label3->SetCaption(QStringLiteral("Tipo de Anotación :"));
    cbTipoAgenda = new TComboBox(this);
    cbTipoAgenda->SetName(QStringLiteral("cbTipoAgenda"));
    cbTipoAgenda->SetParent(this);
    cbTipoAgenda->SetBounds(134, 212, 202, 22);
    cbTipoAgenda->SetStyle(csDropDownList);
    Label3->SetFocusControl(cbTipoAgenda);
    btOk->SetBounds(80, 250, 88, 28);
    btNo->SetBounds(176, 250, 88, 28);

    OnCreate = TNotifyEvent(this, &TLimAgen::FormCreate);
    cbTipoAgenda->OnChange = TNotifyEvent(this, &TLimAgen::cbTipoAgendaChange);
    DoCreate();
}

void TLimAgen::FormCreate(TObject*) {
    TTable* tipos = Dat->TTipoAgenda;
    if (!tipos->Active()) tipos->Open();
    cbTipoAgenda->Items()->Add(QStringLiteral("TODOS"));
    const TBookmark actual = tipos->GetBookmark();
    FMarcas.assign(1, actual);
    TField* tipo = tipos->FieldByName(QStringLiteral("TIPO"));
    for (tipos->First(); !tipos->Eof(); tipos->Next()) {
        cbTipoAgenda->Items()->Add(tipo->AsString());
        FMarcas.push_back(tipos->GetBookmark());
    }
    if (tipos->BookmarkValid(actual)) tipos->GotoBookmark(actual);
    cbTipoAgenda->SetItemIndex(0);
}

void TLimAgen::cbTipoAgendaChange(TObject*) {
    const int i = cbTipoAgenda->ItemIndex();
    if (cbTipoAgenda->Text() != QStringLiteral("TODOS") && i > 0 && i < int(FMarcas.size()))
        Dat->TTipoAgenda->GotoBookmark(FMarcas[size_t(i)]);
}
