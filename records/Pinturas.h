#pragma once
#include <QFontMetrics>
// What the case-file, consultation and new-case forms share: the hourglass while they work,
// the small pictures they draw and the state text of a case file or consultation.
#include "platform/db/DB.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/rtl/Currency.h"

#include <QString>
#include <functional>

namespace records {

// The hourglass for the life of the object.
struct TRelojArena {
    TRelojArena();
    ~TRelojArena();
};

// Paints `imagen` `ancho` x 16 on the button face, then `pinta` draws on it.
void Dibujo(TImage* imagen, int ancho, const std::function<void(TCanvas*)>& pinta);
// The currency's bold text ("Pts", " €") in `color`.
void Moneda(TCanvas* c, const QString& texto, TColor color);
// Glyphs of the close and documents items.
void GlifoCerrar(TCanvas* c);
void GlifoEscritos(TCanvas* c);

// Whether the logged-in user holds a right (a Boolean column of the privacy row).
bool DerechoUsuario(const char* nombre);

// "Abierto", "Facturado Nº 12", "Cerrado" from SITUACION and FACTURA of `t`.
QString TextoSituacion(TDataSet* t);

// An agenda entry's text as it fits `ancho` pixels: whole when it fits; else its runs of blanks
// shortened, and then its middle left out, so that its end (an invoice's number) still shows.
QString TextoQueCabe(const QString& texto, const QFontMetrics& fm, int ancho);

}  // namespace records
