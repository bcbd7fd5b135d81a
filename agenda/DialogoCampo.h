#pragma once
// A small dialog over one record of the calendar's tables: a top line the dialog fills, one edit
// of the record's field, OK that posts (a refused post keeps the dialog open with its message)
// and No; closing without OK cancels the record.
#include "platform/forms/Buttons.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

class TDialogoCampo : public TForm {
public:
    TDialogoCampo(TComponent* owner, const char* nombre, const QString& titulo, TDataSource* fuente, const char* campo);

    TBitBtn* btOk = nullptr;
    TBitBtn* btNo = nullptr;

    void btOkClick(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);

protected:
    // The edit of the record's field, named after it.
    TDBEdit* FEdit = nullptr;
    TLabel* NuevaEtiqueta(const QString& texto, int left, int width);

private:
    TDataSource* FFuente;
};
