#pragma once
// Exports the addresses of one people table, within a range of surnames, to a comma-separated
// text file for mailings.
#include "controls/data/ZbLookup.h"
#include "controls/edit/ToolEdit.h"
#include "controls/visual/DualList.h"
#include "controls/visual/ZBCtrls.h"
#include "platform/db/DBTables.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <QByteArray>
#include <memory>
#include <vector>

class TFExport : public TForm {
public:
    explicit TFExport(TComponent* owner);
    ~TFExport() override;

    TLabel *Label1, *Label2, *Label3, *Label4;
    TComboBox* cbExport;
    TZbDBLookupCombo* Desde;
    TZbDBLookupCombo* Hasta;
    TFilenameEdit* eExport;
    TZbSpeedButton* btSelect;
    TZbSpeedButton* btExport;
    TGauge* Indicador;
    TButton* Button1;
    TQuery *QDesde, *QHasta, *QExport;
    TDataSource *DSDesde, *DSHasta;
    TDualListDialog* Lista;

    void FormCreate(TObject* sender);
    void cbExportChange(TObject* sender);
    void activaBoton(TObject* sender);
    void btSelectClick(TObject* sender);
    void btExportClick(TObject* sender);
    void Button1Click(TObject* sender);
    void PreparaExportacion();

    // The table of the chosen item ("PROCU" for "PROCEDIMIENTOS").
    QString Tabla() const;
    // The surname bounds of the range: empty for "<PRIMERO>", "zzzzz" for "<ÚLTIMO>".
    QString LimiteDesde() const;
    QString LimiteHasta() const;

private:
    void RangoCambiado(TObject* sender);
    // The range the record list was built for; a list built for another range is built again.
    QString RangoActual() const;
    QString FRangoLista;
    bool FListaValida = false;
    std::vector<std::unique_ptr<TBookmarkObject>> FMarcas;
};

namespace documents {
// One line of the export file: every value in double quotes (quotes inside doubled), commas
// between, CR LF at the end, in the workstation's single-byte character set. `perdidos` (when
// given) is set when a character could not be written.
QByteArray LineaExportacion(const QStringList& valores, bool* perdidos = nullptr);
// Windows-1252 bytes of a text; characters it cannot hold become "?" and set `perdidos`.
QByteArray TextoAnsi(const QString& texto, bool* perdidos = nullptr);
// The closing notice of an export whose rows (as the record list names them) had characters the
// file cannot hold; empty when there were none.
QString AvisoCaracteresPerdidos(const QStringList& filas);
}  // namespace documents
