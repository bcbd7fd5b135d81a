#pragma once
// The daily agenda of one office lawyer: the entries and notices of a day beside a month
// calendar that marks the days with entries; entries are added, edited, deleted and marked done
// through the entry editor, and the attached document of a row is shown, opened or mailed.
#include "controls/data/ZBDBCtrl.h"
#include "controls/data/ZbLookup.h"
#include "controls/edit/Calpnl.h"
#include "controls/visual/SpeedBar.h"
#include "platform/db/DBTables.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/ListView.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "platform/graphics/ImgList.h"

#include <functional>

class TAgenda : public TForm {
public:
    explicit TAgenda(TComponent* owner);
    ~TAgenda() override;

    // The day's list: a view of the agenda of its own, filtered here.
    TTable* TAgen3 = nullptr;
    TDataSource* ActiveSource = nullptr;
    TZbDBGrid* DBAgenda = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem *Nuevo1 = nullptr, *Editar1 = nullptr, *Borrar1 = nullptr, *Imprimir1 = nullptr, *AbrirEscrito1 = nullptr;
    TCalenPnl* Calendar = nullptr;
    TLabel* Hoy = nullptr;
    TLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
    TCheckBox *btExped = nullptr, *btDesp = nullptr, *btPart = nullptr, *btAviExp = nullptr, *btAviDes = nullptr,
              *btAviPar = nullptr;
    TZbDBLookupCombo* cbTipoAgen = nullptr;
    TListView* lvAttachments = nullptr;
    TImageList* ImageList1 = nullptr;
    TButton *btAnoMas = nullptr, *btMesMas = nullptr, *btAnoMenos = nullptr, *btMesMenos = nullptr;
    TImage *Unido = nullptr, *Reloj = nullptr, *Clip = nullptr, *Ok = nullptr, *Image1 = nullptr, *Image2 = nullptr;

    TSpeedBar* SpeedBar1 = nullptr;
    TSpeedItem *btImprimir = nullptr, *btRefresh = nullptr, *btPrev = nullptr, *btNext = nullptr, *btAyuda = nullptr,
               *btSalir = nullptr, *btAdd = nullptr, *btDel = nullptr, *btEdit = nullptr, *btFirst = nullptr,
               *btLast = nullptr, *btHoy = nullptr, *btEscrito = nullptr, *btPlanner = nullptr, *btCalendar = nullptr,
               *btAbrir = nullptr, *btRealizado = nullptr, *btMail = nullptr;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void FormKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void FormKeyUp(TObject* sender, quint16& key, TShiftState shift);
    void FormKeyPress(TObject* sender, QChar& key);
    void FiltraRecord(TDataSet* dataSet, bool& accept);
    void CalendarDateChange(TObject* sender);
    void CajaClick(TObject* sender);
    void cbTipoAgenChange(TObject* sender);
    void DBAgendaDrawColumnCell(TObject* sender, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state);
    void DBAgendaDblClick(TObject* sender);
    void ActiveSourceDataChange(TObject* sender, TField* field);
    void ActiveSourceStateChange(TObject* sender);
    void btAddClick(TObject* sender);
    void btEditClick(TObject* sender);
    void btDelClick(TObject* sender);
    void btRealizadoClick(TObject* sender);
    void btAbrirClick(TObject* sender);
    void btEscritoClick(TObject* sender);
    void btMailClick(TObject* sender);
    void btImprimirClick(TObject* sender);
    void btRefreshClick(TObject* sender);
    void btHoyClick(TObject* sender);
    void btPlannerClick(TObject* sender);
    void btCalendarClick(TObject* sender);
    void btAyudaClick(TObject* sender);
    void btSalirClick(TObject* sender);
    void btFirstClick(TObject* sender);
    void btPrevClick(TObject* sender);
    void btNextClick(TObject* sender);
    void btLastClick(TObject* sender);
    void btAnoMasClick(TObject* sender);
    void btMesMasClick(TObject* sender);
    void btAnoMenosClick(TObject* sender);
    void btMesMenosClick(TObject* sender);

    // The day refresh: the day's range, the filter re-applied, and the commands that need rows.
    void RefrescaDia();
    // Marks the calendar for the month of FechaCalendario (its date follows, and the day with it).
    void MarcaCalendario();

private:
    // The speed bar, the grid and the right column (UAgenda_controles.cpp).
    void CreaControles();
    bool Derecho(const char* nombre) const;
    void Navegacion();
    void Mueve(int meses, int anos);
    bool SituaTAgen();
    bool FMostrada = false;  // between showing and closing: the calendar drives the list
};

extern TAgenda* Agenda;
