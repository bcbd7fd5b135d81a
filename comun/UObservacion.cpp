// The notes editor.
#include "comun/UObservacion.h"

#include "comun/Controles.h"
#include "comun/PresPrel.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "comun/rptObserva.h"
#include "platform/graphics/Resources.h"
#include "platform/report/QuickRpt.h"

TObservacion* Observacion = nullptr;

TObservacion::TObservacion(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("Observacion"));
    SetCaption(QStringLiteral("Observacion"));
    SetHelpContext(3);
    SetPosition(poScreenCenter);
    SetClientWidth(600);
    SetClientHeight(420);

    ActiveSource = new TDataSource(this);
    ActiveSource->SetName(QStringLiteral("ActiveSource"));

    SpeedBar1 = comun::BarraDeTexto(this, QStringLiteral("Observaciones"));
    btImprimir = comun::ItemDeTexto(SpeedBar1, "btImprimir", QStringLiteral("Imprimir"), QStringLiteral("Impirmir|Imprime ficha"), 4);
    btCut = comun::ItemDeTexto(SpeedBar1, "btCut", QStringLiteral("Cortar"), QStringLiteral("Cortar"), 80);
    btCopy = comun::ItemDeTexto(SpeedBar1, "btCopy", QStringLiteral("Copiar"), QStringLiteral("Copiar"), 144);
    btPaste = comun::ItemDeTexto(SpeedBar1, "btPaste", QStringLiteral("Pegar"), QStringLiteral("Pegar"), 208);
    btAyuda = comun::ItemDeTexto(SpeedBar1, "btAyuda", QStringLiteral("Ayuda"), QStringLiteral("Ayuda|Muestra ayuda "), 284);
    SpeedItem2 = comun::ItemDeTexto(SpeedBar1, "SpeedItem2", QStringLiteral("Volver"), QStringLiteral("Volver|Regresa a la pantalla anterior"), 348);

    Cabecera = new TPanel(this);
    Cabecera->SetName(QStringLiteral("Cabecera"));
    Cabecera->SetParent(this);
    Cabecera->SetCaption(QString());
    Cabecera->SetAlign(alTop);
    Cabecera->SetHeight(30);
    Titulo = new TLabel(this);
    Titulo->SetName(QStringLiteral("Titulo"));
    Titulo->SetParent(Cabecera);
    Titulo->SetAutoSize(false);
    Titulo->SetAlignment(taRightJustify);
    Titulo->SetBounds(8, 7, 170, 17);
    Contenido = new TLabel(this);
    Contenido->SetName(QStringLiteral("Contenido"));
    Contenido->SetParent(Cabecera);
    Contenido->SetAutoSize(false);
    Contenido->SetBounds(186, 7, 400, 17);
    Contenido->Font()->SetStyle(TFontStyles{fsBold});

    Memo = new TDBMemo(this);
    Memo->SetName(QStringLiteral("Memo"));
    Memo->SetParent(this);
    Memo->SetAlign(alClient);
    Memo->SetScrollBars(ssVertical);
    Memo->SetWantTabs(true);
    Memo->SetDataSource(ActiveSource);

    btImprimir->OnClick() = TNotifyEvent(this, &TObservacion::btImprimirClick);
    btCut->OnClick() = TNotifyEvent(this, &TObservacion::btCutClick);
    btCopy->OnClick() = TNotifyEvent(this, &TObservacion::btCopyClick);
    btPaste->OnClick() = TNotifyEvent(this, &TObservacion::btPasteClick);
    btAyuda->OnClick() = TNotifyEvent(this, &TObservacion::btAyudaClick);
    SpeedItem2->OnClick() = TNotifyEvent(this, &TObservacion::btSalirClick);
    OnClose = TCloseEvent(this, &TObservacion::FormClose);
}

TObservacion::~TObservacion() {
    if (Observacion == this) Observacion = nullptr;
}

void TObservacion::FormClose(TObject*, TCloseAction& action) { action = caFree; }

void TObservacion::PreguntaCambios() {
    TDataSet* ds = ActiveSource->DataSet();
    if (!ds) return;
    if (MensajeConfirmacion(QStringLiteral("    ¡¡ Ha habido Cambios !! \r¿ Desea Guardar los cambios ?"))) ds->Post();
    else ds->Cancel();
}

void TObservacion::btSalirClick(TObject*) {
    if (Memo->Modified()) PreguntaCambios();
    else if (TDataSet* ds = ActiveSource->DataSet()) ds->Cancel();
    Close();
}

void TObservacion::SoloLectura() {
    Memo->SetReadOnly(true);
    btCut->SetEnabled(false);
    btPaste->SetEnabled(false);
}

void TObservacion::btCutClick(TObject*) { Memo->CutToClipboard(); }
void TObservacion::btCopyClick(TObject*) { Memo->CopyToClipboard(); }
void TObservacion::btPasteClick(TObject*) { Memo->PasteFromClipboard(); }

void TObservacion::btAyudaClick(TObject*) {
    Application->HelpContext(130);
    if (Memo->CanFocus()) Memo->SetFocus();
}

bool TObservacion::PreparaConsulta(TQuery* q) {
    TDataSet* ds = ActiveSource->DataSet();
    if (!Dat || !ds) return false;
    struct TFicha {
        TTable* Tabla;
        const char* Fichero;
        const char* Clave;
        bool Bienes;
    };
    const TFicha fichas[] = {
        {Dat->TClientes, "CLIENTES", "CLIENTE", true}, {Dat->TContrarios, "CONTRARIOS", "CONTRARIO", true},
        {Dat->TAboCli, "ABOCLI", "ABOCLI", false},     {Dat->TProcu, "PROCU", "PROCU", false},
        {Dat->TAbogados, "ABOGADOS", "ABOGADO", false}, {Dat->TPeritos, "PERITOS", "PERITO", false},
    };
    q->Close();
    q->SQL()->Clear();
    if (ds == Dat->TExped) {
        q->SQL()->Add(QStringLiteral("SELECT OBSERVACIONES FROM EXPED"));
        q->SQL()->Add(QStringLiteral("WHERE ANO = :ANO AND NUMERO = :NUMERO"));
        q->ParamByName(QStringLiteral("ANO"))->SetAsString(ds->FieldByName(QStringLiteral("ANO"))->AsString());
        q->ParamByName(QStringLiteral("NUMERO"))->SetAsString(ds->FieldByName(QStringLiteral("NUMERO"))->AsString());
        return true;
    }
    for (const TFicha& f : fichas) {
        if (ds != f.Tabla) continue;
        const QString fichero = QString::fromLatin1(f.Fichero), clave = QString::fromLatin1(f.Clave);
        const bool bienes = f.Bienes && Memo->DataField().compare(QStringLiteral("OBSERVACIONES"), Qt::CaseInsensitive) != 0;
        q->SQL()->Add(bienes ? QStringLiteral("SELECT RELACIOBIENES AS OBSERVACIONES FROM ") + fichero
                             : QStringLiteral("SELECT OBSERVACIONES FROM ") + fichero);
        q->SQL()->Add(QStringLiteral("WHERE ") + clave + QStringLiteral(" = :CODIGO"));
        q->ParamByName(QStringLiteral("CODIGO"))->SetAsInteger(ds->FieldByName(clave)->AsInteger());
        return true;
    }
    return false;
}

void TObservacion::btImprimirClick(TObject*) {
    if (Memo->Modified()) {
        PreguntaCambios();
        Memo->SetModified(false);
    }
    // A second click does nothing while the report runs.
    const TNotifyEvent accion = btImprimir->OnClick();
    btImprimir->OnClick() = nullptr;
    try {
        Application->CreateForm(FObserva);
        if (PreparaConsulta(FObserva->QMemo)) {
            FObserva->QMemo->Open();
            FObserva->SetTitulo(Titulo->Caption() + QStringLiteral(" : ") + Contenido->Caption());
            // The shared preview shows the pages modally through the report printer's hook.
            comun::PresentaInforme(FObserva->QRObserva);
        }
        FObserva->Close();
    } catch (...) {
        if (FObserva) FObserva->Close();
        btImprimir->OnClick() = accion;
        throw;
    }
    btImprimir->OnClick() = accion;
    if (Memo->CanFocus()) Memo->SetFocus();
}
