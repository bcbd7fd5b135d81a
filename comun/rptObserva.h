#pragma once
// The printed notes of one record: a title and the memo as it is saved.
#include "platform/db/DBTables.h"
#include "platform/forms/Forms.h"
#include "platform/report/QuickRpt.h"

class TQRLabel;
class TQRDBText;

class TFObserva : public TForm {
public:
    explicit TFObserva(TComponent* owner);
    ~TFObserva() override;

    TQuery* QMemo = nullptr;
    TDataSource* DSMemo = nullptr;
    TQuickRep* QRObserva = nullptr;
    TQRBand* Cabecera = nullptr;
    TQRLabel* QRTitulo = nullptr;
    TQRBand* Detalle = nullptr;
    TQRDBText* QRDBText1 = nullptr;

    void FormClose(TObject* sender, TCloseAction& action);
    void SetTitulo(const QString& titulo);
};

extern TFObserva* FObserva;
