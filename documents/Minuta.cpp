// The fee note of an invoice.
#include "documents/Minuta.h"

#include "comun/UComunes.h"
#include "comun/UData.h"
#include "documents/UEscritos.h"
#include "documents/UFusion.h"
#include "platform/rtl/Exceptions.h"

#include <QFileInfo>

namespace {

void FacturaWord97(bool consulta) {
    if (EditorOle) {
        try {
            Quit(EditorOle);
        } catch (Exception&) {
        }
        EditorOle.reset();
    }
    EditorOle = AbreEditor(TipoEditor);
    if (!EditorOle) {
        MensajeError(QStringLiteral("No puedo Abrir el Procesador de Texto"));
        Abort();
    }
    try {
        RutaModelo();
        // A model left in the old binary format says how to convert it, not just that it failed.
        const QString aviso = documents::AvisoFormatoAntiguo(FicheroModelo);
        if (!aviso.isEmpty()) {
            MensajeError(aviso);
            Abort();
        }
        AbreEscrito(EditorOle, TipoEditor, FicheroModelo, false);
        ModoEscrito = consulta ? QLatin1Char('C') : QLatin1Char('E');
        if (consulta) FusionaDespacho();
        else FusionaExpediente();
    } catch (EAbort&) {
        CierraEditor(EditorOle, TipoEditor);
        EditorOle.reset();
    } catch (Exception&) {
        MensajeError(QStringLiteral("No puedo Abrir el Procesador de Texto"));
        CierraEditor(EditorOle, TipoEditor);
        EditorOle.reset();
    }
}

}  // namespace

void documents::GeneraMinuta(bool consulta) {
    TTable* s = Dat->TSistem;
    s->Refresh();
    const int modelo = s->FieldByName(consulta ? QStringLiteral("MINUTACONS") : QStringLiteral("MINUTA"))->AsInteger();
    TQuery* q = Dat->QLisEscri;
    q->Close();
    q->ParamByName(QStringLiteral("LISTIPO"))->SetAsString(QStringLiteral("ECONOMICO"));
    q->Open();
    if (modelo == 0 || !q->Locate(QStringLiteral("ESCRITO"), Variant(modelo), 0)) {
        MensajeError(QStringLiteral("Escrito MINUTA no existe"));
        return;
    }
    TipoEditor = s->FieldByName(QStringLiteral("EDITOR"))->AsString();
    ExtensionEscrito = ExtensionDeEditor(TipoEditor);
    if (!EsFamiliaWord(TipoEditor)) return;
    FacturaWord97(consulta);
    // The merge wrote the document's entry: the agenda lists open below show it with the invoice's.
    Dat->RefrescaAgendas();
}
