#pragma once
// The pick list: the rows of a query the caller writes, under a root that carries the title. With
// the lookup tables of the office (districts, professions, courts...) it also adds, renames and
// deletes their values in place.
#include "controls/visual/ZBCtrls.h"
#include "platform/db/DBTables.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/graphics/ImgList.h"

class TBuscar : public TForm {
public:
    explicit TBuscar(TComponent* owner);
    ~TBuscar() override;

    TPanel* Barra = nullptr;
    TZbSpeedButton* btNuevo = nullptr;
    TZbSpeedButton* btBorrar = nullptr;
    TZbSpeedButton* btOk = nullptr;
    TZbSpeedButton* btNo = nullptr;
    TTreeView* Lista = nullptr;
    TImageList* Imagenes = nullptr;
    TQuery* QBusca = nullptr;
    TTable* TTabla = nullptr;
    TPopupMenu* PopupBuscar = nullptr;
    TMenuItem* Nuevo1 = nullptr;
    TMenuItem* Eliminar1 = nullptr;
    TMenuItem* N1 = nullptr;
    TMenuItem* Modificar1 = nullptr;

    // Mode 0 chooses only; 1 also adds, renames and deletes values of the lookup table the title
    // names; 2 lets "Nuevo" close the list with mrIgnore so that the caller makes a record.
    void Inicia(const QString& titulo, bool popup, int modo);
    void CargaLista();

    void ListaChange(TObject* sender, TTreeNode* node);
    void ListaDblClick(TObject* sender);
    void PopupBuscarPopup(TObject* sender);
    void btOkClick(TObject* sender);
    void btNoClick(TObject* sender);
    void btNuevoClick(TObject* sender);
    void btBorrarClick(TObject* sender);
    void CambiarNombre(TObject* sender);

private:
    bool EsFila(const TTreeNode* node) const { return node && node->Level() == 1; }
    // Opens TTabla on the table of the title; false when the title names no lookup table.
    bool AbreTabla();
    // Other views of the same table in the data module see the change.
    void RefrescaDat();
    // A data folder older than one of the lookup tables gets it, empty, before it is listed.
    void AseguraTabla();
    bool FCargando = false;
};

extern TBuscar* Buscar;

namespace comun {
// The file and the longest value of the lookup table a pick-list title names; false for a title
// outside the office's lookup tables.
bool TablaDeBusqueda(const QString& titulo, QString& fichero, int& longitud);
// A new value for a lookup table as the table keeps it (no trailing blanks); empty, after saying
// so with "<que> no puede quedar vacío", when the answer was only blanks.
QString ValorDeTabla(const QString& respuesta, const QString& que);
// Tree pictures. Two levels: closed and open folder, then leaf: 0/1 top, 2/3 group, 4/5 item.
// One level: 0 the open folder of the title, 1 the leaf of a row.
void ImagenesDeArbol(TImageList* lista, bool dosNiveles);
// The parts both searches build alike: the top bar, a flat button on it and the tree.
TPanel* BarraDeBusqueda(TForm* form);
TZbSpeedButton* BotonDeBusqueda(TForm* form, TPanel* barra, const char* name, const QString& caption, const QString& hint,
                                int left);
TTreeView* ListaDeBusqueda(TForm* form, TImageList* imagenes);
// Enter in the tree is OK where OK is offered; Esc is No.
void TeclasDeBusqueda(TTreeView* lista, TZbSpeedButton* ok, TZbSpeedButton* no);
}  // namespace comun
