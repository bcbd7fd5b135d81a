#pragma once
// The working window of one case file: its court data and professionals, its clients and
// opposing parties, its ledger with the balance and its agenda; it walks the chain of linked case
// files, closes and reopens the case and opens the forms that edit each part of it.
#include "comun/UFormRegistro.h"
#include "controls/data/ZBDBCtrl.h"
#include "controls/data/ZbLookup.h"
#include "platform/forms/DBCtrls.h"

#include <functional>

class TExpediente : public TFormRegistro {
public:
    explicit TExpediente(TComponent* owner);
    ~TExpediente() override;

    TDataSet* Tabla() const override;

    // Data of the form: the case's clients and opposing parties and the invoicing queries.
    TTable* QClientes = nullptr;
    TTable* QContrarios = nullptr;
    TDataSource* DSCli = nullptr;
    TDataSource* DSCon = nullptr;
    TQuery* QNumLin = nullptr;
    TQuery* QEco = nullptr;
    TQuery* QUpdCon = nullptr;
    // The case's agenda: a view of its own, ranged on the case file and filtered here.
    TTable* TAgen2 = nullptr;
    TDataSource* DSAgen2 = nullptr;

    // Case header.
    TEdit* Expediente = nullptr;
    TEdit* Situacion = nullptr;
    TLabel* LCliente = nullptr;
    TLabel* ExpAnterior = nullptr;
    TLabel* ExpSiguiente = nullptr;
    TImage* Image4 = nullptr;  // pesetas
    TImage* Image5 = nullptr;  // euros
    TButton* btAsunto = nullptr;

    // Court and amounts.
    TDBEdit *DBProc = nullptr, *DBAutos = nullptr, *DBJuris = nullptr, *DBTrib = nullptr, *DBPob = nullptr;
    TDBText *DBFAper = nullptr, *DBPrincipal = nullptr, *DBCostas = nullptr, *DBIntereses = nullptr, *DBTotal = nullptr;

    // Professionals and references.
    TZbDBLookupCombo *ZbAboCli = nullptr, *ZbAboEnt = nullptr, *ZbProCli = nullptr, *ZbProCon = nullptr,
                     *ZbAboCon = nullptr, *ZbPerito = nullptr;
    TButton *btOpenAboCli = nullptr, *btAboEnt = nullptr, *btOpenProCli = nullptr, *btProCon = nullptr,
            *btAboCon = nullptr, *btPerito = nullptr;
    TDBEdit *DBRefCli = nullptr, *DBRefProCli = nullptr, *DBRefProCon = nullptr, *DBRefAboCon = nullptr;

    // Clients and opposing parties.
    TZbDBGrid* DBCliente = nullptr;
    TZbDBGrid* DBContra = nullptr;
    TButton *btNewCli = nullptr, *btDelCli = nullptr, *btDefCli = nullptr, *btOpenCli = nullptr;
    TButton *btNewCon = nullptr, *btDelCon = nullptr, *btDefCon = nullptr, *btOpenCon = nullptr;

    // Ledger and agenda.
    TZbDBGrid* DBEcon = nullptr;
    TLabel* LSaldo = nullptr;
    TDBText* DBSaldo = nullptr;
    TButton* btOpenEco = nullptr;
    TZbDBGrid* DBAgenda = nullptr;
    TCheckBox* cbSitProc = nullptr;
    TButton* btOpenAgen = nullptr;

    // Case commands on the speed bar.
    TSpeedItem *btAnterior = nullptr, *btSiguiente = nullptr, *btVincular = nullptr, *btCerrar = nullptr,
               *btFacturar = nullptr, *btEscritos = nullptr;

    // Pictures of the grids: other client, principal client / agenda codes 0, 1, 2.
    TImage *Image1 = nullptr, *Image2 = nullptr, *Image3 = nullptr, *Ok = nullptr;

    void Refresca();

    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void btRefreshClick(TObject* sender);
    void BtAnteriorClick(TObject* sender);
    void BtSiguienteClick(TObject* sender);
    void btVincularClick(TObject* sender);
    void btBuscarClick(TObject* sender);
    void btCerrarClick(TObject* sender);
    void btFacturarClick(TObject* sender);
    // The fee note of the invoice just stored (the documents layer produces it).
    void GeneraMinuta();
    void btNewCliClick(TObject* sender);
    void btDelCliClick(TObject* sender);
    void btDefCliClick(TObject* sender);
    void btOpenCliClick(TObject* sender);
    void DSCliDataChange(TObject* sender, TField* field);
    void DBClienteDrawColumnCell(TObject* sender, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state);
    void btNewConClick(TObject* sender);
    void btDelConClick(TObject* sender);
    void btDefConClick(TObject* sender);
    void btOpenConClick(TObject* sender);
    void DSConDataChange(TObject* sender, TField* field);
    void DBContraDrawColumnCell(TObject* sender, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state);
    void btAsuntoClick(TObject* sender);
    void btProConClick(TObject* sender);
    void btOpenProCliClick(TObject* sender);
    void btAboConClick(TObject* sender);
    void btPeritoClick(TObject* sender);
    void btOpenAboCliClick(TObject* sender);
    void btAboEntClick(TObject* sender);
    void btOpenEcoClick(TObject* sender);
    void btOpenAgenClick(TObject* sender);
    void btEscritosClick(TObject* sender);
    void Image4DblClick(TObject* sender);
    void Image5DblClick(TObject* sender);
    void cbSitProcClick(TObject* sender);
    void FiltraRecord(TDataSet* dataSet, bool& accept);
    void DBAgendaDrawColumnCell(TObject* sender, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state);

protected:
    void EstadoCambiado(TDataSetState estado) override;
    void RegistroCambiado() override;
    bool AsignaDisponible() const override { return false; }
    void ImprimeFicha() override;
    void MuestraPreview(TObject* sender) override;

private:
    // Construction: the form's own cursors, the layout of its controls (UExpediente_controles.cpp)
    // and the start-up over the case file open in the data module.
    void CreaDatos();
    void CreaControles();
    void FormCreate();
    // The professionals' lists of the combos.
    TDataSource *FAboCli = nullptr, *FProcu = nullptr, *FAbogados = nullptr, *FPeritos = nullptr;
    // Ranges every sub-list (clients, opposing parties, ledger, agenda) on the case now current.
    void RangoExpediente();
    void QuitaRangos();
    // Clients and opposing parties share their five operations.
    struct TParte {
        TTable* Lista;         // QClientes / QContrarios
        TTable* Enlaces;       // Dat->TExpCli / Dat->TExpCon
        TTable* Personas;      // Dat->TClientes / Dat->TContrarios
        QString Campo;         // CLIENTE / CONTRARIO
        QString Tabla;         // CLIENTES / CONTRARIOS
        QString TablaEnlace;   // EXPCLI / EXPCON
        QString Caption;       // "Buscar Cliente"
        QString Titulo;        // "Clientes"
    };
    TParte Clientes() const;
    TParte Contrarios() const;
    void NuevaParte(const TParte& p);
    void QuitaParte(const TParte& p);
    void HazPrincipal(const TParte& p);
    void AbreParte(const TParte& p);
    // Opens the client or opposing-party form; `nuevo` puts it in insert.
    void FormParte(const TParte& p, bool nuevo);
    void PartesHabilitadas(TTable* lista, TButton* abrir, TButton* quitar, TButton* principal);
    void DibujaParte(TZbDBGrid* grid, TTable* lista, const QString& campo, const TRect& rect, int dataCol,
                     TColumn* column, TGridDrawState state);
    void MueveA(const QString& ano, const QString& numero);
    // The office lawyer of `campo` (ABOCLI, ABOENT) on the firm-lawyer form, in mode `modo`.
    void AbreAbogadoDespacho(const char* campo, const QString& modo);
    // Whether the user may reach the case file Dat->TExped stands on; if not, says so and goes
    // back to `vuelta`.
    bool Alcanzable(const TBookmark& vuelta);
    // Edit and post of the case file with the controls quiet.
    void EditaCaso(const std::function<void()>& cambio);
    int AbogadoUsuario() const;
    bool FEconomico = false;  // the user may see this case file's ledger
    bool PuedeFacturar() const;
    void AnotaEnAgenda(const QString& tipo, const QString& tipoAgenda, const QString& texto);
    void Deshace(bool releer);
    bool Derecho(const char* nombre) const;
    void Procurador(const QString& campo, int parte, const QString& caption);
    TDBText* Texto(const QString& campo, int left, int top, int width);
    TZbDBLookupCombo* Combo(const QString& campo, TDataSource* lista, const QString& clave, const QString& nombre, int left,
                            int top, int width);
    TButton* Boton(const QString& nombre, const QString& caption, int left, int top, int width, TNotifyEvent click);
    TZbDBGrid* Rejilla(const QString& nombre, TDataSource* fuente, int left, int top, int width, int height);
};

extern TExpediente* Expediente;
