// The lawyer's views refused at the command itself: whatever calls it (menu, button, an item
// left enabled), a user kept to one lawyer opens no other lawyer's agenda or ledger.
#include "PrincipioFixture.h"
#include "comun/Ganchos.h"

using namespace shelltest;

namespace {

class AlcanceOrdenTest : public PrincipioTest {};

TEST_F(AlcanceOrdenTest, TheViewsOfALawyerOutOfReachRefuseToRunWhoeverCallsThem) {
    Genera(3, 20);
    Dat->TPriv->Append();
    Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->SetAsString(QStringLiteral("ANA"));
    Dat->TPriv->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(QStringLiteral("X"));
    for (const char* d : {"Expedientes", "Agenda", "Economico"}) Dat->TPriv->FieldByName(QString::fromLatin1(d))->SetAsBoolean(true);
    Dat->TPriv->FieldByName(QStringLiteral("Abogado"))->SetAsInteger(2);
    Dat->TPriv->Post();
    Muestra();
    int agendas = 0;
    const auto antes = comun::AbreAgendaDiaria;
    comun::AbreAgendaDiaria = [&] { ++agendas; };
    // What the command opened: the daily agenda, a window, a message.
    auto abre = [&](TPrincipio::TOrden orden) {
        agendas = 0;
        harness->ClearRecords();
        harness->AnswerModal(mrCancel);
        form->Ordena(orden, form.get());
        platform::forms::TFormHarness::ProcessEvents();
        return agendas + int(harness->ModalForms().size()) + int(harness->Messages().size());
    };
    auto elige = [&](int abogado) {
        form->QAbo->Locate(QStringLiteral("ABOCLI"), Variant(abogado), 0);
        form->ZbAbogados->SetValue(QString::number(abogado));
        form->ZbAbogadosChange(form.get());
    };
    const TPrincipio::TOrden vistas[] = {&TPrincipio::btAgendaClick, &TPrincipio::Agenda1Click, &TPrincipio::Economico1Click};
    elige(2);
    for (TPrincipio::TOrden orden : vistas) EXPECT_EQ(abre(orden), 1);
    elige(1);
    for (TPrincipio::TOrden orden : vistas) EXPECT_EQ(abre(orden), 0) << Texts().join(u'|').toStdString();
    comun::AbreAgendaDiaria = antes;
}

}  // namespace
