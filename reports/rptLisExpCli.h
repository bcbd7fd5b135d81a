#pragma once
// The case files of a year by client: "LISTADO DE EXPEDIENTES POR CLIENTES", each client with
// case files in the year heading the lines of its case files.
#include "reports/Listado.h"

class TInfExpCli : public TForm {
public:
    explicit TInfExpCli(TComponent* owner);
    ~TInfExpCli() override;

    TQuery* QCliente = nullptr;  // clients with case files in the year
    TDataSource* DSCliente = nullptr;
    TQuery* QExped = nullptr;  // the client's case files of the year
    TQuery* QAboCli = nullptr;
    TQuery* QProCli = nullptr;
    TQuickRep* QRListado = nullptr;
    TQRBand* QRCabecera = nullptr;
    TQRBand* QRColumnas = nullptr;
    TQRLabel* QRLabel1 = nullptr;
    TQRLabel* QRFiltro = nullptr;
    TQRBand* QRCliente = nullptr;  // "Cliente :" and the name
    TQRSubDetail* QRDetalle = nullptr;
    TQRLabel *QRExpediente = nullptr, *QRProcurador = nullptr, *QRAbogado = nullptr, *QSitua = nullptr;
    reports::TLineasPartes Partes;
    TQRLabel *QRCon1 = nullptr, *QRCon2 = nullptr, *QRCon3 = nullptr, *QRCon4 = nullptr, *QRCon5 = nullptr;

    void QRClienteBeforePrint(TQRCustomBand* band, bool& print);
    void QRDetalleBeforePrint(TQRCustomBand* band, bool& print);
    void FormClose(TObject* sender, TCloseAction& action);

private:
    reports::TNombres FAbogados, FProcuradores;
};

extern TInfExpCli* InfExpCli;

namespace reports {
// The year, the clients' codes and the range text ("Cliente :  TODOS").
void PreparaExpCli(TInfExpCli* informe, const QString& ano, int desde, int hasta, const QString& filtro);
void rptLisExpCli(const QString& ano, int desde, int hasta, const QString& filtro);
}  // namespace reports
