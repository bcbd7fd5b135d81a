// A long report opens its preview on its first pages and lays out the rest as they are asked
// for, with the same pages a full run gives.
#include "InformeFixture.h"

#include "platform/db/DBTables.h"

using namespace reportstest;

namespace {

class PaginasTest : public InformeTest {
protected:
    void Muchos(int n) {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                        "INSERT INTO CLIENTES (CLIENTE, APELLIDOS, NOMBRE) SELECT i, 'Apellido' || i, "
                                        "'Nombre' FROM n")
                             .arg(n));
        q.ExecSQL();
    }
    static std::vector<QStringList> Textos() {
        std::vector<QStringList> r;
        for (int p = 1; p <= QRPrinter->PageCount(); ++p) r.push_back(QRPrinter->Pages(p).Texts());
        return r;
    }
};

TEST_F(PaginasTest, TheFirstPagesReachThePreviewBeforeTheRestIsLaidOut) {
    Muchos(2000);
    TQuickRep* r = ListaClientes();
    r->Prepare();
    const std::vector<QStringList> completo = Textos();
    ASSERT_GT(completo.size(), 30u);

    int listas = -1, pedida = 0;
    bool pendiente = false;
    QRPrinter->OnPreview = TNotifyEvent([&](TObject*) {
        listas = QRPrinter->PagesReady();
        pendiente = QRPrinter->Pending();
        // Asking for a later page lays out up to it, no further.
        QRPrinter->Pages(20);
        pedida = QRPrinter->PagesReady();
    });
    r->Preview();
    QRPrinter->OnPreview = nullptr;
    EXPECT_TRUE(pendiente);
    EXPECT_GE(listas, 1);
    EXPECT_LT(listas, 20);
    EXPECT_EQ(pedida, 20);
    // Once the preview is closed the run is whole, and the same as a full one.
    EXPECT_FALSE(QRPrinter->Pending());
    EXPECT_EQ(Textos(), completo);
    EXPECT_EQ(QRPrinter->FirstPage(), 1);
    EXPECT_EQ(QRPrinter->LastPage(), int(completo.size()));
}

TEST_F(PaginasTest, APreviewPagesOnAndAnErrorOfALaterPageReachesTheOpener) {
    Muchos(2000);
    TQuickRep* r = ListaClientes();
    TQRCustomBand* detalle = nullptr;
    for (int i = 0; i < r->BandCount(); ++i)
        if (r->Bands(i)->BandType() == rbDetail) detalle = r->Bands(i);
    ASSERT_NE(detalle, nullptr);
    detalle->BeforePrint = TQRBandBeforePrintEvent([&](TQRCustomBand*, bool&) {
        if (r->RecordNumber() == 1500) throw EDatabaseError(QStringLiteral("Fila dañada"));
    });
    bool mostrado = false;
    QRPrinter->OnPreview = TNotifyEvent([&](TObject*) { mostrado = QRPrinter->PagesReady() > 0; });
    EXPECT_THROW(r->Preview(), EDatabaseError);
    QRPrinter->OnPreview = nullptr;
    EXPECT_TRUE(mostrado);
    EXPECT_EQ(QRPrinter->PagesReady(), 0);
    EXPECT_FALSE(QRPrinter->Pending());

    // A new run while one is pending abandons the old one cleanly.
    detalle->BeforePrint = nullptr;
    QRPrinter->OnPreview = TNotifyEvent([&](TObject*) {
        ASSERT_TRUE(QRPrinter->Pending());
        QRPrinter->Clear();
        EXPECT_FALSE(QRPrinter->Pending());
    });
    EXPECT_NO_THROW(r->Preview());
    QRPrinter->OnPreview = nullptr;
    EXPECT_EQ(QRPrinter->PageCount(), 0);
    r->Prepare();
    EXPECT_GT(QRPrinter->PageCount(), 30);
}

}  // namespace
