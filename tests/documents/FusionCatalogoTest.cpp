#include "FusionFixture.h"

#include <QDate>

using fusiontest::FusionDatos;

namespace {
class Catalogo : public FusionDatos {
protected:
    // Position of the client named `nombre` in the chosen-clients list.
    int Posicion(TCustomListBox* l, const QString& nombre) { return l->Items()->IndexOf(nombre); }
};

const char* const kOrdinales[] = {"Primer", "Segundo", "Tercer", "Cuarto"};
}  // namespace

TEST_F(Catalogo, CaseFileGroupsReadEveryPartyOnRecord)
{
    Llena();
    Picks();
    Campos({"[[PrimerCliente.Nombre]]", "[[SegundoCliente.Nombre]]", "[[TercerCliente.Nombre]]",
            "[[PrimerCliente.Referencia]]", "[[SegundoCliente.Domicilio]]", "[[PrimerCliente.Domicilio]]",
            "[[PrimerContrario.Nombre y Apellidos]]", "[[PrimerContrario.Referencia]]", "[[SegundoContrario.Nombre]]",
            "[[Bufete.Despacho]]", "[[Bufete.Población]]", "[[Expediente.Referencia]]", "[[Expediente.Fecha de Apertura]]",
            "[[Expediente.Fecha de Cierre]]", "[[Expediente.Costas]]", "[[Expediente.Principal]]", "[[Expediente.Tribunal]]",
            "[[ProcuradorCliente.Nombre y Apellidos]]", "[[ProcuradorCliente.Referencia]]",
            "[[ProcuradorCliente.Partido Judicial]]", "[[ProcuradorCliente.DNI]]", "[[ProcuradorContrario.Nombre y Apellidos]]",
            "[[ProcuradorContrario.Referencia]]", "[[AbogadoCliente.Nombre y Apellidos]]", "[[AbogadoCliente.DNI]]",
            "[[AbogadoContrario.Despacho]]", "[[AbogadoContrario.Referencia]]", "[[Perito.Nombre]]", "[[PERITO.NOMBRE]]",
            "[[Perito.Profesión]]", "[[Perito.DNI]]", "[[Economicos.Nº de Factura]]", "[[Economicos.Saldo]]",
            "[[Economicos.Total Factura en Letra]]", "[[Economicos.Total Saldo en Letra]]", "[[Economicos.Total IVA]]",
            "[[Otros.Hoy]]", "[[Nada.Que Ver]]"});
    ProveedoresExpediente();

    // The chosen clients in the list's order; a third ordinal with two clients is empty.
    const int jose = Posicion(documents::OrigenFusion.LCli2, "José");
    ASSERT_GE(jose, 0);
    const QString grupoJose = QString::fromLatin1(kOrdinales[jose]) + "Cliente";
    EXPECT_EQ(Valor("[[PrimerCliente.Nombre]]"), jose == 0 ? "José" : "María");
    EXPECT_EQ(Valor("[[SegundoCliente.Nombre]]"), jose == 0 ? "María" : "José");
    EXPECT_EQ(Valor("[[TercerCliente.Nombre]]"), "");
    EXPECT_EQ(Valor("[[PrimerCliente.Referencia]]"), "RC-1");
    EXPECT_EQ(Valor("[[" + grupoJose + ".Domicilio]]"), "Calle <Mayor> & 2");
    EXPECT_EQ(Valor("[[PrimerContrario.Nombre y Apellidos]]"), "Pedro Contrario Sáez");
    EXPECT_EQ(Valor("[[PrimerContrario.Referencia]]"), "RX-1");
    EXPECT_EQ(Valor("[[SegundoContrario.Nombre]]"), "");

    EXPECT_EQ(Valor("[[Bufete.Despacho]]"), "Bufete Núñez & Asociados");
    EXPECT_EQ(Valor("[[Bufete.Población]]"), "Logroño");
    EXPECT_EQ(Valor("[[Expediente.Referencia]]"), "2001 / 0042");
    EXPECT_EQ(Valor("[[Expediente.Fecha de Apertura]]"), "05/03/2001");
    // An empty date is an empty text.
    EXPECT_EQ(Valor("[[Expediente.Fecha de Cierre]]"), "");
    EXPECT_EQ(Valor("[[Expediente.Costas]]"), "  1.234,50");
    EXPECT_EQ(Valor("[[Expediente.Principal]]"), "12.345.678,90");
    EXPECT_EQ(Valor("[[Expediente.Tribunal]]"), "Juzgado nº 1");

    EXPECT_EQ(Valor("[[ProcuradorCliente.Nombre y Apellidos]]"), "Inés Procuradora Cliente");
    EXPECT_EQ(Valor("[[ProcuradorCliente.Referencia]]"), "RP-1");
    EXPECT_EQ(Valor("[[ProcuradorCliente.Partido Judicial]]"), "Logroño");
    EXPECT_EQ(Valor("[[ProcuradorCliente.DNI]]"), "888H");
    EXPECT_EQ(Valor("[[ProcuradorContrario.Nombre y Apellidos]]"), "Raúl Procurador Contrario");
    EXPECT_EQ(Valor("[[ProcuradorContrario.Referencia]]"), "RP-2");
    EXPECT_EQ(Valor("[[AbogadoCliente.Nombre y Apellidos]]"), "Ana Letrada Ruiz");
    EXPECT_EQ(Valor("[[AbogadoCliente.DNI]]"), "111A");
    EXPECT_EQ(Valor("[[AbogadoContrario.Despacho]]"), "Opuesto SL");
    EXPECT_EQ(Valor("[[AbogadoContrario.Referencia]]"), "RA-1");
    // The first key that matches regardless of case takes the value; the other stays as written.
    EXPECT_EQ(Valor("[[Perito.Nombre]]"), "Sara");
    EXPECT_EQ(Valor("[[PERITO.NOMBRE]]"), "[[PERITO.NOMBRE]]");
    EXPECT_EQ(Valor("[[Perito.Profesión]]"), "Arquitecta");
    EXPECT_EQ(Valor("[[Perito.DNI]]"), "000K");

    EXPECT_EQ(Valor("[[Economicos.Nº de Factura]]"), "17");
    EXPECT_EQ(Valor("[[Economicos.Saldo]]"), "    960,00");
    EXPECT_EQ(Valor("[[Economicos.Total IVA]]"), "    160,00");
    EXPECT_EQ(Valor("[[Economicos.Total Factura en Letra]]"), "MIL CIENTO SESENTA ");
    EXPECT_EQ(Valor("[[Economicos.Total Saldo en Letra]]"), "NOVECIENTAS SESENTA ");
    const QDate hoy = QDate::currentDate();
    const QStringList meses = {"Enero", "Febrero", "Marzo", "Abril", "Mayo", "Junio", "Julio", "Agosto", "Septiembre",
                               "Octubre", "Noviembre", "Diciembre"};
    EXPECT_EQ(Valor("[[Otros.Hoy]]"), QString("%1 de %2 de %3").arg(hoy.day()).arg(meses[hoy.month() - 1]).arg(hoy.year()));
    EXPECT_EQ(Valor("[[Nada.Que Ver]]"), "[[Nada.Que Ver]]");
}

// The court history: the current court and the two before it, each field from its own column.
TEST_F(Catalogo, EachCourtOfTheHistoryReadsItsOwnColumns)
{
    Llena();
    const std::pair<const char*, const char*> campos[] = {
        {"Primer Nº de Autos", "AUTOS"},           {"Procedimiento", "PROCEDIMIENTO"},
        {"Tribunal", "TRIBUNAL"},                  {"Población", "POBLACION"},
        {"Segundo Nº de Autos", "AUTOS1"},         {"Segundo Procedimiento", "PROCEDIMIENTO1"},
        {"Segundo Tribunal", "TRIBUNAL1"},         {"Segunda Población", "POBLACION1"},
        {"Tercer Nº de Autos", "AUTOS2"},          {"Tercer Procedimiento", "PROCEDIMIENTO2"},
        {"Tercer Tribunal", "TRIBUNAL2"},          {"Tercera Población", "POBLACION2"}};
    QStringList asignaciones, lista;
    for (const auto& [campo, columna] : campos) {
        asignaciones << QString("%1 = 'v-%1'").arg(columna);
        lista << QString("[[Expediente.%1]]").arg(QString::fromUtf8(campo));
    }
    Cambia("EXPED", asignaciones.join(", "));
    Campos(lista);
    RellenaExpediente();
    for (const auto& [campo, columna] : campos)
        EXPECT_EQ(Valor(QString("[[Expediente.%1]]").arg(QString::fromUtf8(campo))), QString("v-%1").arg(columna)) << campo;
}

TEST_F(Catalogo, EachMissingPartyEmptiesItsOwnGroupOnly)
{
    Llena();
    Picks();
    struct Caso {
        const char* columna;
        const char* grupo;
    };
    const Caso casos[] = {{"PERITO", "Perito"}, {"PROCLI", "ProcuradorCliente"}, {"PROCON", "ProcuradorContrario"},
                          {"ABOCLI", "AbogadoCliente"}, {"ABOCON", "AbogadoContrario"}};
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.grupo);
        QStringList campos;
        for (const Caso& c : casos) campos << QString("[[%1.Nombre]]").arg(c.grupo);
        campos << "[[ProcuradorCliente.Referencia]]" << "[[AbogadoContrario.Referencia]]" << "[[PrimerCliente.Nombre]]";
        Campos(campos);
        // A code left empty and a code that names nobody both count as missing.
        Cambia("EXPED", QString("%1 = NULL").arg(caso.columna));
        ProveedoresExpediente();
        for (const Caso& c : casos) {
            const QString v = Valor(QString("[[%1.Nombre]]").arg(c.grupo));
            if (&c == &caso) EXPECT_EQ(v, "");
            else EXPECT_FALSE(v.isEmpty() || v.startsWith("[[")) << c.grupo;
        }
        EXPECT_EQ(Valor("[[ProcuradorCliente.Referencia]]"), caso.columna == QLatin1String("PROCLI") ? "" : "RP-1");
        EXPECT_EQ(Valor("[[AbogadoContrario.Referencia]]"), caso.columna == QLatin1String("ABOCON") ? "" : "RA-1");
        EXPECT_FALSE(Valor("[[PrimerCliente.Nombre]]").isEmpty());
        Cambia("EXPED", QString("%1 = 999").arg(caso.columna));
        Campos(campos);
        ProveedoresExpediente();
        EXPECT_EQ(Valor(QString("[[%1.Nombre]]").arg(caso.grupo)), "");
        Cambia("EXPED", QString("%1 = %2").arg(caso.columna).arg(caso.columna == QLatin1String("PROCON") ? 2 : 1));
    }
    // No client chosen: every client group is empty.
    documents::OrigenFusion.LCli2->Items()->Clear();
    Campos({"[[PrimerCliente.Nombre]]", "[[PrimerCliente.Referencia]]", "[[CuartoCliente.E-MAIL]]"});
    ProveedoresExpediente();
    EXPECT_EQ(Valor("[[PrimerCliente.Nombre]]"), "");
    EXPECT_EQ(Valor("[[PrimerCliente.Referencia]]"), "");
    EXPECT_EQ(Valor("[[CuartoCliente.E-MAIL]]"), "");
}

TEST_F(Catalogo, AddresseeIsThePartyOfTheChosenKind)
{
    Llena();
    Picks();
    auto& o = documents::OrigenFusion;
    const QStringList campos = {"[[Destino.Nombre y Apellidos]]", "[[Destino.Referencia]]", "[[Destino.Profesión]]",
                                "[[Destino.CIF]]", "[[Destino.Población]]"};
    auto destino = [&](void (*proveedor)()) {
        Campos(campos);
        proveedor();
        QStringList r;
        for (const QString& c : campos) r << Valor(c);
        return r.join(" | ");
    };
    o.LDesCli->SetItemIndex(o.LDesCli->Items()->IndexOf("José"));
    EXPECT_EQ(destino(RellenaDestinoCliente), "José Núñez \"el Chico\" | RC-1 |  | 333C | Haro");
    // The client's own court agent, by the case file's PROCLI.
    EXPECT_EQ(destino(RellenaDestinoProcuradorCliente), "Inés Procuradora Cliente | RP-1 | PROCURADOR | 888H | Logroño");
    EXPECT_EQ(destino(RellenaDestinoPerito), "Sara Perita |  | Arquitecta | 000K | Ezcaray");
    o.LDesCon->SetItemIndex(0);
    EXPECT_EQ(destino(RellenaDestinoContrario), "Pedro Contrario Sáez | RX-1 |  | 555E | Nájera");
    EXPECT_EQ(destino(RellenaDestinoAbogadoContrario), "Luis Opuesto | RA-1 | ABOGADO | 666F | Calahorra");
    EXPECT_EQ(destino(RellenaDestinoProcuradorContrario), "Raúl Procurador Contrario | RP-2 | PROCURADOR | 999J | ");
    o.LDesPro->SetItemIndex(-1);
    EXPECT_EQ(destino(RellenaDestinoOtroProcurador), " |  |  |  | ");
    o.LDesPro->SetItemIndex(o.LDesPro->Items()->IndexOf("Raúl"));
    EXPECT_EQ(destino(RellenaDestinoOtroProcurador), "Raúl Procurador Contrario | RP-2 | PROCURADOR | 999J | ");
    o.LDesAbo->SetItemIndex(o.LDesAbo->Items()->IndexOf("Eva"));
    EXPECT_EQ(destino(RellenaDestinoOtroAbogado), "Eva Otra |  | ABOGADO | 777G | ");
    Cambia("EXPED", "PROCLI = NULL");
    EXPECT_EQ(destino(RellenaDestinoProcuradorCliente), " |  |  |  | ");
}

TEST_F(Catalogo, ConsultationNamesItsClientAndItsOwnLawyer)
{
    Llena();
    ModoEscrito = QLatin1Char('C');
    const QStringList campos = {"[[PrimerCliente.Nombre y Apellidos]]", "[[PrimerCliente.Domicilio]]", "[[PrimerCliente.DNI]]",
                                "[[AbogadoCliente.Nombre y Apellidos]]", "[[Consultas.Referencia]]",
                                "[[Consultas.Fecha de Entrada]]", "[[Consultas.Fecha de Cobro]]", "[[Consultas.Horas]]",
                                "[[Consultas.Descripción]]", "[[Economicos.Total Provisiones]]",
                                "[[Economicos.Total Factura]]", "[[Destino.Nombre y Apellidos]]", "[[Destino.CIF]]",
                                "[[SegundoCliente.Nombre]]", "[[Expediente.Referencia]]"};
    Campos(campos);
    ProveedoresConsulta();
    RellenaDestinoClienteConsulta();
    EXPECT_EQ(Valor("[[PrimerCliente.Nombre y Apellidos]]"), "María Álvarez");
    EXPECT_EQ(Valor("[[PrimerCliente.DNI]]"), "444D");
    EXPECT_EQ(Valor("[[PrimerCliente.Domicilio]]"), "");
    // The consultation's lawyer, not the one of whatever case file is current.
    EXPECT_EQ(Valor("[[AbogadoCliente.Nombre y Apellidos]]"), "Blas Consultor");
    EXPECT_EQ(Valor("[[Consultas.Referencia]]"), "0007 / 2001");
    EXPECT_EQ(Valor("[[Consultas.Fecha de Entrada]]"), "02/01/2001");
    EXPECT_EQ(Valor("[[Consultas.Fecha de Cobro]]"), "");
    EXPECT_EQ(Valor("[[Consultas.Horas]]"), " 1,50");
    EXPECT_EQ(Valor("[[Consultas.Descripción]]"), "Primera línea\r\nsegunda línea");
    EXPECT_EQ(Valor("[[Economicos.Total Provisiones]]"), "      0,00");
    EXPECT_EQ(Valor("[[Economicos.Total Factura]]"), "    116,00");
    EXPECT_EQ(Valor("[[Destino.Nombre y Apellidos]]"), "María Álvarez");
    EXPECT_EQ(Valor("[[Destino.CIF]]"), "444D");
    // Fields of the case-file dialog only stay as written.
    EXPECT_EQ(Valor("[[SegundoCliente.Nombre]]"), "[[SegundoCliente.Nombre]]");
    EXPECT_EQ(Valor("[[Expediente.Referencia]]"), "[[Expediente.Referencia]]");

    // A client code that names nobody: the stored name only, the rest keeps its field text.
    Cambia("CONSULTAS", "CLIENTE = 99, NOMCLIENTE = 'Cliente de paso'");
    Campos(campos);
    ProveedoresConsulta();
    RellenaDestinoClienteConsulta();
    EXPECT_EQ(Valor("[[PrimerCliente.Nombre y Apellidos]]"), "Cliente de paso");
    EXPECT_EQ(Valor("[[PrimerCliente.Domicilio]]"), "[[PrimerCliente.Domicilio]]");
    EXPECT_EQ(Valor("[[Destino.Nombre y Apellidos]]"), "Cliente de paso");
    EXPECT_EQ(Valor("[[Destino.CIF]]"), "");
}
