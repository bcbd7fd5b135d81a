// The mail form: the layout of its controls.
#include "documents/BarraDocumentos.h"
#include "documents/MailForm.h"

void TfrmMail::CreaControles() {
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
}
