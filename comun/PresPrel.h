#pragma once
// The one print-preview window of the program: pages through the pages the last report run
// recorded in the report printer, zooms, and prints through the print-options dialog.
#include "controls/visual/SpeedBar.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"
#include "platform/report/QRPrev.h"

class TPreView : public TForm {
public:
    explicit TPreView(TComponent* owner);
    ~TPreView() override;

    TQRPreview* QRPreview1;
    TSpeedBar* SpeedBar1;
    TSpeedbarSection* SpeedbarSection1;
    TSpeedItem* sbPrint;
    TSpeedItem* btZoomOut;
    TSpeedItem* btZoomIn;
    TSpeedItem* btZoomPage;
    TSpeedItem* sbFirst;
    TSpeedItem* sbPrev;
    TSpeedItem* sbNext;
    TSpeedItem* sbLast;
    TSpeedItem* sbExit;
    TLabel* LPaginas;
    TTimer* Maqueta;  // lays out the pages still to come while the preview is idle

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormResize(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void FormKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void sbFirstClick(TObject* sender);
    void sbPrevClick(TObject* sender);
    void sbNextClick(TObject* sender);
    void sbLastClick(TObject* sender);
    void btZoomOutClick(TObject* sender);
    void btZoomInClick(TObject* sender);
    void btZoomPageClick(TObject* sender);
    void sbPrintClick(TObject* sender);
    void sbExitClick(TObject* sender);
    void MaquetaClick(TObject* sender);

private:
    // Navigation items after a page change, and the counter "3 de 12".
    void Situa();
    // "Última Página" while pages are still being laid out: the preview goes there when they are.
    bool FAlFinal = false;
};

extern TPreView* PreView;

namespace comun {
// The preview hook a report opener installs as QRPrinter->OnPreview: shows PreView modally
// (made first when the opener has not made it).
void MuestraPreView(TObject* report);
// A report run as every opener does it: the hook installed, PreView created, the report
// previewed (its pages shown modally), the hook cleared. A run that shows nothing (cancelled,
// or an error) leaves no preview window behind.
void PresentaInforme(TQuickRep* report);
}  // namespace comun
