#pragma once
// The recount of the case files each person takes part in: per jurisdiction for the office's
// lawyers, per case state for opposing lawyers, court agents, experts, clients and opposing
// parties, written back into the people tables while a small window shows the progress.
#include "platform/db/DBTables.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <QStringList>
#include <vector>

class TFRec : public TForm {
public:
    explicit TFRec(TComponent* owner);
    ~TFRec() override;

    // Shows the window, runs the six passes over every person and closes it.
    static void Recuenta();

    TLabel* Label1 = nullptr;
    TProgressBar* Estado = nullptr;
    TQuery* QRecuentos = nullptr;
    // Its own cursors on the opposing lawyers and the court agents (primary index: the code).
    TTable* TAbogados = nullptr;
    TTable* TProcu = nullptr;

    // One pass each; -1 recounts every record, another code only that person.
    void RecuentaAboCli(int codigo);
    void RecuentaAbogados(int codigo);
    void RecuentaProcuradores(int codigo);
    void RecuentaPeritos(int codigo);
    void RecuentaClientes(int codigo);
    void RecuentaContrarios(int codigo);

    void FormClose(TObject* sender, TCloseAction& action);

private:
    struct TCuenta {
        QString Campo;
        QStringList SQL;
    };
    void Pasada(TTable* tabla, const QString& clave, const QString& texto, const QString& parametro,
                const std::vector<TCuenta>& cuentas, int codigo);
    // The three counts by case state: the first line (empty: the case files' own), the condition
    // lines with the state and `sufijo` appended to the last, then `despues` when given.
    static std::vector<TCuenta> PorSituacion(const QString& primera, const QStringList& condicion, const QString& sufijo,
                                             const QString& despues);
};

extern TFRec* FRec;
