#include "agenda/DialogoCampo.h"

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

    btOk = new TBitBtn(this);
    btOk->SetName(QStringLiteral("btOk"));
    btOk->SetParent(this);
    btOk->SetKind(bkOK);
    btOk->SetModalResult(mrNone);
    btOk->SetCaption(QStringLiteral("OK"));
    btOk->SetDefault(true);
    btOk->SetBounds(202, 82, 90, 26);
    btOk->OnClick = TNotifyEvent(this, &T::btOkClick);
    btNo = new TBitBtn(this);
    btNo->SetName(QStringLiteral("btNo"));
    btNo->SetParent(this);
    btNo->SetKind(bkNo);
    btNo->SetCaption(QStringLiteral("&No"));
    btNo->SetBounds(298, 82, 90, 26);
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
