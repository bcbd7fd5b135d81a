// The notes report.
#include "comun/rptObserva.h"

#include "platform/report/QRCtrls.h"

TFObserva* FObserva = nullptr;

TFObserva::TFObserva(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("FObserva"));
    QMemo = new TQuery(this);
    QMemo->SetName(QStringLiteral("QMemo"));
    QMemo->SetDatabaseName(QStringLiteral("ZEMBRA"));
    DSMemo = new TDataSource(this);
    DSMemo->SetName(QStringLiteral("DSMemo"));
    DSMemo->SetDataSet(QMemo);

    QRObserva = new TQuickRep(this);
    QRObserva->SetName(QStringLiteral("QRObserva"));
    QRObserva->SetDataSet(QMemo);
    QRObserva->SetReportTitle(QStringLiteral("Observaciones"));
    QRObserva->Page()->SetTopMargin(15);
    QRObserva->Page()->SetLeftMargin(20);
    QRObserva->Page()->SetRightMargin(15);

    Cabecera = new TQRBand(this);
    Cabecera->SetName(QStringLiteral("Cabecera"));
    Cabecera->SetBandType(rbPageHeader);
    Cabecera->SetHeight(48);
    Cabecera->SetParent(QRObserva);
    QRTitulo = new TQRLabel(this);
    QRTitulo->SetName(QStringLiteral("QRTitulo"));
    QRTitulo->SetParent(Cabecera);
    QRTitulo->SetBounds(0, 8, 600, 26);
    QRTitulo->SetAlignToBand(true);
    QRTitulo->Font()->SetName(QStringLiteral("Arial"));
    QRTitulo->Font()->SetHeight(-19);
    QRTitulo->Font()->SetStyle(TFontStyles{fsBold});

    Detalle = new TQRBand(this);
    Detalle->SetName(QStringLiteral("Detalle"));
    Detalle->SetBandType(rbDetail);
    Detalle->SetHeight(24);
    Detalle->SetParent(QRObserva);
    QRDBText1 = new TQRDBText(this);
    QRDBText1->SetName(QStringLiteral("QRDBText1"));
    QRDBText1->SetParent(Detalle);
    QRDBText1->SetBounds(0, 4, QRObserva->PrintableWidth(), 17);
    QRDBText1->SetAutoSize(false);
    QRDBText1->SetAutoStretch(true);
    QRDBText1->SetWordWrap(true);
    QRDBText1->SetDataSet(QMemo);
    QRDBText1->SetDataField(QStringLiteral("OBSERVACIONES"));

    OnClose = TCloseEvent(this, &TFObserva::FormClose);
}

TFObserva::~TFObserva() {
    if (FObserva == this) FObserva = nullptr;
}

void TFObserva::FormClose(TObject*, TCloseAction& action) { action = caFree; }

void TFObserva::SetTitulo(const QString& titulo) { QRTitulo->SetCaption(titulo); }
