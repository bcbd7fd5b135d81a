// Sending through a real SMTP server on 127.0.0.1 (Python's aiosmtpd, started by each test) and
// through a stand-in xdg-email that records its arguments.
#include "platform/mail/Mail.h"
#include "tests/platform/mail/SmtpServer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <memory>

using namespace platform::mail;
using mailtest::SmtpServer;

namespace {

// The program's own event loop, for what waits on it; made when the test needs one.
std::unique_ptr<QCoreApplication> Aplicacion() {
    static int argc = 1;
    static char nombre[] = "test_mail";
    static char* argv[] = {nombre, nullptr};
    return QCoreApplication::instance() ? nullptr : std::make_unique<QCoreApplication>(argc, argv);
}

class MailTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        qputenv("ZEMBRA_REGISTRY_FILE", dir.filePath(QStringLiteral("registry.ini")).toLocal8Bit());
        QDir(dir.path()).mkdir(QStringLiteral("recibidos"));
        settings.Host = QStringLiteral("127.0.0.1");
        settings.Mode = Security::None;
        settings.User = QStringLiteral("despacho");
        settings.Password = QStringLiteral("secreto");
        settings.Sender = {QStringLiteral("Despacho Núñez"), QStringLiteral("despacho@nunez.es")};
    }
    QString Received() const { return dir.filePath(QStringLiteral("recibidos")); }
    QString File(const QString& name, const QByteArray& data) {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(data);
        return path;
    }
    QJsonObject FirstMessage() {
        QFile f(Received() + QStringLiteral("/1.json"));
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QJsonDocument::fromJson(f.readAll()).object();
    }
    int MessagesReceived() const {
        return int(QDir(Received()).entryList({QStringLiteral("*.json")}, QDir::Files).size());
    }
    QTemporaryDir dir;
    SmtpSettings settings;
};

TEST_F(MailTest, TheServerReceivesRecipientsSubjectBodyAndAttachmentsAsSent) {
    SmtpServer server(Received());
    ASSERT_GT(server.Port, 0) << "python3-aiosmtpd is needed (scripts/deps.sh --tests)";
    settings.Port = server.Port;
    QByteArray binary;
    for (int i = 0; i < 3000; ++i) binary += char(i * 7 % 256);
    Message m;
    m.To = {{QStringLiteral("María José Fernández"), QStringLiteral("mjfernandez@correo.es")},
            {QString(), QStringLiteral("agarcia@correo.es")}};
    m.Cc = {{QStringLiteral("Pérez, Luis"), QStringLiteral("luis@perez.es")}};
    m.Bcc = {{QString(), QStringLiteral("archivo@nunez.es")}};
    m.Subject = QStringLiteral("Señalamiento de vista oral — expediente 2024/118, juzgado nº 3 de Córdoba");
    m.Body = QStringLiteral("Estimada María José:\n\n.una línea que empieza por punto\nAdjunto la notificación.\n€ ñ ü");
    m.Attachments = {{File(QStringLiteral("Documento Adjunto.doc"), binary), QStringLiteral("Documento Adjunto.doc")},
                     {File(QStringLiteral("Notificación año.pdf"), "%PDF-1.4\r\n\x00\xff"), QStringLiteral("Notificación año.pdf")}};
    m.Acknowledge = true;
    const Outcome o = SendSmtp(settings, m);
    ASSERT_EQ(o.Code, Result::Ok) << o.Text.toStdString();
    server.Stop();
    const QJsonObject r = FirstMessage();
    EXPECT_EQ(r[u"from"].toString(), QStringLiteral("despacho@nunez.es"));
    EXPECT_EQ(r[u"rcpt"].toArray().toVariantList(),
              (QVariantList{"mjfernandez@correo.es", "agarcia@correo.es", "luis@perez.es", "archivo@nunez.es"}));
    EXPECT_EQ(r[u"subject"].toString(), m.Subject);
    EXPECT_EQ(r[u"to"].toString(), QStringLiteral("María José Fernández <mjfernandez@correo.es>, agarcia@correo.es"));
    EXPECT_EQ(r[u"cc"].toString(), QStringLiteral("\"Pérez, Luis\" <luis@perez.es>"));
    EXPECT_FALSE(r[u"bcc_header"].toBool());
    EXPECT_TRUE(r[u"ack"].toString().contains(QStringLiteral("despacho@nunez.es")));
    EXPECT_EQ(r[u"body"].toString().replace(QStringLiteral("\r\n"), QStringLiteral("\n")).trimmed(), m.Body);
    const QJsonArray files = r[u"attachments"].toArray();
    ASSERT_EQ(files.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(files[i][u"name"].toString(), m.Attachments[i].Name);
        QFile got(files[i][u"path"].toString()), sent(m.Attachments[i].Path);
        ASSERT_TRUE(got.open(QIODevice::ReadOnly));
        ASSERT_TRUE(sent.open(QIODevice::ReadOnly));
        EXPECT_EQ(got.readAll(), sent.readAll()) << i;
    }
}

// Text that looks like an encoded word arrives as typed, not decoded into something else.
TEST_F(MailTest, TextThatLooksEncodedArrivesAsTyped) {
    SmtpServer server(Received());
    ASSERT_GT(server.Port, 0);
    settings.Port = server.Port;
    Message m;
    m.To = {{QStringLiteral("Ana =?UTF-8?B?w7E=?= Gil"), QStringLiteral("ana@correo.es")}};
    m.Subject = QStringLiteral("Factura =?UTF-8?B?w7E=?= pendiente");
    m.Attachments = {{File(QStringLiteral("nota.txt"), "nota"), QStringLiteral("=?UTF-8?B?w7E=?=.txt")}};
    ASSERT_EQ(SendSmtp(settings, m).Code, Result::Ok);
    server.Stop();
    const QJsonObject r = FirstMessage();
    EXPECT_EQ(r[u"subject"].toString(), m.Subject);
    EXPECT_TRUE(r[u"to"].toString().contains(QStringLiteral("Ana =?UTF-8?B?w7E=?= Gil"))) << r[u"to"].toString().toStdString();
    EXPECT_EQ(r[u"attachments"].toArray()[0][u"name"].toString(), m.Attachments[0].Name);
}

TEST_F(MailTest, FailuresAreReportedForWhatTheyAreAndNothingGoesOut) {
    SmtpServer server(Received());
    ASSERT_GT(server.Port, 0);
    settings.Port = server.Port;
    Message m;
    m.To = {{QString(), QStringLiteral("ana@correo.es")}};
    m.Subject = QStringLiteral("Prueba");

    SmtpSettings wrong = settings;
    wrong.Password = QStringLiteral("otra");
    EXPECT_EQ(SendSmtp(wrong, m).Code, Result::LoginFailure);
    wrong.Password.clear();
    const Outcome none = SendSmtp(wrong, m);
    EXPECT_EQ(none.Code, Result::LoginFailure);
    EXPECT_TRUE(none.Text.contains(PasswordFile())) << none.Text.toStdString();

    Message unknown = m;
    unknown.Cc = {{QString(), QStringLiteral("quien@nadie.invalid")}, {QString(), QStringLiteral("luis@perez.es")}};
    const Outcome refused = SendSmtp(settings, unknown);
    EXPECT_EQ(refused.Code, Result::RecipientRefused) << refused.Text.toStdString();
    // Which of the recipients, in the server's own words.
    EXPECT_TRUE(refused.Text.contains(QStringLiteral("quien@nadie.invalid"))) << refused.Text.toStdString();
    EXPECT_TRUE(refused.Text.contains(QStringLiteral("No such user here"))) << refused.Text.toStdString();
    EXPECT_FALSE(refused.Text.contains(QStringLiteral("luis@perez.es"))) << refused.Text.toStdString();

    // Settings half filled in say what is wrong with them, not that the server refused.
    SmtpSettings withPort = settings;
    withPort.Host = QStringLiteral("127.0.0.1:%1").arg(server.Port);
    const Outcome badHost = SendSmtp(withPort, m);
    EXPECT_EQ(badHost.Code, Result::Failure);
    EXPECT_TRUE(badHost.Text.contains(withPort.Host) && badHost.Text.contains(QStringLiteral("Puerto")))
        << badHost.Text.toStdString();
    SmtpSettings noSender = settings;
    noSender.Sender = {};
    const Outcome sender = SendSmtp(noSender, m);
    EXPECT_EQ(sender.Code, Result::Failure);
    EXPECT_TRUE(sender.Text.contains(QStringLiteral("Remitente"))) << sender.Text.toStdString();

    Message missing = m;
    missing.Attachments = {{dir.filePath(QStringLiteral("no existe.doc")), QStringLiteral("no existe.doc")}};
    const Outcome o = SendSmtp(settings, missing);
    EXPECT_EQ(o.Code, Result::AttachmentNotFound);
    EXPECT_TRUE(o.Text.contains(QStringLiteral("no existe.doc")));

    // A server that offers no encryption is not used when encryption is asked for: no fallback to
    // sending the password and the message in clear.
    for (Security mode : {Security::StartTls, Security::Tls}) {
        SmtpSettings secure = settings;
        secure.Mode = mode;
        const Outcome plain = SendSmtp(secure, m);
        EXPECT_EQ(plain.Code, Result::NetworkFailure) << int(mode);
        EXPECT_TRUE(plain.Text.contains(QStringLiteral("Seguridad"))) << plain.Text.toStdString();
    }

    // A line break in the subject cannot add a header of its own.
    Message injected = m;
    injected.Subject = QStringLiteral("Hola\r\nBcc: espia@fuera.es");
    EXPECT_EQ(SendSmtp(settings, injected).Code, Result::Ok);
    server.Stop();
    EXPECT_EQ(MessagesReceived(), 1);
    const QJsonObject r = FirstMessage();
    EXPECT_EQ(r[u"rcpt"].toArray().toVariantList(), QVariantList{"ana@correo.es"});
    EXPECT_FALSE(r[u"bcc_header"].toBool());

    const Outcome down = SendSmtp(settings, m);  // the server has ended: nothing listens on its port
    EXPECT_EQ(down.Code, Result::NetworkFailure);
    EXPECT_TRUE(down.Text.contains(QString::number(settings.Port)));
}

TEST_F(MailTest, StartTlsAndTlsCarryTheMessageOnlyToAServerTheCertificatesVouchFor) {
    const QString cert = dir.filePath(QStringLiteral("servidor.pem")), key = dir.filePath(QStringLiteral("servidor.key"));
    QProcess openssl;
    openssl.start(QStringLiteral("/usr/bin/openssl"),
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key,
                   "-out", cert, "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
    ASSERT_TRUE(openssl.waitForFinished(30000) && openssl.exitCode() == 0) << "openssl is needed (scripts/deps.sh --tests)";
    Message m;
    m.To = {{QStringLiteral("Ana García"), QStringLiteral("ana@correo.es")}};
    m.Subject = QStringLiteral("Cifrado — señalamiento");
    m.Body = QStringLiteral("Cuerpo");
    m.Attachments = {{File(QStringLiteral("Poder notarial.pdf"), "%PDF-1.4\n\x01\x02"), QStringLiteral("Poder notarial.pdf")}};
    for (const auto& [mode, name] : {std::pair{Security::StartTls, "starttls"}, std::pair{Security::Tls, "tls"}}) {
        const QString folder = Received() + u'/' + QString::fromLatin1(name);
        QDir().mkpath(folder);
        SmtpServer server(folder, {QString::fromLatin1(name), cert, key});
        ASSERT_GT(server.Port, 0) << name;
        SmtpSettings s = settings;
        s.Mode = mode;
        s.Port = server.Port;
        // A certificate no known authority signed: nothing is sent, the password not offered.
        const Outcome unknown = SendSmtp(s, m);
        EXPECT_EQ(unknown.Code, Result::NetworkFailure) << name << unknown.Text.toStdString();
        EXPECT_TRUE(unknown.Text.contains(QStringLiteral("certificado")) && unknown.Text.contains(QStringLiteral("Certificados")))
            << name << unknown.Text.toStdString();
        s.CaFile = dir.filePath(QStringLiteral("no-existe.pem"));
        const Outcome missing = SendSmtp(s, m);
        EXPECT_EQ(missing.Code, Result::NetworkFailure) << name;
        EXPECT_TRUE(missing.Text.contains(s.CaFile)) << missing.Text.toStdString();
        s.CaFile = cert;
        SmtpSettings wrong = s;
        wrong.Password = QStringLiteral("otra");
        EXPECT_EQ(SendSmtp(wrong, m).Code, Result::LoginFailure) << name;
        const Outcome o = SendSmtp(s, m);
        ASSERT_EQ(o.Code, Result::Ok) << name << o.Text.toStdString();
        server.Stop();
        ASSERT_EQ(QDir(folder).entryList({QStringLiteral("*.json")}).size(), 1) << name;
        QFile f(folder + QStringLiteral("/1.json"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QJsonObject r = QJsonDocument::fromJson(f.readAll()).object();
        EXPECT_EQ(r[u"subject"].toString(), m.Subject) << name;
        EXPECT_EQ(r[u"rcpt"].toArray().toVariantList(), QVariantList{"ana@correo.es"}) << name;
        QFile got(r[u"attachments"].toArray()[0][u"path"].toString());
        ASSERT_TRUE(got.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(got.readAll(), QByteArray("%PDF-1.4\n\x01\x02")) << name;
    }
}

TEST_F(MailTest, AServerThatFallsSilentIsGivenUpWhileTheWindowsKeepTurning) {
    const auto app = Aplicacion();
    Message m;
    m.To = {{QStringLiteral("José Núñez"), QStringLiteral("jose@nunez.es")}};
    m.Subject = QStringLiteral("Señalamiento");
    m.Body = QStringLiteral("Cuerpo");
    for (const char* mode : {"stall-greeting", "stall-data"}) {
        SmtpServer server(Received(), {QString::fromLatin1(mode)});
        ASSERT_GT(server.Port, 0) << mode;
        SmtpSettings s = settings;
        s.Port = server.Port;
        s.Patience = 1;
        int turns = 0;
        QTimer timer;
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [&] { ++turns; });
        timer.start();
        const Outcome o = SendSmtp(s, m);
        timer.stop();
        EXPECT_EQ(o.Code, Result::NetworkFailure) << mode;
        // One that never says a word is likely not an SMTP server of the kind set up there.
        const bool withServer = QByteArray(mode) == "stall-data";
        EXPECT_EQ(o.Text.contains(QStringLiteral("Puerto")), !withServer) << mode << o.Text.toStdString();
        // Before the message is all with the server, it surely did not go; after, that is unknown.
        EXPECT_EQ(o.Text.contains(QStringLiteral("no se ha enviado")), !withServer) << mode << o.Text.toStdString();
        EXPECT_EQ(o.Text.contains(QStringLiteral("compruebe si llegó")), withServer) << mode << o.Text.toStdString();
        EXPECT_GT(turns, 0) << mode << ": the windows' thread stood still while the server was silent";
    }
}

TEST_F(MailTest, SettingsComeFromTheStoreAndThePasswordFileMustBePrivate) {
    {
        QFile f(dir.filePath(QStringLiteral("registry.ini")));
        f.open(QIODevice::WriteOnly);
        f.write("[Software\\Velmor\\zembra\\Correo]\nServidor=smtp.nunez.es\nSeguridad=TLS\nUsuario=despacho@nunez.es\n"
                "Remitente=Despacho N\xc3\xba\xc3\xb1\x65z <info@nunez.es>\nCertificados=/etc/zembra/despacho.pem\n");
    }
    File(QStringLiteral("correo.clave"), "s3cr3t\n");
    ASSERT_EQ(PasswordFile(), dir.filePath(QStringLiteral("correo.clave")));
    QFile::setPermissions(PasswordFile(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    QString error;
    SmtpSettings s = LoadSmtpSettings(&error);
    EXPECT_TRUE(error.contains(QStringLiteral("600")));
    EXPECT_TRUE(s.Password.isEmpty());
    QFile::setPermissions(PasswordFile(), QFile::ReadOwner | QFile::WriteOwner);
    error.clear();
    s = LoadSmtpSettings(&error);
    EXPECT_TRUE(error.isEmpty());
    EXPECT_TRUE(s.Configured());
    EXPECT_EQ(s.Host, QStringLiteral("smtp.nunez.es"));
    EXPECT_EQ(s.Mode, Security::Tls);
    EXPECT_EQ(s.Port, 465);
    EXPECT_EQ(s.User, QStringLiteral("despacho@nunez.es"));
    EXPECT_EQ(s.Password, QStringLiteral("s3cr3t"));
    EXPECT_EQ(s.Sender.Name, QStringLiteral("Despacho Núñez"));
    EXPECT_EQ(s.Sender.Address, QStringLiteral("info@nunez.es"));
    EXPECT_EQ(s.CaFile, QStringLiteral("/etc/zembra/despacho.pem"));
}

TEST_F(MailTest, AddressSyntax) {
    for (const char* good : {"ana@correo.es", "a.b+c@sub.dominio-uno.com", "x_y@a.co"})
        EXPECT_TRUE(IsValidAddress(QString::fromLatin1(good))) << good;
    for (const char* bad : {"", "ana", "ana@", "@correo.es", "ana@correo", "ana garcia@correo.es", "ana@@correo.es",
                            "ana@correo..es", ".ana@correo.es", "ana@-correo.es", "ana@correo.es\r\nBcc: x@y.es"})
        EXPECT_FALSE(IsValidAddress(QString::fromLatin1(bad))) << bad;
    Address a;
    EXPECT_TRUE(ParseAddress(QStringLiteral(" \"García, Ana\" <ana@correo.es> "), a));
    EXPECT_EQ(a.Name, QStringLiteral("García, Ana"));
    EXPECT_EQ(a.Address, QStringLiteral("ana@correo.es"));
    EXPECT_FALSE(ParseAddress(QStringLiteral("Ana <ana>"), a));
}

class XdgEmailTest : public MailTest {
protected:
    void SetUp() override {
        MailTest::SetUp();
        oldPath = qgetenv("PATH");
        QDir(dir.path()).mkdir(QStringLiteral("bin"));
        qputenv("PATH", dir.filePath(QStringLiteral("bin")).toLocal8Bit() + ":" + oldPath);
    }
    void TearDown() override { qputenv("PATH", oldPath); }
    // A stand-in that writes each argument on its own line (NUL-separated) and ends with `code`.
    void StandIn(int code) {
        const QString path = dir.filePath(QStringLiteral("bin/xdg-email"));
        File(QStringLiteral("bin/xdg-email"),
             "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"" + dir.filePath(QStringLiteral("args")).toLocal8Bit() +
                 "\"\nexit " + QByteArray::number(code) + "\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QStringList Arguments() {
        QFile f(dir.filePath(QStringLiteral("args")));
        if (!f.open(QIODevice::ReadOnly)) return {};
        QStringList r = QString::fromUtf8(f.readAll()).split(QChar(0));
        r.removeLast();
        return r;
    }
    QByteArray oldPath;
};

TEST_F(XdgEmailTest, WithoutSmtpSettingsTheDesktopClientGetsTheMessage) {
    StandIn(0);
    EXPECT_EQ(XdgEmailProgram(), dir.filePath(QStringLiteral("bin/xdg-email")));
    EXPECT_TRUE(BackendAvailable());
    Message m;
    m.To = {{QStringLiteral("Ana"), QStringLiteral("ana@correo.es")}, {QString(), QStringLiteral("luis@perez.es")}};
    m.Cc = {{QString(), QStringLiteral("rosa@procu.es")}};
    m.Subject = QStringLiteral("Señalamiento");
    m.Body = QStringLiteral("Línea uno\nLínea dos");
    const QString adjunto = File(QStringLiteral("Documento Adjunto.doc"), "doc");
    m.Attachments = {{adjunto, QStringLiteral("Documento Adjunto.doc")}};
    const Outcome o = Send(m);
    ASSERT_EQ(o.Code, Result::Ok) << o.Text.toStdString();
    EXPECT_EQ(Arguments(), (QStringList{"--utf8", "--cc", "rosa@procu.es", "--subject", "Señalamiento", "--body",
                                        "Línea uno\nLínea dos", "--attach", adjunto, "ana@correo.es", "luis@perez.es"}));

    StandIn(3);
    EXPECT_EQ(Send(m).Code, Result::Failure);
    EXPECT_TRUE(Send(m).Text.contains(QStringLiteral("código 3")));
    QFile::remove(dir.filePath(QStringLiteral("args")));
    m.Attachments = {{dir.filePath(QStringLiteral("falta.doc")), QString()}};
    EXPECT_EQ(Send(m).Code, Result::AttachmentNotFound);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("args"))));  // the client was not called
}

TEST_F(XdgEmailTest, AClientThatStaysOpenWithTheMessageIsNeitherKilledNorCalledAFailure) {
    const auto app = Aplicacion();
    // The client shows the message and stays until "done" appears, as its window until it closes.
    const QByteArray shown = QFile::encodeName(dir.filePath(QStringLiteral("shown"))),
                     done = QFile::encodeName(dir.filePath(QStringLiteral("done"))),
                     closed = QFile::encodeName(dir.filePath(QStringLiteral("closed")));
    const QString path = File(QStringLiteral("bin/xdg-email"), "#!/bin/sh\ntouch '" + shown + "'\nwhile [ ! -e '" + done +
                                                                  "' ]; do sleep 0.1; done\ntouch '" + closed + "'\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Message m;
    m.To = {{QStringLiteral("José Núñez"), QStringLiteral("jose@nunez.es")}};
    m.Subject = QStringLiteral("Señalamiento");
    const Outcome o = SendXdgEmail(m, 200);
    EXPECT_EQ(o.Code, Result::Ok) << o.Text.toStdString();
    EXPECT_FALSE(QFile::exists(QFile::decodeName(closed)));
    File(QStringLiteral("done"), "");
    for (int i = 0; i < 300 && !QFile::exists(QFile::decodeName(closed)); ++i) QThread::msleep(100);
    EXPECT_TRUE(QFile::exists(QFile::decodeName(shown)));
    EXPECT_TRUE(QFile::exists(QFile::decodeName(closed))) << "the client was ended";
}

}  // namespace
