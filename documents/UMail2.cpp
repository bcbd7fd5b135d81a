#include "documents/UMail2.h"

#include "comun/UComunes.h"
#include "documents/UFusion.h"

TFMail2::TFMail2(TComponent* owner)
    : TDialogoFusion(owner, QStringLiteral("Completar Datos Despacho .."), QStringLiteral("Unir a la Consulta :"), false) {
    SetName(QStringLiteral("FMail2"));
    CreaPaginasComunes();
    LDes->Items()->Add(QStringLiteral("Cliente"));
    LDes->Items()->Add(QStringLiteral("Otro Abogado"));
    LDesAbo->SetVisible(false);
    OnShow = TNotifyEvent(this, &TFMail2::FormShow);
}

std::vector<TListBox*> TFMail2::ListasConMarcas() const { return {LDesAbo}; }

void TFMail2::FormShow(TObject*) {
    MensajeEstado(QStringLiteral("Comprobando Campos .."));
    for (TTabSheet* p : {pgDestinos, pgOtros, pgAvisos}) p->SetTabVisible(false);
    ConDetalleFactura = false;
    for (int i = 0; i < CamposEncontrados->Count(); ++i) {
        const QString c = CamposEncontrados->Strings(i);
        if (c.contains(QLatin1String("Destino"))) pgDestinos->SetTabVisible(true);
        if (c.contains(QLatin1String("Texto"))) pgOtros->SetTabVisible(true);
        if (c.contains(QLatin1String("Avisos"))) pgAvisos->SetTabVisible(true);
        if (c == QLatin1String("[[Economicos.Detalle de Factura]]")) ConDetalleFactura = true;
    }
    auto& o = documents::OrigenFusion;
    o = {};
    o.LDesAbo = LDesAbo;
    o.TAbo = TAbo;
    if (pgDestinos->TabVisible()) {
        TAbo->Open();
        Llena(LDesAbo, TAbo, documents::ApellidosNombre);
        LDes->SetItemIndex(0);
        LDesClick(LDes);
    }
    if (pgOtros->TabVisible()) PreparaTextos();
    MuestraPaginas({pgDestinos, pgOtros});
    MensajeEstado(QString());
}

void TFMail2::LDesClick(TObject*) {
    const int i = LDes->ItemIndex();
    LDesAbo->SetVisible(i >= 0 && LDes->Items()->Strings(i) == QLatin1String("Otro Abogado"));
}

void TFMail2::Proveedores() {
    Progresa(10);
    RellenaClienteConsulta();
    Progresa(30);
    RellenaBufete();
    RellenaConsultas();
    Progresa(35);
    RellenaAbogadoCliente();
    RellenaEconomicosConsulta();
    Progresa(50);
    RellenaOtros();
}

void TFMail2::Destino() {
    const int i = LDes->ItemIndex();
    const QString d = i >= 0 ? LDes->Items()->Strings(i) : QString();
    if (d == QLatin1String("Cliente")) RellenaDestinoClienteConsulta();
    else if (d == QLatin1String("Otro Abogado")) RellenaDestinoOtroAbogado();
}

void TFMail2::DetalleFactura() { DetalleFacturaConsulta(); }
