#pragma once
// One mail session and one message: recipients, copies, blind copies, subject, text and
// attached files, sent through the program's mail backend. Names are looked up in the office's
// address book (the mail addresses of the five party tables).
#include "platform/classes/Component.h"
#include "platform/classes/Strings.h"
#include "platform/mail/Mail.h"
#include "platform/rtl/Events.h"

#include <memory>

using TMapiErrEvent = TEvent<TObject*, int>;

// Error numbers of the mail session.
enum : int {
    SUCCESS_SUCCESS = 0,
    MAPI_E_FAILURE = 2,
    MAPI_E_LOGIN_FAILURE = 3,
    MAPI_E_TOO_MANY_FILES = 9,
    MAPI_E_TOO_MANY_RECIPIENTS = 10,
    MAPI_E_ATTACHMENT_NOT_FOUND = 11,
    MAPI_E_UNKNOWN_RECIPIENT = 14,
    MAPI_E_AMBIGUOUS_RECIPIENT = 21,
    MAPI_E_NETWORK_FAILURE = 23,
    MAPI_E_INVALID_RECIPS = 25,
};

class TEmail : public TComponent {
public:
    explicit TEmail(TComponent* owner);
    ~TEmail() override;

    TStrings* Recipient() const { return FRecipient.get(); }
    TStrings* CC() const { return FCC.get(); }
    TStrings* Bcc() const { return FBcc.get(); }
    TStrings* Attachment() const { return FAttachment.get(); }
    QString Subject() const { return FSubject; }
    void SetSubject(const QString& v) { FSubject = v.left(255); }
    QString Text() const { return FText; }
    void SetText(const QString& v) { FText = v.left(255); }
    QString Profile() const { return FProfile; }
    void SetProfile(const QString& v) { FProfile = v.left(255); }
    QString Password() const { return FPassword; }
    void SetPassword(const QString& v) { FPassword = v.left(255); }
    bool UseDefProfile() const { return FUseDefProfile; }
    void SetUseDefProfile(bool v) { FUseDefProfile = v; }
    bool ShowDialog() const { return FShowDialog; }
    void SetShowDialog(bool v) { FShowDialog = v; }
    bool Acknowledge() const { return FAcknowledge; }
    void SetAcknowledge(bool v) { FAcknowledge = v; }
    // Attachments keep their own names unless this is set.
    bool TruncAttFN() const { return FTruncAttFN; }
    void SetTruncAttFN(bool v) { FTruncAttFN = v; }
    bool UseLongMessageID() const { return FUseLongMessageID; }
    void SetUseLongMessageID(bool v) { FUseLongMessageID = v; }
    bool DownLoadFirst() const { return FDownLoadFirst; }
    void SetDownLoadFirst(bool v) { FDownLoadFirst = v; }
    bool UnreadOnly() const { return FUnreadOnly; }
    void SetUnreadOnly(bool v) { FUnreadOnly = v; }
    bool NewSession() const { return FNewSession; }
    void SetNewSession(bool v) { FNewSession = v; }
    bool MapiAvail() const;
    QString Version() const { return QStringLiteral("2.09.02"); }
    bool SessionOpen() const { return FSession != 0; }
    // What went wrong in the last failed call, in words for the user.
    QString LastErrorText() const { return FLastError; }

    TNotifyEvent OnBeforeLogon, OnAfterLogon, OnBeforeLogoff, OnAfterLogoff, OnBeforeSaveMail, OnAfterSaveMail,
        OnBeforeSendMail, OnAfterSendMail;
    TMapiErrEvent OnMapiError;

    int Logon();
    int Logoff();
    int SendMail();
    QString ResolveName(const QString& name);
    // Resolves the names of the three lists in place; stops at the first that cannot be resolved
    // and answers its error (LastErrorText says why).
    int Address();
    int SetLongText(const QString& text);

    virtual void CheckMapi();
    virtual QString TruncAttachmentName(const QString& fileName);

protected:
    virtual void DoBeforeLogon() { OnBeforeLogon(this); }
    virtual void DoAfterLogon() { OnAfterLogon(this); }
    virtual void DoBeforeLogoff() { OnBeforeLogoff(this); }
    virtual void DoAfterLogoff() { OnAfterLogoff(this); }
    virtual void DoBeforeSaveMail() { OnBeforeSaveMail(this); }
    virtual void DoAfterSaveMail() { OnAfterSaveMail(this); }
    virtual void DoBeforeSendMail() { OnBeforeSendMail(this); }
    virtual void DoAfterSendMail() { OnAfterSendMail(this); }
    virtual void DoMapiError(int error) { OnMapiError(this, error); }

private:
    // One entry of a list: its address, and the text that stands for it once resolved.
    int Resolve(const QString& entry, platform::mail::Address& out, QString& display);
    int Fail(int error, const QString& text);

    std::unique_ptr<TStringList> FRecipient, FCC, FBcc, FAttachment;
    QString FSubject, FText, FProfile, FPassword;
    bool FUseDefProfile = false, FShowDialog = false, FAcknowledge = false, FTruncAttFN = false,
         FUseLongMessageID = true, FDownLoadFirst = false, FUnreadOnly = false, FNewSession = false;
    int FSession = 0;
    bool FHasLongText = false;
    QString FLongText, FLastError;
};
