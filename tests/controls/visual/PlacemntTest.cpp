#include "controls/visual/IniHelpers.h"
#include "controls/visual/Placemnt.h"
#include "controls/visual/ZBCtrls_lists.h"
#include "platform/classes/IniFiles.h"
#include "platform/classes/TypInfo.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <map>

using platform::forms::TFormHarness;

namespace {

// A field of the main window's tables, as far as stored properties go.
class TFieldProbe : public TComponent {
public:
    explicit TFieldProbe(TComponent* owner) : TComponent(owner) {}
    int DisplayWidth() const { return FDisplayWidth; }
    void SetDisplayWidth(int v) { FDisplayWidth = v; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v) { FVisible = v; }

private:
    int FDisplayWidth = 10;
    bool FVisible = true;
};

void RegisterFieldProbe() {
    static const bool done = [] {
        using P = Prop<TFieldProbe>;
        RegisterClassProps<TFieldProbe, TComponent>({
            P::Int("DisplayWidth", &TFieldProbe::DisplayWidth, &TFieldProbe::SetDisplayWidth),
            P::Bool("Visible", &TFieldProbe::Visible, &TFieldProbe::SetVisible),
        });
        return true;
    }();
    (void)done;
}

// The main window as far as its placement goes: built in code between BeginLoading and
// EndLoading, as a form description would be read.
class TPrincipio : public TForm {
public:
    TPrincipio(TComponent* owner, const QString& iniFile) : TForm(owner) {
        BeginLoading();
        SetBounds(100, 50, 700, 400);
        // The window system may move a shown window by its frame: the bounds are taken here.
        OnShow = TNotifyEvent([this](TObject*) {
            ++OwnShows;
            AtShow = BoundsRect();
        });
        OnCloseQuery = TCloseQueryEvent([this](TObject*, bool& canClose) { canClose = AllowClose; });
        TExpedAUTOS = new TFieldProbe(this);
        TExpedAUTOS->SetName(QStringLiteral("TExpedAUTOS"));
        TConsulTOTAL = new TFieldProbe(this);
        TConsulTOTAL->SetName(QStringLiteral("TConsulTOTAL"));
        CheckList1 = new TZbCheckListBox(this);
        CheckList1->SetName(QStringLiteral("CheckList1"));
        CheckList1->SetParent(this);
        for (const char* item : {"Expedientes", "Consultas", "Particulares"})
            CheckList1->Items()->Add(QString::fromUtf8(item));
        FormStorage1 = new TFormStorage(this);
        FormStorage1->SetName(QStringLiteral("FormStorage1"));
        FormStorage1->SetIniFileName(iniFile);
        FormStorage1->MinMaxInfo()->SetMinTrackWidth(680);
        FormStorage1->MinMaxInfo()->SetMinTrackHeight(77);
        FormStorage1->StoredProps()->Add(QStringLiteral("TExpedAUTOS.DisplayWidth"));
        FormStorage1->StoredProps()->Add(QStringLiteral("TConsulTOTAL.Visible"));
        FormStorage1->StoredProps()->Add(QStringLiteral("Desaparecido.Visible"));
        CheckList1->SetIniStorage(FormStorage1);
        EndLoading();
    }
    TFieldProbe* TExpedAUTOS;
    TFieldProbe* TConsulTOTAL;
    TZbCheckListBox* CheckList1;
    TFormStorage* FormStorage1;
    int OwnShows = 0;
    TRect AtShow;
    bool AllowClose = true;
};

// The section of an ini file as another program reads it.
std::map<QString, QString> ReadWithConfigParser(const QString& path, const QString& section) {
    const char* script =
        "import configparser, sys\n"
        "c = configparser.ConfigParser(interpolation=None, strict=False)\n"
        "c.optionxform = str\n"
        "c.read(sys.argv[1], encoding='utf-8')\n"
        "for k, v in c[sys.argv[2]].items():\n"
        "    print(k + '\\t' + v)\n";
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(script), path, section});
    EXPECT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    std::map<QString, QString> values;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        values[line.left(tab)] = line.mid(tab + 1);
    }
    return values;
}

class PlacemntTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_NE(static_cast<TApplication*>(Application), nullptr);
        RegisterFieldProbe();
        path = dir.filePath(QStringLiteral("Zembra.ini"));
    }
    TFormHarness harness;
    QTemporaryDir dir;
    QString path;
};

}  // namespace

TEST_F(PlacemntTest, CloseSavesAndTheNextShowRestoresPlacementAndStoredProperties) {
    {
        TPrincipio form(nullptr, path);
        form.Show();
        EXPECT_EQ(form.OwnShows, 1);  // the form's own handler still runs
        EXPECT_EQ(form.AtShow, Rect(100, 50, 800, 450));  // nothing stored yet: the designed placement stays
        form.SetBounds(20, 30, 700, 500);  // inside the test screen, with room for a frame
        form.TExpedAUTOS->SetDisplayWidth(25);
        form.TConsulTOTAL->SetVisible(false);
        form.CheckList1->SetChecked(0, true);
        form.CheckList1->SetState(2, cbGrayed);
        form.Close();
    }
    const auto values = ReadWithConfigParser(path, QStringLiteral("TPrincipio"));
    const QString suffix = controls::visual::ScreenSuffix(controls::visual::CurrentScreen());
    EXPECT_EQ(values.at(QStringLiteral("NormPos")), QStringLiteral("20,30,720,530"));
    EXPECT_EQ(values.at(QStringLiteral("NormPos") + suffix), QStringLiteral("20,30,720,530"));
    EXPECT_TRUE(values.count(QStringLiteral("MinMaxPos")) && values.count(QStringLiteral("MinMaxPos") + suffix));
    EXPECT_EQ(values.at(QStringLiteral("ShowCmd")), QStringLiteral("1"));
    EXPECT_EQ(values.at(QStringLiteral("Flags")), QStringLiteral("0"));
    EXPECT_EQ(values.at(QStringLiteral("PixelsPerInch")), QString::number(Screen->PixelsPerInch()));
    EXPECT_EQ(values.at(QStringLiteral("Visible")), QStringLiteral("0"));  // closed by the user
    EXPECT_EQ(values.at(QStringLiteral("TExpedAUTOS_DisplayWidth")), QStringLiteral("25"));
    EXPECT_EQ(values.at(QStringLiteral("TConsulTOTAL_Visible")), QStringLiteral("False"));
    const auto states = ReadWithConfigParser(path, QStringLiteral("TPrincipioCheckList1"));
    EXPECT_EQ(states, (std::map<QString, QString>{{QStringLiteral("Count"), QStringLiteral("3")},
                                                  {QStringLiteral("Item0"), QStringLiteral("1")},
                                                  {QStringLiteral("Item1"), QStringLiteral("0")},
                                                  {QStringLiteral("Item2"), QStringLiteral("2")}}));

    TPrincipio again(nullptr, path);
    EXPECT_EQ(again.FormStorage1->StoredProps()->Count(), 2);  // the line naming no component went
    again.Show();
    EXPECT_EQ(again.AtShow, Rect(20, 30, 720, 530));
    EXPECT_EQ(again.TExpedAUTOS->DisplayWidth(), 25);
    EXPECT_FALSE(again.TConsulTOTAL->Visible());
    EXPECT_EQ(again.CheckList1->State(0), cbChecked);
    EXPECT_EQ(again.CheckList1->State(1), cbUnchecked);
    EXPECT_EQ(again.CheckList1->State(2), cbGrayed);
}

TEST_F(PlacemntTest, AFormNeverShownWritesNothing) {
    { TPrincipio form(nullptr, path); }
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(PlacemntTest, ARefusedCloseSavesNothingAndDestructionOfAnOpenFormSavesVisible) {
    {
        TPrincipio form(nullptr, path);
        form.Show();
        form.AllowClose = false;
        form.Close();
        EXPECT_FALSE(QFile::exists(path));
    }
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString(QStringLiteral("TPrincipio"), QStringLiteral("Visible"), QString()), QStringLiteral("1"));
}

TEST_F(PlacemntTest, APlacementOffEveryScreenComesBackOnTheScreen) {
    {
        TIniFile ini(path);
        WritePosStr(&ini, QStringLiteral("TPrincipio"), QStringLiteral("NormPos"), QStringLiteral("5000,4000,5700,4400"));
        ini.WriteInteger(QStringLiteral("TPrincipio"), QStringLiteral("PixelsPerInch"), Screen->PixelsPerInch());
    }
    TPrincipio form(nullptr, path);
    form.Show();
    const TRect area = Screen->WorkAreaRect();
    EXPECT_EQ(form.AtShow.Width(), 700);  // the size fits, so it is kept
    EXPECT_GE(form.AtShow.Left, area.Left);
    EXPECT_GE(form.AtShow.Top, area.Top);
    EXPECT_LE(form.AtShow.Right, area.Right);
    EXPECT_LE(form.AtShow.Bottom, area.Bottom);
}

TEST_F(PlacemntTest, StoredCheckStatesNeverExceedTheItems) {
    {
        TIniFile ini(path);
        ini.WriteInteger(QStringLiteral("TPrincipioCheckList1"), QStringLiteral("Count"), 5);
        for (int i = 0; i < 5; ++i)
            ini.WriteInteger(QStringLiteral("TPrincipioCheckList1"), QStringLiteral("Item%1").arg(i), 1);
        ini.WriteString(QStringLiteral("TPrincipioCheckList1"), QStringLiteral("Item1"), QStringLiteral("basura"));
    }
    TPrincipio form(nullptr, path);
    form.Show();
    EXPECT_EQ(form.CheckList1->Items()->Count(), 3);
    EXPECT_EQ(form.CheckList1->State(0), cbChecked);
    EXPECT_EQ(form.CheckList1->State(1), cbUnchecked);  // not a number: state 0
    EXPECT_EQ(form.CheckList1->State(2), cbChecked);
}

TEST_F(PlacemntTest, TrackingSizesBindTheFormWhileSetAndAreGivenBack) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 500, 300);
    TFormPlacement placement(&form);
    placement.MinMaxInfo()->SetMinTrackWidth(300);
    EXPECT_EQ(placement.WindowHook()->WinControl(), &form);
    form.SetWidth(200);
    EXPECT_EQ(form.Width(), 300);
    EXPECT_EQ(form.Widget()->minimumWidth(), 300);

    placement.MinMaxInfo()->SetMinTrackWidth(0);
    EXPECT_EQ(placement.WindowHook()->WinControl(), nullptr);
    form.SetWidth(200);
    EXPECT_EQ(form.Width(), 200);
}

TEST_F(PlacemntTest, MaximisedBoundsReplaceTheWorkAreaWhereSetAndGoBackWhenCleared) {
    TForm form(nullptr);
    form.SetBounds(30, 40, 500, 300);
    TFormPlacement placement(&form);
    placement.MinMaxInfo()->SetMaxSizeWidth(400);
    placement.MinMaxInfo()->SetMaxSizeHeight(250);
    placement.MinMaxInfo()->SetMaxPosLeft(10);
    placement.MinMaxInfo()->SetMaxPosTop(20);
    form.Show();
    TFormHarness::ProcessEvents();
    // A normal window keeps its own bounds.
    EXPECT_EQ(form.Widget()->size(), QSize(500, 300));

    form.SetWindowState(wsMaximized);
    TFormHarness::ProcessEvents();
    EXPECT_EQ(form.Widget()->frameGeometry(), QRect(10, 20, 400, 250));

    // Only the members set replace the window system's: the width now spans the work area.
    const TRect area = Screen->WorkAreaRect();
    placement.MinMaxInfo()->SetMaxSizeWidth(0);
    TFormHarness::ProcessEvents();
    EXPECT_EQ(form.Widget()->frameGeometry(), QRect(10, 20, area.Width(), 250));

    // None left: the form is maximised over the whole work area.
    placement.MinMaxInfo()->SetMaxSizeHeight(0);
    placement.MinMaxInfo()->SetMaxPosLeft(0);
    placement.MinMaxInfo()->SetMaxPosTop(0);
    TFormHarness::ProcessEvents();
    EXPECT_EQ(placement.WindowHook()->WinControl(), nullptr);
    EXPECT_TRUE(form.Widget()->isMaximized());
    EXPECT_EQ(form.Widget()->frameGeometry(), QRect(area.Left, area.Top, area.Width(), area.Height()));

    // Bounds given again, then the form moved by hand: a later change leaves it where it is.
    placement.MinMaxInfo()->SetMaxSizeWidth(300);
    form.SetWindowState(wsNormal);
    TFormHarness::ProcessEvents();
    form.SetWindowState(wsMaximized);
    TFormHarness::ProcessEvents();
    EXPECT_EQ(form.Widget()->frameGeometry().width(), 300);
    // However often the form is maximised.
    for (int i = 0; i < 5; ++i) {
        form.SetWindowState(wsNormal);
        form.SetWindowState(wsMaximized);
        TFormHarness::ProcessEvents();
    }
    EXPECT_EQ(form.Widget()->frameGeometry().width(), 300);
    form.SetBounds(50, 60, 350, 200);
    TFormHarness::ProcessEvents();
    placement.MinMaxInfo()->SetMaxSizeWidth(320);
    TFormHarness::ProcessEvents();
    EXPECT_EQ(form.Widget()->size(), QSize(350, 200));
}

TEST_F(PlacemntTest, PreventResizeFixesTheSizeAndDropsTheMaximiseButton) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 500, 300);
    form.BeginLoading();
    TFormPlacement placement(&form);
    form.EndLoading();
    placement.SetPreventResize(true);
    EXPECT_FALSE(form.BorderIcons() & biMaximize);
    form.SetWidth(800);
    EXPECT_EQ(form.Width(), 500);

    placement.SetPreventResize(false);
    EXPECT_TRUE(form.BorderIcons() & biMaximize);
    form.SetWidth(800);
    EXPECT_EQ(form.Width(), 800);
}

TEST_F(PlacemntTest, LinksFollowEverySaveAndRestoreUnderTheSectionAsSet) {
    TForm form(nullptr);
    TFormPlacement placement(&form);
    placement.SetIniFileName(path);
    TIniLink link;
    std::vector<QString> events;
    link.OnSave = TNotifyEvent([&](TObject*) {
        events.push_back(QStringLiteral("save"));
        EXPECT_NE(link.IniObject(), nullptr);
        IniWriteString(link.IniObject(), link.RootSection() + QStringLiteral("Barra"), QStringLiteral("Visible"),
                       QStringLiteral("'sí'"));
    });
    link.OnLoad = TNotifyEvent([&](TObject*) {
        events.push_back(IniReadString(link.IniObject(), link.RootSection() + QStringLiteral("Barra"),
                                       QStringLiteral("Visible"), QString()));
    });
    link.SetStorage(&placement);
    EXPECT_EQ(link.RootSection(), QString());  // the default section is not substituted
    placement.SetIniSection(QStringLiteral("Disposición"));
    EXPECT_EQ(link.RootSection(), QStringLiteral("Disposición\\"));

    placement.RestoreFormPlacement();
    placement.SaveFormPlacement();
    placement.RestoreFormPlacement();
    EXPECT_EQ(events, (std::vector<QString>{QString(), QStringLiteral("save"), QStringLiteral("'sí'")}));
    EXPECT_EQ(link.IniObject(), nullptr);  // closed outside a save or restore

    link.SetStorage(nullptr);
    EXPECT_EQ(placement.LinkCount(), 0);
    EXPECT_EQ(link.RootSection(), QString());
}

TEST_F(PlacemntTest, ActiveControlComesBackWhenAsked) {
    {
        TPrincipio form(nullptr, path);
        form.FormStorage1->SetOptions(PlacementOptions({fpState, fpPosition, fpActiveControl}));
        form.Show();
        form.SetActiveControl(form.CheckList1);
        form.Close();
    }
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString(QStringLiteral("TPrincipio"), QStringLiteral("ActiveControl"), QString()),
              QStringLiteral("CheckList1"));
}
