#pragma once
// The limits of the case-file lists by number, lawyer or client, and of the powers of attorney:
// everything, or a first and last case number (of the main window's year), office lawyer or
// client. The opener sets the group's caption ("Número", "Abogado", "Cliente") and reads the
// chosen rows as the current rows of the pair's queries.
#include "platform/db/DBTables.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/StdCtrls.h"

#include <functional>

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

namespace reports {
// The year chosen in the main window, whose case numbers the number pair lists; the main
// window installs it. Without one, the current year.
extern std::function<QString()> AnioPrincipal;
}  // namespace reports
