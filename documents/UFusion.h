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

namespace documents {
// Opens a file with the desktop's application; tests put a recorder here.
extern std::function<bool(const QString& fichero)> AbreConEscritorio;
}
