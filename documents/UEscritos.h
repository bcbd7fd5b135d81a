#pragma once
// The list of document models by kind: open a model, make a new one from the office template
// (letters from the letterhead model), delete one, import an older document converting its
// «...» markers; opened from a case file or a consultation, "Ok" merges the chosen model.
#include "controls/visual/SpeedBar.h"
#include "platform/db/DBTables.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <QStringList>

class TListaEscritos : public TForm {
public:
    explicit TListaEscritos(TComponent* owner);
    ~TListaEscritos() override;

    TSpeedBar* SpeedBar1;
    TSpeedItem *btBorrar, *btNuevo, *btSi, *btNo, *btImport;
    TListBox* LisTipo;
    TDBGrid* DBEsc;
    TLabel* Busca;
    TTimer* Timer1;
    TOpenDialog* SelectFile;
    TTable* TConv;
    TTable* TCarta;
    // 0 from the main window (editing models), 1 from a case file, 2 from a consultation.
    int Modo = 0;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void LisTipoClick(TObject* sender);
    void DSQLisEscriDataChange(TObject* sender, TField* field);
    void DBEscDblClick(TObject* sender);
    void FormKeyPress(TObject* sender, QChar& key);
    void Timer1Timer(TObject* sender);
    void BtSiClick(TObject* sender);
    void BtNuevoClick(TObject* sender);
    void BtBorrarClick(TObject* sender);
    void BtNoClick(TObject* sender);
    void btImportClick(TObject* sender);

    // The markers of the last import that "Convertir.db" does not list, in the order found.
    QStringList MarcasDesconocidas;

private:
    void Habilita(bool si, bool conRejilla);
    void TerminaEditorAnterior();
    TDataChangeEvent FCambioAnterior;
};

extern TListaEscritos* ListaEscritos;

// Creates the list in the given mode (buttons "Nuevo" and "Borrar" hidden from a case file or
// a consultation), shows it modally and frees it; from a case file the agenda is refreshed.
void AbreListaEscritos(int modo);

namespace documents {
// Model file of model n, and the office template, in the data folder, for the editor named.
QString FicheroDeModelo(int escrito, const QString& tipoEditor);
QString PlantillaDespacho(const QString& tipoEditor);
// The office template, written plain where PlantillaDespacho says when it is missing; a template
// that cannot be written raises EDocumentError naming the full path.
QString AseguraPlantilla(const QString& tipoEditor);
// A model kept in the old binary format (.doc, .lwp) where the model should be: the message that
// says so and how to convert it once; empty when there is none.
QString AvisoFormatoAntiguo(const QString& fichero);
// A document the office's word processor `tipoEditor` does not take as a model: one of the other
// family (an .odt on the Word family, a .docx on WordPro96), or any when the processor's name is
// not one the program writes models for. The message says which documents it takes and where the
// processor is chosen; empty when the file is of the office's family or of no family at all.
QString AvisoOtraFamilia(const QString& fichero, const QString& tipoEditor);
// Converts the «...» markers of the active document through "Convertir.db" (table open in
// `conversion`): every listed marker is replaced wherever it stands; the others stay and are
// returned, each once.
QStringList ConvierteMarcas(TTable* conversion);
}  // namespace documents
