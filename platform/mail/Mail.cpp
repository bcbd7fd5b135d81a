#include "platform/mail/Mail.h"

#include "platform/classes/Registry.h"
#include "platform/mail/SmtpModule.h"
#include "platform/rtl/Modules.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>


namespace platform::mail {

namespace {

const QString CorreoKey = QStringLiteral("\\Software\\Velmor\\zembra\\Correo");

// Header text never carries line breaks of its own (no header injection from a subject or name).
QString OneLine(const QString& text) {
    QString r = text;
    r.replace(u'\r', u' ').replace(u'\n', u' ');
    return r.trimmed();
}

// Text that can go as written: printable ASCII that no reader would take for an encoded word.
bool PlainAscii(const QString& text) {
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e) return false;
    return !text.contains(QLatin1String("=?"));
}

// RFC 2047 encoded words, each holding whole UTF-8 characters, folded one per line.
QByteArray EncodedWords(const QString& text) {
    QList<QByteArray> words;
    QByteArray chunk;
    for (int i = 0; i < text.size(); ++i) {
        QString ch(text[i]);
        if (text[i].isHighSurrogate() && i + 1 < text.size()) ch += text[++i];
        const QByteArray bytes = ch.toUtf8();
        if (chunk.size() + bytes.size() > 45) {
            words << chunk;
            chunk.clear();
        }
        chunk += bytes;
    }
    if (!chunk.isEmpty()) words << chunk;
    QByteArray r;
    for (const QByteArray& w : words) {
        if (!r.isEmpty()) r += "\r\n ";
        r += "=?UTF-8?B?" + w.toBase64() + "?=";
    }
    return r;
}

QByteArray HeaderText(const QString& text) {
    const QString t = OneLine(text);
    return PlainAscii(t) ? t.toLatin1() : EncodedWords(t);
}

QByteArray Mailbox(const Address& a) {
    const QString name = OneLine(a.Name);
    if (name.isEmpty()) return a.Address.toLatin1();
    QByteArray n;
    if (!PlainAscii(name))
        n = EncodedWords(name);
    else if (name.contains(QRegularExpression(QStringLiteral("[()<>\\[\\]:;@\\\\,.\"]")))) {
        QString q = name;
        q.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
        n = '"' + q.toLatin1() + '"';
    } else
        n = name.toLatin1();
    return n + " <" + a.Address.toLatin1() + ">";
}

QByteArray MailboxList(const QList<Address>& list) {
    QByteArray r;
    for (const Address& a : list) {
        if (!r.isEmpty()) r += ",\r\n ";
        r += Mailbox(a);
    }
    return r;
}

QByteArray Base64Lines(const QByteArray& data) {
    const QByteArray b = data.toBase64();
    QByteArray r;
    for (qsizetype i = 0; i < b.size(); i += 76) r += b.mid(i, 76) + "\r\n";
    return r;
}

QByteArray Boundary() {
    return "=_zembra_" + QByteArray::number(QRandomGenerator::global()->generate64(), 36) +
           QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

// The transport module, loaded with the first message sent by SMTP; null (and the reason in
// SmtpModuleError) when it cannot be.
QString& SmtpModuleError() {
    static QString error;
    return error;
}

const TSmtpModule* SmtpModule() {
    static const TSmtpModule* module = ModuleTable<TSmtpModule>(
        QStringLiteral(ZEMBRA_SMTP_MODULE_FILE), ZEMBRA_SMTP_MODULE_ENTRY, kSmtpModuleVersion, &SmtpModuleError());
    return module;
}

// Runs `work` on a thread of its own while the calling thread, when it is the windows' one, keeps
// painting them; user input waits until the work is done.
void AwayFromWindows(const std::function<void()>& work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        work();
        return;
    }
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create(work));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
}

Outcome MissingAttachment(const Message& message) {
    for (const Attachment& a : message.Attachments) {
        QFileInfo f(a.Path);
        if (!f.isFile() || !f.isReadable())
            return {Result::AttachmentNotFound, QStringLiteral("No se encuentra el documento adjunto \"%1\".").arg(a.Path)};
    }
    return {};
}

}  // namespace

QString PasswordFile() {
    return QFileInfo(platform::classes::RegistryFile(HKEY_CURRENT_USER)).dir().filePath(QStringLiteral("correo.clave"));
}

SmtpSettings LoadSmtpSettings(QString* error) {
    SmtpSettings s;
    TRegistry reg;
    if (!reg.OpenKeyReadOnly(CorreoKey)) return s;
    s.Host = reg.ReadString(QStringLiteral("Servidor")).trimmed();
    const QString seguridad = reg.ReadString(QStringLiteral("Seguridad")).trimmed().toUpper();
    if (seguridad == u"TLS" || seguridad == u"SSL")
        s.Mode = Security::Tls;
    else if (seguridad == u"NINGUNA")
        s.Mode = Security::None;
    s.Port = s.Mode == Security::Tls ? 465 : 587;
    if (reg.ValueExists(QStringLiteral("Puerto"))) {
        bool ok = false;
        const int port = reg.GetDataType(QStringLiteral("Puerto")) == rdInteger
                             ? (ok = true, reg.ReadInteger(QStringLiteral("Puerto")))
                             : reg.ReadString(QStringLiteral("Puerto")).trimmed().toInt(&ok);
        if (ok && port > 0 && port < 65536) s.Port = port;
    }
    s.User = reg.ReadString(QStringLiteral("Usuario")).trimmed();
    const QString remitente = reg.ReadString(QStringLiteral("Remitente")).trimmed();
    if (!ParseAddress(remitente.isEmpty() ? s.User : remitente, s.Sender)) s.Sender = {QString(), remitente};
    s.CaFile = reg.ReadString(QStringLiteral("Certificados")).trimmed();
    QFile f(PasswordFile());
    if (f.exists()) {
        if (f.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther)) {
            if (error)
                *error = QStringLiteral("El fichero de la clave de correo \"%1\" debe ser legible solo por su usuario (chmod 600).")
                             .arg(f.fileName());
        } else if (f.open(QIODevice::ReadOnly))
            s.Password = QString::fromUtf8(f.readAll()).section(u'\n', 0, 0).remove(u'\r');
    }
    return s;
}

bool IsValidAddress(const QString& address) {
    static const QRegularExpression re(QStringLiteral(
        "^[A-Za-z0-9!#$%&'*+/=?^_`{|}~-]+(\\.[A-Za-z0-9!#$%&'*+/=?^_`{|}~-]+)*"
        "@[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?(\\.[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?)+$"));
    return address.size() <= 254 && re.match(address).hasMatch();
}

bool ParseAddress(const QString& text, Address& result) {
    const QString t = text.trimmed();
    const qsizetype lt = t.lastIndexOf(u'<');
    if (lt >= 0 && t.endsWith(u'>')) {
        QString name = t.left(lt).trimmed();
        if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"')) name = name.mid(1, name.size() - 2);
        result = {name, t.mid(lt + 1, t.size() - lt - 2).trimmed()};
    } else
        result = {QString(), t};
    return IsValidAddress(result.Address);
}

QByteArray BuildMime(const Message& m, const Address& sender) {
    QByteArray h;
    h += "From: " + Mailbox(sender) + "\r\n";
    if (!m.To.isEmpty()) h += "To: " + MailboxList(m.To) + "\r\n";
    if (!m.Cc.isEmpty()) h += "Cc: " + MailboxList(m.Cc) + "\r\n";
    h += "Subject: " + HeaderText(m.Subject) + "\r\n";
    h += "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1() + "\r\n";
    const QString domain = sender.Address.section(u'@', 1);
    h += "Message-ID: <" + QByteArray::number(QRandomGenerator::global()->generate64(), 36) + "." +
         QByteArray::number(QDateTime::currentMSecsSinceEpoch(), 36) + "@" +
         (domain.isEmpty() ? QByteArray("zembra") : domain.toLatin1()) + ">\r\n";
    if (m.Acknowledge) h += "Disposition-Notification-To: " + Mailbox(sender) + "\r\n";
    h += "MIME-Version: 1.0\r\n";
    QString body = m.Body;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n').replace(u'\n', QStringLiteral("\r\n"));
    const QByteArray text = "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
                            Base64Lines(body.toUtf8());
    if (m.Attachments.isEmpty()) return h + text;
    const QByteArray b = Boundary();
    QByteArray r = h + "Content-Type: multipart/mixed; boundary=\"" + b + "\"\r\n\r\n";
    r += "--" + b + "\r\n" + text;
    QMimeDatabase mimes;
    for (const Attachment& a : m.Attachments) {
        QFile f(a.Path);
        f.open(QIODevice::ReadOnly);
        const QString name = OneLine(a.Name.isEmpty() ? QFileInfo(a.Path).fileName() : a.Name);
        const QByteArray type = mimes.mimeTypeForFile(a.Path).name().toLatin1();
        QByteArray disposition = "attachment";
        if (PlainAscii(name) && !name.contains(u'"') && !name.contains(u'\\'))
            disposition += "; filename=\"" + name.toLatin1() + "\"";
        else
            disposition += ";\r\n filename*=UTF-8''" + QUrl::toPercentEncoding(name);
        r += "--" + b + "\r\n";
        r += "Content-Type: " + (type.isEmpty() ? QByteArray("application/octet-stream") : type) + "\r\n";
        r += "Content-Transfer-Encoding: base64\r\n";
        r += "Content-Disposition: " + disposition + "\r\n\r\n";
        r += Base64Lines(f.readAll());
    }
    r += "--" + b + "--\r\n";
    return r;
}

Outcome SendSmtp(const SmtpSettings& s, const Message& m) {
    if (Outcome o = MissingAttachment(m); o.Code != Result::Ok) return o;
    if (m.To.isEmpty() && m.Cc.isEmpty() && m.Bcc.isEmpty())
        return {Result::RecipientRefused, QStringLiteral("El mensaje no tiene destinatarios.")};
    const QByteArray host = QUrl::toAce(s.Host);
    if (host.isEmpty())
        return {Result::Failure, QStringLiteral("El nombre del servidor de correo \"%1\" de la configuración no es válido "
                                                "(el puerto se indica aparte, en Puerto).")
                                     .arg(s.Host)};
    if (s.Sender.Address.isEmpty())
        return {Result::Failure,
                QStringLiteral("Falta la dirección del remitente en la configuración del correo (Remitente o Usuario).")};
    if (!IsValidAddress(s.Sender.Address))
        return {Result::Failure, QStringLiteral("La dirección del remitente \"%1\" no es válida.").arg(s.Sender.Address)};

    if (!s.CaFile.isEmpty() && !QFileInfo(s.CaFile).isReadable())
        return {Result::NetworkFailure,
                QStringLiteral("No se puede leer el fichero de certificados del correo \"%1\".").arg(s.CaFile)};

    const TSmtpModule* module = SmtpModule();
    if (!module)
        return {Result::Failure, QString::fromUtf8("No se puede enviar el correo por el servidor. %1").arg(SmtpModuleError())};
    TSmtpRequest q;
    q.Url = (s.Mode == Security::Tls ? "smtps://" : "smtp://") + host + ":" + QByteArray::number(s.Port);
    q.StartTls = s.Mode == Security::StartTls;
    q.CaFile = QFile::encodeName(s.CaFile);
    q.User = s.User.toUtf8();
    q.Password = s.Password.toUtf8();
    q.From = "<" + s.Sender.Address.toLatin1() + ">";
    for (const QList<Address>* list : {&m.To, &m.Cc, &m.Bcc})
        for (const Address& a : *list) q.Recipients << "<" + a.Address.toLatin1() + ">";
    q.Data = BuildMime(m, s.Sender);
    q.Patience = std::max(1, s.Patience);
    TSmtpReply reply;
    AwayFromWindows([&] { module->Transfer(q, reply); });
    // The server's own words where it gave some, else the transfer's.
    const QString detail = reply.ServerText.isEmpty() || reply.Kind == TSmtpReply::Network ||
                                   reply.Kind == TSmtpReply::Handshake || reply.Kind == TSmtpReply::Stalled ||
                                   reply.Kind == TSmtpReply::Certificate
                               ? reply.Detail
                               : reply.ServerText;
    const QString server = QStringLiteral("%1:%2").arg(s.Host).arg(s.Port);
    switch (reply.Kind) {
    case TSmtpReply::Sent:
        return {};
    case TSmtpReply::NoSession:
        return {Result::Failure, QStringLiteral("No se pudo preparar el envío del correo.")};
    case TSmtpReply::Network:
        return {Result::NetworkFailure,
                QStringLiteral("No se pudo conectar con el servidor de correo %1 (%2).").arg(server, detail)};
    case TSmtpReply::Handshake:
        return {Result::NetworkFailure,
                QStringLiteral("El servidor de correo %1 no respondió como se esperaba al conectar (%2): compruebe Puerto "
                               "y Seguridad en la configuración del correo. El mensaje no se ha enviado.")
                    .arg(server, detail)};
    case TSmtpReply::Stalled:
        // Once the whole message is with the server, its silence does not tell whether it went out.
        return {Result::NetworkFailure,
                reply.DataSent ? QStringLiteral("El servidor de correo %1 dejó de responder después de recibir el mensaje: "
                                                "compruebe si llegó antes de enviarlo otra vez.")
                                     .arg(server)
                               : QStringLiteral("El servidor de correo %1 dejó de responder; el mensaje no se ha enviado.")
                                     .arg(server)};
    case TSmtpReply::Certificate:
        return {Result::NetworkFailure,
                QStringLiteral("El certificado del servidor de correo %1 no es de confianza (%2); el mensaje no se ha "
                               "enviado. Si es el del despacho, indique en Certificados el fichero que lo avala.")
                    .arg(server, detail)};
    case TSmtpReply::Login:
        // With no password at all, where it goes is the thing to know.
        return {Result::LoginFailure,
                QStringLiteral("El servidor de correo no aceptó el usuario o la clave (%1).").arg(detail) +
                    (s.Password.isEmpty() ? QStringLiteral(" No hay clave en \"%1\".").arg(PasswordFile()) : QString())};
    case TSmtpReply::Other:
        break;
    }
    if (reply.LastCommand.startsWith(QStringLiteral("RCPT"), Qt::CaseInsensitive)) {
        const QString who = reply.LastCommand.section(u'<', 1).section(u'>', 0, 0);
        return {Result::RecipientRefused,
                QStringLiteral("El servidor de correo rechazó al destinatario %1 (%2); el mensaje no se ha enviado.").arg(who, detail)};
    }
    if (reply.Detail.contains(QStringLiteral("RCPT"), Qt::CaseInsensitive))
        return {Result::RecipientRefused, QStringLiteral("El servidor de correo rechazó un destinatario (%1).").arg(detail)};
    return {Result::Failure, QStringLiteral("El servidor de correo no aceptó el mensaje (%1).").arg(detail)};
}

QString XdgEmailProgram() { return QStandardPaths::findExecutable(QStringLiteral("xdg-email")); }

QStringList XdgEmailArguments(const Message& m) {
    QStringList a{QStringLiteral("--utf8")};
    for (const Address& c : m.Cc) a << QStringLiteral("--cc") << c.Address;
    for (const Address& c : m.Bcc) a << QStringLiteral("--bcc") << c.Address;
    a << QStringLiteral("--subject") << OneLine(m.Subject);
    a << QStringLiteral("--body") << m.Body;
    for (const Attachment& f : m.Attachments) a << QStringLiteral("--attach") << QFileInfo(f.Path).absoluteFilePath();
    for (const Address& c : m.To) a << c.Address;
    return a;
}

Outcome SendXdgEmail(const Message& m, int patienceMs) {
    if (Outcome o = MissingAttachment(m); o.Code != Result::Ok) return o;
    const QString program = XdgEmailProgram();
    if (program.isEmpty())
        return {Result::Failure, QStringLiteral("No hay servidor de correo configurado ni programa de correo en el escritorio.")};
    // A client left showing the message must outlive this call, and the program's end must not
    // close it.
    auto* p = new QProcess;
    p->setProgram(program);
    p->setArguments(XdgEmailArguments(m));
    p->setProcessChannelMode(QProcess::ForwardedChannels);
    p->start();
    if (!p->waitForStarted(10000)) {
        const QString why = p->errorString();
        delete p;
        return {Result::Failure, QStringLiteral("No se pudo iniciar el programa de correo del escritorio (%1).").arg(why)};
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread()) {
        QEventLoop loop;
        QTimer::singleShot(patienceMs, &loop, &QEventLoop::quit);
        QObject::connect(p, &QProcess::finished, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    } else
        p->waitForFinished(patienceMs);
    if (p->state() != QProcess::NotRunning) {
        // Kept by an owner that is never destroyed, which would end it.
        static QObject* const leftOpen = new QObject;
        p->setParent(leftOpen);
        QObject::connect(p, &QProcess::finished, p, &QObject::deleteLater);
        return {};
    }
    const bool ok = p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0;
    const int code = p->exitCode();
    delete p;
    if (!ok)
        return {Result::Failure,
                QStringLiteral("El programa de correo del escritorio no pudo abrir el mensaje (código %1).").arg(code)};
    return {};
}

bool BackendAvailable() { return LoadSmtpSettings().Configured() || !XdgEmailProgram().isEmpty(); }

Outcome Send(const Message& m) {
    QString error;
    const SmtpSettings s = LoadSmtpSettings(&error);
    if (!error.isEmpty()) return {Result::LoginFailure, error};
    return s.Configured() ? SendSmtp(s, m) : SendXdgEmail(m);
}

}  // namespace platform::mail
