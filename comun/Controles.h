#pragma once
// The pieces the office's forms are built from: a field of a dataset by its name, a control placed
// on its parent, the OK/No pair of a dialog, a caption, a field's box with or without its caption, a
// read-only text of a field, the speed bar of a form and its items, and the small glyphs its items
// and grids draw.
#include "controls/visual/SpeedBar.h"
#include "platform/db/DB.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Graphics.h"

#include <QString>
#include <functional>
#include <initializer_list>
#include <memory>

namespace comun {

// The field `campo` of `t`; it throws, as FieldByName does, when the dataset has none.
inline TField* F(TDataSet* t, const char* campo) { return t->FieldByName(QString::fromLatin1(campo)); }
inline TField* F(TDataSet* t, const QString& campo) { return t->FieldByName(campo); }

// A control of class C owned by `owner`, named, on `padre` at the bounds given.
template <class C>
C* Hijo(TComponent* owner, TWinControl* padre, const char* nombre, int left, int top, int width, int height) {
    auto* c = new C(owner);
    c->SetName(QString::fromLatin1(nombre));
    c->SetParent(padre);
    c->SetBounds(left, top, width, height);
    return c;
}

// OK ("OK") and No ("&No") of a dialog. Neither closes it by itself (modal result none): the
// form's handlers decide when the dialog ends. No is the cancel button (Esc); OK is not the
// default one (Enter in a field does not press it).
struct TOkNo {
    TBitBtn* Ok;
    TBitBtn* No;
};
TOkNo ParOkNo(TComponent* owner, TWinControl* padre, const char* ok, const char* no);
// The same, `ancho` x `alto` each, OK at (left, top) and No `paso` to its right.
TOkNo ParOkNo(TComponent* owner, TWinControl* padre, const char* ok, const char* no, int left, int top, int ancho, int alto,
              int paso);

// The read-only text of `campo` of `fuente` on `padre`, `ancho` x 17 at (left, top), not sized to
// its text. An empty name leaves the control unnamed.
TDBText* TextoDeCampo(TComponent* owner, TWinControl* padre, const QString& nombre, TDataSource* fuente, const QString& campo,
                      int left, int top, int ancho);

// A data-bound box of `campo` of `fuente` on `padre`, `ancho` x 21 at (left, top); a null name
// leaves it unnamed.
TDBEdit* Edita(TComponent* owner, TWinControl* padre, const char* nombre, TDataSource* fuente, const QString& campo, int left,
               int top, int ancho);
// A caption of `texto`, right-aligned in `ancho` x `alto` at (left, top), not sized to its text.
TLabel* Etiqueta(TComponent* owner, TWinControl* padre, const QString& texto, int left, int top, int ancho, int alto);
// The box of a labelled field: `campo` of `fuente`, named "DB" + campo, beside `etiqueta` on its
// parent, a tab stop, and what the caption's accelerator focuses.
TDBEdit* Campo(TComponent* owner, TLabel* etiqueta, TDataSource* fuente, const QString& campo, int left, int top, int ancho);

// The speed bar of `form`, SpeedBar1, `alto` high: sunken, its flat buttons greyed when disabled,
// 4 pixels in, one section, on the program's wallpaper when the program carries one.
TSpeedBar* BarraDeBotones(TForm* form, int alto);
// The bar of a dialog's text items, SpeedBar1: 64 x 26 flat buttons 4 pixels in, one section
// named `seccion`, on the program's wallpaper when it carries one.
TSpeedBar* BarraDeTexto(TForm* form, const QString& seccion);
// An item of the bar's first section, owned by the bar's form: its caption is `hint` up to the
// first '|', it stands at `left` on the bar's top margin and shows `glifo` (copied) when given.
// It stays hidden until the caller shows it.
TSpeedItem* ItemDeBarra(TSpeedBar* barra, const QString& nombre, const QString& hint, int left, TBitmap* glifo);
// A shown item of text only: `caption` on its face and `hint` as its tip, at `left`.
TSpeedItem* ItemDeTexto(TSpeedBar* barra, const char* nombre, const QString& caption, const QString& hint, int left);

// A 16 x 16 glyph on the transparent fuchsia, drawn by `pinta`.
std::unique_ptr<TBitmap> Glifo(const std::function<void(TCanvas*)>& pinta);
// Pen and brush of one colour.
void Relleno(TCanvas* c, TColor color);
// The navy arrow of the record items, towards the left or the right, with the end bar of the
// first and last items when `tope`.
void Flecha(TCanvas* c, bool izquierda, bool tope);
// A glyph from rows of text: '#' in `tinta`, 'k' black, 'w' white, 'y' yellow; anything else
// stays transparent.
std::unique_ptr<TBitmap> GlifoDeFilas(TColor tinta, std::initializer_list<const char*> filas);
// The print and refresh items' glyphs.
void PintaImpresora(TCanvas* c);
void PintaRefresco(TCanvas* c);
// The pictures of an agenda row: a pending notice's clock and a done entry's tick.
void PintaReloj(TCanvas* c);
void PintaOk(TCanvas* c);

}  // namespace comun
