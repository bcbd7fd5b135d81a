#include "records/UAboCli.h"

#include "comun/UData.h"
#include "records/RPTFicAboCli.h"

TAboCli* AboCli = nullptr;

namespace {
QString Modo = QStringLiteral("P");
}

void TAboCli::FijaModo(const QString& modo) { Modo = modo; }
QString TAboCli::ModoAboCli() { return Modo; }

TAboCli::TAboCli(TComponent* owner)
    : records::TFichaPersona(owner, {QStringLiteral("Abogado del  Despacho"), Dat->TAboCli, Dat->DSAboCli,
                                     QStringLiteral("ABOCLI"), QStringLiteral("ABOCLI"),
                                     QStringLiteral("Abogado ya existe. ¿Confirma guardar?"), 50,
                                     QStringLiteral("NOMABOCLI")}) {
    CamposComunes(QStringLiteral("CIF"), false);
    CampoEn(QStringLiteral("Colegiado"), QStringLiteral("COLEGIADO"), 1, 5, 80);
    Bancarios(6);
    Contadores({QStringLiteral("EXPCIVIL"), QStringLiteral("EXPADM"), QStringLiteral("EXPLABORAL"),
                QStringLiteral("EXPPENAL")},
               {QStringLiteral("Exp. Civil"), QStringLiteral("Exp. Admin."), QStringLiteral("Exp. Laboral"),
                QStringLiteral("Exp. Penal")},
               8);
    FijaTamano(720, Fila(9) + 8 + 36);
    if (!Dat->TAboCli->IsEmpty()) FAbogadoInicial = Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->Value();
    OnShow = TNotifyEvent(this, &TAboCli::FormShow);
}

TAboCli::~TAboCli() {
    if (AboCli == this) AboCli = nullptr;
}

void TAboCli::FormShow(TObject*) {
    Dat->refresca(Dat->TAboCli);
    // Openers set the mode after binding the table.
    btAsigna->SetVisible(ActiveSource->DataSet() && AsignaDisponible());
}

bool TAboCli::AsignaDisponible() const { return Modo != u"P"; }

bool TAboCli::PuedeAsignar() const {
    if (Dat->TExped->IsEmpty() || Dat->TAboCli->IsEmpty()) return false;
    const int abogado = Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsInteger();
    if (Modo == u"A") return abogado != Expediente(QStringLiteral("ABOCLI"))->AsInteger();
    if (Modo == u"E") return abogado != Expediente(QStringLiteral("ABOENT"))->AsInteger();
    return false;
}

void TAboCli::Asigna() {
    const int abogado = Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsInteger();
    EditaExpediente([&] {
        if (Modo == u"A") Expediente(QStringLiteral("ABOCLI"))->SetAsInteger(abogado);
        else if (Modo == u"E") Expediente(QStringLiteral("ABOENT"))->SetAsInteger(abogado);
    });
    Close();
}

// The main window's lawyer selector and its "new" rely on the data module's lawyer: the one
// it stood on goes back there, whatever this form's search and navigation did.
void TAboCli::AlCerrar() {
    if (!FAbogadoInicial.IsNullOrEmpty()) Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), FAbogadoInicial, 0);
}

TFormRegistro::TBusqueda TAboCli::Busqueda() const {
    return {QStringLiteral("Buscar Abogado del Cliente"), QStringLiteral("Abogado Cliente"),
            {QStringLiteral("SELECT ABOCLI as CODIGO,"), QStringLiteral("APELLIDOS || ',' || NOMBRE as NOMBRE "),
             QStringLiteral("FROM ABOCLI ORDER BY NOMBRE")},
            false, QStringLiteral("ABOCLI"), {}};
}

void TAboCli::ImprimeFicha() { records::Previsualiza(new TInfFicAboCli(Application)); }

void TAboCli::MuestraPreview(TObject* sender) { records::MuestraPreview(sender); }
