// The SMTP transfer of one message (see SmtpModule.h).
#include "platform/mail/SmtpModule.h"

#include <algorithm>
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
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 20L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 300L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    const CURLcode rc = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.Response);
    curl_slist_free_all(rcpt);
    curl_easy_cleanup(curl);
    if (rc == CURLE_OK) return;
    reply.Detail = QString::fromUtf8(errorText[0] ? errorText : curl_easy_strerror(rc));
    switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_USE_SSL_FAILED:
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
