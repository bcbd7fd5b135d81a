#pragma once
// The word-processor layer the merges and the models list call. The "editor" is our own
// document engine: it holds the active document in memory and writes real .docx/.odt files;
// the finished document is handed to the desktop's application.
#include "platform/classes/Strings.h"
#include "platform/documents/Document.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

// The editor object: the active document and the file it was last saved to.
class TEditorDocumentos {
public:
    std::optional<platform::documents::Document> Activo;
    QString FicheroGuardado;
    // The active document is FicheroGuardado itself, opened to be changed (a model from the models
    // list): it is handed over as it stands on disk, so what the word processor saves is the model.
    bool EditaFichero = false;
};
using TEditorOle = std::shared_ptr<TEditorDocumentos>;

extern TEditorOle EditorOle;
extern QString TipoEditor;
extern QString ExtensionEscrito;
extern QString FicheroModelo;
extern QString FicheroEscrito;
extern QChar ModoEscrito;
extern TStringList* CamposEncontrados;
extern TStringList* ValoresCampos;

// File extensions of each editor family, kept here only: "Word97"/"Word2000" write .docx (the
// office template is .dotx), "WordPro96" writes .odt. Empty for any other editor name.
QString ExtensionDeEditor(const QString& tipoEditor);
QString ExtensionPlantilla(const QString& tipoEditor);
// The binary format each family wrote before (".doc", ".lwp"): only recognised, never read.
QString ExtensionAntigua(const QString& tipoEditor);
bool EsFamiliaWord(const QString& tipoEditor);

TEditorOle AbreEditor(const QString& tipoEditor);
void CierraEditor(TEditorOle editor, const QString& tipoEditor);
// Ends an editor left from an earlier merge; the document is dropped unsaved.
void Quit(const TEditorOle& editor);
void AbreEscrito(const TEditorOle& editor, const QString& tipoEditor, const QString& fichero, bool soloLectura);
void GuardaEscrito(const TEditorOle& editor, const QString& tipoEditor, const QString& fichero);
void NuevoDesdeModelo(const QString& plantilla);
void MuestraEditor(const TEditorOle& editor, const QString& tipoEditor);
void ReemplazaTodo(const TEditorOle& editor, const QString& tipoEditor, const QString& buscar,
                   const QString& reemplazo);
void InicioDocumento(const TEditorOle& editor, const QString& tipoEditor);
// Puts the insertion point at the first occurrence, searching from the top.
void BuscaTexto(const TEditorOle& editor, const QString& tipoEditor, const QString& texto);
// Types at the insertion point without replacing anything: CR starts a paragraph, TAB tabs.
void EscribeTexto(const TEditorOle& editor, const QString& tipoEditor, const QString& texto);
void TamanoLetra(const TEditorOle& editor, const QString& tipoEditor, int puntos);
// Switches bold on or off for what is typed next.
void Negrita(const TEditorOle& editor, const QString& tipoEditor);
// The invoice block's stops: 1,0 cm, 1,5 cm, 12,0 cm dotted, 14,5 cm right-aligned.
void FijaTabuladores(const TEditorOle& editor, const QString& tipoEditor);
// Every found field by its value in one pass, so a "[[...]]" inside a value stays as typed.
void ReemplazaCampos(const TEditorOle& editor, const QString& tipoEditor, const TStringList* campos,
                     const TStringList* valores);

// Field discovery.
void CreaListasFusion();
void BuscaCampos(const TEditorOle& editor, const QString& tipoEditor);
void AnotaCampo(const QString& texto);

// The office logo (SISTEM.LOGO) as a picture in the header of the active Word document.
void InsertaLogo();

// ---- Merge driver and document record.
// FicheroModelo := the models folder + the number of the chosen model (Dat->QLisEscri) + extension.
void RutaModelo();
// Reserves the next document number in the documents folder: SISTEM.ESCEXP is raised in one
// transaction with the creation of the (still empty) file, skipping any number whose file exists,
// so two workstations never write the same document. Sets FicheroEscrito.
void NombreEscrito();
// A document not joined to its case file: a new, unique file in the user's private folder.
void NombreEscritoSuelto();
// Appends the agenda row of the saved document (FicheroEscrito), joined to its record or not.
void AnotaEscrito(bool unido);
// What the merge dialog's OK ends with: the file name (NombreEscrito when joined), the save and,
// when saved, the agenda row. A failed save says "ERROR al generar documemto : " + file, leaves
// no empty reserved file behind and records nothing; returns whether the document was saved.
bool GrabaEscrito(bool unido);
// The merges: fields found in the open model, the dialog (TFMail / TFMail2), then the editor
// shown (dialog ended with OK) or ended.
void FusionaExpediente();
void FusionaDespacho();

// ---- Field catalogue: values written into ValoresCampos by the field's key.
void AsignaCampo(const QString& nombre, const QString& valor);
void RellenaPrimerCliente();
void RellenaSegundoCliente();
void RellenaTercerCliente();
void RellenaCuartoCliente();
void RellenaPrimerContrario();
void RellenaSegundoContrario();
void RellenaTercerContrario();
void RellenaCuartoContrario();
void RellenaClienteConsulta();
void RellenaDestinoCliente();
void RellenaDestinoContrario();
void RellenaDestinoPerito();
void RellenaDestinoAbogadoContrario();
void RellenaDestinoProcuradorContrario();
void RellenaDestinoOtroProcurador();
void RellenaDestinoProcuradorCliente();
void RellenaDestinoClienteConsulta();
void RellenaDestinoOtroAbogado();
void RellenaPerito();
void RellenaProcuradorCliente();
void RellenaProcuradorContrario();
void RellenaAbogadoContrario();
void RellenaAbogadoCliente();
void RellenaBufete();
void RellenaOtros();
void RellenaExpediente();
void RellenaEconomicosExpediente();
void RellenaConsultas();
void RellenaEconomicosConsulta();

// ---- Invoice detail block, typed where "[[Economicos.Detalle de Factura]]" stands in the open
// document: the current case file's (Dat->TExped) or consultation's (Dat->TConsultas). Taxes and
// totals are those stored with the invoice when the record has been invoiced (FECHAFACTURA set).
void DetalleFacturaExpediente();
void DetalleFacturaConsulta();
// Re-opens Dat->QMinuta and Dat->QGrupo on one entry type of the current case file.
void AbreGrupo(int tipo);

class TCustomListBox;
class TDataSet;
namespace documents {
// The file pick's filter for a document to join: the office settings' pattern, else the
// documents of the editor in use (the settings as last read: callers refresh them).
QString FiltroDocumentos();

// Opens a file with the program that opens the documents (comun::ProgramaDocumentos); tests put
// a recorder here.
extern std::function<bool(const QString& fichero)> AbreConEscritorio;

// The open merge dialog's pick lists as the providers read them: each entry of a list carries a
// TBookmarkObject of a row of the dialog's query beside it. The dialog sets this while it is shown
// and resets it when it closes. A list not set counts as empty.
struct TOrigenFusion {
    TCustomListBox* LCli2 = nullptr;    // chosen clients, in order (TExpCli)
    TDataSet* TExpCli = nullptr;
    TCustomListBox* LCon2 = nullptr;    // chosen opposing parties, in order (TExpCon)
    TDataSet* TExpCon = nullptr;
    TCustomListBox* LDesCli = nullptr;  // addressee pick lists: the selected entry counts
    TCustomListBox* LDesCon = nullptr;
    TCustomListBox* LDesPro = nullptr;  // over TPro
    TDataSet* TPro = nullptr;
    TCustomListBox* LDesAbo = nullptr;  // over TAbo
    TDataSet* TAbo = nullptr;
    // Caption of the addressee kind selected in LDes (empty when none): letters say " AL " it.
    QString Destinatario;
};
extern TOrigenFusion OrigenFusion;

// The merge dialogs, shown modally by the drivers; they answer the modal result. The dialogs'
// unit installs them.
extern std::function<int()> DialogoExpediente;
extern std::function<int()> DialogoDespacho;
}
