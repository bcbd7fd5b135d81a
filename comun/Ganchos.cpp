#include "comun/Ganchos.h"

namespace comun {

std::function<void(const QString&, bool)> AbreAgendaExpediente;
std::function<void()> CierraProcesador;
std::function<void(int)> ListaDeEscritos;
std::function<void(bool)> GeneraFactura;
std::function<void(const QString&, const QString&)> EnviaPorCorreo;
std::function<void()> AbreAgendaDiaria;
TEvent<const QString&> FijaEditor;
TEvent<const QString&> LineaEstado;
TEvent<int> ProgresoApertura;

}  // namespace comun
