#include "agenda/DialogoCampo.h"

#include "comun/Controles.h"

TDialogoCampo::TDialogoCampo(TComponent* owner, const char* nombre, const QString& titulo, TDataSource* fuente,
                             const char* campo)
    : TForm(owner), FFuente(fuente) {
    using T = TDialogoCampo;
    SetName(QString::fromLatin1(nombre));
    SetCaption(titulo);
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(400);
    SetClientHeight(120);

    FEdit = new TDBEdit(this);
    FEdit->SetName(QString::fromLatin1(campo));
    FEdit->SetParent(this);
    FEdit->SetBounds(12, 42, 376, 21);
    FEdit->SetDataSource(fuente);
    FEdit->SetDataField(QString::fromLatin1(campo));

    const comun::TOkNo par = comun::ParOkNo(this, this, "btOk", "btNo", 202, 82, 90, 26, 96);
    btOk = par.Ok;
    btNo = par.No;
    btNo->SetModalResult(mrNo);  // No closes the dialog by itself
    btOk->SetDefault(true);      // one field: Enter in it saves
    btOk->OnClick = TNotifyEvent(this, &T::btOkClick);
    OnClose = TCloseEvent(this, &T::FormClose);
}

TLabel* TDialogoCampo::NuevaEtiqueta(const QString& texto, int left, int width) {
    auto* l = new TLabel(this);
    l->SetParent(this);
    l->SetCaption(texto);
    l->SetBounds(left, 14, width, 17);
    return l;
}

void TDialogoCampo::btOkClick(TObject*) {
    // A refused post keeps the dialog open with its message.
    FFuente->DataSet()->Post();
    SetModalResult(mrOk);
}

void TDialogoCampo::FormClose(TObject*, TCloseAction& action) {
    TDataSet* t = FFuente->DataSet();
    if (ModalResult() != mrOk && (t->State() == dsEdit || t->State() == dsInsert)) t->Cancel();
    action = caFree;
}
