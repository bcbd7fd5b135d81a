// The send-by-mail form over a real data folder and a real SMTP server on 127.0.0.1; renders
// docs/forms/MailForm.png (to a temporary folder unless ZEMBRA_RENDER_DOCS names one).
#include "DatFixture.h"
#include "documents/MailForm.h"
#include "documents/MapiLoader.h"
#include "platform/forms/StdCtrls.h"
#include "records/UbscContacto.h"
#include "tests/platform/mail/SmtpServer.h"
#include "tests/support/GeneraDespacho.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QScrollBar>
#include <QCloseEvent>
#include <QTimer>

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
    // Each attachment shows its own name and the picture of its kind, its path kept beside it.
    ASSERT_TRUE(form->lvAttachments->Visible());
    ASSERT_EQ(form->lvAttachments->Items()->Count(), 2);
    EXPECT_EQ(form->lvAttachments->Items()->Item(0)->Caption(), QStringLiteral("Documento Adjunto.doc"));
    EXPECT_EQ(form->lvAttachments->Items()->Item(1)->Caption(), QStringLiteral("Notificación juzgado nº 3.pdf"));
    EXPECT_EQ(form->lvAttachments->Items()->Item(1)->SubItems()->Strings(0),
              dir.filePath(QStringLiteral("Notificación juzgado nº 3.pdf")));
    for (int i = 0; i < 2; ++i) {
        const QImage icono = form->lvAttachments->ItemImage(i);
        ASSERT_EQ(icono.size(), QSize(32, 32)) << i;
        EXPECT_GT(qAlpha(icono.pixel(16, 16)), 0) << i;  // a picture, not an empty square
        TImageList propia(32, 32);
        EXPECT_EQ(icono, propia.TransparentImageOf(platform::forms::AddFileTypeIcon(&propia, form->AttachmentPaths()[i]))) << i;
    }
    // Two attachments with long names fit the list whole, without scrolling.
    EXPECT_FALSE(form->lvAttachments->List()->verticalScrollBar()->isVisible());
    // The splitter lies right above the list, the message right above the splitter.
    EXPECT_EQ(form->pnlVSplit->Top() + form->pnlVSplit->Height(), form->lvAttachments->Top());
    EXPECT_EQ(form->MessageText->Top() + form->MessageText->Height(), form->pnlVSplit->Top());
    EXPECT_EQ(form->lvAttachments->Top() + form->lvAttachments->Height(), form->ClientHeight());
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
    // Names typed within the box's 255 characters whose full addresses run past them stay whole.
    QStringList nombres, direcciones;
    for (int i = 0; i < 5; ++i) {
        nombres << QStringLiteral("maría josé fernández de córdoba");
        direcciones << QStringLiteral("FERNÁNDEZ DE CÓRDOBA María José <mjfernandez@correo.es>");
    }
    form->txtRecipient->SetText(nombres.join(u';'));
    form->btnCheckNamesClick(nullptr);
    EXPECT_GT(form->txtRecipient->Text().size(), 255);
    EXPECT_EQ(form->txtRecipient->Text(), direcciones.join(u';'));

    EXPECT_FALSE(form->lvAttachments->Visible());
    form->AddAttachment(Fichero(QStringLiteral("uno.doc"), "1"));
    form->AddAttachment(Fichero(QStringLiteral("dos.doc"), "2"));
    EXPECT_TRUE(form->lvAttachments->Visible());
    EXPECT_TRUE(form->pnlVSplit->Visible());
    form->AddAttachment(Fichero(QStringLiteral("tres.pdf"), "3"));
    ASSERT_EQ(form->lvAttachments->Items()->Count(), 3);
    // A click on an item enables the remove button; with Ctrl a second item joins the selection.
    const auto clic = [&](int i, TShiftState shift) {
        QListWidget* l = form->lvAttachments->List();
        const QPoint p = l->visualItemRect(l->item(i)).center() + l->viewport()->pos();
        TFormHarness::ClickAt(form->lvAttachments, p.x(), p.y(), mbLeft, shift);
    };
    clic(0, 0);
    EXPECT_TRUE(form->btnDeleteAttach->Enabled());
    clic(2, ssCtrl);
    EXPECT_EQ(form->lvAttachments->SelCount(), 2);
    form->btnDeleteAttachClick(nullptr);
    EXPECT_EQ(form->AttachmentPaths(), QStringList{dir.filePath(QStringLiteral("dos.doc"))});
    ASSERT_EQ(form->lvAttachments->Items()->Count(), 1);
    EXPECT_EQ(form->lvAttachments->Items()->Item(0)->Caption(), QStringLiteral("dos.doc"));
    EXPECT_EQ(form->lvAttachments->ItemImage(0).size(), QSize(32, 32));  // its own picture still shown
    EXPECT_TRUE(form->lvAttachments->Visible());
    EXPECT_FALSE(form->btnDeleteAttach->Enabled());
    // Leaving the list disables the remove button.
    clic(0, 0);
    EXPECT_TRUE(form->btnDeleteAttach->Enabled());
    TFormHarness::Focus(form->txtSubject);
    EXPECT_FALSE(form->btnDeleteAttach->Enabled());
    form->lvAttachments->Items()->Item(0)->SetSelected(true);
    form->btnDeleteAttachClick(nullptr);
    EXPECT_FALSE(form->lvAttachments->Visible());
    EXPECT_FALSE(form->pnlVSplit->Visible());
    EXPECT_FALSE(form->btnDeleteAttach->Enabled());
    // Shown again, the splitter is again above the list.
    form->AddAttachment(Fichero(QStringLiteral("cuatro.odt"), "4"));
    EXPECT_TRUE(form->pnlVSplit->Visible());
    EXPECT_EQ(form->pnlVSplit->Top() + form->pnlVSplit->Height(), form->lvAttachments->Top());

    // "Para :" and "Cc :" drop down the two address books under themselves.
    for (TZbSpeedButton* b : {form->btnRecip, form->btnCC}) {
        const int antes = form->pmAddress->PopupCount();
        TFormHarness::Click(b);
        EXPECT_EQ(form->pmAddress->PopupCount(), antes + 1) << b->Name().toStdString();
        EXPECT_EQ(form->pmAddress->PopupComponent(), b);
    }
    EXPECT_EQ(form->miAddressBook->Caption(), QStringLiteral("&Libreta de direcciones"));

    // The program's address book replaces the To box with the chosen address.
    harness->AnswerModal([&](TCustomForm&) {
        FContacto->QContactos->Locate(QStringLiteral("MAIL"), Variant(QStringLiteral("pmartinez@bufete.es")), 0);
    });
    form->miProgramData->Click();
    EXPECT_EQ(form->txtRecipient->Text(), QStringLiteral("pmartinez@bufete.es"));
}

TEST_F(MailFormTest, TheSplitterDragResizesTheAttachmentsWithinLimits) {
    Servidor(25);
    Abre();
    form->AddAttachment(Fichero(QStringLiteral("uno.doc"), "1"));
    TFormHarness::ProcessEvents();
    const int lista = form->lvAttachments->Height(), mensaje = form->MessageText->Height();
    const int x = form->pnlVSplit->Width() / 2, y = form->pnlVSplit->Height() / 2;
    EXPECT_EQ(form->pnlVSplit->Cursor(), crVSplit);

    // Forty pixels up: the list grows by as much as the message shrinks.
    TFormHarness::Drag(form->pnlVSplit, x, y, x, y - 40);
    EXPECT_EQ(form->lvAttachments->Height(), lista + 40);
    EXPECT_EQ(form->MessageText->Height(), mensaje - 40);
    EXPECT_EQ(form->pnlVSplit->Top() + form->pnlVSplit->Height(), form->lvAttachments->Top());

    // Far up, the message keeps its least height; far down, the list keeps its own.
    TFormHarness::Drag(form->pnlVSplit, x, y, x, y - 2000);
    EXPECT_EQ(form->MessageText->Height(), TfrmMail::MinMessageHeight);
    EXPECT_EQ(form->lvAttachments->Height() + form->MessageText->Height(), lista + mensaje);
    TFormHarness::Drag(form->pnlVSplit, x, y, x, y + 2000);
    EXPECT_EQ(form->lvAttachments->Height(), TfrmMail::MinAttachmentsHeight);
    EXPECT_EQ(form->lvAttachments->Top() + form->lvAttachments->Height(), form->ClientHeight());

    // Back down from the top limit, the splitter follows the pointer again at once.
    TFormHarness::Drag(form->pnlVSplit, x, y, x, y - 30);
    EXPECT_EQ(form->lvAttachments->Height(), TfrmMail::MinAttachmentsHeight + 30);

    // Only the left button drags, and a move without a press does nothing.
    const int antes = form->lvAttachments->Height();
    TFormHarness::Drag(form->pnlVSplit, x, y, x, y - 50, mbRight);
    EXPECT_EQ(form->lvAttachments->Height(), antes);
    form->pnlVSplitMouseMove(form->pnlVSplit, ssLeft, x, y - 50);
    EXPECT_EQ(form->lvAttachments->Height(), antes);
}

// The name and subject boxes reach the right edge at any width, and the form is never narrower
// than its bar, so "Volver" stays within reach.
TEST_F(MailFormTest, TheBoxesFollowTheWindowsWidthAndTheBarStaysWhole) {
    Servidor(25);
    Abre();
    for (int ancho : {1000, 300, 680}) {
        form->SetClientWidth(ancho);
        TFormHarness::ProcessEvents();
        EXPECT_GE(form->ClientWidth(), form->btSalir->Left() + form->SpeedBar1->BtnWidth()) << ancho;
        for (TEdit* caja : {form->txtRecipient, form->txtCC, form->txtSubject})
            EXPECT_EQ(caja->Left() + caja->Width(), form->ClientWidth() - 12) << ancho;
    }
}

TEST_F(MailFormTest, TheFontCommandRestylesOnlyTheSelectedTextOfTheMessage) {
    Servidor(25);
    Abre();
    form->MessageText->SetText(QStringLiteral("Estimado cliente: le ruego urgencia."));
    form->MessageText->SetSelStart(0);
    form->MessageText->SetSelLength(0);
    form->pmMessagePopup(nullptr);
    EXPECT_FALSE(form->miFont->Enabled());
    EXPECT_FALSE(form->miCut->Enabled());
    EXPECT_EQ(form->miFont->Caption(), QStringLiteral("&Font..."));

    const TColor antes = form->MessageText->SelAttributes()->Color();
    const int tamano = form->MessageText->SelAttributes()->Size();
    form->MessageText->SetSelStart(27);
    form->MessageText->SetSelLength(8);  // "urgencia"
    form->pmMessagePopup(nullptr);
    ASSERT_TRUE(form->miFont->Enabled());
    harness->AnswerModal([&](TCustomForm& f) {
        auto& d = dynamic_cast<platform::forms::TFontDialogForm&>(f);
        EXPECT_EQ(d.cbTamano->Text(), QString::number(tamano));  // the dialog opens on the selection's font
        d.cbTamano->SetText(QStringLiteral("16"));
        TFormHarness::Click(d.chkNegrita);
        TFormHarness::Type(d.cbColor, QStringLiteral("R"));
        TFormHarness::Click(d.btOk);
    });
    form->miFont->Click();
    EXPECT_EQ(harness->PendingAnswers(), 0);
    EXPECT_EQ(form->MessageText->SelText(), QStringLiteral("urgencia"));
    EXPECT_EQ(form->MessageText->SelAttributes()->Size(), 16);
    EXPECT_TRUE(form->MessageText->SelAttributes()->Style().Contains(fsBold));
    EXPECT_EQ(form->MessageText->SelAttributes()->Color(), clRed);
    // The rest of the message keeps its look.
    form->MessageText->SetSelStart(0);
    form->MessageText->SetSelLength(8);
    EXPECT_EQ(form->MessageText->SelAttributes()->Size(), tamano);
    EXPECT_FALSE(form->MessageText->SelAttributes()->Style().Contains(fsBold));
    EXPECT_EQ(form->MessageText->SelAttributes()->Color(), antes);

    // Cancelled, the dialog changes nothing.
    form->MessageText->SetSelStart(27);
    form->MessageText->SetSelLength(8);
    harness->AnswerModal([&](TCustomForm& f) {
        auto& d = dynamic_cast<platform::forms::TFontDialogForm&>(f);
        d.cbTamano->SetText(QStringLiteral("40"));
        TFormHarness::Click(d.btCancel);
    });
    form->miFont->Click();
    EXPECT_EQ(form->MessageText->SelAttributes()->Size(), 16);
    // The message goes out as the text it is, whatever its look.
    EXPECT_EQ(form->MessageText->Text(), QStringLiteral("Estimado cliente: le ruego urgencia."));
}

// A right click in the message offers the form's own menu (with "&Font..."), not the toolkit's.
TEST_F(MailFormTest, TheMessagesRightClickOffersTheFormsMenu) {
    Servidor(25);
    Abre();
    QWidget* texto = form->MessageText->Widget();
    auto* area = qobject_cast<QAbstractScrollArea*>(texto);
    QWidget* destino = area ? area->viewport() : texto;
    // Whatever menu opens is closed at once, so that a wrong one does not hold the test.
    QTimer::singleShot(0, [] {
        if (QWidget* w = QApplication::activePopupWidget()) w->close();
    });
    QContextMenuEvent clic(QContextMenuEvent::Mouse, QPoint(10, 10), destino->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(destino, &clic);
    EXPECT_EQ(form->pmMessage->PopupCount(), 1);
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

// Handing the message over may take a while: the hourglass shows meanwhile, and goes after.
TEST_F(MailFormTest, TheHourglassShowsWhileTheMessageIsHandedOver) {
    // The desktop's mail client, standing in: it takes the message once told to.
    QDir(dir.path()).mkdir(QStringLiteral("bin"));
    const QString done = dir.filePath(QStringLiteral("done"));
    const QString client = Fichero(QStringLiteral("bin/xdg-email"),
                                   "#!/bin/sh\nwhile [ ! -e '" + QFile::encodeName(done) + "' ]; do sleep 0.05; done\n");
    QFile::setPermissions(client, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.filePath(QStringLiteral("bin"))) + ":" + path);
    InitializeMapi();
    Abre();
    form->txtRecipient->SetText(QStringLiteral("Fernández de Córdoba María José"));
    TCursor during = crDefault;
    bool closed = false;
    QTimer told;
    told.setSingleShot(true);
    QObject::connect(&told, &QTimer::timeout, [&] {
        during = Screen->Cursor();
        // The title bar's close button waits with the rest of the user's input.
        QCloseEvent close;
        QCoreApplication::sendEvent(form->Widget(), &close);
        closed = !form->Visible();
        Fichero(QStringLiteral("done"), QByteArray());
    });
    told.start(0);
    form->btnSendClick(nullptr);
    qputenv("PATH", path);
    EXPECT_FALSE(closed) << "the form closed under the hand-over";
    EXPECT_EQ(during, crHourGlass);
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(u'|').toStdString();
    EXPECT_FALSE(form->Visible());
}

// "&Libreta de direcciones" opens the office's address book as a picker: the names chosen there
// go into the box, and the message goes to each of them.
TEST_F(MailFormTest, TheAddressBookPicksNamesForTheBoxes) {
    for (const char* t : {"CLIENTES", "ABOGADOS"}) {
        TQuery borra(nullptr);
        borra.SetDatabaseName(Dat->Db->DatabaseName());
        borra.SQL()->SetText(QStringLiteral("DELETE FROM ") + QLatin1String(t));
        borra.ExecSQL();
    }
    Close();
    zbtest::TTamDespacho tam;
    tam.Expedientes = 40;
    tam.Anos = 1;
    zbtest::GeneraDespacho(dir.path(), tam);
    Open();
    TQuery q(nullptr);
    q.SetDatabaseName(Dat->Db->DatabaseName());
    q.SQL()->SetText(QStringLiteral("UPDATE CLIENTES SET MAIL = 'cliente' || CLIENTE || '@correo.es' WHERE CLIENTE <= 3"));
    q.ExecSQL();
    mailtest::SmtpServer server(Received());
    ASSERT_GT(server.Port, 0) << "python3-aiosmtpd is needed (scripts/deps.sh --tests)";
    Servidor(server.Port);
    Abre();
    QStringList nombres;
    auto elige = [&](const QStringList& correos, bool conUnoSinCorreo) {
        harness->AnswerModal([&, correos, conUnoSinCorreo](TCustomForm& f) {
            auto& libreta = dynamic_cast<TFContacto&>(f);
            ASSERT_TRUE(libreta.btElegir && libreta.btElegir->Visible());
            for (const QString& c : correos) {
                ASSERT_TRUE(libreta.QContactos->Locate(QStringLiteral("MAIL"), Variant(c), 0));
                nombres << libreta.QContactos->FieldByName(QStringLiteral("NOM"))->AsString();
                libreta.ZbDBGrid1->SelectRecord(true);
            }
            if (conUnoSinCorreo) {
                libreta.QContactos->First();
                while (!libreta.QContactos->FieldByName(QStringLiteral("MAIL"))->AsString().isEmpty()) libreta.QContactos->Next();
                libreta.ZbDBGrid1->SelectRecord(true);
            }
            libreta.btElegirClick(nullptr);
        });
    };
    // With empty boxes the book opens all the same.
    elige({QStringLiteral("cliente1@correo.es"), QStringLiteral("cliente3@correo.es")}, false);
    form->miAddressBook->Click();
    EXPECT_EQ(harness->PendingAnswers(), 0);
    ASSERT_EQ(nombres.size(), 2);
    EXPECT_EQ(form->txtRecipient->Text(), nombres[0] + QStringLiteral(" <cliente1@correo.es>;") + nombres[1] +
                                              QStringLiteral(" <cliente3@correo.es>"));
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(u'|').toStdString();
    // A row without an address is named; cancelling the book adds nothing.
    elige({QStringLiteral("cliente2@correo.es")}, true);
    form->btnCCClick(nullptr);
    EXPECT_EQ(form->txtCC->Text(), nombres[2] + QStringLiteral(" <cliente2@correo.es>"));
    ASSERT_EQ(Texts().size(), 1);
    EXPECT_TRUE(Texts()[0].startsWith(QStringLiteral("No tienen dirección de correo en la libreta:\r")));
    harness->AnswerModal(mrCancel);
    form->btnCCClick(nullptr);
    EXPECT_EQ(form->txtCC->Text(), nombres[2] + QStringLiteral(" <cliente2@correo.es>"));
    // A typed name that cannot be resolved says why, and the book does not open.
    form->txtCC->SetText(QStringLiteral("Nadie Conocido"));
    harness->ClearRecords();
    form->btnCCClick(nullptr);
    ASSERT_EQ(Texts().size(), 1);
    EXPECT_EQ(Texts()[0], QStringLiteral("\"Nadie Conocido\" no está en la libreta de direcciones ni es una dirección de correo."));
    form->txtCC->SetText(QString());
    // People picked again who are in the box already, one typed as the bare address, stay once.
    const QString para = QStringLiteral("CLIENTE1@correo.es;") + nombres[1] + QStringLiteral(" <cliente3@correo.es>");
    form->txtRecipient->SetText(para);
    elige({QStringLiteral("cliente1@correo.es"), QStringLiteral("cliente3@correo.es")}, false);
    form->btnRecipClick(nullptr);
    EXPECT_EQ(harness->PendingAnswers(), 0);
    EXPECT_EQ(form->txtRecipient->Text(), para);
    // An address in To and again in Cc gets the message once.
    form->txtCC->SetText(QStringLiteral("cliente1@correo.es"));

    form->txtSubject->SetText(QStringLiteral("Señalamiento"));
    harness->ClearRecords();
    form->btnSendClick(nullptr);
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(u'|').toStdString();
    server.Stop();
    QFile f(Received() + QStringLiteral("/1.json"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QJsonObject r = QJsonDocument::fromJson(f.readAll()).object();
    EXPECT_EQ(r[u"rcpt"].toArray().toVariantList(), QVariantList({"CLIENTE1@correo.es", "cliente3@correo.es"}));
    EXPECT_EQ(r[u"cc"].toString(), QString());
}

TEST_F(MailFormTest, APasswordFileOthersCanReadFailsTheLogon) {
    Servidor(25, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    Abre();
    ASSERT_EQ(Texts().size(), 1);
    EXPECT_TRUE(Texts()[0].startsWith(QStringLiteral("MAPI Logon failed.\r")));
    EXPECT_FALSE(form->Email1->SessionOpen());
}

}  // namespace
