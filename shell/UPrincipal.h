#pragma once
// The window the office works in all day: the browsers of case files and consultations with their
// filters, the toolbar with the lawyer and year selectors, and the status bar.
#include "comun/UComunes.h"
#include "comun/UFiltros.h"
#include "controls/data/ZbLookup.h"
#include "controls/visual/Placemnt.h"
#include "controls/visual/SpeedBar.h"
#include "platform/db/DBTables.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Grids.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"

#include <QString>
#include <functional>

class TAppEvents;
class THTMLhelpRouter;
class TFormRegistro;

// The data folder with its trailing "/".
extern QString CarpetaDatosBarra;

class TPrincipio : public TForm {
public:
    explicit TPrincipio(TComponent* owner);
    ~TPrincipio() override;

    // Data.
    TTable *TExped, *TConsul, *TExpCli, *TExpCon;
    TQuery* QAbo;
    TDataSource *DSPrin, *DSQConsultas, *DSAbo;

    // Toolbar.
    TSpeedBar* SpeedBar1;
    TSpeedItem *btImprimir, *btAbrir, *btNuevo, *btBorrar, *btRefrescar, *btEscritos, *btAgenda, *btFiltros, *ZbCfg,
        *SpeedItem1, *btHelp;
    TCheckBox* cbAnio;
    TLabel *Label2, *Label1;
    TComboBox* AnoActual;
    TZbDBLookupCombo* ZbAbogados;
    TZbLookupEdit* ZbUnAbo;
    TImage *Image1, *Image2, *Image3;

    // Pages, filter panels and grids.
    TPageControl* Paginas;
    TTabSheet *pgExped, *pgConsultas;
    TPanel *pFilExp, *pFilCon;
    TLabel *LFilExp, *LFilCon;
    TStringGrid *FiltrosExp, *FiltrosDes;
    TDBGrid *DBPrincipal, *DBConsultas;
    TStatusBar* LineaEstado;
    TTimer* Timer2;
    TFormStorage* FormStorage1;
    THTMLhelpRouter* HTMLhelpRouter1;
    TAppEvents* AppEvents1;

    // Menus.
    TMainMenu* MainMenu1;
    TMenuItem *Expedientes1, *Consultas1, *AgendaDiaria;
    TPopupMenu *PopupMenu1, *PopupBuscar, *PopupFiltros, *PopupFiltrosDes, *ZbCfgExp, *ZbCfgCon;
    TMenuItem *Agenda1, *Economico1;
    TMenuItem *Archivo1, *Despacho1, *AbogadosDespacho1, *Clientes1, *Contrarios1, *Abogados1, *Procuradores1, *Peritos1,
        *ConceptosContables1, *AnotacionesAgenda1, *Impresora1, *Salir1;
    TMenuItem *Herramientas1, *Escritos, *Exportar, *Recuentos2, *Accesos1, *CambiodeUsuario1, *Limpiardatos1;
    TMenuItem *Informes1, *Utilidades1, *Legislacion, *Ayuda2, *Ayuda1, *Acercade1;
    TMenuItem *Nuevo1, *Abrir2, *Borrar1, *Nuevo2, *Abrir3, *Borrar2;
    TPrinterSetupDialog* ConfigurarImpresora;
    TMenuItem *mNumero, *mFechadeApertura, *mCliente, *mContrario, *mProcedimiento, *mAutos, *mTribunal, *mAboCon,
        *mProCli, *mProCon, *mPerito, *ValoresporDefecto1;
    TMenuItem *mNumeroC, *mClienteC, *mAboEntC, *mTipoC, *mFEntradaC, *mFCobroC, *mFFacturaC, *mImporteC, *MenuItem15;

    // Form events.
    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormPaint(TObject* sender);
    void FormResize(TObject* sender);
    void FormKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void FormCloseQuery(TObject* sender, bool& canClose);
    void FormClose(TObject* sender, TCloseAction& action);

    void MuestraAyuda(TObject* sender);
    void MiraAgenda();
    void RefrescaExpedientes();
    void RefrescaConsultas();
    void AplicaPermisos();
    // The rights of the user now current, shown at once: menus, pages and the page's commands.
    void RenuevaPermisos();

    void PaginasChange(TObject* sender);
    void AnoActualChange(TObject* sender);
    void cbAnioClick(TObject* sender);
    void ZbAbogadosChange(TObject* sender);
    void btRefrescarClick(TObject* sender);
    void DSPrinDataChange(TObject* sender, TField* field);
    void DSAboDataChange(TObject* sender, TField* field);
    void AppIdle(TObject* sender, bool& done);
    void Timer2Timer(TObject* sender);
    void DBGrid1DrawColumnCell(TObject* sender, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state);
    void DBConsultasDrawColumnCell(TObject* sender, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state);
    void DBGrid1KeyDown(TObject* sender, quint16& key, TShiftState shift);
    void DBConsultasKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void DBConsultasDblClick(TObject* sender);
    void btAbrirClick(TObject* sender);
    void btNuevoClick(TObject* sender);
    void btBorrarClick(TObject* sender);

    // Record commands and the main menu's forms.
    void Nuevo1Click(TObject* sender);
    void Abrir2Click(TObject* sender);
    void Borrar1Click(TObject* sender);
    void Nuevo2Click(TObject* sender);
    void Abrir3Click(TObject* sender);
    void Borrar2Click(TObject* sender);
    void AbreExpediente();
    void AbreConsulta();
    void Cliente1Click(TObject* sender);
    void AbogadoCliente1Click(TObject* sender);
    void ProcuradorCliente1Click(TObject* sender);
    void Contrario1Click(TObject* sender);
    void AbogadoContrario1Click(TObject* sender);
    void ProcuradorContrario1Click(TObject* sender);
    void Perito1Click(TObject* sender);
    void Asunto1Click(TObject* sender);
    void Agenda1Click(TObject* sender);
    void Economico1Click(TObject* sender);
    void Clientes1Click(TObject* sender);
    void Contrarios1Click(TObject* sender);
    void Abogados1Click(TObject* sender);
    void Procuradores1Click(TObject* sender);
    void Peritos1Click(TObject* sender);
    void AbogadosDespacho1Click(TObject* sender);
    void ConceptosContables1Click(TObject* sender);
    void AnotacionesAgenda1Click(TObject* sender);
    void Despacho1Click(TObject* sender);
    void Impresora1Click(TObject* sender);
    void btSalirClick(TObject* sender);
    void btAgendaClick(TObject* sender);
    void btEscritosClick(TObject* sender);
    void SpeedItem1Click(TObject* sender);
    void ExportarClick(TObject* sender);
    void Accesos1Click(TObject* sender);
    void CambiodeUsuario1Click(TObject* sender);
    void Recuentos2Click(TObject* sender);
    void btHelpClick(TObject* sender);
    void Acercade1Click(TObject* sender);
    void btImprimirClick(TObject* sender);
    void Limpiardatos1Click(TObject* sender);
    void LegislacionClick(TObject* sender);
    void Ayuda1Click(TObject* sender);

    // The "&Informes" menu.
    void Clientes2Click(TObject* sender);
    void Contrarios2Click(TObject* sender);
    void Abogados2Click(TObject* sender);
    void Alfabtico1Click(TObject* sender);
    void PorPartido1Click(TObject* sender);
    void Alfabtico2Click(TObject* sender);
    void PorProfesin1Click(TObject* sender);
    void Poderes1Click(TObject* sender);
    void ProvisionesdeFondos1Click(TObject* sender);
    void SinProvisionesdeFondos1Click(TObject* sender);
    void PorNmero1Click(TObject* sender);
    void PorProcuradordelDespacho1Click(TObject* sender);
    void PorCliente1Click(TObject* sender);
    void ConSaldoPositivo1Click(TObject* sender);
    void SinMovimientos1Click(TObject* sender);
    void General1Click(TObject* sender);
    void PorNmero2Click(TObject* sender);
    void SinNmero1Click(TObject* sender);
    void PorAbogadodeEntrada1Click(TObject* sender);
    void ConceptosContables2Click(TObject* sender);
    void Agenda2Click(TObject* sender);
    void Procedimientos1Click(TObject* sender);
    void Tribunales1Click(TObject* sender);
    void TiposdeDespachos1Click(TObject* sender);
    void DesinosdeDespachos1Click(TObject* sender);

    // Filters.
    void TExpedFilterRecord(TDataSet* dataSet, bool& accept);
    void TConsulFilterRecord(TDataSet* dataSet, bool& accept);
    void AgregaFiltroExp(const QString& etiqueta, const QString& valor);
    void AgregaFiltroCon(const QString& etiqueta, const QString& valor);
    void Cliente2Click(TObject* sender);
    void AbogadoCliente2Click(TObject* sender);
    void Contrario2Click(TObject* sender);
    void AbogadoContrario2Click(TObject* sender);
    void ProcuradorContrario2Click(TObject* sender);
    void Perito2Click(TObject* sender);
    void Procedimiento1Click(TObject* sender);
    void Tribunal1Click(TObject* sender);
    void NdeAutos1Click(TObject* sender);
    void Abiertos1Click(TObject* sender);
    void Facturados1Click(TObject* sender);
    void Cerrados1Click(TObject* sender);
    void PorCliente2Click(TObject* sender);
    void PorProcurador1Click(TObject* sender);
    void PorTipoDespacho1Click(TObject* sender);
    void Presentado1Click(TObject* sender);
    void Devuelto1Click(TObject* sender);
    void Cobrado1Click(TObject* sender);
    void QuitarExpClick(TObject* sender);
    void QuitarDesClick(TObject* sender);
    void QuitarFiltros1Click(TObject* sender);

    // Column choosers.
    void ZbCfgExpPopup(TObject* sender);
    void ZbCfgConPopup(TObject* sender);
    void ValoresporDefecto1Click(TObject* sender);
    void MenuItem15Click(TObject* sender);

    // The one guard of the window's commands: a command governed by a right runs only while the
    // logged-in user holds it (and, for the agenda and the ledger, may reach the lawyer shown).
    // Menu items, buttons, keys and double clicks reach their commands through Ordena.
    using TOrden = void (TPrincipio::*)(TObject*);
    bool Permite(TOrden orden);
    void Ordena(TOrden orden, TObject* sender);

    // The selectors and the user's reach as the filter engine takes them.
    TSeleccionPrincipal Seleccion() const;
    bool PrimeraVez() const { return FPrimeraVez; }

private:
    // The parts of one browser page, the case files' or the consultations'.
    struct TBrowser {
        TTable* Tabla;
        TDBGrid* Rejilla;
        TStringGrid* Filtros;
        TPanel* Panel;
        TFilasFiltro* Filas;
        TMenuItem* Menu;
        TPopupMenu* Popup;
        TPopupMenu* Columnas;
        const char* Derecho;
        std::function<QString()> Sql;
        std::function<void(const QString&)> QuitaCriterio;
        std::function<void()> Reinicia;
        void (TPrincipio::*Refresca)();
    };
    TBrowser Browser(bool consultas);
    TBrowser BrowserActivo();
    void Refresca(const TBrowser& b);
    void AgregaFiltro(const TBrowser& b, const QString& etiqueta, const QString& valor);
    void Criterio(const TBrowser& b, const QString& etiqueta, const QString& valor);
    void QuitaFila(const TBrowser& b);
    void CreaDatos();
    void CreaBarra();
    void CreaPaginas();
    void CreaMenus();
    void CreaMenuPrincipal();
    void CreaMenuInformes(TMenuItem* informes);
    // The lawyer chosen on the toolbar, or an error box when several exist and "TODOS" is shown.
    bool AbogadoElegido();
    // Whether the user may reach the selected lawyer's agenda and ledger (Agenda, Economico).
    bool AlcanzaAbogado(const char* derecho);
    // Dat->TExped on the grid's case file, Dat->TConsultas on the grid's consultation.
    bool SituaExpediente();
    bool SituaConsulta();
    // A read-only view of one party of the selected case file.
    void VerParte(const char* campo, const QString& mensaje, TFormRegistro* (*crea)(), TDataSet* personas,
                  const char* clave, const char* referencia, const QString& caption = QString());
    // A party's pick list among the selected case file's clients or opposing parties.
    bool EligeParteDelExpediente(bool clientes, int& codigo);
    void ArchivoPersonas(TFormRegistro* form, const QString& caption);
    TTabSheet* NuevaPagina(const QString& nombre, const QString& titulo);
    void EligeSelectorAbogado();
    // The year box filled from the counters rows; the working year shown in it, in Dat->TTabcon
    // and with today's date in the status bar.
    void LlenaAnos();
    void MuestraAno();
    // After the date passed into a new year, the window moves to it as a start would (the year
    // box, the lists, the status bar's date) while the working year is the calendar's; the
    // counters row is written as comun::SigueAlCalendario says.
    void SigueAlCalendario(bool reintentaFila = true);
    bool RecargaAbogados();
    void RefrescaPagina();
    // The active page's list read again, back on the record it stood on.
    void RefrescaEnSuFila();
    bool NuevoRegistro(const QString& caption, QString& ano, QString& numero);
    void MuestraFilas(TStringGrid* rejilla, TPanel* panel, const TFilasFiltro& filas);
    // A pick list of the search dialogs; true with `codigo`/`nombre` of the chosen row.
    bool Elige(bool arbol, const QString& caption, const QString& titulo, const QStringList& sql, int& codigo,
               QString& nombre);
    void CriterioExp(const QString& etiqueta, const QString& valor);
    void CriterioCon(const QString& etiqueta, const QString& valor);
    void CambiaColumna(TDataSet* ds, const char* campo, TMenuItem* item);
    void DibujaEstado(TDBGrid* grid, const TRect& rect, TColumn* column);
    void AplicaFiltro(TTable* tabla, const QString& sql);
    TMenuItem* Item(TComponent* menu, const QString& nombre, const QString& caption, void (TPrincipio::*click)(TObject*));

    bool FPrimeraVez = true;
    QString FAnoMostrado;  // the calendar's year the window last showed
};

extern TPrincipio* Principio;
