#include "documents/Email.h"

#include "comun/UData.h"
#include "documents/MapiLoader.h"
#include "platform/db/DBTables.h"

#include <QFileInfo>
#include <QSet>

using namespace platform::mail;

namespace {

constexpr int MaxEntries = 89478485;

struct Contacto {
    QString Nombre;  // surnames and name
    QString Inverso; // name and surnames
    QString Mail;
};

// The people of the five party tables that have a mail address.
QList<Contacto> Libreta() {
    QList<Contacto> r;
    if (!Dat || !Dat->Db) return r;
    TQuery q(nullptr);
    q.SetDatabaseName(Dat->Db->DatabaseName());
    QStringList partes;
    for (const char* tabla : {"ABOGADOS", "PROCU", "CLIENTES", "CONTRARIOS", "PERITOS"})
        partes << QStringLiteral("SELECT APELLIDOS, NOMBRE, MAIL FROM %1 WHERE MAIL IS NOT NULL AND MAIL <> ''")
                      .arg(QLatin1String(tabla));
    q.SQL()->SetText(partes.join(QStringLiteral(" UNION ALL ")));
    q.Open();
    for (q.First(); !q.Eof(); q.Next()) {
        const QString apellidos = q.Fields()->Fields(0)->AsString().simplified();
        const QString nombre = q.Fields()->Fields(1)->AsString().simplified();
        r.append({(apellidos + u' ' + nombre).trimmed(), (nombre + u' ' + apellidos).trimmed(),
                  q.Fields()->Fields(2)->AsString().trimmed()});
    }
    return r;
}

QString Muestra(const Address& a) {
    if (a.Name.isEmpty()) return a.Address;
    return a.Name + QStringLiteral(" <") + a.Address + u'>';
}

}  // namespace

TEmail::TEmail(TComponent* owner)
    : TComponent(owner),
      FRecipient(std::make_unique<TStringList>()),
      FCC(std::make_unique<TStringList>()),
      FBcc(std::make_unique<TStringList>()),
      FAttachment(std::make_unique<TStringList>()) {}

TEmail::~TEmail() {
    if (FSession != 0) Logoff();
}

bool TEmail::MapiAvail() const { return MapiLoaded; }

void TEmail::CheckMapi() {
    if (!MapiLoaded) throw EMapiUnavailable(QStringLiteral("MAPI services are not available on this system"));
}

int TEmail::Fail(int error, const QString& text) {
    FLastError = text;
    DoMapiError(error);
    return error;
}

int TEmail::Logon() {
    CheckMapi();
    if (FSession != 0) return SUCCESS_SUCCESS;
    DoBeforeLogon();
    // The session is the backend's settings as they stand now; a password file others can read
    // is refused rather than used.
    QString error;
    LoadSmtpSettings(&error);
    if (!error.isEmpty()) return Fail(MAPI_E_LOGIN_FAILURE, error);
    FSession = 1;
    DoAfterLogon();
    return SUCCESS_SUCCESS;
}

int TEmail::Logoff() {
    if (FSession == 0) return SUCCESS_SUCCESS;
    DoBeforeLogoff();
    FSession = 0;
    DoAfterLogoff();
    return SUCCESS_SUCCESS;
}

int TEmail::SetLongText(const QString& text) {
    FLongText = text;
    FHasLongText = true;
    return int(text.size());
}

int TEmail::Resolve(const QString& entry, platform::mail::Address& out, QString& display) {
    const QString typed = entry.trimmed();
    // "[address]" is taken literally.
    if (typed.contains(u'[') && typed.contains(u']')) {
        QString rest = typed;
        rest.remove(rest.indexOf(u'['), 1);
        rest.remove(rest.indexOf(u']'), 1);
        rest = rest.trimmed();
        if (!ParseAddress(rest, out))
            return Fail(MAPI_E_UNKNOWN_RECIPIENT, QStringLiteral("La dirección \"%1\" no es válida.").arg(rest));
        display = typed;
        return SUCCESS_SUCCESS;
    }
    if (ParseAddress(typed, out)) {
        display = Muestra(out);
        return SUCCESS_SUCCESS;
    }
    if (typed.contains(u'@') || typed.contains(u'<'))
        return Fail(MAPI_E_UNKNOWN_RECIPIENT, QStringLiteral("La dirección \"%1\" no es válida.").arg(typed));
    // A name: the whole name first, either order, then the beginning of one.
    const QString buscado = typed.simplified();
    const QList<Contacto> libreta = Libreta();
    QList<Contacto> hallados;
    for (const Contacto& c : libreta)
        if (c.Nombre.compare(buscado, Qt::CaseInsensitive) == 0 || c.Inverso.compare(buscado, Qt::CaseInsensitive) == 0)
            hallados << c;
    if (hallados.isEmpty())
        for (const Contacto& c : libreta)
            if (c.Nombre.startsWith(buscado, Qt::CaseInsensitive) || c.Inverso.startsWith(buscado, Qt::CaseInsensitive))
                hallados << c;
    QSet<QString> direcciones;
    for (const Contacto& c : hallados) direcciones.insert(c.Mail.toLower());
    if (direcciones.isEmpty())
        return Fail(MAPI_E_UNKNOWN_RECIPIENT,
                    QStringLiteral("\"%1\" no está en la libreta de direcciones ni es una dirección de correo.").arg(typed));
    if (direcciones.size() > 1)
        return Fail(MAPI_E_AMBIGUOUS_RECIPIENT,
                    QStringLiteral("Hay varias direcciones para \"%1\"; escriba el nombre completo o la dirección.").arg(typed));
    const Contacto& c = hallados.first();
    if (!IsValidAddress(c.Mail))
        return Fail(MAPI_E_UNKNOWN_RECIPIENT,
                    QStringLiteral("La dirección \"%1\" de %2 no es válida.").arg(c.Mail, c.Nombre));
    out = {c.Nombre, c.Mail};
    display = Muestra(out);
    return SUCCESS_SUCCESS;
}

QString TEmail::ResolveName(const QString& name) {
    CheckMapi();
    const bool abierta = FSession != 0;
    if (Logon() != SUCCESS_SUCCESS) return name;
    platform::mail::Address a;
    QString display;
    const QString r = Resolve(name, a, display) == SUCCESS_SUCCESS ? display : name;
    if (!abierta) Logoff();
    return r;
}

int TEmail::Address() {
    CheckMapi();
    const bool abierta = FSession != 0;
    if (const int e = Logon(); e != SUCCESS_SUCCESS) return e;
    for (TStrings* list : {Recipient(), CC(), Bcc()}) {
        for (int i = 0; i < list->Count(); ++i) {
            platform::mail::Address a;
            QString display;
            if (const int e = Resolve(list->Strings(i), a, display); e != SUCCESS_SUCCESS) {
                if (!abierta) Logoff();
                return e;
            }
            list->SetString(i, display);
        }
    }
    if (!abierta) Logoff();
    return SUCCESS_SUCCESS;
}

int TEmail::SendMail() {
    CheckMapi();
    FLastError.clear();
    if (qint64(Recipient()->Count()) + CC()->Count() + Bcc()->Count() > MaxEntries)
        return Fail(MAPI_E_TOO_MANY_RECIPIENTS, QStringLiteral("Demasiados destinatarios."));
    if (Attachment()->Count() > MaxEntries) return Fail(MAPI_E_TOO_MANY_FILES, QStringLiteral("Demasiados documentos."));
    const bool abierta = FSession != 0;
    if (Logon() != SUCCESS_SUCCESS) return Fail(MAPI_E_LOGIN_FAILURE, FLastError);
    auto termina = [&](int result) {
        if (!abierta) Logoff();
        return result;
    };

    Message m;
    m.Subject = FSubject;
    m.Body = FHasLongText ? FLongText : FText;
    m.Acknowledge = FAcknowledge;
    // Every name must resolve: a recipient that cannot be found stops the send, so nobody is
    // silently left out. An address already named (typed and then picked from the book, or in
    // both To and Cc) is sent to once, where it first stands: each copy would be delivered.
    const std::pair<TStrings*, QList<platform::mail::Address>*> listas[] = {
        {Recipient(), &m.To}, {CC(), &m.Cc}, {Bcc(), &m.Bcc}};
    QSet<QString> tomadas;
    for (const auto& [list, destino] : listas)
        for (int i = 0; i < list->Count(); ++i) {
            platform::mail::Address a;
            QString display;
            if (const int e = Resolve(list->Strings(i), a, display); e != SUCCESS_SUCCESS) return termina(e);
            list->SetString(i, display);
            const QString clave = a.Address.toLower();
            if (tomadas.contains(clave)) continue;
            tomadas.insert(clave);
            destino->append(a);
        }
    for (int i = 0; i < Attachment()->Count(); ++i) {
        const QString path = Attachment()->Strings(i);
        if (!QFileInfo(path).isFile())
            return termina(
                Fail(MAPI_E_ATTACHMENT_NOT_FOUND, QStringLiteral("No se encuentra el documento adjunto \"%1\".").arg(path)));
        const QString nombre = QFileInfo(path).fileName();
        m.Attachments.append({path, FTruncAttFN ? TruncAttachmentName(nombre) : nombre});
    }
    if (m.To.isEmpty() && m.Cc.isEmpty() && m.Bcc.isEmpty() && LoadSmtpSettings().Configured())
        return termina(Fail(MAPI_E_INVALID_RECIPS, QStringLiteral("El mensaje no tiene destinatarios.")));

    DoBeforeSendMail();
    const Outcome o = Send(m);
    int result = SUCCESS_SUCCESS;
    switch (o.Code) {
    case Result::Ok: break;
    case Result::NetworkFailure: result = MAPI_E_NETWORK_FAILURE; break;
    case Result::LoginFailure: result = MAPI_E_LOGIN_FAILURE; break;
    case Result::RecipientRefused: result = MAPI_E_UNKNOWN_RECIPIENT; break;
    case Result::AttachmentNotFound: result = MAPI_E_ATTACHMENT_NOT_FOUND; break;
    case Result::Failure: result = MAPI_E_FAILURE; break;
    }
    if (result == SUCCESS_SUCCESS)
        DoAfterSendMail();
    else
        Fail(result, o.Text);
    return termina(result);
}

QString TEmail::TruncAttachmentName(const QString& fileName) {
    if (fileName.size() <= 12) return fileName;
    QString r = fileName;
    const qsizetype punto = r.indexOf(u'.');
    if (punto + 1 > 9) r = r.mid(punto - 8);
    if (r.size() > 12) r = r.right(12);
    while (r.startsWith(u'.')) r.remove(0, 1);
    return r;
}
