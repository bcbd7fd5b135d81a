#pragma once
// The values the start-up sets once for the whole run and every form reads: the executable's
// base name, the program, data and private folders, and the data module.
#include <QString>

class TDat;

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

extern TDat* Dat;

namespace comun {

// Settings-store key of the program: "Software\Velmor\" + the executable's base name.
QString ClavePrograma(const QString& nombreEjecutable);
// The executable's base name of a file name: its file part up to the first ".".
QString NombreBase(const QString& ficheroEjecutable);

// This user's private folder: "zembra" under the user's runtime folder (the cache folder when
// there is none), created with mode 0700 and made 0700 when it exists. Raises when it cannot be
// made private (another owner, not a folder).
QString CarpetaPrivadaUsuario();

// Why the data folder cannot serve at start (missing, not a folder, out of this user's reach), in
// Spanish; empty when it is there.
QString ProblemaCarpetaDatos(const QString& carpeta);

}  // namespace comun
