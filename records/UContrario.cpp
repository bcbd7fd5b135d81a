#include "records/UContrario.h"

#include "comun/UData.h"
#include "records/RPTFicCon.h"

TContrario* Contrario = nullptr;

namespace {
int ModoContrario = 0;
}

void TContrario::FijaModo(int modo) { ModoContrario = modo; }

TContrario::TContrario(TComponent* owner)
    : records::TFichaPersona(owner, {QStringLiteral("Contrarios"), Dat->TContrarios, Dat->DSContrarios,
                                     QStringLiteral("CONTRARIOS"), QStringLiteral("CONTRARIO"),
                                     QStringLiteral("Contrario ya existe. ¿Confirma guardar?"), 60,
                                     QStringLiteral("NOMCON"), Dat->TExpCon, &ModoContrario}) {
    FRefSoloEdicion = false;
    BtRelacion = CamposDeParte(TNotifyEvent(this, &TContrario::BtRelacionClick));
    ModoContrario = 0;
    Dat->refresca(Dat->TContrarios);
}

TContrario::~TContrario() {
    if (Contrario == this) Contrario = nullptr;
}

void TContrario::RegistroCambiado() {
    TFichaPersona::RegistroCambiado();
    Negrita(BtRelacion, MemoLleno(Dat->TContrarios, QStringLiteral("RELACIOBIENES")));
}

void TContrario::BtRelacionClick(TObject*) { AbreRelacion(); }

TFormRegistro::TBusqueda TContrario::Busqueda() const {
    return {QStringLiteral("Buscar Contrario"), QStringLiteral("Contrarios"),
            {QStringLiteral("SELECT CONTRARIO as CODIGO,"), QStringLiteral("APELLIDOS || ',' || NOMBRE as NOMBRE "),
             QStringLiteral("FROM CONTRARIOS ORDER BY NOMBRE")},
            false, QStringLiteral("CONTRARIO"), {}};
}

void TContrario::ImprimeFicha() { records::Previsualiza(new TInfFicCon(Application)); }

void TContrario::MuestraPreview(TObject* sender) { records::MuestraPreview(sender); }
