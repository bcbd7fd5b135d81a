#include "records/Pinturas.h"

#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/SysUtils.h"

namespace records {

bool DerechoUsuario(const char* nombre) {
    if (!Dat->TPriv->Active() || Dat->TPriv->IsEmpty()) return false;
    return Dat->TPriv->FieldByName(QString::fromLatin1(nombre))->AsBoolean();
}

TRelojArena::TRelojArena() { Screen->SetCursor(crHourGlass); }
TRelojArena::~TRelojArena() { Screen->SetCursor(crDefault); }

void Dibujo(TImage* imagen, int ancho, const std::function<void(TCanvas*)>& pinta) {
    TBitmap* b = imagen->Picture()->Bitmap();
    b->SetSize(ancho, 16);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(Rect(0, 0, ancho, 16));
    pinta(c);
}

void Moneda(TCanvas* c, const QString& texto, TColor color) {
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetColor(color);
    c->Font()->SetStyle({fsBold});
    c->Font()->SetHeight(-11);
    c->TextOut(1, 1, texto);
}

void GlifoCerrar(TCanvas* c) {
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clYellow);
    c->Rectangle(3, 7, 13, 15);
    c->Brush()->SetStyle(bsClear);
    c->Rectangle(5, 2, 11, 9);
}

void GlifoEscritos(TCanvas* c) {
    c->Pen()->SetColor(clGray);
    c->Brush()->SetColor(clWhite);
    c->Rectangle(3, 1, 13, 15);
    c->Pen()->SetColor(clNavy);
    for (int y = 4; y <= 12; y += 2) {
        c->MoveTo(5, y);
        c->LineTo(11, y);
    }
}

QString TextoSituacion(TDataSet* t) {
    switch (t->FieldByName(QStringLiteral("SITUACION"))->AsInteger()) {
    case 1: return QStringLiteral("Abierto");
    case 2:
        return QStringLiteral("Facturado Nº ") +
               Trim(Format(QStringLiteral("%5d"), t->FieldByName(QStringLiteral("FACTURA"))->AsInteger()));
    case 3: return QStringLiteral("Cerrado");
    default: return QString();
    }
}

QString TextoQueCabe(const QString& texto, const QFontMetrics& fm, int ancho) {
    if (fm.horizontalAdvance(texto) <= ancho) return texto;
    const QString junto = texto.simplified();
    if (fm.horizontalAdvance(junto) <= ancho) return junto;
    return fm.elidedText(junto, Qt::ElideMiddle, ancho);
}

}  // namespace records
