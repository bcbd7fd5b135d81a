#include "documents/MailForm.h"

#include "comun/UComunes.h"
#include "documents/BarraDocumentos.h"
#include "records/UbscContacto.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>

#include <algorithm>
#include <memory>

TfrmMail::TfrmMail(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("frmMail"));
    SetCaption(QStringLiteral("Enviar por correo electrónico"));
    SetPosition(poScreenCenter);
    SetClientWidth(680);
    SetClientHeight(440);

    SpeedBar1 = documents::NuevaBarra(this, 132);
    auto item = [&](const QString& nombre, const QString& texto, const QString& hint, void (TfrmMail::*click)(TObject*)) {
        return documents::NuevoBoton(SpeedBar1, nombre, texto, hint, TNotifyEvent(this, click));
    };
    btnSend = item(QStringLiteral("btnSend"), QStringLiteral("Enviar"), QStringLiteral("Enviar"), &TfrmMail::btnSendClick);
    BtnAttach = item(QStringLiteral("BtnAttach"), QStringLiteral("Adjuntar Documento"), QStringLiteral("Adjuntar Documento"),
                     &TfrmMail::BtnAttachClick);
    btnDeleteAttach = item(QStringLiteral("btnDeleteAttach"), QStringLiteral("Quitar Documento"),
                           QStringLiteral("Quitar Documento"), &TfrmMail::btnDeleteAttachClick);
    btnCheckNames = item(QStringLiteral("btnCheckNames"), QStringLiteral("Chequear Nombres"), QStringLiteral("Chequear Nombres"),
                         &TfrmMail::btnCheckNamesClick);
    btSalir = item(QStringLiteral("btSalir"), QStringLiteral("Volver"), QStringLiteral("Regresa a la pantalla anterior"),
                   &TfrmMail::btSalirClick);

    pbxInfo = new TPanel(this);
    pbxInfo->SetName(QStringLiteral("pbxInfo"));
    pbxInfo->SetParent(this);
    pbxInfo->SetAlign(alTop);
    pbxInfo->SetHeight(98);
    pbxInfo->SetBevelOuter(bvNone);
    pbxInfo->SetCaption(QString());
    shpFocus = new TShape(this);
    shpFocus->SetName(QStringLiteral("shpFocus"));
    shpFocus->SetParent(pbxInfo);
    shpFocus->Brush()->SetStyle(bsClear);
    shpFocus->Pen()->SetColor(clWindow);
    shpFocus->SetVisible(false);

    pmAddress = new TPopupMenu(this);
    pmAddress->SetName(QStringLiteral("pmAddress"));
    miAddressBook = new TMenuItem(this);
    miAddressBook->SetName(QStringLiteral("miAddressBook"));
    miAddressBook->SetCaption(QStringLiteral("&Libreta de direcciones"));
    miAddressBook->OnClick = TNotifyEvent(this, &TfrmMail::btnRecipClick);
    miProgramData = new TMenuItem(this);
    miProgramData->SetName(QStringLiteral("miProgramData"));
    miProgramData->SetCaption(QStringLiteral("&Datos del Programa"));
    miProgramData->OnClick = TNotifyEvent(this, &TfrmMail::miProgramDataClick);
    pmAddress->Items()->Add(miAddressBook);
    pmAddress->Items()->Add(miProgramData);

    const QString hintNames = QStringLiteral("Type recipients' names, separated by semicolons");
    // The name buttons drop down the two address books.
    auto boton = [&](const QString& nombre, const QString& texto, int top, void (TfrmMail::*click)(TObject*)) {
        auto* b = new TZbSpeedButton(this);
        b->SetName(nombre);
        b->SetParent(pbxInfo);
        b->SetCaption(texto);
        b->SetBounds(8, top, 74, 24);
        b->SetDropDownMenu(pmAddress);
        b->SetMarkDropDown(true);
        b->OnClick = TNotifyEvent(this, click);
        return b;
    };
    auto caja = [&](const QString& nombre, int tag, int top, const QString& hint) {
        auto* e = new TEdit(this);
        e->SetName(nombre);
        e->SetParent(pbxInfo);
        e->SetTag(tag);
        e->SetHint(hint);
        e->SetShowHint(true);
        e->SetMaxLength(255);
        e->SetBounds(88, top, 580, 24);
        e->OnEnter = TNotifyEvent(this, &TfrmMail::EditEnter);
        e->OnExit = TNotifyEvent(this, &TfrmMail::EditExit);
        return e;
    };
    btnRecip = boton(QStringLiteral("btnRecip"), QStringLiteral("Para :"), 6, &TfrmMail::btnRecipClick);
    txtRecipient = caja(QStringLiteral("txtRecipient"), 1, 6, hintNames);
    btnCC = boton(QStringLiteral("btnCC"), QStringLiteral("Cc :"), 36, &TfrmMail::btnCCClick);
    txtCC = caja(QStringLiteral("txtCC"), 2, 36, hintNames);
    lblSubject = new TLabel(this);
    lblSubject->SetName(QStringLiteral("lblSubject"));
    lblSubject->SetParent(pbxInfo);
    lblSubject->SetCaption(QStringLiteral("Asunto :"));
    lblSubject->SetBounds(14, 70, 64, 16);
    txtSubject = caja(QStringLiteral("txtSubject"), 3, 66, QStringLiteral("Type the subject for this messge"));
    txtRecipient->OnChange = TNotifyEvent(this, &TfrmMail::txtRecipientChange);

    chkAcknowledge = new TCheckBox(this);
    chkAcknowledge->SetName(QStringLiteral("chkAcknowledge"));
    chkAcknowledge->SetParent(pbxInfo);
    chkAcknowledge->SetCaption(QStringLiteral("&Acuse de recibo"));
    chkAcknowledge->SetBounds(550, 70, 118, 18);
    chkAcknowledge->SetVisible(false);
    chkAcknowledge->OnClick = TNotifyEvent(this, &TfrmMail::chkAcknowledgeClick);

    // The shell's large icons are 32 pixels.
    ImageList1 = new TImageList(this);
    ImageList1->SetName(QStringLiteral("ImageList1"));
    ImageList1->SetSize(32, 32);
    lvAttachments = new TListView(this);
    lvAttachments->SetName(QStringLiteral("lvAttachments"));
    lvAttachments->SetParent(this);
    lvAttachments->SetAlign(alBottom);
    lvAttachments->SetHeight(100);
    lvAttachments->SetViewStyle(vsIcon);
    lvAttachments->SetLargeImages(ImageList1);
    lvAttachments->SetMultiSelect(true);
    lvAttachments->SetReadOnly(true);
    lvAttachments->OnClick = TNotifyEvent(this, &TfrmMail::lvAttachmentsClick);
    lvAttachments->OnExit = TNotifyEvent(this, &TfrmMail::lvAttachmentsExit);
    pnlVSplit = new TPanel(this);
    pnlVSplit->SetName(QStringLiteral("pnlVSplit"));
    pnlVSplit->SetParent(this);
    pnlVSplit->SetAlign(alBottom);
    pnlVSplit->SetHeight(5);
    pnlVSplit->SetBevelOuter(bvRaised);
    pnlVSplit->SetCaption(QString());
    pnlVSplit->SetCursor(crVSplit);
    pnlVSplit->OnMouseDown = TMouseEvent(this, &TfrmMail::pnlVSplitMouseDown);
    pnlVSplit->OnMouseMove = TMouseMoveEvent(this, &TfrmMail::pnlVSplitMouseMove);
    pnlVSplit->OnMouseUp = TMouseEvent(this, &TfrmMail::pnlVSplitMouseUp);

    MessageText = new TZbRichEdit(this);
    MessageText->SetName(QStringLiteral("MessageText"));
    MessageText->SetParent(this);
    MessageText->SetAlign(alClient);
    MessageText->SetPlainText(true);
    MessageText->SetScrollBars(ssVertical);
    pmMessage = new TPopupMenu(this);
    pmMessage->SetName(QStringLiteral("pmMessage"));
    pmMessage->OnPopup = TNotifyEvent(this, &TfrmMail::pmMessagePopup);
    auto menu = [&](const QString& nombre, const QString& texto, void (TfrmMail::*click)(TObject*)) {
        auto* m = new TMenuItem(this);
        m->SetName(nombre);
        m->SetCaption(texto);
        m->OnClick = TNotifyEvent(this, click);
        pmMessage->Items()->Add(m);
        return m;
    };
    miCut = menu(QStringLiteral("miCut"), QStringLiteral("Cu&t"), &TfrmMail::miCutClick);
    miCopy = menu(QStringLiteral("miCopy"), QStringLiteral("&Copy"), &TfrmMail::miCopyClick);
    miPaste = menu(QStringLiteral("miPaste"), QStringLiteral("&Paste"), &TfrmMail::miPasteClick);
    miFont = menu(QStringLiteral("miFont"), QStringLiteral("&Font..."), &TfrmMail::miFontClick);
    MessageText->SetPopupMenu(pmMessage);

    OpenDialog1 = new TOpenDialog(this);
    OpenDialog1->SetName(QStringLiteral("OpenDialog1"));
    OpenDialog1->SetTitle(QStringLiteral("Attach Files"));
    OpenDialog1->SetFilter(QStringLiteral("All Files (*.*)|*.*"));
    OpenDialog1->SetOptions(ofHideReadOnly | ofFileMustExist | ofPathMustExist);
    FontDialog1 = new TFontDialog(this);
    FontDialog1->SetName(QStringLiteral("FontDialog1"));

    Email1 = new TEmail(this);
    Email1->SetName(QStringLiteral("Email1"));
    Email1->SetUseDefProfile(true);
    OnShow = TNotifyEvent(this, &TfrmMail::FormShow);

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
    if (Email1->SendMail() == SUCCESS_SUCCESS)
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
    for (const QString& e : elegidos)
        if (nombres.IndexOf(e) < 0) nombres.Add(e);
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
