#pragma once
// A modal chooser in which the user moves items between two lists. The lists keep their
// objects; they are written back only when the user confirms.
#include "platform/classes/Component.h"
#include "platform/classes/Strings.h"

#include <memory>

class TDualListDialog : public TComponent {
public:
    explicit TDualListDialog(TComponent* owner);
    ~TDualListDialog() override;

    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool value) { FCtl3D = value; }
    bool Sorted() const { return FSorted; }
    void SetSorted(bool value) { FSorted = value; }
    QString Title() const { return FTitle; }
    void SetTitle(const QString& value) { FTitle = value; }
    QString Label1Caption() const { return FLabel1Caption; }
    void SetLabel1Caption(const QString& value) { FLabel1Caption = value; }
    QString Label2Caption() const { return FLabel2Caption; }
    void SetLabel2Caption(const QString& value) { FLabel2Caption = value; }
    QString OkBtnCaption() const { return FOkBtnCaption; }
    void SetOkBtnCaption(const QString& value) { FOkBtnCaption = value; }
    QString CancelBtnCaption() const { return FCancelBtnCaption; }
    void SetCancelBtnCaption(const QString& value) { FCancelBtnCaption = value; }
    QString HelpBtnCaption() const { return FHelpBtnCaption; }
    void SetHelpBtnCaption(const QString& value) { FHelpBtnCaption = value; }
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int value) { FHelpContext = value; }
    TStrings* List1() const { return FList1.get(); }
    void SetList1(TStrings* value) { FList1->Assign(value); }
    TStrings* List2() const { return FList2.get(); }
    void SetList2(TStrings* value) { FList2->Assign(value); }
    bool ShowHelp() const { return FShowHelp; }
    void SetShowHelp(bool value) { FShowHelp = value; }

    // Shows the dialog; true on OK, and only then do List1 and List2 take the lists' contents.
    bool Execute();

private:
    bool FCtl3D = true;
    bool FSorted = false;
    QString FTitle;
    QString FLabel1Caption;
    QString FLabel2Caption;
    QString FOkBtnCaption;
    QString FCancelBtnCaption;
    QString FHelpBtnCaption;
    int FHelpContext = 0;
    std::unique_ptr<TStringList> FList1;
    std::unique_ptr<TStringList> FList2;
    bool FShowHelp = true;
};

namespace controls::visual {
// The library's texts of the chooser.
QString SDualListSrcCaption();   // "&Источник"
QString SDualListDestCaption();  // "&Приемник"
QString SOKButton();             // "OK"
QString SCancelButton();         // "Cancel"
QString SHelpButton();           // "&Help"
}  // namespace controls::visual
