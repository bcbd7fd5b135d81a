#include "documents/UEscritos.h"

#include "comun/Programa.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "documents/BarraDocumentos.h"
#include "documents/UFusion.h"
#include "documents/UNuevoEscrito.h"
#include "platform/rtl/FileUtils.h"
#include "records/Pinturas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>

TListaEscritos* ListaEscritos = nullptr;

namespace {

const char* const kTipos[] = {"CIVIL", "PENAL", "LABORAL", "ADMINISTRATIVO", "MERCANTIL", "CARTAS", "ECONOMICO", "OTROS"};

TField* Sistema(const char* campo) { return Dat->TSistem->FieldByName(QString::fromLatin1(campo)); }

// Editor name and extension from the office settings, at the start of every operation.
void LeeEditor() {
    Dat->TSistem->Refresh();
    TipoEditor = Sistema("EDITOR")->AsString();
    ExtensionEscrito = ExtensionDeEditor(TipoEditor);
}

void TerminaEditor() {
    CierraEditor(EditorOle, TipoEditor);
    EditorOle.reset();
}

// A new document from the office template, written first when the data folder has none; a
// template that still cannot be read says where it was looked for.
void CargaPlantilla() {
    const QString plantilla = documents::AseguraPlantilla(TipoEditor);
    try {
        NuevoDesdeModelo(plantilla);
    } catch (EDocumentError& e) {
        throw EDocumentError(QStringLiteral("No se puede leer la plantilla del despacho \"%1\".\r%2")
                                 .arg(QDir::toNativeSeparators(plantilla), e.Message()));
    }
}

// Posts the new model's row and saves the active document as its file, in one transaction: a
// file that cannot be written takes the row back, and a workstation that stops between the two
// leaves no model listed without its file (nor its number spent). Returns the model's file.
QString GrabaModeloNuevo(const QString& tipo, const QString& concepto) {
    TTable* t = Dat->TEscritos;
    QString modelo;
    try {
        Dat->EnTransaccion([&] {
            t->Append();
            t->FieldByName(QStringLiteral("TIPO"))->SetAsString(tipo);
            t->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(concepto);
            t->Post();
            modelo = documents::FicheroDeModelo(t->FieldByName(QStringLiteral("ESCRITO"))->AsInteger(), TipoEditor);
            const QString carpeta = QFileInfo(modelo).absolutePath();
            if (!ForceSharedDirectories(carpeta))
                throw EDocumentError(QStringLiteral("No se puede crear la carpeta de modelos \"%1\".").arg(QDir::toNativeSeparators(carpeta)));
            GuardaEscrito(EditorOle, TipoEditor, modelo);
        });
    } catch (...) {
        if (t->State() == dsInsert) t->Cancel();
        if (!modelo.isEmpty()) QFile::remove(modelo);
        Dat->refresca(t);
        throw;
    }
    return modelo;
}

}  // namespace

QString documents::FicheroDeModelo(int escrito, const QString& tipoEditor) {
    return QDir(CarpetaDatos).filePath(QStringLiteral("Modelos/") + QString::number(escrito) + ExtensionDeEditor(tipoEditor));
}

QString documents::PlantillaDespacho(const QString& tipoEditor) {
    return QDir(CarpetaDatos).filePath(QStringLiteral("Zembra") + ExtensionPlantilla(tipoEditor));
}

QString documents::AseguraPlantilla(const QString& tipoEditor) {
    const QString plantilla = PlantillaDespacho(tipoEditor);
    if (!QFileInfo::exists(plantilla)) {
        try {
            platform::documents::Document::WriteWordTemplate(plantilla);
            ShareLikeFolder(plantilla);
        } catch (EDocumentError& e) {
            throw EDocumentError(QStringLiteral("No se puede escribir la plantilla del despacho \"%1\".\r%2")
                                     .arg(QDir::toNativeSeparators(plantilla), e.Message()));
        }
    }
    return plantilla;
}

QString documents::AvisoFormatoAntiguo(const QString& fichero) {
    const QFileInfo info(fichero);
    const QString ext = QLatin1Char('.') + info.suffix().toLower();
    const QString word = QStringLiteral("Word97"), wordPro = QStringLiteral("WordPro96");
    bool antiguo = ext == ExtensionAntigua(word) || ext == ExtensionAntigua(wordPro);
    if (!antiguo && info.isFile()) {
        // A binary Word file renamed to the new extension still is one.
        QFile f(fichero);
        if (f.open(QIODevice::ReadOnly)) antiguo = f.read(8) == QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    }
    if (!antiguo) return {};
    const QString nuevo = info.completeBaseName() + ExtensionDeEditor(ext == ExtensionAntigua(wordPro) ? wordPro : word);
    return QStringLiteral("\"%1\" está guardado en un formato antiguo que el programa no puede leer.\r"
                          "Conviértalo una sola vez: ábralo con el procesador de textos y guárdelo como \"%2\" en la misma carpeta (%3).")
        .arg(info.fileName(), nuevo, QDir::toNativeSeparators(info.absolutePath()));
}

QString documents::AvisoOtraFamilia(const QString& fichero, const QString& tipoEditor) {
    const QString word = QStringLiteral("Word2000"), wordPro = QStringLiteral("WordPro96");
    const QString donde = QStringLiteral("El procesador del despacho se elige en Archivo > Datos Despacho > Configuración > \"Editor :\".");
    const QString propia = ExtensionDeEditor(tipoEditor);
    if (propia.isEmpty())
        return QStringLiteral("El procesador de textos \"%1\" no es uno de los que el programa conoce: "
                              "Word97 o Word2000 (modelos .docx) y WordPro96 (modelos .odt).\r")
                   .arg(tipoEditor) + donde;
    const QString ext = QLatin1Char('.') + QFileInfo(fichero).suffix().toLower();
    const QString otra = ExtensionDeEditor(EsFamiliaWord(tipoEditor) ? wordPro : word);
    if (ext != otra) return {};
    return QStringLiteral("\"%1\" es un documento %2, y el procesador del despacho (\"%3\") sólo toma documentos %4.\r")
               .arg(QFileInfo(fichero).fileName(), otra, tipoEditor, propia) +
           donde;
}

QStringList documents::ConvierteMarcas(TTable* conversion) {
    static const QRegularExpression marca(QStringLiteral("«[^»]*»"));
    QStringList desconocidas;
    if (!EditorOle || !EditorOle->Activo) return desconocidas;
    // An unknown marker is left where it stands and the search goes on past it. A listed one is
    // replaced everywhere, again if a conversion brings it back, but only a few times: a table
    // whose conversions bring each other back must not keep the search going for ever.
    constexpr int kVueltas = 8;
    QHash<QString, int> veces;
    for (;;) {
        QString siguiente;
        for (const QString& m : EditorOle->Activo->Matches(marca))
            if (!desconocidas.contains(m) && veces.value(m) < kVueltas) {
                siguiente = m;
                break;
            }
        if (siguiente.isEmpty()) break;
        if (conversion->Locate(QStringLiteral("Origen"), siguiente, 0)) {
            ++veces[siguiente];
            ReemplazaTodo(EditorOle, TipoEditor, siguiente, conversion->FieldByName(QStringLiteral("Destino"))->AsString());
        } else {
            desconocidas << siguiente;
        }
        InicioDocumento(EditorOle, TipoEditor);
    }
    return desconocidas;
}

TListaEscritos::TListaEscritos(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("ListaEscritos"));
    SetCaption(QStringLiteral("Lista de Escritos"));
    SetPosition(poScreenCenter);
    SetClientWidth(560);
    SetClientHeight(360);
    SetKeyPreview(true);

    SpeedBar1 = documents::NuevaBarra(this, 80);
    auto item = [&](const char* nombre, const QString& texto, const QString& hint, void (TListaEscritos::*click)(TObject*)) {
        return documents::NuevoBoton(SpeedBar1, QString::fromLatin1(nombre), texto, hint, TNotifyEvent(this, click));
    };
    btBorrar = item("btBorrar", QStringLiteral("Borrar"), QStringLiteral("Borrar"), &TListaEscritos::BtBorrarClick);
    btNuevo = item("btNuevo", QStringLiteral("Nuevo"), QStringLiteral("Nuevo"), &TListaEscritos::BtNuevoClick);
    btSi = item("btSi", QStringLiteral("Ok"), QStringLiteral("Aceptar"), &TListaEscritos::BtSiClick);
    btNo = item("btNo", QStringLiteral("No"), QStringLiteral("Cancelar"), &TListaEscritos::BtNoClick);
    btImport = item("btImport", QStringLiteral("Importar"), QStringLiteral("Importar"), &TListaEscritos::btImportClick);

    Busca = new TLabel(this);
    Busca->SetName(QStringLiteral("Busca"));
    Busca->SetParent(this);
    Busca->SetAlign(alBottom);
    Busca->SetHeight(18);
    Busca->SetCaption(QString());

    LisTipo = new TListBox(this);
    LisTipo->SetName(QStringLiteral("LisTipo"));
    LisTipo->SetParent(this);
    LisTipo->SetAlign(alLeft);
    LisTipo->SetWidth(128);
    for (const char* t : kTipos) LisTipo->Items()->Add(QString::fromLatin1(t));

    DBEsc = new TDBGrid(this);
    DBEsc->SetName(QStringLiteral("DBEsc"));
    DBEsc->SetParent(this);
    DBEsc->SetAlign(alClient);
    DBEsc->SetDataSource(Dat->DSQLisEscri);
    DBEsc->SetReadOnly(true);
    DBEsc->SetOptions(dgTitles | dgIndicator | dgColLines | dgRowLines | dgRowSelect | dgAlwaysShowSelection);
    TColumn* c = DBEsc->Columns()->Add();
    c->SetFieldName(QStringLiteral("CONCEPTO"));
    c->Title()->SetCaption(QStringLiteral("Escrito"));
    c->SetWidth(400);

    Timer1 = new TTimer(this);
    Timer1->SetName(QStringLiteral("Timer1"));
    Timer1->SetInterval(2000);
    SelectFile = new TOpenDialog(this);
    SelectFile->SetName(QStringLiteral("SelectFile"));
    SelectFile->SetOptions(ofFileMustExist | ofPathMustExist | ofHideReadOnly);

    auto tabla = [&](const char* nombre, const char* fichero) {
        auto* t = new TTable(this);
        t->SetName(QString::fromLatin1(nombre));
        t->SetDatabaseName(QStringLiteral("ZEMBRA"));
        t->SetTableName(QString::fromLatin1(fichero));
        return t;
    };
    TConv = tabla("TConv", "Convertir.db");
    TCarta = tabla("TCarta", "ESCRITOS");

    FCambioAnterior = Dat->DSQLisEscri->OnDataChange;
    Dat->DSQLisEscri->OnDataChange = TDataChangeEvent(this, &TListaEscritos::DSQLisEscriDataChange);
    OnCreate = TNotifyEvent(this, &TListaEscritos::FormCreate);
    OnShow = TNotifyEvent(this, &TListaEscritos::FormShow);
    OnClose = TCloseEvent(this, &TListaEscritos::FormClose);
    OnKeyPress = TKeyPressEvent(this, &TListaEscritos::FormKeyPress);
    LisTipo->OnClick = TNotifyEvent(this, &TListaEscritos::LisTipoClick);
    DBEsc->OnDblClick = TNotifyEvent(this, &TListaEscritos::DBEscDblClick);
    Timer1->OnTimer = TNotifyEvent(this, &TListaEscritos::Timer1Timer);
}

TListaEscritos::~TListaEscritos() {
    if (Dat) Dat->DSQLisEscri->OnDataChange = FCambioAnterior;
    if (ListaEscritos == this) ListaEscritos = nullptr;
}

void TListaEscritos::FormCreate(TObject*) {
    TConv->Open();
    TCarta->Open();
}

void TListaEscritos::FormShow(TObject*) {
    LisTipo->SetItemIndex(0);
    LisTipoClick(LisTipo);
}

void TListaEscritos::FormClose(TObject*, TCloseAction& action) {
    TConv->Close();
    TCarta->Close();
    Timer1->SetEnabled(false);
    action = caHide;  // the opener frees it
}

void TListaEscritos::LisTipoClick(TObject*) {
    const int i = LisTipo->ItemIndex();
    Dat->QLisEscri->Close();
    Dat->QLisEscri->ParamByName(QStringLiteral("LISTIPO"))->SetAsString(QString::fromLatin1(kTipos[i >= 0 && i < 8 ? i : 0]));
    Dat->QLisEscri->Open();
    DSQLisEscriDataChange(Dat->DSQLisEscri, nullptr);
}

void TListaEscritos::DSQLisEscriDataChange(TObject*, TField*) {
    const bool filas = Dat->QLisEscri->Active() && !Dat->QLisEscri->IsEmpty();
    btSi->SetEnabled(filas);
    btBorrar->SetEnabled(filas);
}

void TListaEscritos::DBEscDblClick(TObject*) {
    if (btSi->Enabled()) BtSiClick(btSi);
}

void TListaEscritos::FormKeyPress(TObject*, QChar& key) {
    if (key.unicode() > ' ' && DBEsc->Focused()) Busca->SetCaption(Busca->Caption() + key);
    if (!Busca->Caption().isEmpty() && Dat->QLisEscri->Active())
        Dat->QLisEscri->Locate(QStringLiteral("CONCEPTO"), Busca->Caption(), loCaseInsensitive | loPartialKey);
}

void TListaEscritos::Timer1Timer(TObject*) { Busca->SetCaption(QString()); }

void TListaEscritos::Habilita(bool si, bool conRejilla) {
    for (TSpeedItem* i : {btNuevo, btImport}) i->SetEnabled(si);
    LisTipo->SetEnabled(si);
    if (conRejilla) DBEsc->SetEnabled(si);
    if (si) DSQLisEscriDataChange(Dat->DSQLisEscri, nullptr);
    else {
        btSi->SetEnabled(false);
        btBorrar->SetEnabled(false);
    }
}

void TListaEscritos::TerminaEditorAnterior() {
    if (!EditorOle) return;
    try {
        Quit(EditorOle);
    } catch (Exception&) {
    }
    EditorOle.reset();
}

void TListaEscritos::BtSiClick(TObject*) {
    if (!Dat->QLisEscri->Active() || Dat->QLisEscri->IsEmpty()) return;
    Habilita(false, true);
    Application->ProcessMessages();
    TerminaEditorAnterior();
    LeeEditor();
    const QString modelo = documents::FicheroDeModelo(Dat->QLisEscri->FieldByName(QStringLiteral("ESCRITO"))->AsInteger(), TipoEditor);
    try {
        EditorOle = AbreEditor(TipoEditor);
        if (!EditorOle) {
            MensajeError(QStringLiteral("No puedo Abrir el Procesador de Texto"));
            Abort();
        }
        FicheroModelo = modelo;
        QString aviso = documents::AvisoFormatoAntiguo(modelo);
        if (aviso.isEmpty() && !QFileInfo::exists(modelo)) {
            const QString base = modelo.left(modelo.size() - ExtensionEscrito.size());
            for (const QString& viejo : {ExtensionAntigua(QStringLiteral("Word97")), ExtensionAntigua(QStringLiteral("WordPro96"))})
                if (aviso.isEmpty() && QFileInfo::exists(base + viejo)) aviso = documents::AvisoFormatoAntiguo(base + viejo);
        }
        if (!aviso.isEmpty()) {
            MensajeError(aviso);
            Abort();
        }
        AbreEscrito(EditorOle, TipoEditor, modelo, false);
        if (Modo == 0) {
            // The model itself goes to the word processor: what it saves is what the merges use.
            EditorOle->FicheroGuardado = modelo;
            EditorOle->EditaFichero = true;
            MuestraEditor(EditorOle, TipoEditor);
        } else {
            ModoEscrito = LetraRegistro.isEmpty() ? QLatin1Char('C') : LetraRegistro.at(0);
            if (ModoEscrito == QLatin1Char('E')) FusionaExpediente();
            else FusionaDespacho();
        }
    } catch (EAbort&) {
        TerminaEditor();
    } catch (Exception&) {
        MensajeError(QStringLiteral("No puedo abrir modelo : ") + modelo);
        TerminaEditor();
    }
    Habilita(true, true);
}

void TListaEscritos::BtNuevoClick(TObject*) {
    LeeEditor();
    if (!EsFamiliaWord(TipoEditor)) return;
    Habilita(false, false);
    Application->ProcessMessages();
    TerminaEditorAnterior();
    auto pregunta = std::make_unique<TNuevoEscrito>(nullptr);
    pregunta->Pregunta->SetCaption(QStringLiteral("Introduzca Nombre del Escrito"));
    pregunta->Respuesta->SetMaxLength(60);
    if (pregunta->ShowModal() == mrOk) {
        const int i = LisTipo->ItemIndex();
        const QString tipo = QString::fromLatin1(kTipos[i >= 0 && i < 8 ? i : 0]);
        const bool carta = tipo == QLatin1String("CARTAS");
        try {
            EditorOle = AbreEditor(TipoEditor);
            if (!EditorOle) {
                MensajeError(QStringLiteral("No puedo Abrir el Procesador de Texto"));
                Abort();
            }
            const int cabecera = Sistema("CABCAR")->AsInteger();
            if (carta && cabecera && TCarta->Locate(QStringLiteral("ESCRITO"), cabecera, 0))
                AbreEscrito(EditorOle, TipoEditor, documents::FicheroDeModelo(cabecera, TipoEditor), false);
            else
                CargaPlantilla();
            // The row is written only with its file, once the document is ready.
            GrabaModeloNuevo(tipo, pregunta->Respuesta->Text());
            MuestraEditor(EditorOle, TipoEditor);
        } catch (EAbort&) {
            TerminaEditor();
        } catch (Exception& e) {
            MensajeError((carta ? QStringLiteral("Error al crear CARTA") : QStringLiteral("Error al crear ESCRITO")) +
                         QStringLiteral("\r") + e.Message());
            TerminaEditor();
        }
    }
    LisTipoClick(LisTipo);
    pregunta.reset();
    Habilita(true, false);
}

void TListaEscritos::BtBorrarClick(TObject*) {
    if (!Dat->QLisEscri->Active() || Dat->QLisEscri->IsEmpty()) return;
    LeeEditor();
    const int n = Dat->QLisEscri->FieldByName(QStringLiteral("ESCRITO"))->AsInteger();
    if (n == Sistema("MINUTA")->AsInteger() || n == Sistema("MINUTACONS")->AsInteger() || n == Sistema("CABCAR")->AsInteger())
        if (!MensajeConfirmacion(QStringLiteral("Este escrito está en la configuración por defecto\r¿Desea borrarlo?"))) return;
    if (!MensajeConfirmacion(QStringLiteral("¿ Borrar ESCRITO ") + Dat->QLisEscri->FieldByName(QStringLiteral("CONCEPTO"))->AsString() +
                             QStringLiteral(" ?")))
        return;
    if (Dat->TEscritos->Locate(QStringLiteral("ESCRITO"), n, 0)) {
        // The row goes first: a row that cannot be deleted keeps its model file.
        Dat->TEscritos->Delete();
        QFile::remove(documents::FicheroDeModelo(n, TipoEditor));
        Dat->QLisEscri->Close();
        Dat->QLisEscri->Open();
        DSQLisEscriDataChange(Dat->DSQLisEscri, nullptr);
    }
}

void TListaEscritos::BtNoClick(TObject*) {
    TerminaEditorAnterior();
    SetModalResult(mrNo);
}

void TListaEscritos::btImportClick(TObject*) {
    LeeEditor();
    SelectFile->SetTitle(QStringLiteral("Seleccione documento a unir"));
    SelectFile->SetFilter(documents::FiltroDocumentos());
    SelectFile->SetFilterIndex(1);
    SelectFile->SetFileName(QString());
    if (!SelectFile->Execute()) return;
    const QString origen = SelectFile->FileName();
    if (origen.isEmpty()) return;
    const QString aviso = documents::AvisoFormatoAntiguo(origen);
    if (!aviso.isEmpty()) {
        MensajeError(aviso);
        return;
    }
    const QString otraFamilia = documents::AvisoOtraFamilia(origen, TipoEditor);
    if (!otraFamilia.isEmpty()) {
        MensajeError(otraFamilia);
        return;
    }
    if (ExtensionEscrito.isEmpty() || !origen.endsWith(ExtensionEscrito, Qt::CaseInsensitive)) return;

    auto pregunta = std::make_unique<TNuevoEscrito>(nullptr);
    pregunta->Pregunta->SetCaption(QStringLiteral("Introduzca Nombre del Escrito"));
    pregunta->Respuesta->SetMaxLength(60);
    if (pregunta->ShowModal() != mrOk) return;
    const int i = LisTipo->ItemIndex();
    const QString tipo = QString::fromLatin1(kTipos[i >= 0 && i < 8 ? i : 0]);

    TerminaEditorAnterior();
    EditorOle = AbreEditor(TipoEditor);
    if (!EditorOle) {
        MensajeError(QStringLiteral("No puedo Abrir el Procesador de Texto"));
        return;
    }
    QString modelo;
    try {
        // The document is made whole before its row is written: a file that cannot be read
        // leaves nothing behind.
        if (EsFamiliaWord(TipoEditor)) {
            // The office template with the old document's text in it.
            CargaPlantilla();
            EditorOle->Activo->InsertBody(platform::documents::Document::Load(origen));
        } else {
            // No template for this editor: the document itself, saved under the model's name.
            AbreEscrito(EditorOle, TipoEditor, origen, false);
        }
        InicioDocumento(EditorOle, TipoEditor);
        MarcasDesconocidas = documents::ConvierteMarcas(TConv);
        modelo = GrabaModeloNuevo(tipo, pregunta->Respuesta->Text());
    } catch (...) {
        TerminaEditor();
        throw;
    }
    FicheroModelo = modelo;
    // The list shows the new model at once, chosen, so nobody imports it a second time.
    LisTipoClick(LisTipo);
    Dat->QLisEscri->Locate(QStringLiteral("ESCRITO"), Dat->TEscritos->FieldByName(QStringLiteral("ESCRITO"))->Value(), 0);
    MuestraEditor(EditorOle, TipoEditor);
    if (!MarcasDesconocidas.isEmpty())
        MensajeError(QStringLiteral("Estas marcas no están en \"Convertir.db\" y quedan en el modelo como estaban:\r") +
                     MarcasDesconocidas.join(QLatin1Char('\r')));
}

void AbreListaEscritos(int modo) {
    ListaEscritos = new TListaEscritos(nullptr);
    std::unique_ptr<TListaEscritos> lista(ListaEscritos);
    lista->Modo = modo;
    if (modo == 1 || modo == 2) {
        lista->btNuevo->SetVisible(false);
        lista->btBorrar->SetVisible(false);
        // An import makes a model: from a case file or a consultation only for those who may
        // make them from the main window.
        lista->btImport->SetVisible(records::DerechoUsuario("Modelos"));
    }
    lista->ShowModal();
    lista.reset();
    if (modo == 1) Dat->RefrescaAgendas();
}
