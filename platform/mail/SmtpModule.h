#pragma once
// The SMTP transport is a module of its own (zembra-smtp.so, built from SmtpTransfer.cpp), loaded
// when the first message goes out by SMTP: the transfer library and its TLS stack are mapped
// only by a program that sends mail that way.
#include <QByteArray>
#include <QList>
#include <QString>

namespace platform::mail {

struct TSmtpRequest {
    QByteArray Url;  // smtp://host:port or smtps://host:port
    bool StartTls = false;
    QByteArray CaFile, User, Password;  // empty: the system's authorities, no login
    QByteArray From;                    // <address>
    QList<QByteArray> Recipients;       // <address> each
    QByteArray Data;                    // the whole message
    long Patience = 120;                // seconds the server may keep silent
};

struct TSmtpReply {
    // Network: no connection was made; Handshake: one was, but the server did not answer as one
    // of the kind set up (another port's, or one without the encryption asked for); Stalled: the
    // server, once talking, stopped answering; Certificate: its certificate is not one the
    // authorities vouch for.
    enum TKind { Sent, NoSession, Network, Handshake, Login, Stalled, Certificate, Other };
    TKind Kind = Sent;
    long Response = 0;      // the server's last reply code
    QString Detail;         // the transfer's own words
    QString LastCommand;    // the command the server last refused, else the last one sent ("RCPT TO:<...>")
    QString ServerText;     // the server's reply to it, else its last reply line
    bool DataSent = false;  // the whole message went to the server
};

struct TSmtpModule {
    int Version = 0;  // kSmtpModuleVersion of the build that made it
    void (*Transfer)(const TSmtpRequest& request, TSmtpReply& reply) = nullptr;
};
// Changes whenever these structures change.
constexpr int kSmtpModuleVersion = 3;

}  // namespace platform::mail

#define ZEMBRA_SMTP_MODULE_FILE "zembra-smtp.so"
#define ZEMBRA_SMTP_MODULE_ENTRY "zembra_smtp_module"
