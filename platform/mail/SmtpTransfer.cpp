// The SMTP transfer of one message (see SmtpModule.h).
#include "platform/mail/SmtpModule.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <curl/curl.h>

namespace platform::mail {

namespace {

struct Upload {
    const QByteArray& Data;
    qsizetype Pos = 0;
};

size_t ReadUpload(char* buffer, size_t size, size_t count, void* user) {
    auto* u = static_cast<Upload*>(user);
    const size_t n = std::min<size_t>(size * count, size_t(u->Data.size() - u->Pos));
    memcpy(buffer, u->Data.constData() + u->Pos, n);
    u->Pos += qsizetype(n);
    return n;
}

// What the conversation last said each way, to tell the user which step failed (a refused
// recipient by its address). Logins are not kept.
struct Trace {
    QByteArray LastCommand, ServerText;
    QByteArray RefusedCommand, Refusal;  // the last command the server refused, and its words
    std::chrono::steady_clock::time_point Heard = std::chrono::steady_clock::now();  // the last exchange
    long Patience = 120;
    bool Silent = false;     // ended for the server's silence
    bool Connected = false;  // a connection was made (whatever came of it)
};

int Debug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    auto* t = static_cast<Trace*>(user);
    if (type != CURLINFO_TEXT) t->Heard = std::chrono::steady_clock::now();
    const QByteArray text = QByteArray(data, qsizetype(size)).trimmed();
    if (type == CURLINFO_TEXT && text.startsWith("Connected to ")) {
        t->Connected = true;
    } else if (type == CURLINFO_HEADER_OUT) {
        static const char* const kept[] = {"EHLO", "HELO", "STARTTLS", "MAIL", "RCPT", "DATA", "QUIT"};
        t->LastCommand = "AUTH";
        for (const char* verb : kept)
            if (text.startsWith(verb)) t->LastCommand = text;
    } else if (type == CURLINFO_HEADER_IN && !text.isEmpty()) {
        t->ServerText = text.mid(text.lastIndexOf('\n') + 1).trimmed();
        if (t->ServerText.startsWith('4') || t->ServerText.startsWith('5')) {
            t->RefusedCommand = t->LastCommand;
            t->Refusal = t->ServerText;
        }
    }
    return 0;
}

// Ends the transfer once nothing has passed either way for Patience seconds: also while the
// server is waited for, and while it is waited for again to say goodbye after that.
int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* t = static_cast<Trace*>(user);
    if (std::chrono::steady_clock::now() - t->Heard > std::chrono::seconds(t->Patience)) t->Silent = true;
    return t->Silent ? 1 : 0;
}

void Transfer(const TSmtpRequest& q, TSmtpReply& reply) {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)initialised;
    reply = TSmtpReply();
    CURL* curl = curl_easy_init();
    if (!curl) {
        reply.Kind = TSmtpReply::NoSession;
        return;
    }
    curl_slist* rcpt = nullptr;
    for (const QByteArray& r : q.Recipients) rcpt = curl_slist_append(rcpt, r.constData());
    Upload upload{q.Data, 0};
    char errorText[CURL_ERROR_SIZE] = {0};
    curl_easy_setopt(curl, CURLOPT_URL, q.Url.constData());
    if (q.StartTls) curl_easy_setopt(curl, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    if (!q.CaFile.isEmpty()) curl_easy_setopt(curl, CURLOPT_CAINFO, q.CaFile.constData());
    if (!q.User.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, q.User.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, q.Password.constData());
    }
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, q.From.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, rcpt);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &ReadUpload);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(q.Data.size()));
    // No limit on the whole: a large attachment may take long. A server that stops answering ends
    // it after q.Patience seconds (Progress).
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, std::min(20L, q.Patience));
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, q.Patience);
    Trace trace;
    trace.Patience = q.Patience;
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &trace);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, &Debug);
    curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &trace);
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    const CURLcode rc = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.Response);
    curl_off_t connectTime = 0;
    curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connectTime);
    const bool connected = trace.Connected || connectTime > 0;
    curl_slist_free_all(rcpt);
    curl_easy_cleanup(curl);
    // After a refusal the transfer still says goodbye: the refusal is what tells.
    reply.LastCommand = QString::fromUtf8(trace.Refusal.isEmpty() ? trace.LastCommand : trace.RefusedCommand);
    reply.ServerText = QString::fromUtf8(trace.Refusal.isEmpty() ? trace.ServerText : trace.Refusal);
    reply.DataSent = upload.Pos == q.Data.size();
    if (rc == CURLE_OK) return;
    reply.Detail = trace.Silent ? QStringLiteral("sin respuesta en %1 s").arg(q.Patience)
                                : QString::fromUtf8(errorText[0] ? errorText : curl_easy_strerror(rc));
    switch (rc) {
    case CURLE_ABORTED_BY_CALLBACK:
    case CURLE_OPERATION_TIMEDOUT:
        reply.Kind = !connected                    ? TSmtpReply::Network
                     : trace.ServerText.isEmpty() ? TSmtpReply::Handshake
                                                   : TSmtpReply::Stalled;
        break;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_USE_SSL_FAILED:
        reply.Kind = connected ? TSmtpReply::Handshake : TSmtpReply::Network;
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
        reply.Kind = TSmtpReply::Certificate;
        break;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CACERT_BADFILE:
        reply.Kind = TSmtpReply::Network;
        break;
    case CURLE_LOGIN_DENIED:
        reply.Kind = TSmtpReply::Login;
        break;
    default:
        reply.Kind = TSmtpReply::Other;
        break;
    }
}

}  // namespace

}  // namespace platform::mail

extern "C" __attribute__((visibility("default"))) const platform::mail::TSmtpModule* zembra_smtp_module() {
    static const platform::mail::TSmtpModule module{platform::mail::kSmtpModuleVersion, &platform::mail::Transfer};
    return &module;
}
