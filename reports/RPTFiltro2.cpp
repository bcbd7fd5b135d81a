#include "reports/RPTFiltro2.h"

#include "comun/Alcance.h"

TInfFiltro2* InfFiltro2 = nullptr;

TInfFiltro2::TInfFiltro2(TComponent* owner) : TForm(owner) {
    using namespace reports;
    SetName(QStringLiteral("InfFiltro2"));
    TConsul = new TTable(this);
    TConsul->SetName(QStringLiteral("TConsul"));
    TConsul->SetDatabaseName(QStringLiteral("ZEMBRA"));
    TConsul->SetTableName(QStringLiteral("Consultas.DB"));
    const QString titulo = QStringLiteral("LISTADO DE CONSULTAS");
    QRListado = NuevoInforme(this, "QRListado", TConsul, titulo, poLandscape);
    QRCabecera = NuevaBanda(this, QRListado, "QRCabecera", rbPageHeader, 50);
    QRLabel1 = NuevaCabecera(this, QRCabecera, titulo).Titulo;
    QRFiltros = BandaFiltro(this, QRListado, LAno, NomAbogado, LFiltro, "NomAbogado");
    QRFiltros->BeforePrint =
        TQRBandBeforePrintEvent([this](TQRCustomBand* b, bool&) { AjustaBandaFiltro(b, LFiltro); });
    QRColumnas = NuevaBanda(this, QRListado, "QRColumnas", rbColumnHeader, 24);
    const auto s = Cabeceras(this, QRColumnas, 2,
                             {{"Año", 5}, {"Número", 9}, {"Cliente", 24}, {"Tipo", 14}, {"Facturada", 9},
                              {"Importe", 11, taRightJustify}, {"Horas", 6, taRightJustify}, {"Cobrada", 9}, {"Situación", 10}});
    QRBand2 = NuevaBanda(this, QRListado, "QRBand2", rbDetail, 18);
    const char* campos[] = {"ANO", "NUMERO", "NOMCLIENTE", "TIPO", "FECHAFACTURA", "IMPORTE", "HORAS", "FECHACOBRO"};
    for (size_t i = 0; i < std::size(campos); ++i) {
        TQRDBText* t = NuevoCampo(this, QRBand2, nullptr, TConsul, campos[i], s[i].Left, 1, s[i].Width,
                                  i == 5 || i == 6 ? taRightJustify : taLeftJustify);
        if (i == 5) QRImporte = t;
    }
    QSitu = NuevaEtiqueta(this, QRBand2, "QSitu", s[8].Left, 1, s[8].Width);
    QRBand3 = NuevaBanda(this, QRListado, "QRBand3", rbSummary, 28);
    QRBand3->Frame()->SetDrawTop(true);
    NuevaEtiqueta(this, QRBand3, "QRLabel13", s[4].Left, 6, s[4].Width, QStringLiteral("Total ..."), taLeftJustify, true);
    QRSuma = NuevaSuma(this, QRBand3, "QRSuma", QStringLiteral("SUM(IMPORTE)"), s[5].Left, 6, s[5].Width);
    QRSuma->Font()->SetStyle(TFontStyles{fsBold});
    TConsul->OnFilterRecord = TFilterRecordEvent(this, &TInfFiltro2::TConsulFilterRecord);
    TConsul->SetFiltered(true);
    QRBand2->BeforePrint = TQRBandBeforePrintEvent(this, &TInfFiltro2::QRBand2BeforePrint);
    OnClose = TCloseEvent(this, &TInfFiltro2::FormClose);
    FormCreate(this);
}

TInfFiltro2::~TInfFiltro2() {
    if (InfFiltro2 == this) InfFiltro2 = nullptr;
}

void TInfFiltro2::FormCreate(TObject*) {
    // Until the opener passes the main window's selectors: no lawyer chosen, still only what the
    // user may reach.
    Seleccion.AbogadoUsuario = comun::AbogadoUsuario();
    QRSuma->SetMask(reports::FormatoMoneda(reports::MonedaDespacho()));
    QRImporte->SetMask(QRSuma->Mask());
}

void TInfFiltro2::TConsulFilterRecord(TDataSet* ds, bool& accept) { accept = FiltroCon.Acepta(ds, Seleccion); }

void TInfFiltro2::QRBand2BeforePrint(TQRCustomBand*, bool&) {
    QSitu->SetCaption(reports::SituacionConsulta(TConsul->FieldByName(QStringLiteral("SITUACION"))->AsInteger()));
}

void TInfFiltro2::FormClose(TObject*, TCloseAction& action) { action = caFree; }

namespace reports {

void RPTFiltro2(const TSeleccionPrincipal& seleccion, const QString& nombreAbogado) {
    Presenta(InfFiltro2, &TInfFiltro2::QRListado, [&](TInfFiltro2* f) {
        f->Seleccion = seleccion;
        DescribeFiltro(f->LAno, f->NomAbogado, f->LFiltro, f->Seleccion, nombreAbogado, FiltroCon.Filas);
        f->TConsul->Open();
    });
}

}  // namespace reports
