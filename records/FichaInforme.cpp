#include "records/FichaInforme.h"

#include "reports/PresPrel.h"
#include "shell/UData.h"

namespace records {

TFichaInforme::TFichaInforme(TComponent* owner, const TDatos& datos) : TForm(owner), FDatos(datos) {
    QFicha = new TQuery(this);
    QFicha->SetName(QStringLiteral("QFicha"));
    QFicha->SetDatabaseName(Dat->Db->DatabaseName());
    for (const QString& l : datos.SQL) QFicha->SQL()->Add(l);

    QRFicha = new TQuickRep(this);
    QRFicha->SetName(QStringLiteral("QRFicha"));
    QRFicha->SetDataSet(QFicha);
    QRFicha->SetReportTitle(datos.Titulo);
    QRFicha->Font()->SetName(QStringLiteral("Arial"));
    QRFicha->Font()->SetHeight(-13);

    QRCabecera = new TQRBand(this);
    QRCabecera->SetName(QStringLiteral("QRCabecera"));
    QRCabecera->SetBandType(rbPageHeader);
    QRCabecera->SetHeight(60);
    QRCabecera->SetParent(QRFicha);
    QRCabecera->Frame()->SetDrawBottom(true);
    QRTitulo = new TQRLabel(this);
    QRTitulo->SetName(QStringLiteral("QRTitulo"));
    QRTitulo->SetParent(QRCabecera);
    QRTitulo->SetBounds(0, 15, QRCabecera->Width(), 30);
    QRTitulo->SetAlignment(taCenter);
    QRTitulo->Font()->SetName(QStringLiteral("Arial"));
    QRTitulo->Font()->SetHeight(-21);
    QRTitulo->Font()->SetStyle({fsBold});
    QRTitulo->SetCaption(datos.Titulo);

    QRDetalle = new TQRBand(this);
    QRDetalle->SetName(QStringLiteral("QRDetalle"));
    QRDetalle->SetBandType(rbDetail);
    QRDetalle->SetParent(QRFicha);
    QRDetalle->BeforePrint = TQRBandBeforePrintEvent(this, &TFichaInforme::QRDetalleBeforePrint);
    auto etiqueta = [&](const QString& texto, int top) {
        auto* l = new TQRLabel(this);
        l->SetParent(QRDetalle);
        l->SetBounds(20, top, 210, 20);
        l->SetAlignment(taRightJustify);
        l->Font()->SetStyle({fsBold});
        l->SetCaption(texto);
        return l;
    };
    int top = 20;
    etiqueta(QStringLiteral("Nombre :"), top);
    QRNombre = new TQRLabel(this);
    QRNombre->SetName(QStringLiteral("QRNombre"));
    QRNombre->SetParent(QRDetalle);
    QRNombre->SetBounds(240, top, 450, 20);
    top += 30;
    for (const TLinea& linea : datos.Lineas) {
        etiqueta(linea.Etiqueta, top);
        int left = 240;
        for (const QString& campo : linea.Campos) {
            auto* t = new TQRDBText(this);
            t->SetName(QStringLiteral("QR") + campo);
            t->SetParent(QRDetalle);
            t->SetDataSet(QFicha);
            t->SetDataField(campo);
            // Postal code and town follow the address on its line.
            const int ancho = linea.Campos.size() == 1 ? 450 : (campo == u"CDPOSTAL" ? 60 : 190);
            t->SetBounds(left, top, ancho, 20);
            left += ancho + 6;
        }
        top += 24;
    }
    top += 16;
    auto* comentarios = new TQRLabel(this);
    comentarios->SetName(QStringLiteral("QRComentarios"));
    comentarios->SetParent(QRDetalle);
    comentarios->SetBounds(20, top, 300, 20);
    comentarios->Font()->SetStyle({fsBold, fsUnderline});
    comentarios->SetCaption(QStringLiteral("Comentarios"));
    QRDetalle->SetHeight(top + 40);

    OnClose = TCloseEvent(this, &TFichaInforme::FormClose);
}

void TFichaInforme::Abre() {
    QFicha->Close();
    QFicha->ParamByName(FDatos.Parametro)->SetValue(FDatos.Maestro->FieldByName(FDatos.Clave)->Value());
    QFicha->Open();
}

void TFichaInforme::Preview() {
    Abre();
    QRFicha->Preview();
}

void TFichaInforme::Prepare() {
    Abre();
    QRFicha->Prepare();
}

void TFichaInforme::QRDetalleBeforePrint(TQRCustomBand*, bool&) {
    QRNombre->SetCaption(QFicha->FieldByName(QStringLiteral("APELLIDOS"))->AsString() + FDatos.Separador +
                         QFicha->FieldByName(QStringLiteral("NOMBRE"))->AsString());
}

void TFichaInforme::FormClose(TObject*, TCloseAction& action) { action = caFree; }

void Previsualiza(TFichaInforme* ficha) {
    if (!PreView) PreView = new TPreView(Application);
    struct TLimpieza {
        TFichaInforme* Ficha;
        ~TLimpieza() {
            Ficha->Close();
            // Closed, or never shown (an error): freed now.
            if (PreView && !PreView->Visible()) PreView->Free();
        }
    } limpieza{ficha};
    ficha->Preview();
}

void MuestraPreview(TObject* sender) { reports::MuestraPreView(sender); }

}  // namespace records
