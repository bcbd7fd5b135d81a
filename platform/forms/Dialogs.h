#pragma once
// Message boxes and the common dialogs. Under the test harness none of them blocks: each takes
// its answer from the harness's script and is recorded there.
#include "platform/forms/Forms.h"

#include <initializer_list>
#include <memory>
#include <vector>

class QFileDialog;
class TButton;
class TCheckBox;
class TComboBox;
class TLabel;
class TPanel;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };

// A set of message-box buttons: MessageDlg(text, mtConfirmation, {mbYes, mbNo}, 0).
class TMsgDlgButtons {
public:
    TMsgDlgButtons() = default;
    TMsgDlgButtons(TMsgDlgBtn b) : FBits(1u << b) {}
    TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> list) {
        for (TMsgDlgBtn b : list) FBits |= 1u << b;
    }
    bool Contains(TMsgDlgBtn b) const { return (FBits & (1u << b)) != 0; }
    bool Empty() const { return FBits == 0; }
    std::vector<TMsgDlgBtn> List() const;

private:
    unsigned FBits = 0;
};

extern const TMsgDlgButtons mbYesNoCancel;
extern const TMsgDlgButtons mbOKCancel;
extern const TMsgDlgButtons mbAbortRetryIgnore;

// The modal result a button gives (mbYes -> mrYes...).
TModalResult ModalResultOf(TMsgDlgBtn button);
// The caption of a button as the boxes show it ("&Sí", "Aceptar"...).
QString ButtonCaption(TMsgDlgBtn button);

int MessageDlg(const QString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext);
int MessageDlgPos(const QString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext, int x, int y);
void ShowMessage(const QString& msg);

namespace platform::forms {
// The one place every message box goes through; returns the modal result of the chosen button.
int ShowMessageBox(const QString& caption, const QString& text, TMsgDlgType type,
                   const std::vector<TMsgDlgBtn>& buttons, TMsgDlgBtn defaultButton);
// True, after saying so, when one of the files is one of the database engine's own: no file the
// program writes or reads for the user may be one of them.
bool RechazaFicheroDelMotor(const QStringList& files);
// The width a window needs for the window manager to show `caption` whole in its title bar,
// drawn in the desktop's font in bold, beside the bar's buttons.
int AnchoParaTitulo(const QString& caption);
}  // namespace platform::forms

// ---------------------------------------------------------------------------------------------
// Common dialogs.

enum TOpenOption : unsigned {
    ofReadOnly = 1u << 0, ofOverwritePrompt = 1u << 1, ofHideReadOnly = 1u << 2, ofNoChangeDir = 1u << 3,
    ofShowHelp = 1u << 4, ofNoValidate = 1u << 5, ofAllowMultiSelect = 1u << 6, ofExtensionDifferent = 1u << 7,
    ofPathMustExist = 1u << 8, ofFileMustExist = 1u << 9, ofCreatePrompt = 1u << 10, ofShareAware = 1u << 11,
    ofNoReadOnlyReturn = 1u << 12, ofNoTestFileCreate = 1u << 13, ofNoNetworkButton = 1u << 14,
    ofNoLongNames = 1u << 15, ofOldStyleDialog = 1u << 16, ofNoDereferenceLinks = 1u << 17,
    ofEnableIncludeNotify = 1u << 18, ofEnableSizing = 1u << 19
};
using TOpenOptions = unsigned;

class TCommonDialog : public TComponent {
public:
    explicit TCommonDialog(TComponent* owner) : TComponent(owner) {}
    virtual bool Execute() = 0;
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int v) { FHelpContext = v; }
    TNotifyEvent OnShow;
    TNotifyEvent OnClose;

private:
    int FHelpContext = 0;
};

class TOpenDialog : public TCommonDialog {
public:
    explicit TOpenDialog(TComponent* owner) : TCommonDialog(owner) {}
    bool Execute() override;

    QString FileName() const { return FFileName; }
    void SetFileName(const QString& v) { FFileName = v; }
    QStringList Files() const { return FFiles; }
    // "Texto|*.txt|Todos|*.*": description and pattern pairs.
    QString Filter() const { return FFilter; }
    void SetFilter(const QString& v) { FFilter = v; }
    int FilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(int v) { FFilterIndex = v; }
    QString InitialDir() const { return FInitialDir; }
    void SetInitialDir(const QString& v) { FInitialDir = v; }
    QString DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const QString& v) { FDefaultExt = v; }
    QString Title() const { return FTitle; }
    void SetTitle(const QString& v) { FTitle = v; }
    TOpenOptions Options() const { return FOptions; }
    void SetOptions(TOpenOptions v) { FOptions = v; }

    // The Qt name filter list for a "description|pattern" filter.
    static QStringList QtFilters(const QString& filter);
    // Gives Qt's file dialog this dialog's title, mode, filters, folder and file name.
    void SetUpQtDialog(QFileDialog& dialog) const;

protected:
    virtual bool IsSave() const { return false; }
    // Adds DefaultExt to a chosen name without extension.
    QString WithDefaultExt(const QString& name) const;

private:
    QString FFileName, FFilter, FInitialDir, FDefaultExt, FTitle;
    QStringList FFiles;
    int FFilterIndex = 1;
    TOpenOptions FOptions = ofHideReadOnly;
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}

protected:
    bool IsSave() const override { return true; }
};

class TColorDialog : public TCommonDialog {
public:
    explicit TColorDialog(TComponent* owner) : TCommonDialog(owner) {}
    bool Execute() override;
    TColor Color() const { return FColor; }
    void SetColor(TColor v) { FColor = v; }

private:
    TColor FColor = clBlack;
};

// The system's printer choice; on OK the chosen printer becomes the program's (Printers.h).
class TPrinterSetupDialog : public TCommonDialog {
public:
    explicit TPrinterSetupDialog(TComponent* owner) : TCommonDialog(owner) {}
    bool Execute() override;
};

class TPrintDialog : public TCommonDialog {
public:
    explicit TPrintDialog(TComponent* owner) : TCommonDialog(owner) {}
    bool Execute() override;
    int Copies() const { return FCopies; }
    void SetCopies(int v) { FCopies = v; }

private:
    int FCopies = 1;
};

// The choice of a font: name, size, style and colour, started from Font and left in it on OK.
class TFontDialog : public TCommonDialog {
public:
    explicit TFontDialog(TComponent* owner);
    ~TFontDialog() override;
    bool Execute() override;
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* value) { FFont->Assign(value); }

private:
    std::unique_ptr<TFont> FFont;
};

namespace platform::forms {
// The window of the font dialog (its own class so that a script can fill it in).
class TFontDialogForm : public TForm {
public:
    TFontDialogForm(TComponent* owner, TFont* font);
    TComboBox *cbNombre = nullptr, *cbTamano = nullptr, *cbColor = nullptr;
    TCheckBox *chkNegrita = nullptr, *chkCursiva = nullptr, *chkSubrayado = nullptr, *chkTachado = nullptr;
    TLabel *lbNombre = nullptr, *lbTamano = nullptr, *lbColor = nullptr;
    TPanel* pnlMuestra = nullptr;
    TButton *btOk = nullptr, *btCancel = nullptr;
    // The font as chosen now; false (the font untouched) when the size is not a number from 1 to 1638.
    bool Chosen(TFont* font) const;

private:
    void Changed(TObject* sender);
    void btOkClick(TObject* sender);
    std::vector<TColor> FColors;
};
}  // namespace platform::forms
