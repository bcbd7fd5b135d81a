#include "reports/ULimTipCon.h"

TFConCon::TFConCon(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("FConCon"));
    SetCaption(QStringLiteral("Listado de Conceptos Contables"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(250);
    SetClientHeight(190);
    GroupBox1 = new TGroupBox(this);
    GroupBox1->SetName(QStringLiteral("GroupBox1"));
    GroupBox1->SetParent(this);
    GroupBox1->SetBounds(12, 8, 226, 134);
    GroupBox1->SetCaption(QStringLiteral("Tipo de Concepto"));
    auto casilla = [&](const char* name, const char* caption, int top) {
        auto* c = new TCheckBox(this);
        c->SetName(QString::fromLatin1(name));
        c->SetParent(GroupBox1);
        c->SetBounds(20, top, 180, 20);
        c->SetCaption(QString::fromUtf8(caption));
        c->SetChecked(true);
        return c;
    };
    cbSuplidos = casilla("cbSuplidos", "Suplidos", 24);
    cbDerechos = casilla("cbDerechos", "Derechos", 50);
    cbProvisiones = casilla("cbProvisiones", "Provisiones", 76);
    cbGastos = casilla("cbGastos", "Gastos", 102);
    BitBtn1 = new TBitBtn(this);
    BitBtn1->SetName(QStringLiteral("BitBtn1"));
    BitBtn1->SetParent(this);
    BitBtn1->SetBounds(32, 152, 88, 28);
    BitBtn1->SetKind(bkOK);
    BitBtn1->SetCaption(QStringLiteral("OK"));
    BitBtn2 = new TBitBtn(this);
    BitBtn2->SetName(QStringLiteral("BitBtn2"));
    BitBtn2->SetParent(this);
    BitBtn2->SetBounds(130, 152, 88, 28);
    BitBtn2->SetKind(bkCancel);
}
