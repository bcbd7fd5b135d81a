#include "reports/RPTFiltro.h"

#include "shell/UPrincipal.h"

TInfFiltro* InfFiltro = nullptr;

namespace reports {

void DescribeFiltro(TQRLabel* ano, TQRLabel* abogado, std::array<TQRLabel*, TFilasFiltro::Filas>& lineas,
                    const TSeleccionPrincipal& sel, const QString& nombreAbogado, const TFilasFiltro& filas) {
    ano->SetCaption(sel.PorAno ? sel.Ano : QStringLiteral("TODOS"));
    abogado->SetCaption(nombreAbogado);
    int k = 0;
    for (int i = 0; i < TFilasFiltro::Filas; ++i) {
        if (filas.Etiqueta(i).isEmpty()) continue;
        lineas[size_t(k++)]->SetCaption(filas.Etiqueta(i) + QStringLiteral(" : ") + filas.Valor(i));
    }
    for (; k < TFilasFiltro::Filas; ++k) lineas[size_t(k)]->SetCaption(QString());
}

// The band that describes the filters: "Año :", "Abogado :" and "Filtrado por :" with a line
// per criterion; it is as tall as the lines it shows.
TQRBand* BandaFiltro(TComponent* owner, TQuickRep* informe, TQRLabel*& ano, TQRLabel*& abogado,
                     std::array<TQRLabel*, TFilasFiltro::Filas>& lineas, const char* nombreAbogado) {
    TQRBand* b = NuevaBanda(owner, informe, "QRFiltros", rbTitle, 60);
    NuevaEtiqueta(owner, b, "QRLabel10", 0, 2, 60, QStringLiteral("Año :"), taLeftJustify, true);
    ano = NuevaEtiqueta(owner, b, "LAno", 62, 2, 80);
    NuevaEtiqueta(owner, b, "QRLabel11", 160, 2, 70, QStringLiteral("Abogado :"), taLeftJustify, true);
    abogado = NuevaEtiqueta(owner, b, nombreAbogado, 232, 2, 400);
    NuevaEtiqueta(owner, b, "QRLabel12", 0, 22, 100, QStringLiteral("Filtrado por :"), taLeftJustify, true);
    for (int i = 0; i < TFilasFiltro::Filas; ++i) {
        const QByteArray n = "LFiltro" + QByteArray::number(i + 1);
        lineas[size_t(i)] = NuevaEtiqueta(owner, b, n.constData(), 102, 22 + 18 * i, 600);
    }
    return b;
}

void AjustaBandaFiltro(TQRCustomBand* b, const std::array<TQRLabel*, TFilasFiltro::Filas>& lineas) {
    int usadas = 0;
    for (TQRLabel* l : lineas) usadas += l->Caption().isEmpty() ? 0 : 1;
    b->SetHeight(22 + 18 * std::max(usadas, 1) + 8);
}

}  // namespace reports

TInfFiltro::TInfFiltro(TComponent* owner)
    : reports::TListaExpedientes(owner, "InfFiltro", QStringLiteral("LISTADO DE EXPEDIENTES"),
                                 QStringLiteral("SELECT * FROM EXPED ORDER BY ANO, NUMERO"), uAbogado, false) {
    auto tabla = [&](const char* nombre, const char* tabla) {
        auto* t = new TTable(this);
        t->SetName(QString::fromLatin1(nombre));
        t->SetDatabaseName(QStringLiteral("ZEMBRA"));
        t->SetTableName(QString::fromLatin1(tabla));
        return t;
    };
    TExpCli = tabla("TExpCli", "EXPCLI");
    TExpCon = tabla("TExpCon", "EXPCON");
    QRFiltros = reports::BandaFiltro(this, QRListado, LAno, LAbogado, LFiltro, "LAbogado");
    QRFiltros->BeforePrint =
        TQRBandBeforePrintEvent([this](TQRCustomBand* b, bool&) { reports::AjustaBandaFiltro(b, LFiltro); });
    QExped->OnFilterRecord = TFilterRecordEvent(this, &TInfFiltro::QExpedFilterRecord);
    QExped->SetFiltered(true);
    FormCreate(this);
}

TInfFiltro::~TInfFiltro() {
    if (InfFiltro == this) InfFiltro = nullptr;
}

void TInfFiltro::FormCreate(TObject*) {
    if (Principio) Seleccion = Principio->Seleccion();
    TExpCli->Open();
    TExpCon->Open();
}

void TInfFiltro::QExpedFilterRecord(TDataSet* ds, bool& accept) {
    accept = FiltroExp.Acepta(ds, Seleccion, TExpCli, TExpCon);
}

namespace reports {

void RPTFiltro() {
    Presenta(InfFiltro, &TInfFiltro::QRListado, [](TInfFiltro* f) {
        DescribeFiltro(f->LAno, f->LAbogado, f->LFiltro, f->Seleccion,
                       Principio ? Principio->ZbAbogados->GetDisplayText() : QStringLiteral("TODOS"), FiltroExp.Filas);
        f->QExped->Open();
    });
}

}  // namespace reports
