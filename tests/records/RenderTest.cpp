// Renders the client form and the address book with real rows, for review. The pictures go to a
// temporary folder; with ZEMBRA_RENDER_DOCS set to a folder they are written there (docs/forms).
#include "DatFixture.h"
#include "records/UAboCli.h"
#include "records/UAbogado.h"
#include "records/UCliente.h"
#include "records/UConConta.h"
#include "records/UContrario.h"
#include "records/UPerito.h"
#include "records/UPoder.h"
#include "records/UProcu.h"
#include "records/UbscContacto.h"
#include "platform/rtl/SysUtils.h"

#include <QDir>
#include <QRect>
#include <functional>
#include <tuple>

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
    // Shows the form bound to its table, checks that every label and box lies inside it and
    // that none covers another, and saves its picture.
    void Dibuja(TFormRegistro* form, const QString& nombre) {
        form->activaEdicion(true);
        form->Show();
        TFormHarness::ProcessEvents();
        std::vector<TControl*> vistos;
        std::function<void(TWinControl*, int, int)> recoge = [&](TWinControl* padre, int dx, int dy) {
            for (int i = 0; i < padre->ControlCount(); ++i) {
                TControl* c = padre->Controls(i);
                if (!c->Visible()) continue;
                if (c == form->SpeedBar1) continue;
                if (auto* panel = dynamic_cast<TCustomPanel*>(c)) recoge(panel, dx + c->Left(), dy + c->Top());
                else vistos.push_back(c);
            }
        };
        recoge(form, 0, 0);
        auto rect = [&](TControl* c) {
            int x = c->Left(), y = c->Top();
            for (TWinControl* p = c->Parent(); p && p != form; p = p->Parent()) x += p->Left(), y += p->Top();
            return QRect(x, y, c->Width(), c->Height());
        };
        const QRect cliente(0, 0, form->ClientWidth(), form->ClientHeight());
        for (TControl* c : vistos) {
            EXPECT_TRUE(cliente.contains(rect(c))) << nombre.toStdString() << ": " << c->Name().toStdString();
            for (TControl* d : vistos) {
                if (c == d) continue;
                EXPECT_FALSE(rect(c).intersects(rect(d)))
                    << nombre.toStdString() << ": " << c->Name().toStdString() << " / " << d->Name().toStdString()
                    << " at " << rect(c).x() << "," << rect(c).y() << " and " << rect(d).x() << "," << rect(d).y();
            }
        }
        const QString path = QDir(Carpeta()).filePath(nombre + QStringLiteral(".png"));
        ASSERT_TRUE(TFormHarness::SaveToPng(form, path));
        EXPECT_FALSE(QImage(path).isNull());
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
        Persona(Dat->TProcu, {"APELLIDOS", "NOMBRE", "TELEFONO", "FAX", "MAIL", "CIF", "COLEGIADO", "BANCO", "SUCURSAL",
                              "CUENTACORRIENTE"},
                {"NÚÑEZ ORTEGA", "Rosa", "91 111 22 33", "", "rnunez@procuradores.es", "02345678T", "1187",
                 "Banco Ibérico", "Sucursal 0032", "0032-88-1234567"});
        Persona(Dat->TPeritos, c, {"SOLER VIDAL", "Juan", "93 777 88 99", "", "jsoler@tasaciones.es"});
    }
};

TEST_F(RenderTest, AccountingConceptsInAnOfficeInEuros) {
    SetSistem("MONEDA", Variant(QStringLiteral("E")));
    TTable* c = Dat->TConConta;
    for (const auto& [cuenta, concepto, tipo, importe] :
         std::vector<std::tuple<const char*, const char*, int, double>>{{"SU01", "Tasas judiciales", 1, 120.5},
                                                                        {"DE01", "Minuta de honorarios por juicio verbal", 2, 1234.5}}) {
        c->Append();
        c->FieldByName(QStringLiteral("CUENTA"))->SetAsString(QString::fromLatin1(cuenta));
        c->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(QString::fromUtf8(concepto));
        c->FieldByName(QStringLiteral("TIPO"))->SetAsInteger(tipo);
        c->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(importe);
        c->Post();
    }
    auto* form = new TConConta(Application);
    form->activaEdicion(true);
    EXPECT_EQ(form->ZbTipo->Text(), QStringLiteral("Derecho"));
    EXPECT_EQ(form->DBImporte->Text(), QStringLiteral("1.234,50"));
    Dibuja(form, QStringLiteral("UConConta"));
    delete form;
}

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
    Dibuja(Cliente, QStringLiteral("UCliente"));
    delete Cliente;
}

TEST_F(RenderTest, EveryOtherPartyFormInBrowse) {
    Datos();
    Persona(Dat->TAboCli, {"APELLIDOS", "NOMBRE", "CIF", "COLEGIADO"}, {"ALONSO PRIETO", "Begoña", "07123456K", "4521"});
    Contrario = new TContrario(Application);
    Dibuja(Contrario, QStringLiteral("UContrario"));
    delete Contrario;
    Procu = new TProcu(Application);
    Dibuja(Procu, QStringLiteral("UProcu"));
    delete Procu;
    Abogado = new TAbogado(Application);
    Dibuja(Abogado, QStringLiteral("UAbogado"));
    delete Abogado;
    Perito = new TPerito(Application);
    Dibuja(Perito, QStringLiteral("UPerito"));
    delete Perito;
    TAboCli::FijaModo(QStringLiteral("P"));
    AboCli = new TAboCli(Application);
    Dibuja(AboCli, QStringLiteral("UAboCli"));
    delete AboCli;
    Dat->TPoderes->Append();
    Dat->TPoderes->FieldByName(QStringLiteral("PODER"))->SetAsString(QStringLiteral("1234/2023"));
    Dat->TPoderes->FieldByName(QStringLiteral("NOTARIO"))->SetAsString(QStringLiteral("D. Ignacio Sáenz de Santamaría"));
    // A date of its own: a new power is dated today, and the picture would change every day.
    Dat->TPoderes->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2023, 3, 14));
    Dat->TPoderes->Post();
    Poder = new TPoder(Application);
    Dibuja(Poder, QStringLiteral("UPoder"));
    delete Poder;
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

// The same book as the mail form's picker: "Elegir" on the bar, two rows marked.
TEST_F(RenderTest, AddressBookAsTheMailPicker) {
    Datos();
    FContacto = new TFContacto(Application);
    FContacto->ModoSelector();
    FContacto->Show();
    FContacto->QContactos->First();
    FContacto->ZbDBGrid1->SelectRecord(true);
    FContacto->QContactos->Next();
    FContacto->QContactos->Next();
    FContacto->ZbDBGrid1->SelectRecord(true);
    TFormHarness::ProcessEvents();
    EXPECT_EQ(FContacto->ZbDBGrid1->SelectedCount(), 2);
    const QString path = QDir(Carpeta()).filePath(QStringLiteral("UbscContacto_Selector.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(FContacto, path));
    EXPECT_FALSE(QImage(path).isNull());
    delete FContacto;
}

}  // namespace
