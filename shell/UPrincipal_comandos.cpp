// The main window's commands: the main menu, the rights that govern it, and the record commands
// that create, open and delete case files and consultations or open the forms of the office.
#include "agenda/UAgendaExp.h"
#include "agenda/UConAgenda.h"
#include "comun/Abusca.h"
#include "comun/Alcance.h"
#include "comun/Controles.h"
#include "comun/Ganchos.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "documents/UEscritos.h"
#include "documents/UExport.h"
#include "documents/UFusion.h"
#include "platform/rtl/SysUtils.h"
#include "records/BorraRegistro.h"
#include "records/UAboCli.h"
#include "records/UAbogado.h"
#include "records/UAsunto.h"
#include "records/UCliente.h"
#include "records/UConConta.h"
#include "records/UConsulta.h"
#include "records/UContrario.h"
#include "records/UEconomico.h"
#include "records/UExpediente.h"
#include "records/UNuevo.h"
#include "records/UPerito.h"
#include "records/UProcu.h"
#include "records/UbscContacto.h"
#include "reports/RPTFiltro.h"
#include "reports/RPTFiltro2.h"
#include "reports/RPTLisCli.h"
#include "reports/RPTLisCon.h"
#include "reports/RPTLisConCon.h"
#include "reports/RPTLisPod.h"
#include "reports/RPTLisProParJu.h"
#include "reports/ULimExp.h"
#include "reports/ULimTipCon.h"
#include "reports/limite3.h"
#include "reports/rptLisAbo.h"
#include "reports/rptLisConAgen.h"
#include "reports/rptLisExpCli.h"
#include "reports/rptLisExpNeg.h"
#include "reports/rptLisExpNum.h"
#include "reports/rptLisExpPro.h"
#include "reports/rptLisExpSinMov.h"
#include "reports/rptLisFac.h"
#include "reports/rptLisFacAbo.h"
#include "reports/rptLisPer.h"
#include "reports/rptLisPerPro.h"
#include "reports/rptLisPro.h"
#include "reports/rptLisProc.h"
#include "reports/rptLisProv.h"
#include "reports/rptLisProvSin.h"
#include "reports/rptLisTipDes.h"
#include "reports/rptLisTrib.h"
#include "reports/rptLisTur.h"
#include "shell/Acceso.h"
#include "shell/Rec.h"
#include "shell/UAcercaDe.h"
#include "shell/UEmpresa.h"
#include "shell/UPrincipal.h"
#include "shell/UPrivacidad.h"
#include "shell/UPrograma.h"

#include <QFileInfo>
#include <algorithm>
#include <QProcess>
#include <memory>

namespace {

using comun::F;

bool Derecho(const char* derecho) { return F(Dat->TPriv, derecho)->AsBoolean(); }

// Runs one statement of emptying the data.
void Ejecuta(const QString& sql) {
    TQuery q(nullptr);
    q.SetDatabaseName(QStringLiteral("ZEMBRA"));
    q.SQL()->SetText(sql);
    q.ExecSQL();
}

}  // namespace

// ---------------------------------------------------------------------------------------------- menu

void TPrincipio::CreaMenuPrincipal() {
    using T = TPrincipio;
    const QString n;
    MainMenu1 = new TMainMenu(this);
    MainMenu1->SetName(QStringLiteral("MainMenu1"));
    ConfigurarImpresora = new TPrinterSetupDialog(this);
    ConfigurarImpresora->SetName(QStringLiteral("ConfigurarImpresora"));
    auto separador = [&](TMenuItem* m) { Item(m, n, QStringLiteral("-"), nullptr); };

    Archivo1 = Item(MainMenu1, QStringLiteral("Archivo1"), QStringLiteral("&Archivo"), nullptr);
    Despacho1 = Item(Archivo1, QStringLiteral("Despacho1"), QStringLiteral("&Datos Despacho"), &T::Despacho1Click);
    AbogadosDespacho1 = Item(Archivo1, QStringLiteral("AbogadosDespacho1"), QStringLiteral("&Abogados Despacho"),
                             &T::AbogadosDespacho1Click);
    separador(Archivo1);
    Clientes1 = Item(Archivo1, QStringLiteral("Clientes1"), QStringLiteral("&Clientes"), &T::Clientes1Click);
    Contrarios1 = Item(Archivo1, QStringLiteral("Contrarios1"), QStringLiteral("C&ontrarios"), &T::Contrarios1Click);
    Abogados1 = Item(Archivo1, QStringLiteral("Abogados1"), QStringLiteral("A&bogados"), &T::Abogados1Click);
    Procuradores1 = Item(Archivo1, QStringLiteral("Procuradores1"), QStringLiteral("P&rocuradores"), &T::Procuradores1Click);
    Peritos1 = Item(Archivo1, QStringLiteral("Peritos1"), QStringLiteral("P&eritos"), &T::Peritos1Click);
    separador(Archivo1);
    ConceptosContables1 = Item(Archivo1, QStringLiteral("ConceptosContables1"), QStringLiteral("Co&nceptos Contables"),
                               &T::ConceptosContables1Click);
    AnotacionesAgenda1 = Item(Archivo1, QStringLiteral("AnotacionesAgenda1"), QStringLiteral("Ano&taciones Agenda"),
                              &T::AnotacionesAgenda1Click);
    separador(Archivo1);
    Impresora1 = Item(Archivo1, QStringLiteral("Impresora1"), QStringLiteral("&Impresora"), &T::Impresora1Click);
    separador(Archivo1);
    Salir1 = Item(Archivo1, QStringLiteral("Salir1"), QStringLiteral("&Salir"), &T::btSalirClick);
    Salir1->SetHint(QStringLiteral("Salir del Programa"));

    Expedientes1 = Item(MainMenu1, QStringLiteral("Expedientes1"), QStringLiteral("&Expedientes"), nullptr);
    Nuevo1 = Item(Expedientes1, QStringLiteral("Nuevo1"), QStringLiteral("Nuevo"), &T::Nuevo1Click);
    Abrir2 = Item(Expedientes1, QStringLiteral("Abrir2"), QStringLiteral("Abrir"), &T::Abrir2Click);
    Borrar1 = Item(Expedientes1, QStringLiteral("Borrar1"), QStringLiteral("Borrar"), &T::Borrar1Click);
    Consultas1 = Item(MainMenu1, QStringLiteral("Consultas1"), QStringLiteral("&Consultas"), nullptr);
    Nuevo2 = Item(Consultas1, QStringLiteral("Nuevo2"), QStringLiteral("Nuevo"), &T::Nuevo2Click);
    Abrir3 = Item(Consultas1, QStringLiteral("Abrir3"), QStringLiteral("Abrir"), &T::Abrir3Click);
    Borrar2 = Item(Consultas1, QStringLiteral("Borrar2"), QStringLiteral("Borrar"), &T::Borrar2Click);

    Herramientas1 = Item(MainMenu1, QStringLiteral("Herramientas1"), QStringLiteral("&Herramientas"), nullptr);
    AgendaDiaria = Item(Herramientas1, QStringLiteral("AgendaDiaria"), QStringLiteral("Agenda Diaria"), &T::btAgendaClick);
    Escritos = Item(Herramientas1, QStringLiteral("Escritos"), QStringLiteral("&Escritos"), &T::btEscritosClick);
    Exportar = Item(Herramientas1, QStringLiteral("Exportar"), QStringLiteral("&Exportar .."), &T::ExportarClick);
    separador(Herramientas1);
    Recuentos2 = Item(Herramientas1, QStringLiteral("Recuentos2"), QStringLiteral("&Recuentos"), &T::Recuentos2Click);
    Accesos1 = Item(Herramientas1, QStringLiteral("Accesos1"), QStringLiteral("&Privacidad"), &T::Accesos1Click);
    CambiodeUsuario1 = Item(Herramientas1, QStringLiteral("CambiodeUsuario1"), QStringLiteral("Cambio de &Usuario"),
                            &T::CambiodeUsuario1Click);
    separador(Herramientas1);
    Limpiardatos1 = Item(Herramientas1, QStringLiteral("Limpiardatos1"), QStringLiteral("&Vaciar Tablas"), &T::Limpiardatos1Click);

    Informes1 = Item(MainMenu1, QStringLiteral("Informes1"), QStringLiteral("&Informes"), nullptr);
    CreaMenuInformes(Informes1);
    Utilidades1 = Item(MainMenu1, QStringLiteral("Utilidades1"), QStringLiteral("&Utilidades"), nullptr);
    Legislacion = Item(Utilidades1, QStringLiteral("Legislacion"), QStringLiteral("&Legislación"), &T::LegislacionClick);
    Ayuda2 = Item(MainMenu1, QStringLiteral("Ayuda2"), QStringLiteral("A&yuda"), nullptr);
    Ayuda1 = Item(Ayuda2, QStringLiteral("Ayuda1"), QStringLiteral("Ayuda .."), &T::Ayuda1Click);
    Acercade1 = Item(Ayuda2, QStringLiteral("Acercade1"), QStringLiteral("Acerca de ..."), &T::Acercade1Click);
    SetMenu(MainMenu1);
}

void TPrincipio::CreaMenuInformes(TMenuItem* informes) {
    using T = TPrincipio;
    const QString n;
    auto item = [&](TMenuItem* m, const char* nombre, const char* caption, void (T::*click)(TObject*)) {
        TMenuItem* i = Item(m, QString::fromLatin1(nombre), QString::fromUtf8(caption), click);
        if (!click) i->SetEnabled(false);
        return i;
    };
    item(informes, "Clientes2", "&Clientes", &T::Clientes2Click);
    item(informes, "Contrarios2", "Con&trarios", &T::Contrarios2Click);
    item(informes, "Abogados2", "&Abogados", &T::Abogados2Click);
    TMenuItem* procuradores = item(informes, "Procuradores2", "&Procuradores", nullptr);
    procuradores->SetEnabled(true);
    item(procuradores, "Alfabtico1", "&Alfabético", &T::Alfabtico1Click);
    item(procuradores, "PorPartido1", "&Por Partido", &T::PorPartido1Click);
    TMenuItem* peritos = item(informes, "Peritos2", "Pe&ritos", nullptr);
    peritos->SetEnabled(true);
    item(peritos, "Alfabtico2", "&Alfabético", &T::Alfabtico2Click);
    item(peritos, "PorProfesin1", "&Por Profesión", &T::PorProfesin1Click);
    item(informes, "Poderes1", "Po&deres", &T::Poderes1Click);
    Item(informes, n, QStringLiteral("-"), nullptr);
    item(informes, "ProvisionesdeFondos1", "Con Provisiones de &Fondos", &T::ProvisionesdeFondos1Click);
    item(informes, "SinProvisionesdeFondos1", "Sin Provisiones de Fondos", &T::SinProvisionesdeFondos1Click);
    TMenuItem* expedientes = item(informes, "Expedientes2", "&Expedientes", nullptr);
    expedientes->SetEnabled(true);
    item(expedientes, "PorNmero1", "Por &Número", &T::PorNmero1Click);
    item(expedientes, "PorProcuradordelDespacho1", "Por &Abogado del Despacho", &T::PorProcuradordelDespacho1Click);
    item(expedientes, "PorCliente1", "Por &Cliente", &T::PorCliente1Click);
    item(expedientes, "ConSaldoPositivo1", "Con &Saldo Positivo", &T::ConSaldoPositivo1Click);
    item(expedientes, "SinMovimientos1", "Sin Movimientos", &T::SinMovimientos1Click);
    TMenuItem* facturas = item(informes, "Facturas1", "&Facturas", nullptr);
    facturas->SetEnabled(true);
    item(facturas, "General1", "&General", &T::General1Click);
    item(facturas, "PorNmero2", "Por &Número", &T::PorNmero2Click);
    item(facturas, "SinNmero1", "&Sin Número", &T::SinNmero1Click);
    item(facturas, "PorAbogadodeEntrada1", "Por &Abogado de Entrada", &T::PorAbogadodeEntrada1Click);
    Item(informes, n, QStringLiteral("-"), nullptr);
    item(informes, "ConceptosContables2", "Conceptos Conta&bles", &T::ConceptosContables2Click);
    item(informes, "Agenda2", "Conceptos A&genda", &T::Agenda2Click);
    TMenuItem* otros = item(informes, "Otros1", "&Otros", nullptr);
    otros->SetEnabled(true);
    item(otros, "Procedimientos1", "&Procedimientos", &T::Procedimientos1Click);
    item(otros, "Tribunales1", "&Tribunales", &T::Tribunales1Click);
    item(otros, "TiposdeDespachos1", "Tipos de C&onsultas", &T::TiposdeDespachos1Click);
    item(otros, "DesinosdeDespachos1", "&Tipos de Apuntes de Agenda", &T::DesinosdeDespachos1Click);
}

// ---------------------------------------------------------------------------------------------- rights

namespace {

using T = TPrincipio;

// What a command needs: its right, and for the agenda and the ledger the lawyer shown being one
// the user may reach. A command missing here needs no right.
struct TDerechoOrden {
    T::TOrden Orden;
    const char* Derecho;
    bool DelAbogado = false;
};

const TDerechoOrden Ordenes[] = {
    {&T::Despacho1Click, "General"}, {&T::AbogadosDespacho1Click, "General"}, {&T::Clientes1Click, "General"},
    {&T::Contrarios1Click, "General"}, {&T::Abogados1Click, "General"}, {&T::Procuradores1Click, "General"},
    {&T::Peritos1Click, "General"}, {&T::ConceptosContables1Click, "General"}, {&T::AnotacionesAgenda1Click, "General"},
    {&T::Accesos1Click, "Privacidad"},
    // Emptying the office's data is for those who may manage its users.
    {&T::Limpiardatos1Click, "Privacidad"},
    {&T::btEscritosClick, "Modelos"},
    {&T::btImprimirClick, "Listados"}, {&T::Clientes2Click, "Listados"}, {&T::Contrarios2Click, "Listados"},
    {&T::Abogados2Click, "Listados"}, {&T::Alfabtico1Click, "Listados"}, {&T::PorPartido1Click, "Listados"},
    {&T::Alfabtico2Click, "Listados"}, {&T::PorProfesin1Click, "Listados"}, {&T::Poderes1Click, "Listados"},
    {&T::ProvisionesdeFondos1Click, "Listados"}, {&T::SinProvisionesdeFondos1Click, "Listados"},
    {&T::PorNmero1Click, "Listados"}, {&T::PorProcuradordelDespacho1Click, "Listados"}, {&T::PorCliente1Click, "Listados"},
    {&T::ConSaldoPositivo1Click, "Listados"}, {&T::SinMovimientos1Click, "Listados"}, {&T::General1Click, "Listados"},
    {&T::PorNmero2Click, "Listados"}, {&T::SinNmero1Click, "Listados"}, {&T::PorAbogadodeEntrada1Click, "Listados"},
    {&T::ConceptosContables2Click, "Listados"}, {&T::Agenda2Click, "Listados"}, {&T::Procedimientos1Click, "Listados"},
    {&T::Tribunales1Click, "Listados"}, {&T::TiposdeDespachos1Click, "Listados"}, {&T::DesinosdeDespachos1Click, "Listados"},
    // The case files' record commands, the views of a case file and the case-file criteria.
    {&T::Nuevo1Click, "Expedientes"}, {&T::Abrir2Click, "Expedientes"}, {&T::Borrar1Click, "Expedientes"},
    {&T::Cliente1Click, "Expedientes"}, {&T::AbogadoCliente1Click, "Expedientes"},
    {&T::ProcuradorCliente1Click, "Expedientes"}, {&T::Contrario1Click, "Expedientes"},
    {&T::AbogadoContrario1Click, "Expedientes"}, {&T::ProcuradorContrario1Click, "Expedientes"},
    {&T::Perito1Click, "Expedientes"}, {&T::Asunto1Click, "Expedientes"}, {&T::Cliente2Click, "Expedientes"},
    {&T::AbogadoCliente2Click, "Expedientes"}, {&T::Contrario2Click, "Expedientes"},
    {&T::AbogadoContrario2Click, "Expedientes"}, {&T::ProcuradorContrario2Click, "Expedientes"},
    {&T::Perito2Click, "Expedientes"}, {&T::Procedimiento1Click, "Expedientes"}, {&T::Tribunal1Click, "Expedientes"},
    {&T::NdeAutos1Click, "Expedientes"}, {&T::Abiertos1Click, "Expedientes"}, {&T::Facturados1Click, "Expedientes"},
    {&T::Cerrados1Click, "Expedientes"},
    {&T::Nuevo2Click, "Consulta"}, {&T::Abrir3Click, "Consulta"}, {&T::Borrar2Click, "Consulta"},
    {&T::PorCliente2Click, "Consulta"}, {&T::PorProcurador1Click, "Consulta"}, {&T::PorTipoDespacho1Click, "Consulta"},
    {&T::Presentado1Click, "Consulta"}, {&T::Devuelto1Click, "Consulta"}, {&T::Cobrado1Click, "Consulta"},
    {&T::btAgendaClick, "Agenda", true}, {&T::Agenda1Click, "Agenda", true},
    {&T::Economico1Click, "Economico", true},
};

}  // namespace

bool TPrincipio::Permite(TOrden orden) {
    for (const TDerechoOrden& o : Ordenes) {
        if (o.Orden != orden) continue;
        if (o.DelAbogado) {
            if (!AlcanzaAbogado(o.Derecho)) return false;
            // A case file's views need its own lawyer in reach: with every lawyer listed the
            // selector says nothing of the row, and the reach may have narrowed since it was read.
            if (orden == &T::btAgendaClick || !TExped->Active() || TExped->IsEmpty()) return true;
            return comun::Alcanza(F(TExped, "ABOCLI")->AsInteger());
        }
        if (!Derecho(o.Derecho)) return false;
        // The models also need the data folder and a word processor.
        if (orden == &T::btEscritosClick) return !CarpetaDatosBarra.isEmpty() && !CarpetaDatos.isEmpty() && HayWord;
        return true;
    }
    return true;
}

void TPrincipio::Ordena(TOrden orden, TObject* sender) {
    if (Permite(orden)) (this->*orden)(sender);
    // Refused from a command still offered: the rights changed meanwhile (another workstation),
    // and the menus follow them instead of offering what does nothing.
    else RenuevaPermisos();
}

void TPrincipio::RenuevaPermisos() {
    AplicaPermisos();
    PaginasChange(this);
}

// ---------------------------------------------------------------------------------------------- helpers

bool TPrincipio::AbogadoElegido() {
    if (ZbAbogados->Visible() && ZbAbogados->GetDisplayText() == u"TODOS") {
        MensajeError(QStringLiteral("Debe Seleccionar un ABOGADO"));
        return false;
    }
    return true;
}

bool TPrincipio::AlcanzaAbogado(const char* derecho) {
    if (!Derecho(derecho)) return false;
    const int abogado = comun::AbogadoUsuario();
    return abogado == comun::TodosLosAbogados ||
           (!Dat->TAboCli->IsEmpty() && comun::Alcanza(abogado, F(Dat->TAboCli, "ABOCLI")->AsInteger()));
}

bool TPrincipio::SituaExpediente() {
    if (!TExped->Active() || TExped->IsEmpty()) return false;
    return Dat->TExped->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({F(TExped, "ANO")->Value(), F(TExped, "NUMERO")->Value()}), 0);
}

bool TPrincipio::SituaConsulta() {
    if (!TConsul->Active() || TConsul->IsEmpty()) return false;
    return Dat->TConsultas->Locate(QStringLiteral("ANO;NUMERO"),
                                   VarArrayOf({F(TConsul, "ANO")->Value(), F(TConsul, "NUMERO")->Value()}), 0);
}

// ---------------------------------------------------------------------------------------------- case files

// The new-record dialog with the year's proposed number; true with the key of the record it made.
bool TPrincipio::NuevoRegistro(const QString& caption, QString& ano, QString& numero) {
    SigueAlCalendario();
    if (!AbogadoElegido()) return false;
    // The new record is the shown lawyer's: one the user may not reach would be lost to them at once.
    const int abocli = Dat->TAboCli->Active() && !Dat->TAboCli->IsEmpty() ? F(Dat->TAboCli, "ABOCLI")->AsInteger() : 0;
    if (!comun::Alcanza(abocli)) {
        MensajeError(caption == TNuevoExp::CaptionConsulta ? QStringLiteral("No tiene permisos para crear Consultas de éste ABOGADO")
                                                           : QStringLiteral("No tiene permisos para crear Expedientes de éste ABOGADO"));
        return false;
    }
    std::unique_ptr<TNuevoExp> dlg(new TNuevoExp(nullptr));
    NuevoExp = dlg.get();
    dlg->Prepara(caption);
    if (dlg->ShowModal() != mrOk) return false;
    ano = dlg->AnoActual->Text();
    numero = dlg->Expediente->Text();
    return true;
}

void TPrincipio::Nuevo1Click(TObject*) {
    QString ano, numero;
    if (!NuevoRegistro(TNuevoExp::CaptionExpediente, ano, numero)) return;
    Dat->TExped->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(ano), Variant(numero)}), 0);
    AbreExpediente();
}

void TPrincipio::Abrir2Click(TObject*) {
    if (!SituaExpediente()) {
        MensajeError(QStringLiteral("No hay EXPEDIENTES"));
        return;
    }
    AbreExpediente();
}

void TPrincipio::AbreExpediente() {
    Expediente = new TExpediente(Application);
    Expediente->ShowModal();
    // Read before the refresh: the grid's row change moves Dat's cursor to the grid's own row.
    const bool hay = !Dat->TExped->IsEmpty();
    const Variant clave = hay ? VarArrayOf({F(Dat->TExped, "ANO")->Value(), F(Dat->TExped, "NUMERO")->Value()}) : Variant();
    // An invoice made in the form may have moved the working year to the new one.
    SigueAlCalendario();
    RefrescaExpedientes();
    if (hay) TExped->Locate(QStringLiteral("ANO;NUMERO"), clave, 0);
}

void TPrincipio::Borrar1Click(TObject*) {
    if (!SituaExpediente()) {
        MensajeError(QStringLiteral("Expediente NO EXISTE"));
        return;
    }
    const QString ano = F(Dat->TExped, "ANO")->AsString(), numero = F(Dat->TExped, "NUMERO")->AsString();
    if (!MensajeConfirmacion(QStringLiteral("BORRAR Expediente ") + ano + QLatin1Char('/') + numero)) return;
    // Asked before the database is held for writing: other workstations never wait on this box.
    const bool apuntes = MensajeConfirmacion(QStringLiteral("BORRAR apuntes Económicos y de Agenda"));
    try {
        records::BorraExpediente(apuntes);
    } catch (const std::exception&) {
        // Without the data the list is not read again: it would wait on the dead link once more.
        const bool sinBase = comun::FalloDeLaBase();
        comun::InformaFallo(QStringLiteral("ERROR al BORRAR EXPEDIENTE"));
        if (sinBase) return;
    }
    RefrescaExpedientes();
}

// ---------------------------------------------------------------------------------------------- consultations

void TPrincipio::Nuevo2Click(TObject*) {
    QString ano, numero;
    if (!NuevoRegistro(TNuevoExp::CaptionConsulta, ano, numero)) return;
    Dat->TConsultas->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(ano), Variant(numero)}), 0);
    AbreConsulta();
}

void TPrincipio::Abrir3Click(TObject*) {
    if (!SituaConsulta()) {
        MensajeError(QStringLiteral("No hay CONSULTAS"));
        return;
    }
    AbreConsulta();
}

void TPrincipio::AbreConsulta() {
    Consulta = new TConsulta(Application);
    Consulta->activaEdicion(true);
    Consulta->ShowModal();
    const bool hay = !Dat->TConsultas->IsEmpty();
    const Variant clave = hay ? VarArrayOf({F(Dat->TConsultas, "ANO")->Value(), F(Dat->TConsultas, "NUMERO")->Value(),
                                            F(Dat->TConsultas, "ABOCLI")->Value()})
                              : Variant();
    SigueAlCalendario();  // as after a case file's form
    RefrescaConsultas();
    if (hay) TConsul->Locate(QStringLiteral("ANO;NUMERO;ABOCLI"), clave, 0);
}

void TPrincipio::Borrar2Click(TObject*) {
    if (!SituaConsulta()) {
        MensajeError(QStringLiteral("Consulta NO EXISTE"));
        return;
    }
    const QString ano = F(Dat->TConsultas, "ANO")->AsString(), numero = F(Dat->TConsultas, "NUMERO")->AsString();
    if (!MensajeConfirmacion(QStringLiteral("BORRAR Consulta ") + ano + QLatin1Char('/') + numero)) return;
    const bool apuntes = MensajeConfirmacion(QStringLiteral("BORRAR apuntes de Agenda"));
    try {
        records::BorraConsulta(apuntes);
    } catch (const std::exception&) {
        // Without the data the list is not read again: it would wait on the dead link once more.
        const bool sinBase = comun::FalloDeLaBase();
        comun::InformaFallo(QStringLiteral("ERROR al BORRAR CONSULTA"));
        if (sinBase) return;
    }
    RefrescaConsultas();
}

// ---------------------------------------------------------------------------------------------- views of a case file

bool TPrincipio::EligeParteDelExpediente(bool clientes, int& codigo) {
    const QString tabla = clientes ? QStringLiteral("CLIENTE") : QStringLiteral("CONTRARIO");
    std::unique_ptr<TBuscar> d(new TBuscar(nullptr));
    d->QBusca->Close();
    d->QBusca->SQL()->Clear();
    d->QBusca->SQL()->Add(QStringLiteral("SELECT A.") + tabla + QStringLiteral(" as CODIGO,"));
    d->QBusca->SQL()->Add(QStringLiteral("B.APELLIDOS || ',' || B.NOMBRE as NOMBRE "));
    d->QBusca->SQL()->Add(clientes ? QStringLiteral("FROM EXPCLI A, CLIENTES B ") : QStringLiteral("FROM EXPCON A, CONTRARIOS B "));
    d->QBusca->SQL()->Add(QStringLiteral("WHERE A.") + tabla + QStringLiteral(" = B.") + tabla + QLatin1Char(' '));
    d->QBusca->SQL()->Add(QStringLiteral("  AND A.ANO = :ANO AND A.NUMERO = :NUMERO "));
    d->QBusca->SQL()->Add(QStringLiteral("ORDER BY NOMBRE"));
    d->QBusca->ParamByName(QStringLiteral("ANO"))->SetAsString(F(TExped, "ANO")->AsString());
    d->QBusca->ParamByName(QStringLiteral("NUMERO"))->SetAsString(F(TExped, "NUMERO")->AsString());
    d->QBusca->Open();
    d->SetCaption(clientes ? QStringLiteral("Buscar Cliente") : QStringLiteral("Buscar Contrario"));
    d->Inicia(clientes ? QStringLiteral("Clientes del Expediente") : QStringLiteral("Contrarios del Expediente"), false, 0);
    if (d->ShowModal() != mrOk || d->QBusca->IsEmpty()) return false;
    codigo = F(d->QBusca, "CODIGO")->AsInteger();
    return true;
}

void TPrincipio::VerParte(const char* campo, const QString& mensaje, TFormRegistro* (*crea)(), TDataSet* personas,
                          const char* clave, const char* referencia, const QString& caption) {
    if (!TExped->Active() || TExped->IsEmpty()) return;
    int codigo = F(TExped, campo)->AsInteger();
    if (codigo == 0) {
        ShowMessage(mensaje);
        return;
    }
    const bool cliente = qstrcmp(campo, "CLIENTE") == 0;
    if (cliente || qstrcmp(campo, "CONTRARIO") == 0)
        if (!EligeParteDelExpediente(cliente, codigo)) return;
    // A party deleted since it was assigned: the form would show whoever the table stands on.
    if (!personas->Locate(QString::fromLatin1(clave), Variant(codigo), 0)) {
        ShowMessage(mensaje);
        return;
    }
    TFormRegistro* f = crea();
    f->activaEdicion(false);
    if (!caption.isEmpty()) f->SetCaption(caption);
    if (auto* ficha = dynamic_cast<records::TFichaPersona*>(f); ficha && ficha->Referencia && referencia)
        ficha->Referencia->SetText(F(TExped, referencia)->AsString());
    f->btAsigna->SetVisible(false);
    f->btBuscar->SetVisible(false);
    f->ShowModal();
}

void TPrincipio::Cliente1Click(TObject*) {
    VerParte("CLIENTE", QStringLiteral("No tiene CLIENTE asignado"), [] {
        TCliente::FijaModo(0);
        return static_cast<TFormRegistro*>(Cliente = new TCliente(Application));
    }, Dat->TClientes, "CLIENTE", "REFCLI");
}

void TPrincipio::AbogadoCliente1Click(TObject*) {
    VerParte("ABOCLI", QStringLiteral("No tiene ABOGADO DEL CLIENTE asignado"), [] {
        return static_cast<TFormRegistro*>(AboCli = new TAboCli(Application));
    }, Dat->TAboCli, "ABOCLI", nullptr);
}

void TPrincipio::ProcuradorCliente1Click(TObject*) {
    VerParte("PROCLI", QStringLiteral("No tiene PROCURADOR DEL CLIENTE asignado"), [] {
        TProcu::FijaModo(0);
        return static_cast<TFormRegistro*>(Procu = new TProcu(Application));
    }, Dat->TProcu, "PROCU", "REFPROCLI", QStringLiteral("Procurador del Cliente"));
}

void TPrincipio::Contrario1Click(TObject*) {
    VerParte("CONTRARIO", QStringLiteral("No tiene CONTRARIO asignado"), [] {
        TContrario::FijaModo(0);
        return static_cast<TFormRegistro*>(Contrario = new TContrario(Application));
    }, Dat->TContrarios, "CONTRARIO", "REFCON");
}

void TPrincipio::AbogadoContrario1Click(TObject*) {
    VerParte("ABOCON", QStringLiteral("No tiene ABOGADO DEL CONTRARIO asignado"), [] {
        return static_cast<TFormRegistro*>(Abogado = new TAbogado(Application));
    }, Dat->TAbogados, "ABOGADO", "REFABOCON");
}

void TPrincipio::ProcuradorContrario1Click(TObject*) {
    VerParte("PROCON", QStringLiteral("No tiene PROCURADOR CONTRARIO asignado"), [] {
        TProcu::FijaModo(0);
        return static_cast<TFormRegistro*>(Procu = new TProcu(Application));
    }, Dat->TProcu, "PROCU", "REFPROCON", QStringLiteral("Procurador Contrario"));
}

void TPrincipio::Perito1Click(TObject*) {
    // The case file keeps no reference of its own for the expert: the client's is shown.
    VerParte("PERITO", QStringLiteral("No tiene PERITO asignado"), [] {
        return static_cast<TFormRegistro*>(Perito = new TPerito(Application));
    }, Dat->TPeritos, "PERITO", "REFCLI");
}

void TPrincipio::Asunto1Click(TObject*) {
    if (!SituaExpediente()) {
        MensajeError(QStringLiteral("No hay expedientes"));
        return;
    }
    Asunto = new TAsunto(Application);
    Asunto->activaEdicion(false);
    Asunto->ShowModal();
}

void TPrincipio::Agenda1Click(TObject*) {
    if (!SituaExpediente()) {
        MensajeError(QStringLiteral("No hay expedientes"));
        return;
    }
    agenda::AbreAgendaExpediente(QStringLiteral("Agenda del Expediente ") + F(Dat->TExped, "ANO")->AsString() + QLatin1Char('/') +
                                     F(Dat->TExped, "NUMERO")->AsString(),
                                 false);
}

void TPrincipio::Economico1Click(TObject*) {
    if (!SituaExpediente()) {
        MensajeError(QStringLiteral("No hay expedientes"));
        return;
    }
    Economico = new TEconomico(Application);
    Economico->ActivaNavegacion(false);
    Economico->SetCaption(QStringLiteral("Situación Económica de ") + F(Dat->TExped, "ANO")->AsString() + QLatin1Char('/') +
                          F(Dat->TExped, "NUMERO")->AsString());
    Economico->ShowModal();
}

// ---------------------------------------------------------------------------------------------- archive

void TPrincipio::ArchivoPersonas(TFormRegistro* f, const QString& caption) {
    f->activaEdicion(true);
    if (!caption.isEmpty()) f->SetCaption(caption);
    if (auto* ficha = dynamic_cast<records::TFichaPersona*>(f)) {
        if (ficha->LabelRefe) ficha->LabelRefe->SetVisible(false);
        if (ficha->Referencia) ficha->Referencia->SetVisible(false);
    }
    f->btAsigna->SetVisible(false);
    f->ShowModal();
    // The lists name people through their cards: a name changed there shows on them now.
    RefrescaEnSuFila();
}

void TPrincipio::Clientes1Click(TObject*) {
    TCliente::FijaModo(0);
    ArchivoPersonas(Cliente = new TCliente(Application), QString());
}

void TPrincipio::Contrarios1Click(TObject*) {
    TContrario::FijaModo(0);
    ArchivoPersonas(Contrario = new TContrario(Application), QStringLiteral("Contrarios"));
}

void TPrincipio::Abogados1Click(TObject*) { ArchivoPersonas(Abogado = new TAbogado(Application), QStringLiteral("Abogados")); }

void TPrincipio::Procuradores1Click(TObject*) {
    TProcu::FijaModo(0);
    ArchivoPersonas(Procu = new TProcu(Application), QStringLiteral("Procurador"));
}

void TPrincipio::Peritos1Click(TObject*) { ArchivoPersonas(Perito = new TPerito(Application), QStringLiteral("Peritos")); }

void TPrincipio::AbogadosDespacho1Click(TObject*) {
    TAboCli::FijaModo(QStringLiteral("P"));
    AboCli = new TAboCli(Application);
    AboCli->activaEdicion(true);
    AboCli->ShowModal();
    // The list under "TODOS" must be every lawyer's, not the deleted one's; otherwise it names a
    // lawyer renamed there as now.
    if (RecargaAbogados()) RefrescaPagina();
    else RefrescaEnSuFila();
}

void TPrincipio::Impresora1Click(TObject*) { ConfigurarImpresora->Execute(); }

void TPrincipio::btSalirClick(TObject*) { Close(); }

// ---------------------------------------------------------------------------------------------- tools

// Opened from the main window: the models are edited, no record is attached.
void TPrincipio::btEscritosClick(TObject*) { AbreListaEscritos(0); }

void TPrincipio::ExportarClick(TObject*) {
    std::unique_ptr<TFExport> f(new TFExport(nullptr));
    f->ShowModal();
}

void TPrincipio::SpeedItem1Click(TObject*) {
    FContacto = new TFContacto(Application);
    FContacto->ShowModal();
    FContacto->Release();
    // The address book opens the people's cards too.
    RefrescaEnSuFila();
}

void TPrincipio::Accesos1Click(TObject*) {
    const TBookmark usuario = Dat->TPriv->GetBookmark();
    {
        std::unique_ptr<TFPrivacidad> f(new TFPrivacidad(nullptr));
        FPrivacidad = f.get();
        f->activaEdicion(true);
        f->ShowModal();
    }
    // Back on the user who is logged in, whatever the form left current; the rights it may
    // have changed of its own take effect now.
    if (Dat->TPriv->BookmarkValid(usuario)) Dat->TPriv->GotoBookmark(usuario);
    RenuevaPermisos();
}

void TPrincipio::CambiodeUsuario1Click(TObject*) {
    const TBookmark anterior = Dat->TPriv->GetBookmark();
    std::unique_ptr<TEntrada> login(new TEntrada(nullptr));
    Entrada = login.get();
    const int r = login->ShowModal();
    login.reset();
    if (r == mrNo || r != mrOk) {
        // The previous user keeps their identity and rights.
        if (Dat->TPriv->BookmarkValid(anterior)) Dat->TPriv->GotoBookmark(anterior);
        if (r == mrNo) MensajeError(QStringLiteral("Identificación incorrecta"));
        return;
    }
    // The rights may have hidden the page shown: its commands follow the page now shown.
    RenuevaPermisos();
}

void TPrincipio::btHelpClick(TObject*) { Application->HelpCommand(HELP_CONTENTS, 0); }

void TPrincipio::Ayuda1Click(TObject*) { Application->HelpCommand(HELP_CONTENTS, 0); }

void TPrincipio::Acercade1Click(TObject*) {
    auto* a = new TAcerca(Application);
    a->ShowModal();
}

void TPrincipio::LegislacionClick(TObject*) {
    // One program path, started directly: it may hold blanks and never passes through a shell.
    const QString programa = Dat->TSistem->FieldByName(QStringLiteral("CDROM"))->AsString();
    const QFileInfo fi(programa);
    if (programa.trimmed().isEmpty() || !fi.isFile() || !fi.isExecutable() ||
        !QProcess::startDetached(programa, QStringList(), fi.absolutePath()))
        MensajeError(QStringLiteral("No puedo ejecutar ") + programa);
}

void TPrincipio::Limpiardatos1Click(TObject*) {
    if (!MensajeConfirmacion(QStringLiteral("¿Desea Borrar TODOS los Datos de la Aplicación?"))) return;
    try {
        // All of it or none: a failure half-way leaves the office's data as it was.
        Dat->EnTransaccion([] {
            for (const char* t : {"ESCRITOS", "AGENDA", "CUENTAS", "EXPED", "EXPCLI", "EXPCON", "ABOCLI", "ABOGADOS",
                                  "CLIENTES", "CONTRARIOS", "PROCU", "PERITOS"})
                Ejecuta(QStringLiteral("DELETE FROM ") + QString::fromLatin1(t));
        });
    } catch (const std::exception& e) {
        MensajeError(QStringLiteral("No se han borrado los datos: ") + QString::fromUtf8(e.what()));
        return;
    }
    Dat->RefrescaTablas();
    // The selector would still offer the deleted lawyers, and new files would get none.
    RecargaAbogados();
    ShowMessage(QStringLiteral("Borrado"));
    RefrescaPagina();
}

// ---------------------------------------------------------------------------------------------- reports

void TPrincipio::Clientes2Click(TObject*) { reports::RPTLisCli(); }
void TPrincipio::Contrarios2Click(TObject*) { reports::RPTLisCon(); }
void TPrincipio::Abogados2Click(TObject*) { reports::rptLisAbo(); }
void TPrincipio::Alfabtico1Click(TObject*) { reports::rptLisPro(); }
void TPrincipio::PorPartido1Click(TObject*) { reports::RPTLisProParJu(); }
void TPrincipio::Alfabtico2Click(TObject*) { reports::rptLisPer(); }
void TPrincipio::PorProfesin1Click(TObject*) { reports::rptLisPerPro(); }
void TPrincipio::Agenda2Click(TObject*) { reports::rptLisConAgen(); }

void TPrincipio::btAgendaClick(TObject*) {
    // Dat->TAboCli already stands on the lawyer of the selector.
    if (!AbogadoElegido() || Dat->TAboCli->IsEmpty() || !comun::AbreAgendaDiaria) return;
    comun::AbreAgendaDiaria();
    // The case files opened from the agenda may come back invoiced, closed, linked or with other
    // people: the list shows them as they are now.
    RefrescaEnSuFila();
}
void TPrincipio::Procedimientos1Click(TObject*) { reports::rptLisProc(); }
void TPrincipio::Tribunales1Click(TObject*) { reports::rptLisTrib(); }
void TPrincipio::TiposdeDespachos1Click(TObject*) { reports::rptLisTipDes(); }
void TPrincipio::DesinosdeDespachos1Click(TObject*) { reports::rptLisTur(); }

void TPrincipio::Poderes1Click(TObject*) {
    std::unique_ptr<TFLimExp> limites(new TFLimExp(nullptr));
    limites->Anio = AnoSeleccionado;
    limites->gbLimites->SetCaption(QStringLiteral("Cliente"));
    limites->rbLimite->SetCaption(QStringLiteral("Por Cliente"));
    if (limites->ShowModal() != mrOk) return;
    int desde = 0, hasta = 999999;
    QString filtro = QStringLiteral("Cliente :  TODOS");
    if (!limites->rbTodos->Checked()) {
        desde = F(limites->QCliD, "CLIENTE")->AsInteger();
        hasta = F(limites->QCliH, "CLIENTE")->AsInteger();
        filtro = QStringLiteral("Cliente :  ") + F(limites->QCliD, "NOM")->AsString() + QStringLiteral(" a ") +
                 F(limites->QCliH, "NOM")->AsString();
    }
    reports::RPTLisPod(desde, hasta, filtro.left(80));
}

void TPrincipio::ConceptosContables2Click(TObject*) {
    std::unique_ptr<TFConCon> tipos(new TFConCon(nullptr));
    if (tipos->ShowModal() != mrOk) return;
    reports::RPTLisConCon(tipos->cbSuplidos->Checked(), tipos->cbDerechos->Checked(), tipos->cbProvisiones->Checked(),
                          tipos->cbGastos->Checked());
}

namespace {

// The two dates of a date-limit dialog, as typed (the dialog refuses wrong or inverted ones).
struct TFechas {
    TDateTime Desde, Hasta;
    QString Texto;  // "Desde dd/mm/yyyy a dd/mm/yyyy"
};

template <class Dialogo>
bool PideFechas(Dialogo& d, TFechas& f) {
    if (d.ShowModal() != mrOk) return false;
    f.Desde = StrToDate(d.EDesde->Text());
    f.Hasta = StrToDate(d.EHasta->Text());
    f.Texto = QStringLiteral("Desde ") + d.EDesde->Text() + QStringLiteral(" a ") + d.EHasta->Text();
    return true;
}

}  // namespace

void TPrincipio::ProvisionesdeFondos1Click(TObject*) {
    std::unique_ptr<TLimites> d(new TLimites(nullptr));
    d->SetCaption(QStringLiteral("Introducir Fecha de Anotación"));
    TFechas f;
    if (PideFechas(*d, f)) reports::rptLisProv(f.Desde, f.Hasta, f.Texto);
}

void TPrincipio::SinProvisionesdeFondos1Click(TObject*) {
    std::unique_ptr<TLimites> d(new TLimites(nullptr));
    d->SetCaption(QStringLiteral("Introducir Fecha de Anotación"));
    TFechas f;
    if (PideFechas(*d, f)) reports::rptLisProvSin(f.Desde, f.Hasta, f.Texto);
}

// The case-file limits: everything or the range chosen in the dialog's pair; `texto` is the
// header's range text, cut at 80 characters.
struct TRango {
    QString Desde, Hasta, Texto;
};

static bool PideRango(const QString& grupo, const QString& opcion, TRango& r) {
    std::unique_ptr<TFLimExp> d(new TFLimExp(nullptr));
    d->Anio = AnoSeleccionado;
    d->gbLimites->SetCaption(grupo);
    d->rbLimite->SetCaption(opcion);
    if (d->ShowModal() != mrOk) return false;
    const bool todos = d->rbTodos->Checked();
    const QString cabeza = grupo + QStringLiteral(" :  ");
    if (grupo == u"Número") {
        r.Desde = todos ? QString() : F(d->QExpD, "NUMERO")->AsString().left(7);
        r.Hasta = todos ? QStringLiteral("zzzzzzz") : F(d->QExpH, "NUMERO")->AsString().left(7);
        r.Texto = todos ? cabeza + QStringLiteral("TODOS") : cabeza + r.Desde + QStringLiteral(" a ") + r.Hasta;
    } else {
        TQuery* qd = grupo == u"Abogado" ? d->QProD : d->QCliD;
        TQuery* qh = grupo == u"Abogado" ? d->QProH : d->QCliH;
        const char* clave = grupo == u"Abogado" ? "ABOCLI" : "CLIENTE";
        r.Desde = todos ? QStringLiteral("0") : F(qd, clave)->AsString();
        r.Hasta = todos ? QStringLiteral("999999") : F(qh, clave)->AsString();
        r.Texto = todos ? cabeza + QStringLiteral("TODOS")
                        : cabeza + F(qd, "NOM")->AsString() + QStringLiteral(" a ") + F(qh, "NOM")->AsString();
    }
    r.Texto = r.Texto.left(80);
    return true;
}

void TPrincipio::PorNmero1Click(TObject*) {
    TRango r;
    if (PideRango(QStringLiteral("Número"), QStringLiteral("Por Número"), r)) reports::rptLisExpNum(AnoSeleccionado, r.Desde, r.Hasta, r.Texto);
}

void TPrincipio::PorProcuradordelDespacho1Click(TObject*) {
    TRango r;
    if (PideRango(QStringLiteral("Abogado"), QStringLiteral("Por Abogado"), r))
        reports::rptLisExpPro(AnoSeleccionado, r.Desde.toInt(), r.Hasta.toInt(), r.Texto);
}

void TPrincipio::PorCliente1Click(TObject*) {
    TRango r;
    if (PideRango(QStringLiteral("Cliente"), QStringLiteral("Por Cliente"), r))
        reports::rptLisExpCli(AnoSeleccionado, r.Desde.toInt(), r.Hasta.toInt(), r.Texto);
}

void TPrincipio::ConSaldoPositivo1Click(TObject*) {
    std::unique_ptr<TLimites> d(new TLimites(nullptr));
    d->SetCaption(QStringLiteral("Introducir Fecha de Apertura"));
    TFechas f;
    if (PideFechas(*d, f)) reports::rptLisExpNeg(f.Desde, f.Hasta, f.Texto);
}

void TPrincipio::SinMovimientos1Click(TObject*) {
    std::unique_ptr<TLimites> d(new TLimites(nullptr));
    d->SetCaption(QStringLiteral("Introducir Fecha de Anotación"));
    for (TControl* c : std::initializer_list<TControl*>{d->EHasta, d->Label2, d->SpeedButton2}) c->SetVisible(false);
    if (d->ShowModal() != mrOk) return;
    reports::rptLisExpSinMov(StrToDate(d->EDesde->Text()), QStringLiteral("Desde ") + d->EDesde->Text());
}

// The browser's rows under its filters, as a list; the header describes the filters.
void TPrincipio::btImprimirClick(TObject*) {
    const TNotifyEvent clic = btImprimir->OnClick();
    btImprimir->OnClick() = nullptr;  // no second start while printing
    struct Vuelve {
        TSpeedItem* Boton;
        TNotifyEvent Clic;
        ~Vuelve() { Boton->OnClick() = Clic; }
    } vuelve{btImprimir, clic};
    const bool consultas = Paginas->ActivePage() == pgConsultas;
    TTable* t = consultas ? TConsul : TExped;
    const bool hay = t->Active() && !t->IsEmpty();
    const TBookmark marca = hay ? t->GetBookmark() : TBookmark();
    if (consultas) reports::RPTFiltro2(Seleccion(), ZbAbogados->GetDisplayText());
    else reports::RPTFiltro(Seleccion(), ZbAbogados->GetDisplayText());
    if (hay && t->BookmarkValid(marca)) t->GotoBookmark(marca);
}

static void Facturas(reports::TClaseFacturas clase) {
    std::unique_ptr<TLimites2> d(new TLimites2(nullptr));
    TFechas f;
    if (!PideFechas(*d, f)) return;
    reports::rptLisFac(clase, reports::TTipoFacturas(std::clamp(d->RGTipo->ItemIndex(), 0, 2)), f.Desde, f.Hasta);
}

void TPrincipio::General1Click(TObject*) { Facturas(reports::cfGeneral); }
void TPrincipio::PorNmero2Click(TObject*) { Facturas(reports::cfPorNumero); }
void TPrincipio::SinNmero1Click(TObject*) { Facturas(reports::cfSinNumero); }

void TPrincipio::PorAbogadodeEntrada1Click(TObject*) {
    std::unique_ptr<TLimites3> d(new TLimites3(nullptr));
    TFechas f;
    if (!PideFechas(*d, f)) return;
    const bool todos = d->cbAbogado->Text() == u"TODOS";
    reports::rptLisFacAbo(reports::TTipoFacturas(std::clamp(d->RGTipo->ItemIndex(), 0, 2)), f.Desde, f.Hasta,
                          todos ? 0 : d->QAboABOCLI->AsInteger(), todos ? QString() : d->QAboNOMABO->AsString());
}

// ---------------------------------------------------------------------------------------------- settings and recounts

void TPrincipio::Despacho1Click(TObject*) {
    TEmpresa::Muestra();
    SetCaption(QStringLiteral("Zembra - [ ") + Dat->TSistem->FieldByName(QStringLiteral("EMPRESA"))->AsString() +
               QStringLiteral(" ]"));
    Legislacion->SetEnabled(!Dat->TSistem->FieldByName(QStringLiteral("CDROM"))->AsString().isEmpty());
    btEscritos->SetEnabled(Permite(&TPrincipio::btEscritosClick));
    Escritos->SetEnabled(btEscritos->Enabled());
}

void TPrincipio::Recuentos2Click(TObject*) { TFRec::Recuenta(); }

void TPrincipio::ConceptosContables1Click(TObject*) { TConConta::Muestra(); }

void TPrincipio::AnotacionesAgenda1Click(TObject*) {
    ConAgenda = new TConAgenda(Application);
    ConAgenda->activaEdicion(true);
    ConAgenda->ShowModal();
}
