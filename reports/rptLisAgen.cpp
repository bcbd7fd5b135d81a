#include "reports/rptLisAgen.h"

#include "comun/UData.h"
#include "platform/rtl/SysUtils.h"

#include <QPainter>
#include <QPainterPath>

TInfAgen* InfAgen = nullptr;

namespace {

// 16 x 16 marks drawn once: a paper clip, a clock and two joined sheets.
QImage Marca(char cual) {
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 30, 30), 1.4));
    switch (cual) {
    case 'c': {
        QPainterPath clip;
        clip.moveTo(10.5, 4);
        clip.lineTo(10.5, 12);
        clip.arcTo(QRectF(6, 10, 4.5, 4.5), 0, -180);
        clip.lineTo(6, 3.5);
        clip.arcTo(QRectF(6, 1.5, 6, 4.5), 180, -180);
        clip.lineTo(12, 12.5);
        p.drawPath(clip);
        break;
    }
    case 'r':
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.drawLine(QPointF(8, 8), QPointF(8, 4));
        p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
        break;
    default:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 8, 10));
        p.drawRect(QRectF(6.5, 4.5, 8, 10));
        p.drawLine(QPointF(4, 13), QPointF(6.5, 13));
        break;
    }
    return img;
}

TImage* Dibujo(TComponent* owner, const char* nombre, char cual) {
    auto* i = new TImage(owner);
    i->SetName(QString::fromLatin1(nombre));
    i->SetVisible(false);
    i->Picture()->Bitmap()->FromImage(Marca(cual));
    return i;
}

QString Campo(TDataSet* ds, const char* nombre) { return ds->FieldByName(QString::fromLatin1(nombre))->AsString(); }

}  // namespace

TInfAgen::TInfAgen(TComponent* owner) : TForm(owner) {
    using namespace reports;
    SetName(QStringLiteral("InfAgen"));
    QAgenda = NuevaConsulta(this, "QAgenda",
                            QStringLiteral("SELECT * FROM AGENDA WHERE ABOCLI = :ABOCLI AND FECHA BETWEEN :FDESDE AND :FHASTA"));
    DSAgenda = new TDataSource(this);
    DSAgenda->SetName(QStringLiteral("DSAgenda"));
    DSAgenda->SetDataSet(QAgenda);
    QRLisAgen = NuevoInforme(this, "QRLisAgen", QAgenda, QStringLiteral("AGENDA"));

    QRCabecera = NuevaBanda(this, QRLisAgen, "QRCabecera", rbPageHeader, 92);
    QRTitulo = NuevaCabecera(this, QRCabecera, QStringLiteral("AGENDA DEL PROCURADOR"), false, "QRTitulo").Titulo;
    NuevaEtiqueta(this, QRCabecera, "QRLabel1", 0, 50, 70, QStringLiteral("Abogado :"), taLeftJustify, true);
    QRAbogado = NuevoCampo(this, QRCabecera, "QRAbogado", Dat->TAboCli, "NOMABOCLI", 72, 50, 400);
    QRAbogado->Font()->SetStyle(TFontStyles{fsBold});
    const auto sitios = Cabeceras(this, QRCabecera, 72,
                                  {{"Hora", 10}, {"Relación con", 18}, {"", 4}, {"Tipo de Anotación", 20}, {"Situación", 48}});

    QRGroup1 = NuevoGrupo(this, QRLisAgen, "QRGroup1", QStringLiteral("FECHA"), 0);
    QRBand1 = new TQRChildBand(this);
    QRBand1->SetName(QStringLiteral("QRBand1"));
    QRBand1->SetParent(QRLisAgen);
    QRBand1->SetParentBand(QRGroup1);
    QRBand1->SetHeight(24);
    NuevaEtiqueta(this, QRBand1, "QRLabel2", 0, 5, 60, QStringLiteral("Fecha : "), taLeftJustify, true);
    NuevoCampo(this, QRBand1, "QRFecha", QAgenda, "FECHA", 62, 5, 120)->Font()->SetStyle(TFontStyles{fsBold});

    QRTipo = NuevaBanda(this, QRLisAgen, "QRTipo", rbDetail, 18);
    QRHora = NuevoCampo(this, QRTipo, "QRHora", QAgenda, "HORA", sitios[0].Left, 1, sitios[0].Width);
    const int x = sitios[1].Left;
    QRAno = NuevoCampo(this, QRTipo, "QRAno", QAgenda, "ANO", x, 1, 34, taRightJustify);
    QRLabel3 = NuevaEtiqueta(this, QRTipo, "QRLabel3", x + 35, 1, 8, QStringLiteral("/"), taCenter);
    QRNumero = NuevoCampo(this, QRTipo, "QRNumero", QAgenda, "NUMERO", x + 44, 1, 56);
    QRRel = NuevaEtiqueta(this, QRTipo, "QRRel", x + 102, 1, 16, QString(), taCenter, true);
    Imagen = new TQRImage(this);
    Imagen->SetName(QStringLiteral("Imagen"));
    Imagen->SetParent(QRTipo);
    Imagen->SetBounds(sitios[2].Left, 1, 16, 16);
    QRTipoAgenda = NuevoCampo(this, QRTipo, "QRTipoAgenda", QAgenda, "TIPOAGENDA", sitios[3].Left, 1, sitios[3].Width);
    QRSituacion = NuevoCampo(this, QRTipo, "QRSituacion", QAgenda, "SITUACION", sitios[4].Left, 1, sitios[4].Width);
    QRSituacion->SetAutoStretch(true);
    QRSituacion->SetWordWrap(true);

    Clip = Dibujo(this, "Clip", 'c');
    Reloj = Dibujo(this, "Reloj", 'r');
    Unido = Dibujo(this, "Unido", 'u');

    QRRel->OnPrint = TEvent<TObject*, QString&>(this, &TInfAgen::QRRelPrint);
    QRLabel3->OnPrint = TEvent<TObject*, QString&>(this, &TInfAgen::QRLabel3Print);
    QRTipo->BeforePrint = TQRBandBeforePrintEvent(this, &TInfAgen::QRTipoBeforePrint);
    OnClose = TCloseEvent(this, &TInfAgen::FormClose);
}

TInfAgen::~TInfAgen() {
    if (InfAgen == this) InfAgen = nullptr;
}

void TInfAgen::QRRelPrint(TObject*, QString& value) {
    const QString tipo = Campo(QAgenda, "TIPO");
    if (tipo == u"C" || tipo == u"Y") value = QStringLiteral("D");
    else if (tipo == u"E" || tipo == u"X") value = QStringLiteral("E");
    else value.clear();
}

void TInfAgen::QRTipoBeforePrint(TQRCustomBand*, bool&) {
    const QString archivado = Campo(QAgenda, "ARCHIVADO");
    const QString tipo = Campo(QAgenda, "TIPO");
    if (archivado == u"S") Imagen->SetPicture(Clip->Picture());
    else if (archivado == u"X") Imagen->SetPicture(Unido->Picture());
    else if (tipo >= QStringLiteral("X")) Imagen->SetPicture(Reloj->Picture());
    else Imagen->Picture()->SetGraphic(nullptr);
}

void TInfAgen::QRLabel3Print(TObject*, QString& value) {
    if (Campo(QAgenda, "ANO").trimmed().isEmpty()) value.clear();
}

void TInfAgen::FormClose(TObject*, TCloseAction& action) { action = caFree; }

namespace reports {

QStringList SqlAgenda(const QStringList& letras) {
    QStringList entre;
    for (const QString& l : letras) entre << QLatin1Char('\'') + l + QLatin1Char('\'');
    if (entre.isEmpty()) entre << QStringLiteral("' '");
    return {QStringLiteral("SELECT * FROM AGENDA"), QStringLiteral("WHERE ABOCLI = :ABOCLI"),
            QStringLiteral("      AND FECHA BETWEEN :FDESDE AND :FHASTA "),
            QStringLiteral("      AND TIPO IN (") + entre.join(QLatin1Char(',')) + QStringLiteral(") "),
            QStringLiteral("      AND TIPOAGENDA BETWEEN :TDESDE AND :THASTA "), QStringLiteral("ORDER BY FECHA, HORA")};
}

void PreparaAgenda(TInfAgen* f, int abocli, TDateTime desde, TDateTime hasta, const QStringList& letras,
                   const QString& tipoAgenda) {
    TQuery* q = f->QAgenda;
    q->Close();
    q->SQL()->Clear();
    for (const QString& l : SqlAgenda(letras)) q->SQL()->Add(l);
    q->ParamByName(QStringLiteral("ABOCLI"))->SetAsInteger(abocli);
    q->ParamByName(QStringLiteral("FDESDE"))->SetAsDate(desde);
    q->ParamByName(QStringLiteral("FHASTA"))->SetAsDate(hasta);
    const bool todos = tipoAgenda == u"TODOS";
    q->ParamByName(QStringLiteral("TDESDE"))->SetAsString(todos ? QStringLiteral(" ") : tipoAgenda);
    q->ParamByName(QStringLiteral("THASTA"))->SetAsString(todos ? QStringLiteral("zzzzzzzzzzzzzzz") : tipoAgenda);
    q->Open();
    f->QRTitulo->SetCaption(QStringLiteral("AGENDA DEL ABOGADO DESDE ") + DateToStr(desde) + QStringLiteral(" A ") +
                            DateToStr(hasta));
}

void rptLisAgen(int abocli, TDateTime desde, TDateTime hasta, const QStringList& letras, const QString& tipoAgenda) {
    Presenta(InfAgen, &TInfAgen::QRLisAgen,
             [&](TInfAgen* f) { PreparaAgenda(f, abocli, desde, hasta, letras, tipoAgenda); });
}

}  // namespace reports
