#pragma once
// The two-level tree search: rows of the caller's query grouped under their group value (court
// agents by district, experts by profession, accounting concepts by kind...). On the case-file
// form it also makes new districts or professions, or asks the caller for a new person.
#include "controls/visual/ZBCtrls.h"
#include "platform/classes/Strings.h"
#include "platform/db/DBTables.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/ImgList.h"

#include <memory>

class TBuscar2 : public TForm {
public:
    explicit TBuscar2(TComponent* owner);
    ~TBuscar2() override;

    TPanel* Barra = nullptr;
    TZbSpeedButton* btNuevo = nullptr;
    TZbSpeedButton* btOk = nullptr;
    TZbSpeedButton* btNo = nullptr;
    TTreeView* Lista = nullptr;
    TImageList* Imagenes = nullptr;
    TQuery* QBusca = nullptr;
    TQuery* QPartidos = nullptr;
    TQuery* QProfesiones = nullptr;
    TTable* TTabla = nullptr;

    // QBusca is open on its first row; `modo` allows new groups and people, `grupos` shows every
    // district or profession, also those with nobody in them.
    void Inicia(const QString& caption, bool modo, bool grupos);
    // Caption, group text and NOMBRE of the current row of QBusca.
    std::unique_ptr<TStringList> RutaFila();

    void ListaChange(TObject* sender, TTreeNode* node);
    void ListaExpanded(TObject* sender, TTreeNode* node);
    void ListaCollapsed(TObject* sender, TTreeNode* node);
    void btOkClick(TObject* sender);
    void btNoClick(TObject* sender);
    void btNuevoClick(TObject* sender);

private:
    void AgregaGrupos();
    // Inserts a new district or profession unless one of exactly that text exists.
    void NuevoGrupo(TQuery* grupos, const QString& campo, const QString& fichero, const QString& duplicado);

    QString FCaption;
    bool FModo = false;
    bool FCargando = false;
    std::unique_ptr<TStringList> FRuta;
};

extern TBuscar2* Buscar2;
