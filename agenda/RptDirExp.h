#pragma once
// "EVOLUCIÓN DEL EXPEDIENTE": the agenda entries of one case file, day by day, with the lawyer
// of the case and an icon for documents and notices.
#include "platform/db/DBTables.h"
#include "platform/forms/Forms.h"
#include "platform/report/QRCtrls.h"
#include "platform/report/QuickRpt.h"

class TInfDirExp : public TForm {
public:
    explicit TInfDirExp(TComponent* owner);
    ~TInfDirExp() override;

    TQuickRep* QDirExp = nullptr;
    TQuery* QAgenda = nullptr;
    TQuery* QProcura = nullptr;
    TQRBand* QRCabecera = nullptr;
    TQRBand* QRTipo = nullptr;
    TQRLabel* QRExpediente = nullptr;
    TQRLabel* QRAbogado = nullptr;
    TQRLabel* TipoApunte = nullptr;
    TQRImage* Imagen = nullptr;
    // The row pictures: document made by the merge, attached by hand, notice.
    TPicture* Clip = nullptr;
    TPicture* Unido = nullptr;
    TPicture* Reloj = nullptr;

    // Parameters of the case file current in the data module, header labels, lawyer.
    void Inicia();

    void QAgendaAfterOpen(TDataSet* ds);
    void QRTipoBeforePrint(TQRCustomBand* band, bool& print);
    void FormClose(TObject* sender, TCloseAction& action);
};

extern TInfDirExp* InfDirExp;
