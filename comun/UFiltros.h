#pragma once
// The filter of the main window's browsers, on its own so the list reports apply exactly the same
// selection: the criteria of each browser, the rows that list them ("Activado filtro por :"), the
// engine's selection text and the record-by-record test that gives the same answer.
#include <QString>
#include <array>

class TDataSet;

// The toolbar's two selectors and the user's reach, shared by both browsers.
struct TSeleccionPrincipal {
    // A firm lawyer is displayed (one lawyer in the office, or a chosen one); false for "TODOS".
    bool PorAbogado = false;
    int AbogadoElegido = 0;  // ABOCLI where Dat->TAboCli stands
    int AbogadoUsuario = -1;  // the user's `Abogado`: -1 every lawyer, 0 none, else one ABOCLI
    bool PorAno = true;      // the year box is checked
    QString Ano;             // AnoSeleccionado
};

// Up to ten rows "label / value" of a browser's active criteria.
class TFilasFiltro {
public:
    static constexpr int Filas = 10;
    QString Etiqueta(int fila) const { return Dentro(fila) ? FEtiqueta[size_t(fila)] : QString(); }
    QString Valor(int fila) const { return Dentro(fila) ? FValor[size_t(fila)] : QString(); }
    int UltimaFila() const { return FUltima; }
    bool Activo() const { return FActivo; }
    // Writes the row of the label (the row already holding it, else the first free one); false
    // when all ten rows hold other labels ("Demasiados filtros").
    bool Agrega(const QString& etiqueta, const QString& valor);
    // Removes a used row, moving the following ones up; returns its label. An empty row is left
    // alone and gives an empty label.
    QString Quita(int fila);
    int Usadas() const;
    // Heights that show exactly the used rows.
    int AltoPanel() const { return (FUltima + 1) * 18 + 9; }
    int AltoRejilla() const { return (FUltima + 1) * 16 + 3; }

private:
    static bool Dentro(int fila) { return fila >= 0 && fila < Filas; }
    std::array<QString, Filas> FEtiqueta, FValor;
    int FUltima = 0;
    bool FActivo = false;
};

struct TFiltroExpedientes {
    int FiltroCliente = 0, FiltroProCli = 0, FiltroContrario = 0, FiltroAboCon = 0, FiltroProCon = 0,
        FiltroPerito = 0;
    QString FiltroProcedimiento = QStringLiteral(" "), FiltroTribunal = QStringLiteral(" "),
            FiltroAutos = QStringLiteral(" ");
    int FiltroSituacion = 0;
    TFilasFiltro Filas;

    void Reinicia() { *this = TFiltroExpedientes(); }
    // Resets the criterion that a row's label stands for.
    void QuitaCriterio(const QString& etiqueta);
    // The selection as the text of a WHERE over EXPED (empty: every row).
    QString Sql(const TSeleccionPrincipal& sel) const;
    // The same test on the current row of `exped`; the clients and opposing parties of the case
    // file are looked up in `expCli` and `expCon` (tables of EXPCLI and EXPCON).
    bool Acepta(TDataSet* exped, const TSeleccionPrincipal& sel, TDataSet* expCli, TDataSet* expCon) const;
};

struct TFiltroConsultas {
    int FiltroAboEnt = 0;
    QString FiltroNomCliente, FiltroTipoCon;
    int FiltroSituacionCon = 0;
    TFilasFiltro Filas;

    void Reinicia() { *this = TFiltroConsultas(); }
    void QuitaCriterio(const QString& etiqueta);
    QString Sql(const TSeleccionPrincipal& sel) const;
    bool Acepta(TDataSet* consultas, const TSeleccionPrincipal& sel) const;
};

// The filter state of the two browsers, read by the main window and the list reports.
extern TFiltroExpedientes FiltroExp;
extern TFiltroConsultas FiltroCon;

namespace comun {
// A text as an SQL literal.
QString LiteralSql(const QString& texto);
// The lawyer condition of a selection on the column ABOCLI: empty when every row passes.
QString CondicionAbogado(const TSeleccionPrincipal& sel);
bool AceptaAbogado(const TSeleccionPrincipal& sel, int abocli);
}  // namespace comun
