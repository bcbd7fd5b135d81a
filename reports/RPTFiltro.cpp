#include "reports/RPTFiltro.h"

#include "comun/Alcance.h"

TInfFiltro* InfFiltro = nullptr;

namespace reports {

void DescribeFiltro(TQRLabel* ano, TQRLabel* abogado, TEtiquetasFiltro& lineas, const TSeleccionPrincipal& sel,
                    const QString& nombreAbogado, const TFilasFiltro& filas) {
    ano->SetCaption(sel.PorAno ? sel.Ano : QStringLiteral("TODOS"));
    abogado->SetCaption(nombreAbogado);
    lineas.Filtrado->SetVisible(filas.Activo());
    for (int i = 0; i < TEtiquetasFiltro::Filas; ++i) {
        const bool usada = !filas.Etiqueta(i).isEmpty();
        lineas.Etiqueta[size_t(i)]->SetCaption(usada ? filas.Etiqueta(i) + QLatin1Char(':') : QString());
        lineas.Valor[size_t(i)]->SetCaption(usada ? filas.Valor(i) : QString());
    }
}

// The band that describes the filters: "Año :", "Abogado :", the marker "Filtrado por :" and a
// label and a value for each criterion row, each row 16 points below the one before.
TQRBand* BandaFiltro(TComponent* owner, TQuickRep* informe, TQRLabel*& ano, TQRLabel*& abogado, TEtiquetasFiltro& lineas,
                     const char* nombreAbogado) {
    TQRBand* b = NuevaBanda(owner, informe, "QRFiltros", rbTitle, 86);
    NuevaEtiqueta(owner, b, "QRLabel10", 0, 2, 60, QStringLiteral("Año :"), taLeftJustify, true);
    ano = NuevaEtiqueta(owner, b, "LAno", 62, 2, 80);
    NuevaEtiqueta(owner, b, "QRLabel11", 160, 2, 70, QStringLiteral("Abogado :"), taLeftJustify, true);
    abogado = NuevaEtiqueta(owner, b, nombreAbogado, 232, 2, 400);
    lineas.Filtrado = NuevaEtiqueta(owner, b, "QRFiltrado", 90, 64, 100, QStringLiteral("Filtrado por :"), taLeftJustify, true);
    for (int i = 0; i < TEtiquetasFiltro::Filas; ++i) {
        const QByteArray e = "LFiltro" + QByteArray::number(i + 1), v = "LValor" + QByteArray::number(i + 1);
        lineas.Etiqueta[size_t(i)] = NuevaEtiqueta(owner, b, e.constData(), 200, 64 + 16 * i, 100);
        lineas.Valor[size_t(i)] = NuevaEtiqueta(owner, b, v.constData(), 305, 64 + 16 * i, 400);
    }
    return b;
}

void AjustaBandaFiltro(TQRCustomBand* b, const TEtiquetasFiltro& lineas) {
    int n = 1;
    for (int i = 0; i < TEtiquetasFiltro::Filas; ++i)
        if (!lineas.Etiqueta[size_t(i)]->Caption().isEmpty()) n = i + 1;
    b->SetHeight(70 + 16 * n);
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
    // Until the opener passes the main window's selectors: no lawyer chosen, still only what the
    // user may reach.
    Seleccion.AbogadoUsuario = comun::AbogadoUsuario();
    TExpCli->Open();
    TExpCon->Open();
}

void TInfFiltro::QExpedFilterRecord(TDataSet* ds, bool& accept) {
    accept = FiltroExp.Acepta(ds, Seleccion, TExpCli, TExpCon);
}

namespace reports {

void RPTFiltro(const TSeleccionPrincipal& seleccion, const QString& nombreAbogado) {
    Presenta(InfFiltro, &TInfFiltro::QRListado, [&](TInfFiltro* f) {
        f->Seleccion = seleccion;
        DescribeFiltro(f->LAno, f->LAbogado, f->LFiltro, f->Seleccion, nombreAbogado, FiltroExp.Filas);
        f->QExped->Open();
    });
}

}  // namespace reports
