#pragma once
// A fresh data folder with an office lawyer, a logged-in user and the working year's counters,
// for the case-file and consultation forms.
#include "DatFixture.h"
#include "platform/rtl/SysUtils.h"

#include "platform/report/QuickRpt.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

namespace casotest {

// The data module of another workstation on `carpeta`, in the working year 2001, with the user
// "ANA" the fixture makes logged in.
inline void AbreOtraEstacion(const QString& carpeta) {
    CarpetaDatos = carpeta;
    AnoSeleccionado = QStringLiteral("2001");
    Dat = new TDat(nullptr);
    EXPECT_TRUE(Dat->TPriv->Locate(QStringLiteral("Usuario"), Variant(QStringLiteral("ANA")), 0));
}

// Waits up to a minute for the file another workstation makes to say it got there.
inline bool EsperaFichero(const QString& ruta) {
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(ruta)) {
        if (t.elapsed() > 60000) return false;
        QThread::msleep(5);
    }
    return true;
}

class CasoTest : public shelltest::DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        AnoSeleccionado = QStringLiteral("2001");
        Abogado = AddLawyer(QStringLiteral("RUIZ"), QStringLiteral("PEDRO"));
        Usuario(QStringLiteral("ANA"), -1);
        Contadores(2001, QStringLiteral("00010-A"), QStringLiteral("00004-A"), 7);
    }
    void TearDown() override {
        LetraRegistro.clear();
        DatTest::TearDown();
    }
    int AddLawyer(const QString& apellidos, const QString& nombre) {
        Dat->TAboCli->Append();
        Dat->TAboCli->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(apellidos);
        Dat->TAboCli->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(nombre);
        Dat->TAboCli->Post();
        return Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsInteger();
    }
    // The logged-in user: every right, and the lawyer code (-1 every lawyer).
    void Usuario(const QString& nombre, int abogado, bool derechos = true) {
        TTable* p = Dat->TPriv;
        if (p->Locate(QStringLiteral("Usuario"), Variant(nombre), 0)) p->Edit();
        else p->Append();
        p->FieldByName(QStringLiteral("Usuario"))->SetAsString(nombre);
        p->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(QStringLiteral("x"));
        for (const char* f : {"Privacidad", "Expedientes", "Consulta", "Agenda", "Modelos", "Fusion", "Listados", "Economico", "General"})
            p->FieldByName(QString::fromLatin1(f))->SetAsBoolean(derechos);
        p->FieldByName(QStringLiteral("Abogado"))->SetAsInteger(abogado);
        p->Post();
    }
    void Contadores(int ano, const QString& exp, const QString& con, int factura) {
        TTable* t = Dat->TTabcon;
        if (t->Locate(QStringLiteral("ANO"), Variant(ano), 0)) t->Edit();
        else t->Append();
        t->FieldByName(QStringLiteral("ANO"))->SetAsInteger(ano);
        t->FieldByName(QStringLiteral("CONTEXP"))->SetAsString(exp);
        t->FieldByName(QStringLiteral("CONTCON"))->SetAsString(con);
        t->FieldByName(QStringLiteral("NUMFACTU"))->SetAsInteger(factura);
        t->Post();
    }
    QString Contador(int ano, const char* campo) {
        return Valor(QStringLiteral("SELECT %1 AS V FROM TABCON WHERE ANO = %2").arg(QString::fromLatin1(campo)).arg(ano)).AsString();
    }
    // One value read straight from the file, past every cursor of the data module.
    Variant Valor(const QString& sql) {
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText(sql);
        q.Open();
        if (q.IsEmpty()) return Null();
        return q.Fields()->Fields(0)->Value();
    }
    int Cuenta(const QString& sql) { return Valor(QStringLiteral("SELECT COUNT(*) FROM ") + sql).AsInteger(); }
    QStringList Agenda(const QString& ano, const QString& numero) {
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText(QStringLiteral("SELECT SITUACION FROM AGENDA WHERE ANO = '%1' AND NUMERO = '%2' ORDER BY ORDEN").arg(ano, numero));
        q.Open();
        QStringList r;
        for (; !q.Eof(); q.Next()) r << q.Fields()->Fields(0)->AsString();
        return r;
    }
    void CaseField(const char* campo, const Variant& valor) {
        Dat->TExped->Edit();
        Dat->TExped->FieldByName(QString::fromLatin1(campo))->SetValue(valor);
        Dat->TExped->Post();
    }
    void Link(const char* tabla, const QString& ano, const QString& numero, const char* campo, int codigo) {
        TTable* t = QString::fromLatin1(tabla) == QLatin1String("EXPCLI") ? Dat->TExpCli : Dat->TExpCon;
        t->Append();
        t->FieldByName(QStringLiteral("ANO"))->SetAsString(ano);
        t->FieldByName(QStringLiteral("NUMERO"))->SetAsString(numero);
        t->FieldByName(QString::fromLatin1(campo))->SetAsInteger(codigo);
        t->Post();
    }
    void Ledger(const QString& ano, const QString& numero, int tipo, double importe, const QString& concepto) {
        TTable* t = Dat->TCuentas;
        t->Append();
        t->FieldByName(QStringLiteral("ANO"))->SetAsString(ano);
        t->FieldByName(QStringLiteral("NUMERO"))->SetAsString(numero);
        t->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2001, 3, 12));
        t->FieldByName(QStringLiteral("TIPO"))->SetAsInteger(tipo);
        t->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(importe);
        t->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(concepto);
        t->Post();
    }
    void Note(const QString& ano, const QString& numero, const QString& texto, const QString& tipoAgenda = QStringLiteral("GENERAL"),
              int codigo = 0) {
        TTable* t = Dat->TAgen;
        t->Append();
        t->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(Abogado);
        t->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2001, 4, 2 + FNotas));
        t->FieldByName(QStringLiteral("HORA"))->SetAsDateTime(EncodeTime(9 + FNotas, 30, 0, 0));
        ++FNotas;
        t->FieldByName(QStringLiteral("TIPO"))->SetAsString(QStringLiteral("E"));
        t->FieldByName(QStringLiteral("ANO"))->SetAsString(ano);
        t->FieldByName(QStringLiteral("NUMERO"))->SetAsString(numero);
        t->FieldByName(QStringLiteral("SITUACION"))->SetAsString(texto);
        t->FieldByName(QStringLiteral("TIPOAGENDA"))->SetAsString(tipoAgenda);
        t->FieldByName(QStringLiteral("CODIGO"))->SetAsInteger(codigo);
        t->Post();
    }
    bool GoCase(const QString& ano, const QString& numero) {
        return Dat->TExped->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(ano), Variant(numero)}), 0);
    }
    static QString Render(const QString& nombre) { return QDir(QStringLiteral(ZEMBRA_TEST_BINARY_DIR)).filePath(nombre); }
    // The first page of the report just prepared, as a picture beside the test binary; it must
    // hold ink. Needs pdftoppm; without it nothing is drawn.
    void DibujaInforme(const QString& nombre) {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()) return;
        const QString pdf = dir.filePath(nombre + QStringLiteral(".pdf"));
        QRPrinter->ExportToPdf(pdf);
        const QString out = Render(nombre);
        QProcess p;
        p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"), QStringLiteral("-f"),
                                             QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                             QStringLiteral("-singlefile"), pdf, out});
        ASSERT_TRUE(p.waitForFinished(60000));
        const QImage image(out + QStringLiteral(".png"));
        ASSERT_FALSE(image.isNull());
        int tinta = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                if (qGray(image.pixel(x, y)) < 100) ++tinta;
        EXPECT_GT(tinta, 500);
    }

    int Abogado = 0;
    int FNotas = 0;
};

}  // namespace casotest
