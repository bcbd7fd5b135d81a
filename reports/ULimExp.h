#pragma once
// The limits of the case-file lists by number, lawyer or client, and of the powers of attorney:
// everything, or a first and last case number (of the main window's year), office lawyer or
// client. The opener sets the group's caption ("Número", "Abogado", "Cliente") and reads the
// chosen rows as the current rows of the pair's queries.
#include "platform/db/DBTables.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/StdCtrls.h"


class TFLimExp : public TForm {
public:
    explicit TFLimExp(TComponent* owner);

    TGroupBox* gbLimites;
    TRadioButton* rbTodos;
    TRadioButton* rbLimite;
    TLabel* Label1;
    TLabel* Label2;
    TDBLookupComboBox* cbNumeroDesde;
    TDBLookupComboBox* cbNumeroHasta;
    TDBLookupComboBox* cbProcuDesde;
    TDBLookupComboBox* cbProcuHasta;
    TDBLookupComboBox* cbClienteDesde;
    TDBLookupComboBox* cbClienteHasta;
    TQuery *QExpD, *QExpH, *QProD, *QProH, *QCliD, *QCliH;
    TDataSource *DSExpedD, *DSExpedH, *DSProcuD, *DSProcuH, *DSClienteD, *DSClienteH;
    TBitBtn* btOk;
    TBitBtn* btNo;

    // The year whose case numbers the number pair lists: the main window's, which its opener
    // passes; the current year until then.
    QString Anio;

    void FormShow(TObject* sender);
    void rbLimiteClick(TObject* sender);
    void rbTodosClick(TObject* sender);
    void btOkClick(TObject* sender);

private:
    struct TPar {
        TDBLookupComboBox* Desde;
        TDBLookupComboBox* Hasta;
        TQuery* QDesde;
        TQuery* QHasta;
        QString Clave;
    };
    // The pair the group's caption asks for.
    TPar Par() const;
    void MuestraPar(const TPar& par, bool enabled);
};
