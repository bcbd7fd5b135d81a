#pragma once
// The editor of one agenda entry: day and hour, kind, text, state, the case file or consultation
// it belongs to, an attached document and an optional notice day on which a second row, the
// notice, is written. The caller puts Dat->TAgen in insert or edit before showing it.
#include "controls/data/ZbDBComb.h"
#include "controls/data/ZbLookup.h"
#include "controls/visual/ZBCtrls.h"
#include "platform/db/DBTables.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Mask.h"
#include "platform/forms/StdCtrls.h"

#include <functional>

// A data-aware edit whose check runs before the typed text reaches the field, so a bad date or
// hour is refused with the form's own message instead of the field's.
class TDBEditValidado : public TDBEdit {
public:
    explicit TDBEditValidado(TComponent* owner) : TDBEdit(owner) {}
    TNotifyEvent OnValida;
    // True when the focus leaves for the form's cancel: what was typed is dropped, not checked.
    std::function<bool()> Descarta;
    void DoExit() override;
};

class TFNota : public TForm {
public:
    explicit TFNota(TComponent* owner);
    ~TFNota() override;

    TLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
           *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr;
    TDBEditValidado* Fecha = nullptr;
    TDBEditValidado* Hora = nullptr;
    TZbSpeedButton* btFecha = nullptr;
    TZbSpeedButton* SpeedButton1 = nullptr;
    TZbDBLookupCombo* cbTipoAgenda = nullptr;
    TMemo* Texto = nullptr;
    TZbDBComboBox* cbRelacion = nullptr;
    TZbLookupEdit* cbExped = nullptr;
    TZbLookupEdit* cbDespa = nullptr;
    TZbDBComboBox* Situacion = nullptr;
    TZbDBLookupCombo* ZbDBLookupCombo1 = nullptr;
    TMaskEdit* Aviso = nullptr;
    TButton* btBuscar = nullptr;
    TButton* btVer = nullptr;
    TButton* btEscrito = nullptr;
    TBitBtn* BitBtn1 = nullptr;
    TBitBtn* btNo = nullptr;
    TOpenDialog* SelectFile = nullptr;

    TQuery *QExped = nullptr, *QConsul = nullptr, *QTipo = nullptr;
    TDataSource *DSExped = nullptr, *DSConsul = nullptr, *DSTipo = nullptr, *DSPriv = nullptr;
    TTable* TPriv = nullptr;
    TTable* TAgen = nullptr;

    // The caller's steps for an edit: the text from SITUACION, the case-file or consultation
    // picker on the row's ANO/NUMERO (shown only when that record is found), and "&Ver" when a
    // document was attached by hand and the user may open documents.
    void PreparaEdicion();
    // The case-file and consultation lists of the lawyer `abocli` instead of the main window's:
    // opened from the agenda of a case file or consultation, whose own lawyer it is.
    void ListasDe(int abocli);

    void FormCreate(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void FormKeyPress(TObject* sender, QChar& key);
    void FormKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void cbRelacionChange(TObject* sender);
    void btBuscarClick(TObject* sender);
    void btFechaClick(TObject* sender);
    void SpeedButton1Click(TObject* sender);
    void FechaExit(TObject* sender);
    void HoraExit(TObject* sender);
    void AvisoExit(TObject* sender);
    void btEscritoClick(TObject* sender);
    void btVerClick(TObject* sender);
    void BitBtn1Click(TObject* sender);
    void btNoClick(TObject* sender);

private:
    // The layout of the controls (UAnotacion_controles.cpp) and the form's own lists and cursors.
    void CreaControles();
    void CreaDatos();
    bool Derecho(const char* nombre) const;
    // The year and number chosen in a picker: the row of `lista` whose EX the picker shows.
    bool Elegido(TZbLookupEdit* picker, TQuery* lista) const;
    void EscribeAviso(TDateTime aviso);
    bool SaliendoHaciaNo() const;
};

extern TFNota* FNota;
// ORDEN of the last entry the editor saved, for its caller to find it.
extern int OrdenAnotacion;

namespace agenda {
// The document of an agenda row: data folder + "Escritos/" + number + extension.
QString RutaEscrito(int escrito, const QString& extension);
// The error text for a failed open of the desktop, by its result code.
QString TextoErrorShell(int resultado);
// Opens an agenda row's document with the desktop's program (a word-processor document with no
// program registered for it: with the word processor found at start), made writable first; a
// failure is shown with the text of its result code and the file name. True when it opened.
bool AbreEscrito(int escrito, const QString& extension);
// Whether the office suite holds the document open: its lock file lies beside it.
bool AbiertoPorOtro(const QString& fichero);
// Marks the entry Dat->TAgen stands on done (or pending) and then runs `muestra`; a refusal
// (another workstation holds the entry) runs `muestra` too, so the screen reads as stored.
void MarcaRealizado(bool hecho, const std::function<void()>& muestra);
// Reserves the next document number (SISTEM.ESCEXP) in a transaction of its own, skipping any
// number whose file already lies in "Escritos" or that an agenda row already names.
int ReservaEscrito();
// A copy of a document for mailing, in a new folder of its own inside the user's private folder,
// named "Documento Adjunto" plus the document's extension. Raises when it cannot be made.
QString CopiaParaCorreo(const QString& origen);
// Whether this workstation has a way to send mail; when it has none the user is told, and the
// mail form is not to open.
bool HayCorreo();
}  // namespace agenda
