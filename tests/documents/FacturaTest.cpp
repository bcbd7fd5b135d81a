#include "FusionFixture.h"
#include "records/UFactura.h"

using fusiontest::FusionDatos;
using fusiontest::RunTool;
using fusiontest::Script;

namespace {
// A fee note whose one paragraph holds the detail field; the block is typed there.
class Factura : public FusionDatos, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override
    {
        FusionDatos::SetUp();
        Llena();
        TipoEditor = QString::fromLatin1(GetParam());
        ExtensionEscrito = ExtensionDeEditor(TipoEditor);
        modelo = dir.filePath("minuta" + ExtensionEscrito);
        const QString script = QStringLiteral(
            "import sys\n"
            "p = sys.argv[1]\n"
            "if p.endswith('.docx'):\n"
            "    import docx\n"
            "    d = docx.Document(); q = d.add_paragraph('Minuta: '); q.add_run('[[Economicos.Detalle ')\n"
            "    q.add_run('de Factura]]').italic = True; q.add_run(' fin'); d.save(p)\n"
            "else:\n"
            "    import zipfile\n"
            "    c = ('<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
            "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
            "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\"><office:body>"
            "<office:text><text:p>Minuta: [[Economicos.Detalle de Factura]] fin</text:p></office:text></office:body>"
            "</office:document-content>')\n"
            "    z = zipfile.ZipFile(p, 'w')\n"
            "    z.writestr('mimetype', 'application/vnd.oasis.opendocument.text')\n"
            "    z.writestr('META-INF/manifest.xml', '<?xml version=\"1.0\" encoding=\"UTF-8\"?><manifest:manifest "
            "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" manifest:version=\"1.2\">"
            "<manifest:file-entry manifest:full-path=\"/\" manifest:media-type=\"application/vnd.oasis.opendocument.text\"/>"
            "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/></manifest:manifest>')\n"
            "    z.writestr('content.xml', c); z.close()\n");
        int code = 0;
        const QString log = RunTool("/usr/bin/python3", {"-c", script, modelo}, &code);
        ASSERT_EQ(code, 0) << log.toStdString();
    }
    void Apunte(int tipo, const QString& concepto, double importe, const QString& numero = "0042")
    {
        Fila("CUENTAS", {{"ANO", "2001"}, {"NUMERO", numero}, {"ORDEN", ++orden}, {"TIPO", tipo}, {"CONCEPTO", concepto},
                         {"IMPORTE", importe}});
    }
    // Types the block into the model and reads the document back: one line per paragraph,
    // "text | bold runs | sizes | tab stops", tabs as "~" and runs of blanks as "_n_".
    QStringList Bloque(void (*detalle)())
    {
        EditorOle = AbreEditor(TipoEditor);
        AbreEscrito(EditorOle, TipoEditor, modelo, false);
        detalle();
        const QString salida = dir.filePath(QString("salida%1").arg(++vez) + ExtensionEscrito);
        GuardaEscrito(EditorOle, TipoEditor, salida);
        int code = 0;
        QString leido = RunTool("/usr/bin/python3", {Script("read_typed.py"), salida}, &code);
        EXPECT_EQ(code, 0) << leido.toStdString();
        leido.replace('\t', '~').replace(QString(104, ' '), "_104_").replace(QString(40, ' '), "_40_").replace(QString(30, ' '), "_30_");
        QStringList lineas = leido.trimmed().split('\n');
        // The tab stops are the same on every paragraph typed: checked once.
        const QString paradas = EsFamiliaWord(TipoEditor)
                                    ? "1.0:LEFT (0):SPACES (0),1.5:LEFT (0):SPACES (0),12.0:LEFT (0):DOTS (1),14.5:RIGHT (2):SPACES (0)"
                                    : "1.0:left:none,1.5:left:none,12.0:left:dotted,14.5:right:none";
        for (QString& l : lineas) {
            EXPECT_TRUE(l.endsWith(" | " + paradas)) << l.toStdString();
            l.chop(paradas.size() + 3);
            while (l.endsWith(' ')) l.chop(1);
        }
        return lineas;
    }
    QString modelo;
    int orden = 0, vez = 0;
};
}  // namespace

TEST_P(Factura, CaseFileBlockListsGroupsTaxesTotalAndBalanceInEuros)
{
    Cambia("EXPED", "IRPF = 15");
    Apunte(1, "Tasa judicial", 100);
    Apunte(2, "Honorarios por la redacción y presentación de la demanda", 1000);
    Apunte(2, "Exactamente treinta y cinco letras.", 234.5);
    Apunte(4, "Fotocopias", 10);
    Apunte(4, "Fotocopias", -10);  // a group that sums to nothing is left out
    Apunte(3, "Provisión de fondos", -500);
    const QStringList b = Bloque(DetalleFacturaExpediente);
    EXPECT_EQ(b, QStringList({
                     "Minuta:  |  |",
                     "~SUPLIDOS | ~SUPLIDOS | 14",
                     "~~Tasa judicial~~    100,00 |  | 12",
                     "~~_104_  -------------- |  | 12",
                     "~~_30_Total Suplidos~~    100,00 | ~~_30_Total Suplidos~~    100,00 | 12",
                     "~DERECHOS | ~DERECHOS | 14",
                     "~~Exactamente treinta y cinco letras.~~    234,50 |  | 12",
                     "~~Honorarios por la redacción y  |  | 12",
                     "~~presentación de la demanda~~  1.000,00 |  | 12",
                     "~~_104_  -------------- |  | 12",
                     "~~_30_Total Derechos~~  1.234,50 | ~~_30_Total Derechos~~  1.234,50 | 12",
                     "~~_40_I.V.A. 16% ~~    197,52 |  | 12",
                     "~~_40_I.R.P.F. 15% ....~~   -185,18 |  | 12",
                     "~~_104_  -------------- |  | 12",
                     "~~_30_TOTAL FACTURA~~  1.346,84 | ~~_30_TOTAL FACTURA~~  1.346,84 | 12",
                     "~PROVISIONES | ~PROVISIONES | 14",
                     "~~Provisión de fondos~~   -500,00 |  | 12",
                     "~~_104_  -------------- |  | 12",
                     "~~_30_Total Provisiones~~   -500,00 | ~~_30_Total Provisiones~~   -500,00 | 12",
                     "~~_104_  -------------- |  | 12",
                     "~~_30_Saldo a mi favor s.e.u o. Euros.~~    846,84 | ~~_30_Saldo a mi favor s.e.u o. Euros.~~    846,84 | 12",
                     "~~_30_Saldo a mi favor s.e.u o. Ptas.~~   140.902 |  | 12",
                     " fin |  |",
                 }))
        << b.join("\n").toStdString();
}

TEST_P(Factura, PesetasRoundTaxesToWholeUnitsAndShowTheBalanceInEuros)
{
    Cambia("EXPED", "MONEDA = 'P'");
    Apunte(2, "Honorarios", 1234);
    const QStringList b = Bloque(DetalleFacturaExpediente);
    // 16 % of 1.234 is 197,44: whole pesetas, 197. The balance in euros at 166,386.
    EXPECT_TRUE(b.contains("~~_40_I.V.A. 16% ~~       197 |  | 12")) << b.join("\n").toStdString();
    EXPECT_TRUE(b.contains("~~_30_TOTAL FACTURA~~     1.431 | ~~_30_TOTAL FACTURA~~     1.431 | 12")) << b.join("\n").toStdString();
    EXPECT_TRUE(b.contains("~~_30_Saldo a mi favor s.e.u o. Ptas.~~     1.431 | ~~_30_Saldo a mi favor s.e.u o. Ptas.~~     1.431 | 12"))
        << b.join("\n").toStdString();
    EXPECT_TRUE(b.contains("~~_30_Saldo a mi favor s.e.u o. Euros.~~      8,60 |  | 12")) << b.join("\n").toStdString();
}

TEST_P(Factura, OnlyOutlaysMeanNoTaxesNoTotalAndAZeroBalanceHasNoOtherCurrency)
{
    Apunte(1, "Tasa", 50);
    Apunte(3, "Provisión", -50);
    const QStringList b = Bloque(DetalleFacturaExpediente);
    EXPECT_FALSE(b.join("\n").contains("TOTAL FACTURA")) << b.join("\n").toStdString();
    EXPECT_FALSE(b.join("\n").contains("I.V.A.")) << b.join("\n").toStdString();
    EXPECT_EQ(b.mid(b.size() - 3), QStringList({"~~_104_  -------------- |  | 12",
                                                 "~~_30_Saldo a su favor s.e.u o. Euros.~~      0,00 | ~~_30_Saldo a su favor s.e.u o. Euros.~~      0,00 | 12",
                                                 " fin |  |"}))
        << b.join("\n").toStdString();
}

// Expenses are taxed like fees, also with no fee at all; a tax on an exact half cent goes to the
// even cent (10 % of 10,25 down to 1,02, 30 % up to 3,08), as the invoice stores it.
TEST_P(Factura, ExpensesAloneAreTaxedAndAHalfCentGoesToTheEvenCent)
{
    Cambia("EXPED", "IVA = 10, IRPF = 30");
    Apunte(4, "Desplazamiento", 10.25);
    const QStringList b = Bloque(DetalleFacturaExpediente);
    const QString todo = b.join("\n");
    EXPECT_FALSE(todo.contains("DERECHOS")) << todo.toStdString();
    EXPECT_TRUE(b.contains("~~_30_Total Gastos~~     10,25 | ~~_30_Total Gastos~~     10,25 | 12")) << todo.toStdString();
    EXPECT_TRUE(b.contains("~~_40_I.V.A. 10% ~~      1,02 |  | 12")) << todo.toStdString();
    EXPECT_TRUE(b.contains("~~_40_I.R.P.F. 30% ....~~     -3,08 |  | 12")) << todo.toStdString();
    EXPECT_TRUE(b.contains("~~_30_TOTAL FACTURA~~      8,19 | ~~_30_TOTAL FACTURA~~      8,19 | 12")) << todo.toStdString();
    EXPECT_TRUE(b.contains("~~_30_Saldo a mi favor s.e.u o. Euros.~~      8,19 | ~~_30_Saldo a mi favor s.e.u o. Euros.~~      8,19 | 12"))
        << todo.toStdString();
    EXPECT_EQ(records::Impuesto(Currency(10.25), 10, true), Currency(1.02));
    EXPECT_EQ(records::Impuesto(Currency(10.25), 30, true), Currency(3.08));
}

TEST_P(Factura, InvoicedCaseFileShowsTheTaxesAndTotalStoredWithItsInvoice)
{
    // A refunded outlay leaves the outlays below zero: the group is not listed, but the invoice
    // counted it, and the fee note must say what the invoice says.
    Apunte(1, "Devolución de tasa", -50);
    Apunte(2, "Honorarios", 1000);
    Cambia("EXPED", QString("FECHAFACTURA = %1, IRPF = 15, IMPIVA = 160, IMPIRPF = 150, TOTAL = 960, PROVISIONES = 0")
                        .arg(double(EncodeDate(2001, 6, 1))));
    const QStringList b = Bloque(DetalleFacturaExpediente);
    EXPECT_FALSE(b.join("\n").contains("SUPLIDOS")) << b.join("\n").toStdString();
    EXPECT_TRUE(b.contains("~~_40_I.V.A. 16% ~~    160,00 |  | 12")) << b.join("\n").toStdString();
    EXPECT_TRUE(b.contains("~~_40_I.R.P.F. 15% ....~~   -150,00 |  | 12")) << b.join("\n").toStdString();
    EXPECT_TRUE(b.contains("~~_30_TOTAL FACTURA~~    960,00 | ~~_30_TOTAL FACTURA~~    960,00 | 12")) << b.join("\n").toStdString();
    EXPECT_TRUE(b.contains("~~_30_Saldo a mi favor s.e.u o. Euros.~~    960,00 | ~~_30_Saldo a mi favor s.e.u o. Euros.~~    960,00 | 12"))
        << b.join("\n").toStdString();
    // The merged "Economicos" fields read the same stored invoice.
    Campos({"[[Economicos.Total Factura]]", "[[Economicos.Total Factura en Letra]]"});
    RellenaEconomicosExpediente();
    EXPECT_EQ(Valor("[[Economicos.Total Factura]]"), "    960,00");
    EXPECT_EQ(Valor("[[Economicos.Total Factura en Letra]]"), "NOVECIENTAS SESENTA ");
}

TEST_P(Factura, ConsultationBlockInBothCurrencies)
{
    Cambia("CONSULTAS", "IMPORTE = 1234.5, IVA = 16, IPRF = 15");
    QStringList b = Bloque(DetalleFacturaConsulta);
    EXPECT_EQ(b, QStringList({"Minuta:  |  |", "~DERECHOS | ~DERECHOS | 14", "~~DERECHOS DE CONSULTA~~  1.234,50 |  | 12",
                              " |  |", "~~_40_I.V.A. 16% ~~    197,52 |  | 12",
                              "~~_40_I.R.P.F. 15% ....~~   -185,18 |  | 12", "~~_104_  -------------- |  | 12",
                              "~~_30_TOTAL FACTURA  Euros.~~  1.246,84 | ~~_30_TOTAL FACTURA  Euros.~~  1.246,84 | 12",
                              "~~_30_TOTAL FACTURA Ptas.~~   207.457 |  | 12", " fin |  |"}))
        << b.join("\n").toStdString();

    Cambia("CONSULTAS", "IMPORTE = 0, MONEDA = 'P'");
    b = Bloque(DetalleFacturaConsulta);
    EXPECT_TRUE(b.contains("~~DERECHOS DE CONSULTA~~         0 |  | 12")) << b.join("\n").toStdString();
    EXPECT_TRUE(b.contains("~~_30_TOTAL FACTURA  Ptas.~~         0 | ~~_30_TOTAL FACTURA  Ptas.~~         0 | 12"))
        << b.join("\n").toStdString();
    EXPECT_FALSE(b.join("\n").contains("Euros")) << b.join("\n").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Familias, Factura, ::testing::Values("Word2000", "WordPro96"));
