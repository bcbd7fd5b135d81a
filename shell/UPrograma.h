#pragma once
// The values the start-up sets once for the whole run and every form reads: the executable's
// base name, the program, data and private folders, the data module, the main window and the
// login form; and the start-up itself, which app/main runs.
#include "platform/rtl/Events.h"

#include <QString>

class TDat;
class TPresenta;
class TPrincipio;
class TEntrada;

// File name of the running executable up to its first ".".
extern QString NombreEjecutable;
// Folder of the running executable, with its trailing "/".
extern QString CarpetaEjecutable;
// The same folder without its trailing "/".
extern QString CarpetaPrograma;
// Folder of the office's data: "Datos" of section "Install" in the settings store, else the
// program folder.
extern QString CarpetaDatos;
// This user's private working folder (mode 0700), set while the data module opens the data.
extern QString CarpetaPrivada;

extern TPresenta* Presenta;
extern TDat* Dat;
extern TPrincipio* Principio;
extern TEntrada* Entrada;

namespace shell {

// Settings-store key of the program: "Software\Velmor\" + the executable's base name.
QString ClavePrograma(const QString& nombreEjecutable);
// The executable's base name of a file name: its file part up to the first ".".
QString NombreBase(const QString& ficheroEjecutable);

// This user's private folder: "zembra" under the user's runtime folder (the cache folder when
// there is none), created with mode 0700 and made 0700 when it exists. Raises when it cannot be
// made private (another owner, not a folder).
QString CarpetaPrivadaUsuario();

// Shows the pages of a report that asks for its preview (the sender) in the program's preview
// window. The report windows live above this layer: the program installs it at start.
extern TEvent<TObject*> PresentaPreview;

// Start-up up to the message loop: splash, folders, data module, main window, login gate.
// True when the message loop may run; false when the program must end (the reason has been
// shown). The caller runs the loop and frees what was made with FinPrograma.
bool Arranca();
// Frees the data module, the windows and the splash made by Arranca.
void FinPrograma();

}  // namespace shell
