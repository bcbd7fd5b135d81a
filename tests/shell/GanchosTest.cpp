// The start-up fills every hook by which the lower layers reach the higher ones: one left empty
// silently disables its feature (a button that never enables, a fee note never offered).
#include "comun/Ganchos.h"
#include "documents/UFusion.h"
#include "shell/UPrograma.h"

#include <gtest/gtest.h>

namespace {

struct Ganchos {
    decltype(comun::AbreAgendaExpediente) AbreAgendaExpediente = comun::AbreAgendaExpediente;
    decltype(comun::CierraProcesador) CierraProcesador = comun::CierraProcesador;
    decltype(comun::ListaDeEscritos) ListaDeEscritos = comun::ListaDeEscritos;
    decltype(comun::GeneraFactura) GeneraFactura = comun::GeneraFactura;
    decltype(comun::EnviaPorCorreo) EnviaPorCorreo = comun::EnviaPorCorreo;
    decltype(comun::AbreAgendaDiaria) AbreAgendaDiaria = comun::AbreAgendaDiaria;
    decltype(comun::FijaEditor) FijaEditor = comun::FijaEditor;
    decltype(documents::DialogoExpediente) DialogoExpediente = documents::DialogoExpediente;
    decltype(documents::DialogoDespacho) DialogoDespacho = documents::DialogoDespacho;

    void Restaura() const {
        comun::AbreAgendaExpediente = AbreAgendaExpediente;
        comun::CierraProcesador = CierraProcesador;
        comun::ListaDeEscritos = ListaDeEscritos;
        comun::GeneraFactura = GeneraFactura;
        comun::EnviaPorCorreo = EnviaPorCorreo;
        comun::AbreAgendaDiaria = AbreAgendaDiaria;
        comun::FijaEditor = FijaEditor;
        documents::DialogoExpediente = DialogoExpediente;
        documents::DialogoDespacho = DialogoDespacho;
    }
};

}  // namespace

TEST(GanchosTest, StartUpFillsEveryUpwardHook) {
    const Ganchos antes;
    comun::AbreAgendaExpediente = nullptr;
    comun::CierraProcesador = nullptr;
    comun::ListaDeEscritos = nullptr;
    comun::GeneraFactura = nullptr;
    comun::EnviaPorCorreo = nullptr;
    comun::AbreAgendaDiaria = nullptr;
    comun::FijaEditor = nullptr;
    documents::DialogoExpediente = nullptr;
    documents::DialogoDespacho = nullptr;

    shell::InstalaGanchos();
    EXPECT_TRUE(comun::AbreAgendaExpediente);
    EXPECT_TRUE(comun::CierraProcesador);
    EXPECT_TRUE(comun::ListaDeEscritos);
    EXPECT_TRUE(comun::GeneraFactura);
    EXPECT_TRUE(comun::EnviaPorCorreo);
    EXPECT_TRUE(comun::AbreAgendaDiaria);
    EXPECT_TRUE(bool(comun::FijaEditor));
    EXPECT_TRUE(documents::DialogoExpediente);
    EXPECT_TRUE(documents::DialogoDespacho);

    // The office's word processor reaches the documents layer through its hook.
    const QString tipo = TipoEditor;
    comun::FijaEditor(QStringLiteral("W"));
    EXPECT_EQ(TipoEditor, QStringLiteral("W"));
    TipoEditor = tipo;
    antes.Restaura();
}
