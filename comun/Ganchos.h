#pragma once
// The calls a lower layer makes into a higher one, by name: the lower layer calls the hook, the
// program fills it once at start-up (shell::InstalaGanchos), and a test may put its own in. An
// empty hook means the feature is not offered (its button stays disabled, the call does nothing).
#include "platform/rtl/Events.h"

#include <QString>
#include <functional>

class TObject;

namespace comun {

// Case file and consultation forms -> agenda: opens the agenda of the case file current in the
// data module, modally, with the caption and the edit flag given.
extern std::function<void(const QString& caption, bool edicion)> AbreAgendaExpediente;
// Case file and consultation forms -> documents: lets go of the word processor's document the
// merges of the form left open (failures are ignored); called on closing.
extern std::function<void()> CierraProcesador;
// Case file and consultation forms -> documents: the document models list from a case file (1)
// or a consultation (2).
extern std::function<void(int modo)> ListaDeEscritos;
// Invoicing -> documents: the fee note of the case file (false) or consultation (true) current
// in the data module, from its stored invoice.
extern std::function<void(bool consulta)> GeneraFactura;
// Case agenda -> mail form: a copy of an entry's document, with the subject given.
extern std::function<void(const QString& adjunto, const QString& asunto)> EnviaPorCorreo;
// Main window -> agenda: the daily agenda of the lawyer current in Dat->TAboCli.
extern std::function<void()> AbreAgendaDiaria;
// Office settings -> documents: the word processor the documents drive, from EDITOR.
extern TEvent<const QString&> FijaEditor;
// Any form -> main window: writes panel 0 of its status bar; the main window fills it when made.
extern TEvent<const QString&> LineaEstado;
// Data module -> splash: progress of the gauge while the data open (0 to 100); start-up fills it
// while the splash is visible.
extern TEvent<int> ProgresoApertura;

}  // namespace comun
