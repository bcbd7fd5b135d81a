// The base's form-building pieces: the OK/No pair leaves closing to its form, a field text and a
// field's box show their field, bar items take their caption from their hint and sit on the bar's
// margin, and the glyphs draw on the transparent colour.
#include "DatFixture.h"

#include "comun/Controles.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/rtl/Exceptions.h"

using namespace shelltest;
using platform::forms::TFormHarness;

namespace {

class ControlesTest : public DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        form = new TForm(nullptr);
        form->SetClientWidth(400);
        form->SetClientHeight(200);
    }
    void TearDown() override {
        delete form;
        DatTest::TearDown();
    }
    TForm* form = nullptr;
};

TEST_F(ControlesTest, OkNoPairLeavesClosingToItsForm) {
    const comun::TOkNo par = comun::ParOkNo(form, form, "btOk", "btNo", 100, 150, 88, 27, 96);
    EXPECT_EQ(par.Ok->Caption(), QStringLiteral("OK"));
    EXPECT_EQ(par.No->Caption(), QStringLiteral("&No"));
    EXPECT_EQ(form->FindComponent(QStringLiteral("btNo")), par.No);
    EXPECT_EQ(QRect(par.No->Left(), par.No->Top(), par.No->Width(), par.No->Height()), QRect(196, 150, 88, 27));
    int pulsados = 0;
    for (TBitBtn* b : {par.Ok, par.No}) b->OnClick = TNotifyEvent([&](TObject*) { ++pulsados; });
    TModalResult tras = mrOk;
    harness->AnswerModal([&](TCustomForm& f) {
        TFormHarness::Click(par.No);
        TFormHarness::Click(par.Ok);
        tras = f.ModalResult();
        f.SetModalResult(mrCancel);
    });
    EXPECT_EQ(form->ShowModal(), mrCancel);
    EXPECT_EQ(pulsados, 2);
    EXPECT_EQ(tras, mrNone);
}

TEST_F(ControlesTest, FieldTextShowsItsFieldAndFieldsAreFoundByName) {
    AddClient(QStringLiteral("GARCÍA LÓPEZ"), QStringLiteral("Ana"));
    EXPECT_EQ(comun::F(Dat->TClientes, "APELLIDOS")->AsString(), QStringLiteral("GARCÍA LÓPEZ"));
    EXPECT_EQ(comun::F(Dat->TClientes, QStringLiteral("NOMBRE"))->AsString(), QStringLiteral("Ana"));
    EXPECT_THROW(comun::F(Dat->TClientes, "NO_EXISTE"), Exception);
    TDBText* t = comun::TextoDeCampo(form, form, QString(), Dat->DSClientes, QStringLiteral("APELLIDOS"), 10, 20, 300);
    EXPECT_TRUE(t->Name().isEmpty());
    EXPECT_EQ(t->Caption(), QStringLiteral("GARCÍA LÓPEZ"));
    EXPECT_FALSE(t->AutoSize());
    EXPECT_EQ(QRect(t->Left(), t->Top(), t->Width(), t->Height()), QRect(10, 20, 300, 17));
    auto* l = comun::Hijo<TLabel>(form, form, "Etiqueta", 5, 6, 70, 16);
    EXPECT_EQ(l->Parent(), form);
    EXPECT_EQ(form->FindComponent(QStringLiteral("Etiqueta")), l);
}

// Every form's boxes come from these three: a box that shows another column, sits off its place,
// or leaves its caption leading nowhere (no Alt+letter, no click) is a fault on every form.
TEST_F(ControlesTest, BoxesShowTheirColumnAndTheirCaptionLeadsToThem) {
    AddClient(QStringLiteral("GARCÍA"), QStringLiteral("Ana"));
    auto* pagina = comun::Hijo<TPanel>(form, form, "pagina", 0, 0, 400, 200);
    TLabel* l = comun::Etiqueta(form, pagina, QStringLiteral("&Nombre :"), 5, 13, 90, 16);
    EXPECT_EQ(l->Parent(), pagina);
    EXPECT_EQ(l->Caption(), QStringLiteral("&Nombre :"));
    EXPECT_FALSE(l->AutoSize());
    EXPECT_EQ(l->Alignment(), taRightJustify);
    EXPECT_EQ(QRect(l->Left(), l->Top(), l->Width(), l->Height()), QRect(5, 13, 90, 16));

    TDBEdit* e = comun::Campo(form, l, Dat->DSClientes, QStringLiteral("NOMBRE"), 100, 10, 120);
    EXPECT_EQ(form->FindComponent(QStringLiteral("DBNOMBRE")), e);
    EXPECT_EQ(e->Parent(), pagina);
    EXPECT_EQ(l->FocusControl(), e);
    EXPECT_TRUE(e->TabStop());
    EXPECT_EQ(e->Text(), QStringLiteral("Ana"));
    EXPECT_EQ(QRect(e->Left(), e->Top(), e->Width(), e->Height()), QRect(100, 10, 120, 21));

    TDBEdit* sin = comun::Edita(form, pagina, nullptr, Dat->DSClientes, QStringLiteral("APELLIDOS"), 10, 40, 200);
    EXPECT_TRUE(sin->Name().isEmpty());
    EXPECT_EQ(sin->Text(), QStringLiteral("GARCÍA"));
    EXPECT_EQ(QRect(sin->Left(), sin->Top(), sin->Width(), sin->Height()), QRect(10, 40, 200, 21));
    TDBEdit* con = comun::Edita(form, form, "DBApe", Dat->DSClientes, QStringLiteral("APELLIDOS"), 10, 70, 200);
    EXPECT_EQ(form->FindComponent(QStringLiteral("DBApe")), con);
    EXPECT_EQ(con->Parent(), form);
}

TEST_F(ControlesTest, BarItemsTakeTheirCaptionFromTheHintAndSitOnTheMargin) {
    TSpeedBar* barra = comun::BarraDeBotones(form, 31);
    EXPECT_EQ(barra->Name(), QStringLiteral("SpeedBar1"));
    EXPECT_EQ(barra->SectionCount(), 1);
    EXPECT_EQ(barra->Height(), 31);
    auto glifo = comun::Glifo([](TCanvas* c) { comun::PintaOk(c); });
    TSpeedItem* i = comun::ItemDeBarra(barra, QStringLiteral("btAbrir"), QStringLiteral("Abrir|Abre la ficha"), 40, glifo.get());
    EXPECT_EQ(i->Owner(), form);
    EXPECT_EQ(i->Caption(), QStringLiteral("Abrir"));
    EXPECT_EQ(i->Hint(), QStringLiteral("Abrir|Abre la ficha"));
    EXPECT_EQ(i->Left(), 40);
    EXPECT_EQ(i->Top(), barra->BtnOffsetVert());
    EXPECT_FALSE(i->Visible());  // the form shows it when it applies
    EXPECT_EQ(i->Glyph()->Width(), 32);  // the glyph and its disabled picture
    EXPECT_EQ(i->NumGlyphs(), 2);
    TSpeedItem* t = comun::ItemDeTexto(barra, "btSalir", QStringLiteral("Salir"), QStringLiteral("Salir|Vuelve"), 100);
    EXPECT_TRUE(t->Visible());
    EXPECT_TRUE(t->ShowHint());
    EXPECT_EQ(t->BtnCaption(), QStringLiteral("Salir"));
    EXPECT_EQ(t->Hint(), QStringLiteral("Salir|Vuelve"));
}

// A disabled button keeps its glyph, greyed: the program's glyphs are drawn in colour, without
// the black pixels the disabled look is made from, and used to vanish.
TEST_F(ControlesTest, ADisabledBarItemShowsItsGlyphGreyed) {
    TSpeedBar* barra = comun::BarraDeBotones(form, 31);
    auto glifo = comun::Glifo([](TCanvas* c) {
        comun::Relleno(c, clGreen);
        c->FillRect(Rect(4, 4, 12, 12));
    });
    TSpeedItem* i = comun::ItemDeBarra(barra, QStringLiteral("btVer"), QStringLiteral("Ver|Ve la ficha"), 4, glifo.get());
    i->SetVisible(true);
    form->Show();
    auto cuenta = [&](TColor color) {
        const QImage img = TFormHarness::Grab(i->Button());
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (platform::graphics::FromQRgb(img.pixel(x, y)) == ColorToRGB(color)) ++n;
        return n;
    };
    EXPECT_GE(cuenta(clGreen), 64);
    i->SetEnabled(false);
    EXPECT_EQ(cuenta(clGreen), 0);
    EXPECT_GE(cuenta(clBtnShadow), 64);  // the square, greyed
}

TEST_F(ControlesTest, ArrowsPointTheirWayAndOnlyFirstAndLastHaveTheBar) {
    auto pixel = [](bool izquierda, bool tope, int x, int y) {
        return comun::Glifo([=](TCanvas* c) { comun::Flecha(c, izquierda, tope); })->Canvas()->Pixels(x, y);
    };
    EXPECT_EQ(pixel(true, false, 9, 7), clNavy);
    EXPECT_EQ(pixel(true, false, 12, 7), clFuchsia);
    EXPECT_EQ(pixel(false, false, 6, 7), clNavy);
    EXPECT_EQ(pixel(false, false, 12, 7), clFuchsia);
    EXPECT_EQ(pixel(false, true, 12, 7), clNavy);
    EXPECT_EQ(pixel(true, true, 4, 7), clNavy);
    EXPECT_EQ(pixel(true, true, 0, 0), clFuchsia);
}

TEST_F(ControlesTest, GlyphRowsPaintEachLetterInItsColour) {
    auto g = comun::GlifoDeFilas(clMaroon, {"#kwy.", "", " #"});
    TCanvas* c = g->Canvas();
    const std::vector<TColor> fila{c->Pixels(0, 0), c->Pixels(1, 0), c->Pixels(2, 0), c->Pixels(3, 0), c->Pixels(4, 0)};
    EXPECT_EQ(fila, (std::vector<TColor>{clMaroon, clBlack, clWhite, clYellow, clFuchsia}));
    EXPECT_EQ(c->Pixels(0, 1), clFuchsia);
    EXPECT_EQ(c->Pixels(1, 2), clMaroon);
    EXPECT_EQ(g->Width(), 16);
}

}  // namespace
