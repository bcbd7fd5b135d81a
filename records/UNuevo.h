#pragma once
// The small dialog that opens a new case file, a new consultation or a case file linked to the
// current one, or takes a year and number to search for. The caller's caption picks the task.
#include "controls/visual/ZBCtrls.h"
#include "platform/db/DBTables.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Mask.h"
#include "platform/forms/StdCtrls.h"

#include <vector>

class TNuevoExp : public TForm {
public:
    explicit TNuevoExp(TComponent* owner);
    ~TNuevoExp() override;

    static const QString CaptionExpediente;  // "Introduzca Nuevo Expediente"
    static const QString CaptionConsulta;    // "Introduzca Nueva Consulta"
    static const QString CaptionVincular;    // "Introduzca Expediente a Vincular"
    static const QString CaptionBuscar;      // "Introduzca Expediente a Buscar"

    TLabel* L1 = nullptr;
    TLabel* LAno = nullptr;
    TLabel* LFecha = nullptr;
    TLabel* LAbo = nullptr;
    TComboBox* AnoActual = nullptr;
    TMaskEdit* Expediente = nullptr;
    TMaskEdit* Fecha = nullptr;
    TZbSpeedButton* btFecha = nullptr;
    TComboBox* AboEntra = nullptr;
    TBitBtn* BtOk = nullptr;
    TBitBtn* BtNo = nullptr;

    TQuery* QAboEntra = nullptr;
    TQuery* QExped = nullptr;
    TTable* TVinCli = nullptr;
    TTable* TVinCon = nullptr;
    TTable* TVincular = nullptr;

    // The caller's set-up: positions Dat->TTabcon on the working year's row, sets the caption and,
    // except for a search, the proposed number (the year's counter) and today's date; a search
    // disables the date and the entry lawyer instead.
    void Prepara(const QString& caption);

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void FormKeyPress(TObject* sender, QChar& key);
    void AboEntraChange(TObject* sender);
    void btFechaClick(TObject* sender);
    void FechaExit(TObject* sender);
    void BtOkClick(TObject* sender);
    void BtNoClick(TObject* sender);

private:
    void NuevaConsulta();
    void NuevoExpediente();
    void Vincula();
    // Entry lawyer chosen: 0 for "NINGUNO".
    int AbogadoEntrada() const;
    TDateTime FechaTecleada() const;
    // The working year's counter row, made when the year has none yet.
    void CuentaNumero(const QString& campo, const QString& numero);
    // After a failed write: pending inserts and edits are dropped and the views re-read.
    void Deshace(std::initializer_list<TDataSet*> tablas);
    void Agenda(const QString& ano, const QString& numero, int abocli, TDateTime fecha, const QString& tipo,
                const QString& situacion);

    std::vector<int> FAbogados;  // code of each AboEntra item after "NINGUNO"
};

extern TNuevoExp* NuevoExp;
