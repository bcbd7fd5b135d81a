#include "documents/MailForm.h"

#include "comun/UComunes.h"
#include "documents/BarraDocumentos.h"
#include "records/Pinturas.h"
#include "records/UbscContacto.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <memory>

TfrmMail::TfrmMail(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("frmMail"));
    SetCaption(QStringLiteral("Enviar por correo electrónico"));
    SetPosition(poScreenCenter);
    SetClientWidth(680);
    SetClientHeight(440);

    CreaControles();

    Email1 = new TEmail(this);
    Email1->SetName(QStringLiteral("Email1"));
    Email1->SetUseDefProfile(true);
    OnShow = TNotifyEvent(this, &TfrmMail::FormShow);
    // Narrower than its bar, the form hid "Volver" and the end of the boxes.
    SetMinTrackSize(btSalir->Left() + SpeedBar1->BtnWidth() + SpeedBar1->BtnOffsetHorz(), 0);
    OnResize = TNotifyEvent(this, &TfrmMail::FormResize);

    if (Email1->Logon() != SUCCESS_SUCCESS) {
        Screen->SetCursor(crDefault);
        MensajeError(QStringLiteral("MAPI Logon failed.") + QStringLiteral("\r") + Email1->LastErrorText());
    }
    Reset();
}

TfrmMail::~TfrmMail() {
    if (Email1->SessionOpen() && Email1->Logoff() != SUCCESS_SUCCESS) MensajeError(QStringLiteral("MAPI Logoff failed."));
}

void TfrmMail::Reset() {
    txtRecipient->SetText(QString());
    txtCC->SetText(QString());
    txtSubject->SetText(QString());
    MessageText->Lines()->Clear();
    lvAttachments->Items()->Clear();
    ShowAttachments(false);
    btnDeleteAttach->SetEnabled(false);
    btnSend->SetEnabled(!txtRecipient->Text().isEmpty());
}

void TfrmMail::ShowAttachments(bool visible) {
    pnlVSplit->SetVisible(visible);
    lvAttachments->SetVisible(visible);
}

void TfrmMail::FormShow(TObject*) {
    if (txtRecipient->CanFocus()) txtRecipient->SetFocus();
    Screen->SetCursor(crDefault);
}

void TfrmMail::FormResize(TObject*) {
    // The boxes reach the right edge at any width, as the message below them does.
    const int ancho = std::max(120, pbxInfo->ClientWidth() - txtRecipient->Left() - 12);
    for (TEdit* caja : {txtRecipient, txtCC, txtSubject}) caja->SetWidth(ancho);
    shpFocus->SetWidth(ancho + 2);
}

void TfrmMail::SplitNames(const QString& text, TStrings* list) {
    list->Clear();
    for (const QString& parte : text.split(u';')) {
        const QString nombre = parte.trimmed();
        if (!nombre.isEmpty()) list->Add(nombre);
    }
}

QString TfrmMail::JoinNames(TStrings* list) {
    QStringList r;
    for (int i = 0; i < list->Count(); ++i) r << list->Strings(i);
    return r.join(u';');
}

void TfrmMail::AddAttachment(const QString& path) {
    ShowAttachments(true);
    TListItem* item = lvAttachments->Items()->Add();
    item->SetCaption(QFileInfo(path).fileName());
    item->SubItems()->Add(path);
    item->SetImageIndex(platform::forms::AddFileTypeIcon(ImageList1, path));
}

QStringList TfrmMail::AttachmentPaths() const {
    QStringList r;
    for (int i = 0; i < lvAttachments->Items()->Count(); ++i) r << lvAttachments->Items()->Item(i)->SubItems()->Strings(0);
    return r;
}

void TfrmMail::btnSendClick(TObject*) {
    if (txtRecipient->Text().trimmed().isEmpty() && txtCC->Text().trimmed().isEmpty()) {
        MensajeError(QStringLiteral("There must be at least one name in the To or CC box."));
        return;
    }
    SplitNames(txtRecipient->Text(), Email1->Recipient());
    SplitNames(txtCC->Text(), Email1->CC());
    Email1->SetLongText(MessageText->Text());
    Email1->SetSubject(txtSubject->Text());
    Email1->Attachment()->Clear();
    for (const QString& p : AttachmentPaths()) Email1->Attachment()->Add(p);
    int enviado;
    {
        // The send may take long; the window keeps painting meanwhile.
        records::TRelojArena reloj;
        enviado = Email1->SendMail();
    }
    if (enviado == SUCCESS_SUCCESS)
        Close();
    else
        MensajeError(QStringLiteral("MAPI Sendmail failed.") + QStringLiteral("\r") + Email1->LastErrorText());
}

void TfrmMail::AddressBook(TEdit* caja) {
    SplitNames(txtRecipient->Text(), Email1->Recipient());
    SplitNames(txtCC->Text(), Email1->CC());
    if (Email1->Address() != SUCCESS_SUCCESS) {
        MensajeError(Email1->LastErrorText());
        return;
    }
    txtRecipient->SetText(JoinNames(Email1->Recipient()));
    txtCC->SetText(JoinNames(Email1->CC()));
    // The office's own address book is the book to choose from.
    std::unique_ptr<TFContacto> libreta(new TFContacto(Application));
    FContacto = libreta.get();
    libreta->ModoSelector();
    if (libreta->ShowModal() != mrOk) return;
    QStringList sinCorreo;
    const QStringList elegidos = libreta->Elegidos(&sinCorreo);
    libreta.reset();
    TStringList nombres;
    SplitNames(caja->Text(), &nombres);
    // A person already in the box, by name or by address alone, is not put in again.
    auto direccion = [](const QString& texto) {
        platform::mail::Address a;
        return platform::mail::ParseAddress(texto, a) ? a.Address.toLower() : texto.toLower();
    };
    QSet<QString> hay;
    for (int i = 0; i < nombres.Count(); ++i) hay.insert(direccion(nombres.Strings(i)));
    for (const QString& e : elegidos) {
        const QString d = direccion(e);
        if (hay.contains(d)) continue;
        hay.insert(d);
        nombres.Add(e);
    }
    caja->SetText(JoinNames(&nombres));
    if (!sinCorreo.isEmpty())
        MensajeError(QStringLiteral("No tienen dirección de correo en la libreta:\r") + sinCorreo.join(QLatin1Char('\r')));
}

void TfrmMail::btnRecipClick(TObject*) { AddressBook(txtRecipient); }
void TfrmMail::btnCCClick(TObject*) { AddressBook(txtCC); }

void TfrmMail::btnCheckNamesClick(TObject*) {
    for (TEdit* caja : {txtRecipient, txtCC}) {
        if (caja->Text().isEmpty()) continue;
        TStringList nombres;
        SplitNames(caja->Text(), &nombres);
        for (int i = 0; i < nombres.Count(); ++i) nombres.SetString(i, Email1->ResolveName(nombres.Strings(i)));
        caja->SetText(JoinNames(&nombres));
    }
}

void TfrmMail::miProgramDataClick(TObject*) {
    FContacto = new TFContacto(Application);
    MailContacto.clear();
    FContacto->ShowModal();
    txtRecipient->SetText(MailContacto);
    delete FContacto;
}

void TfrmMail::BtnAttachClick(TObject*) {
    if (OpenDialog1->Execute()) AddAttachment(OpenDialog1->FileName());
}

void TfrmMail::btnDeleteAttachClick(TObject*) {
    for (int i = lvAttachments->Items()->Count() - 1; i >= 0; --i)
        if (lvAttachments->Items()->Item(i)->Selected()) lvAttachments->Items()->Delete(i);
    btnDeleteAttach->SetEnabled(false);
    if (lvAttachments->Items()->Count() == 0) ShowAttachments(false);
}

void TfrmMail::lvAttachmentsClick(TObject*) { btnDeleteAttach->SetEnabled(lvAttachments->SelCount() > 0); }
void TfrmMail::lvAttachmentsExit(TObject*) { btnDeleteAttach->SetEnabled(false); }

void TfrmMail::txtRecipientChange(TObject*) { btnSend->SetEnabled(!txtRecipient->Text().isEmpty()); }

void TfrmMail::EditEnter(TObject* sender) {
    auto* c = static_cast<TControl*>(sender);
    shpFocus->SetBounds(c->Left() - 1, c->Top() - 1, c->Width() + 2, c->Height() + 2);
    shpFocus->Pen()->SetColor(clGrayText);
    shpFocus->SetVisible(true);
}

void TfrmMail::EditExit(TObject*) { shpFocus->Pen()->SetColor(clWindow); }

void TfrmMail::chkAcknowledgeClick(TObject*) { Email1->SetAcknowledge(chkAcknowledge->Checked()); }

void TfrmMail::pmMessagePopup(TObject*) {
    const bool seleccion = MessageText->SelLength() > 0;
    miCut->SetEnabled(seleccion);
    miCopy->SetEnabled(seleccion);
    miFont->SetEnabled(seleccion);
    miPaste->SetEnabled(!QApplication::clipboard()->text().isEmpty());
}

void TfrmMail::miCutClick(TObject*) { MessageText->CutToClipboard(); }
void TfrmMail::miCopyClick(TObject*) { MessageText->CopyToClipboard(); }
void TfrmMail::miPasteClick(TObject*) { MessageText->PasteFromClipboard(); }

void TfrmMail::miFontClick(TObject*) {
    if (MessageText->SelLength() == 0) return;
    FontDialog1->Font()->Assign(MessageText->SelAttributes());
    if (FontDialog1->Execute()) MessageText->SelAttributes()->Assign(FontDialog1->Font());
}

void TfrmMail::pnlVSplitMouseDown(TObject*, TMouseButton button, TShiftState, int, int y) {
    if (button != mbLeft) return;
    FDragStartY = pnlVSplit->Top() + y;
    FDragStartHeight = lvAttachments->Height();
}

void TfrmMail::pnlVSplitMouseMove(TObject*, TShiftState shift, int, int y) {
    if (FDragStartY < 0 || !(shift & ssLeft)) return;
    // Upwards makes the list taller; the message keeps its least height.
    const int mas = lvAttachments->Height() + MessageText->Height() - MinMessageHeight;
    const int alto = std::clamp(FDragStartHeight + FDragStartY - (pnlVSplit->Top() + y), MinAttachmentsHeight,
                                std::max(MinAttachmentsHeight, mas));
    if (alto != lvAttachments->Height()) lvAttachments->SetHeight(alto);
}

void TfrmMail::pnlVSplitMouseUp(TObject*, TMouseButton button, TShiftState, int, int) {
    if (button == mbLeft) FDragStartY = -1;
}

void TfrmMail::btSalirClick(TObject*) { Close(); }
