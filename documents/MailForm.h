#pragma once
// The send-by-mail form: one message with attached files, its names taken from the office's
// address book, sent through the mail session of Email1.
#include "controls/edit/ZbRichEd.h"
#include "controls/visual/SpeedBar.h"
#include "controls/visual/ZBCtrls.h"
#include "documents/Email.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/ListView.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"

class TfrmMail : public TForm {
public:
    explicit TfrmMail(TComponent* owner);
    ~TfrmMail() override;

    TSpeedBar* SpeedBar1 = nullptr;
    TSpeedItem *btnSend = nullptr, *BtnAttach = nullptr, *btnDeleteAttach = nullptr, *btnCheckNames = nullptr,
               *btSalir = nullptr;
    TPanel* pbxInfo = nullptr;
    TShape* shpFocus = nullptr;  // the frame drawn around the name or subject box being edited
    TZbSpeedButton *btnRecip = nullptr, *btnCC = nullptr;
    TLabel* lblSubject = nullptr;
    TEdit *txtRecipient = nullptr, *txtCC = nullptr, *txtSubject = nullptr;
    TCheckBox* chkAcknowledge = nullptr;
    TZbRichEdit* MessageText = nullptr;
    TPopupMenu* pmMessage = nullptr;
    TMenuItem *miCut = nullptr, *miCopy = nullptr, *miPaste = nullptr, *miFont = nullptr;
    TPopupMenu* pmAddress = nullptr;
    TMenuItem *miAddressBook = nullptr, *miProgramData = nullptr;
    TPanel* pnlVSplit = nullptr;
    TImageList* ImageList1 = nullptr;
    TListView* lvAttachments = nullptr;
    TOpenDialog* OpenDialog1 = nullptr;
    TFontDialog* FontDialog1 = nullptr;
    TEmail* Email1 = nullptr;

    // Shows the attachment list and adds the file: its name as caption, its full path as first
    // sub-item, and the desktop's picture of its kind.
    void AddAttachment(const QString& path);
    // Full paths of the attached files, in the list's order.
    QStringList AttachmentPaths() const;
    // The attachment list is never dragged lower than this, and the message keeps at least
    // MinMessageHeight pixels above the splitter.
    static constexpr int MinAttachmentsHeight = 48, MinMessageHeight = 60;

    void FormShow(TObject* sender);
    void FormResize(TObject* sender);
    void btnSendClick(TObject* sender);
    void btnRecipClick(TObject* sender);
    void btnCCClick(TObject* sender);
    void btnCheckNamesClick(TObject* sender);
    void miProgramDataClick(TObject* sender);
    void BtnAttachClick(TObject* sender);
    void btnDeleteAttachClick(TObject* sender);
    void lvAttachmentsClick(TObject* sender);
    void lvAttachmentsExit(TObject* sender);
    void txtRecipientChange(TObject* sender);
    void EditEnter(TObject* sender);
    void EditExit(TObject* sender);
    void chkAcknowledgeClick(TObject* sender);
    void pmMessagePopup(TObject* sender);
    void miCutClick(TObject* sender);
    void miCopyClick(TObject* sender);
    void miPasteClick(TObject* sender);
    void miFontClick(TObject* sender);
    void pnlVSplitMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void pnlVSplitMouseMove(TObject* sender, TShiftState shift, int x, int y);
    void pnlVSplitMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void btSalirClick(TObject* sender);

    // A text split at ";" into trimmed, non-empty names (the list cleared first), and back.
    static void SplitNames(const QString& text, TStrings* list);
    static QString JoinNames(TStrings* list);

private:
    // The speed bar, the address lines, the attachments and the message (MailForm_controles.cpp).
    void CreaControles();
    void Reset();
    void ShowAttachments(bool visible);
    // The names typed are checked, then the office's address book opens as a picker and the
    // names chosen there are added to `caja`.
    void AddressBook(TEdit* caja);
    // The splitter's drag: where it started (in the form) and the list's height then; -1 when
    // no drag is under way.
    int FDragStartY = -1, FDragStartHeight = 0;
};
