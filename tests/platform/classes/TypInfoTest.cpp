#include "platform/classes/TypInfo.h"
#include "platform/classes/Collections.h"
#include "platform/classes/Strings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <mutex>

namespace {

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TFooOption { foState, foPosition, foActive };
using TFooOptions = unsigned;

class TFont : public TPersistent {
public:
    int Size = 8;
};

class TBase : public TComponent {
public:
    using TComponent::TComponent;
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& s) { FCaption = s; }
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign a) { FAlign = a; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v) { FVisible = v; }

private:
    QString FCaption;
    TAlign FAlign = alNone;
    bool FVisible = true;
};

class TFoo : public TBase {
public:
    using TBase::TBase;
    int Width = 0;
    QChar Letter = QLatin1Char('A');
    float Ratio = 0;
    double Amount = 0;
    Currency Total;
    TDateTime When;
    TFooOptions Options = 0;
    TFont Font;
    TComponent* Link = nullptr;
    Variant Value;
    TNotifyEvent OnClick;
    int Count() const { return 3; }
    // Republished with another setter: keeps the base's place.
    void SetCaptionUpper(const QString& s) { SetCaption(s.toUpper()); }
};

class TFooChild : public TFoo {  // not registered: lists as TFoo
public:
    using TFoo::TFoo;
};

class TMiddle : public TBase {
public:
    using TBase::TBase;
};
class TLeaf : public TMiddle {
public:
    using TMiddle::TMiddle;
};

class TColumn : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    int Width = 64;
};

class TGridLike : public TComponent {
public:
    explicit TGridLike(TComponent* owner) : TComponent(owner), FColumns(TCollection::Make<TColumn>(), this) {}
    TCollection* Columns() { return &FColumns; }
    TStrings* Lines() { return &FLines; }
    void SetLines(TStrings* s) { FLines.Assign(s); }

private:
    TCollection FColumns;
    TStringList FLines;
};

void RegisterTestClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        // The derived class first: the chain is resolved at look-up.
        using P = Prop<TFoo>;
        const TTypeInfo* options = RegisterEnumType<TFooOption>({QStringLiteral("foState"), QStringLiteral("foPosition"), QStringLiteral("foActive")});
        RegisterClassProps<TFoo, TBase>({
            P::Int(QStringLiteral("Width"), [](TFoo* f) { return f->Width; }, [](TFoo* f, int v) { f->Width = v; }),
            P::Char(QStringLiteral("Letter"), [](TFoo* f) { return f->Letter; }, [](TFoo* f, QChar c) { f->Letter = c; }),
            P::Float(QStringLiteral("Ratio"), [](TFoo* f) { return f->Ratio; }, [](TFoo* f, float v) { f->Ratio = v; }),
            P::Float(QStringLiteral("Amount"), [](TFoo* f) { return f->Amount; }, [](TFoo* f, double v) { f->Amount = v; }),
            P::Float(QStringLiteral("Total"), [](TFoo* f) { return f->Total; }, [](TFoo* f, Currency v) { f->Total = v; }),
            P::Float(QStringLiteral("When"), [](TFoo* f) { return f->When; }, [](TFoo* f, TDateTime v) { f->When = v; }),
            P::Set(QStringLiteral("Options"), [](TFoo* f) { return f->Options; }, [](TFoo* f, TFooOptions v) { f->Options = v; }, options),
            P::Class(QStringLiteral("Font"), [](TFoo* f) { return &f->Font; }, nullptr),
            P::Class(QStringLiteral("Link"), [](TFoo* f) { return f->Link; }, [](TFoo* f, TComponent* c) { f->Link = c; }),
            P::Var(QStringLiteral("Value"), [](TFoo* f) { return f->Value; }, [](TFoo* f, const Variant& v) { f->Value = v; }),
            P::Method(QStringLiteral("OnClick")),
            P::Int(QStringLiteral("Count"), &TFoo::Count, nullptr),
            P::Str(QStringLiteral("caption"), &TFoo::Caption, &TFoo::SetCaptionUpper),
        });
        using B = Prop<TBase>;
        RegisterClassProps<TBase, TComponent>({
            B::Str(QStringLiteral("Caption"), &TBase::Caption, &TBase::SetCaption),
            B::Enum(QStringLiteral("Align"), &TBase::Align, &TBase::SetAlign,
                    {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}),
            B::Bool(QStringLiteral("Visible"), &TBase::Visible, &TBase::SetVisible),
        });
        RegisterClassProps<TFont, TPersistent>({
            Prop<TFont>::Int(QStringLiteral("Size"), [](TFont* f) { return f->Size; }, [](TFont* f, int v) { f->Size = v; }),
        });
        RegisterClassProps<TLeaf, TMiddle>({});
        RegisterClassProps<TColumn, TCollectionItem>({
            Prop<TColumn>::Int(QStringLiteral("Width"), [](TColumn* c) { return c->Width; }, [](TColumn* c, int v) { c->Width = v; }),
        });
        RegisterClassProps<TGridLike, TComponent>({
            Prop<TGridLike>::Class(QStringLiteral("Columns"), &TGridLike::Columns, nullptr),
            Prop<TGridLike>::Class(QStringLiteral("Lines"), &TGridLike::Lines, &TGridLike::SetLines),
        });
    });
}

QStringList Names(const TPropList& list) {
    QStringList names;
    for (const TPropInfo* p : list) names << p->Name;
    return names;
}

class PublishedProps : public ::testing::Test {
protected:
    void SetUp() override { RegisterTestClasses(); }
    TComponent owner{nullptr};
};

}  // namespace

TEST_F(PublishedProps, ListedBaseFirstInDeclarationOrder) {
    TFoo* foo = new TFoo(&owner);
    EXPECT_EQ(Names(GetPropList(foo)),
              (QStringList{"Name", "Tag", "caption", "Align", "Visible", "Width", "Letter", "Ratio", "Amount", "Total", "When",
                           "Options", "Font", "Link", "Value", "OnClick", "Count"}));
    EXPECT_EQ(Names(GetPropList(foo, tkMethods)), QStringList{"OnClick"});
    EXPECT_EQ(GetPropList(foo, tkProperties).size(), 16u);
    EXPECT_EQ(Names(GetPropList(foo, TypeKinds({tkFloat}))), (QStringList{"Ratio", "Amount", "Total", "When"}));

    // A class that is not registered lists as its nearest registered base.
    TFooChild* child = new TFooChild(&owner);
    EXPECT_EQ(GetPropList(child), GetPropList(foo));
    TBase* base = new TBase(&owner);
    EXPECT_EQ(Names(GetPropList(base)), (QStringList{"Name", "Tag", "Caption", "Align", "Visible"}));
    EXPECT_EQ(Names(GetPropList(&owner)), (QStringList{"Name", "Tag"}));
    EXPECT_TRUE(GetPropList(&foo->Font).size() == 1);
    TObject plain;
    EXPECT_TRUE(GetPropList(&plain).empty());
    EXPECT_TRUE(GetPropList(nullptr).empty());
}

TEST_F(PublishedProps, KindsAndFloatTypes) {
    TFoo foo(nullptr);
    auto kind = [&](const char* n) { return GetPropInfo(&foo, QString::fromLatin1(n))->Kind(); };
    EXPECT_EQ(kind("Tag"), tkInteger);
    EXPECT_EQ(kind("Letter"), tkChar);
    EXPECT_EQ(kind("Align"), tkEnumeration);
    EXPECT_EQ(kind("Visible"), tkEnumeration);
    EXPECT_EQ(kind("Amount"), tkFloat);
    EXPECT_EQ(kind("Name"), tkString);
    EXPECT_EQ(kind("Options"), tkSet);
    EXPECT_EQ(kind("Font"), tkClass);
    EXPECT_EQ(kind("OnClick"), tkMethod);
    EXPECT_EQ(kind("Value"), tkVariant);
    auto ft = [&](const char* n) { return GetPropInfo(&foo, QString::fromLatin1(n))->PropType->FloatType; };
    EXPECT_EQ(ft("Ratio"), ftSingle);
    EXPECT_EQ(ft("Amount"), ftDouble);
    EXPECT_EQ(ft("Total"), ftCurr);
    EXPECT_EQ(ft("When"), ftDouble);
    EXPECT_EQ(GetPropInfo(&foo, QStringLiteral("When"))->PropType->Name, QStringLiteral("TDateTime"));
    EXPECT_EQ(GetPropInfo(&foo, QStringLiteral("Font"))->PropType->Name, QStringLiteral("TFont"));
    EXPECT_EQ(GetPropInfo(&foo, QStringLiteral("Link"))->PropType->Name, QStringLiteral("TComponent"));
    EXPECT_EQ(PropType(&foo, QStringLiteral("width")), tkInteger);
    EXPECT_THROW(PropType(&foo, QStringLiteral("Height")), EPropertyError);
}

TEST_F(PublishedProps, LookupIgnoresCase) {
    TFoo foo(nullptr);
    EXPECT_TRUE(IsPublishedProp(&foo, QStringLiteral("CAPTION")));
    EXPECT_TRUE(IsPublishedProp(&foo, QStringLiteral("options")));
    EXPECT_FALSE(IsPublishedProp(&foo, QStringLiteral("Height")));
    EXPECT_EQ(GetPropInfo(&foo, QStringLiteral("tag"))->Name, QStringLiteral("Tag"));
    EXPECT_EQ(GetPropInfo(&foo, QStringLiteral("Tag"), tkMethods), nullptr);
}

TEST_F(PublishedProps, SetAndGetEveryKind) {
    TFoo foo(nullptr);
    SetStrProp(&foo, QStringLiteral("Name"), QStringLiteral("Foo1"));
    EXPECT_EQ(foo.Name(), QStringLiteral("Foo1"));
    SetOrdProp(&foo, QStringLiteral("Tag"), -7);
    EXPECT_EQ(GetOrdProp(&foo, QStringLiteral("Tag")), -7);

    // The republished Caption goes through the derived setter.
    SetStrProp(&foo, QStringLiteral("Caption"), QStringLiteral("señor núñez"));
    EXPECT_EQ(GetStrProp(&foo, QStringLiteral("Caption")), QStringLiteral("SEÑOR NÚÑEZ"));

    SetOrdProp(&foo, QStringLiteral("Letter"), QChar(u'ñ').unicode());
    EXPECT_EQ(foo.Letter, QChar(u'ñ'));

    SetFloatProp(&foo, QStringLiteral("Ratio"), 0.25);
    EXPECT_EQ(foo.Ratio, 0.25f);
    SetFloatProp(&foo, QStringLiteral("Total"), 1234.56785);
    EXPECT_EQ(foo.Total, Currency::FromRaw(12345678));  // half to even at the fourth decimal
    EXPECT_DOUBLE_EQ(GetFloatProp(&foo, QStringLiteral("Total")), 1234.5678);
    SetFloatProp(&foo, QStringLiteral("When"), 38061.5);
    EXPECT_EQ(foo.When.Val, 38061.5);

    SetVariantProp(&foo, QStringLiteral("Value"), Variant(QStringLiteral("texto")));
    EXPECT_EQ(GetVariantProp(&foo, QStringLiteral("Value")).AsString(), QStringLiteral("texto"));

    TComponent other(nullptr);
    SetObjectProp(&foo, QStringLiteral("Link"), &other);
    EXPECT_EQ(foo.Link, &other);
    SetObjectProp(&foo, QStringLiteral("Link"), nullptr);
    EXPECT_EQ(foo.Link, nullptr);

    // Class properties are reachable and so are their own properties.
    TObject* font = GetObjectProp(&foo, QStringLiteral("Font"));
    ASSERT_EQ(font, &foo.Font);
    SetOrdProp(font, QStringLiteral("Size"), 12);
    EXPECT_EQ(foo.Font.Size, 12);
}

TEST_F(PublishedProps, EnumerationsByNameIgnoringCase) {
    TFoo foo(nullptr);
    const TPropInfo* align = GetPropInfo(&foo, QStringLiteral("Align"));
    EXPECT_EQ(GetEnumValue(align->PropType, QStringLiteral("ALCLIENT")), 5);
    EXPECT_EQ(GetEnumValue(align->PropType, QStringLiteral("alMiddle")), -1);
    EXPECT_EQ(GetEnumName(align->PropType, 2), QStringLiteral("alBottom"));
    EXPECT_EQ(GetEnumName(align->PropType, 6), QString());
    EXPECT_EQ(EnumTypeInfo<TAlign>(), align->PropType);

    SetEnumProp(&foo, QStringLiteral("align"), QStringLiteral("alleft"));
    EXPECT_EQ(foo.Align(), alLeft);
    EXPECT_EQ(GetEnumProp(&foo, align), QStringLiteral("alLeft"));
    EXPECT_THROW(SetEnumProp(&foo, align, QStringLiteral("alMiddle")), EPropertyError);
    EXPECT_THROW(SetOrdProp(&foo, align, 9), EPropertyError);
    EXPECT_EQ(foo.Align(), alLeft);  // unchanged by the failures

    // Booleans are the enumeration False, True.
    EXPECT_EQ(GetEnumProp(&foo, QStringLiteral("Visible")), QStringLiteral("True"));
    SetEnumProp(&foo, QStringLiteral("Visible"), QStringLiteral("false"));
    EXPECT_FALSE(foo.Visible());
    EXPECT_EQ(GetEnumValue(BooleanTypeInfo(), QStringLiteral("TRUE")), 1);
}

TEST_F(PublishedProps, SetsByElementNames) {
    TFoo foo(nullptr);
    const TPropInfo* p = GetPropInfo(&foo, QStringLiteral("Options"));
    EXPECT_EQ(GetSetProp(&foo, p, true), QStringLiteral("[]"));
    SetSetProp(&foo, p, QStringLiteral("[ FOACTIVE, foState ]"));
    EXPECT_EQ(foo.Options, (1u << foState) | (1u << foActive));
    EXPECT_EQ(GetSetProp(&foo, p), QStringLiteral("foState,foActive"));
    EXPECT_EQ(GetSetProp(&foo, p, true), QStringLiteral("[foState,foActive]"));
    EXPECT_EQ(p->PropType->CompType, EnumTypeInfo<TFooOption>());
    EXPECT_EQ(GetEnumName(p->PropType->CompType, 1), QStringLiteral("foPosition"));
    EXPECT_THROW(SetSetProp(&foo, p, QStringLiteral("[foState,foNada]")), EPropertyError);
    EXPECT_EQ(foo.Options, (1u << foState) | (1u << foActive));
    SetSetProp(&foo, p, QStringLiteral("[]"));
    EXPECT_EQ(foo.Options, 0u);
    EXPECT_EQ(StringToSet(p->PropType, QStringLiteral("foPosition")), 2);
    EXPECT_EQ(SetToString(p->PropType, 0x7 | (1 << 20), true), QStringLiteral("[foState,foPosition,foActive]"));
}

TEST_F(PublishedProps, WrongKindReadOnlyAndUnknownAreErrors) {
    TFoo foo(nullptr);
    EXPECT_THROW(GetOrdProp(&foo, QStringLiteral("Caption")), EPropertyError);
    EXPECT_THROW(GetStrProp(&foo, QStringLiteral("Tag")), EPropertyError);
    EXPECT_THROW(GetFloatProp(&foo, QStringLiteral("Width")), EPropertyError);
    EXPECT_THROW(GetObjectProp(&foo, QStringLiteral("Value")), EPropertyError);
    EXPECT_THROW(GetOrdProp(&foo, QStringLiteral("OnClick")), EPropertyError);
    EXPECT_THROW(SetOrdProp(&foo, QStringLiteral("Height"), 1), EPropertyError);
    EXPECT_EQ(GetOrdProp(&foo, QStringLiteral("Count")), 3);
    EXPECT_FALSE(GetPropInfo(&foo, QStringLiteral("Count"))->IsWritable());
    EXPECT_THROW(SetOrdProp(&foo, QStringLiteral("Count"), 4), EPropertyError);
    EXPECT_THROW(SetObjectProp(&foo, QStringLiteral("Font"), nullptr), EPropertyError);
    // An object of another class is refused and leaves the value.
    TFont font;
    EXPECT_THROW(SetObjectProp(&foo, QStringLiteral("Link"), &font), EPropertyError);
    EXPECT_EQ(foo.Link, nullptr);
    // The component's own rules still hold through the property.
    EXPECT_THROW(SetStrProp(&foo, QStringLiteral("Name"), QStringLiteral("no válido")), EComponentError);
}

TEST_F(PublishedProps, BaseMustBeRegistered) {
    // TLeaf names TMiddle, which publishes nothing of its own and is registered only below.
    TLeaf leaf(nullptr);
    EXPECT_THROW(GetPropList(&leaf), EPropertyError);
    RegisterClassProps<TMiddle, TBase>({});
    EXPECT_EQ(Names(GetPropList(&leaf)), (QStringList{"Name", "Tag", "Caption", "Align", "Visible"}));
}

TEST_F(PublishedProps, ListsAndCollectionsAreReachableThroughClassProperties) {
    TGridLike grid(nullptr);
    auto* columns = dynamic_cast<TCollection*>(GetObjectProp(&grid, QStringLiteral("Columns")));
    ASSERT_NE(columns, nullptr);
    columns->Add();
    columns->Add();
    // Each item publishes its own properties.
    SetOrdProp(columns->Items(1), QStringLiteral("Width"), 120);
    EXPECT_EQ(columns->ItemsAs<TColumn>(1)->Width, 120);
    EXPECT_EQ(Names(GetPropList(columns->Items(0))), QStringList{"Width"});

    TStringList lines;
    lines.Add(QStringLiteral("línea 1"));
    SetObjectProp(&grid, QStringLiteral("Lines"), &lines);
    auto* got = dynamic_cast<TStrings*>(GetObjectProp(&grid, QStringLiteral("Lines")));
    ASSERT_NE(got, nullptr);
    EXPECT_NE(got, &lines);  // the setter copies
    EXPECT_EQ(got->Strings(0), QStringLiteral("línea 1"));

    // Storage writes a null component reference, but not a missing list.
    TFoo foo(nullptr);
    EXPECT_TRUE(GetPropInfo(&foo, QStringLiteral("Link"))->PropType->IsComponent);
    EXPECT_FALSE(GetPropInfo(&foo, QStringLiteral("Font"))->PropType->IsComponent);
    EXPECT_FALSE(GetPropInfo(&grid, QStringLiteral("Lines"))->PropType->IsComponent);
}

TEST(ClassRegistry, CreatesComponentsByName) {
    RegisterClasses<TFoo, TBase>();
    RegisterClass<TFoo>();  // again: no effect
    EXPECT_EQ(GetClass(QStringLiteral("TNada")), nullptr);
    EXPECT_THROW(FindClass(QStringLiteral("TNada")), EClassNotFound);
    const TComponentClass* c = FindClass(QStringLiteral("tfoo"));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->ClassName(), QStringLiteral("TFoo"));
    TComponent owner(nullptr);
    TComponent* made = c->Create(&owner);
    EXPECT_NE(dynamic_cast<TFoo*>(made), nullptr);
    EXPECT_EQ(made->Owner(), &owner);
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(GetClass(QStringLiteral("TBase"))->Type(), std::type_index(typeid(TBase)));
}
