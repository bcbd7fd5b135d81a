#include "records/UProcu.h"

#include "comun/UData.h"
#include "records/RPTFicProcon.h"

TProcu* Procu = nullptr;

namespace {
int ModoProcu = 0;
int ParteProcu = 1;

QString CampoProcu() { return ParteProcu == 1 ? QStringLiteral("PROCLI") : QStringLiteral("PROCON"); }
QString CampoReferencia() { return ParteProcu == 1 ? QStringLiteral("REFPROCLI") : QStringLiteral("REFPROCON"); }
}  // namespace

void TProcu::FijaModo(int modo) { ModoProcu = modo; }
void TProcu::FijaParte(int parte) { ParteProcu = parte; }

TProcu::TProcu(TComponent* owner)
    : records::TFichaPersona(owner, {QStringLiteral("Procurador del  Contrario"), Dat->TProcu, Dat->DSProcu,
                                     QStringLiteral("PROCU"), QStringLiteral("PROCU"),
                                     QStringLiteral("Procurador ya existe. ¿Confirma guardar?"), 70,
                                     QStringLiteral("NOMPROCU")}) {
    CamposComunes(QStringLiteral("CIF"), true);
    CajaReferencia(5);
    TDBEdit* partido = CampoEn(QStringLiteral("Partido"), QStringLiteral("PARTIDO"), 0, 6, 200);
    partido->SetReadOnly(true);
    BtPartido = new TButton(this);
    BtPartido->SetName(QStringLiteral("BtPartido"));
    BtPartido->SetParent(this);
    BtPartido->SetBounds(Izquierda(0) + 204, Fila(6), 24, 21);
    BtPartido->SetCaption(QStringLiteral("..."));
    BtPartido->SetHint(QStringLiteral("Partido judicial"));
    BtPartido->SetVisible(false);
    BtPartido->OnClick = TNotifyEvent(this, &TProcu::BtPartidoClick);
    CampoEn(QStringLiteral("Colegiado"), QStringLiteral("COLEGIADO"), 1, 6, 80);
    Bancarios(7);
    Contadores({QStringLiteral("EXPABIERTOS"), QStringLiteral("EXPPENDIENTES"), QStringLiteral("EXPCERRADOS")},
               {QStringLiteral("Exp. Abiertos"), QStringLiteral("Exp. Pendientes"), QStringLiteral("Exp. Cerrados")}, 9);
    FijaTamano(720, Fila(10) + 8 + 36);
    ModoProcu = 0;
    Dat->refresca(Dat->TProcu);
}

TProcu::~TProcu() {
    if (Procu == this) Procu = nullptr;
}

bool TProcu::NoCierra() const { return ModoProcu > 0; }

void TProcu::TrasGuardar() {
    if (ModoProcu == 2) {
        Asigna();
        return;
    }
    if (!Referencia->Visible()) return;
    const int procu = Dat->TProcu->FieldByName(QStringLiteral("PROCU"))->AsInteger();
    // The reference belongs to the case file's agent on that side, or to the one being set.
    if (ModoProcu != 1 && Expediente(CampoProcu())->AsInteger() != procu) return;
    EditaExpediente([&] {
        Expediente(CampoReferencia())->SetAsString(Referencia->Text());
        if (ModoProcu == 1) Expediente(CampoProcu())->SetAsInteger(procu);
    });
    if (ModoProcu == 1) SetModalResult(mrOk);
}

bool TProcu::PuedeAsignar() const {
    if (Dat->TExped->IsEmpty() || Dat->TProcu->IsEmpty()) return false;
    return Dat->TProcu->FieldByName(QStringLiteral("PROCU"))->AsInteger() != Expediente(CampoProcu())->AsInteger();
}

void TProcu::Asigna() {
    const int procu = Dat->TProcu->FieldByName(QStringLiteral("PROCU"))->AsInteger();
    EditaExpediente([&] {
        Expediente(CampoProcu())->SetAsInteger(procu);
        Expediente(CampoReferencia())->SetAsString(Referencia->Text());
    });
    Close();
}

void TProcu::EstadoCambiado(TDataSetState estado) {
    TFichaPersona::EstadoCambiado(estado);
    BtPartido->SetVisible(estado == dsEdit || estado == dsInsert);
}

void TProcu::BtPartidoClick(TObject*) {
    // The list may also add, rename and delete values.
    Elige({QStringLiteral("Busca Partido Judicial"), QStringLiteral("Partidos Judiciales"), {QStringLiteral("SELECT PARTIDO as NOMBRE "), QStringLiteral("FROM PARTIDOS")}, false, QString(), {}}, true, 1,
          [](TDataSet* elegido) {
              Dat->TProcu->FieldByName(QStringLiteral("PARTIDO"))->SetAsString(elegido->FieldByName(QStringLiteral("NOMBRE"))->AsString());
          });
}

TFormRegistro::TBusqueda TProcu::Busqueda() const {
    return {QStringLiteral("Busca Procurador"), QStringLiteral("Procuradores"),
            {QStringLiteral("SELECT A.PARTIDO as CONCEPTO, B.PROCU as CODIGO, "),
             QStringLiteral("B.APELLIDOS || ',' || B.NOMBRE as NOMBRE "), QStringLiteral("FROM PARTIDOS A, PROCU B"),
             QStringLiteral("WHERE A.PARTIDO = B.PARTIDO"), QStringLiteral("ORDER BY CONCEPTO, NOMBRE")},
            true, QStringLiteral("PROCU"), {}};
}

void TProcu::ImprimeFicha() { records::Previsualiza(new TInfFicProCon(Application)); }

void TProcu::MuestraPreview(TObject* sender) { records::MuestraPreview(sender); }
