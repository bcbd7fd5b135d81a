#pragma once
// The case files the main window's browser shows under its current filters: "LISTADO DE
// EXPEDIENTES", headed by the year, the lawyer and the active criteria.
#include "reports/ListaExpedientes.h"
#include "shell/UFiltros.h"

class TInfFiltro : public reports::TListaExpedientes {
public:
    explicit TInfFiltro(TComponent* owner);
    ~TInfFiltro() override;

    TTable* TExpCli = nullptr;
    TTable* TExpCon = nullptr;
    TQRBand* QRFiltros = nullptr;  // the description of the filters, on the first page
    TQRLabel *LAno = nullptr, *LAbogado = nullptr;
    std::array<TQRLabel*, TFilasFiltro::Filas> LFiltro{};

    // The selectors the rows are tested against (the main window's, when it exists).
    TSeleccionPrincipal Seleccion;

    void FormCreate(TObject* sender);
    void QExpedFilterRecord(TDataSet* dataSet, bool& accept);
};

extern TInfFiltro* InfFiltro;

namespace reports {
// The header texts: the year ("TODOS" when not chosen), the lawyer's name as the main window
// shows it, and one line "label : value" per active criterion of `filas`.
void DescribeFiltro(TQRLabel* ano, TQRLabel* abogado, std::array<TQRLabel*, TFilasFiltro::Filas>& lineas,
                    const TSeleccionPrincipal& sel, const QString& nombreAbogado, const TFilasFiltro& filas);
// The title band that carries those texts.
TQRBand* BandaFiltro(TComponent* owner, TQuickRep* informe, TQRLabel*& ano, TQRLabel*& abogado,
                     std::array<TQRLabel*, TFilasFiltro::Filas>& lineas, const char* nombreAbogado);
// Fits the band to the criteria lines it shows.
void AjustaBandaFiltro(TQRCustomBand* banda, const std::array<TQRLabel*, TFilasFiltro::Filas>& lineas);
// Previews the list with the main window's selection and filters.
void RPTFiltro();
}  // namespace reports
