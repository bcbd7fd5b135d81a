#include "records/UPerito.h"

#include "comun/UData.h"
#include "records/RPTFicPer.h"

TPerito* Perito = nullptr;

namespace {
int ModoPerito = 0;
}

void TPerito::FijaModo(int modo) { ModoPerito = modo; }

TPerito::TPerito(TComponent* owner)
    : records::TFichaPersona(owner, {QStringLiteral("Perito"), Dat->TPeritos, Dat->DSPeritos, QStringLiteral("PERITOS"),
                                     QStringLiteral("PERITO"), QStringLiteral("Perito ya existe. ¿Confirma guardar?"),
                                     220, QStringLiteral("NOMPERITO")}) {
    FRefSoloEdicion = false;
    CamposComunes(QStringLiteral("CIF"), true);
    CajaReferencia(5);
    TDBEdit* profesion = CampoEn(QStringLiteral("Profesión"), QStringLiteral("PROFESION"), 0, 6, 200);
    profesion->SetReadOnly(true);
    BtProfesion = new TButton(this);
    BtProfesion->SetName(QStringLiteral("BtProfesion"));
    BtProfesion->SetParent(this);
    BtProfesion->SetBounds(Izquierda(0) + 204, Fila(6), 24, 21);
    BtProfesion->SetCaption(QStringLiteral("..."));
    BtProfesion->SetHint(QStringLiteral("Profesión"));
    BtProfesion->SetVisible(false);
    BtProfesion->OnClick = TNotifyEvent(this, &TPerito::BtProfesionClick);
    CampoEn(QStringLiteral("Colegiado"), QStringLiteral("COLEGIADO"), 1, 6, 80);
    Bancarios(7);
    Contadores({QStringLiteral("EXPABIERTOS"), QStringLiteral("EXPPENDIENTES"), QStringLiteral("EXPCERRADOS")},
               {QStringLiteral("Exp. Abiertos"), QStringLiteral("Exp. Pendientes"), QStringLiteral("Exp. Cerrados")}, 9);
    FijaTamano(720, Fila(10) + 8 + 36);
    ModoPerito = 0;
    Dat->refresca(Dat->TPeritos);
}

TPerito::~TPerito() {
    if (Perito == this) Perito = nullptr;
}

// The case file has no reference of its own for the expert: the box writes the client's
// reference, so an empty box leaves that reference as it was.
void TPerito::EscribeReferencia() {
    if (Referencia->Text().isEmpty()) return;
    Expediente(QStringLiteral("REFCLI"))->SetAsString(Referencia->Text());
}

void TPerito::TrasGuardar() {
    if (Referencia->Visible() && !Referencia->Text().isEmpty()) EditaExpediente([&] { EscribeReferencia(); });
    if (ModoPerito == 1) {
        const int perito = Dat->TPeritos->FieldByName(QStringLiteral("PERITO"))->AsInteger();
        EditaExpediente([&] { Expediente(QStringLiteral("PERITO"))->SetAsInteger(perito); });
        SetModalResult(mrOk);
    }
}

bool TPerito::PuedeAsignar() const {
    if (Dat->TExped->IsEmpty() || Dat->TPeritos->IsEmpty()) return false;
    return Dat->TPeritos->FieldByName(QStringLiteral("PERITO"))->AsInteger() !=
           Expediente(QStringLiteral("PERITO"))->AsInteger();
}

void TPerito::Asigna() {
    const int perito = Dat->TPeritos->FieldByName(QStringLiteral("PERITO"))->AsInteger();
    EditaExpediente([&] {
        Expediente(QStringLiteral("PERITO"))->SetAsInteger(perito);
        EscribeReferencia();
    });
    Close();
}

void TPerito::EstadoCambiado(TDataSetState estado) {
    TFichaPersona::EstadoCambiado(estado);
    BtProfesion->SetVisible(estado == dsEdit || estado == dsInsert);
}

void TPerito::BtProfesionClick(TObject*) {
    // The list may also add, rename and delete values.
    Elige({QStringLiteral("Buscar Profesión"), QStringLiteral("Profesiones"), {QStringLiteral("SELECT PROFESION as NOMBRE "), QStringLiteral("FROM PROFESIONES ORDER BY NOMBRE")}, false, QString(), {}}, true, 1,
          [](TDataSet* elegido) {
              Dat->TPeritos->FieldByName(QStringLiteral("PROFESION"))->SetAsString(elegido->FieldByName(QStringLiteral("NOMBRE"))->AsString());
          });
}

TFormRegistro::TBusqueda TPerito::Busqueda() const {
    return {QStringLiteral("Busca Perito"), QStringLiteral("Peritos"),
            {QStringLiteral("SELECT A.PROFESION as CONCEPTO, B.PERITO as CODIGO, "),
             QStringLiteral("B.APELLIDOS || ',' || B.NOMBRE as NOMBRE "), QStringLiteral("FROM PROFESIONES A, PERITOS B "),
             QStringLiteral("WHERE A.PROFESION = B.PROFESION "), QStringLiteral("ORDER BY CONCEPTO, NOMBRE")},
            true, QStringLiteral("PERITO"), {}};
}

void TPerito::ImprimeFicha() { records::Previsualiza(new TInfFicPer(Application)); }

void TPerito::MuestraPreview(TObject* sender) { records::MuestraPreview(sender); }
