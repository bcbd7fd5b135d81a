// The mail session over a real data folder's address book and a real SMTP server on 127.0.0.1.
#include "DatFixture.h"
#include "documents/Email.h"
#include "documents/MapiLoader.h"
#include "tests/platform/mail/SmtpServer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

class EmailTest : public shelltest::DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        qputenv("ZEMBRA_REGISTRY_FILE", dir.filePath(QStringLiteral("registry.ini")).toLocal8Bit());
        QDir(dir.path()).mkdir(QStringLiteral("recibidos"));
        Persona(Dat->TClientes, "GARCÍA LÓPEZ", "Antonio", "agarcia@correo.es");
        Persona(Dat->TClientes, "FERNÁNDEZ", "María José", "mjfernandez@correo.es");
        Persona(Dat->TContrarios, "FERNÁNDEZ", "Luis", "lfernandez@otro.es");
        Persona(Dat->TAbogados, "MARTÍNEZ RUIZ", "Pedro", "pmartinez@bufete.es");
        Persona(Dat->TPeritos, "SOLER", "Juan", "juan soler@tasaciones");
        Persona(Dat->TProcu, "NÚÑEZ", "Rosa", "");
    }
    void TearDown() override {
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
    // SMTP settings of the current user pointing at `port`.
    void Servidor(int port, const char* clave = "secreto") {
        QFile f(dir.filePath(QStringLiteral("registry.ini")));
        f.open(QIODevice::WriteOnly);
        f.write("[Software\\Velmor\\zembra\\Correo]\nServidor=127.0.0.1\nPuerto=" + QByteArray::number(port) +
                "\nSeguridad=NINGUNA\nUsuario=despacho\nRemitente=Despacho <despacho@nunez.es>\n");
        f.close();
        QFile c(dir.filePath(QStringLiteral("correo.clave")));
        c.open(QIODevice::WriteOnly);
        c.write(clave);
        c.close();
        c.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        InitializeMapi();
    }
    QString Adjunto(const QString& name, const QByteArray& data) {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(data);
        return path;
    }
    QString Received() const { return dir.filePath(QStringLiteral("recibidos")); }
    int MessagesReceived() const {
        return int(QDir(Received()).entryList({QStringLiteral("*.json")}, QDir::Files).size());
    }
    QJsonObject FirstMessage() {
        QFile f(Received() + QStringLiteral("/1.json"));
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QJsonDocument::fromJson(f.readAll()).object();
    }
    // Records the session's events and errors.
    void Escucha(TEmail& e) {
        e.OnBeforeLogon = [this](TObject*) { log << QStringLiteral("logon"); };
        e.OnAfterLogoff = [this](TObject*) { log << QStringLiteral("logoff"); };
        e.OnBeforeSendMail = [this](TObject*) { log << QStringLiteral("send"); };
        e.OnAfterSendMail = [this](TObject*) { log << QStringLiteral("sent"); };
        e.OnMapiError = [this](TObject*, int n) { log << QStringLiteral("error %1").arg(n); };
    }
    QStringList log;
};

TEST_F(EmailTest, WithoutABackendEveryOperationSaysMailIsUnavailable) {
    MapiLoaded = false;
    TEmail e(nullptr);
    EXPECT_FALSE(e.MapiAvail());
    EXPECT_EQ(e.Version(), QStringLiteral("2.09.02"));
    try {
        e.SendMail();
        FAIL() << "no exception";
    } catch (const EMapiUnavailable& x) {
        EXPECT_EQ(x.Message(), QStringLiteral("MAPI services are not available on this system"));
    }
    EXPECT_THROW(e.Logon(), EMapiUnavailable);
    EXPECT_THROW(e.ResolveName(QStringLiteral("x")), EMapiUnavailable);
}

TEST_F(EmailTest, NamesResolveThroughTheAddressBookAndAddressesAreChecked) {
    Servidor(25);
    TEmail e(nullptr);
    Escucha(e);
    // Whole name in either order, any case; the beginning of a name when only one person fits.
    EXPECT_EQ(e.ResolveName(QStringLiteral("garcía lópez antonio")), QStringLiteral("GARCÍA LÓPEZ Antonio <agarcia@correo.es>"));
    EXPECT_EQ(e.ResolveName(QStringLiteral("Pedro Martínez Ruiz")), QStringLiteral("MARTÍNEZ RUIZ Pedro <pmartinez@bufete.es>"));
    EXPECT_EQ(e.ResolveName(QStringLiteral("MARTÍNEZ")), QStringLiteral("MARTÍNEZ RUIZ Pedro <pmartinez@bufete.es>"));
    EXPECT_EQ(e.ResolveName(QStringLiteral("ana@correo.es")), QStringLiteral("ana@correo.es"));
    EXPECT_EQ(e.ResolveName(QStringLiteral("[ana@correo.es]")), QStringLiteral("[ana@correo.es]"));
    EXPECT_TRUE(log.filter(QStringLiteral("error")).isEmpty()) << log.join(u',').toStdString();
    EXPECT_FALSE(e.SessionOpen());  // each lookup logged on and off again

    // Two people, a name nobody has, a person without mail, a stored address that is not one.
    for (const char* n : {"FERNÁNDEZ", "Ortega", "NÚÑEZ Rosa", "SOLER Juan", "ana@correo", "[ana]"}) {
        log.clear();
        EXPECT_EQ(e.ResolveName(QString::fromUtf8(n)), QString::fromUtf8(n));
        EXPECT_EQ(log.filter(QStringLiteral("error")),
                  QStringList{QString::fromLatin1(n == std::string("FERNÁNDEZ") ? "error 21" : "error 14")})
            << n;
    }

    e.Recipient()->Add(QStringLiteral("fernández maría josé"));
    e.CC()->Add(QStringLiteral("rosa@procu.es"));
    e.Address();
    EXPECT_EQ(e.Recipient()->Strings(0), QStringLiteral("FERNÁNDEZ María José <mjfernandez@correo.es>"));
    EXPECT_EQ(e.CC()->Strings(0), QStringLiteral("rosa@procu.es"));
}

// A whole name is that person's even when longer names begin with it; one address under two
// entries (a client who is also an opposing party) is one recipient, not two to choose from.
TEST_F(EmailTest, AWholeNameOrOneAddressUnderSeveralEntriesIsNotAmbiguous) {
    Persona(Dat->TClientes, "GARCIA", "ANA", "ana.garcia@correo.es");
    Persona(Dat->TClientes, "GARCIA", "ANABEL", "anabel@correo.es");
    Persona(Dat->TClientes, "SANZ", "Eva", "eva.sanz@correo.es");
    Persona(Dat->TContrarios, "SANZ", "Eva", "eva.sanz@correo.es");
    Persona(Dat->TClientes, "SANZ", "Elena", "elena@correo.es");
    Servidor(25);
    TEmail e(nullptr);
    Escucha(e);
    EXPECT_EQ(e.ResolveName(QStringLiteral("GARCIA ANA")), QStringLiteral("GARCIA ANA <ana.garcia@correo.es>"));
    EXPECT_EQ(e.ResolveName(QStringLiteral("ana garcia")), QStringLiteral("GARCIA ANA <ana.garcia@correo.es>"));
    EXPECT_EQ(e.ResolveName(QStringLiteral("GARCIA ANAB")), QStringLiteral("GARCIA ANABEL <anabel@correo.es>"));
    EXPECT_EQ(e.ResolveName(QStringLiteral("Sanz Eva")), QStringLiteral("SANZ Eva <eva.sanz@correo.es>"));
    EXPECT_TRUE(log.filter(QStringLiteral("error")).isEmpty()) << log.join(u',').toStdString();
    // Two people, two addresses: still for the user to choose.
    for (const char* n : {"GARCIA", "SANZ E"}) {
        log.clear();
        EXPECT_EQ(e.ResolveName(QString::fromLatin1(n)), QString::fromLatin1(n));
        EXPECT_EQ(log.filter(QStringLiteral("error")), QStringList{QStringLiteral("error 21")}) << n;
    }
}

// Addresses do not tell capitals apart: one written differently under two entries is one
// recipient, the first entry's as written.
TEST_F(EmailTest, OneAddressWrittenInOtherCapitalsIsOneRecipient) {
    Persona(Dat->TClientes, "SANZ", "Eva", "Eva.Sanz@Correo.es");
    Persona(Dat->TContrarios, "SANZ", "Eva", "eva.sanz@CORREO.ES");
    Servidor(25);
    TEmail e(nullptr);
    Escucha(e);
    EXPECT_EQ(e.ResolveName(QStringLiteral("Sanz Eva")), QStringLiteral("SANZ Eva <Eva.Sanz@Correo.es>"));
    EXPECT_TRUE(log.filter(QStringLiteral("error")).isEmpty()) << log.join(u',').toStdString();
}

TEST_F(EmailTest, SendingResolvesNamesAttachesFilesUnderTheirOwnNamesAndLogsOffAgain) {
    mailtest::SmtpServer server(Received());
    ASSERT_GT(server.Port, 0) << "python3-aiosmtpd is needed (scripts/deps.sh --tests)";
    Servidor(server.Port);
    ASSERT_TRUE(MapiLoaded);
    TEmail e(nullptr);
    Escucha(e);
    e.Recipient()->Add(QStringLiteral("Antonio García López"));
    e.CC()->Add(QStringLiteral("[rosa@procu.es]"));
    e.Bcc()->Add(QStringLiteral("archivo@nunez.es"));
    e.SetSubject(QStringLiteral("Señalamiento"));
    e.SetText(QStringLiteral("corto"));
    EXPECT_EQ(e.SetLongText(QStringLiteral("Texto largo del mensaje, con eñes.")), 34);
    QByteArray datos(70000, 'x');
    datos[5] = '\0';
    const QString adjunto = Adjunto(QStringLiteral("Documento Adjunto.doc"), datos);
    e.Attachment()->Add(adjunto);
    ASSERT_EQ(e.SendMail(), 0) << e.LastErrorText().toStdString();
    EXPECT_EQ(log, (QStringList{"logon", "send", "sent", "logoff"}));
    EXPECT_EQ(e.Recipient()->Strings(0), QStringLiteral("GARCÍA LÓPEZ Antonio <agarcia@correo.es>"));
    server.Stop();
    const QJsonObject r = FirstMessage();
    EXPECT_EQ(r[u"rcpt"].toArray().toVariantList(), (QVariantList{"agarcia@correo.es", "rosa@procu.es", "archivo@nunez.es"}));
    EXPECT_EQ(r[u"subject"].toString(), QStringLiteral("Señalamiento"));
    EXPECT_EQ(r[u"body"].toString().trimmed(), QStringLiteral("Texto largo del mensaje, con eñes."));
    const QJsonArray files = r[u"attachments"].toArray();
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files[0][u"name"].toString(), QStringLiteral("Documento Adjunto.doc"));
    QFile got(files[0][u"path"].toString());
    ASSERT_TRUE(got.open(QIODevice::ReadOnly));
    EXPECT_EQ(got.readAll(), datos);

    // A session opened before the send stays open after it.
    log.clear();
    ASSERT_EQ(e.Logon(), 0);
    EXPECT_EQ(e.SendMail(), MAPI_E_NETWORK_FAILURE);  // the server has ended
    EXPECT_TRUE(e.SessionOpen());
    EXPECT_EQ(log, (QStringList{"logon", "send", "error 23"}));
}

TEST_F(EmailTest, AnyUnresolvedNameOrMissingFileStopsTheSendAndNothingGoesOut) {
    mailtest::SmtpServer server(Received());
    ASSERT_GT(server.Port, 0);
    Servidor(server.Port);
    TEmail e(nullptr);
    Escucha(e);
    e.Recipient()->Add(QStringLiteral("agarcia@correo.es"));
    e.CC()->Add(QStringLiteral("Quien Sea"));
    EXPECT_EQ(e.SendMail(), MAPI_E_UNKNOWN_RECIPIENT);
    EXPECT_TRUE(e.LastErrorText().contains(QStringLiteral("Quien Sea")));

    e.CC()->Clear();
    e.Attachment()->Add(dir.filePath(QStringLiteral("no está.doc")));
    EXPECT_EQ(e.SendMail(), MAPI_E_ATTACHMENT_NOT_FOUND);

    e.Attachment()->Clear();
    e.CC()->Add(QStringLiteral("alguien@nadie.invalid"));  // refused by the server
    EXPECT_EQ(e.SendMail(), MAPI_E_UNKNOWN_RECIPIENT);

    e.CC()->Clear();
    Servidor(server.Port, "mala");
    EXPECT_EQ(e.SendMail(), MAPI_E_LOGIN_FAILURE);
    EXPECT_FALSE(e.SessionOpen());
    EXPECT_EQ(log.filter(QStringLiteral("error")), (QStringList{"error 14", "error 11", "error 14", "error 3"}));
    EXPECT_TRUE(log.filter(QStringLiteral("sent")).isEmpty());
    server.Stop();
    EXPECT_EQ(MessagesReceived(), 0);
}

TEST_F(EmailTest, ShortAttachmentNamesOnlyWhenAskedFor) {
    TEmail e(nullptr);
    EXPECT_FALSE(e.TruncAttFN());
    EXPECT_EQ(e.TruncAttachmentName(QStringLiteral("INFORMEPERIC.doc")), QStringLiteral("RMEPERIC.doc"));
    EXPECT_EQ(e.TruncAttachmentName(QStringLiteral("ABCDEFGH.doc")), QStringLiteral("ABCDEFGH.doc"));
    EXPECT_EQ(e.TruncAttachmentName(QStringLiteral("carta.original.pdf")), QStringLiteral("original.pdf"));
    EXPECT_EQ(e.TruncAttachmentName(QStringLiteral("Documento Adjunto.doc")), QStringLiteral(" Adjunto.doc"));
}

}  // namespace
