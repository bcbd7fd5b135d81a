#pragma once
// The limits of the agenda report: dates, which entries and which notices to print, and the
// agenda entry type ("TODOS" or one type, whose row is then current in the data module).
#include "platform/db/DB.h"
#include "reports/Limite.h"

#include <vector>

class TLimAgen : public TLimites {
public:
    explicit TLimAgen(TComponent* owner);

    TGroupBox* GroupBox1;
    TGroupBox* GroupBox2;
    TGroupBox* GroupBox3;
    TCheckBox* btExped;
    TCheckBox* btDesp;
    TCheckBox* btPart;
    TCheckBox* btAviExp;
    TCheckBox* btAviDes;
    TCheckBox* btAviPar;
    TLabel* Label3;
    TComboBox* cbTipoAgenda;

    void FormCreate(TObject* sender);
    void cbTipoAgendaChange(TObject* sender);

private:
    // The row of each item of cbTipoAgenda; "TODOS" keeps the row that was current.
    std::vector<TBookmark> FMarcas;
};
