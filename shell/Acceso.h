#pragma once
// The login form, shown at start-up when the office has more than one user, and the check of a
// user's password (its stored form is the base's, comun/Contrasenia.h).
#include "platform/forms/Buttons.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

class TEntrada : public TForm {
public:
    explicit TEntrada(TComponent* owner);
    ~TEntrada() override;

    TImage* Image1;
    TLabel* Label3;
    TLabel* Label1;
    TLabel* Label2;
    TEdit* ENombre;
    TEdit* EPassword;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;

    void FormShow(TObject* sender);
    void BitBtn1Click(TObject* sender);
    void FormKeyPress(TObject* sender, QChar& key);
    void FormClose(TObject* sender, TCloseAction& action);
};

// Failed attempts since the login form was last shown; three end the login.
extern int IntentosEntrada;

namespace shell {
// Whether `usuario` with `contrasenia` may enter, read on a cursor of its own; Dat->TPriv is
// not moved.
bool CompruebaUsuario(const QString& usuario, const QString& contrasenia);
// The first user of a new data folder: "SUPERVISOR" with every right and every lawyer's data,
// added when the users table is empty.
void AltaSupervisor();
// User name of the current row of Dat->TPriv, the session's user.
QString UsuarioSesion();
}  // namespace shell
