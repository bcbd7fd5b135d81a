#include "records/UAbogado.h"

#include "comun/UData.h"
#include "records/RPTFicAbo.h"

TAbogado* Abogado = nullptr;

namespace {
int ModoAbogado = 0;
}

void TAbogado::FijaModo(int modo) { ModoAbogado = modo; }

TAbogado::TAbogado(TComponent* owner)
    : records::TFichaPersona(owner, {QStringLiteral("Abogado"), Dat->TAbogados, Dat->DSAbogados,
                                     QStringLiteral("ABOGADOS"), QStringLiteral("ABOGADO"),
                                     QStringLiteral("Abogado ya existe. ¿Confirma guardar?"), 75,
                                     QStringLiteral("NOMABO")}) {
    CamposComunes(QStringLiteral("DNI"), true);
    CajaReferencia(5);
    CampoEn(QStringLiteral("Despacho"), QStringLiteral("DESPACHO"), 0, 6, 610);
    Contadores({QStringLiteral("EXPABIERTOS"), QStringLiteral("EXPPENDIENTES"), QStringLiteral("EXPCERRADOS")},
               {QStringLiteral("Exp. Abiertos"), QStringLiteral("Exp. Pendientes"), QStringLiteral("Exp. Cerrados")}, 7);
    ModoAbogado = 0;
    Dat->refresca(Dat->TAbogados);
}

TAbogado::~TAbogado() {
    if (Abogado == this) Abogado = nullptr;
}

bool TAbogado::NoCierra() const { return ModoAbogado == 1; }

void TAbogado::TrasGuardar() {
    if (ModoAbogado == 1) {
        Asigna();
        return;
    }
    if (!Referencia->Visible()) return;
    const int abogado = Dat->TAbogados->FieldByName(QStringLiteral("ABOGADO"))->AsInteger();
    if (Expediente(QStringLiteral("ABOCON"))->AsInteger() != abogado) return;
    EditaExpediente([&] { Expediente(QStringLiteral("REFABOCON"))->SetAsString(Referencia->Text()); });
}

bool TAbogado::PuedeAsignar() const {
    if (Dat->TExped->IsEmpty() || Dat->TAbogados->IsEmpty()) return false;
    return Dat->TAbogados->FieldByName(QStringLiteral("ABOGADO"))->AsInteger() !=
           Expediente(QStringLiteral("ABOCON"))->AsInteger();
}

void TAbogado::Asigna() {
    const int abogado = Dat->TAbogados->FieldByName(QStringLiteral("ABOGADO"))->AsInteger();
    EditaExpediente([&] {
        Expediente(QStringLiteral("ABOCON"))->SetAsInteger(abogado);
        Expediente(QStringLiteral("REFABOCON"))->SetAsString(Referencia->Text());
    });
    Close();
}

TFormRegistro::TBusqueda TAbogado::Busqueda() const {
    return {QStringLiteral("Buscar Abogado Contrario"), QStringLiteral("Abogado Contrario"),
            {QStringLiteral("SELECT ABOGADO as CODIGO,"), QStringLiteral("APELLIDOS || ',' || NOMBRE as NOMBRE "),
             QStringLiteral("FROM ABOGADOS ORDER BY NOMBRE")},
            false, QStringLiteral("ABOGADO"), {}};
}

void TAbogado::ImprimeFicha() { records::Previsualiza(new TInfFicAbo(Application)); }

void TAbogado::MuestraPreview(TObject* sender) { records::MuestraPreview(sender); }
