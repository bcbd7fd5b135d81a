#pragma once
// The splash window shown while the data opens: a gauge the data module moves, the program's
// animation and the product label.
#include "controls/visual/GIFCtrl.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

#include <QImage>
#include <memory>

class TPresenta : public TForm {
public:
    explicit TPresenta(TComponent* owner);

    TPanel* Panel1;
    TGauge* Ps;
    TZbGIFAnimator* ZbGIFAnimator1;
    TLabel* Label1;
    TLabel* Label2;

    void FormCreate(TObject* sender);
    void ZbGIFAnimator1FrameChanged(TObject* sender);
};

namespace shell {
// The program's picture: the scales of the office, tilted by `inclinacion` (-1 to 1), drawn on
// white in a square of `lado` pixels.
QImage DibujoBalanza(int lado, double inclinacion);
// The splash animation: the scales swinging, one frame every 100 ms, looping.
std::unique_ptr<TGIFImage> AnimacionPresentacion();
}  // namespace shell
