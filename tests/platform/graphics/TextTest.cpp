#include "TestTools.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>

using namespace gtest_graphics;

namespace {

// A fixed-pitch font makes the arithmetic of line breaking exact.
struct MonoCanvas {
    TBitmap Bitmap;
    TCanvas* C;
    int W;  // advance of one character
    int H;  // line height
    MonoCanvas() {
        Bitmap.SetPixelFormat(pf24bit);
        Bitmap.SetSize(200, 100);
        C = Bitmap.Canvas();
        C->Font()->SetName(QStringLiteral("Courier New"));
        C->Font()->SetSize(10);
        W = C->TextWidth(QStringLiteral("a"));
        H = C->TextHeight(QStringLiteral("a"));
    }
    TRect Calc(const QString& text, int width, unsigned flags) {
        TRect r = Rect(10, 20, 10 + width, 20);
        int h = C->DrawText(text, r, flags | DT_CALCRECT);
        EXPECT_EQ(h, r.Height());
        return r;
    }
};

}  // namespace

TEST(Fonts, FaceNamesMapToInstalledFamilies) {
    QString sans = platform::graphics::ResolveFontFamily(QStringLiteral("MS Sans Serif"));
    EXPECT_FALSE(sans.isEmpty());
    // The workstation faces get the free faces of the same metrics that the set-up installs.
    ASSERT_TRUE(QFontDatabase::families().contains(QStringLiteral("Liberation Sans")));
    EXPECT_EQ(sans, QStringLiteral("Liberation Sans"));
    EXPECT_EQ(platform::graphics::ResolveFontFamily(QStringLiteral("Arial")), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(platform::graphics::ResolveFontFamily(QStringLiteral("tahoma")), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(platform::graphics::ResolveFontFamily(QStringLiteral("Courier New")), QStringLiteral("Liberation Mono"));
    EXPECT_EQ(platform::graphics::ResolveFontFamily(QStringLiteral("Times New Roman")), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(platform::graphics::ResolveFontFamily(QStringLiteral("Verdana")), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(platform::graphics::ResolveFontFamily(QStringLiteral("Una fuente que no existe")),
              QStringLiteral("Liberation Sans"));
    EXPECT_EQ(platform::graphics::ResolveFontFamily(QStringLiteral("Otra"), fpFixed), QStringLiteral("Liberation Mono"));
    TFont f;
    EXPECT_EQ(f.Name(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(f.Size(), 8);
    EXPECT_EQ(f.Height(), -11);
    f.SetPixelsPerInch(600);
    EXPECT_EQ(f.Size(), 8);
    EXPECT_EQ(f.Height(), -67);
}

// A workstation without the Liberation faces: the forms' faces, laid out in pixels, fall back to
// a face of the same widths where the machine has one, and captions are not cut.
TEST(Fonts, WithoutTheLiberationFacesCaptionsKeepTheirWidths) {
    const QString muestra = QStringLiteral("Modelos de Escritos y Cartas: Expedientes, Peña Núñez");
    auto ancho = [&](const QString& family) {
        QFont f(family);
        f.setPixelSize(11);
        f.setHintingPreference(QFont::PreferFullHinting);
        return QFontMetrics(f).horizontalAdvance(muestra);
    };
    auto parecido = [](int a, int b) { return std::abs(a - b) * 100 <= b * 5; };
    const struct {
        QString Face, Liberation;
    } casos[] = {{QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")},
                 {QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")}};
    // Every folder of fonts but Liberation's.
    QStringList carpetas;
    for (const QString& raiz : {QStringLiteral("/usr/share/fonts"), QStringLiteral("/usr/local/share/fonts")})
        for (QDirIterator it(raiz, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories); it.hasNext();) {
            const QString d = it.next();
            if (!d.contains(QLatin1String("liberation"), Qt::CaseInsensitive) &&
                !QDir(d).entryList(QDir::Files).isEmpty())
                carpetas << d;
        }
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    QFile conf(tmp.filePath(QStringLiteral("fonts.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    QString xml = QStringLiteral("<?xml version=\"1.0\"?>\n<fontconfig>\n");
    for (const QString& d : carpetas) xml += QStringLiteral("  <dir>%1</dir>\n").arg(d.toHtmlEscaped());
    xml += QStringLiteral("  <cachedir>%1</cachedir>\n</fontconfig>\n").arg(tmp.filePath(QStringLiteral("cache")));
    conf.write(xml.toUtf8());
    conf.close();
    QProcess hijo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FONTCONFIG_FILE"), conf.fileName());
    hijo.setProcessEnvironment(env);
    QStringList caras;
    for (const auto& c : casos) caras << c.Face;
    hijo.start(QStringLiteral(ZEMBRA_FAMILIAS_CHILD), caras);
    ASSERT_TRUE(hijo.waitForFinished(60000));
    ASSERT_EQ(hijo.exitCode(), 0) << hijo.readAllStandardError().toStdString();
    const QStringList familias = QString::fromUtf8(hijo.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(familias.size(), qsizetype(std::size(casos)));
    int probados = 0;
    for (size_t i = 0; i < std::size(casos); ++i) {
        const int disenado = ancho(casos[i].Liberation);
        ASSERT_GT(disenado, 0);
        EXPECT_FALSE(familias[int(i)].startsWith(QLatin1String("Liberation"))) << familias[int(i)].toStdString();
        // Only where this machine has some other face of those widths can the fallback keep them.
        const QStringList todas = QFontDatabase::families();
        if (std::none_of(todas.begin(), todas.end(), [&](const QString& f) {
                return !f.startsWith(QLatin1String("Liberation")) && parecido(ancho(f), disenado);
            }))
            continue;
        ++probados;
        EXPECT_TRUE(parecido(ancho(familias[int(i)]), disenado))
            << casos[i].Face.toStdString() << " -> " << familias[int(i)].toStdString() << ": " << ancho(familias[int(i)])
            << " px instead of " << disenado;
    }
    if (probados == 0) GTEST_SKIP() << "no face of the Liberation widths but Liberation's on this machine";
}

TEST(DrawTextCalc, SingleLineMeasuresTheText) {
    MonoCanvas m;
    ASSERT_GT(m.W, 0);
    TRect r = m.Calc(QStringLiteral("Señoría"), 5, DT_SINGLELINE);
    EXPECT_EQ(r.Left, 10);
    EXPECT_EQ(r.Width(), 7 * m.W);
    EXPECT_EQ(r.Height(), m.H);
}

TEST(DrawTextCalc, PrefixCharactersAreNotMeasured) {
    MonoCanvas m;
    EXPECT_EQ(m.Calc(QStringLiteral("&Abrir"), 0, DT_SINGLELINE).Width(), 5 * m.W);
    EXPECT_EQ(m.Calc(QStringLiteral("&Abrir"), 0, DT_SINGLELINE | DT_NOPREFIX).Width(), 6 * m.W);
    EXPECT_EQ(m.Calc(QStringLiteral("A && B"), 0, DT_SINGLELINE).Width(), 5 * m.W);
}

TEST(DrawTextCalc, WordBreakWrapsAtBlanks) {
    MonoCanvas m;
    TRect r = m.Calc(QStringLiteral("aaa bbb ccc"), 7 * m.W, DT_WORDBREAK);
    EXPECT_EQ(r.Height(), 2 * m.H);
    EXPECT_EQ(r.Width(), 7 * m.W);
    r = m.Calc(QStringLiteral("aaa bbb ccc"), 5 * m.W, DT_WORDBREAK);
    EXPECT_EQ(r.Height(), 3 * m.H);
    EXPECT_EQ(r.Width(), 3 * m.W);  // narrower than asked: the widest line
    r = m.Calc(QStringLiteral("aaaaaaaaaa b"), 3 * m.W, DT_WORDBREAK);
    EXPECT_EQ(r.Height(), 2 * m.H);
    EXPECT_EQ(r.Width(), 10 * m.W);  // a long word widens the rectangle
}

TEST(DrawTextCalc, LineBreaksAndSingleLine) {
    MonoCanvas m;
    EXPECT_EQ(m.Calc(QStringLiteral("ab\r\ncde\nf"), 100, 0).Height(), 3 * m.H);
    EXPECT_EQ(m.Calc(QStringLiteral("ab\r\ncde\nf"), 100, 0).Width(), 3 * m.W);
    EXPECT_EQ(m.Calc(QStringLiteral("ab\ncd"), 100, DT_SINGLELINE).Height(), m.H);
    EXPECT_EQ(m.Calc(QString(), 100, 0), Rect(10, 20, 10, 20));
}

TEST(DrawTextCalc, TabsExpandToEightAverageCharacters) {
    MonoCanvas m;
    QFontMetrics fm(m.C->Font()->ToQFont());
    int tab = 8 * fm.averageCharWidth();
    EXPECT_EQ(m.Calc(QStringLiteral("a\tb"), 0, DT_SINGLELINE | DT_EXPANDTABS).Width(), tab + m.W);
    EXPECT_EQ(m.Calc(QStringLiteral("a\tb"), 0, DT_SINGLELINE).Width(), fm.horizontalAdvance(QStringLiteral("a\tb")));
}

TEST(DrawTextCalc, EndEllipsisFitsTheWidth) {
    MonoCanvas m;
    EXPECT_EQ(m.Calc(QStringLiteral("abcdefghij"), 5 * m.W, DT_SINGLELINE | DT_END_ELLIPSIS).Width(), 5 * m.W);
    EXPECT_EQ(m.Calc(QStringLiteral("abc"), 5 * m.W, DT_SINGLELINE | DT_END_ELLIPSIS).Width(), 3 * m.W);
}

TEST(DrawTextDraw, VerticalCentreAndReturnedHeight) {
    MonoCanvas m;
    TRect r = Rect(0, 0, 200, 41);
    int h = m.C->DrawText(QStringLiteral("x"), r, DT_SINGLELINE | DT_VCENTER);
    EXPECT_EQ(h, (41 - m.H) / 2 + m.H);
    TRect r2 = Rect(0, 0, 200, 41);
    EXPECT_EQ(m.C->DrawText(QStringLiteral("x\ny"), r2, 0), 2 * m.H);
}

TEST(DrawTextDraw, TextStaysInsideItsRectangleAndAlignsRight) {
    MonoCanvas m;
    m.C->Brush()->SetStyle(bsClear);
    m.C->Font()->SetColor(clBlack);
    TRect r = Rect(50, 10, 90, 10 + m.H);
    m.C->DrawText(QStringLiteral("WWWWWWWWWWWWWWWWWW"), r, DT_SINGLELINE | DT_RIGHT);
    int inside = 0, outside = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            bool ink = Px(m.Bitmap, x, y) != clWhite;
            (PtInRect(r, {x, y}) ? inside : outside) += ink;
        }
    EXPECT_GT(inside, 0);
    EXPECT_EQ(outside, 0);
}

TEST(DrawTextDraw, PrefixUnderlinesItsCharacter) {
    MonoCanvas m;
    m.C->Brush()->SetStyle(bsClear);
    TRect r1 = Rect(0, 0, 100, 30), r2 = Rect(0, 40, 100, 70);
    m.C->DrawText(QStringLiteral("&x"), r1, DT_SINGLELINE);
    m.C->DrawText(QStringLiteral("x"), r2, DT_SINGLELINE);
    int ink1 = 0, ink2 = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 100; ++x) {
            ink1 += Px(m.Bitmap, x, y) != clWhite;
            ink2 += Px(m.Bitmap, x, y + 40) != clWhite;
        }
    EXPECT_GT(ink1, ink2);
}

TEST(TextOut, OpaqueBackgroundAndPenPosition) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(100, 30);
    TCanvas* c = b.Canvas();
    c->Brush()->SetColor(clYellow);
    c->TextOut(3, 4, QStringLiteral("Año"));
    TSize ext = c->TextExtent(QStringLiteral("Año"));
    EXPECT_EQ(c->PenPos(), Point(3 + ext.cx, 4));
    EXPECT_EQ(Px(b, 3, 4), clYellow);
    EXPECT_EQ(Px(b, 2, 4), clWhite);
    TSize tabbed = c->TabbedTextOut(0, 0, QStringLiteral("a\tb"), {40}, 0);
    EXPECT_EQ(tabbed.cx, 40 + c->TextWidth(QStringLiteral("b")));
}
