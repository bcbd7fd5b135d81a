#pragma once
// The window of one consultation: its client, type, hours, fee and dates; it closes and reopens
// the consultation and prints its card.
#include "comun/UFormRegistro.h"
#include "controls/data/ZbLookup.h"
#include "platform/forms/DBCtrls.h"

class TConsulta : public TFormRegistro {
public:
    explicit TConsulta(TComponent* owner);
    ~TConsulta() override;

    TDataSet* Tabla() const override;
    void activaEdicion(bool activa) override;

    TQuery* QInsAgen = nullptr;
    TQuery* QUpdConA = nullptr;
    TQuery* QUpdTabCon = nullptr;
    TQuery* QUpdCon = nullptr;

    TLabel* Consulta = nullptr;
    TEdit* Situacion = nullptr;
    TDBEdit* DBFechaEntrada = nullptr;
    TDBText* DBNomAboCli = nullptr;
    TZbDBLookupCombo* ZbAboEnt = nullptr;
    TButton* btCliente = nullptr;
    TDBEdit* DBNomCliente = nullptr;
    TDBEdit* DBCliente = nullptr;
    TButton* BtBuscar1 = nullptr;
    TDBEdit* DBHoras = nullptr;
    TDBEdit* DBTipo = nullptr;
    TButton* BtBuscar4 = nullptr;
    TDBEdit* DBImporte = nullptr;
    TDBMemo* DBObservaciones = nullptr;
    TDBEdit* DBPresen = nullptr;
    TButton* btPres = nullptr;
    TDBEdit* DBDev = nullptr;
    TButton* btDev = nullptr;
    TImage* Image4 = nullptr;  // pesetas
    TImage* Image5 = nullptr;  // euros
    TSpeedItem *btCerrar = nullptr, *btFacturar = nullptr, *btEscrito = nullptr;

    void Refresca();

    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void btRefreshClick(TObject* sender);
    void ConsultaOkClick(TObject* sender);
    void ConsultaKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void BtBuscar1Click(TObject* sender);
    void BtBuscar4Click(TObject* sender);
    void btPresClick(TObject* sender);
    void btDevClick(TObject* sender);
    void DBImporteKeyPress(TObject* sender, QChar& key);
    void btClienteClick(TObject* sender);
    void btBuscarClick(TObject* sender);
    void btCerrarClick(TObject* sender);
    void btFacturarClick(TObject* sender);
    void BtEscritoClick(TObject* sender);
    void Image4Click(TObject* sender);
    void Image5Click(TObject* sender);

protected:
    void EstadoCambiado(TDataSetState estado) override;
    void RegistroCambiado() override;
    bool AsignaDisponible() const override { return false; }
    void ImprimeFicha() override;
    void MuestraPreview(TObject* sender) override;

private:
    // The form's queries, the layout of its controls (UConsulta_controles.cpp).
    void CreaDatos();
    void CreaControles();
    // The lawyers of entry of the combo.
    TQuery* FAbogados = nullptr;
    TDataSource* FListaAbogados = nullptr;
    bool PuedeFacturar() const;
    void AnotaEnAgenda(int abocli, const QString& ano, const QString& numero, const QString& tipoAgenda,
                       const QString& texto);
    void Deshace(bool releer);
    void Calendario(const QString& campo, TDBEdit* edit);
};

extern TConsulta* Consulta;
