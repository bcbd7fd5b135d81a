#include "documents/UFusion.h"

#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/rtl/FileUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryFile>
#include <cmath>

using platform::documents::Document;

TEditorOle EditorOle;
QString TipoEditor;
QString ExtensionEscrito;
QString FicheroModelo;
QString FicheroEscrito;
QChar ModoEscrito;
TStringList* CamposEncontrados = nullptr;
TStringList* ValoresCampos = nullptr;

namespace documents {
std::function<bool(const QString&)> AbreConEscritorio = [](const QString& fichero) {
    const QString programa = comun::ProgramaDocumentos();
    return !programa.isEmpty() && QProcess::startDetached(programa, {fichero});
};
}

namespace {
std::unique_ptr<TStringList> gCampos;
std::unique_ptr<TStringList> gValores;

bool esWordPro(const QString& tipo) { return tipo == QLatin1String("WordPro96"); }
bool conocido(const QString& tipo) { return EsFamiliaWord(tipo) || esWordPro(tipo); }

Document& activo(const TEditorOle& editor)
{
    if (!editor || !editor->Activo) throw EDocumentError(QStringLiteral("No hay ningún escrito abierto."));
    return *editor->Activo;
}

// Shows a status text for the length of a call, cleared also when the call fails.
struct Estado {
    explicit Estado(const QString& texto) { MensajeEstado(texto); }
    ~Estado() { MensajeEstado(QString()); }
};
} // namespace

bool EsFamiliaWord(const QString& tipoEditor)
{
    return tipoEditor == QLatin1String("Word97") || tipoEditor == QLatin1String("Word2000");
}

namespace documents {
QString FiltroDocumentos() {
    QString patron = Dat->TSistem->FieldByName(QStringLiteral("FILEEXT"))->AsString().trimmed();
    if (patron.isEmpty()) patron = QStringLiteral("*") + ExtensionDeEditor(Dat->TSistem->FieldByName(QStringLiteral("EDITOR"))->AsString());
    return QStringLiteral("Documentos|") + patron;
}
}  // namespace documents

QString ExtensionDeEditor(const QString& tipoEditor)
{
    if (EsFamiliaWord(tipoEditor)) return QStringLiteral(".docx");
    if (esWordPro(tipoEditor)) return QStringLiteral(".odt");
    return {};
}

QString ExtensionAntigua(const QString& tipoEditor)
{
    if (EsFamiliaWord(tipoEditor)) return QStringLiteral(".doc");
    if (esWordPro(tipoEditor)) return QStringLiteral(".lwp");
    return {};
}

QString ExtensionPlantilla(const QString& tipoEditor)
{
    return EsFamiliaWord(tipoEditor) ? QStringLiteral(".dotx") : QString();
}

TEditorOle AbreEditor(const QString& tipoEditor)
{
    Estado estado(QStringLiteral("Abriendo editor .."));
    if (!conocido(tipoEditor)) return {};
    return std::make_shared<TEditorDocumentos>();
}

void CierraEditor(TEditorOle editor, const QString& tipoEditor)
{
    if (conocido(tipoEditor)) Quit(editor);
}

void Quit(const TEditorOle& editor)
{
    if (!editor) return;
    editor->Activo.reset();
    editor->FicheroGuardado.clear();
    editor->EditaFichero = false;
}

void AbreEscrito(const TEditorOle& editor, const QString& tipoEditor, const QString& fichero, bool soloLectura)
{
    Q_UNUSED(soloLectura); // the model is read into memory; the file itself is never written
    Estado estado(QStringLiteral("Abriendo Escrito .."));
    if (!conocido(tipoEditor) || !editor) return;
    editor->Activo = Document::Load(fichero);
    editor->FicheroGuardado.clear();
    editor->EditaFichero = false;
}

void GuardaEscrito(const TEditorOle& editor, const QString& tipoEditor, const QString& fichero)
{
    Estado estado(QStringLiteral("Guardando Escrito .."));
    if (!conocido(tipoEditor) || !editor) return;
    activo(editor).Save(fichero);
    // A saved document is a new file: the next user of the folder must still open and save it.
    ShareLikeFolder(fichero);
    editor->FicheroGuardado = fichero;
    editor->EditaFichero = false;
}

void NuevoDesdeModelo(const QString& plantilla)
{
    Estado estado(QStringLiteral("Cargando Modelo .."));
    if (!EsFamiliaWord(TipoEditor) || !EditorOle) return;
    Document doc = Document::Load(plantilla);
    // Word models come only from a Word template: an OpenDocument file under the template's name
    // would give ".docx" models that are not Word files.
    if (doc.Format() != platform::documents::DocumentFormat::Docx)
        throw EDocumentError(QStringLiteral("\"%1\" no es una plantilla de Word.").arg(QFileInfo(plantilla).fileName()));
    doc.ConvertTemplateToDocument();
    EditorOle->Activo = std::move(doc);
    EditorOle->FicheroGuardado.clear();
    EditorOle->EditaFichero = false;
}

void MuestraEditor(const TEditorOle& editor, const QString& tipoEditor)
{
    if (!conocido(tipoEditor) || !editor || !editor->Activo) return;
    QString fichero = editor->FicheroGuardado;
    if (fichero.isEmpty()) {
        // Never saved: a private file of its own, so the model itself is never handed over.
        QTemporaryFile tmp(QDir::tempPath() + QStringLiteral("/escrito-XXXXXX") + ExtensionDeEditor(tipoEditor));
        tmp.setAutoRemove(false);
        if (!tmp.open()) throw EDocumentError(QStringLiteral("No se puede crear un fichero temporal para el escrito."));
        fichero = tmp.fileName();
    }
    if (!editor->EditaFichero || fichero != editor->FicheroGuardado) {
        editor->Activo->Save(fichero);
        editor->FicheroGuardado = fichero;
        editor->EditaFichero = false;
    }
    if (!documents::AbreConEscritorio(fichero))
        throw EDocumentError(QStringLiteral("No se puede abrir \"%1\" con el procesador de texto.").arg(fichero));
}

void ReemplazaTodo(const TEditorOle& editor, const QString& tipoEditor, const QString& buscar,
                   const QString& reemplazo)
{
    if (!conocido(tipoEditor) || !editor) return;
    activo(editor).ReplaceText(buscar, reemplazo);
}

void InicioDocumento(const TEditorOle& editor, const QString& tipoEditor)
{
    if (!conocido(tipoEditor) || !editor) return;
    activo(editor).MoveToStart();
}

void BuscaTexto(const TEditorOle& editor, const QString& tipoEditor, const QString& texto)
{
    if (!conocido(tipoEditor) || !editor) return;
    InicioDocumento(editor, tipoEditor);
    activo(editor).Find(texto);
}

void EscribeTexto(const TEditorOle& editor, const QString& tipoEditor, const QString& texto)
{
    if (!conocido(tipoEditor) || !editor) return;
    activo(editor).TypeText(texto);
}

void TamanoLetra(const TEditorOle& editor, const QString& tipoEditor, int puntos)
{
    if (!conocido(tipoEditor) || !editor) return;
    activo(editor).SetFontSize(puntos);
}

void Negrita(const TEditorOle& editor, const QString& tipoEditor)
{
    if (!conocido(tipoEditor) || !editor) return;
    activo(editor).ToggleBold();
}

void FijaTabuladores(const TEditorOle& editor, const QString& tipoEditor)
{
    if (!conocido(tipoEditor) || !editor) return;
    using platform::documents::Document;
    const std::vector<Document::TabStop> paradas = {{1.0, Document::TabAlign::Left, false},
                                                    {1.5, Document::TabAlign::Left, false},
                                                    {12.0, Document::TabAlign::Left, true},
                                                    {14.5, Document::TabAlign::Right, false}};
    // "Word2000" clears the paragraph's earlier stops first; the others add to them.
    activo(editor).SetTabStops(paradas, tipoEditor == QLatin1String("Word2000"));
}

void ReemplazaCampos(const TEditorOle& editor, const QString& tipoEditor, const TStringList* campos,
                     const TStringList* valores)
{
    if (!conocido(tipoEditor) || !editor || !campos || !valores) return;
    QHash<QString, QString> mapa;
    for (int i = 0; i < campos->Count() && i < valores->Count(); ++i)
        if (!mapa.contains(campos->Strings(i))) mapa.insert(campos->Strings(i), valores->Strings(i));
    activo(editor).ReplaceAll(mapa);
}

void CreaListasFusion()
{
    if (!gCampos) gCampos = std::make_unique<TStringList>();
    if (!gValores) gValores = std::make_unique<TStringList>();
    gCampos->Clear();
    gValores->Clear();
    CamposEncontrados = gCampos.get();
    ValoresCampos = gValores.get();
}

void AnotaCampo(const QString& texto)
{
    if (!CamposEncontrados) CreaListasFusion();
    for (int i = 0; i < CamposEncontrados->Count(); ++i)
        if (CamposEncontrados->Strings(i) == texto) return;
    CamposEncontrados->Add(texto);
}

void BuscaCampos(const TEditorOle& editor, const QString& tipoEditor)
{
    Estado estado(QStringLiteral("Buscando Campos .."));
    if (!conocido(tipoEditor) || !editor) return;
    for (const QString& campo : activo(editor).Fields()) AnotaCampo(campo);
}

void InsertaLogo()
{
    if (!EsFamiliaWord(TipoEditor) || !EditorOle) return;
    Document& doc = activo(EditorOle);
    TField* campo = Dat && Dat->TSistem && Dat->TSistem->Active() ? Dat->TSistem->FindField(QStringLiteral("LOGO")) : nullptr;
    const QString fichero = campo ? campo->AsString().trimmed() : QString();
    QImageReader lector(fichero);
    const QSize tamano = lector.size();
    QFile f(fichero);
    if (fichero.isEmpty() || !tamano.isValid() || !f.open(QIODevice::ReadOnly))
        throw EDocumentError(QStringLiteral("No se puede leer el logotipo \"%1\".").arg(fichero));
    const QByteArray datos = f.readAll();
    QByteArray formato = lector.format();
    if (formato == "jpg") formato = "jpeg";
    // Its natural size at the picture's own resolution (96 ppp when it states none), no wider
    // than the text of an A4 page.
    const QImage muestra = QImageReader(fichero).read();
    const double ppp = muestra.dotsPerMeterX() > 0 ? std::round(muestra.dotsPerMeterX() * 0.0254) : 96.0;
    double ancho = tamano.width() / ppp * 914400.0, alto = tamano.height() / ppp * 914400.0;
    const double maximo = 16.0 * 360000.0;
    if (ancho > maximo) {
        alto = alto * maximo / ancho;
        ancho = maximo;
    }
    doc.InsertHeaderPicture(datos, QString::fromLatin1(formato), qint64(ancho), qint64(alto));
}
