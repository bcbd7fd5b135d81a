// The lists of parties, lookup tables, agenda, powers of attorney and accounting concepts, read
// back from their PDF.
#include "ListadoFixture.h"

#include "platform/rtl/SysUtils.h"
#include "reports/RPTLisCli.h"
#include "reports/RPTLisCon.h"
#include "reports/RPTLisConCon.h"
#include "reports/RPTLisPod.h"
#include "reports/RPTLisProParJu.h"
#include "reports/rptLisAbo.h"
#include "reports/rptLisAgen.h"
#include "reports/rptLisConAgen.h"
#include "reports/rptLisPer.h"
#include "reports/rptLisPerPro.h"
#include "reports/rptLisPro.h"
#include "reports/rptLisProc.h"
#include "reports/rptLisTipDes.h"
#include "reports/rptLisTrib.h"
#include "reports/rptLisTur.h"

using namespace reportstest;

namespace {

class ListasTest : public ListadoTest {
protected:
    void SetUp() override {
        ListadoTest::SetUp();
        if (!hayPdftotext) GTEST_SKIP() << "no pdftotext";
    }
    template <class T>
    T* Nueva() {
        return new T(owner.get());
    }
    void Concepto(const char* cuenta, const char* concepto, int tipo, double importe) {
        Sql(QStringLiteral("INSERT INTO CONCONTAS (CUENTA, CONCEPTO, TIPO, IMPORTE) VALUES ('%1', '%2', %3, %4)")
                .arg(QString::fromUtf8(cuenta), QString::fromUtf8(concepto))
                .arg(tipo)
                .arg(importe, 0, 'f', 2));
    }
    void Moneda(const char* moneda) {
        Dat->TSistem->Edit();
        Dat->TSistem->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QString::fromLatin1(moneda));
        Dat->TSistem->Post();
    }
};

TEST_F(ListasTest, ConceptsPrintOnlyTheTickedTypesUnderTheirHeads) {
    Moneda("E");
    Concepto("SU01", "Tasas judiciales", 1, 120.5);
    Concepto("DE01", "Minuta de honorarios", 2, 1234.5);
    Concepto("DE02", "Consulta verbal", 2, 60);
    Concepto("PR01", "Provisión inicial", 3, 300);
    Concepto("GA01", "Desplazamiento", 4, 45);
    auto* f = Nueva<TInfLisConCon>();
    f->FijaTipos(false, true, false, false);
    const QString t = Pdf(f->QRLisConCon);
    EXPECT_TRUE(t.contains(QStringLiteral("LISTADO DE CONCEPTOS CONTABLES"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("Página : 1")));
    EXPECT_EQ(Cuenta(t, QStringLiteral("DERECHOS")), 1);
    for (const char* fuera : {"SUPLIDOS", "PROVISIONES", "GASTOS", "Tasas", "Provisión", "Desplazamiento"})
        EXPECT_FALSE(t.contains(QString::fromUtf8(fuera))) << fuera;
    EXPECT_EQ(Linea(t, QStringLiteral("DE01")), QStringLiteral("DE01 Minuta de honorarios 1.234,50"));
    EXPECT_EQ(Linea(t, QStringLiteral("DE02")), QStringLiteral("DE02 Consulta verbal 60,00"));

    // Every type ticked, an office in pesetas: four heads in type order, whole amounts.
    Moneda("P");
    delete f;
    auto* g = Nueva<TInfLisConCon>();
    g->FijaTipos(true, true, true, true);
    const QString u = Pdf(g->QRLisConCon);
    const QStringList l = Lineas(u);
    const int su = int(l.indexOf(QStringLiteral("SUPLIDOS"))), de = int(l.indexOf(QStringLiteral("DERECHOS"))),
              pr = int(l.indexOf(QStringLiteral("PROVISIONES"))), ga = int(l.indexOf(QStringLiteral("GASTOS")));
    ASSERT_GE(su, 0) << u.toStdString();
    EXPECT_LT(su, de);
    EXPECT_LT(de, pr);
    EXPECT_LT(pr, ga);
    EXPECT_EQ(Linea(u, QStringLiteral("DE01")), QStringLiteral("DE01 Minuta de honorarios 1.235"));
    EXPECT_EQ(l.value(su + 1), QStringLiteral("SU01 Tasas judiciales 121"));
}

TEST_F(ListasTest, PartyAndLookupListsPrintTheirTitleHeadsRowsAndGroups) {
    Sql(QStringLiteral("INSERT INTO CLIENTES (CLIENTE, APELLIDOS, NOMBRE, DOMICILIO, CDPOSTAL, POBLACION, TELEFONO, "
                       "EXPABIERTOS, EXPPENDIENTES, EXPCERRADOS) VALUES (1, 'Zamora Gil', 'Eva', 'Mayor 3', '28001', "
                       "'Madrid', '910000001', 2, 1, 4), (2, 'Abad Ruiz', 'Luis', 'Sol 1', '41001', 'Sevilla', '', 0, 0, 0)"));
    Sql(QStringLiteral("INSERT INTO CONTRARIOS (CONTRARIO, APELLIDOS, NOMBRE, POBLACION) VALUES (1, 'Vidal', 'Rosa', 'Lugo')"));
    Sql(QStringLiteral("INSERT INTO ABOGADOS (ABOGADO, APELLIDOS, NOMBRE, DNI) VALUES (1, 'Nieto', 'Juan', '123X')"));
    Sql(QStringLiteral("INSERT INTO PROCU (PROCU, APELLIDOS, NOMBRE, PARTIDO, CIF) VALUES (1, 'Soler', 'Ana', 'Getafe', 'P1'), "
                       "(2, 'Abril', 'Pío', 'Alcalá', 'P2'), (3, 'Costa', 'Iván', 'Getafe', 'P3')"));
    Sql(QStringLiteral("INSERT INTO PERITOS (PERITO, APELLIDOS, NOMBRE, PROFESION) VALUES (1, 'Mora', 'Tea', 'Tasador'), "
                       "(2, 'Bravo', 'Gil', 'Arquitecto'), (3, 'Amat', 'Lía', 'Tasador')"));
    Sql(QStringLiteral("INSERT INTO PROCEDIMIENTOS (PROCEDIMIENTO) VALUES ('Juicio Verbal')"));
    Sql(QStringLiteral("INSERT INTO TRIBUNALES (TRIBUNAL) VALUES ('Audiencia Provincial')"));
    Sql(QStringLiteral("INSERT INTO TIPOCONSULTA (TIPO) VALUES ('Civil')"));
    Sql(QStringLiteral("INSERT INTO TIPOAGENDAS (TIPO) VALUES ('Vista')"));
    Sql(QStringLiteral("INSERT INTO CONAGENDAS (CODIGO, CONCEPTO, DIAS, TIPOAGENDA) VALUES (7, 'Presentar demanda', 15, "
                       "'GENERAL'), (8, 'Recurso', 5, 'APELACION')"));

    struct Caso {
        reports::TListaSimple* Lista;
        const char* Titulo;
        const char* Cabecera;
        const char* Fila;
    };
    const Caso casos[] = {
        {Nueva<TInfLisCLI>(), "LISTADO DE CLIENTES", "Nombre", "Zamora Gil, Eva Mayor 3 28001 Madrid 910000001 2 1 4"},
        {Nueva<TInfLisCon>(), "LISTADO DE CONTRARIOS", "Población", "Vidal, Rosa Lugo"},
        {Nueva<TInfAbo>(), "LISTADO ALFABÉTICO DE ABOGADOS", "D.N.I.", "Nieto, Juan 123X"},
        {Nueva<TInfPro>(), "LISTADO DE ALFABÉTICO DE PROCURADORES", "Partido", "Soler, Ana P1 Getafe"},
        {Nueva<TInfLisProParJu>(), "LISTADO DE PROCURADORES POR PARTIDO JUDICIAL", "Partido", "Costa, Iván P3 Getafe"},
        {Nueva<TInfPer>(), "LISTADO DE ALFABÉTICO DE PERITOS", "Profesión", "Mora, Tea Tasador"},
        {Nueva<TInfPerPro>(), "LISTADO DE PERITOS POR PROFESIÓN", "Profesión", "Amat, Lía Tasador"},
        {Nueva<TInfProc>(), "LISTADO DE PROCEDIMIENTOS", "Procedimiento", "Juicio Verbal"},
        {Nueva<TInfTrib>(), "LISTADO DE TRIBUNALES", "Tribunal", "Audiencia Provincial"},
        {Nueva<TInfTipDes>(), "LISTADO DE TIPOS DE CONSULTAS", "Tipo", "Civil"},
        {Nueva<TInfTur>(), "LISTADO DE TIPOS DE APUNTES DE AGENDA", "Tipo", "Vista"},
        {Nueva<TInfConAgen>(), "LISTADO DE CONCEPTOS DE AGENDA", "Avisar con ..", "Presentar demanda 7 15"},
    };
    for (const Caso& c : casos) {
        const QString t = Pdf(c.Lista->QuickRep1);
        const QString titulo = QString::fromUtf8(c.Titulo);
        EXPECT_EQ(Lineas(t).value(1), titulo) << t.toStdString();
        EXPECT_EQ(c.Lista->QRLabel1->Caption(), titulo);
        EXPECT_TRUE(t.contains(QString::fromUtf8(c.Cabecera))) << c.Titulo;
        EXPECT_EQ(Linea(t, QString::fromUtf8(c.Fila).section(QLatin1Char(' '), 0, 1)), QString::fromUtf8(c.Fila))
            << c.Titulo << "\n" << t.toStdString();
    }
    // The grouped lists head each group with its value, in order.
    const QStringList partido = Lineas(Pdf(casos[4].Lista->QuickRep1));
    const int alcala = int(partido.indexOf(QStringLiteral("Alcalá"))), getafe = int(partido.indexOf(QStringLiteral("Getafe")));
    ASSERT_GE(alcala, 0);
    EXPECT_TRUE(partido.value(alcala + 1).startsWith(QStringLiteral("Abril, Pío")));
    EXPECT_GT(getafe, alcala);
    EXPECT_EQ(partido.mid(getafe + 1).filter(QStringLiteral("Getafe")).size(), 2);
    const QStringList conceptos = Lineas(Pdf(casos[11].Lista->QuickRep1));
    EXPECT_LT(conceptos.indexOf(QStringLiteral("APELACION")), conceptos.indexOf(QStringLiteral("Recurso 8 5")));
    EXPECT_LT(conceptos.indexOf(QStringLiteral("Recurso 8 5")), conceptos.indexOf(QStringLiteral("GENERAL")));
}

TEST_F(ListasTest, AgendaListsTheLawyersEntriesByDayWithRelationAndMarks) {
    Sql(QStringLiteral("INSERT INTO ABOCLI (ABOCLI, APELLIDOS, NOMBRE) VALUES (1, 'Ortega Vila', 'Marta'), (2, 'Otro', 'Uno')"));
    Dat->TAboCli->Refresh();
    ASSERT_TRUE(Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), 1, 0));
    auto entrada = [&](int orden, int dia, const char* hora, const char* tipo, const char* ano, const char* numero,
                       const char* archivado, const char* tipoAgenda, const char* texto, int abocli = 1) {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(QStringLiteral("INSERT INTO AGENDA (ORDEN, ABOCLI, FECHA, HORA, TIPO, ANO, NUMERO, ARCHIVADO, "
                                        "TIPOAGENDA, SITUACION) VALUES (:O, :A, :F, :H, :T, :AN, :N, :AR, :TA, :S)"));
        q.ParamByName(QStringLiteral("O"))->SetAsInteger(orden);
        q.ParamByName(QStringLiteral("A"))->SetAsInteger(abocli);
        q.ParamByName(QStringLiteral("F"))->SetAsDate(EncodeDate(2001, 3, dia));
        q.ParamByName(QStringLiteral("H"))->SetAsTime(StrToTime(QString::fromLatin1(hora)));
        q.ParamByName(QStringLiteral("T"))->SetAsString(QString::fromLatin1(tipo));
        q.ParamByName(QStringLiteral("AN"))->SetAsString(QString::fromLatin1(ano));
        q.ParamByName(QStringLiteral("N"))->SetAsString(QString::fromLatin1(numero));
        q.ParamByName(QStringLiteral("AR"))->SetAsString(QString::fromLatin1(archivado));
        q.ParamByName(QStringLiteral("TA"))->SetAsString(QString::fromLatin1(tipoAgenda));
        q.ParamByName(QStringLiteral("S"))->SetAsString(QString::fromUtf8(texto));
        q.ExecSQL();
    };
    entrada(1, 5, "10:30", "E", "2001", "00012-A", "", "Vista", "Vista oral");
    entrada(2, 5, "09:00", "C", "2001", "00003-C", "", "Cita", "Cliente en despacho");
    entrada(3, 6, "12:00", "P", "", "", "", "Personal", "Médico");
    entrada(4, 6, "13:00", "X", "2001", "00012-A", "S", "Vista", "Aviso archivado");
    entrada(5, 7, "08:00", "Z", "", "", "", "Personal", "Aviso personal");
    entrada(6, 7, "08:30", "E", "2001", "00099-A", "", "Vista", "De otro abogado", 2);
    entrada(7, 20, "08:30", "E", "2001", "00099-A", "", "Vista", "Fuera de fechas");

    auto* f = Nueva<TInfAgen>();
    reports::PreparaAgenda(f, 1, EncodeDate(2001, 3, 1), EncodeDate(2001, 3, 10), {"E", "C", "P", "X", "Y", "Z"},
                           QStringLiteral("TODOS"));
    const QString t = Pdf(f->QRLisAgen);
    EXPECT_TRUE(t.contains(QStringLiteral("AGENDA DEL ABOGADO DESDE 01/03/2001 A 10/03/2001"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("Ortega Vila,Marta")) || t.contains(QStringLiteral("Ortega Vila, Marta")));
    EXPECT_TRUE(Linea(t, QStringLiteral("Hora")).startsWith(QStringLiteral("Hora Relación con Tipo de Anotación Situación")));
    const QStringList l = Lineas(t);
    const int d5 = int(l.indexOf(QStringLiteral("Fecha : 05/03/2001"))), d6 = int(l.indexOf(QStringLiteral("Fecha : 06/03/2001")));
    ASSERT_GE(d5, 0) << t.toStdString();
    // Ordered by hour within the day; a consultation is "D", a case file "E", a personal entry
    // neither, and has no "/".
    EXPECT_EQ(l.value(d5 + 1), QStringLiteral("09:00:00 2001 / 00003-C D Cita Cliente en despacho"));
    EXPECT_EQ(l.value(d5 + 2), QStringLiteral("10:30:00 2001 / 00012-A E Vista Vista oral"));
    EXPECT_EQ(l.value(d6 + 1), QStringLiteral("12:00:00 Personal Médico"));
    EXPECT_EQ(l.value(d6 + 2), QStringLiteral("13:00:00 2001 / 00012-A E Vista Aviso archivado"));
    EXPECT_FALSE(t.contains(QStringLiteral("De otro abogado")));
    EXPECT_FALSE(t.contains(QStringLiteral("Fuera de fechas")));
    Dibuja(QStringLiteral("rptLisAgen"));

    // The marks: a filed entry shows the clip even as a reminder, other reminders the clock,
    // plain entries none.
    f->QAgenda->First();
    std::vector<QImage> marcas;
    f->QRTipo->AfterPrint = TQRBandAfterPrintEvent([&](TQRCustomBand*, bool) {
        marcas.push_back(f->Imagen->Picture()->Graphic() && !f->Imagen->Picture()->Graphic()->Empty()
                             ? f->Imagen->Picture()->Bitmap()->ToImage()
                             : QImage());
    });
    f->QRLisAgen->Prepare();
    ASSERT_EQ(marcas.size(), 5u);
    EXPECT_TRUE(marcas[0].isNull());
    EXPECT_TRUE(marcas[2].isNull());
    EXPECT_EQ(marcas[3], f->Clip->Picture()->Bitmap()->ToImage());
    EXPECT_EQ(marcas[4], f->Reloj->Picture()->Bitmap()->ToImage());
    EXPECT_NE(marcas[3], marcas[4]);

    // Only some letters and one agenda type.
    delete f;
    auto* g = Nueva<TInfAgen>();
    reports::PreparaAgenda(g, 1, EncodeDate(2001, 3, 1), EncodeDate(2001, 3, 10), {"P", "Z"}, QStringLiteral("Personal"));
    const QString u = Pdf(g->QRLisAgen);
    EXPECT_TRUE(u.contains(QStringLiteral("Médico")));
    EXPECT_TRUE(u.contains(QStringLiteral("Aviso personal")));
    EXPECT_FALSE(u.contains(QStringLiteral("Vista oral")));
    EXPECT_TRUE(reports::SqlAgenda({}).join(QLatin1Char(' ')).contains(QStringLiteral("TIPO IN (' ')")));
}

TEST_F(ListasTest, PowersPrintTheClientOnItsFirstPowerAndTheRangeText) {
    Sql(QStringLiteral("INSERT INTO CLIENTES (CLIENTE, APELLIDOS, NOMBRE) VALUES (1, 'Bueno', 'Ana'), (2, 'Alba', 'Eloy'), "
                       "(3, 'Cano', 'Ines')"));
    Sql(QStringLiteral("INSERT INTO ABOCLI (ABOCLI, APELLIDOS, NOMBRE) VALUES (4, 'Ortega', 'Marta')"));
    Sql(QStringLiteral("INSERT INTO PODER (CLIENTE, PODER, PROTOCOLO, NOTARIO, ABOGADO, SITUACION) VALUES "
                       "(1, 'P-1', '100', 'Notario Uno', 4, 'Vigente'), (1, 'P-2', '101', 'Notario Uno', 4, 'Vigente'), "
                       "(1, 'P-3', '102', 'Notario Dos', 0, 'Revocado'), (2, 'P-9', '900', 'Notario Tres', 4, 'Vigente'), "
                       "(3, 'P-7', '700', 'Notario Tres', 4, 'Vigente')"));
    auto* f = Nueva<TInfLisPod>();
    reports::PreparaPoderes(f, 1, 2, QStringLiteral("Cliente :  Bueno, Ana a Alba, Eloy"));
    const QString t = Pdf(f->QRLisPod);
    EXPECT_TRUE(t.contains(QStringLiteral("LISTADO DE PODERES")));
    // The range text keeps its two blanks.
    EXPECT_NE(QRPrinter->Pages(1).FindText(QStringLiteral("Cliente :  Bueno, Ana a Alba, Eloy")), nullptr);
    EXPECT_EQ(Cuenta(t, QStringLiteral("Bueno, Ana")), 2);  // the range text and its first power
    EXPECT_EQ(Linea(t, QStringLiteral("Alba, Eloy P-9")), QStringLiteral("Alba, Eloy P-9 900 Notario Tres Vigente"));
    EXPECT_EQ(Linea(t, QStringLiteral("Bueno, Ana P-1")), QStringLiteral("Bueno, Ana P-1 100 Notario Uno Vigente"));
    EXPECT_EQ(Linea(t, QStringLiteral("P-2")), QStringLiteral("P-2 101 Notario Uno Vigente"));
    EXPECT_EQ(Linea(t, QStringLiteral("P-3")), QStringLiteral("P-3 102 Notario Dos Revocado"));
    EXPECT_EQ(Cuenta(t, QStringLiteral("Ortega, Marta")), 3);
    EXPECT_FALSE(t.contains(QStringLiteral("Cano")));
    EXPECT_LT(t.indexOf(QStringLiteral("P-9")), t.indexOf(QStringLiteral("P-1")));
}

}  // namespace
