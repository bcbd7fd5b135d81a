// Renders the client form and the address book with real rows, for review. The pictures go to a
// temporary folder; with ZEMBRA_RENDER_DOCS set to a folder they are written there (docs/forms).
#include "DatFixture.h"
#include "records/UCliente.h"
#include "records/UbscContacto.h"

#include <QDir>

namespace {

using platform::forms::TFormHarness;

class RenderTest : public shelltest::DatTest {
protected:
    QString Carpeta() {
        const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
        return docs.isEmpty() ? dir.path() : QString::fromLocal8Bit(docs);
    }
    void Persona(TTable* t, const QStringList& campos, const QStringList& valores) {
        t->Append();
        for (int i = 0; i < campos.size(); ++i) t->FieldByName(campos[i])->SetAsString(valores[i]);
        if (TField* f = t->FindField(QStringLiteral("PARTIDO"))) f->SetAsString(QStringLiteral("MADRID"));
        if (TField* f = t->FindField(QStringLiteral("PROFESION"))) f->SetAsString(QStringLiteral("ARQUITECTO"));
        t->Post();
    }
    void Datos() {
        const QStringList c{"APELLIDOS", "NOMBRE", "TELEFONO", "FAX", "MAIL"};
        Persona(Dat->TClientes,
                {"APELLIDOS", "NOMBRE", "DNI", "DOMICILIO", "CDPOSTAL", "POBLACION", "PROVINCIA", "TELEFONO", "FAX",
                 "MAIL", "ASOCIADOS", "OBSERVACIONES"},
                {"FERNÁNDEZ DE CÓRDOBA", "María José", "50123456L", "C/ Alcalá 123, 4º izda.", "28009", "Madrid",
                 "Madrid", "91 555 12 34", "91 555 12 35", "mjfernandez@correo.es", "Construcciones Fercor S.L.",
                 "Cliente desde 1998"});
        Persona(Dat->TClientes, c, {"GARCÍA LÓPEZ", "Antonio", "91 444 22 11", "", "agarcia@correo.es"});
        Persona(Dat->TContrarios, c, {"INMOBILIARIA SOL", "S.A.", "96 333 44 55", "96 333 44 56", "info@isol.es"});
        Persona(Dat->TAbogados, c, {"MARTÍNEZ RUIZ", "Pedro", "91 222 33 44", "91 222 33 45", "pmartinez@bufete.es"});
        Persona(Dat->TProcu, c, {"NÚÑEZ ORTEGA", "Rosa", "91 111 22 33", "", "rnunez@procuradores.es"});
        Persona(Dat->TPeritos, c, {"SOLER VIDAL", "Juan", "93 777 88 99", "", "jsoler@tasaciones.es"});
    }
};

TEST_F(RenderTest, ClientFormInBrowse) {
    Datos();
    Dat->TClientes->Locate(QStringLiteral("NOMBRE"), Variant(QStringLiteral("María José")), 0);
    Cliente = new TCliente(Application);
    Cliente->activaEdicion(true);
    Cliente->Referencia->SetText(QStringLiteral("2024/118"));
    Cliente->Show();
    TFormHarness::ProcessEvents();
    EXPECT_EQ(Cliente->ModeIndicator->Caption(), QStringLiteral("[Estado :Consulta]"));
    EXPECT_TRUE(Cliente->BtObserva->Visible());
    // Every label and box lies inside the form, and none covers another.
    std::vector<TControl*> vistos;
    for (int i = 0; i < Cliente->ControlCount(); ++i)
        if (Cliente->Controls(i)->Visible() && !dynamic_cast<TCustomPanel*>(Cliente->Controls(i)))
            vistos.push_back(Cliente->Controls(i));
    for (TControl* c : vistos) {
        EXPECT_LE(c->Left() + c->Width(), Cliente->ClientWidth()) << c->Name().toStdString();
        EXPECT_LE(c->Top() + c->Height(), Cliente->ClientHeight()) << c->Name().toStdString();
        for (TControl* d : vistos) {
            if (c == d) continue;
            const bool separados = c->Left() + c->Width() <= d->Left() || d->Left() + d->Width() <= c->Left() ||
                                   c->Top() + c->Height() <= d->Top() || d->Top() + d->Height() <= c->Top();
            EXPECT_TRUE(separados) << c->Name().toStdString() << " / " << d->Name().toStdString() << " at "
                                   << c->Left() << "," << c->Top() << " and " << d->Left() << "," << d->Top();
        }
    }
    const QString path = QDir(Carpeta()).filePath(QStringLiteral("UCliente.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(Cliente, path));
    EXPECT_FALSE(QImage(path).isNull());
    delete Cliente;
}

TEST_F(RenderTest, AddressBookWithEveryKind) {
    Datos();
    FContacto = new TFContacto(Application);
    FContacto->Show();
    TFormHarness::ProcessEvents();
    EXPECT_EQ(FContacto->QContactos->RecordCount(), 6);
    const QString path = QDir(Carpeta()).filePath(QStringLiteral("UbscContacto.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(FContacto, path));
    EXPECT_FALSE(QImage(path).isNull());
    delete FContacto;
}

}  // namespace
