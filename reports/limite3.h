#pragma once
// The date range and kind of record of the invoice list by entering lawyer, with the lawyer:
// "TODOS" or one of the office's lawyers, whose row QAbo keeps current.
#include "platform/db/DBTables.h"
#include "reports/Limite2.h"

#include <vector>

class TLimites3 : public TLimites2 {
public:
    explicit TLimites3(TComponent* owner);

    TLabel* Label3;
    TComboBox* cbAbogado;
    TQuery* QAbo;
    TIntegerField* QAboABOCLI;
    TStringField* QAboNOMABO;

    void FormCreate(TObject* sender);
    void cbAbogadoChange(TObject* sender);

private:
    // The row of each item of cbAbogado ("TODOS" has none).
    std::vector<TBookmark> FMarcas;
};
