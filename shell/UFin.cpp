#include "shell/UFin.h"

#include "shell/Inicio.h"

TFFin::TFFin(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("FFin"));
    SetBorderStyle(bsDialog);
    SetBorderIcons(biSystemMenu);
    SetPosition(poScreenCenter);
    SetCaption(QStringLiteral("Confirme operación"));
    SetClientWidth(300);
    SetClientHeight(124);
    Font()->SetName(QStringLiteral("MS Sans Serif"));

    Image1 = new TImage(this);
    Image1->SetName(QStringLiteral("Image1"));
    Image1->SetParent(this);
    Image1->SetBounds(12, 12, 48, 48);
    Image1->SetStretch(true);
    Image1->Picture()->Bitmap()->FromImage(shell::DibujoBalanza(48, 0.5));

    Label1 = new TLabel(this);
    Label1->SetName(QStringLiteral("Label1"));
    Label1->SetParent(this);
    Label1->SetBounds(72, 16, 216, 16);
    Label1->SetCaption(QStringLiteral("¿ Desea abandonar el programa ?"));
    Label1->Font()->SetStyle(TFontStyles{fsBold});

    Guardar = new TCheckBox(this);
    Guardar->SetName(QStringLiteral("Guardar"));
    Guardar->SetParent(this);
    Guardar->SetBounds(72, 44, 216, 17);
    Guardar->SetCaption(QStringLiteral("Guardar configuración actual"));
    Guardar->SetChecked(true);

    BtOk = new TButton(this);
    BtOk->SetName(QStringLiteral("BtOk"));
    BtOk->SetParent(this);
    BtOk->SetBounds(64, 84, 80, 27);
    BtOk->SetCaption(QStringLiteral("OK"));
    BtOk->SetModalResult(mrOk);

    BtNo = new TButton(this);
    BtNo->SetName(QStringLiteral("BtNo"));
    BtNo->SetParent(this);
    BtNo->SetBounds(156, 84, 80, 27);
    BtNo->SetCaption(QStringLiteral("&No"));
    BtNo->SetModalResult(mrNo);
    BtNo->SetDefault(true);
    BtNo->SetCancel(true);
    DoCreate();
}
