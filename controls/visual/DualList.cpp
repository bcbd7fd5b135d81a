#include "controls/visual/DualList.h"

#include "controls/visual/BitmapHelpers.h"
#include "controls/visual/FDualLst.h"

namespace controls::visual {
QString SDualListSrcCaption() { return ResStr(61164); }
QString SDualListDestCaption() { return ResStr(61163); }
QString SOKButton() { return ResStr(61508); }
QString SCancelButton() { return ResStr(61509); }
QString SHelpButton() { return ResStr(61512); }
}  // namespace controls::visual

using namespace controls::visual;

TDualListDialog::TDualListDialog(TComponent* owner)
    : TComponent(owner), FLabel1Caption(SDualListSrcCaption()), FLabel2Caption(SDualListDestCaption()),
      FOkBtnCaption(SOKButton()), FCancelBtnCaption(SCancelButton()), FHelpBtnCaption(SHelpButton()),
      FList1(std::make_unique<TStringList>()), FList2(std::make_unique<TStringList>()) {}

TDualListDialog::~TDualListDialog() = default;

bool TDualListDialog::Execute() {
    // Freed on every way out, with the lists as the user left them only on OK.
    auto form = std::make_unique<TDualListForm>(static_cast<TApplication*>(Application));
    form->SetCtl3D(FCtl3D);
    form->Font()->SetStyle(form->Font()->Style() - fsBold);
    form->SetShowHelp(FShowHelp);
    form->SrcList->SetSorted(FSorted);
    form->DstList->SetSorted(FSorted);
    form->SrcList->Items()->Assign(FList1.get());
    form->DstList->Items()->Assign(FList2.get());
    if (!FTitle.isEmpty())
        form->SetCaption(FTitle);
    if (!FLabel1Caption.isEmpty())
        form->SrcLabel->SetCaption(FLabel1Caption);
    if (!FLabel2Caption.isEmpty())
        form->DstLabel->SetCaption(FLabel2Caption);
    form->OkBtn->SetCaption(FOkBtnCaption);
    form->CancelBtn->SetCaption(FCancelBtnCaption);
    form->HelpBtn->SetCaption(FHelpBtnCaption);
    form->SetHelpContext(FHelpContext);
    form->HelpBtn->SetHelpContext(FHelpContext);
    const bool ok = form->ShowModal() == mrOk;
    if (ok) {
        FList1->Assign(form->SrcList->Items());
        FList2->Assign(form->DstList->Items());
    }
    return ok;
}
