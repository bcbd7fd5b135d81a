#include "controls/visual/Placemnt.h"
#include "controls/visual/SpeedBar.h"
#include "platform/classes/IniFiles.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

class TLedgerForm : public TForm {
public:
    explicit TLedgerForm(TComponent* owner) : TForm(owner) { SetBounds(0, 0, 400, 300); }
};

TEST(SpeedBarStorage, LayoutTravelsWithTheFormPlacement) {
    platform::forms::TFormHarness harness;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("Zembra.ini"));
    TLedgerForm form(nullptr);
    auto* placement = new TFormPlacement(&form);
    placement->SetIniFileName(file);
    placement->SetIniSection(QStringLiteral("Bars"));
    auto* bar = new TSpeedBar(&form);
    bar->SetName(QStringLiteral("SpeedBar1"));
    bar->SetParent(&form);
    auto* item = new TSpeedItem(&form);
    item->SetName(QStringLiteral("btAdd"));
    bar->AddItem(0, item);
    item->SetVisible(true);
    item->SetLeft(35);
    bar->SetIniStorage(placement);
    EXPECT_EQ(bar->IniStorage(), placement);
    placement->RestoreFormPlacement();  // nothing stored yet: the designed layout stays
    EXPECT_EQ(item->Left(), 35);
    EXPECT_TRUE(item->Visible());
    placement->SaveFormPlacement();
    {
        TIniFile ini(file);
        EXPECT_EQ(ini.ReadString(QStringLiteral("Bars\\TLedgerFormSpeedBar1"), QStringLiteral("Button1"), QString()),
                  QStringLiteral("btAdd,35,3"));
    }
    item->SetLeft(99);
    bar->SetAlign(alBottom);
    placement->RestoreFormPlacement();
    EXPECT_EQ(item->Left(), 35);
    EXPECT_EQ(bar->Align(), alTop);
    // Unlinked: a restore leaves the bar alone.
    bar->SetIniStorage(nullptr);
    item->SetLeft(99);
    placement->RestoreFormPlacement();
    EXPECT_EQ(item->Left(), 99);
}

}  // namespace
