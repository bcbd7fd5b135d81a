#include "agenda/UColor.h"

#include "shell/UData.h"

TFDias* FDias = nullptr;

TFDias::TFDias(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("FDias"));
    SetCaption(QStringLiteral("Tipos de Días"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(400);
    SetClientHeight(120);

    Color = new TShape(this);
    Color->SetName(QStringLiteral("Color"));
    Color->SetParent(this);
    Color->SetShape(stRoundRect);
    Color->SetBounds(12, 10, 40, 24);
    Label1 = new TLabel(this);
    Label1->SetParent(this);
    Label1->SetCaption(QStringLiteral("Este color corresponde a :"));
    Label1->SetBounds(62, 14, 200, 17);
    Nombre = new TDBEdit(this);
    Nombre->SetName(QStringLiteral("Nombre"));
    Nombre->SetParent(this);
    Nombre->SetBounds(12, 42, 376, 21);
    Nombre->SetDataSource(Dat->DSColor);
    Nombre->SetDataField(QStringLiteral("Nombre"));

    btOk = new TBitBtn(this);
    btOk->SetName(QStringLiteral("btOk"));
    btOk->SetParent(this);
    btOk->SetKind(bkOK);
    btOk->SetModalResult(mrNone);
    btOk->SetCaption(QStringLiteral("OK"));
    btOk->SetDefault(true);
    btOk->SetBounds(202, 82, 90, 26);
    btOk->OnClick = TNotifyEvent(this, &TFDias::btOkClick);
    btNo = new TBitBtn(this);
    btNo->SetName(QStringLiteral("btNo"));
    btNo->SetParent(this);
    btNo->SetKind(bkNo);
    btNo->SetCaption(QStringLiteral("&No"));
    btNo->SetBounds(298, 82, 90, 26);
    OnClose = TCloseEvent(this, &TFDias::FormClose);
}

TFDias::~TFDias() {
    if (FDias == this) FDias = nullptr;
}

void TFDias::btOkClick(TObject*) {
    Dat->TColores->Post();
    SetModalResult(mrOk);
}

void TFDias::FormClose(TObject*, TCloseAction& action) {
    if (ModalResult() != mrOk && (Dat->TColores->State() == dsEdit || Dat->TColores->State() == dsInsert)) Dat->TColores->Cancel();
    action = caFree;
}
