#pragma once
// The print-options dialog of the report preview: printer, all pages or a range, copies.
#include "platform/forms/Buttons.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

class TdlgImprime : public TForm {
public:
    explicit TdlgImprime(TComponent* owner);
    ~TdlgImprime() override;

    TLabel* LImpresora;
    TButton* BImpresora;
    TPrinterSetupDialog* PrinterDialogo;
    TBevel* Bevel1;
    TRadioButton* rbTodo;
    TRadioButton* rbPaginas;
    TLabel* Label1;
    TEdit* EDesde;
    TLabel* Label2;
    TEdit* EHasta;
    TLabel* Label3;
    TEdit* ECopias;
    TUpDown* UpDown1;
    TBitBtn* btOk;
    TBitBtn* BitBtn2;

    // The report's page count, proposed as the last page when "Páginas" is chosen.
    void FijaPaginas(int paginas) { FPaginas = paginas; }
    int Paginas() const { return FPaginas; }

    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void BImpresoraClick(TObject* sender);
    void rbTodoClick(TObject* sender);
    void rbPaginasClick(TObject* sender);
    void SoloDigitos(TObject* sender, QChar& key);
    void btOkClick(TObject* sender);

private:
    int FPaginas = 0;
};

extern TdlgImprime* dlgImprime;
