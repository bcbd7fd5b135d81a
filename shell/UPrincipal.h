#pragma once
// The window the office works in all day: the browsers of case files and consultations with their
// filters, the toolbar with the lawyer and year selectors, and the status bar.
#include "controls/data/ZbLookup.h"
#include "controls/visual/Placemnt.h"
#include "controls/visual/SpeedBar.h"
#include "platform/db/DBTables.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Grids.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "shell/UComunes.h"
#include "shell/UFiltros.h"

#include <QString>

class TAppEvents;

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
    TAppEvents* AppEvents1;

    // Menus.
    TMainMenu* MainMenu1;
    TMenuItem *Expedientes1, *Consultas1, *AgendaDiaria;
    TPopupMenu *PopupMenu1, *PopupBuscar, *PopupFiltros, *PopupFiltrosDes, *ZbCfgExp, *ZbCfgCon;
    TMenuItem *Agenda1, *Economico1;
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

    // The selectors and the user's reach as the filter engine takes them.
    TSeleccionPrincipal Seleccion() const;
    bool PrimeraVez() const { return FPrimeraVez; }

private:
    void CreaDatos();
    void CreaBarra();
    void CreaPaginas();
    void CreaMenus();
    TTabSheet* NuevaPagina(const QString& nombre, const QString& titulo);
    void EligeSelectorAbogado();
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
};

extern TPrincipio* Principio;
