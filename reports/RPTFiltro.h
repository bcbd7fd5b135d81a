#pragma once
// The case files the main window's browser shows under its current filters: "LISTADO DE
// EXPEDIENTES", headed by the year, the lawyer and the active criteria.
#include "comun/UFiltros.h"
#include "reports/ListaExpedientes.h"

namespace reports {
// The filter-description labels of the header, which the opener fills: the marker "Filtrado
// por :" and, for each of the first seven criterion rows, its label and its value.
struct TEtiquetasFiltro {
    static constexpr int Filas = 7;
    TQRLabel* Filtrado = nullptr;
    std::array<TQRLabel*, Filas> Etiqueta{}, Valor{};
};
}  // namespace reports

class TInfFiltro : public reports::TListaExpedientes {
public:
    explicit TInfFiltro(TComponent* owner);
    ~TInfFiltro() override;

    TTable* TExpCli = nullptr;
    TTable* TExpCon = nullptr;
    TQRBand* QRFiltros = nullptr;  // the description of the filters, on the first page
    TQRLabel *LAno = nullptr, *LAbogado = nullptr;
    reports::TEtiquetasFiltro LFiltro;

    // The selectors the rows are tested against (the main window's, passed by the opener).
    TSeleccionPrincipal Seleccion;

    void FormCreate(TObject* sender);
    void QExpedFilterRecord(TDataSet* dataSet, bool& accept);
};

extern TInfFiltro* InfFiltro;

namespace reports {
// The header texts: the year ("TODOS" when not chosen), the lawyer's name as the main window
// shows it, the marker when a filter is active, and "label:" and value of each used row among
// the first seven of `filas` (the rows after the seventh never reach the header).
void DescribeFiltro(TQRLabel* ano, TQRLabel* abogado, TEtiquetasFiltro& lineas, const TSeleccionPrincipal& sel,
                    const QString& nombreAbogado, const TFilasFiltro& filas);
// The title band that carries those texts.
TQRBand* BandaFiltro(TComponent* owner, TQuickRep* informe, TQRLabel*& ano, TQRLabel*& abogado, TEtiquetasFiltro& lineas,
                     const char* nombreAbogado);
// The band's height: 70 + 16 for each row up to the last one used (one row at least).
void AjustaBandaFiltro(TQRCustomBand* banda, const TEtiquetasFiltro& lineas);
// Previews the list with the main window's selectors and filters; `nombreAbogado` is the lawyer
// as its selector shows it.
void RPTFiltro(const TSeleccionPrincipal& seleccion, const QString& nombreAbogado);
}  // namespace reports
