#pragma once
// The test SMTP server (smtp_server.py) in its own process, ended when the object goes.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace mailtest {

class SmtpServer {
public:
    // `tls`: "starttls" or "tls" with the server's certificate and key files.
    explicit SmtpServer(const QString& folder, const QStringList& tls = {}) {
        p.setProgram(QStringLiteral("/usr/bin/python3"));
        p.setArguments(QStringList{QStringLiteral(ZEMBRA_SOURCE_DIR "/tests/platform/mail/smtp_server.py"), folder} + tls);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start();
        if (p.waitForStarted(10000))
            while (!p.canReadLine() && p.waitForReadyRead(10000)) {
            }
        Port = p.readLine().trimmed().toInt();
    }
    ~SmtpServer() { Stop(); }
    void Stop() {
        if (p.state() == QProcess::NotRunning) return;
        p.closeWriteChannel();
        if (!p.waitForFinished(10000)) {
            p.kill();
            p.waitForFinished(5000);
        }
    }
    int Port = 0;

private:
    QProcess p;
};

}  // namespace mailtest
