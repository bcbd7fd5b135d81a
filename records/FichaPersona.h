#pragma once
// What the forms of clients, opposing parties, court agents, lawyers and experts share on top of
// the record form: labelled data-aware edits, the case file's reference box, the notes button,
// the identity-number letter, the digit-only postal code, the case-file counters and, for clients
// and opposing parties, their link to the case file that opened the form.
#include "comun/UFormRegistro.h"
#include "platform/forms/DBCtrls.h"

#include <functional>
#include <vector>

namespace records {

class TFichaPersona : public TFormRegistro {
public:
    struct TDatos {
        QString Caption;
        TTable* Tabla = nullptr;
        TDataSource* Fuente = nullptr;  // the data module's source of the table
        QString Fichero;
        QString Clave;
        QString Duplicado;  // empty: no duplicate check
        int Ayuda = 0;
        QString CampoNombre;  // calculated name shown by the notes editor
        // Clients and opposing parties: their link rows to a case file (Dat->TExpCli,
        // Dat->TExpCon, keyed by the case and Clave) and the form's opening mode, 2 when a case
        // file opened it: then the form stays open on OK and links the person on saving.
        TTable* Enlaces = nullptr;
        const int* Modo = nullptr;
    };
    TFichaPersona(TComponent* owner, const TDatos& datos);

    TDataSet* Tabla() const override { return FDatos.Tabla; }

    TLabel* LabelRefe = nullptr;
    TEdit* Referencia = nullptr;
    TButton* BtObserva = nullptr;
    TDBEdit* DbDni = nullptr;
    TDBEdit* DBCodPos = nullptr;

    void DbDniExit(TObject* sender);
    void DBCodPosKeyPress(TObject* sender, QChar& key);
    void BtObservaClick(TObject* sender);

    // The value the identity-number box stores on leaving it: the number followed by its letter
    // once; texts that are not a plain number stay as they are.
    static QString ConLetra(const QString& texto);

protected:
    // A label and a data-aware edit on the form's source, in column 0 or 1 of row `fila`.
    TDBEdit* CampoEn(const QString& etiqueta, const QString& campo, int columna, int fila, int ancho);
    TLabel* EtiquetaEn(const QString& texto, int columna, int fila);
    int Fila(int fila) const { return AreaTop() + fila * 27; }
    static int Izquierda(int columna) { return columna == 0 ? 95 : 470; }
    // The standard boxes: code, identity number (field `nif`), names, address, phones, mail.
    void CamposComunes(const QString& nif, bool telefonos);
    // Bank, branch (row `fila`) and account (the next row).
    void Bancarios(int fila);
    // Read-only counters, skipped by Tab, in the given row.
    void Contadores(const QStringList& campos, const QStringList& etiquetas, int fila);
    // A button shown under the edits, visible only in browse with records.
    TButton* BotonConsulta(const QString& nombre, const QString& caption, int izquierda, TNotifyEvent click);
    // The reference box and its label, at the right of the given row.
    void CajaReferencia(int fila);
    // What clients and opposing parties show below the standard boxes: the reference, the
    // associates, the case-file counters; and their relation-of-goods button.
    TButton* CamposDeParte(TNotifyEvent relacion);
    void AbreRelacion();

    // Opens the notes editor on the table's memo field (read only when the record is only viewed).
    void AbreNotas(const QString& campo, const QString& caption, const QString& titulo);
    static void Negrita(TButton* boton, bool negrita);
    static bool MemoLleno(TDataSet* t, const QString& campo);
    // The case file open in the data module: a field, and an edit-and-post of it.
    static TField* Expediente(const QString& campo);
    static void EditaExpediente(const std::function<void()>& cambio);

    void EstadoCambiado(TDataSetState estado) override;
    void RegistroCambiado() override;
    // The case-file link, for the forms whose description has one.
    bool DesdeExpediente() const { return FDatos.Enlaces && FDatos.Modo && *FDatos.Modo == 2; }
    bool NoCierra() const override { return DesdeExpediente(); }
    void TrasGuardar() override;
    bool PuedeAsignar() const override;
    void Asigna() override;

    // Referencia editable only out of browse (client, court agent, opposing lawyer).
    bool FRefSoloEdicion = true;
    TDatos FDatos;
    std::vector<TButton*> FBotonesConsulta;
};

// Whether the client has powers of attorney.
bool TienePoderes(int cliente);

}  // namespace records
