#pragma once
// The start-up, which app/main runs: the hooks of the lower layers, the splash, the data module,
// the main window and the login form; and the end of the program. The run-wide values it sets
// are the base's (comun/Programa.h).
#include "comun/Programa.h"

class TPresenta;
class TPrincipio;
class TEntrada;

extern TPresenta* Presenta;
extern TPrincipio* Principio;
extern TEntrada* Entrada;

namespace shell {

// Fills the hooks by which the lower layers call the higher ones (comun/Ganchos.h).
void InstalaGanchos();
// Start-up up to the message loop: splash, folders, data module, main window, login gate.
// True when the message loop may run; false when the program must end (the reason has been
// shown). The caller runs the loop and frees what was made with FinPrograma.
bool Arranca();
// Frees the data module, the windows and the splash made by Arranca.
void FinPrograma();

}  // namespace shell
