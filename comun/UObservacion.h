#pragma once
// The notes editor: one memo field of the record the calling form has open, with clipboard
// buttons, help, printing, and a question before the changes are saved.
#include "controls/visual/SpeedBar.h"
#include "platform/db/DBTables.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"

class TObservacion : public TForm {
public:
    explicit TObservacion(TComponent* owner);
    ~TObservacion() override;

    TDataSource* ActiveSource = nullptr;
    TSpeedBar* SpeedBar1 = nullptr;
    TSpeedItem* btImprimir = nullptr;
    TSpeedItem* btCopy = nullptr;
    TSpeedItem* btPaste = nullptr;
    TSpeedItem* btCut = nullptr;
    TSpeedItem* btAyuda = nullptr;
    TSpeedItem* SpeedItem2 = nullptr;
    TPanel* Cabecera = nullptr;
    TLabel* Titulo = nullptr;
    TLabel* Contenido = nullptr;
    TDBMemo* Memo = nullptr;

    void btSalirClick(TObject* sender);
    void btCutClick(TObject* sender);
    void btCopyClick(TObject* sender);
    void btPasteClick(TObject* sender);
    void btAyudaClick(TObject* sender);
    void btImprimirClick(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    // For a record that is only viewed: the notes are read, printed and copied, never changed.
    void SoloLectura();

private:
    // Asks whether to keep a changed memo: yes posts, no cancels.
    void PreguntaCambios();
    // The query lines and parameters that read the memo back from its table; false for a table
    // the report does not know.
    bool PreparaConsulta(TQuery* q);
};

extern TObservacion* Observacion;
