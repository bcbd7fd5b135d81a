#include "shell/UAcercaDe.h"

#include "shell/Inicio.h"

namespace {
TLabel* Etiqueta(TForm* form, const QString& nombre, const QString& texto, int top, int alto) {
    auto* l = new TLabel(form);
    l->SetName(nombre);
    l->SetParent(form);
    l->SetBounds(100, top, 220, alto);
    l->SetCaption(texto);
    return l;
}
}  // namespace

TAcerca::TAcerca(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("Acerca"));
    SetBorderStyle(bsDialog);
    SetBorderIcons(biSystemMenu);
    SetPosition(poScreenCenter);
    SetCaption(QStringLiteral("Acerca de Zembra"));
    SetClientWidth(330);
    SetClientHeight(150);
    Font()->SetName(QStringLiteral("MS Sans Serif"));

    Image1 = new TImage(this);
    Image1->SetName(QStringLiteral("Image1"));
    Image1->SetParent(this);
    Image1->SetBounds(12, 12, 76, 76);
    Image1->Picture()->Bitmap()->FromImage(shell::DibujoBalanza(76, 0));

    Label1 = Etiqueta(this, QStringLiteral("Label1"), QStringLiteral("Zembra 4.0"), 14, 28);
    Label1->Font()->SetName(QStringLiteral("Times New Roman"));
    Label1->Font()->SetHeight(-24);
    Label1->Font()->SetStyle(TFontStyles{fsBold});
    Label2 = Etiqueta(this, QStringLiteral("Label2"), QStringLiteral("Gestión de despachos de abogados"), 48, 16);
    Label3 = Etiqueta(this, QStringLiteral("Label3"), QStringLiteral("Velmor Informática"), 68, 16);

    Button1 = new TButton(this);
    Button1->SetName(QStringLiteral("Button1"));
    Button1->SetParent(this);
    Button1->SetBounds(125, 112, 80, 27);
    Button1->SetCaption(QStringLiteral("OK"));
    Button1->SetDefault(true);
    Button1->SetCancel(true);

    Button1->OnClick = TNotifyEvent(this, &TAcerca::Button1Click);
    OnClose = TCloseEvent(this, &TAcerca::FormClose);
    DoCreate();
}

void TAcerca::Button1Click(TObject*) { Close(); }

void TAcerca::FormClose(TObject*, TCloseAction& action) { action = caFree; }
