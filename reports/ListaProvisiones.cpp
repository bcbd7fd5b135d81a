#include "reports/ListaProvisiones.h"

namespace reports {

TListaProvisiones::TListaProvisiones(TComponent* owner, const char* nombre, const QString& titulo, const QString& sql,
                                     std::initializer_list<TColumna> columnas)
    : TForm(owner) {
    using T = TListaProvisiones;
    SetName(QString::fromLatin1(nombre));
    QExped = NuevaConsulta(this, "QExped", sql);
    QClientes = NuevaConsulta(this, "QClientes",
                              QStringLiteral("SELECT  NOMBRE || ' ' || APELLIDOS as NOMBRE FROM CLIENTES WHERE CLIENTE = :CLIENTE "));
    QAboCli = NuevaConsulta(this, "QAboCli",
                            QStringLiteral("SELECT NOMBRE || ' ' || APELLIDOS AS NOM FROM ABOCLI WHERE ABOCLI = :ABOCLI"));
    FAbogados = TNombres(QAboCli, "ABOCLI", "NOM");
    FClientes = TNombres(QClientes, "CLIENTE", "NOMBRE");

    QRListado = NuevoInforme(this, "QRListado", QExped, titulo, poLandscape);
    QRCabecera = NuevaBanda(this, QRListado, "QRCabecera", rbPageHeader, 68);
    const TCabeceraListado c = NuevaCabecera(this, QRCabecera, titulo, true);
    QRLabel1 = c.Titulo;
    QRFiltro = c.Filtro;
    QRColumnas = NuevaBanda(this, QRListado, "QRColumnas", rbColumnHeader, 24);
    FColumnas = Cabeceras(this, QRColumnas, 2, columnas);
    const auto& s = FColumnas;
    QRCabGru = NuevoGrupo(this, QRListado, "QRCabGru", QStringLiteral("MONEDA"), 24);
    NuevaEtiqueta(this, QRCabGru, "QRLabel2", 0, 5, 70, QStringLiteral("Moneda : "), taLeftJustify, true);
    QRMoneda = NuevaEtiqueta(this, QRCabGru, "QRMoneda", 72, 5, 200, QString(), taLeftJustify, true);
    QRDetalle = NuevaBanda(this, QRListado, "QRDetalle", rbDetail, 18);
    NuevoCampo(this, QRDetalle, "QRRef", QExped, "REF", s[0].Left, 1, s[0].Width);
    QRCliente = NuevaEtiqueta(this, QRDetalle, "QRCliente", s[1].Left, 1, s[1].Width);
    QSitua = NuevaEtiqueta(this, QRDetalle, "QSitua", s[2].Left, 1, s[2].Width);
    NuevoCampo(this, QRDetalle, "QRAutos", QExped, "AUTOS", s[3].Left, 1, s[3].Width);
    NuevoCampo(this, QRDetalle, "QRProcedimiento", QExped, "PROCEDIMIENTO", s[4].Left, 1, s[4].Width);
    QRAbogado = NuevaEtiqueta(this, QRDetalle, "QRAbogado", s[5].Left, 1, s[5].Width);
    QRBand1 = NuevaBanda(this, QRListado, "QRBand1", rbGroupFooter, 26);
    QRBand1->Frame()->SetDrawTop(true);
    QRCabGru->SetFooterBand(QRBand1);
    NuevaEtiqueta(this, QRBand1, "QRLabel3", s[6].Left, 5, s[6].Width, QStringLiteral("Total ..."), taLeftJustify, true);
    QRBand2 = NuevaBanda(this, QRListado, "QRBand2", rbSummary, 30);
    NuevaEtiqueta(this, QRBand2, "QRLabel4", s[4].Left, 8, s[4].Width + s[5].Width, QStringLiteral("Total General en"),
                  taRightJustify, true);
    QRTot = NuevaEtiqueta(this, QRBand2, "QRTot", s[6].Left, 8, s[6].Width, QString(), taLeftJustify, true);
    QREuro = NuevaEtiqueta(this, QRBand2, "QREuro", s[7].Left, 8, s[7].Width, QString(), taRightJustify, true);

    QRCabGru->BeforePrint = TQRBandBeforePrintEvent(this, &T::QRCabGruBeforePrint);
    QRDetalle->BeforePrint = TQRBandBeforePrintEvent(this, &T::QRDetalleBeforePrint);
    QRBand1->AfterPrint = TQRBandAfterPrintEvent(this, &T::QRBand1AfterPrint);
    QRBand2->BeforePrint = TQRBandBeforePrintEvent(this, &T::QRBand2BeforePrint);
    QREuro->OnPrint = TEvent<TObject*, QString&>(this, &T::QREuroPrint);
    QRListado->BeforePrint = TEvent<TQuickRep*, bool&>([this](TQuickRep*, bool&) { FormCreate(this); });
    OnClose = TCloseEvent(this, &T::FormClose);
}

void TListaProvisiones::FormCreate(TObject*) {
    FGrupo = 0;
    FTotal = 0;
    FConvertible = true;
}

void TListaProvisiones::QRCabGruBeforePrint(TQRCustomBand*, bool&) {
    const bool euros = QExped->FieldByName(QStringLiteral("MONEDA"))->AsString() == u"E";
    QRMoneda->SetCaption(euros ? QStringLiteral("Euros") : QStringLiteral("Pesetas"));
    FFormato = FormatoMoneda(euros ? QStringLiteral("E") : QStringLiteral("P"));
    GrupoDeMoneda();
}

void TListaProvisiones::QRDetalleBeforePrint(TQRCustomBand*, bool& print) {
    if (!Fila()) {
        print = false;
        return;
    }
    TDataSet* e = QExped;
    QSitua->SetCaption(SituacionExpediente(e->FieldByName(QStringLiteral("SITUACION"))->AsInteger()));
    QRCliente->SetCaption(FClientes.Nombre(e->FieldByName(QStringLiteral("CLIENTE"))->AsInteger()));
    QRAbogado->SetCaption(FAbogados.Nombre(e->FieldByName(QStringLiteral("ABOCLI"))->AsInteger()));
}

void TListaProvisiones::QRBand1AfterPrint(TQRCustomBand*, bool) {
    // The group's total joins the whole in the office currency before it starts again.
    double convertido = 0;
    if (EnMonedaDespacho(double(FGrupo), QExped->FieldByName(QStringLiteral("MONEDA"))->AsString(), MonedaDespacho(),
                         CambioEuro(), convertido))
        FTotal += convertido;
    else
        FConvertible = false;
    FGrupo = 0;
}

void TListaProvisiones::QRBand2BeforePrint(TQRCustomBand*, bool&) {
    QRTot->SetCaption(MonedaDespacho() == u"E" ? QStringLiteral("Euros") : QStringLiteral("Pesetas"));
}

void TListaProvisiones::QREuroPrint(TObject*, QString& value) {
    value = FConvertible ? ImporteTexto(FTotal, MonedaDespacho() == u"E" ? 2 : 0) : QString();
}

void TListaProvisiones::FormClose(TObject*, TCloseAction& action) { action = caFree; }

}  // namespace reports
