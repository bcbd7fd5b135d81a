#include "agenda/UDias.h"

#include "shell/UData.h"

TFFechas* FFechas = nullptr;

TFFechas::TFFechas(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("FFechas"));
    SetCaption(QStringLiteral("Introducir Fecha Especial"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(400);
    SetClientHeight(120);

    Label1 = new TLabel(this);
    Label1->SetParent(this);
    Label1->SetCaption(QStringLiteral("Esta fecha es :"));
    Label1->SetBounds(12, 14, 100, 17);
    Fecha = new TDBText(this);
    Fecha->SetName(QStringLiteral("Fecha"));
    Fecha->SetParent(this);
    Fecha->SetAutoSize(false);
    Fecha->SetBounds(118, 14, 120, 17);
    Fecha->Font()->SetStyle({fsBold});
    Fecha->SetDataSource(Dat->DSDias);
    Fecha->SetDataField(QStringLiteral("Fecha"));
    Descripcion = new TDBEdit(this);
    Descripcion->SetName(QStringLiteral("Descripcion"));
    Descripcion->SetParent(this);
    Descripcion->SetBounds(12, 42, 376, 21);
    Descripcion->SetDataSource(Dat->DSDias);
    Descripcion->SetDataField(QStringLiteral("Descripcion"));

    btOk = new TBitBtn(this);
    btOk->SetName(QStringLiteral("btOk"));
    btOk->SetParent(this);
    btOk->SetKind(bkOK);
    btOk->SetModalResult(mrNone);
    btOk->SetCaption(QStringLiteral("OK"));
    btOk->SetDefault(true);
    btOk->SetBounds(202, 82, 90, 26);
    btOk->OnClick = TNotifyEvent(this, &TFFechas::btOkClick);
    btNo = new TBitBtn(this);
    btNo->SetName(QStringLiteral("btNo"));
    btNo->SetParent(this);
    btNo->SetKind(bkNo);
    btNo->SetCaption(QStringLiteral("&No"));
    btNo->SetBounds(298, 82, 90, 26);
    OnClose = TCloseEvent(this, &TFFechas::FormClose);
}

TFFechas::~TFFechas() {
    if (FFechas == this) FFechas = nullptr;
}

void TFFechas::btOkClick(TObject*) {
    // A refused post keeps the dialog open with its message.
    Dat->TDias->Post();
    SetModalResult(mrOk);
}

void TFFechas::FormClose(TObject*, TCloseAction& action) {
    if (ModalResult() != mrOk && (Dat->TDias->State() == dsEdit || Dat->TDias->State() == dsInsert)) Dat->TDias->Cancel();
    action = caFree;
}
