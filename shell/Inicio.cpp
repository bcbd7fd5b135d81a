#include "shell/Inicio.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <map>

namespace shell {

QImage DibujoBalanza(int lado, double inclinacion) {
    QImage img(lado, lado, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(lado / 96.0, lado / 96.0);
    const QColor azul(0x1F, 0x3A, 0x6E), oro(0xC8, 0x96, 0x2B);
    // Column and foot.
    p.setPen(Qt::NoPen);
    p.setBrush(azul);
    p.drawRect(QRectF(45, 20, 6, 62));
    p.drawRoundedRect(QRectF(28, 80, 40, 7), 3, 3);
    p.setBrush(oro);
    p.drawEllipse(QPointF(48, 18), 5, 5);
    // Beam, turned about the top of the column; the pans hang straight down from its ends.
    const double angulo = inclinacion * 14.0 * M_PI / 180.0;
    const double dx = 34 * std::cos(angulo), dy = 34 * std::sin(angulo);
    const QPointF izquierda(48 - dx, 22 - dy), derecha(48 + dx, 22 + dy);
    p.setPen(QPen(azul, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(izquierda, derecha);
    for (const QPointF& extremo : {izquierda, derecha}) {
        const QPointF fondo = extremo + QPointF(0, 30);
        p.setPen(QPen(azul, 1.2));
        p.drawLine(extremo, fondo + QPointF(-11, 0));
        p.drawLine(extremo, fondo + QPointF(11, 0));
        QPainterPath plato;
        plato.moveTo(fondo + QPointF(-13, 0));
        plato.quadTo(fondo + QPointF(0, 12), fondo + QPointF(13, 0));
        plato.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(oro);
        p.drawPath(plato);
    }
    return img;
}

std::unique_ptr<TGIFImage> AnimacionPresentacion() {
    auto gif = std::make_unique<TGIFImage>();
    constexpr int Pasos = 12;
    // The beam swings out and back: each tilt but the two ends is shown twice, and drawn once.
    std::map<long long, TBitmap> dibujados;
    for (int i = 0; i < Pasos; ++i) {
        const double inclinacion = std::sin(2 * M_PI * i / Pasos);
        auto [cuadro, nuevo] = dibujados.try_emplace(std::llround(inclinacion * 1e6));
        if (nuevo) cuadro->second.FromImage(DibujoBalanza(96, inclinacion));
        const int indice = gif->AddFrame(&cuadro->second);
        gif->Frames(indice)->SetAnimateInterval(100);
    }
    gif->SetLooping(true);
    gif->SetFrameIndex(0);
    return gif;
}

}  // namespace shell

TPresenta::TPresenta(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("Presenta"));
    SetBorderStyle(bsNone);
    SetPosition(poScreenCenter);
    SetCursor(crHourGlass);
    SetClientWidth(340);
    SetClientHeight(200);
    Font()->SetName(QStringLiteral("MS Sans Serif"));

    Panel1 = new TPanel(this);
    Panel1->SetName(QStringLiteral("Panel1"));
    Panel1->SetParent(this);
    Panel1->SetAlign(alClient);
    Panel1->SetBevelOuter(bvNone);
    Panel1->SetBorderStyle(bsSingle);
    Panel1->SetColor(clWhite);
    Panel1->SetCaption(QString());

    ZbGIFAnimator1 = new TZbGIFAnimator(this);
    ZbGIFAnimator1->SetName(QStringLiteral("ZbGIFAnimator1"));
    ZbGIFAnimator1->SetParent(Panel1);
    ZbGIFAnimator1->SetAutoSize(false);
    ZbGIFAnimator1->SetCenter(true);
    ZbGIFAnimator1->SetBounds(12, 12, 104, 104);
    {
        auto animacion = shell::AnimacionPresentacion();
        ZbGIFAnimator1->SetImage(animacion.get());
    }

    Label2 = new TLabel(this);
    Label2->SetName(QStringLiteral("Label2"));
    Label2->SetParent(Panel1);
    Label2->SetBounds(128, 34, 200, 32);
    Label2->SetCaption(QStringLiteral("Zembra 4.0"));
    {
        // Set whole: one at a time, each step would find and load a font of its own.
        TFont letra;
        letra.SetName(QStringLiteral("Times New Roman"));
        letra.SetHeight(-28);
        letra.SetStyle(TFontStyles{fsBold});
        letra.SetColor(TColor(0x6E3A1F));
        Label2->Font()->Assign(&letra);
    }

    Label1 = new TLabel(this);
    Label1->SetName(QStringLiteral("Label1"));
    Label1->SetParent(Panel1);
    Label1->SetBounds(128, 80, 200, 16);
    Label1->SetCaption(QStringLiteral("Cargando .."));

    Ps = new TGauge(this);
    Ps->SetName(QStringLiteral("Ps"));
    Ps->SetParent(Panel1);
    Ps->SetBounds(12, 140, 312, 22);
    Ps->SetMinValue(0);
    Ps->SetMaxValue(100);
    Ps->SetProgress(0);
    Ps->SetForeColor(clNavy);

    ZbGIFAnimator1->OnFrameChanged = TNotifyEvent(this, &TPresenta::ZbGIFAnimator1FrameChanged);
    OnCreate = TNotifyEvent(this, &TPresenta::FormCreate);
    ZbGIFAnimator1->SetAnimate(true);
    DoCreate();
}

void TPresenta::FormCreate(TObject*) {}

// The data module opens its tables on this thread: each frame lets the splash paint.
void TPresenta::ZbGIFAnimator1FrameChanged(TObject*) { Application->ProcessMessages(); }
