// A window with the edits whose drop-downs no form of the program shows (the date edit's calendar
// and the number edit's calculator), for the window-system lane to drive from outside. It is a
// modal window, as the program's forms are. Each time an edit takes the focus or its text
// changes, a line says so on the standard output:
//   foco <edit>          texto <edit> <text>
//   zembra_controles
#include "controls/edit/CurrEdit.h"
#include "controls/edit/ToolEdit.h"
#include "controls/visual/DateHelpers.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <QApplication>
#include <cstdio>

namespace {
void Dice(const char* que, TWinControl* edit, const QString& texto = QString()) {
    std::printf("%s %s %s\n", que, qPrintable(edit->Name()), texto.toUtf8().constData());
    std::fflush(stdout);
}

void Vigila(TCustomEdit* edit) {
    edit->OnEnter = [edit](TObject*) { Dice("foco", edit); };
    edit->OnChange = [edit](TObject*) { Dice("texto", edit, edit->Text()); };
}

template <class T>
T* Pon(TForm* ventana, const char* nombre, const char* etiqueta, int izquierda, int arriba) {
    auto* l = new TLabel(ventana);
    l->SetParent(ventana);
    l->SetCaption(QString::fromUtf8(etiqueta));
    l->SetBounds(izquierda, arriba + 3, 70, 17);
    auto* e = new T(ventana);
    e->SetName(QString::fromLatin1(nombre));
    e->SetParent(ventana);
    e->SetBounds(izquierda + 78, arriba, 140, 21);
    Vigila(e);
    return e;
}
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    controls::visual::InitDateHelpers();
    auto* ventana = new TForm(Application);
    ventana->SetCaption(QStringLiteral("Controles"));
    ventana->SetPosition(poScreenCenter);
    ventana->SetClientWidth(480);
    ventana->SetClientHeight(240);
    // The note is beside the others, where no pop-up covers it.
    Pon<TDateEdit>(ventana, "Fecha", "Fecha :", 12, 12);
    Pon<TZbCalcEdit>(ventana, "Importe", "Importe :", 12, 44);
    Pon<TEdit>(ventana, "Nota", "Nota :", 250, 12);
    ventana->ShowModal();
    delete ventana;
    return 0;
}
