#pragma once
// Pieces the office's list reports share: their queries on the office's database, the page
// header (title, date, "Página : "), column heads over the detail columns, and the words and
// number formats that several lists print alike.
#include "platform/db/DBTables.h"
#include "platform/forms/Forms.h"
#include "platform/report/QRCtrls.h"
#include "platform/report/QuickRpt.h"

#include <QHash>
#include <array>
#include <initializer_list>
#include <vector>

namespace reports {

TQuery* NuevaConsulta(TComponent* owner, const char* nombre, const QString& sql);
// A report over `ds` in Arial 8, A4 (landscape for wide lists), with the program's margins.
TQuickRep* NuevoInforme(TComponent* owner, const char* nombre, TDataSet* ds, const QString& titulo,
                        TPrinterOrientation orientacion = poPortrait);
TQRBand* NuevaBanda(TComponent* owner, TQuickRep* informe, const char* nombre, TQRBandType tipo, int alto);
TQRGroup* NuevoGrupo(TComponent* owner, TQuickRep* informe, const char* nombre, const QString& expresion, int alto);
TQRLabel* NuevaEtiqueta(TComponent* owner, TQRCustomBand* banda, const char* nombre, int left, int top, int width,
                        const QString& texto = QString(), TAlignment alineacion = taLeftJustify, bool negrita = false);
// A right-aligned field or a sum prints its figure whole (see Cifra).
TQRDBText* NuevoCampo(TComponent* owner, TQRCustomBand* banda, const char* nombre, TDataSet* ds, const char* campo,
                      int left, int top, int width, TAlignment alineacion = taLeftJustify);
void Cifra(TQRPrintable* p);
TQRExpr* NuevaSuma(TComponent* owner, TQRCustomBand* banda, const char* nombre, const QString& expresion, int left,
                   int top, int width);

// The page header every list prints: date at the left, "Página : " and the page at the right,
// and the title label (named QRLabel1 unless told) centred below them. `filtro` adds the
// range label QRFiltro under the title.
struct TCabeceraListado {
    TQRLabel* Titulo = nullptr;
    TQRSysData* Fecha = nullptr;
    TQRSysData* Pagina = nullptr;
    TQRLabel* Filtro = nullptr;
};
TCabeceraListado NuevaCabecera(TComponent* owner, TQRCustomBand* banda, const QString& titulo, bool filtro = false,
                               const char* nombreTitulo = "QRLabel1");

// A column: its head and its share of the printable width.
struct TColumna {
    const char* Cabecera;
    int Peso;
    TAlignment Alineacion = taLeftJustify;
};
// Lefts and widths of the columns across the band's printable width.
struct TSitio {
    int Left, Width;
};
std::vector<TSitio> Reparte(int ancho, std::initializer_list<TColumna> columnas);
// The heads of the columns, bold, at `top` of the header band, with a line under them; the
// places of the columns.
std::vector<TSitio> Cabeceras(TComponent* owner, TQRCustomBand* banda, int top,
                              std::initializer_list<TColumna> columnas);

// Case-file state 1 "ABIERTO", 2 "FACTURADO", 3 "CERRADO", else empty.
QString SituacionExpediente(int situacion);
// Consultation state 1 "ABIERTA", 2 "FACTURADA", any other "COBRADA".
QString SituacionConsulta(int situacion);
// The office currency of the settings record ("E" euros, "P" pesetas) and its exchange rate.
QString MonedaDespacho();
double CambioEuro();
// Display format of amounts: "#,##0.00" for euros, "#,##0" for pesetas.
QString FormatoMoneda(const QString& moneda);
// "%10.2n" / "%10.0n" as Spanish text.
QString ImporteTexto(double importe, int decimales);
// A total of amounts of `moneda` ("E"/"P") in the office currency `despacho`: as it is when
// both are the same, else converted with `cambio` (pesetas per euro): euros to whole pesetas,
// pesetas to euro cents. False when it must be converted and there is no rate.
bool EnMonedaDespacho(double total, const QString& moneda, const QString& despacho, double cambio, double& resultado);
// Invoice reference "2001-15" of a year and a number, empty when either is missing.
QString ReferenciaFactura(TDateTime fechaFactura, int factura);

// Reads the rows of `q` between the dates :FDESDE and :FHASTA and shows the range text on `filtro`.
void AbreEntreFechas(TQuery* q, TQRLabel* filtro, TDateTime desde, TDateTime hasta, const QString& texto);
// Reads the rows of `q` of one case file (:ANO and :NUMERO), prepared once for the whole run.
void AbreDelExpediente(TQuery* q, const QString& ano, const QString& numero);

// A list that carries no code of its own: one query, a page header with the title, the date
// and the page, column heads, and one detail band of the query's fields, optionally grouped on
// one field whose value heads each group.
struct TCampoLista {
    const char* Cabecera;
    const char* Campo;
    int Peso;
    TAlignment Alineacion = taLeftJustify;
};
class TListaSimple : public TForm {
public:
    TListaSimple(TComponent* owner, const char* nombreForm, const char* nombreConsulta, const QString& titulo,
                 const QString& sql, const char* campoGrupo, const std::vector<TCampoLista>& campos,
                 TPrinterOrientation orientacion = poPortrait);

    TQuery* Consulta = nullptr;  // also under the query's own name
    TQuickRep* QuickRep1 = nullptr;
    TQRBand* QRBand1 = nullptr;   // page header
    TQRGroup* QRGroup1 = nullptr;  // group header, when grouped
    TQRBand* QRBand2 = nullptr;   // detail
    TQRLabel* QRLabel1 = nullptr;  // title

    void FormClose(TObject* sender, TCloseAction& action);
};

// The list of clients or of opposing parties (`tabla` CLIENTES or CONTRARIOS): its query and
// its columns, the same for both.
QString SqlPartes(const char* tabla);
std::vector<TCampoLista> ColumnasPartes();
// The list of court agents or experts: the name, tax number, address and telephones, and last
// `campo` (the agent's district or the expert's profession) under `cabecera`, ordered by `orden`.
QString SqlProfesionales(const char* tabla, const char* campo, const char* orden);
std::vector<TCampoLista> ColumnasProfesionales(const char* cabecera, const char* campo);

// The client and opposing-party name lines of a case-file row, up to five of each: the
// queries QClientes and QContrarios over the row's ANO and NUMERO, and the labels QRCli1 ..
// QRCli5 and QRCon1 .. QRCon5 stacked 20 units apart.
class TLineasPartes {
public:
    static constexpr int Maximo = 5;
    // `leftCli` < 0: no client lines.
    void Crea(TComponent* owner, TQRCustomBand* banda, int leftCli, int anchoCli, int leftCon, int anchoCon);
    // Reopens the queries for the row ANO/NUMERO and lays out the lines; the number of lines
    // the band needs (at least 1).
    int Rellena(const QString& ano, const QString& numero);
    // Before a run over the case files of `maestro` (fields ANO and NUMERO): a long list reads
    // the names of several hundred case files at a time (the same names in the same order)
    // instead of two queries per row.
    void Prepara(TDataSet* maestro);

    TQuery* QClientes = nullptr;
    TQuery* QContrarios = nullptr;
    std::array<TQRLabel*, Maximo> QRCli{}, QRCon{};

private:
    static QStringList Nombres(TQuery* q, const QString& ano, const QString& numero);
    static int Lineas(const QStringList& nombres, std::array<TQRLabel*, Maximo>& lineas);
    void Lee(TQuery* q, int desde, QHash<QString, QStringList>& nombres, bool& enteros);
    static void LeeDonde(TQuery* q, const QString& condicion, QHash<QString, QStringList>& nombres);
    const QStringList& Busca(TQuery* q, const QString& clave, QHash<QString, QStringList>& nombres, bool& enteros);
    bool FTodos = false;
    QList<QPair<QString, QString>> FClaves;  // the master's case files in order
    QHash<QString, int> FPosicion;
    QStringList FAnos;  // their years
    QHash<QString, QStringList> FClientes, FContrarios;
    bool FClientesEnteros = false, FContrariosEnteros = false;  // whole years read
};

// A name looked up by code through a one-row query (`SELECT ... AS <campo> ... = :<param>`),
// remembered for the rest of the run.
class TNombres {
public:
    TNombres() = default;
    TNombres(TQuery* consulta, const char* parametro, const char* campo)
        : Consulta(consulta), FParam(QString::fromLatin1(parametro)), FCampo(QString::fromLatin1(campo)) {}
    QString Nombre(int codigo);
    void Olvida() { FCache.clear(); }
    TQuery* Consulta = nullptr;

private:
    QString FParam, FCampo;
    QHash<int, QString> FCache;
};

// Builds a report form, lets `prepara` fill it, previews it through the preview window and
// closes the form (which frees itself), whatever happens.
template <class Form, class Base, class Prepara>
void Presenta(Form*& variable, TQuickRep* Base::*informe, Prepara prepara);

}  // namespace reports

#include "comun/PresPrel.h"

template <class Form, class Base, class Prepara>
void reports::Presenta(Form*& variable, TQuickRep* Base::*informe, Prepara prepara) {
    variable = new Form(Application);
    Form* form = variable;
    struct Cierre {
        Form* F;
        ~Cierre() { F->Close(); }
    } cierre{form};
    prepara(form);
    comun::PresentaInforme(form->*informe);
}
