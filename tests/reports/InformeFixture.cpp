#include "InformeFixture.h"

#include "platform/db/DBTables.h"

namespace reportstest {

namespace {
const char* const Primeros[] = {"García", "Fernández", "López", "Martínez", "Sánchez", "Pérez", "Gómez",
                                "Martín", "Jiménez", "Ruiz", "Hernández", "Díaz", "Moreno", "Muñoz"};
const char* const Segundos[] = {"Álvarez", "Romero", "Alonso", "Gutiérrez", "Navarro", "Torres", "Domínguez"};
const char* const Nombres[] = {"Ana", "José", "María", "Antonio", "Carmen", "Manuel", "Lucía", "Francisco",
                               "Isabel", "Javier", "Pilar", "Ángel", "Rosa"};

template <class T>
T* Elemento(TComponent* owner, TQRCustomBand* band, int left, int top, int width) {
    auto* e = new T(owner);
    e->SetParent(band);
    e->SetBounds(left, top, width, 17);
    return e;
}
}  // namespace

QString Apellidos(int n) {
    return QString::fromUtf8(Primeros[n % 14]) + QLatin1Char(' ') + QString::fromUtf8(Segundos[(n / 14) % 7]);
}
QString Nombre(int n) { return QString::fromUtf8(Nombres[n % 13]); }

void InformeTest::SetUp() {
    shelltest::DatTest::SetUp();
    owner = std::make_unique<TComponent>(nullptr);
    QRPrinter->OnPreview = nullptr;
    QRPrinter->SetOutputFileName(QString());
}

void InformeTest::TearDown() {
    platform::forms::TFormHarness::ProcessEvents();
    if (PreView) PreView->Free();
    QRPrinter->OnPreview = nullptr;
    QRPrinter->SetOutputFileName(QString());
    QRPrinter->Clear();
    owner.reset();
    shelltest::DatTest::TearDown();
}

std::vector<int> InformeTest::Clientes(int count) {
    std::vector<int> codes;
    for (int i = 0; i < count; ++i) codes.push_back(AddClient(Apellidos(i), Nombre(i)));
    return codes;
}

TQuickRep* InformeTest::ListaClientes() {
    auto* q = new TQuery(owner.get());
    q->SetDatabaseName(QStringLiteral("ZEMBRA"));
    q->SQL()->SetText(QStringLiteral(
        "SELECT CLIENTE, APELLIDOS || ', ' || NOMBRE AS NOM FROM CLIENTES ORDER BY APELLIDOS, NOMBRE, CLIENTE"));
    q->Open();
    auto* r = new TQuickRep(owner.get());
    r->SetDataSet(q);
    r->SetReportTitle(QStringLiteral("Listado de Clientes"));
    r->Font()->SetName(QStringLiteral("Arial"));
    r->Font()->SetSize(10);
    auto banda = [&](TQRBandType type, int height) {
        auto* b = new TQRBand(owner.get());
        b->SetBandType(type);
        b->SetHeight(height);
        b->SetParent(r);
        return b;
    };
    TQRBand* cabecera = banda(rbPageHeader, 70);
    auto* titulo = Elemento<TQRLabel>(owner.get(), cabecera, 0, 8, 400);
    titulo->SetCaption(QStringLiteral("LISTADO DE CLIENTES"));
    titulo->Font()->SetName(QStringLiteral("Arial"));
    titulo->Font()->SetSize(14);
    titulo->Font()->SetStyle(TFontStyles{fsBold});
    auto* fecha = Elemento<TQRSysData>(owner.get(), cabecera, 560, 12, 150);
    fecha->SetData(qrsDate);
    fecha->SetText(QStringLiteral("Fecha : "));
    Elemento<TQRLabel>(owner.get(), cabecera, 0, 48, 80)->SetCaption(QStringLiteral("Código"));
    Elemento<TQRLabel>(owner.get(), cabecera, 90, 48, 300)->SetCaption(QStringLiteral("Apellidos, Nombre"));
    cabecera->Frame()->SetDrawBottom(true);
    TQRBand* detalle = banda(rbDetail, 18);
    auto* codigo = Elemento<TQRDBText>(owner.get(), detalle, 0, 0, 80);
    codigo->SetDataSet(q);
    codigo->SetDataField(QStringLiteral("CLIENTE"));
    auto* nombre = Elemento<TQRDBText>(owner.get(), detalle, 90, 0, 400);
    nombre->SetDataSet(q);
    nombre->SetDataField(QStringLiteral("NOM"));
    TQRBand* pie = banda(rbPageFooter, 24);
    auto* pagina = Elemento<TQRSysData>(owner.get(), pie, 600, 4, 110);
    pagina->SetData(qrsPageNumber);
    pagina->SetText(QStringLiteral("Página : "));
    return r;
}

}  // namespace reportstest
