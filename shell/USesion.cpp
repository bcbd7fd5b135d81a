#include "shell/USesion.h"

#include "shell/Acceso.h"
#include "shell/UData.h"
#include "shell/UFin.h"

namespace shell {

TVentanaSesion* VentanaSesion = nullptr;

TVentanaSesion::TVentanaSesion(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("VentanaSesion"));
    SetCaption(QStringLiteral("Zembra 4.0"));
    SetPosition(poScreenCenter);
    SetClientWidth(420);
    SetClientHeight(90);
    Font()->SetName(QStringLiteral("MS Sans Serif"));

    LUsuario = new TLabel(this);
    LUsuario->SetName(QStringLiteral("LUsuario"));
    LUsuario->SetParent(this);
    LUsuario->SetBounds(16, 20, 388, 18);
    LUsuario->Font()->SetStyle(TFontStyles{fsBold});

    LDatos = new TLabel(this);
    LDatos->SetName(QStringLiteral("LDatos"));
    LDatos->SetParent(this);
    LDatos->SetBounds(16, 50, 388, 16);

    OnCreate = TNotifyEvent(this, &TVentanaSesion::FormCreate);
    OnShow = TNotifyEvent(this, &TVentanaSesion::FormShow);
    OnCloseQuery = TCloseQueryEvent(this, &TVentanaSesion::FormCloseQuery);
    DoCreate();
}

TVentanaSesion::~TVentanaSesion() {
    if (VentanaSesion == this) VentanaSesion = nullptr;
}

// A new data folder gets its first user here, before the login gate counts the users.
void TVentanaSesion::FormCreate(TObject*) { AltaSupervisor(); }

void TVentanaSesion::FormShow(TObject*) {
    LUsuario->SetCaption(QStringLiteral("Usuario : ") + UsuarioSesion());
    LDatos->SetCaption(QStringLiteral("Datos : ") + CarpetaDatos);
}

void TVentanaSesion::FormCloseQuery(TObject*, bool& canClose) {
    // No owner: a second close before the first dialog is freed must not clash over its name.
    auto* fin = new TFFin(nullptr);
    canClose = fin->ShowModal() == mrOk;
    FGuardar = fin->Guardar->Checked();
    fin->Release();
}

}  // namespace shell
