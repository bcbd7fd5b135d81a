// The consultation form: the layout of its controls.
#include "comun/Controles.h"
#include "comun/UData.h"
#include "records/Facturable.h"
#include "records/Pinturas.h"
#include "records/UConsulta.h"

#include <utility>

void TConsulta::CreaControles() {
    using T = TConsulta;

    btCerrar = NuevoBoton("btCerrar", QStringLiteral("Cerrar|Cierra o reabre la consulta"), records::GlifoCerrar);
    btFacturar = NuevoBoton("btFacturar", QStringLiteral("Facturar|Factura la consulta"), [](TCanvas* c) {
        c->Brush()->SetStyle(bsClear);
        c->Font()->SetColor(clGreen);
        c->Font()->SetStyle({fsBold});
        c->Font()->SetHeight(-11);
        c->TextOut(3, 1, QStringLiteral("€"));
    });
    btEscrito = NuevoBoton("btEscrito", QStringLiteral("Escritos|Escritos de la consulta"), records::GlifoEscritos);
    const int w = SpeedBar1->BtnWidth();
    int x = 4;
    for (TSpeedItem* i : {btEdit, btRefresh}) i->SetLeft(std::exchange(x, x + w));
    x += 8;
    for (TSpeedItem* i : {btBuscar, btCerrar, btFacturar, btEscrito, btImprimir}) i->SetLeft(std::exchange(x, x + w));
    x += 8;
    for (TSpeedItem* i : {btAyuda, BtSalir}) i->SetLeft(std::exchange(x, x + w));
    btRefresh->OnClick() = TNotifyEvent(this, &T::btRefreshClick);
    btBuscar->OnClick() = TNotifyEvent(this, &T::btBuscarClick);
    btBuscar->SetHint(QStringLiteral("Buscar|Busca una consulta"));
    btCerrar->OnClick() = TNotifyEvent(this, &T::btCerrarClick);
    btFacturar->OnClick() = TNotifyEvent(this, &T::btFacturarClick);
    btEscrito->OnClick() = TNotifyEvent(this, &T::BtEscritoClick);
    btImprimir->SetHint(QStringLiteral("Imprimir|Imprime la ficha de la consulta"));

    const int y0 = AreaTop(), dy = 27;
    Rotulo(QStringLiteral("Consulta :"), 2, y0, 112);
    Consulta = new TLabel(this);
    Consulta->SetName(QStringLiteral("LConsulta"));
    Consulta->SetParent(this);
    Consulta->SetAutoSize(false);
    Consulta->SetBounds(118, y0 + 3, 140, 17);
    Consulta->Font()->SetStyle({fsBold});
    Consulta->Font()->SetColor(clNavy);
    Rotulo(QStringLiteral("Situación :"), 264, y0, 80);
    Situacion = new TEdit(this);
    Situacion->SetName(QStringLiteral("Situacion"));
    Situacion->SetParent(this);
    Situacion->SetReadOnly(true);
    Situacion->SetTabStop(false);
    Situacion->SetBounds(348, y0, 150, 21);
    records::IconosMoneda(this, 508, y0 + 2, QStringLiteral("Clic"), Image4, Image5);

    const int y1 = y0 + dy;
    Rotulo(QStringLiteral("Fecha de Entrada :"), 2, y1, 112);
    DBFechaEntrada = comun::Edita(this, this, "DBFechaEntrada", Dat->DSConsultas, QStringLiteral("FECHAENTRADA"), 118, y1, 86);
    DBFechaEntrada->SetReadOnly(true);
    DBFechaEntrada->SetTabStop(false);
    Rotulo(QStringLiteral("Abogado Cliente :"), 210, y1, 100);
    DBNomAboCli = comun::TextoDeCampo(this, this, QStringLiteral("DBNomAboCli"), Dat->DSConsultas, QStringLiteral("NOMABOCLI"), 314,
                                      y1 + 3, 230);
    DBNomAboCli->Font()->SetStyle({fsBold});

    const int y2 = y1 + dy;
    Rotulo(QStringLiteral("Abogado Entrada :"), 2, y2, 112);
    ZbAboEnt = new TZbDBLookupCombo(this);
    ZbAboEnt->SetName(QStringLiteral("ZbAboEnt"));
    ZbAboEnt->SetParent(this);
    ZbAboEnt->SetDataSource(Dat->DSConsultas);
    ZbAboEnt->SetDataField(QStringLiteral("ABOENT"));
    ZbAboEnt->SetLookupSource(FListaAbogados);
    ZbAboEnt->SetLookupField(QStringLiteral("ABOCLI"));
    ZbAboEnt->SetLookupDisplay(QStringLiteral("NOMABO"));
    ZbAboEnt->SetBounds(118, y2, 250, 21);

    const int y3 = y2 + dy;
    btCliente = Boton("btCliente", QStringLiteral(" Cliente :"), 38, y3, 76, TNotifyEvent(this, &T::btClienteClick));
    DBNomCliente = comun::Edita(this, this, "DBNomCliente", Dat->DSConsultas, QStringLiteral("NOMCLIENTE"), 118, y3, 300);
    DBNomCliente->SetReadOnly(true);
    DBNomCliente->SetTabStop(false);
    BtBuscar1 = Boton("BtBuscar1", QStringLiteral("..."), 420, y3, 24, TNotifyEvent(this, &T::BtBuscar1Click));
    DBCliente = comun::Edita(this, this, "DBCliente", Dat->DSConsultas, QStringLiteral("CLIENTE"), 450, y3, 60);
    DBCliente->SetReadOnly(true);
    DBCliente->SetTabStop(false);

    const int y4 = y3 + dy;
    Rotulo(QStringLiteral("Tipo Consulta :"), 2, y4, 112);
    DBTipo = comun::Edita(this, this, "DBTipo", Dat->DSConsultas, QStringLiteral("TIPO"), 118, y4, 300);
    BtBuscar4 = Boton("BtBuscar4", QStringLiteral("..."), 420, y4, 24, TNotifyEvent(this, &T::BtBuscar4Click));

    const int y5 = y4 + dy;
    Rotulo(QStringLiteral("Horas :"), 2, y5, 112);
    DBHoras = comun::Edita(this, this, "DBHoras", Dat->DSConsultas, QStringLiteral("HORAS"), 118, y5, 60);
    Rotulo(QStringLiteral("Importe :"), 184, y5, 70);
    DBImporte = comun::Edita(this, this, "DBImporte", Dat->DSConsultas, QStringLiteral("IMPORTE"), 258, y5, 100);
    DBImporte->OnKeyPress = TKeyPressEvent(this, &T::DBImporteKeyPress);
    DBImporte->SetShowHint(true);

    const int y6 = y5 + dy;
    Rotulo(QStringLiteral("Descripción :"), 2, y6, 112);
    DBObservaciones = new TDBMemo(this);
    DBObservaciones->SetName(QStringLiteral("DBObservaciones"));
    DBObservaciones->SetParent(this);
    DBObservaciones->SetDataSource(Dat->DSConsultas);
    DBObservaciones->SetDataField(QStringLiteral("OBSERVACIONES"));
    DBObservaciones->SetScrollBars(ssVertical);
    DBObservaciones->SetBounds(118, y6, 420, 90);

    const int y7 = y6 + 98;
    Rotulo(QStringLiteral("Fecha Factura :"), 2, y7, 112);
    DBPresen = comun::Edita(this, this, "DBPresen", Dat->DSConsultas, QStringLiteral("FECHAFACTURA"), 118, y7, 86);
    btPres = Boton("btPres", QStringLiteral("..."), 206, y7, 24, TNotifyEvent(this, &T::btPresClick));
    Rotulo(QStringLiteral("Fecha Cobrado :"), 250, y7, 110);
    DBDev = comun::Edita(this, this, "DBDev", Dat->DSConsultas, QStringLiteral("FECHACOBRO"), 364, y7, 86);
    btDev = Boton("btDev", QStringLiteral("..."), 452, y7, 24, TNotifyEvent(this, &T::btDevClick));

    FijaTamano(550, y7 + 34 + 36);
}
