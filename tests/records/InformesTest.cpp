// The party cards and the economic statement, printed to PDF and read back with pdftotext.
#include "DatFixture.h"
#include "records/RPTFicAbo.h"
#include "records/RPTFicAboCli.h"
#include "records/RPTFicClien.h"
#include "records/RPTFicCon.h"
#include "records/RPTFicPer.h"
#include "records/RPTFicProcon.h"
#include "records/RptInfEcEx.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

namespace {

class InformesTest : public shelltest::DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    // The text of the pages the report printer holds, through a PDF file.
    QString Pdf() {
        const QString file = dir.filePath(QStringLiteral("informe.pdf"));
        QRPrinter->ExportToPdf(file);
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                                               file, QStringLiteral("-")});
        EXPECT_TRUE(p.waitForFinished(20000));
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    static QString Simple(QString s) { return s.simplified(); }
    // The first page as a PNG for review (docs/reports with ZEMBRA_RENDER_DOCS), checked to hold ink.
    void Dibuja(const QString& nombre) {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()) return;
        const QString pdf = dir.filePath(nombre + QStringLiteral(".pdf"));
        QRPrinter->ExportToPdf(pdf);
        const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
        const QString out = QDir(docs.isEmpty() ? dir.path() : QString::fromLocal8Bit(docs))
                                .filePath(nombre);
        QProcess p;
        p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"),
                                             QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                             QStringLiteral("1"), QStringLiteral("-singlefile"), pdf, out});
        ASSERT_TRUE(p.waitForFinished(60000));
        const QImage image(out + QStringLiteral(".png"));
        ASSERT_FALSE(image.isNull());
        int tinta = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                if (qGray(image.pixel(x, y)) < 100) ++tinta;
        EXPECT_GT(tinta, 500);
    }
    void Persona(TTable* t, const QStringList& campos, const QStringList& valores) {
        t->Append();
        for (int i = 0; i < campos.size(); ++i) t->FieldByName(campos[i])->SetAsString(valores[i]);
        t->Post();
    }
    void Apunte(int tipo, const char* fecha, const char* concepto, double importe) {
        Dat->TCuentas->Append();
        Dat->TCuentas->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
        Dat->TCuentas->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("00001-A"));
        Dat->TCuentas->FieldByName(QStringLiteral("TIPO"))->SetAsInteger(tipo);
        Dat->TCuentas->FieldByName(QStringLiteral("FECHA"))->SetAsString(QString::fromLatin1(fecha));
        Dat->TCuentas->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(QString::fromLatin1(concepto));
        Dat->TCuentas->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(importe);
        Dat->TCuentas->Post();
    }
    // The statement of a case file with the entries of the worked example.
    QString Estado(const char* moneda, bool conEntradas = true) {
        SetSistem("IVA", Variant(16));
        SetSistem("IRPF", Variant(15));
        const int cliente = AddClient(QStringLiteral("GARCIA"), QStringLiteral("ANA"));
        AddCase(QStringLiteral("2024"), QStringLiteral("00001-A"), cliente);
        Dat->TExped->Edit();
        Dat->TExped->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QString::fromLatin1(moneda));
        Dat->TExped->FieldByName(QStringLiteral("PROCEDIMIENTO"))->SetAsString(QStringLiteral("ORDINARIO"));
        Dat->TExped->FieldByName(QStringLiteral("AUTOS"))->SetAsString(QStringLiteral("123/24"));
        Dat->TExped->Post();
        if (conEntradas) {
            Apunte(1, "10/01/2024", "Tasas", 50);
            Apunte(2, "11/01/2024", "Demanda", 300);
            Apunte(4, "12/01/2024", "Viaje", 20);
            Apunte(3, "13/01/2024", "Provision", -100);
        }
        auto* r = new TInfInfEcEx(nullptr);
        r->Inicia();
        r->QRInfEcEx->Prepare();
        const QString texto = Pdf();
        if (QByteArray(moneda) == "E") Dibuja(QStringLiteral("RptInfEcEx"));
        delete r;
        return texto;
    }
};

TEST_F(InformesTest, ClientCardPrintsTheCurrentClientWithItsLabels) {
    const QStringList campos{"APELLIDOS", "NOMBRE", "DNI", "DOMICILIO", "CDPOSTAL", "POBLACION", "PROVINCIA", "TELEFONO",
                             "ASOCIADOS"};
    Persona(Dat->TClientes, campos,
            {"GARCIA", "ANA", "12345678Z", "C/ Mayor 1", "28001", "Madrid", "Madrid", "911234567", "Pepe"});
    Persona(Dat->TClientes, campos, {"LOPEZ", "LUIS", "1", "", "", "", "", "", ""});
    Dat->TClientes->Locate(QStringLiteral("APELLIDOS"), Variant(QStringLiteral("GARCIA")), 0);
    TInfFicClien* f = new TInfFicClien(nullptr);
    f->Prepare();
    const QString t = Simple(Pdf());
    Dibuja(QStringLiteral("RPTFicClien"));
    delete f;
    for (const char* s : {"FICHA DE CLIENTE", "Nombre : GARCIA, ANA", "C.I.F. : 12345678Z", "Domicilio : C/ Mayor 1 28001 Madrid",
                          "Provincia : Madrid", "Teléfono : 911234567", "Asociados : Pepe", "Expedientes Abiertos :",
                          "Expedientes Pendientes :", "Expedientes Cerrados :", "Comentarios"})
        EXPECT_TRUE(t.contains(QString::fromUtf8(s))) << s << "\n" << t.toStdString();
    EXPECT_FALSE(t.contains(QStringLiteral("LOPEZ")));
}

TEST_F(InformesTest, PartyCardsCarryTheirTitlesAndNameLines) {
    Persona(Dat->TAbogados, {"APELLIDOS", "NOMBRE", "DESPACHO"}, {"RUIZ", "PEDRO", "Ruiz y Asociados"});
    Persona(Dat->TProcu, {"APELLIDOS", "NOMBRE", "PARTIDO", "COLEGIADO", "CUENTACORRIENTE"},
            {"PROCURA", "UNO", "MADRID", "777", "0049-1"});
    Persona(Dat->TProcu, {"APELLIDOS", "NOMBRE", "PARTIDO"}, {"PROCURA", "DOS", "TOLEDO"});
    Persona(Dat->TPeritos, {"APELLIDOS", "NOMBRE", "PROFESION"}, {"TASA", "LUIS", "ARQUITECTO"});
    Persona(Dat->TAboCli, {"APELLIDOS", "NOMBRE", "CIF"}, {"ALONSO", "MARIA", "B1"});
    Persona(Dat->TContrarios, {"APELLIDOS", "NOMBRE"}, {"CONTRA", "JUAN"});
    Dat->TProcu->First();  // PROCURA, DOS
    struct TCaso {
        records::TFichaInforme* Ficha;
        QStringList Textos;
    };
    const TCaso casos[] = {
        {new TInfFicAbo(nullptr), {"FICHA DE ABOGADO", "Nombre : RUIZ PEDRO", "Despacho : Ruiz y Asociados"}},
        {new TInfFicProCon(nullptr), {"FICHA DEL PROCURADOR", "Nombre : PROCURA, DOS", "Partido : TOLEDO", "Colegiado :",
                                      "Nº Cuenta :"}},
        {new TInfFicPer(nullptr), {"FICHA DE PERITO", "Nombre : TASA, LUIS", "Profesión : ARQUITECTO", "Banco :"}},
        {new TInfFicAboCli(nullptr), {"FICHA DE ABOGADO DEL CLIENTE", "Nombre : ALONSO MARIA", "C.I.F. : B1",
                                      "Expedientes Civil :", "Expedientes Administrativos :"}},
        {new TInfFicCon(nullptr), {"FICHA DE CONTRARIO", "Nombre : CONTRA, JUAN", "Asociados :"}},
    };
    for (const TCaso& c : casos) {
        c.Ficha->Prepare();
        const QString t = Simple(Pdf());
        for (const QString& s : c.Textos) EXPECT_TRUE(t.contains(s)) << s.toStdString() << "\n" << t.toStdString();
        delete c.Ficha;
    }
    // The court-agent card follows the agent current in the data module.
    Dat->TProcu->Last();
    auto* f = new TInfFicProCon(nullptr);
    f->Prepare();
    const QString t = Simple(Pdf());
    EXPECT_TRUE(t.contains(QStringLiteral("Nombre : PROCURA, UNO")));
    EXPECT_TRUE(t.contains(QStringLiteral("Colegiado : 777")));
    EXPECT_TRUE(t.contains(QStringLiteral("Nº Cuenta : 0049-1")));
    delete f;
}

TEST_F(InformesTest, StatementInEurosRoundsTaxesToTheCent) {
    const QString t = Simple(Estado("E"));
    for (const char* s : {"INFORME ECONÓMICO DEL EXPEDIENTE", "Expediente : 2024 / 00001-A", "Cliente : GARCIA,ANA",
                          "Proced. : ORDINARIO", "Autos : 123/24", "SUPLIDO", "DERECHO", "GASTOS", "PROVISION",
                          "I.V.A. ... 51,20", "I.R.P.F. ... 48,00", "Total ... 323,20", "SALDO ... 273,20",
                          "45.457 Pts."})
        EXPECT_TRUE(t.contains(QString::fromUtf8(s))) << s << "\n" << t.toStdString();
    // One tax footer, after the fees and expenses.
    EXPECT_EQ(t.count(QStringLiteral("I.V.A.")), 1);
    EXPECT_LT(t.indexOf(QStringLiteral("GASTOS")), t.indexOf(QStringLiteral("I.V.A.")));
    EXPECT_LT(t.indexOf(QStringLiteral("I.V.A.")), t.indexOf(QStringLiteral("PROVISION")));
    EXPECT_EQ(t.count(QStringLiteral("TOTAL .....")), 4);
}

TEST_F(InformesTest, StatementInPesetasRoundsTaxesToWholePesetas) {
    SetSistem("IVA", Variant(16));
    SetSistem("IRPF", Variant(15));
    EXPECT_EQ(double(TInfInfEcEx::Impuesto(16, 303, false)), 48.0);   // 48,48
    EXPECT_EQ(double(TInfInfEcEx::Impuesto(15, 303, false)), 45.0);   // 45,45
    EXPECT_EQ(double(TInfInfEcEx::Impuesto(10, 5, false)), 1.0);      // 0,5: halves up
    EXPECT_NEAR(double(TInfInfEcEx::Impuesto(10, 0.25, true)), 0.02, 1e-9);  // 0,025: to even
    EXPECT_NEAR(double(TInfInfEcEx::Impuesto(10, 0.35, true)), 0.04, 1e-9);  // 0,035
    const QString t = Simple(Estado("P"));
    for (const char* s : {"I.V.A. ... 51 Pts.", "I.R.P.F. ... 48 Pts.", "Total ... 323 Pts.", "SALDO ... 273 Pts.",
                          "1,64"})
        EXPECT_TRUE(t.contains(QString::fromUtf8(s))) << s << "\n" << t.toStdString();
}

TEST_F(InformesTest, StatementKeepsEqualEntriesAndOmitsTheZeroConversion) {
    SetSistem("IVA", Variant(0));
    SetSistem("IRPF", Variant(0));
    const int cliente = AddClient(QStringLiteral("GARCIA"), QStringLiteral("ANA"));
    AddCase(QStringLiteral("2024"), QStringLiteral("00001-A"), cliente);
    Dat->TExped->Edit();
    Dat->TExped->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QStringLiteral("E"));
    Dat->TExped->Post();
    Apunte(2, "11/01/2024", "Minuta", 300);
    Apunte(2, "11/01/2024", "Minuta", 300);
    Apunte(3, "12/01/2024", "Provision", -600);
    auto* r = new TInfInfEcEx(nullptr);
    r->Inicia();
    r->QRInfEcEx->Prepare();
    const QString t = Simple(Pdf());
    delete r;
    EXPECT_EQ(t.count(QStringLiteral("Minuta")), 2) << t.toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("SALDO ... 0,00"))) << t.toStdString();
    EXPECT_FALSE(t.contains(QStringLiteral("Pts."))) << t.toStdString();
}

}  // namespace
