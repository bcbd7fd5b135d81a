#pragma once
// What the case-file lists share: the case-file query, a landscape page with the title and the
// range text, and a detail line per case file with its number, its client lines, its state,
// court number, procedure, opposing-party lines and one name column (office lawyer or court
// agent), the band as tall as its longest list of names.
#include "reports/Listado.h"

namespace reports {

class TListaExpedientes : public TForm {
public:
    enum TUltima { uAbogado, uProcurador };
    TListaExpedientes(TComponent* owner, const char* nombreForm, const QString& titulo, const QString& sql, TUltima ultima,
                      bool ultimaFecha);
    ~TListaExpedientes() override;

    TQuery* QExped = nullptr;
    TQuery* QAboCli = nullptr;
    TQuery* QProCli = nullptr;
    TQuickRep* QRListado = nullptr;
    TQRBand* QRCabecera = nullptr;  // page header
    TQRBand* QRColumnas = nullptr;  // column heads
    TQRLabel* QRLabel1 = nullptr;    // title
    TQRLabel* QRFiltro = nullptr;    // range text
    TQRBand* QRDetalle = nullptr;
    TQRLabel *QRExpediente = nullptr, *QSitua = nullptr, *QRNombre = nullptr;
    TQRDBText *QRAutos = nullptr, *QRProcedimiento = nullptr, *QRFecha = nullptr;
    TLineasPartes Partes;
    // The lines as their names read.
    TQRLabel *QRCli1 = nullptr, *QRCli2 = nullptr, *QRCli3 = nullptr, *QRCli4 = nullptr, *QRCli5 = nullptr;
    TQRLabel *QRCon1 = nullptr, *QRCon2 = nullptr, *QRCon3 = nullptr, *QRCon4 = nullptr, *QRCon5 = nullptr;

    void QRDetalleBeforePrint(TQRCustomBand* band, bool& print);
    void FormClose(TObject* sender, TCloseAction& action);

protected:
    TNombres FAbogados, FProcuradores;

private:
    TUltima FUltima;
};

// "2001/00012-A".
QString Expediente(TDataSet* ds);

}  // namespace reports
