#pragma once
// The dialog that completes a consultation's or the office's document: addressee, free texts,
// then the merge, the save and the agenda row.
#include "documents/UMail.h"

class TFMail2 : public documents::TDialogoFusion {
public:
    explicit TFMail2(TComponent* owner);

    void FormShow(TObject* sender);
    void LDesClick(TObject* sender) override;

protected:
    void Proveedores() override;
    void Destino() override;
    void DetalleFactura() override;
    std::vector<TListBox*> ListasConMarcas() const override;
};
