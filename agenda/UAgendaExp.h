#pragma once
// The agenda of one case file: the entries (and, when asked, the notices) of every lawyer on the
// case, narrowed by agenda type; entries are added, edited, deleted and marked done here, their
// documents opened, and the case's evolution printed.
#include "controls/data/ZBDBCtrl.h"
#include "controls/visual/SpeedBar.h"
#include "platform/db/DBTables.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"

class TAgendaExp : public TForm {
public:
    explicit TAgendaExp(TComponent* owner);
    ~TAgendaExp() override;

    // Keeps the edit flag, binds the list and enables adding, editing and deleting by the flag.
    void ActivaEdicion(bool flag);

    // The case's agenda: a view of its own, filtered here.
    TTable* TAgen2 = nullptr;
    TDataSource* ActiveSource = nullptr;
    TSpeedBar* SpeedBar1 = nullptr;
    TSpeedItem *btImprimir = nullptr, *btRefresh = nullptr, *btPrev = nullptr, *btNext = nullptr, *btAyuda = nullptr,
               *btSalir = nullptr, *btAdd = nullptr, *btDel = nullptr, *btEdit = nullptr, *btFirst = nullptr,
               *btLast = nullptr, *btEscrito = nullptr, *btPlanner = nullptr, *btCalendar = nullptr,
               *btRealizado = nullptr, *btMail = nullptr;
    TPanel* Panel1 = nullptr;
    TCheckBox* cbAvisos = nullptr;
    TComboBox* cbTipoAgenda = nullptr;
    TZbDBGrid* DBAgenda = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem *Nuevo1 = nullptr, *Editar1 = nullptr, *Borrar1 = nullptr, *Imprimir1 = nullptr, *AbrirEscrito1 = nullptr;
    TImage *Clip = nullptr, *Reloj = nullptr, *Unido = nullptr, *Ok = nullptr, *Image1 = nullptr, *Image2 = nullptr;

    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void FormKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void FormKeyPress(TObject* sender, QChar& key);
    void FiltraRecord(TDataSet* ds, bool& accept);
    void cbAvisosClick(TObject* sender);
    void cbTipoAgendaChange(TObject* sender);
    void ActiveSourceDataChange(TObject* sender, TField* field);
    void ActiveSourceStateChange(TObject* sender);
    void DBAgendaDrawColumnCell(TObject* sender, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state);
    void DBAgendaDblClick(TObject* sender);
    void DBAgendaKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void DBAgendaEnter(TObject* sender);
    void btAddClick(TObject* sender);
    void btEditClick(TObject* sender);
    void btDelClick(TObject* sender);
    void btRefreshClick(TObject* sender);
    void btRealizadoClick(TObject* sender);
    void btEscritoClick(TObject* sender);
    void btMailClick(TObject* sender);
    void btImprimirClick(TObject* sender);
    void btPlannerClick(TObject* sender);
    void btCalendarClick(TObject* sender);
    void btAyudaClick(TObject* sender);
    void btSalirClick(TObject* sender);
    void btFirstClick(TObject* sender);
    void btPrevClick(TObject* sender);
    void btNextClick(TObject* sender);
    void btLastClick(TObject* sender);

    // The list refresh after a change of type, of the notices box, and after add, edit, delete.
    void Refresca();
    // The kinds of entry the list and the report show, as the list of an IN clause.
    QString ListaTipos() const;
    bool Edicion() const { return FEdicion; }

private:
    // The speed bar, the options row, the grid and the row pictures (UAgendaExp_controles.cpp).
    void CreaControles();
    TSpeedItem* Item(const char* nombre, const QString& caption, const QString& hint, int left, void (TAgendaExp::*click)(TObject*));
    // Moves Dat->TAgen to the row of the list's current entry.
    bool LocalizaEntrada();
    // Runs the entry editor on Dat->TAgen, put in insert or edit; true when it saved.
    bool Editor(bool nuevo);
    void ColocaEn(int orden);
    bool FEdicion = false;
};

extern TAgendaExp* AgendaExp;

#include <functional>

namespace agenda {
// Opens the agenda of the case file current in Dat->TExped, modally, with the caption given and
// adding, editing and deleting by `edicion`.
void AbreAgendaExpediente(const QString& caption, bool edicion);
}  // namespace agenda
