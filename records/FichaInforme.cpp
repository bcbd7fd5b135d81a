#include "records/FichaInforme.h"

#include "comun/PresPrel.h"
#include "comun/UData.h"

namespace records {

TFichaInforme::TFichaInforme(TComponent* owner, const TDatos& datos) : TForm(owner), FDatos(datos) {
    QFicha = new TQuery(this);
    QFicha->SetName(QStringLiteral("QFicha"));
    QFicha->SetDatabaseName(Dat->Db->DatabaseName());
    for (const QString& l : datos.SQL) QFicha->SQL()->Add(l);

    QRFicha = new TQuickRep(this);
    QRFicha->SetName(QStringLiteral("QRFicha"));
    QRFicha->SetDataSet(QFicha);
    QRTitulo = CabeceraFicha(this, QRFicha, datos.Titulo, QRCabecera);

    QRDetalle = new TQRBand(this);
    QRDetalle->SetName(QStringLiteral("QRDetalle"));
    QRDetalle->SetBandType(rbDetail);
    QRDetalle->SetParent(QRFicha);
    QRDetalle->BeforePrint = TQRBandBeforePrintEvent(this, &TFichaInforme::QRDetalleBeforePrint);
    auto etiqueta = [&](const QString& texto, int top) { return EtiquetaFicha(this, QRDetalle, texto, top); };
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

TFichaInforme::TDatos DatosFicha(const QString& titulo, const QString& tabla, const QString& clave, const QString& parametro,
                                 TDataSet* maestro, const QString& separador,
                                 std::initializer_list<std::vector<TFichaInforme::TLinea>> lineas) {
    TFichaInforme::TDatos d;
    d.Titulo = titulo;
    d.SQL = {QStringLiteral("SELECT * FROM %1 WHERE").arg(tabla), QStringLiteral("      %1 =:%2").arg(clave, parametro)};
    d.Parametro = parametro;
    d.Maestro = maestro;
    d.Clave = clave;
    d.Separador = separador;
    for (const auto& grupo : lineas) d.Lineas.insert(d.Lineas.end(), grupo.begin(), grupo.end());
    return d;
}

std::vector<TFichaInforme::TLinea> LineasDireccion(const QString& cif, bool telefonos) {
    std::vector<TFichaInforme::TLinea> r = {
        {QStringLiteral("C.I.F. :"), {cif}},
        {QStringLiteral("Domicilio :"), {QStringLiteral("DOMICILIO"), QStringLiteral("CDPOSTAL"), QStringLiteral("POBLACION")}},
        {QStringLiteral("Provincia :"), {QStringLiteral("PROVINCIA")}}};
    if (telefonos) {
        r.push_back({QStringLiteral("Teléfono :"), {QStringLiteral("TELEFONO")}});
        r.push_back({QStringLiteral("Fax :"), {QStringLiteral("FAX")}});
    }
    return r;
}

std::vector<TFichaInforme::TLinea> LineasExpedientes() {
    return {{QStringLiteral("Expedientes Abiertos :"), {QStringLiteral("EXPABIERTOS")}},
            {QStringLiteral("Expedientes Pendientes :"), {QStringLiteral("EXPPENDIENTES")}},
            {QStringLiteral("Expedientes Cerrados :"), {QStringLiteral("EXPCERRADOS")}}};
}

std::vector<TFichaInforme::TLinea> LineasBanco() {
    return {{QStringLiteral("Banco :"), {QStringLiteral("BANCO")}},
            {QStringLiteral("Sucursal :"), {QStringLiteral("SUCURSAL")}},
            {QStringLiteral("Nº Cuenta :"), {QStringLiteral("CUENTACORRIENTE")}}};
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

TQRLabel* CabeceraFicha(TComponent* owner, TQuickRep* informe, const QString& titulo, TQRBand*& cabecera) {
    informe->SetReportTitle(titulo);
    informe->Font()->SetName(QStringLiteral("Arial"));
    informe->Font()->SetHeight(-13);
    cabecera = new TQRBand(owner);
    cabecera->SetName(QStringLiteral("QRCabecera"));
    cabecera->SetBandType(rbPageHeader);
    cabecera->SetHeight(60);
    cabecera->SetParent(informe);
    cabecera->Frame()->SetDrawBottom(true);
    auto* t = new TQRLabel(owner);
    t->SetName(QStringLiteral("QRTitulo"));
    t->SetParent(cabecera);
    t->SetBounds(0, 15, cabecera->Width(), 30);
    t->SetAlignment(taCenter);
    t->Font()->SetName(QStringLiteral("Arial"));
    t->Font()->SetHeight(-21);
    t->Font()->SetStyle({fsBold});
    t->SetCaption(titulo);
    return t;
}

TQRLabel* EtiquetaFicha(TComponent* owner, TQRBand* detalle, const QString& texto, int top) {
    auto* l = new TQRLabel(owner);
    l->SetParent(detalle);
    l->SetBounds(20, top, 210, 20);
    l->SetAlignment(taRightJustify);
    l->Font()->SetStyle({fsBold});
    l->SetCaption(texto);
    return l;
}

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

void MuestraPreview(TObject* sender) { comun::MuestraPreView(sender); }

}  // namespace records
