#pragma once
// The rights report "LISTADO DE PRIVACIDAD": one line per user with its nine rights and whose
// data it reaches. The password is never printed.
#include "platform/db/DBTables.h"
#include "platform/forms/Forms.h"
#include "platform/report/QuickRpt.h"

#include <vector>

class TQRLabel;
class TQRSysData;

class TFLisPriv : public TForm {
public:
    explicit TFLisPriv(TComponent* owner);
    ~TFLisPriv() override;

    TQuery* QLisPriv = nullptr;
    TQuery* QAbo = nullptr;
    TQuickRep* QRLisPriv = nullptr;
    TQRBand* QRBand1 = nullptr;  // page header
    TQRBand* QRBand2 = nullptr;  // detail
    TQRSysData* QRFecha = nullptr;
    TQRSysData* QRPagina = nullptr;
    TQRLabel* QRTitulo = nullptr;
    // Detail labels: user, then the rights in the order of the heads, the lawyer among them.
    TQRLabel *QRUsuario = nullptr, *QRPrivacidad = nullptr, *QRListados = nullptr, *QRExpedientes = nullptr,
             *QRConsultas = nullptr, *QRAgenda = nullptr, *QRModelos = nullptr, *QRAbogado = nullptr,
             *QREscritos = nullptr, *QREconomico = nullptr, *QRGeneral = nullptr;

    void QRBand2BeforePrint(TQRCustomBand* band, bool& print);
    void FormClose(TObject* sender, TCloseAction& action);

    // The preview hook the users editor installs while the report runs.
    static void MuestraPreview(TObject* sender);
};

extern TFLisPriv* FLisPriv;
