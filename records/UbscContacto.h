#pragma once
// The address book: the people of five party tables in one sortable list, found by the beginning
// of the sort column, each opening its own record form. It also serves as the mail form's
// address picker through MailContacto.
#include "controls/data/ZBDBCtrl.h"
#include "controls/data/ZbQuery.h"
#include "controls/visual/SpeedBar.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

// E-mail of the row current when the address book last changed row (empty for an empty list).
extern QString MailContacto;

class TFContacto : public TForm {
public:
    explicit TFContacto(TComponent* owner);
    ~TFContacto() override;

    TZbQuery* QContactos = nullptr;
    TDataSource* DataSource1 = nullptr;
    TComboBox* Tipo = nullptr;
    TEdit* Edit1 = nullptr;
    TSpeedBar* SpeedBar1 = nullptr;
    TSpeedItem *btSalir = nullptr, *btOpen = nullptr, *btFind = nullptr;
    TZbDBGrid* ZbDBGrid1 = nullptr;

    void FormClose(TObject* sender, TCloseAction& action);
    void TipoChange(TObject* sender);
    void Edit1Change(TObject* sender);
    void btFindClick(TObject* sender);
    void btOpenClick(TObject* sender);
    void btSalirClick(TObject* sender);
    void ZbDBGrid1TitleBtnClick(TObject* sender, int col, TField* field);
    void ZbDBGrid1GetBtnParams(TObject* sender, TField* field, TFont* font, TColor& background, TSortMarker& marker,
                               bool isDown);
    void DataSource1DataChange(TObject* sender, TField* field);

    // The mail form's picker: several rows may be marked, and "Elegir" (or a double click) closes
    // the book with OK.
    void ModoSelector();
    void btElegirClick(TObject* sender);
    // "Name <address>" of the marked rows (the current row when none is marked), in the list's
    // order; the names of those without an address go to `sinCorreo`.
    QStringList Elegidos(QStringList* sinCorreo);
    TSpeedItem* btElegir = nullptr;

    // Rebuilds the list for the kind in Tipo, sorted by the field (empty: the current order).
    void CreaConsulta(const QString& macro, const QString& campo);
    QString Orden() const { return FOrden; }

private:
    QString FOrden = QStringLiteral("NOM");
};

extern TFContacto* FContacto;
