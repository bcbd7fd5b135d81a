#pragma once
// Sending one message: through an SMTP server when the user has set one up in the settings store,
// else by handing it to the desktop's mail client (xdg-email), which shows its own compose window.
//
// SMTP settings, key Software\Velmor\zembra\Correo of the current user's store:
//   Servidor   host name ("" or missing: no SMTP, the desktop client is used)
//   Puerto     port (default 587; 465 for TLS)
//   Seguridad  STARTTLS (default), TLS, or NINGUNA
//   Usuario    login name (empty: no authentication)
//   Remitente  sender address, "Name <address>" or a bare address (default: Usuario)
//   Certificados  file of the certificates (PEM) the server's is checked against, for a server
//              whose certificate no public authority signed (default: the system's)
// The password is not kept in the store but in the file "correo.clave" next to it, which must be
// readable by its user only (mode 600).
#include <QList>
#include <QString>
#include <QStringList>

namespace platform::mail {

struct Address {
    QString Name;     // display name, may be empty
    QString Address;  // bare mail address
};

struct Attachment {
    QString Path;  // file to attach
    QString Name;  // name the recipient sees
};

struct Message {
    QList<Address> To, Cc, Bcc;
    QString Subject;
    QString Body;
    QList<Attachment> Attachments;
    bool Acknowledge = false;  // ask for a read receipt
};

enum class Security { None, StartTls, Tls };

struct SmtpSettings {
    QString Host;
    int Port = 587;
    Security Mode = Security::StartTls;
    QString User;
    QString Password;
    Address Sender;
    QString CaFile;  // empty: the system's certificate authorities
    int Patience = 120;  // seconds the server may keep silent before the send is given up
    bool Configured() const { return !Host.isEmpty(); }
};

enum class Result { Ok, NetworkFailure, LoginFailure, RecipientRefused, AttachmentNotFound, Failure };

struct Outcome {
    Result Code = Result::Ok;
    QString Text;  // what went wrong, for the user
};

// The password file of the current user.
QString PasswordFile();
// Settings of the current user; a password file readable by others is an error (in `error`).
SmtpSettings LoadSmtpSettings(QString* error = nullptr);

// Checks "local@domain.tld".
bool IsValidAddress(const QString& address);
// "Name <address>" or "address" into its parts; false when the address is not valid.
bool ParseAddress(const QString& text, Address& result);

// The message as an RFC 5322 text with MIME parts (CRLF line ends). Names and the subject in
// UTF-8 encoded words, attachments in base64 with their own file names.
QByteArray BuildMime(const Message& message, const Address& sender);

// The transfer runs on a thread of its own: the program's windows keep painting meanwhile, and
// what the user types or clicks waits until it is over.
Outcome SendSmtp(const SmtpSettings& settings, const Message& message);

// The desktop client: path of xdg-email on PATH, or empty.
QString XdgEmailProgram();
QStringList XdgEmailArguments(const Message& message);
// A client that is still running after `patienceMs` is taken to be showing the message (some stay
// until their window closes): it is left running and the message counts as handed over.
Outcome SendXdgEmail(const Message& message, int patienceMs = 5000);

// SMTP set up, or a desktop client present.
bool BackendAvailable();
// Through SMTP when set up, else through the desktop client. Attachments are checked first.
Outcome Send(const Message& message);

}  // namespace platform::mail
