#pragma once
// The agenda of an office lawyer between two dates, a group per day: hour, the case file or
// consultation the entry belongs to, a mark for filed, joined and reminder entries, the agenda
// type and the text.
#include "platform/forms/ExtCtrls.h"
#include "reports/Listado.h"

class TInfAgen : public TForm {
public:
    explicit TInfAgen(TComponent* owner);
    ~TInfAgen() override;

    TQuery* QAgenda = nullptr;
    TDataSource* DSAgenda = nullptr;
    TQuickRep* QRLisAgen = nullptr;
    TQRBand* QRCabecera = nullptr;  // page header
    TQRLabel* QRTitulo = nullptr;
    TQRDBText* QRAbogado = nullptr;  // NOMABOCLI of the lawyer chosen in the data module
    TQRGroup* QRGroup1 = nullptr;   // on FECHA
    TQRChildBand* QRBand1 = nullptr;  // "Fecha : " and the day
    TQRBand* QRTipo = nullptr;      // one entry
    TQRDBText *QRHora = nullptr, *QRAno = nullptr, *QRNumero = nullptr, *QRTipoAgenda = nullptr,
              *QRSituacion = nullptr;
    TQRLabel* QRLabel3 = nullptr;  // "/"
    TQRLabel* QRRel = nullptr;
    TQRImage* Imagen = nullptr;
    // The pictures of a filed, a reminder and a joined entry.
    TImage *Clip = nullptr, *Reloj = nullptr, *Unido = nullptr;

    void QRRelPrint(TObject* sender, QString& value);
    void QRTipoBeforePrint(TQRCustomBand* band, bool& print);
    void QRLabel3Print(TObject* sender, QString& value);
    void FormClose(TObject* sender, TCloseAction& action);
};

extern TInfAgen* InfAgen;

namespace reports {
// The query text of the agenda list for the entry-type letters chosen ("E", "C", "P", "X", "Y",
// "Z"); none chosen lists none.
QStringList SqlAgenda(const QStringList& letras);
// Fills the agenda list's query, parameters and title: lawyer, dates, letters, and the agenda
// type ("TODOS" for every type).
void PreparaAgenda(TInfAgen* informe, int abocli, TDateTime desde, TDateTime hasta, const QStringList& letras,
                   const QString& tipoAgenda);
// Previews it through the preview window.
void rptLisAgen(int abocli, TDateTime desde, TDateTime hasta, const QStringList& letras, const QString& tipoAgenda);
}  // namespace reports
