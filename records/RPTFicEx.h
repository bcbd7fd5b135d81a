#pragma once
// The case-file card: the case file current in the data module with its court data and history,
// amounts, and the names and phones of its clients, opposing parties, expert and lawyers.
#include "platform/db/DBTables.h"
#include "platform/forms/Forms.h"
#include "platform/report/QRCtrls.h"
#include "platform/report/QuickRpt.h"

class TInfFicEx : public TForm {
public:
    explicit TInfFicEx(TComponent* owner);
    ~TInfFicEx() override;

    TQuickRep* QRFicEx = nullptr;
    TQuery* QExped = nullptr;
    // One query per related person, by its key parameter, and the case's link rows.
    TQuery *QCliente = nullptr, *QAbocli = nullptr, *QAboEnt = nullptr, *QProcli = nullptr, *QProCon = nullptr,
           *QNomCon = nullptr, *QAboCon = nullptr, *QPerito = nullptr, *QExpCli = nullptr, *QExpCon = nullptr;
    TQRBand* QRCabecera = nullptr;
    TQRBand* QRDetalle = nullptr;
    TQRLabel* QRActor = nullptr;
    TQRLabel* QRExpediente = nullptr;
    TQRLabel* QRSituacion = nullptr;

    void Preview();
    void Prepare();
    // Text of a labelled line of the card ("Tribunal :"), as last filled.
    QString Linea(const QString& etiqueta) const;

    void QRCabeceraBeforePrint(TQRCustomBand* band, bool& print);
    void FormClose(TObject* sender, TCloseAction& action);

private:
    void Abre();
    TQRLabel* Fila(const QString& etiqueta, int& top, TQRLabel** rotulo = nullptr);
    QString Persona(TQuery* q, const char* campo, bool telefono);
    QString Lista(TQuery* q, const char* campo, const char* tabla, const char* clave);
    std::vector<std::pair<QString, TQRLabel*>> FLineas;
    TQRLabel *FPerito = nullptr, *FPeritoRotulo = nullptr;
};

extern TInfFicEx* InfFicEx;
