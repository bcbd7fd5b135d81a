#pragma once
// The list "LISTADO DE PODERES": the powers of attorney of a range of clients, by client name;
// the client's name prints on the line of its first power only.
#include "reports/Listado.h"

class TInfLisPod : public TForm {
public:
    explicit TInfLisPod(TComponent* owner);
    ~TInfLisPod() override;

    TQuery* QPoderes = nullptr;
    TDataSource* DSPoderes = nullptr;
    TQuery* QAbogado = nullptr;  // the power's lawyer, following QPoderes
    TQuickRep* QRLisPod = nullptr;
    TQRBand* QRBand1 = nullptr;  // page header
    TQRLabel* QRLabel1 = nullptr;
    TQRLabel* QRFiltro = nullptr;
    TQRGroup* QRGroup1 = nullptr;  // on NOMCLI
    TQRChildBand* QRCabGrupo = nullptr;
    TQRBand* QRBand2 = nullptr;  // one power
    TQRLabel* QRCli = nullptr;

    void QRCabGrupoBeforePrint(TQRCustomBand* band, bool& print);
    void QRBand2AfterPrint(TQRCustomBand* band, bool printed);
    void FormClose(TObject* sender, TCloseAction& action);
};

extern TInfLisPod* InfLisPod;

namespace reports {
// Clients `desde` .. `hasta`; `filtro` is the range text of the header ("Cliente :  TODOS").
void PreparaPoderes(TInfLisPod* informe, int desde, int hasta, const QString& filtro);
void RPTLisPod(int desde, int hasta, const QString& filtro);
}  // namespace reports
