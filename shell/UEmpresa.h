#pragma once
// The office's settings: identity, address and bank, paths, taxes, currency and rate, word
// processor, the fee-note and letterhead models and the working year's last invoice number.
// It also rebuilds the numbering counters from the data and, when the default currency changes,
// converts the amounts of the accounting concepts.
#include "comun/UFormRegistro.h"
#include "controls/data/ZbDBComb.h"
#include "controls/data/ZbLookup.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Menus.h"
#include "platform/rtl/Events.h"

class TEmpresa : public TFormRegistro {
public:
    explicit TEmpresa(TComponent* owner);
    ~TEmpresa() override;

    // Creates the form, binds it to the settings row and shows it modally; it frees itself.
    static void Muestra();

    TDataSet* Tabla() const override;
    void activaEdicion(bool activa) override;

    TPageControl* Paginas = nullptr;
    TTabSheet* pgGeneral = nullptr;
    TTabSheet* pgConfig = nullptr;
    TDBEdit *DbDni = nullptr, *DBEmpresa = nullptr, *DBDireccion = nullptr, *DBPoblacion = nullptr,
            *DBCodPos = nullptr, *DBProvincia = nullptr, *DBTelefono = nullptr, *DBFax = nullptr, *DBBanco = nullptr,
            *DBSucursal = nullptr, *DBCuenta = nullptr;
    TDBEdit *DBCdRom = nullptr, *DBLogo = nullptr, *DBFileExt = nullptr, *DBIva = nullptr, *DBIrpf = nullptr,
            *DBEuro = nullptr;
    TButton* btCdRom = nullptr;
    TButton* btLogo = nullptr;
    TZbDBComboBox* DBMoneda = nullptr;
    TDBComboBox* DBEditor = nullptr;
    TEdit* EFactura = nullptr;
    TZbDBLookupCombo *DBMinuta = nullptr, *DBMinutaCons = nullptr, *DBCabCar = nullptr;
    TQuery* QEscritos = nullptr;  // fee-note models
    TQuery* QCartas = nullptr;    // letterhead models
    TDataSource *DSEscritos = nullptr, *DSCartas = nullptr;
    TPopupMenu* PopupMoneda = nullptr;
    TMenuItem* Pesetas = nullptr;
    TMenuItem* Euros1 = nullptr;
    TButton* btConta = nullptr;
    TQuery *QEscri = nullptr, *QAgenda = nullptr, *QCuentas = nullptr, *QNum = nullptr;
    TOpenDialog* OpenDialog1 = nullptr;

    void FormCreate();
    void PaginasChange(TObject* sender);
    void BtOkClick(TObject* sender);
    void btContaClick(TObject* sender);
    void btAyudaClick(TObject* sender);
    void DbDniExit(TObject* sender);
    void DBCodPosKeyPress(TObject* sender, QChar& key);
    void PesetasClick(TObject* sender);
    void Euros1Click(TObject* sender);
    void btCdRomClick(TObject* sender);
    void btLogoClick(TObject* sender);

protected:
    void EstadoCambiado(TDataSetState estado) override;

private:
    // The form's queries, the layout of its pages (UEmpresa_controles.cpp).
    void CreaDatos();
    void CreaControles();
    // A caption and the box of a column of the settings row, at `x` of row `fila` of `pagina`.
    TDBEdit* CampoEn(TWinControl* pagina, const QString& etiqueta, const QString& campo, int x, int fila, int ancho,
                     int ancho_etiqueta, int max = 0);
    TLabel* EtiquetaEn(TWinControl* pagina, const QString& texto, int x, int fila, int ancho);
    TZbDBLookupCombo* Modelos(const QString& etiqueta, const QString& campo, TDataSource* lista, int fila);
    // Step 1 of OK: the invoice counter and the settings row, stored together or not at all.
    void Graba();
    // Step 3 of OK: every concept's amount into the new currency, all of them or none.
    void ConvierteConceptos(QChar destino);
    void MonedaDesdeMenu(const QString& moneda);

    bool FHayFila = false;      // the working year has its counters' row
    QString FFacturaMostrada;   // NUMFACTU as shown in EFactura
    QString FMonedaRecordada;   // MONEDA when editing began
    TDataSetState FEstado = dsInactive;
};

extern TEmpresa* Empresa;
