// Rich-text edit: attributes, paragraphs as lines, RTF written and read back (also RTF made by an
// office suite), damaged RTF, files by extension, search, printing, links. Renders ZbRichEd.png
// (to a temporary folder unless ZEMBRA_RENDER_DOCS names one).
#include "controls/edit/ZbRichEd.h"
#include "controls/edit/ZbRichEd_rtf.h"
#include "platform/forms/FormHarness.h"
#include "tests/support/DiscoLleno.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include "platform/forms/Printers.h"
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>
#include <gtest/gtest.h>
#include <random>

using platform::forms::TFormHarness;

namespace {

class RichEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(Application);
        form->SetBounds(0, 0, 500, 400);
        edit = NewEdit();
    }
    void TearDown() override { delete form; }
    TZbRichEdit* NewEdit() {
        auto* e = new TZbRichEdit(form);
        e->SetParent(form);
        e->SetBounds(10, 10, 400, 300);
        return e;
    }
    void Select(TZbRichEdit* e, int start, int length) {
        e->SetSelStart(start);
        e->SetSelLength(length);
    }
    QByteArray Save(TZbRichEdit* e) {
        TMemoryStream s;
        e->Lines()->SaveToStream(&s);
        return s.Bytes();
    }
    void Load(TZbRichEdit* e, const QByteArray& bytes) {
        TMemoryStream s;
        s.WriteBuffer(bytes.constData(), bytes.size());
        s.SetPosition(0);
        e->Lines()->LoadFromStream(&s);
    }
    void LoadRtf(TZbRichEdit* e, const char* rtf) { Load(e, QByteArray(rtf)); }
    TFormHarness harness;
    TForm* form = nullptr;
    TZbRichEdit* edit = nullptr;
};

// A document with every attribute the edit can express.
void Compose(RichEditTest* t, TZbRichEdit* e) {
    e->Lines()->SetText(QStringLiteral("Demanda de juicio ordinario\r\nEl señor {Pérez} debe 1.200 € \\ 5%\r\n"
                                       "Primer punto\r\nSegundo punto\r\nCol1\tCol2"));
    // Title: centred, bold 16 pt Arial, red.
    e->SetSelStart(0);
    e->SetSelLength(8);
    e->SelAttributes()->SetStyle({fsBold});
    e->SelAttributes()->SetSize(16);
    e->SelAttributes()->SetName(QStringLiteral("Arial"));
    e->SelAttributes()->SetColor(clRed);
    e->Paragraph()->SetAlignment(taCenter);
    // Second paragraph: italic underlined word, struck-out amount, fixed pitch.
    const int p2 = e->Document()->findBlockByNumber(1).position();
    e->SetSelStart(p2 + 3);
    e->SetSelLength(5);
    e->SelAttributes()->SetStyle({fsItalic, fsUnderline});
    e->SetSelStart(p2 + 22);
    e->SetSelLength(7);
    e->SelAttributes()->SetStyle({fsStrikeOut});
    e->SelAttributes()->SetName(QStringLiteral("Courier New"));
    e->SelAttributes()->SetPitch(fpFixed);
    e->Paragraph()->SetAlignment(taRightJustify);
    e->Paragraph()->SetRightIndent(12);
    // Bullets on the two points.
    const int p3 = e->Document()->findBlockByNumber(2).position();
    const int p4 = e->Document()->findBlockByNumber(3).position();
    e->SetSelStart(p3);
    e->SetSelLength(p4 - p3 + 3);
    e->Paragraph()->SetNumbering(nsBullet);
    // Tabs and hanging indent on the last.
    e->SetSelStart(e->Document()->findBlockByNumber(4).position());
    e->SetSelLength(0);
    e->Paragraph()->SetFirstIndent(18);
    e->Paragraph()->SetLeftIndent(9);
    e->Paragraph()->SetTab(0, 72);
    e->Paragraph()->SetTab(1, 144);
    (void)t;
}

TEST_F(RichEditTest, AttributesSurviveRtfWrittenAndReadBack) {
    Compose(this, edit);
    const QByteArray rtf = Save(edit);
    ASSERT_TRUE(rtf.startsWith("{\\rtf1"));
    TZbRichEdit* copy = NewEdit();
    Load(copy, rtf);
    EXPECT_EQ(copy->Text(), edit->Text());
    ASSERT_EQ(copy->Lines()->Count(), 5);
    EXPECT_EQ(copy->Lines()->Strings(1), QStringLiteral("El señor {Pérez} debe 1.200 € \\ 5%"));
    // Character attributes, read through the selection of the copy.
    Select(copy, 2, 1);
    EXPECT_EQ(copy->SelAttributes()->Style(), TFontStyles({fsBold}));
    EXPECT_EQ(copy->SelAttributes()->Size(), 16);
    EXPECT_EQ(copy->SelAttributes()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(copy->SelAttributes()->Color(), clRed);
    Select(copy, 10, 1);
    EXPECT_TRUE(copy->SelAttributes()->Style().Empty());
    EXPECT_EQ(copy->SelAttributes()->Color(), clWindowText);
    const int p2 = copy->Document()->findBlockByNumber(1).position();
    Select(copy, p2 + 4, 1);
    EXPECT_EQ(copy->SelAttributes()->Style(), TFontStyles({fsItalic, fsUnderline}));
    Select(copy, p2 + 25, 1);
    EXPECT_EQ(copy->SelAttributes()->Style(), TFontStyles({fsStrikeOut}));
    EXPECT_EQ(copy->SelAttributes()->Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(copy->SelAttributes()->Pitch(), fpFixed);
    // Paragraph attributes.
    Select(copy, 0, 0);
    EXPECT_EQ(copy->Paragraph()->Alignment(), taCenter);
    Select(copy, p2, 0);
    EXPECT_EQ(copy->Paragraph()->Alignment(), taRightJustify);
    EXPECT_EQ(copy->Paragraph()->RightIndent(), 12);
    EXPECT_EQ(copy->Paragraph()->Numbering(), nsNone);
    for (int line : {2, 3}) {
        Select(copy, copy->Document()->findBlockByNumber(line).position(), 0);
        EXPECT_EQ(copy->Paragraph()->Numbering(), nsBullet) << line;
        EXPECT_EQ(copy->Paragraph()->LeftIndent(), 10) << line;
    }
    Select(copy, copy->Document()->findBlockByNumber(4).position(), 0);
    EXPECT_EQ(copy->Paragraph()->Numbering(), nsNone);
    EXPECT_EQ(copy->Paragraph()->FirstIndent(), 18);
    EXPECT_EQ(copy->Paragraph()->LeftIndent(), 9);
    ASSERT_EQ(copy->Paragraph()->TabCount(), 2);
    EXPECT_EQ(copy->Paragraph()->Tab(0), 72);
    EXPECT_EQ(copy->Paragraph()->Tab(1), 144);
    // Written again, the copy gives the same bytes: nothing drifts from one save to the next.
    EXPECT_EQ(QString::fromLatin1(Save(copy)), QString::fromLatin1(rtf));
}

TEST_F(RichEditTest, ReadsEscapesCodePagesAndSkipsWhatItCannotShow) {
    LoadRtf(edit,
            "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fcharset204 Cyr;}}"
            "{\\colortbl;\\red0\\green128\\blue0;}"
            "{\\info{\\title Secreto}{\\author Nadie}}{\\stylesheet{\\s1 Oculto;}}"
            "{\\*\\unknowndest no se ve}"
            "\\pard Espa\\'f1a \\'80 {\\f1 \\'c0\\'e1}\\par "
            "\\uc1 Euro\\u8364? y\\uc0 \\u241 n {\\pict\\bin5 }}}}}} fin\\par "
            "{\\v oculto}visible\\line segunda\\tab tab\\par "
            "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt enlace}}\\par "
            "\\par "
            "\\cf1 verde\\par }"
            "texto tras el final");
    ASSERT_EQ(edit->Lines()->Count(), 6);
    EXPECT_EQ(edit->Lines()->Strings(0), QStringLiteral("España € Аб"));
    EXPECT_EQ(edit->Lines()->Strings(1), QStringLiteral("Euro€ yñn  fin"));
    EXPECT_EQ(edit->Lines()->Strings(2), QStringLiteral("visible\vsegunda\ttab"));
    EXPECT_EQ(edit->Lines()->Strings(3), QStringLiteral("enlace"));
    EXPECT_EQ(edit->Lines()->Strings(4), QString());
    EXPECT_EQ(edit->Lines()->Strings(5), QStringLiteral("verde"));
    Select(edit, edit->Document()->findBlockByNumber(5).position() + 1, 1);
    EXPECT_EQ(edit->SelAttributes()->Color(), RGB(0, 128, 0));
}

TEST_F(RichEditTest, LoadingPutsTheCaretAtTheStartAndTextStaysText) {
    edit->Lines()->SetText(QStringLiteral("uno\r\ndos"));
    edit->SetSelStart(5);
    // Bytes that are no RTF load as text even when RTF is asked for.
    Load(edit, QByteArray("l\xednea 1\r\nl\xednea 2\r\n"));
    EXPECT_EQ(edit->Lines()->Count(), 2);
    EXPECT_EQ(edit->Lines()->Strings(0), QStringLiteral("línea 1"));
    EXPECT_EQ(edit->SelStart(), 0);
    // Plain text asked for: RTF bytes are shown as they are.
    edit->SetStreamFormat(sfPlainText);
    LoadRtf(edit, "{\\rtf1 hola}");
    EXPECT_EQ(edit->Text(), QStringLiteral("{\\rtf1 hola}"));
    EXPECT_EQ(Save(edit), QByteArray("{\\rtf1 hola}"));
    edit->SetStreamMode(smUnicode);
    EXPECT_EQ(Save(edit), QByteArray(reinterpret_cast<const char*>(u"{\\rtf1 hola}"), 24));
}

TEST_F(RichEditTest, SelectionModeWritesAndReplacesOnlyTheSelection) {
    edit->Lines()->SetText(QStringLiteral("antes medio después"));
    Select(edit, 6, 5);
    edit->SelAttributes()->SetStyle({fsBold});
    edit->SetStreamMode(smSelection);
    const QByteArray part = Save(edit);
    TZbRichEdit* other = NewEdit();
    other->Lines()->SetText(QStringLiteral("[X]"));
    Select(other, 1, 1);
    other->SetStreamMode(smSelection);
    Load(other, part);
    EXPECT_EQ(other->Text(), QStringLiteral("[medio]"));
    Select(other, 2, 1);
    EXPECT_EQ(other->SelAttributes()->Style(), TFontStyles({fsBold}));
    Select(other, 0, 1);
    EXPECT_TRUE(other->SelAttributes()->Style().Empty());
}

// RTF written by the office suite from a document the test writes; skipped where the suite is
// not installed.
TEST_F(RichEditTest, ReadsRtfWrittenByAnOfficeSuite) {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) GTEST_SKIP() << "soffice is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile html(dir.filePath(QStringLiteral("escrito.html")));
    ASSERT_TRUE(html.open(QIODevice::WriteOnly));
    html.write(QStringLiteral(
                   "<html><head><meta charset=\"utf-8\"></head><body>"
                   "<p align=\"center\"><b>AL JUZGADO DE PRIMERA INSTANCIA</b></p>"
                   "<p>Don <i>José Muñoz</i>, <u>procurador</u>, <font color=\"#ff0000\">urgente</font> "
                   "<s>tachado</s> 1.500 €</p>"
                   "<ul><li>Primero</li><li>Segundo</li></ul>"
                   "<p align=\"right\">Madrid, a 9 de marzo</p></body></html>")
                   .toUtf8());
    html.close();
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("perfil")),
                      QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--convert-to"),
                      QStringLiteral("rtf:Rich Text Format"), QStringLiteral("--outdir"), dir.path(), html.fileName()});
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished(5000);
        FAIL() << "the office suite did not finish";
    }
    const QString rtfName = dir.filePath(QStringLiteral("escrito.rtf"));
    ASSERT_TRUE(QFile::exists(rtfName)) << p.readAllStandardError().toStdString();
    edit->Lines()->LoadFromFile(rtfName);
    QStringList lines;
    for (int i = 0; i < edit->Lines()->Count(); ++i)
        if (!edit->Lines()->Strings(i).trimmed().isEmpty()) lines << edit->Lines()->Strings(i).trimmed();
    ASSERT_EQ(lines.size(), 5) << lines.join(QStringLiteral("|")).toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("AL JUZGADO DE PRIMERA INSTANCIA"));
    EXPECT_EQ(lines[1], QStringLiteral("Don José Muñoz, procurador, urgente tachado 1.500 €"));
    EXPECT_EQ(lines[2], QStringLiteral("Primero"));
    EXPECT_EQ(lines[4], QStringLiteral("Madrid, a 9 de marzo"));
    const QString text = edit->Document()->toPlainText();
    const auto at = [&](const QString& word) {
        Select(edit, int(text.indexOf(word)) + 1, 1);
        return edit->SelAttributes();
    };
    EXPECT_TRUE(at(QStringLiteral("JUZGADO"))->Style().Contains(fsBold));
    EXPECT_EQ(edit->Paragraph()->Alignment(), taCenter);
    EXPECT_TRUE(at(QStringLiteral("Muñoz"))->Style().Contains(fsItalic));
    EXPECT_FALSE(edit->SelAttributes()->Style().Contains(fsBold));
    EXPECT_TRUE(at(QStringLiteral("procurador"))->Style().Contains(fsUnderline));
    EXPECT_EQ(at(QStringLiteral("urgente"))->Color(), RGB(255, 0, 0));
    EXPECT_TRUE(at(QStringLiteral("tachado"))->Style().Contains(fsStrikeOut));
    at(QStringLiteral("Segundo"));
    EXPECT_EQ(edit->Paragraph()->Numbering(), nsBullet);
    at(QStringLiteral("Madrid"));
    EXPECT_EQ(edit->Paragraph()->Alignment(), taRightJustify);
    EXPECT_EQ(edit->Paragraph()->Numbering(), nsNone);
}

TEST_F(RichEditTest, DamagedRtfNeverCrashesOrHangs) {
    const QByteArray cases[] = {
        "{\\rtf1", "{\\rtf1 abierto {sin {cerrar", "{\\rtf1 }}}}}}}} sobra}", "{\\rtf1 \\'", "{\\rtf1 \\'4",
        "{\\rtf1 \\u", "{\\rtf1 \\u-99999999999999999999 x}", "{\\rtf1 \\fs99999999999 x\\li-999999999999 y\\par}",
        "{\\rtf1 \\bin999999999 x}", "{\\rtf1 \\uc99999 \\u65 abc}", "{\\rtf1 {\\fonttbl{\\f99999999999 F;}}\\f99999999999 x}",
        "{\\rtf1 {\\colortbl;\\red999\\green-5;}\\cf-3 x\\cf999999 y}", "{\\rtf1 \\abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz x}",
        "{\\rtf1 \\u64976 \\u65532 \\u55296 \\u8233 \\'00 x}", "{\\rtf1 {\\*\\pn}\\ls99 a\\par}"};
    for (const QByteArray& c : cases) Load(edit, c);
    // 200,000 nested groups: read without recursion, the text after them still arrives.
    QByteArray deep = "{\\rtf1 antes";
    deep += QByteArray(200000, '{') + "dentro" + QByteArray(200000, '}') + " despues}";
    Load(edit, deep);
    EXPECT_TRUE(edit->Text().startsWith(QStringLiteral("antes")));
    EXPECT_TRUE(edit->Text().endsWith(QStringLiteral("despues")));
    // Bytes flipped at random in a valid file.
    Compose(this, edit);
    const QByteArray good = Save(edit);
    std::mt19937 rng(17);
    for (int i = 0; i < 300; ++i) {
        QByteArray bad = good;
        for (int k = 0; k < 8; ++k) bad[int(rng() % bad.size())] = char(rng() % 256);
        Load(edit, bad);
    }
    LoadRtf(edit, "{\\rtf1 bien\\par}");
    EXPECT_EQ(edit->Text(), QStringLiteral("bien"));
}

TEST_F(RichEditTest, LinesAreTheParagraphs) {
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    EXPECT_EQ(edit->Lines()->Count(), 0);
    edit->Lines()->Add(QStringLiteral("uno"));
    edit->Lines()->Add(QStringLiteral("tres"));
    edit->Lines()->Insert(1, QStringLiteral("dos"));
    edit->Lines()->Insert(0, QStringLiteral("cero"));
    EXPECT_EQ(edit->Text(), QStringLiteral("cero\r\nuno\r\ndos\r\ntres"));
    EXPECT_GT(changes, 0);
    EXPECT_THROW(edit->Lines()->Insert(9, QStringLiteral("x")), EOutOfResources);
    try {
        edit->Lines()->Insert(-1, QStringLiteral("x"));
    } catch (const EOutOfResources& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("RichEdit line insertion error"));
    }
    edit->Lines()->SetString(2, QStringLiteral("DOS"));
    edit->Lines()->Delete(0);
    edit->Lines()->Delete(2);
    EXPECT_EQ(edit->Text(), QStringLiteral("uno\r\nDOS"));
    edit->Lines()->Delete(7);
    EXPECT_EQ(edit->Lines()->Count(), 2);
    // A text ending in a line break: the empty paragraph is no line, and the next line takes it.
    changes = 0;
    edit->Lines()->SetText(QStringLiteral("a\r\nb\r\n"));
    EXPECT_EQ(changes, 0);  // the whole text set quietly
    EXPECT_EQ(edit->Lines()->Count(), 2);
    edit->Lines()->Add(QStringLiteral("c"));
    EXPECT_EQ(edit->Lines()->Count(), 3);
    EXPECT_EQ(edit->Text(), QStringLiteral("a\r\nb\r\nc"));
    // A batch of changes tells of one change at the end.
    changes = 0;
    edit->Lines()->BeginUpdate();
    for (int i = 0; i < 5; ++i) edit->Lines()->Add(QString::number(i));
    EXPECT_EQ(changes, 0);
    edit->Lines()->EndUpdate();
    EXPECT_EQ(changes, 1);
    // Adding a list moves no selection events.
    int selChanges = 0;
    edit->OnSelectionChange = [&](TObject*) { ++selChanges; };
    TStringList more;
    more.SetText(QStringLiteral("x\ny"));
    edit->Lines()->AddStrings(&more);
    EXPECT_EQ(selChanges, 0);
    EXPECT_EQ(edit->Lines()->Strings(edit->Lines()->Count() - 1), QStringLiteral("y"));
    // A line longer than any buffer comes back whole.
    const QString longLine(10000, QLatin1Char('z'));
    edit->Lines()->Add(longLine);
    EXPECT_EQ(edit->Lines()->Strings(edit->Lines()->Count() - 1), longLine);
    edit->Lines()->Clear();
    EXPECT_EQ(edit->Lines()->Count(), 0);
    EXPECT_FALSE(edit->Modified());
}

TEST_F(RichEditTest, FilesPickTheFormatByExtension) {
    QTemporaryDir dir;
    edit->Lines()->SetText(QStringLiteral("Señoría\r\nsegunda"));
    Select(edit, 0, 3);
    edit->SelAttributes()->SetStyle({fsBold});
    const QString txt = dir.filePath(QStringLiteral("a.TXT")), rtfName = dir.filePath(QStringLiteral("a.rtf")),
                  other = dir.filePath(QStringLiteral("a.doc"));
    edit->Lines()->SaveToFile(txt);
    edit->Lines()->SaveToFile(rtfName);
    edit->Lines()->SaveToFile(other);
    EXPECT_EQ(edit->StreamFormat(), sfDefault);
    QFile f(txt);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QStringLiteral("Señoría\r\nsegunda").toUtf8());
    QFile r(rtfName), o(other);
    ASSERT_TRUE(r.open(QIODevice::ReadOnly));
    ASSERT_TRUE(o.open(QIODevice::ReadOnly));
    const QByteArray rtfBytes = r.readAll();
    EXPECT_TRUE(rtfBytes.startsWith("{\\rtf1"));
    EXPECT_EQ(o.readAll(), rtfBytes);  // an unknown extension keeps the edit's own format
    // Plain edit: the default format is text.
    edit->SetPlainText(true);
    edit->Lines()->SaveToFile(other);
    o.close();
    ASSERT_TRUE(o.open(QIODevice::ReadOnly));
    EXPECT_EQ(o.readAll(), QStringLiteral("Señoría\r\nsegunda").toUtf8());
    edit->SetPlainText(false);
    // Loading by extension: the RTF file keeps its bold, the text file has none.
    TZbRichEdit* copy = NewEdit();
    copy->Lines()->LoadFromFile(rtfName);
    Select(copy, 1, 1);
    EXPECT_EQ(copy->SelAttributes()->Style(), TFontStyles({fsBold}));
    copy->Lines()->LoadFromFile(txt);
    EXPECT_EQ(copy->Text(), QStringLiteral("Señoría\r\nsegunda"));
    Select(copy, 1, 1);
    EXPECT_TRUE(copy->SelAttributes()->Style().Empty());
    EXPECT_THROW(copy->Lines()->LoadFromFile(dir.filePath(QStringLiteral("no.rtf"))), EFOpenError);
    EXPECT_EQ(copy->StreamFormat(), sfDefault);
    EXPECT_EQ(copy->Text(), QStringLiteral("Señoría\r\nsegunda"));
}

TEST_F(RichEditTest, ConvertersRegisteredForAnExtensionSeeTheBytes) {
    struct Upper : TConversion {
        int ConvertWriteStream(TStream* stream, const char* buffer, int bufSize) override {
            return TConversion::ConvertWriteStream(stream, QByteArray(buffer, bufSize).toUpper().constData(), bufSize);
        }
    };
    TZbCustomRichEdit::RegisterConversionFormat(QStringLiteral("may"), [] { return std::make_unique<Upper>(); }, true);
    QTemporaryDir dir;
    edit->Lines()->SetText(QStringLiteral("minúsculas"));
    edit->Lines()->SaveToFile(dir.filePath(QStringLiteral("x.may")));
    QFile f(dir.filePath(QStringLiteral("x.may")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("MIN"));
}

TEST_F(RichEditTest, SelectionWordAndDefaultAttributes) {
    edit->Lines()->SetText(QStringLiteral("palabra otra"));
    // The word attributes reach the whole word under the caret.
    edit->SetSelStart(2);
    edit->WordAttributes()->SetStyle({fsItalic});
    Select(edit, 6, 1);
    EXPECT_TRUE(edit->SelAttributes()->Style().Contains(fsItalic));
    Select(edit, 9, 1);
    EXPECT_TRUE(edit->SelAttributes()->Style().Empty());
    // Colour: the window text colour is "automatic" and written as no colour.
    Select(edit, 8, 4);
    edit->SelAttributes()->SetColor(clBlue);
    EXPECT_EQ(edit->SelAttributes()->Color(), clBlue);
    edit->SelAttributes()->SetColor(clWindowText);
    EXPECT_EQ(edit->SelAttributes()->Color(), clWindowText);
    EXPECT_FALSE(Save(edit).contains("\\cf1"));
    // From and to a font.
    TFont font;
    font.SetName(QStringLiteral("Times New Roman"));
    font.SetSize(14);
    font.SetStyle({fsBold, fsUnderline});
    font.SetColor(clGreen);
    edit->SelAttributes()->Assign(&font);
    TFont back;
    back.Assign(edit->SelAttributes());
    EXPECT_EQ(back.Name(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(back.Size(), 14);
    EXPECT_EQ(back.Style(), TFontStyles({fsBold, fsUnderline}));
    EXPECT_EQ(back.Color(), clGreen);
    // The default text: what new text gets.
    edit->DefAttributes()->SetSize(20);
    EXPECT_EQ(edit->DefAttributes()->Size(), 20);
    edit->Lines()->SetText(QStringLiteral("nuevo"));
    Select(edit, 1, 1);
    EXPECT_EQ(edit->SelAttributes()->Size(), 20);
    // Another attributes object.
    TZbRichEdit* other = NewEdit();
    other->Lines()->SetText(QStringLiteral("x"));
    Select(other, 0, 1);
    Select(edit, 1, 1);
    edit->SelAttributes()->SetStyle({fsStrikeOut});
    other->SelAttributes()->Assign(edit->SelAttributes());
    EXPECT_EQ(other->SelAttributes()->Size(), 20);
    EXPECT_EQ(other->SelAttributes()->Style(), TFontStyles({fsStrikeOut}));
}

TEST_F(RichEditTest, ParagraphIndentsBulletsAndTabs) {
    edit->Lines()->SetText(QStringLiteral("uno\r\ndos"));
    Select(edit, 0, 5);
    edit->Paragraph()->SetLeftIndent(4);
    edit->Paragraph()->SetNumbering(nsBullet);
    EXPECT_EQ(edit->Paragraph()->LeftIndent(), 10);  // raised to leave room for the bullet
    Select(edit, 5, 0);
    EXPECT_EQ(edit->Paragraph()->Numbering(), nsBullet);
    EXPECT_EQ(edit->Document()->firstBlock().textList(), edit->Document()->lastBlock().textList());
    edit->Paragraph()->SetLeftIndent(30);
    EXPECT_EQ(edit->Paragraph()->LeftIndent(), 30);
    edit->Paragraph()->SetNumbering(nsNone);
    EXPECT_EQ(edit->Paragraph()->LeftIndent(), 0);
    EXPECT_EQ(edit->Paragraph()->Numbering(), nsNone);
    Select(edit, 0, 0);
    EXPECT_EQ(edit->Paragraph()->Numbering(), nsBullet);
    // The first tab stop set is in force at once.
    edit->Paragraph()->SetTab(0, 36);
    EXPECT_EQ(edit->Paragraph()->TabCount(), 1);
    EXPECT_EQ(edit->Paragraph()->Tab(0), 36);
    edit->Paragraph()->SetTab(40, 5);  // out of range: nothing
    EXPECT_EQ(edit->Paragraph()->TabCount(), 1);
    // Start indent and offset are independent.
    edit->Paragraph()->SetFirstIndent(20);
    edit->Paragraph()->SetLeftIndent(15);
    edit->Paragraph()->SetFirstIndent(25);
    EXPECT_EQ(edit->Paragraph()->LeftIndent(), 15);
    EXPECT_EQ(edit->Paragraph()->FirstIndent(), 25);
    TZbRichEdit* other = NewEdit();
    other->Lines()->SetText(QStringLiteral("z"));
    other->Paragraph()->Assign(edit->Paragraph());
    EXPECT_EQ(other->Paragraph()->FirstIndent(), 25);
    EXPECT_EQ(other->Paragraph()->Numbering(), nsBullet);
    EXPECT_EQ(other->Paragraph()->Tab(0), 36);
}

TEST_F(RichEditTest, FindsTextAndTellsWhenItIsNotThere) {
    edit->Lines()->SetText(QStringLiteral("El demandado y el Demandante; demandado otra vez"));
    EXPECT_EQ(edit->FindText(QStringLiteral("demanda"), 0, -1, 0), 3);
    EXPECT_EQ(edit->FindText(QStringLiteral("Demanda"), 4, -1, stMatchCase), 18);
    EXPECT_EQ(edit->FindText(QStringLiteral("demandado"), 4, -1, stWholeWord), 30);
    EXPECT_EQ(edit->FindText(QStringLiteral("demandado"), 4, 20, 0), -1);  // beyond the range
    EXPECT_EQ(edit->FindText(QString(), 0, -1, 0), -1);
    QString missing;
    edit->OnTextNotFound = [&](TObject*, const QString& t) { missing = t; };
    edit->SetSelStart(0);
    EXPECT_TRUE(edit->FindNext(QStringLiteral("demandado"), 0));
    EXPECT_EQ(edit->SelStart(), 3);
    EXPECT_EQ(edit->SelText(), QStringLiteral("demandado"));
    EXPECT_TRUE(edit->FindNext(QStringLiteral("demandado"), 0));
    EXPECT_EQ(edit->SelStart(), 30);
    EXPECT_FALSE(edit->FindNext(QStringLiteral("demandado"), 0));
    EXPECT_EQ(missing, QStringLiteral("demandado"));
    EXPECT_EQ(edit->SelStart(), 30);
}

TEST_F(RichEditTest, PlainTextSwitchKeepsTheTextAndLimitsHoldForTyping) {
    edit->Lines()->SetText(QStringLiteral("negrita"));
    Select(edit, 0, 7);
    edit->SelAttributes()->SetStyle({fsBold});
    edit->SetModified(false);
    edit->SetPlainText(true);
    EXPECT_EQ(edit->Text(), QStringLiteral("negrita"));
    EXPECT_FALSE(edit->Modified());
    Select(edit, 1, 1);
    EXPECT_TRUE(edit->SelAttributes()->Style().Empty());
    edit->SetPlainText(false);
    EXPECT_EQ(edit->Text(), QStringLiteral("negrita"));
    // Typing or pasting past MaxLength keeps what fits.
    edit->SetMaxLength(10);
    edit->SetSelStart(7);
    edit->SetSelText(QStringLiteral("12345"));
    EXPECT_EQ(edit->Text(), QStringLiteral("negrita123"));
    edit->SetSelStart(0);
    edit->SetSelText(QStringLiteral("X"));
    EXPECT_EQ(edit->GetTextLen(), 10);
    EXPECT_EQ(edit->Text(), QStringLiteral("negrita123"));
}

TEST_F(RichEditTest, PrintsEveryPage) {
    QTemporaryDir dir;
    QStringList many;
    for (int i = 0; i < 400; ++i) many << QStringLiteral("Línea %1 del escrito de demanda").arg(i);
    edit->Lines()->SetText(many.join(QStringLiteral("\r\n")));
    Select(edit, 0, 5);
    edit->SelAttributes()->SetSize(20);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("e.pdf")));
    const int pages = edit->PrintTo(printer, QStringLiteral("Escrito"));
    EXPECT_GE(pages, 3);
    QFile pdf(dir.filePath(QStringLiteral("e.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_EQ(int(bytes.count("/Type /Page") - bytes.count("/Type /Pages")), pages);
    // A page rectangle half as high needs more pages.
    const QRect full = printer.pageLayout().paintRectPixels(printer.resolution());
    edit->SetPageRect(Rect(full.left(), full.top(), full.right(), full.top() + full.height() / 2));
    QPrinter half(QPrinter::HighResolution);
    half.setOutputFormat(QPrinter::PdfFormat);
    half.setOutputFileName(dir.filePath(QStringLiteral("h.pdf")));
    EXPECT_GT(edit->PrintTo(half, QStringLiteral("Escrito")), pages);
}

// The program's printer set to a PDF file takes the text, with no printer installed.
TEST_F(RichEditTest, PrintsToThePdfFileChosenAsThePrinter) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("notas.pdf"));
    edit->Lines()->SetText(QStringLiteral("Notas del expediente"));
    Printer()->SetOutputFileName(file);
    edit->Print(QStringLiteral("Notas"));
    Printer()->SetOutputFileName(QString());
    QFile pdf(file);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().startsWith("%PDF"));
}

// The disk fills while the PDF is written: an error, and the earlier file stays as it was.
TEST_F(RichEditTest, PrintingToAPdfFileOnAFullDiskIsAnErrorAndKeepsTheEarlierFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("notas.pdf"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("%PDF-1.4 notas de ayer");
    }
    QStringList lineas;
    for (int i = 0; i < 200; ++i) lineas << QStringLiteral("Línea %1 de las notas del expediente").arg(i);
    edit->Lines()->SetText(lineas.join(QStringLiteral("\r\n")));
    Printer()->SetOutputFileName(file);
    EXPECT_THROW(zbtest::ConDiscoLleno(3000, [&] { edit->Print(QStringLiteral("Notas")); }), EPrinter);
    QFile pdf(file);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_EQ(pdf.readAll(), QByteArray("%PDF-1.4 notas de ayer"));
    pdf.close();

    // With room on the disk the same print replaces it.
    edit->Print(QStringLiteral("Notas"));
    Printer()->SetOutputFileName(QString());
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray nuevo = pdf.readAll();
    EXPECT_TRUE(nuevo.startsWith("%PDF") && nuevo.trimmed().endsWith("%%EOF"));
    EXPECT_GT(nuevo.size(), 3000);
}

TEST_F(RichEditTest, LinkClickedWithTheSameButtonOnTheSameLink) {
    form->Show();
    edit->Lines()->SetText(QStringLiteral("Véase https://www.boe.es/diario y www.example.org, fin"));
    EXPECT_EQ(edit->URLAt(10), QStringLiteral("https://www.boe.es/diario"));
    EXPECT_EQ(edit->URLAt(2), QString());
    EXPECT_EQ(edit->URLAt(int(edit->Text().indexOf(QStringLiteral("example")))), QStringLiteral("www.example.org"));
    QString clicked;
    TMouseButton which = mbMiddle;
    edit->OnURLClick = [&](TObject*, const QString& url, TMouseButton b) {
        clicked = url;
        which = b;
    };
    QTextEdit* ed = edit->Editor();
    const auto pointAt = [&](int pos) {
        QTextCursor c(edit->Document());
        c.setPosition(pos);
        return QPointF(ed->cursorRect(c).center()) + QPointF(2, 0);
    };
    const auto mouse = [&](QEvent::Type type, QPointF at, Qt::MouseButton b) {
        QMouseEvent e(type, at, ed->viewport()->mapToGlobal(at), b, type == QEvent::MouseButtonPress ? b : Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(ed->viewport(), &e);
    };
    mouse(QEvent::MouseButtonPress, pointAt(12), Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, pointAt(14), Qt::RightButton);
    EXPECT_EQ(clicked, QStringLiteral("https://www.boe.es/diario"));
    EXPECT_EQ(which, mbRight);
    clicked.clear();
    mouse(QEvent::MouseButtonPress, pointAt(12), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, pointAt(2), Qt::LeftButton);  // released off the link
    EXPECT_TRUE(clicked.isEmpty());
    edit->SetAutoURLDetect(false);
    mouse(QEvent::MouseButtonPress, pointAt(12), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, pointAt(12), Qt::LeftButton);
    EXPECT_TRUE(clicked.isEmpty());
}

TEST_F(RichEditTest, RendersFormattedText) {
    form->SetCaption(QStringLiteral("Escrito"));
    form->SetColor(clBtnFace);
    edit->SetBounds(8, 8, 480, 350);
    edit->Font()->SetSize(10);
    Compose(this, edit);
    edit->Lines()->Add(QStringLiteral("Véase https://www.boe.es para el texto consolidado."));
    Select(edit, edit->Document()->lastBlock().position(), 0);
    edit->Paragraph()->SetFirstIndent(0);
    edit->Paragraph()->SetLeftIndent(0);
    // An embedded object, drawn as a box in the line.
    Select(edit, edit->GetTextLen(), 0);
    edit->SetStreamMode(smSelection);
    LoadRtf(edit, "{\\rtf1 {\\fonttbl{\\f0 Arial;}}\\f0\\fs20  Anexo {\\object\\objemb{\\*\\objdata 00}} adjunto.}");
    EXPECT_EQ(edit->DefAttributes()->Size(), 10);
    form->Show();
    const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
    QTemporaryDir dir;
    const QString path = QDir(docs.isEmpty() ? dir.path() : QString::fromLocal8Bit(docs)).filePath(QStringLiteral("ZbRichEd.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(form, path));
    const QImage img(path);
    ASSERT_FALSE(img.isNull());
    // The red title is drawn.
    bool red = false;
    for (int y = 0; y < img.height() && !red; ++y)
        for (int x = 0; x < img.width() && !red; ++x) {
            const QColor c = img.pixelColor(x, y);
            red = c.red() > 200 && c.green() < 60 && c.blue() < 60;
        }
    EXPECT_TRUE(red);
}

}  // namespace

// ------------------------------------------------------------------ protected text

// "Libre " + "PROTEGIDO" (protected, 6..15) + " libre" / "Segunda".
const char* ProtectedRtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Libre {\\protect\\b PROTEGIDO} libre\\par Segunda\\par}";

struct TProtectLog {
    struct TCall {
        int Kind, Start, End;
    };
    std::vector<TCall> Calls;
    bool Allow = false;
};

void SendKey(TZbRichEdit* e, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(e->Editor(), &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(e->Editor(), &release);
}

void PutOnClipboard(const QString& format, const QByteArray& bytes, const QString& text = QString()) {
    auto* data = new QMimeData;
    if (!text.isEmpty()) data->setText(text);
    if (!format.isEmpty()) data->setData(format, bytes);
    QApplication::clipboard()->setMimeData(data);
}

TEST_F(RichEditTest, ProtectedTextKeepsItsMarkAndAsksBeforeAnyChange) {
    LoadRtf(edit, ProtectedRtf);
    const QString original = edit->Text();
    ASSERT_EQ(original, QStringLiteral("Libre PROTEGIDO libre\r\nSegunda"));
    EXPECT_TRUE(edit->IsProtected(6, 15));
    EXPECT_TRUE(edit->IsProtected(10, 10));
    EXPECT_FALSE(edit->IsProtected(0, 6));
    EXPECT_FALSE(edit->IsProtected(16, 21));
    // The mark survives a save and a load.
    const QByteArray saved = Save(edit);
    EXPECT_EQ(saved.count("\\protect"), 1);
    TZbRichEdit* copy = NewEdit();
    Load(copy, saved);
    EXPECT_TRUE(copy->IsProtected(6, 15));
    EXPECT_FALSE(copy->IsProtected(16, 21));

    TProtectLog log;
    edit->OnProtectChange = [&](TObject* sender, int start, int end, bool& allow) {
        EXPECT_EQ(sender, edit);
        EXPECT_FALSE(allow);  // starts refused
        log.Calls.push_back({-1, start, end});
        allow = log.Allow;
    };
    // Refused without the handler's leave: typing inside, deleting across the edge, pasting over
    // it, SelText, and the Lines changes touching it.
    Select(edit, 8, 0);
    SendKey(edit, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    Select(edit, 4, 4);
    SendKey(edit, Qt::Key_Backspace);
    Select(edit, 15, 0);
    SendKey(edit, Qt::Key_Backspace);  // the last protected character
    PutOnClipboard(QString(), {}, QStringLiteral("pegado"));
    Select(edit, 10, 2);
    edit->PasteFromClipboard();
    Select(edit, 7, 1);
    edit->SetSelText(QStringLiteral("y"));
    edit->Lines()->SetString(0, QStringLiteral("otra"));
    edit->Lines()->Delete(0);
    Select(edit, 9, 3);
    edit->CutToClipboard();
    EXPECT_EQ(edit->Text(), original);
    ASSERT_EQ(log.Calls.size(), 8u);
    const std::pair<int, int> ranges[] = {{8, 8}, {4, 8}, {14, 15}, {10, 12}, {7, 8}, {0, 21}, {0, 22}, {9, 12}};
    for (size_t i = 0; i < log.Calls.size(); ++i) {
        EXPECT_EQ(log.Calls[i].Start, ranges[i].first) << i;
        EXPECT_EQ(log.Calls[i].End, ranges[i].second) << i;
    }
    // Dragging it away would delete it here: asked as the drag starts, and no drag when refused.
    log.Calls.clear();
    form->Show();
    Select(edit, 6, 9);
    {
        QTextEdit* ed = edit->Editor();
        QTextCursor c(edit->Document());
        c.setPosition(10);
        const QPointF at = ed->cursorRect(c).center();
        const auto mouse = [&](QEvent::Type type, QPointF p, Qt::MouseButtons held) {
            QMouseEvent e(type, p, ed->viewport()->mapToGlobal(p), Qt::LeftButton, held, Qt::NoModifier);
            QApplication::sendEvent(ed->viewport(), &e);
        };
        mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
        mouse(QEvent::MouseMove, at + QPointF(40, 30), Qt::LeftButton);
        mouse(QEvent::MouseMove, at + QPointF(60, 30), Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, at + QPointF(60, 30), Qt::NoButton);
    }
    ASSERT_EQ(log.Calls.size(), 1u);
    EXPECT_EQ(log.Calls[0].Start, 6);
    EXPECT_EQ(log.Calls[0].End, 15);
    EXPECT_EQ(edit->Text(), original);
    // Changes away from it are not asked about.
    log.Calls.clear();
    Select(edit, 2, 0);
    SendKey(edit, Qt::Key_Z, Qt::NoModifier, QStringLiteral("z"));
    edit->Lines()->SetString(1, QStringLiteral("Tercera"));
    edit->Lines()->Insert(1, QStringLiteral("Nueva"));
    EXPECT_TRUE(log.Calls.empty());
    EXPECT_EQ(edit->Text(), QStringLiteral("Lizbre PROTEGIDO libre\r\nNueva\r\nTercera"));

    // With leave: the change is made, and typed text inside stays protected.
    log.Allow = true;
    Select(edit, 9, 0);
    SendKey(edit, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    EXPECT_EQ(edit->Lines()->Strings(0), QStringLiteral("Lizbre PRxOTEGIDO libre"));
    EXPECT_TRUE(edit->IsProtected(9, 10));
    Select(edit, 5, 4);
    SendKey(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->Lines()->Strings(0), QStringLiteral("LizbrxOTEGIDO libre"));

    // The extended event, when assigned, is asked in place of the other, with the kind of change.
    log.Allow = false;
    log.Calls.clear();
    edit->OnProtectChangeEx = [&](TObject*, TProtectChangeKind kind, int start, int end, bool& allow) {
        log.Calls.push_back({int(kind), start, end});
        allow = log.Allow;
    };
    Select(edit, 8, 0);
    SendKey(edit, Qt::Key_Q, Qt::NoModifier, QStringLiteral("q"));
    Select(edit, 8, 2);
    SendKey(edit, Qt::Key_Delete);
    edit->PasteFromClipboard();
    edit->SetSelText(QString());
    edit->Lines()->SetText(QStringLiteral("todo nuevo"));
    ASSERT_EQ(log.Calls.size(), 5u);
    const int kinds[] = {pcTyping, pcDeletion, pcPaste, pcProgram, pcProgram};
    for (size_t i = 0; i < log.Calls.size(); ++i) EXPECT_EQ(log.Calls[i].Kind, kinds[i]) << i;
    EXPECT_EQ(edit->Lines()->Strings(0), QStringLiteral("LizbrxOTEGIDO libre"));
    // A handler that raises refuses.
    edit->OnProtectChangeEx = [&](TObject*, TProtectChangeKind, int, int, bool& allow) {
        allow = true;
        throw Exception(QStringLiteral("no"));
    };
    edit->SetSelText(QStringLiteral("k"));
    EXPECT_EQ(edit->Lines()->Strings(0), QStringLiteral("LizbrxOTEGIDO libre"));
    ASSERT_FALSE(harness.Exceptions().empty());
    EXPECT_EQ(harness.Exceptions().back().Message, QStringLiteral("no"));
}

// ------------------------------------------------------------------ clipboard

const char* ObjectRtf =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Antes "
    "{\\object\\objemb{\\*\\objclass Paint.Picture}\\objw100\\objh100{\\*\\objdata 0102ff{}\\bin3 }{}}"
    "{\\result {\\pict\\wmetafile8 0a0b} RESULTADO}}"
    " despu\\'e9s\\par}";

TEST_F(RichEditTest, CopyPutsOurRtfBesidePlainTextAndPasteKeepsRichText) {
    Compose(this, edit);
    Select(edit, 0, edit->GetTextLen());
    edit->CopyToClipboard();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->text().startsWith(QStringLiteral("Demanda de juicio ordinario\nEl señor")));
    ASSERT_TRUE(data->hasFormat(CF_RTF));
    ASSERT_TRUE(data->hasFormat(CF_RTFNOOBJS));
    EXPECT_EQ(data->data(CF_RTF), Save(edit));
    // Pasted into another edit, over its selection, through our reader.
    TZbRichEdit* other = NewEdit();
    other->Lines()->SetText(QStringLiteral("[X]"));
    Select(other, 1, 1);
    other->PasteFromClipboard();
    EXPECT_TRUE(other->Text().startsWith(QStringLiteral("[Demanda de juicio")));
    EXPECT_TRUE(other->Text().endsWith(QStringLiteral("Col1\tCol2]")));
    Select(other, 3, 1);
    EXPECT_EQ(other->SelAttributes()->Style(), TFontStyles({fsBold}));
    EXPECT_EQ(other->SelAttributes()->Color(), clRed);
    EXPECT_EQ(other->SelAttributes()->Size(), 16);
    Select(other, other->Document()->findBlockByNumber(2).position() + 1, 0);
    EXPECT_EQ(other->Paragraph()->Numbering(), nsBullet);

    // HTML from another program: what the edit can express arrives, the rest does not.
    auto* html = new QMimeData;
    html->setHtml(QStringLiteral("<p align=\"right\"><b>Negrita</b> <i><font color=\"#00ff00\">verde</font></i>"
                                 "<img src=\"x.png\"> <span style=\"font-family:'Courier New'; font-size:14pt\">fija</span></p>"));
    html->setText(QStringLiteral("Negrita verde fija"));
    QApplication::clipboard()->setMimeData(html);
    other->Lines()->SetText(QString());
    other->PasteFromClipboard();
    EXPECT_EQ(other->Text(), QStringLiteral("Negrita verde fija"));
    Select(other, 1, 1);
    EXPECT_EQ(other->SelAttributes()->Style(), TFontStyles({fsBold}));
    EXPECT_EQ(other->Paragraph()->Alignment(), taRightJustify);
    Select(other, 9, 1);
    EXPECT_EQ(other->SelAttributes()->Style(), TFontStyles({fsItalic}));
    EXPECT_EQ(other->SelAttributes()->Color(), RGB(0, 255, 0));
    Select(other, 15, 1);
    EXPECT_EQ(other->SelAttributes()->Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(other->SelAttributes()->Size(), 14);
    // A plain-text edit takes the text only.
    other->SetPlainText(true);
    other->Lines()->SetText(QString());
    other->PasteFromClipboard();
    EXPECT_EQ(other->Text(), QStringLiteral("Negrita verde fija"));
}

TEST_F(RichEditTest, SaveClipboardIsAskedWhenTheEditGoesWithItsDataOnTheClipboard) {
    LoadRtf(edit, ObjectRtf);
    Select(edit, 0, edit->GetTextLen());
    int objects = -1, chars = -1, calls = 0;
    const auto ask = [&](bool answer) {
        return [&, answer](TObject*, int numObjects, int numChars, bool& save) {
            ++calls;
            objects = numObjects;
            chars = numChars;
            EXPECT_TRUE(save);
            save = answer;
        };
    };
    edit->CopyToClipboard();
    EXPECT_FALSE(QApplication::clipboard()->mimeData()->data(CF_RTFNOOBJS).contains("\\object"));
    EXPECT_TRUE(QApplication::clipboard()->mimeData()->data(CF_RTF).contains("{\\object\\objemb"));
    edit->OnSaveClipboard = ask(true);
    delete edit;
    edit = nullptr;
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(objects, 1);
    EXPECT_EQ(chars, 15);  // "Antes ", the object, " después"
    EXPECT_TRUE(QApplication::clipboard()->mimeData()->hasFormat(CF_RTF));
    // Answering no clears the data.
    TZbRichEdit* second = NewEdit();
    second->Lines()->SetText(QStringLiteral("texto"));
    Select(second, 0, 3);
    second->CopyToClipboard();
    second->OnSaveClipboard = ask(false);
    delete second;
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(objects, 0);
    EXPECT_EQ(chars, 3);
    const QMimeData* left = QApplication::clipboard()->mimeData();
    EXPECT_TRUE(!left || left->formats().isEmpty());
    // Not asked once another has replaced the data.
    TZbRichEdit* third = NewEdit();
    third->Lines()->SetText(QStringLiteral("texto"));
    Select(third, 0, 3);
    third->CopyToClipboard();
    PutOnClipboard(QString(), {}, QStringLiteral("ajeno"));
    third->OnSaveClipboard = ask(false);
    delete third;
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("ajeno"));
}

// ------------------------------------------------------------------ stream modes

TEST_F(RichEditTest, ObjectGroupsAreKeptOrDroppedAndPlainRtfLeavesOutCharsets) {
    // Read without smNoObjects: the object is one character, its result never shows as text,
    // and it is written back as it came.
    LoadRtf(edit, ObjectRtf);
    EXPECT_EQ(edit->Text(), QStringLiteral("Antes \uFFFC después"));
    const QByteArray group = QByteArray(ObjectRtf).mid(QByteArray(ObjectRtf).indexOf("{\\object"),
                                                        QByteArray(ObjectRtf).indexOf(" despu") -
                                                            QByteArray(ObjectRtf).indexOf("{\\object"));
    EXPECT_TRUE(Save(edit).contains(group));
    // A font table inside the object's data leaves the document's fonts alone.
    TZbRichEdit* fonts = NewEdit();
    LoadRtf(fonts, "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}}\\f1 a"
                   "{\\object{\\*\\objdata {\\fonttbl{\\f1\\fcharset204 Cyr;}}}}\\'e1}");
    EXPECT_EQ(fonts->Text(), QStringLiteral("a\uFFFCá"));
    Select(fonts, 2, 1);
    EXPECT_EQ(fonts->SelAttributes()->Name(), QStringLiteral("Times New Roman"));
    // A group that starts with a paragraph break (a backslash and a new line) is not an object's,
    // even when \object follows: kept whole, it gave its paragraph again at every save and load.
    LoadRtf(fonts, "{\\rtf1 a{\\\n\\object{\\*\\objdata 00}}b}");
    const QString leida = fonts->Text();
    EXPECT_EQ(leida.count(QChar(u'\n')) + leida.count(QChar(0x2029)), 1);
    Load(fonts, Save(fonts));
    EXPECT_EQ(fonts->Text(), leida);
    // An object keeps its own character format (here protection) through a save and a load.
    LoadRtf(fonts, "{\\rtf1 a{\\protect\\b{\\object{\\*\\objdata 00}}}b}");
    Load(fonts, Save(fonts));
    EXPECT_FALSE(fonts->IsProtected(0, 1));
    EXPECT_TRUE(fonts->IsProtected(1, 2));
    EXPECT_FALSE(fonts->IsProtected(2, 3));
    // Written with smNoObjects: no object; read back, the text around it.
    edit->SetStreamMode(smNoObjects);
    const QByteArray noObjects = Save(edit);
    EXPECT_FALSE(noObjects.contains("\\object"));
    TZbRichEdit* copy = NewEdit();
    Load(copy, noObjects);
    EXPECT_EQ(copy->Text(), QStringLiteral("Antes  después"));
    // Read with smNoObjects: the group is dropped.
    copy->SetStreamMode(smNoObjects);
    LoadRtf(copy, ObjectRtf);
    EXPECT_EQ(copy->Text(), QStringLiteral("Antes  después"));
    // Plain RTF: no code page or charset words; the same text and attributes read back.
    Compose(this, copy);
    copy->SetStreamMode(smPlainRtf);
    const QByteArray plain = Save(copy);
    EXPECT_FALSE(plain.contains("\\ansicpg"));
    EXPECT_FALSE(plain.contains("\\fcharset"));
    copy->SetStreamMode(0);
    const QByteArray full = Save(copy);
    EXPECT_TRUE(full.contains("\\ansicpg1252"));
    TZbRichEdit* back = NewEdit();
    Load(back, plain);
    EXPECT_EQ(back->Text(), copy->Text());
    EXPECT_EQ(Save(back), full);
    // Both together with smSelection: the object and the selected text only.
    Select(edit, 3, 6);
    edit->SetStreamMode(smSelection | smPlainRtf);
    const QByteArray part = Save(edit);
    EXPECT_TRUE(part.contains("\\object"));
    EXPECT_FALSE(part.contains("\\fcharset"));
    edit->SetStreamMode(smSelection | smNoObjects | smPlainRtf);
    Load(back, Save(edit));
    EXPECT_EQ(back->Text(), QStringLiteral("es  d"));
    back->Lines()->SetText(QStringLiteral("<>"));
    Select(back, 1, 0);
    back->SetStreamMode(smSelection | smNoObjects);
    LoadRtf(back, ObjectRtf);
    EXPECT_EQ(back->Text(), QStringLiteral("<Antes  después>"));
}

// The office suite (skipped where it is not installed) reads the RTF we put on the clipboard and
// write in the plain and no-object modes; RTF it writes, pasted, keeps its attributes.
TEST_F(RichEditTest, OfficeSuiteAndClipboardRtfGoBothWays) {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) GTEST_SKIP() << "soffice is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    const auto convert = [&](const QString& filter, const QStringList& files) {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(soffice, QStringList{QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("perfil")),
                                     QStringLiteral("--headless"), QStringLiteral("--norestore"),
                                     QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"),
                                     dir.filePath(QStringLiteral("out"))} +
                             files);
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished(5000);
        }
        return QString::fromLocal8Bit(p.readAllStandardError());
    };
    // Ours: the clipboard's RTF of a composed document, plain RTF, RTF without the object.
    Compose(this, edit);
    Select(edit, 0, edit->GetTextLen());
    edit->CopyToClipboard();
    write(QStringLiteral("portapapeles.rtf"), QApplication::clipboard()->mimeData()->data(CF_RTF));
    edit->SetStreamMode(smPlainRtf);
    write(QStringLiteral("plano.rtf"), Save(edit));
    TZbRichEdit* withObject = NewEdit();
    LoadRtf(withObject, ObjectRtf);
    withObject->SetStreamMode(smNoObjects);
    write(QStringLiteral("sinobjetos.rtf"), Save(withObject));
    const QString err = convert(QStringLiteral("html"), {QStringLiteral("portapapeles.rtf"), QStringLiteral("plano.rtf"),
                                                         QStringLiteral("sinobjetos.rtf")});
    const auto imported = [&](const QString& name) {
        QFile f(dir.filePath(QStringLiteral("out/") + name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString() << err.toStdString();
        auto doc = std::make_unique<QTextDocument>();
        doc->setHtml(QString::fromUtf8(f.readAll()));
        return doc;
    };
    for (const QString& name : {QStringLiteral("portapapeles.html"), QStringLiteral("plano.html")}) {
        const auto doc = imported(name);
        const QString text = doc->toPlainText();
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(text.contains(QStringLiteral("El señor {Pérez} debe 1.200 € \\ 5%")));
        const auto format = [&](const QString& word) {
            QTextCursor c(doc.get());
            c.setPosition(int(text.indexOf(word)) + 1);
            return c;
        };
        EXPECT_GE(format(QStringLiteral("Demanda")).charFormat().fontWeight(), QFont::DemiBold);
        EXPECT_EQ(format(QStringLiteral("Demanda")).charFormat().foreground().color(), QColor(255, 0, 0));
        EXPECT_TRUE(format(QStringLiteral("Demanda")).blockFormat().alignment() & Qt::AlignHCenter);
        EXPECT_TRUE(format(QStringLiteral("señor")).charFormat().fontItalic());
        // Qt's HTML reader does not know the suite's <strike>: looked for in the file itself.
        QFile html(dir.filePath(QStringLiteral("out/") + name));
        ASSERT_TRUE(html.open(QIODevice::ReadOnly));
        const QByteArray raw = html.readAll();
        const qsizetype struck = raw.indexOf("<strike>");
        EXPECT_TRUE(struck >= 0 && struck < raw.indexOf("1.200") && raw.indexOf("</strike>") > raw.indexOf("1.200"));
        EXPECT_TRUE(format(QStringLiteral("debe")).blockFormat().alignment() & Qt::AlignRight);
    }
    const QString noObjects = imported(QStringLiteral("sinobjetos.html"))->toPlainText();
    EXPECT_TRUE(noObjects.contains(QStringLiteral("Antes")));
    EXPECT_TRUE(noObjects.contains(QStringLiteral("después")));
    EXPECT_FALSE(noObjects.contains(QStringLiteral("RESULTADO")));

    // Theirs: RTF the suite writes, pasted from the clipboard into the middle of a line.
    write(QStringLiteral("suyo.html"),
          QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>"
                         "<p align=\"center\"><b>Fundamentos</b> de <i>derecho</i></p>"
                         "<p align=\"right\"><font color=\"#0000ff\">azul</font> <u>subrayado</u></p></body></html>")
              .toUtf8());
    convert(QStringLiteral("rtf:Rich Text Format"), {QStringLiteral("suyo.html")});
    QFile theirs(dir.filePath(QStringLiteral("out/suyo.rtf")));
    ASSERT_TRUE(theirs.open(QIODevice::ReadOnly));
    PutOnClipboard(CF_RTF, theirs.readAll(), QStringLiteral("Fundamentos de derecho\nazul subrayado"));
    TZbRichEdit* target = NewEdit();
    target->Lines()->SetText(QStringLiteral("<>"));
    Select(target, 1, 0);
    target->PasteFromClipboard();
    const QString text = target->Document()->toPlainText();
    ASSERT_TRUE(text.startsWith(QStringLiteral("<Fundamentos de derecho"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("azul subrayado")));
    const auto at = [&](const QString& word) {
        Select(target, int(text.indexOf(word)) + 1, 1);
        return target->SelAttributes();
    };
    EXPECT_EQ(at(QStringLiteral("Fundamentos"))->Style(), TFontStyles({fsBold}));
    EXPECT_EQ(target->Paragraph()->Alignment(), taCenter);
    EXPECT_EQ(at(QStringLiteral("derecho"))->Style(), TFontStyles({fsItalic}));
    EXPECT_EQ(at(QStringLiteral("azul"))->Color(), RGB(0, 0, 255));
    EXPECT_EQ(target->Paragraph()->Alignment(), taRightJustify);
    EXPECT_EQ(at(QStringLiteral("subrayado"))->Style(), TFontStyles({fsUnderline}));
}
