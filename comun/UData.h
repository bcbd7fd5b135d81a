#pragma once
// The data module: every shared table, query and data source of the office's data, and the
// handlers that guard every save (checks, numbering from SISTEM, defaults, delete guards,
// calculated fields, flushing and the engine-error messages).
#include "comun/Programa.h"
#include "controls/data/BDE32.h"
#include "platform/classes/Component.h"
#include "platform/db/DBTables.h"
#include "platform/db/Driver.h"
#include "platform/rtl/Events.h"

#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>


class TDat : public TComponent {
public:
    explicit TDat(TComponent* owner);
    ~TDat() override;

    TBDE32* BDE321 = nullptr;
    TDatabase* Db = nullptr;

    // Case files, consultations and economics.
    TTable *TSistem = nullptr, *TTabcon = nullptr, *TExped = nullptr, *TExpCli = nullptr, *TExpCon = nullptr,
           *TConsultas = nullptr, *TCuentas = nullptr, *TConConta = nullptr;
    TDataSource *DSSistem = nullptr, *DSTabcon = nullptr, *DSExped = nullptr, *DSExpCli = nullptr,
                *DSExpCon = nullptr, *DSConsultas = nullptr, *DSCuentas = nullptr, *DSConConta = nullptr;
    TQuery *QSaldo = nullptr, *QMinuta = nullptr, *QGrupo = nullptr, *QNumCli = nullptr, *QNumCon = nullptr,
           *QExpAbo = nullptr;
    TDataSource* DSSaldo = nullptr;

    // People.
    TTable *TAboCli = nullptr, *TClientes = nullptr, *TContrarios = nullptr, *TAbogados = nullptr, *TProcu = nullptr,
           *TPeritos = nullptr, *TPoderes = nullptr;
    TDataSource *DSAboCli = nullptr, *DSLisSAboCli = nullptr, *DSClientes = nullptr, *DSContrarios = nullptr,
                *DSAbogados = nullptr, *DSProcu = nullptr, *DSPeritos = nullptr, *DSPoderes = nullptr;
    TQuery* QAbo = nullptr;
    TDataSource* DSAbo = nullptr;

    // Agenda and calendar.
    TTable *TAgen = nullptr, *TAgen2 = nullptr, *TAgen3 = nullptr, *TConAgendas = nullptr, *TTipoAgenda = nullptr,
           *TColores = nullptr, *TDias = nullptr, *TFechas = nullptr;
    TDataSource *DSAgen = nullptr, *DSAgen2 = nullptr, *DSAgenda = nullptr, *DSAgendaExp = nullptr,
                *DSConAgendas = nullptr, *DsTipoAgenda = nullptr, *DSColor = nullptr, *DSDias = nullptr,
                *DSFechas = nullptr;
    TQuery *QAgendas = nullptr, *QAgenExp = nullptr, *QAgen = nullptr;

    // Documents, users and lookup lists.
    TTable *TEscritos = nullptr, *TPriv = nullptr, *TPartidos = nullptr, *TProfesiones = nullptr,
           *TTribunales = nullptr, *TProcedimientos = nullptr, *TTipoConsul = nullptr;
    TDataSource *DSEscritos = nullptr, *DSQLisEscri = nullptr, *DSPriv = nullptr, *DSPartidos = nullptr,
                *DSProfesiones = nullptr, *DSTribunales = nullptr, *DSProcedimientos = nullptr,
                *DSTipoConsul = nullptr;
    TQuery* QLisEscri = nullptr;

    // Fields other units read by name.
    TFloatField *TSistemEURO = nullptr, *TExpedIMPORTE = nullptr, *TExpedPRINCIPAL = nullptr,
                *TCuentasIMPORTE = nullptr, *TConsultasIMPORTE = nullptr, *QSaldoSALDO = nullptr;

    void DatCreate();
    void Introduce(TObject* sender, bool& continuar);
    void error(TDataSet* dataSet, EDatabaseError& e, TDataAction& action);
    void grabaDatos(TDataSet* dataSet);
    void refresca(TDataSet* dataSet);
    void RefrescaTablas();
    // The counters' row of the current year, created empty when missing: at start, and when the
    // date passes into a new year while the program runs.
    void AbreAnoEnCurso();

    // Before post, after post, before delete, new record and calculated fields.
    void TEscritosBeforePost(TDataSet* ds);
    void TEscritosAfterPost(TDataSet* ds);
    // The six party tables (office lawyers, clients, opposing parties, opposing lawyers, court
    // agents, experts) share these four, read from the table's row of the party rules; any
    // cursor of the module or a form on one of those tables may bind them.
    void PersonaBeforePost(TDataSet* ds);
    void PersonaAfterPost(TDataSet* ds);
    void PersonaBeforeDelete(TDataSet* ds);
    void PersonaCalcFields(TDataSet* ds);
    void TClientesNewRecord(TDataSet* ds);
    void TExpedCalcFields(TDataSet* ds);
    void TExpCliBeforeDelete(TDataSet* ds);
    void TExpConBeforeDelete(TDataSet* ds);
    void TPoderesBeforePost(TDataSet* ds);
    void TPoderesBeforeDelete(TDataSet* ds);
    void TPoderesNewRecord(TDataSet* ds);
    void TConContaBeforeDelete(TDataSet* ds);
    void TConContaNewRecord(TDataSet* ds);
    void TConAgendasBeforePost(TDataSet* ds);
    void TConAgendasBeforeDelete(TDataSet* ds);
    void TConAgendasNewRecord(TDataSet* ds);
    void TCuentasBeforePost(TDataSet* ds);
    void TCuentasAfterPost(TDataSet* ds);
    void TCuentasBeforeDelete(TDataSet* ds);
    void TCuentasNewRecord(TDataSet* ds);
    void TCuentasCalcFields(TDataSet* ds);
    void QAgendasBeforeDelete(TDataSet* ds);
    void TAgenBeforePost(TDataSet* ds);
    void TAgenAfterPost(TDataSet* ds);
    void TAgenBeforeDelete(TDataSet* ds);
    void TAgenNewRecord(TDataSet* ds);
    void QAgenExpBeforeDelete(TDataSet* ds);
    void TPrivBeforePost(TDataSet* ds);
    void TPrivBeforeDelete(TDataSet* ds);
    void TPrivNewRecord(TDataSet* ds);
    void TAgen3CalcFields(TDataSet* ds);

    // A window's own view of the agenda, owned by `owner`: a cursor of its own on AGENDA, filtered
    // by the handler the window gives it, so no window's filter or range ever reaches another's.
    // Made as TAgen2 (a case file's rows in the order of agen01) or as TAgen3 (rows by date and
    // hour, with the case reference EXPED); its component and fields are named after `nombre`.
    enum class TVistaAgenda { DeExpediente, PorFecha };
    TTable* VistaAgenda(TComponent* owner, const QString& nombre, TVistaAgenda clase);
    // Re-reads every open view of the agenda (the module's and the windows'), so that each shows
    // at once the rows a window has just written.
    void RefrescaAgendas();

    // The logged-in user's name (the current row of TPriv), empty when none.
    QString Usuario() const;
    // Number and user of an agenda row that a form writes with an INSERT of its own: sets the
    // parameters ORDEN (the next value of the agenda counter, raised as the numbering of TAgen
    // raises it, in the running transaction) and USUARIO of `insercion`.
    void NumeraApunteAgenda(TQuery* insercion);

    // Runs `cambio` in one transaction of Db: all of it is stored or none of it. A failure to
    // start it (the write lock held too long by another workstation) is thrown from here, so a
    // caller that wraps the call reports it as any other failure of the change.
    template <class F>
    void EnTransaccion(F&& cambio);
    // The same, but inside a transaction already running it is part of that one, which its
    // owner ends.
    template <class F>
    void DentroDeTransaccion(F&& cambio);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void CreaComponentes();
    void CreaTablasNuevas();
    // Numbering of a new record from a counter of the SISTEM row, in one transaction with the
    // record: the counter is read and raised before the record is written, and both are
    // committed (or rolled back) together.
    void Numera(TDataSet* ds, const QString& campo, const QString& contador, const QString& tabla);
    qint64 MayorNumero(const QString& campo, const QString& tabla);
    qint64 SiguienteNumero(qint64 contador, const QString& campo, const QString& tabla);
    // Numbering of a new record with no counter: the next number above the highest of the
    // table, read and written in one transaction with the record.
    void NumeraLibre(TDataSet* ds, const QString& campo, const QString& tabla);
    void EnNumeracion(TDataSet* ds, const std::function<void()>& cuerpo);
    void ConfirmaNumeracion();
    void TerminaNumeracion(TDataSet* ds);
    void DeshaceNumeracion();
    void NombreCalculado(TDataSet* ds, const QString& campo);

    TDataSet* FNumerando = nullptr;  // dataset whose post holds the numbering transaction
    bool FTransaccionPropia = false;
    std::unique_ptr<TQuery> FQContador;  // cursor of its own for the highest number a table holds (MayorNumero)
    std::vector<TTable*> FVistasAgenda;
    // The module's own tables and queries in the order they were made: the opening finds them
    // among its components without asking each component what it is.
    std::vector<TDBDataSet*> FConjuntos;
};

namespace comun {
// The tables of a new data folder as an installer ships them: columns, keys and indexes.
std::vector<platform::db::TTableDesc> TablasDelDespacho();
}  // namespace comun

template <class F>
void TDat::EnTransaccion(F&& cambio) {
    Db->StartTransaction();
    try {
        cambio();
        Db->Commit();
    } catch (...) {
        if (Db->InTransaction()) Db->Rollback();  // a refused write has undone it already
        throw;
    }
}

template <class F>
void TDat::DentroDeTransaccion(F&& cambio) {
    if (Db->InTransaction()) cambio();
    else EnTransaccion(std::forward<F>(cambio));
}
