// Renders the two kinds of toolbar the record forms use, for review. The pictures go to a
// temporary folder; with ZEMBRA_RENDER_DOCS set to a folder they are written there (docs/).
#include "controls/visual/SpeedBar.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <functional>

using platform::forms::TFormHarness;

namespace {

// A 16 x 16 glyph on the fuchsia transparent colour, drawn pixel by pixel from rows of text:
// '#' the ink colour, 'w' white, '.' transparent.
std::unique_ptr<TBitmap> Glyph(TColor ink, std::initializer_list<const char*> rows) {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(16, 16);
    b->Canvas()->Brush()->SetColor(clFuchsia);
    b->Canvas()->FillRect(Rect(0, 0, 16, 16));
    int y = 0;
    for (const char* row : rows) {
        for (int x = 0; row[x] && x < 16; ++x) {
            if (row[x] == '#') b->Canvas()->SetPixel(x, y, ink);
            if (row[x] == 'w') b->Canvas()->SetPixel(x, y, clWhite);
            if (row[x] == 'k') b->Canvas()->SetPixel(x, y, clBlack);
            if (row[x] == 'y') b->Canvas()->SetPixel(x, y, clYellow);
        }
        ++y;
    }
    return b;
}

std::unique_ptr<TBitmap> Plus() {
    return Glyph(clGreen, {"", "", "      ####", "      ####", "      ####", "      ####", "  ############",
                           "  ############", "  ############", "  ############", "      ####", "      ####",
                           "      ####", "      ####"});
}
std::unique_ptr<TBitmap> Minus() {
    return Glyph(clMaroon, {"", "", "", "", "", " kkkkkkkkkkkkkk", " k############k", " k############k",
                            " k############k", " k############k", " kkkkkkkkkkkkkk"});
}
std::unique_ptr<TBitmap> Pencil() {
    return Glyph(clNavy, {"", "           ##", "          #yy#", "         #yyy#", "        #yyy#", "       #yyy#",
                          "      #yyy#", "     #yyy#", "    #yyy#", "   #yyy#", "  #kyy#", "  #kk#", "  ###", ""});
}
std::unique_ptr<TBitmap> Arrow(bool left, bool bar) {
    std::vector<std::string> rows(16);
    for (int y = 3; y <= 12; ++y) {
        const int half = y <= 7 ? y - 3 : 12 - y;
        std::string r(16, ' ');
        for (int i = 0; i <= half; ++i) r[size_t(left ? 8 - i : 7 + i)] = '#';
        if (bar) r[size_t(left ? 3 : 12)] = '#', r[size_t(left ? 4 : 11)] = '#';
        rows[size_t(y)] = r;
    }
    auto b = std::make_unique<TBitmap>();
    b->SetSize(16, 16);
    b->Canvas()->Brush()->SetColor(clFuchsia);
    b->Canvas()->FillRect(Rect(0, 0, 16, 16));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < int(rows[size_t(y)].size()); ++x)
            if (rows[size_t(y)][size_t(x)] == '#') b->Canvas()->SetPixel(x, y, clNavy);
    return b;
}
std::unique_ptr<TBitmap> Lens() {
    return Glyph(clBlack, {"", "   ####", "  #wwww#", " #wwwwww#", " #wwwwww#", " #wwwwww#", " #wwwwww#",
                           "  #wwww#", "   #####", "       ###", "        ###", "         ###", "          ###",
                           "           ##"});
}
// Outlined in black like the program's own glyphs: the disabled look embosses the black pixels.
std::unique_ptr<TBitmap> Printer() {
    return Glyph(clGray, {"", "    kkkkkkk", "    kwwwwwk", "    kwkkkwk", "    kwwwwwk", "  kkkkkkkkkkk",
                          " k###########k", " k###########k", " k########yy#k", " k###########k", " kkkkkkkkkkkkk",
                          "   kwwwwwwwk", "   kwwwwwwwk", "   kkkkkkkkk"});
}
std::unique_ptr<TBitmap> Help() {
    return Glyph(clBlue, {"", "     #####", "    ##   ##", "    ##   ##", "         ##", "        ##", "       ##",
                          "       ##", "       ##", "", "       ##", "       ##"});
}
std::unique_ptr<TBitmap> Door() {
    return Glyph(clMaroon, {"", "   #########", "   #wwwwwww#", "   #w#####w#", "   #w#####w#", "   #w#####w#",
                            "   #w####y#w#", "   #w#####w#", "   #w#####w#", "   #w#####w#", "   #w#####w#",
                            "   #wwwwwww#", "   #########"});
}

class TClientesForm : public TForm {
public:
    explicit TClientesForm(TComponent* owner) : TForm(owner) {
        SetCaption(QStringLiteral("Clientes [Estado :Consulta]"));
        SetBounds(0, 0, 460, 230);
    }
};

QString RenderFolder(QTemporaryDir& temp) {
    const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
    return docs.isEmpty() ? temp.path() : QString::fromLocal8Bit(docs);
}

void AddFields(TForm* form, int left, int top) {
    const char* captions[] = {"Código", "Apellidos", "Nombre", "N.I.F."};
    for (int i = 0; i < 4; ++i) {
        auto* l = new TLabel(form);
        l->SetParent(form);
        l->SetBounds(left, top + 4 + i * 30, 70, 16);
        l->SetCaption(QString::fromUtf8(captions[i]));
        auto* e = new TEdit(form);
        e->SetParent(form);
        e->SetBounds(left + 75, top + i * 30, i == 1 ? 220 : 120, 21);
    }
}

TEST(SpeedBarRender, TopBarWithFlatButtons) {
    TFormHarness harness;
    TClientesForm form(nullptr);
    auto* bar = new TSpeedBar(&form);
    bar->SetName(QStringLiteral("SpeedBar1"));
    bar->SetParent(&form);
    bar->SetBevelInner(bvLowered);
    bar->SetOptions(sbFlatBtns | sbTransparentBtns);
    bar->SetBtnOffsetHorz(4);
    bar->SetBtnOffsetVert(4);
    bar->SetHeight(2 * 4 + 23);
    bar->AddSection(QStringLiteral("Untitled (0)"));
    struct Def {
        const char* name;
        const char* hint;
        std::function<std::unique_ptr<TBitmap>()> glyph;
        int gap;
    };
    const Def defs[] = {
        {"btAdd", "Añadir", Plus, 0},
        {"btDel", "Borrar", Minus, 0},
        {"btEdit", "Modificar", Pencil, 0},
        {"btFirst", "Primero", [] { return Arrow(true, true); }, 8},
        {"btPrev", "Anterior", [] { return Arrow(true, false); }, 0},
        {"btNext", "Siguiente", [] { return Arrow(false, false); }, 0},
        {"btLast", "Último", [] { return Arrow(false, true); }, 0},
        {"btBuscar", "Buscar", Lens, 8},
        {"btImprimir", "Imprimir", Printer, 0},
        {"btAyuda", "Ayuda", Help, 8},
        {"btSalir", "Salir", Door, 0},
    };
    int left = bar->BtnOffsetHorz();
    std::vector<TSpeedItem*> items;
    for (const Def& d : defs) {
        auto* item = new TSpeedItem(&form);
        item->SetName(QString::fromLatin1(d.name));
        item->SetCaption(QString::fromUtf8(d.hint));
        auto glyph = d.glyph();
        item->SetGlyph(glyph.get());
        bar->AddItem(0, item);
        left += d.gap;
        item->SetLeft(left);
        item->SetVisible(true);
        left += bar->BtnWidth();
        items.push_back(item);
    }
    items[1]->SetEnabled(false);
    AddFields(&form, 20, 50);
    form.Show();
    // The pointer rests on one button: it is drawn raised.
    const TPoint hot = items[2]->Button()->ClientToScreen({12, 11});
    QCursor::setPos(hot.X, hot.Y);
    TFormHarness::ProcessEvents();
    EXPECT_EQ(bar->Height(), 31);
    EXPECT_EQ(items[0]->Button()->Width(), 24);
    EXPECT_EQ(items[0]->Button()->Height(), 23);
    EXPECT_EQ(items[0]->Top(), 4);
    QTemporaryDir temp;
    const QString path = QDir(RenderFolder(temp)).filePath(QStringLiteral("speedbar-top.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(&form, path));
    const QImage image(path);
    ASSERT_FALSE(image.isNull());
    // The lowered inner bevel under the raised outer one.
    const QImage barImage = TFormHarness::Grab(bar);
    EXPECT_EQ(platform::graphics::FromQRgb(barImage.pixel(40, 0)), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(platform::graphics::FromQRgb(barImage.pixel(40, 1)), ColorToRGB(clBtnShadow));
}

TEST(SpeedBarRender, RightBarWithCaptionedButtons) {
    TFormHarness harness;
    TClientesForm form(nullptr);
    form.SetCaption(QStringLiteral("Datos del expediente"));
    auto* bar = new TSpeedBar(&form);
    bar->SetName(QStringLiteral("SpeedBar2"));
    bar->SetParent(&form);
    bar->SetBevelOuter(bvNone);
    bar->SetOptions(sbAllowDrag | sbGrayedBtns | sbTransparentBtns);
    bar->SetAlign(alRight);
    bar->SetBtnWidth(75);
    bar->SetBtnHeight(24);
    bar->SetBtnOffsetHorz(4);
    bar->SetBtnOffsetVert(4);
    bar->SetWidth(83);
    bar->AddSection(QStringLiteral("Untitled (0)"));
    struct Def {
        const char* name;
        const char* caption;
        std::function<std::unique_ptr<TBitmap>()> glyph;
    };
    const Def defs[] = {
        {"btAceptar", "&Aceptar", Plus},
        {"btCancelar", "&Cancelar", Minus},
        {"btImprimir", "&Imprimir", Printer},
        {"btAyuda", "Ay&uda", Help},
        {"btSalir", "&Salir", Door},
    };
    int top = bar->BtnOffsetVert();
    for (const Def& d : defs) {
        auto* item = new TSpeedItem(&form);
        item->SetName(QString::fromLatin1(d.name));
        item->SetBtnCaption(QString::fromUtf8(d.caption));
        item->SetLayout(blGlyphLeft);
        auto glyph = d.glyph();
        item->SetGlyph(glyph.get());
        bar->AddItem(0, item);
        item->SetLeft(bar->BtnOffsetHorz());
        item->SetTop(top);
        item->SetVisible(true);
        top += bar->BtnHeight() + 2;
    }
    bar->SearchItem(QStringLiteral("btImprimir"))->SetEnabled(false);
    AddFields(&form, 16, 16);
    form.Show();
    EXPECT_EQ(bar->Orientation(), boVertical);
    EXPECT_EQ(bar->Width(), 83);
    EXPECT_EQ(bar->Left(), form.ClientWidth() - 83);
    EXPECT_EQ(bar->SearchItem(QStringLiteral("btSalir"))->Button()->Width(), 75);
    // Each caption is laid out in its button whole, as on the workstations the forms were made for:
    // the glyph layout would shorten it with "..." when the face is wider than the original one.
    for (const Def& d : defs) {
        TZbSpeedButton* button = bar->SearchItem(QString::fromLatin1(d.name))->Button();
        TZbButtonGlyph glyph;
        auto picture = d.glyph();
        glyph.SetGlyph(picture.get());
        TBitmap paper;
        paper.SetSize(button->Width(), button->Height());
        paper.Canvas()->SetFont(button->Font());
        QString caption = button->Caption();
        TPoint at;
        TRect text;
        // Inside the widest frame a button draws (two pixels on each side).
        glyph.CalcButtonLayout(paper.Canvas(), Rect(2, 2, button->Width() - 2, button->Height() - 2), caption,
                               button->Layout(), button->Margin(), button->Spacing(), false, at, text,
                               DT_CENTER, nullptr, -1);
        EXPECT_EQ(caption, button->Caption()) << d.name;
        EXPECT_LE(text.Right, button->Width() - 2) << d.name;
    }
    QTemporaryDir temp;
    const QString path = QDir(RenderFolder(temp)).filePath(QStringLiteral("speedbar-right.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(&form, path));
    EXPECT_FALSE(QImage(path).isNull());
}

}  // namespace
