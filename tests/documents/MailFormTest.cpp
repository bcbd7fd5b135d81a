// The send-by-mail form over a real data folder and a real SMTP server on 127.0.0.1; renders
// docs/forms/MailForm.png (to a temporary folder unless ZEMBRA_RENDER_DOCS names one).
#include "DatFixture.h"
#include "documents/MailForm.h"
#include "documents/MapiLoader.h"
#include "records/UbscContacto.h"
#include "tests/platform/mail/SmtpServer.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using platform::forms::TFormHarness;

class MailFormTest : public shelltest::DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        qputenv("ZEMBRA_REGISTRY_FILE", dir.filePath(QStringLiteral("registry.ini")).toLocal8Bit());
        QDir(dir.path()).mkdir(QStringLiteral("recibidos"));
        Persona(Dat->TClientes, "FERNÁNDEZ DE CÓRDOBA", "María José", "mjfernandez@correo.es");
        Persona(Dat->TAbogados, "MARTÍNEZ RUIZ", "Pedro", "pmartinez@bufete.es");
    }
    void TearDown() override {
        delete form;
        MapiLoaded = false;
        DatTest::TearDown();
    }
    void Persona(TTable* t, const char* apellidos, const char* nombre, const char* mail) {
        t->Append();
        t->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QString::fromUtf8(apellidos));
        t->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QString::fromUtf8(nombre));
        t->FieldByName(QStringLiteral("MAIL"))->SetAsString(QString::fromUtf8(mail));
        if (TField* f = t->FindField(QStringLiteral("PARTIDO"))) f->SetAsString(QStringLiteral("MADRID"));
        if (TField* f = t->FindField(QStringLiteral("PROFESION"))) f->SetAsString(QStringLiteral("ARQUITECTO"));
        t->Post();
    }
    void Servidor(int port, QFile::Permissions clave = QFile::ReadOwner | QFile::WriteOwner) {
        QFile f(dir.filePath(QStringLiteral("registry.ini")));
        f.open(QIODevice::WriteOnly);
        f.write("[Software\\Velmor\\zembra\\Correo]\nServidor=127.0.0.1\nPuerto=" + QByteArray::number(port) +
                "\nSeguridad=NINGUNA\nUsuario=despacho\nRemitente=despacho@nunez.es\n");
        f.close();
        QFile c(dir.filePath(QStringLiteral("correo.clave")));
        c.open(QIODevice::WriteOnly);
        c.write("secreto\n");
        c.close();
        c.setPermissions(clave);
        InitializeMapi();
    }
    QString Fichero(const QString& name, const QByteArray& data) {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(data);
        return path;
    }
    void Abre() {
        form = new TfrmMail(nullptr);
        form->Show();
        TFormHarness::ProcessEvents();
    }
    QString Received() const { return dir.filePath(QStringLiteral("recibidos")); }
    TfrmMail* form = nullptr;
};

TEST_F(MailFormTest, RenderWithAddressesSubjectBodyAndAttachments) {
    Servidor(25);
    Abre();
    form->txtRecipient->SetText(QStringLiteral("FERNÁNDEZ DE CÓRDOBA María José <mjfernandez@correo.es>"));
    form->txtCC->SetText(QStringLiteral("MARTÍNEZ RUIZ Pedro <pmartinez@bufete.es>"));
    form->txtSubject->SetText(QStringLiteral("Señalamiento de vista — expediente 2024/118"));
    form->MessageText->SetText(QStringLiteral(
        "Estimada María José:\r\n\r\nLe adjunto la notificación del juzgado y el escrito de contestación.\r\n\r\nUn saludo,\r\nPedro Martínez"));
    form->AddAttachment(Fichero(QStringLiteral("Documento Adjunto.doc"), "doc"));
    form->AddAttachment(Fichero(QStringLiteral("Notificación juzgado nº 3.pdf"), "pdf"));
    form->txtRecipient->SetFocus();
    TFormHarness::ProcessEvents();
    EXPECT_TRUE(form->btnSend->Enabled());
    EXPECT_TRUE(form->lvAttachments->Visible());
    EXPECT_EQ(form->lvAttachments->Items()->Strings(0), QStringLiteral("Documento Adjunto.doc"));
    EXPECT_EQ(form->shpFocus->Pen()->Color(), clGrayText);
    EXPECT_EQ(form->shpFocus->Top(), form->txtRecipient->Top() - 1);
    // Every box lies inside its panel and the boxes do not cover each other.
    for (TControl* c : std::initializer_list<TControl*>{form->txtRecipient, form->txtCC, form->txtSubject}) {
        EXPECT_LE(c->Left() + c->Width(), form->pbxInfo->Width()) << c->Name().toStdString();
        EXPECT_LE(c->Top() + c->Height(), form->pbxInfo->Height()) << c->Name().toStdString();
    }
    // The tool bar's captions are shown whole, not cut to "...".
    for (TSpeedItem* i : {form->btnSend, form->BtnAttach, form->btnDeleteAttach, form->btnCheckNames, form->btSalir}) {
        TCanvas canvas;
        canvas.Font()->Assign(i->Button()->Font());
        EXPECT_LE(canvas.TextWidth(i->Caption()) + 8, i->Button()->Width()) << i->Name().toStdString();
        EXPECT_LE(i->Button()->Left() + i->Button()->Width(), form->ClientWidth()) << i->Name().toStdString();
    }
    EXPECT_GE(form->txtCC->Top(), form->txtRecipient->Top() + form->txtRecipient->Height());
    EXPECT_GE(form->txtSubject->Top(), form->txtCC->Top() + form->txtCC->Height());
    const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
    const QString path = QDir(docs.isEmpty() ? dir.path() : QString::fromLocal8Bit(docs)).filePath(QStringLiteral("MailForm.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(form, path));
    EXPECT_EQ(QImage(path).width(), form->Width());
}

TEST_F(MailFormTest, NamesListsSendButtonAndAttachments) {
    Servidor(25);
    Abre();
    TStringList l;
    TfrmMail::SplitNames(QStringLiteral(" ana@correo.es ;; ;Pedro Martínez;"), &l);
    EXPECT_EQ(l.Count(), 2);
    EXPECT_EQ(TfrmMail::JoinNames(&l), QStringLiteral("ana@correo.es;Pedro Martínez"));

    EXPECT_FALSE(form->btnSend->Enabled());
    form->txtCC->SetText(QStringLiteral("ana@correo.es"));
    EXPECT_FALSE(form->btnSend->Enabled());  // only the To box counts
    form->txtRecipient->SetText(QStringLiteral("x"));
    EXPECT_TRUE(form->btnSend->Enabled());

    form->txtRecipient->SetText(QStringLiteral("maría josé fernández de córdoba; ana@correo.es"));
    form->txtCC->SetText(QStringLiteral("Martínez"));
    form->btnCheckNamesClick(nullptr);
    EXPECT_EQ(form->txtRecipient->Text(),
              QStringLiteral("FERNÁNDEZ DE CÓRDOBA María José <mjfernandez@correo.es>;ana@correo.es"));
    EXPECT_EQ(form->txtCC->Text(), QStringLiteral("MARTÍNEZ RUIZ Pedro <pmartinez@bufete.es>"));

    EXPECT_FALSE(form->lvAttachments->Visible());
    form->AddAttachment(Fichero(QStringLiteral("uno.doc"), "1"));
    form->AddAttachment(Fichero(QStringLiteral("dos.doc"), "2"));
    EXPECT_TRUE(form->lvAttachments->Visible());
    EXPECT_TRUE(form->pnlVSplit->Visible());
    form->lvAttachments->SetSelected(0, true);
    form->lvAttachmentsClick(nullptr);
    EXPECT_TRUE(form->btnDeleteAttach->Enabled());
    form->btnDeleteAttachClick(nullptr);
    EXPECT_EQ(form->AttachmentPaths(), QStringList{dir.filePath(QStringLiteral("dos.doc"))});
    EXPECT_TRUE(form->lvAttachments->Visible());
    form->lvAttachments->SetSelected(0, true);
    form->btnDeleteAttachClick(nullptr);
    EXPECT_FALSE(form->lvAttachments->Visible());
    EXPECT_FALSE(form->pnlVSplit->Visible());
    EXPECT_FALSE(form->btnDeleteAttach->Enabled());

    // The program's address book replaces the To box with the chosen address.
    harness->AnswerModal([&](TCustomForm&) {
        FContacto->QContactos->Locate(QStringLiteral("MAIL"), Variant(QStringLiteral("pmartinez@bufete.es")), 0);
    });
    form->miProgramData->Click();
    EXPECT_EQ(form->txtRecipient->Text(), QStringLiteral("pmartinez@bufete.es"));
}

TEST_F(MailFormTest, SendingClosesTheFormOnlyWhenTheMessageWentOut) {
    mailtest::SmtpServer server(Received());
    ASSERT_GT(server.Port, 0) << "python3-aiosmtpd is needed (scripts/deps.sh --tests)";
    Servidor(server.Port);
    Abre();
    form->btnSendClick(nullptr);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("There must be at least one name in the To or CC box.")});

    form->txtRecipient->SetText(QStringLiteral("Fernández de Córdoba María José;Nadie Conocido"));
    form->txtSubject->SetText(QStringLiteral("Señalamiento"));
    form->MessageText->SetText(QStringLiteral("Cuerpo del mensaje"));
    form->AddAttachment(Fichero(QStringLiteral("Documento Adjunto.doc"), QByteArray("\x00\x01\xfe", 3)));
    harness->ClearRecords();
    form->btnSendClick(nullptr);
    ASSERT_EQ(Texts().size(), 1);
    EXPECT_TRUE(Texts()[0].startsWith(QStringLiteral("MAPI Sendmail failed.\r")));
    EXPECT_TRUE(Texts()[0].contains(QStringLiteral("Nadie Conocido")));
    EXPECT_TRUE(form->Visible());

    form->txtRecipient->SetText(QStringLiteral("Fernández de Córdoba María José"));
    harness->ClearRecords();
    form->btnSendClick(nullptr);
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(u'|').toStdString();
    EXPECT_FALSE(form->Visible());
    server.Stop();
    QFile f(Received() + QStringLiteral("/1.json"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QJsonObject r = QJsonDocument::fromJson(f.readAll()).object();
    EXPECT_EQ(r[u"rcpt"].toArray().toVariantList(), QVariantList{"mjfernandez@correo.es"});
    EXPECT_EQ(r[u"attachments"].toArray()[0][u"name"].toString(), QStringLiteral("Documento Adjunto.doc"));
    EXPECT_EQ(QDir(Received()).entryList({QStringLiteral("*.json")}).size(), 1);
}

TEST_F(MailFormTest, APasswordFileOthersCanReadFailsTheLogon) {
    Servidor(25, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    Abre();
    ASSERT_EQ(Texts().size(), 1);
    EXPECT_TRUE(Texts()[0].startsWith(QStringLiteral("MAPI Logon failed.\r")));
    EXPECT_FALSE(form->Email1->SessionOpen());
}

}  // namespace
