#include "controls/visual/PropsStorage.h"

#include "platform/classes/Collections.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Currency.h"

#include <QMap>

#include <gtest/gtest.h>

#include <memory>

namespace {

enum TProbeAlign { alNone, alTop, alBottom, alClient };
enum TProbeOption { opBold, opItalic, opUnderline };

class TProbeFont : public TPersistent {
public:
    int Size() const { return FSize; }
    void SetSize(int v) { FSize = v; }
    QString Name() const { return FName; }
    void SetName(const QString& v) { FName = v; }

private:
    int FSize = 8;
    QString FName = QStringLiteral("MS Sans Serif");
};

class TProbeItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    QString Title() const { return FTitle; }
    void SetTitle(const QString& v) { FTitle = v; }
    int Width() const { return FWidth; }
    void SetWidth(int v) { FWidth = v; }

private:
    QString FTitle;
    int FWidth = 64;
};

// One published property of every stored kind.
class TProbe : public TComponent {
public:
    explicit TProbe(TComponent* owner) : TComponent(owner) {}
    int Count() const { return FCount; }
    void SetCount(int v) { FCount = v; }
    QChar Letter() const { return FLetter; }
    void SetLetter(QChar v) { FLetter = v; }
    TProbeAlign Align() const { return FAlign; }
    void SetAlign(TProbeAlign v) { FAlign = v; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v) { FVisible = v; }
    double Ratio() const { return FRatio; }
    void SetRatio(double v) { FRatio = v; }
    float Scale() const { return FScale; }
    void SetScale(float v) { FScale = v; }
    Currency Price() const { return FPrice; }
    void SetPrice(Currency v) { FPrice = v; }
    TDateTime When() const { return FWhen; }
    void SetWhen(TDateTime v) { FWhen = v; }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& v) { FCaption = v; }
    int Style() const { return FStyle; }
    void SetStyle(int v) { FStyle = v; }
    Variant Data() const { return FData; }
    void SetData(const Variant& v) { FData = v; }
    TStrings* Lines() const { return FLines.get(); }
    void SetLines(TStrings* v) { FLines->Assign(v); }
    TCollection* Columns() const { return FColumns.get(); }
    TProbeFont* Font() const { return FFont.get(); }
    TComponent* Link() const { return FLink; }
    void SetLink(TComponent* v) { FLink = v; }

private:
    int FCount = 0;
    QChar FLetter = QLatin1Char('a');
    TProbeAlign FAlign = alNone;
    bool FVisible = true;
    double FRatio = 0;
    float FScale = 1;
    Currency FPrice;
    TDateTime FWhen;
    QString FCaption;
    int FStyle = 0;
    Variant FData;
    std::unique_ptr<TStringList> FLines = std::make_unique<TStringList>();
    std::unique_ptr<TCollection> FColumns = std::make_unique<TCollection>(TCollection::Make<TProbeItem>());
    std::unique_ptr<TProbeFont> FFont = std::make_unique<TProbeFont>();
    TComponent* FLink = nullptr;
};

class TProbeForm : public TComponent {
public:
    using TComponent::TComponent;
};

void RegisterProbe() {
    static const bool done = [] {
        using PF = Prop<TProbeFont>;
        RegisterClassProps<TProbeFont, TPersistent>({
            PF::Int("Size", &TProbeFont::Size, &TProbeFont::SetSize),
            PF::Str("Name", &TProbeFont::Name, &TProbeFont::SetName),
        });
        using PI = Prop<TProbeItem>;
        RegisterClassProps<TProbeItem, TCollectionItem>({
            PI::Str("Title", &TProbeItem::Title, &TProbeItem::SetTitle),
            PI::Int("Width", &TProbeItem::Width, &TProbeItem::SetWidth),
        });
        const TTypeInfo* options = RegisterEnumType<TProbeOption>({"opBold", "opItalic", "opUnderline"});
        using P = Prop<TProbe>;
        RegisterClassProps<TProbe, TComponent>({
            P::Int("Count", &TProbe::Count, &TProbe::SetCount),
            P::Char("Letter", &TProbe::Letter, &TProbe::SetLetter),
            P::Enum("Align", &TProbe::Align, &TProbe::SetAlign, {"alNone", "alTop", "alBottom", "alClient"}),
            P::Bool("Visible", &TProbe::Visible, &TProbe::SetVisible),
            P::Float("Ratio", &TProbe::Ratio, &TProbe::SetRatio),
            P::Float("Scale", &TProbe::Scale, &TProbe::SetScale),
            P::Float("Price", [](TProbe* p) { return p->Price().ToDouble(); },
                     [](TProbe* p, double v) { p->SetPrice(Currency(v)); }, ftCurr),
            P::Float("When", &TProbe::When, &TProbe::SetWhen),
            P::Str("Caption", &TProbe::Caption, &TProbe::SetCaption),
            P::Set("Style", &TProbe::Style, &TProbe::SetStyle, options),
            P::Var("Data", &TProbe::Data, &TProbe::SetData),
            P::Class("Lines", &TProbe::Lines, &TProbe::SetLines),
            P::Class("Columns", &TProbe::Columns, nullptr),
            P::Class("Font", &TProbe::Font, nullptr),
            P::Class("Link", &TProbe::Link, &TProbe::SetLink),
            P::Method("OnClick"),
        });
        return true;
    }();
    (void)done;
}

// An in-memory store with the three callbacks.
struct MemoryStore {
    QMap<QString, QMap<QString, QString>> Sections;
    int Reads = 0;

    void Attach(TPropsStorage& s) {
        s.OnReadString = [this](const QString& sec, const QString& key, const QString& def) {
            ++Reads;
            const auto section = Sections.constFind(sec);
            if (section == Sections.constEnd())
                return def;
            const auto value = section->constFind(key);
            return value == section->constEnd() ? def : *value;
        };
        s.OnWriteString = [this](const QString& sec, const QString& key, const QString& v) { Sections[sec][key] = v; };
        s.OnEraseSection = [this](const QString& sec) { Sections.remove(sec); };
    }
    QString Value(const QString& section, const QString& key) const { return Sections.value(section).value(key, QStringLiteral("<none>")); }
};

class PropsStorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterProbe();
        form = std::make_unique<TProbeForm>(nullptr);
        form->SetName(QStringLiteral("Principal"));
        probe = new TProbe(form.get());
        probe->SetName(QStringLiteral("Probe"));
        target = new TComponent(form.get());
        target->SetName(QStringLiteral("Boton"));
        storage.SetSection(QStringLiteral("TPrincipio"));
        store.Attach(storage);
    }
    void StoreAll() { storage.StoreObjectsProps(form.get(), AllLines().get()); }
    void LoadAll() { storage.LoadObjectsProps(form.get(), AllLines().get()); }
    static std::unique_ptr<TStringList> AllLines() {
        auto l = std::make_unique<TStringList>();
        for (const char* p : {"Count", "Letter", "Align", "Visible", "Ratio", "Scale", "Price", "When", "Caption",
                              "Style", "Data", "Lines", "Columns", "Font", "Link", "OnClick"})
            l->Add(QStringLiteral("Probe.") + QLatin1String(p));
        return l;
    }
    QString Key(const char* prop) const { return store.Value(QStringLiteral("TPrincipio"), QStringLiteral("Probe_") + QLatin1String(prop)); }

    std::unique_ptr<TProbeForm> form;
    TProbe* probe = nullptr;
    TComponent* target = nullptr;
    TPropsStorage storage;
    MemoryStore store;
};

}  // namespace

TEST_F(PropsStorageTest, StoresEveryKindAsText) {
    probe->SetCount(-42);
    probe->SetLetter(QChar(u'ñ'));
    probe->SetAlign(alBottom);
    probe->SetVisible(false);
    probe->SetRatio(1234.5);
    probe->SetScale(0.1f);
    probe->SetPrice(Currency(12.3456));
    probe->SetWhen(TDateTime(45000.25));
    probe->SetCaption(QStringLiteral("  Señor García  "));
    probe->SetStyle((1 << opBold) | (1 << opUnderline));
    probe->SetData(Variant(QStringLiteral("año")));
    probe->Lines()->Add(QStringLiteral("uno"));
    probe->Lines()->Add(QStringLiteral(" dos "));
    probe->Columns()->AddAs<TProbeItem>()->SetTitle(QStringLiteral("Autos"));
    probe->Font()->SetSize(10);
    probe->SetLink(target);
    StoreAll();

    EXPECT_EQ(Key("Count"), QStringLiteral("-42"));
    EXPECT_EQ(Key("Letter"), QStringLiteral("ñ"));
    EXPECT_EQ(Key("Align"), QStringLiteral("alBottom"));
    EXPECT_EQ(Key("Visible"), QStringLiteral("False"));
    EXPECT_EQ(Key("Ratio"), QStringLiteral("1234.5"));
    EXPECT_EQ(Key("Scale"), QStringLiteral("0.1"));  // seven digits for a single
    EXPECT_EQ(Key("Price"), QStringLiteral("12.3456"));
    EXPECT_EQ(Key("When"), QStringLiteral("45000.25"));
    EXPECT_EQ(Key("Caption"), QStringLiteral("Señor García"));
    EXPECT_EQ(Key("Style"), QStringLiteral("[opBold,opUnderline]"));
    EXPECT_EQ(Key("Data"), QStringLiteral("año"));
    EXPECT_EQ(Key("Link"), QStringLiteral("Boton"));
    EXPECT_EQ(Key("FontSize"), QStringLiteral("10"));
    EXPECT_EQ(Key("FontName"), QStringLiteral("MS Sans Serif"));
    // Lists and collections live in sections of their own, nothing under their key.
    EXPECT_EQ(Key("Lines"), QStringLiteral("<none>"));
    EXPECT_EQ(Key("Columns"), QStringLiteral("<none>"));
    EXPECT_EQ(Key("OnClick"), QStringLiteral("<none>"));
    const QString lines = QStringLiteral("TPrincipio.Probe_Lines");
    EXPECT_EQ(store.Value(lines, QStringLiteral("Count")), QStringLiteral("2"));
    EXPECT_EQ(store.Value(lines, QStringLiteral("Item0")), QStringLiteral("uno"));
    EXPECT_EQ(store.Value(lines, QStringLiteral("Item1")), QStringLiteral(" dos "));
    const QString cols = QStringLiteral("TPrincipio.Probe_Columns");
    EXPECT_EQ(store.Value(cols, QStringLiteral("Count")), QStringLiteral("1"));
    EXPECT_EQ(store.Value(cols, QStringLiteral("Item0_Title")), QStringLiteral("Autos"));
    EXPECT_EQ(store.Value(cols, QStringLiteral("Item0_Width")), QStringLiteral("64"));
}

TEST_F(PropsStorageTest, EveryKindRoundTrips) {
    probe->SetCount(7);
    probe->SetLetter(QChar(u'Ñ'));
    probe->SetAlign(alClient);
    probe->SetVisible(false);
    probe->SetRatio(-0.000123456789012345);
    probe->SetPrice(Currency(166.386));
    probe->SetCaption(QStringLiteral("Expediente 2026/0001"));
    probe->SetStyle(1 << opItalic);
    probe->SetData(Variant(QStringLiteral("x")));
    probe->Lines()->SetText(QStringLiteral("a\nb\nc"));
    for (int i = 0; i < 3; ++i) {
        auto* item = probe->Columns()->AddAs<TProbeItem>();
        item->SetTitle(QStringLiteral("Col %1").arg(i));
        item->SetWidth(10 * i);
    }
    probe->Font()->SetName(QStringLiteral("Arial"));
    probe->SetLink(target);
    StoreAll();

    // Another form with the same names reads the values back.
    TProbeForm other(nullptr);
    other.SetName(QStringLiteral("Principal"));
    auto* copy = new TProbe(&other);
    copy->SetName(QStringLiteral("Probe"));
    auto* otherTarget = new TComponent(&other);
    otherTarget->SetName(QStringLiteral("Boton"));
    copy->Columns()->Add();
    // A variant is read only when its current value has a text.
    copy->SetData(Variant(QStringLiteral("y")));
    storage.LoadObjectsProps(&other, AllLines().get());

    EXPECT_EQ(copy->Count(), 7);
    EXPECT_EQ(copy->Letter(), QChar(u'Ñ'));
    EXPECT_EQ(copy->Align(), alClient);
    EXPECT_FALSE(copy->Visible());
    EXPECT_DOUBLE_EQ(copy->Ratio(), -0.000123456789012345);
    EXPECT_EQ(copy->Price(), Currency(166.386));
    EXPECT_EQ(copy->Caption(), QStringLiteral("Expediente 2026/0001"));
    EXPECT_EQ(copy->Style(), 1 << opItalic);
    EXPECT_EQ(copy->Data().AsString(), QStringLiteral("x"));
    EXPECT_EQ(copy->Lines()->Count(), 3);
    EXPECT_EQ(copy->Lines()->Strings(2), QStringLiteral("c"));
    ASSERT_EQ(copy->Columns()->Count(), 3);
    EXPECT_EQ(copy->Columns()->ItemsAs<TProbeItem>(2)->Title(), QStringLiteral("Col 2"));
    EXPECT_EQ(copy->Columns()->ItemsAs<TProbeItem>(1)->Width(), 10);
    EXPECT_EQ(copy->Font()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(copy->Link(), otherTarget);
}

TEST_F(PropsStorageTest, EmptySetAndBlanksAndEmptyLists) {
    probe->SetStyle(0);
    probe->SetCaption(QStringLiteral("   "));
    StoreAll();
    EXPECT_EQ(Key("Style"), QStringLiteral("[]"));
    EXPECT_EQ(Key("Caption"), QString());
    // An empty list erases its section, so nothing says how many lines to load.
    EXPECT_FALSE(store.Sections.contains(QStringLiteral("TPrincipio.Probe_Lines")));
    probe->SetStyle(1 << opBold);
    probe->SetCaption(QStringLiteral("antes"));
    probe->Lines()->Add(QStringLiteral("queda"));
    LoadAll();
    EXPECT_EQ(probe->Style(), 0);
    EXPECT_EQ(probe->Caption(), QString());
    ASSERT_EQ(probe->Lines()->Count(), 1);
    EXPECT_EQ(probe->Lines()->Strings(0), QStringLiteral("queda"));
}

TEST_F(PropsStorageTest, BadStoredTextsLeaveOrResetAsTheRulesSay) {
    probe->SetCount(5);
    probe->SetAlign(alTop);
    probe->SetRatio(2.5);
    probe->SetLetter(QChar(u'z'));
    probe->SetCaption(QStringLiteral("sigue"));
    QMap<QString, QString>& sec = store.Sections[QStringLiteral("TPrincipio")];
    sec[QStringLiteral("Probe_Count")] = QStringLiteral("doce");
    sec[QStringLiteral("Probe_Align")] = QStringLiteral("alLeft");
    sec[QStringLiteral("Probe_Ratio")] = QStringLiteral("1.2.3x");
    sec[QStringLiteral("Probe_Letter")] = QString();
    sec[QStringLiteral("Probe_Style")] = QStringLiteral("[opUnderline, opNada,OPBOLD]");
    sec[QStringLiteral("Probe_Caption")] = QStringLiteral("  nuevo\t");
    LoadAll();
    EXPECT_EQ(probe->Count(), 0);           // not a number reads as 0
    EXPECT_EQ(probe->Align(), alTop);       // no such name: unchanged
    EXPECT_EQ(probe->Ratio(), 2.5);         // malformed float: abandoned...
    EXPECT_EQ(probe->Caption(), QStringLiteral("nuevo"));  // ...and the rest still loads
    EXPECT_EQ(probe->Letter(), QChar(u'z'));
    EXPECT_EQ(probe->Style(), (1 << opUnderline) | (1 << opBold));
}

TEST_F(PropsStorageTest, DamagedCountsAreCapped) {
    const QString lines = QStringLiteral("TPrincipio.Probe_Lines");
    store.Sections[lines][QStringLiteral("Count")] = QStringLiteral("2000000000");
    store.Sections[lines][QStringLiteral("Item1")] = QStringLiteral("segunda");
    const QString cols = QStringLiteral("TPrincipio.Probe_Columns");
    store.Sections[cols][QStringLiteral("Count")] = QStringLiteral("999999999");
    storage.LoadObjectsProps(form.get(), std::make_unique<TStringList>().get());
    auto list = std::make_unique<TStringList>();
    list->Add(QStringLiteral("Probe.Lines"));
    list->Add(QStringLiteral("Probe.Columns"));
    storage.LoadObjectsProps(form.get(), list.get());
    EXPECT_EQ(probe->Lines()->Count(), TPropsStorage::MaxStoredItems);
    EXPECT_EQ(probe->Lines()->Strings(0), QString());  // missing items read as empty lines
    EXPECT_EQ(probe->Lines()->Strings(1), QStringLiteral("segunda"));
    EXPECT_EQ(probe->Columns()->Count(), TPropsStorage::MaxStoredItems);

    store.Sections[cols][QStringLiteral("Count")] = QStringLiteral("-3");
    storage.LoadObjectsProps(form.get(), list.get());
    EXPECT_EQ(probe->Columns()->Count(), 0);
    // A negative line count leaves the list alone.
    store.Sections[lines][QStringLiteral("Count")] = QStringLiteral("-3");
    storage.LoadObjectsProps(form.get(), list.get());
    EXPECT_EQ(probe->Lines()->Count(), TPropsStorage::MaxStoredItems);
}

TEST_F(PropsStorageTest, ComponentReferencesAcrossForms) {
    TProbeForm agenda(nullptr);
    agenda.SetName(QStringLiteral("Agenda"));
    auto* remote = new TComponent(&agenda);
    remote->SetName(QStringLiteral("Lista"));
    probe->SetLink(remote);
    StoreAll();
    EXPECT_EQ(Key("Link"), QStringLiteral("Agenda.Lista"));

    // The other form is not open: the reference stays as it is.
    probe->SetLink(target);
    controls::visual::SetStoredOwnerLookup({});
    LoadAll();
    EXPECT_EQ(probe->Link(), target);

    controls::visual::SetStoredOwnerLookup([&](const QString& name) -> TComponent* {
        return name.compare(QStringLiteral("agenda"), Qt::CaseInsensitive) == 0 ? &agenda : nullptr;
    });
    LoadAll();
    EXPECT_EQ(probe->Link(), remote);

    // A form found without the component clears the reference; "(null)" in any case too.
    store.Sections[QStringLiteral("TPrincipio")][QStringLiteral("Probe_Link")] = QStringLiteral("AGENDA.Nada");
    LoadAll();
    EXPECT_EQ(probe->Link(), nullptr);
    controls::visual::SetStoredOwnerLookup({});

    probe->SetLink(nullptr);
    StoreAll();
    EXPECT_EQ(Key("Link"), QStringLiteral("(null)"));
    probe->SetLink(target);
    store.Sections[QStringLiteral("TPrincipio")][QStringLiteral("Probe_Link")] = QStringLiteral("(NULL)");
    LoadAll();
    EXPECT_EQ(probe->Link(), nullptr);

    // An unnamed owner is written by its class name without the leading T.
    TProbeForm unnamed(nullptr);
    auto* inner = new TComponent(&unnamed);
    inner->SetName(QStringLiteral("Dentro"));
    probe->SetLink(inner);
    StoreAll();
    EXPECT_EQ(Key("Link"), QStringLiteral("ProbeForm.Dentro"));
}

TEST_F(PropsStorageTest, ListLinesThatNameNothingAreSkipped) {
    probe->SetCount(3);
    auto list = std::make_unique<TStringList>();
    for (const char* line : {"Probe", ".Count", "Probe.", " Probe . Count ", "Nadie.Count", "Probe.NoExiste"})
        list->Add(QLatin1String(line));
    storage.StoreObjectsProps(form.get(), list.get());
    ASSERT_EQ(store.Sections.size(), 1);
    EXPECT_EQ(store.Sections.first().size(), 1);
    EXPECT_EQ(Key("Count"), QStringLiteral("3"));
}

TEST_F(PropsStorageTest, WithoutCallbacksNothingIsReadOrWritten) {
    TPropsStorage bare;
    bare.SetSection(QStringLiteral("S"));
    probe->SetCount(9);
    bare.StoreObjectsProps(form.get(), AllLines().get());
    bare.LoadObjectsProps(form.get(), AllLines().get());
    EXPECT_EQ(probe->Count(), 0);  // an absent reader gives empty texts
    EXPECT_EQ(probe->Caption(), QString());
}

TEST(PropInfoList, FiltersKindsAndFindsIgnoringCase) {
    RegisterProbe();
    TProbe probe(nullptr);
    TPropInfoList all(&probe, tkAny);
    TPropInfoList ints(&probe, TypeKinds({tkInteger}));
    ASSERT_NE(all.Find(QStringLiteral("onclick")), nullptr);
    EXPECT_EQ(ints.Find(QStringLiteral("OnClick")), nullptr);
    ASSERT_NE(ints.Find(QStringLiteral("COUNT")), nullptr);
    EXPECT_EQ(ints.Find(QStringLiteral("COUNT"))->Name, QStringLiteral("Count"));
    for (int i = 0; i < ints.Count(); ++i)
        EXPECT_EQ(ints.Items(i)->Kind(), tkInteger);
    EXPECT_THROW(ints.Items(ints.Count()), EListError);
}
