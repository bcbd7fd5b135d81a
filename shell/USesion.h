#pragma once
// The window the program runs in until the main window exists: it says who logged in and where
// the data is, and ends the program through the exit dialog.
#include "platform/forms/StdCtrls.h"

namespace shell {

class TVentanaSesion : public TForm {
public:
    explicit TVentanaSesion(TComponent* owner);
    ~TVentanaSesion() override;

    TLabel* LUsuario;
    TLabel* LDatos;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormCloseQuery(TObject* sender, bool& canClose);

    // What the exit dialog answered about saving the layout, the last time it was asked.
    bool GuardarConfiguracion() const { return FGuardar; }

private:
    bool FGuardar = true;
};

extern TVentanaSesion* VentanaSesion;

}  // namespace shell
