#pragma once
// The dialog that completes a case file's document: the clients, opposing parties and addressee
// the document speaks of and its free texts, then the merge, the save and the agenda row.
#include "controls/visual/ZBCtrls.h"
#include "platform/db/DBTables.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <array>
#include <memory>
#include <vector>

namespace documents {

// What the case-file and consultation dialogs share: logo and join boxes, progress, the pages of
// addressees, free texts and notices, the lawyer pick list and the merge itself.
class TDialogoFusion : public TForm {
public:
    TDialogoFusion(TComponent* owner, const QString& caption, const QString& unir, bool unido);
    ~TDialogoFusion() override;

    TLabel *LLogo, *LUnir;
    TCheckBox* cbLogo;
    TCheckBox* cbUnir;
    TBitBtn* btOk;
    TBitBtn* btNo;
    TLabel* LProgreso;
    TProgressBar* Progreso;
    TPanel* Panel1;
    TPageControl* Paginas;
    TTabSheet *pgDestinos = nullptr, *pgOtros = nullptr, *pgAvisos = nullptr;
    TLabel* LDestinos = nullptr;
    TListBox* LDes = nullptr;
    TListBox* LDesAbo = nullptr;
    std::array<TLabel*, 10> LOtros{};
    std::array<TEdit*, 10> EOtros{};
    TQuery* TAbo;
    std::unique_ptr<TStringList> EtiquetasTexto;
    bool ConDetalleFactura = false;

    void FormCreate(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void cbClick(TObject* sender);
    void btOkClick(TObject* sender);
    virtual void LDesClick(TObject* sender) = 0;

protected:
    // The pages in their order; the dialogs add theirs before the shared ones.
    TTabSheet* Pagina(const char* nombre, const QString& caption);
    void CreaPaginasComunes();
    TListBox* Lista(TWinControl* padre, const char* nombre, int left, int top, int width, int height);
    TQuery* Consulta(const char* nombre, const QString& sql);
    // Fills a pick list with one entry per row: the row's name and a bookmark of it.
    void Llena(TListBox* lista, TDataSet* datos, QString (*nombre)(TDataSet*));
    // Moves entry `indice` of one list to the end of the other, with its bookmark.
    static void Mueve(TListBox* de, TListBox* a, int indice);
    // Step of FormShow for the free texts: labels and boxes.
    void PreparaTextos();
    // After the pages were chosen: the page control and the panel behind it.
    void MuestraPaginas(std::initializer_list<TTabSheet*> cuentan);
    void Progresa(int valor);
    // The providers of the dialog's record, the chosen addressee and the invoice block.
    virtual void Proveedores() = 0;
    virtual void Destino() = 0;
    virtual void DetalleFactura() = 0;
    // Every list whose entries carry bookmarks, emptied on close.
    virtual std::vector<TListBox*> ListasConMarcas() const = 0;

    std::vector<std::unique_ptr<TBookmarkObject>> FMarcas;
};

// Name of a person's row as the lists show it: "NOMBRE APELLIDOS", or "APELLIDOS, NOMBRE".
QString NombreApellidos(TDataSet* fila);
QString ApellidosNombre(TDataSet* fila);
// Installs the two merge dialogs as the merge drivers' dialogs.
void InstalaDialogosFusion();

}  // namespace documents

class TFMail : public documents::TDialogoFusion {
public:
    explicit TFMail(TComponent* owner);

    TTabSheet *pgClientes, *pgContrarios;
    TLabel *LClientes, *LContrarios;
    TListBox *LCli, *LCli2, *LCon, *LCon2;
    TLabel *LCNeed, *LCoNeed;
    TZbSpeedButton *btAddCli, *btAddAllCli, *btDelCli, *btDelAllCli;
    TZbSpeedButton *btAddCon, *btAddAllCon, *btDelCon, *btDelAllCon;
    TListBox *LDesCli, *LDesCon, *LDesPro;
    TQuery *TExpCli, *TExpCon, *TPro;
    int ClientesEsperados = 0;
    int ContrariosEsperados = 0;

    void FormShow(TObject* sender);
    void btAddCliClick(TObject* sender);
    void btAddAllCliClick(TObject* sender);
    void btDelCliClick(TObject* sender);
    void btDelAllCliClick(TObject* sender);
    void btAddConClick(TObject* sender);
    void btAddAllConClick(TObject* sender);
    void btDelConClick(TObject* sender);
    void btDelAllConClick(TObject* sender);
    void LCliClick(TObject* sender);
    void LCli2Click(TObject* sender);
    void LConClick(TObject* sender);
    void LCon2Click(TObject* sender);
    // The arrow keys do in the lists what the arrow buttons beside them do with the mouse.
    void ListaKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void PaginasChange(TObject* sender);
    void LDesClick(TObject* sender) override;

protected:
    void Proveedores() override;
    void Destino() override;
    void DetalleFactura() override;
    std::vector<TListBox*> ListasConMarcas() const override;
};

// How many ordinal groups ("Primer", "Segundo", "Tercer", "Cuarto" + `sufijo`) the found fields
// use without a gap from the first.
int EsperadosDe(const QString& sufijo);
