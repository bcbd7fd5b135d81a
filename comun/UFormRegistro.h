#pragma once
// The record form every maintenance form of the office stands on: one table of the data module
// edited record by record, with a speed bar of navigation and record commands, the state label
// "[Estado :%s]", OK/No shown only while editing, a duplicate-name check on a cursor of its own,
// the search dialog, the printable record card and the keyboard shortcuts.
//
// A derived form builds its edits in its constructor (below AreaTop(), above AreaBottom()),
// names its table with Tabla(), and fills in the hooks it needs; its opener then calls
// activaEdicion and shows it modally. The form frees itself when closed.
#include "controls/visual/SpeedBar.h"
#include "platform/db/DBTables.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

class TFormRegistro : public TForm {
public:
    explicit TFormRegistro(TComponent* owner);
    ~TFormRegistro() override;

    // Binds ActiveSource to the form's table (true) or to nothing (false, a read-only view), and
    // shows the navigation and record items and the assign item exactly when a table is bound.
    virtual void activaEdicion(bool activa);

    // The form's table of the data module.
    virtual TDataSet* Tabla() const = 0;

    TDataSource* ActiveSource = nullptr;
    TSpeedBar* SpeedBar1 = nullptr;
    TSpeedItem *btFirst = nullptr, *btPrev = nullptr, *btNext = nullptr, *btLast = nullptr, *btAdd = nullptr,
               *btDel = nullptr, *btEdit = nullptr, *btRefresh = nullptr, *btBuscar = nullptr,
               *btImprimir = nullptr, *btAsigna = nullptr, *btAyuda = nullptr, *BtSalir = nullptr;
    TLabel* ModeIndicator = nullptr;
    TBitBtn* BtOk = nullptr;
    TBitBtn* BtNo = nullptr;
    // Cursor of its own over the table file, for the duplicate check only.
    TTable* TBsc = nullptr;

    // Handlers.
    void FormClose(TObject* sender, TCloseAction& action);
    void FormKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void FormKeyPress(TObject* sender, QChar& key);
    void ActiveSourceStateChange(TObject* sender);
    void ActiveSourceDataChange(TObject* sender, TField* field);
    void BtOkClick(TObject* sender);
    void BtNoClick(TObject* sender);
    void btAsignaClick(TObject* sender);
    void btBuscarClick(TObject* sender);
    void btImprimirClick(TObject* sender);
    void BtSalirClick(TObject* sender);
    void btAyudaClick(TObject* sender);
    void btRefreshClick(TObject* sender);
    void btFirstClick(TObject* sender);
    void btPrevClick(TObject* sender);
    void btNextClick(TObject* sender);
    void btLastClick(TObject* sender);
    void btAddClick(TObject* sender);
    void btEditClick(TObject* sender);
    void btDelClick(TObject* sender);

    // The state's name in the label: "Consulta", "Modificar", "Nuevo", else empty.
    static QString NombreEstado(TDataSetState state);

    // The search a form offers: a pick list or, with Arbol, the tree grouped by CONCEPTO. The
    // query returns CODIGO and NOMBRE; Clave is the table's field located with the chosen CODIGO.
    struct TBusqueda {
        QString Caption;
        QString Titulo;
        QStringList SQL;
        bool Arbol = false;
        QString Clave;
        std::vector<std::pair<QString, Variant>> Parametros;
    };

protected:
    // Opened with activaEdicion(false): the record is shown, nothing of it may change.
    bool SoloConsulta() const { return ActiveSource->DataSet() == nullptr; }
    // Area between the speed bar and the OK/No row, for the form's own controls.
    int AreaTop() const;
    int AreaBottom() const;
    // The bottom row, which holds OK/No at its right; forms may put their own buttons at its left.
    TPanel* Pie() const { return FPie; }
    // Sets the client size and places the bottom row.
    void FijaTamano(int width, int height);
    // A right-aligned caption level with an edit at `top`.
    TLabel* Rotulo(const QString& texto, int left, int top, int width);
    // A plain button of the form, 21 high.
    TButton* Boton(const char* nombre, const QString& caption, int left, int top, int width, TNotifyEvent click);
    // A speed item of the form's own, shown, its glyph drawn by `pinta` on the transparent
    // colour; the form places it.
    // The calendar over the date of `f`; on OK the chosen day goes into it. Focus returns to `edit`.
    void FechaDeCalendario(TField* f, TWinControl* edit);
    TSpeedItem* NuevoBoton(const char* nombre, const QString& hint, const std::function<void(TCanvas*)>& pinta);

    // The duplicate check: TBsc over `fichero`, its key field and the confirmation text. Forms
    // that never call it have no check.
    void IniciaDuplicados(const QString& fichero, const QString& clave, const QString& mensaje);
    // Steps of OK before posting: true to post, false when the user declined.
    bool ConfirmaDuplicado();

    // Hooks.
    // After a successful post on OK (the mode path).
    virtual void TrasGuardar() {}
    // After No cancelled: true also closes the form with the modal result No.
    virtual bool NoCierra() const { return false; }
    // Whether the assign item may be offered when a table is bound.
    virtual bool AsignaDisponible() const { return true; }
    // The assign command; only called while the table is in browse.
    virtual void Asigna() {}
    // Whether the shown record may be assigned now (record change step).
    virtual bool PuedeAsignar() const { return true; }
    // Whether the shown record may be deleted (it says why not itself).
    virtual bool PuedeBorrar() { return true; }
    // Extra work of the state and record-change steps (only while a table is bound).
    virtual void EstadoCambiado(TDataSetState) {}
    virtual void RegistroCambiado() {}
    // The form's search; empty SQL: the search item does nothing.
    virtual TBusqueda Busqueda() const { return {}; }
    // Runs the pick list (or, with Arbol, the tree search) over the query of `busqueda`, with
    // the pick list's pop-up menu and mode as given; on OK `eleccion` reads the chosen row.
    static void Elige(const TBusqueda& busqueda, bool popup, int modo, const std::function<void(TDataSet*)>& eleccion);
    // Moves the table to the row the search dialog chose (current row of its query).
    virtual void LocalizaBuscado(TDataSet* elegido, const TBusqueda& busqueda);
    // Creates the record card, previews it and closes it (the preview hook is installed).
    virtual void ImprimeFicha() {}
    // When the form closes, after a pending change was cancelled.
    virtual void AlCerrar() {}
    // The report printer's preview event while the card runs.
    virtual void MuestraPreview(TObject* sender);

    // Only Ctrl+Enter of the keys (the powers form).
    bool FSoloCtrlEnter = false;

private:
    TSpeedItem* NuevoItem(const QString& name, const QString& hint, int left, void (TFormRegistro::*click)(TObject*));
    void Navegacion();
    TPanel* FPie = nullptr;
    QString FClave, FMensaje;
};
