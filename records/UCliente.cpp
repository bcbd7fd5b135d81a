#include "records/UCliente.h"

#include "comun/UData.h"
#include "platform/forms/Dialogs.h"
#include "records/RPTFicClien.h"
#include "records/UPoder.h"

TCliente* Cliente = nullptr;

namespace {
int ModoCliente = 0;
}

void TCliente::FijaModo(int modo) { ModoCliente = modo; }
int TCliente::Modo() { return ModoCliente; }

TCliente::TCliente(TComponent* owner)
    : records::TFichaPersona(owner, {QStringLiteral("Cliente"), Dat->TClientes, Dat->DSClientes,
                                     QStringLiteral("CLIENTES"), QStringLiteral("CLIENTE"),
                                     QStringLiteral("Cliente ya existe. ¿Confirma guardar?"), 40,
                                     QStringLiteral("NOMCLI"), Dat->TExpCli, &ModoCliente}) {
    BtRelacion = CamposDeParte(TNotifyEvent(this, &TCliente::BtRelacionClick));
    BtPoder = BotonConsulta(QStringLiteral("BtPoder"), QStringLiteral("&Poder"), 272,
                            TNotifyEvent(this, &TCliente::BtPoderClick));
    ModoCliente = 0;
    Dat->refresca(Dat->TClientes);
}

TCliente::~TCliente() {
    if (Cliente == this) Cliente = nullptr;
}

void TCliente::RegistroCambiado() {
    TFichaPersona::RegistroCambiado();
    Negrita(BtRelacion, MemoLleno(Dat->TClientes, QStringLiteral("RELACIOBIENES")));
    Negrita(BtPoder, !Dat->TClientes->IsEmpty() &&
                         records::TienePoderes(Dat->TClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger()));
}

void TCliente::BtRelacionClick(TObject*) { AbreRelacion(); }

void TCliente::BtPoderClick(TObject*) {
    const int cliente = Dat->TClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger();
    TTable* p = Dat->TPoderes;
    const bool tiene = p->Locate(QStringLiteral("CLIENTE"), Variant(cliente), 0);
    // A client only viewed shows the powers it has and gets none new.
    if (!tiene && SoloConsulta()) {
        ShowMessage(QStringLiteral("No tiene PODERES"));
        return;
    }
    if (tiene) p->SetRange({Variant(cliente)}, {Variant(cliente)});
    else p->Insert();
    try {
        Poder = new TPoder(Application);
        Poder->activaEdicion(!SoloConsulta());
        if (p->State() == dsInsert) TPoder::FijaModo(1);
        Poder->ShowModal();
    } catch (...) {
        if (p->State() == dsInsert) p->Cancel();
        p->CancelRange();
        throw;
    }
    p->CancelRange();
    ActiveSourceDataChange(ActiveSource, nullptr);
}

TFormRegistro::TBusqueda TCliente::Busqueda() const {
    return {QStringLiteral("Buscar Cliente"), QStringLiteral("Clientes"),
            {QStringLiteral("SELECT CLIENTE as CODIGO,"), QStringLiteral("APELLIDOS || ',' || NOMBRE as NOMBRE "),
             QStringLiteral("FROM CLIENTES ORDER BY NOMBRE")},
            false, QStringLiteral("CLIENTE"), {}};
}

void TCliente::ImprimeFicha() { records::Previsualiza(new TInfFicClien(Application)); }

void TCliente::MuestraPreview(TObject* sender) { records::MuestraPreview(sender); }
