#pragma once
// The printable card of one person of the office's tables: a one-page report whose query reads
// the record current in the data module, with its title, the name line and the labelled fields.
#include "platform/db/DBTables.h"
#include "platform/forms/Forms.h"
#include "platform/report/QRCtrls.h"
#include "platform/report/QuickRpt.h"

#include <vector>

namespace records {

class TFichaInforme : public TForm {
public:
    struct TLinea {
        QString Etiqueta;
        QStringList Campos;  // printed side by side
    };
    struct TDatos {
        QString Titulo;
        QStringList SQL;
        QString Parametro;          // parameter of the query
        TDataSet* Maestro = nullptr;  // the party table of the data module
        QString Clave;              // its key field, the parameter's value
        QString Separador;          // between APELLIDOS and NOMBRE in the name line
        std::vector<TLinea> Lineas;
    };
    TFichaInforme(TComponent* owner, const TDatos& datos);

    TQuickRep* QRFicha = nullptr;
    TQuery* QFicha = nullptr;
    TQRBand* QRCabecera = nullptr;
    TQRBand* QRDetalle = nullptr;
    TQRLabel* QRTitulo = nullptr;
    TQRLabel* QRNombre = nullptr;

    // Reads the current record of the party table and previews the card.
    void Preview();
    // Reads the current record of the party table and builds the pages (no preview).
    void Prepare();

    void QRDetalleBeforePrint(TQRCustomBand* band, bool& print);
    void FormClose(TObject* sender, TCloseAction& action);

private:
    void Abre();
    TDatos FDatos;
};

// The card of the record of `tabla` whose `clave` is the current one of `maestro`, read through
// the query parameter `parametro`.
TFichaInforme::TDatos DatosFicha(const QString& titulo, const QString& tabla, const QString& clave, const QString& parametro,
                                 TDataSet* maestro, const QString& separador,
                                 std::initializer_list<std::vector<TFichaInforme::TLinea>> lineas);
// The lines most cards begin with: the tax number (`cif`), the address, postal code and town,
// the province, and the telephone and fax unless `telefonos` is false.
std::vector<TFichaInforme::TLinea> LineasDireccion(const QString& cif, bool telefonos = true);
// The open, pending and closed case-file counters.
std::vector<TFichaInforme::TLinea> LineasExpedientes();
// The bank, branch and account number.
std::vector<TFichaInforme::TLinea> LineasBanco();

// The card's title on `informe` and the page header band that prints it centred, as every card
// of the office has it.
TQRLabel* CabeceraFicha(TComponent* owner, TQuickRep* informe, const QString& titulo, TQRBand*& cabecera);
// A bold right-aligned field caption of the card's detail band.
TQRLabel* EtiquetaFicha(TComponent* owner, TQRBand* detalle, const QString& texto, int top);

// Previews a card (the caller has installed the preview hook) and closes it.
void Previsualiza(TFichaInforme* ficha);
// The preview hook of the record forms: shows the pages of the report that sent it.
void MuestraPreview(TObject* sender);
// Runs `muestra` on a report form and closes the form afterwards, also when it fails.
template <class Informe, class Muestra>
void MuestraYCierra(Informe* informe, Muestra muestra) {
    try {
        muestra(informe);
    } catch (...) {
        informe->Close();
        throw;
    }
    informe->Close();
}

}  // namespace records
