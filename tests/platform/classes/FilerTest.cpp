#include "platform/classes/Filer.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// A control keeping an image and an item list in its form description.
class TItemBox : public TObject {
public:
    QByteArray Image;
    QStringList Items;
    int Columns = 1;

    void DefineProperties(TFiler* filer) {
        filer->DefineBinaryProperty(QStringLiteral("Image"), {this, &TItemBox::ReadImage}, {this, &TItemBox::WriteImage},
                                    !Image.isEmpty());
        filer->DefineProperty(QStringLiteral("Items"), {this, &TItemBox::ReadItems}, {this, &TItemBox::WriteItems},
                              !Items.isEmpty());
        filer->DefineProperty(QStringLiteral("Columns"), {this, &TItemBox::ReadColumns}, {this, &TItemBox::WriteColumns},
                              Columns != 1);
    }
    void ReadImage(TStream* s) {
        Image.resize(s->Size());
        s->ReadBuffer(Image.data(), s->Size());
    }
    void WriteImage(TStream* s) { s->WriteBuffer(Image.constData(), Image.size()); }
    void ReadItems(TReader* r) {
        Items.clear();
        r->ReadListBegin();
        while (!r->EndOfList()) Items << r->ReadString();
        r->ReadListEnd();
    }
    void WriteItems(TWriter* w) {
        w->WriteListBegin();
        for (const QString& s : Items) w->WriteString(s);
        w->WriteListEnd();
    }
    void ReadColumns(TReader* r) { Columns = r->ReadInteger(); }
    void WriteColumns(TWriter* w) { w->WriteInteger(Columns); }
};

QByteArray Save(TItemBox& box) {
    TMemoryStream s;
    TWriter(&s).WriteProperties([&](TFiler* f) { box.DefineProperties(f); });
    return s.Bytes();
}

void Load(TItemBox& box, const QByteArray& bytes) {
    TMemoryStream s;
    s.WriteBuffer(bytes.constData(), bytes.size());
    s.SetPosition(0);
    TReader(&s).ReadProperties([&](TFiler* f) { box.DefineProperties(f); });
}

TMemoryStream* Stream(const QByteArray& bytes) {
    auto* s = new TMemoryStream;
    s->WriteBuffer(bytes.constData(), bytes.size());
    s->SetPosition(0);
    return s;
}

QString ReadError(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const EReadError& e) {
        return e.Message();
    }
    return QStringLiteral("no error");
}

}  // namespace

TEST(Filer, ValuesRoundTrip) {
    TMemoryStream s;
    TWriter w(&s);
    const int ints[] = {0, -1, 127, -128, 128, -129, 32767, -32768, 32768, std::numeric_limits<int>::min(),
                        std::numeric_limits<int>::max()};
    for (int v : ints) w.WriteInteger(v);
    w.WriteInt64(Q_INT64_C(-9000000000000000000));
    w.WriteInt64(5);
    w.WriteBoolean(true);
    w.WriteBoolean(false);
    w.WriteFloat(0.1);
    w.WriteFloat(-1.5e300);
    w.WriteString(QStringLiteral("Demanda de D. José Núñez, «urgente»"));
    w.WriteString(QString());
    w.WriteListBegin();
    w.WriteListBegin();
    w.WriteInteger(1);
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteInteger(300);

    s.SetPosition(0);
    TReader r(&s);
    for (int v : ints) EXPECT_EQ(r.ReadInteger(), v);
    EXPECT_EQ(r.ReadInt64(), Q_INT64_C(-9000000000000000000));
    EXPECT_EQ(r.ReadInt64(), 5);
    EXPECT_TRUE(r.ReadBoolean());
    EXPECT_FALSE(r.ReadBoolean());
    EXPECT_EQ(r.ReadFloat(), 0.1);
    EXPECT_EQ(r.ReadFloat(), -1.5e300);
    EXPECT_EQ(r.ReadString(), QStringLiteral("Demanda de D. José Núñez, «urgente»"));
    EXPECT_EQ(r.ReadString(), QString());
    r.ReadListBegin();
    EXPECT_FALSE(r.EndOfList());
    r.ReadListBegin();
    EXPECT_EQ(r.ReadInteger(), 1);
    EXPECT_TRUE(r.EndOfList());
    r.ReadListEnd();
    r.ReadListEnd();
    EXPECT_EQ(r.ReadFloat(), 300.0);  // a float may be read from an integer
    EXPECT_EQ(s.Position(), s.Size());
}

TEST(Filer, SmallIntegersTakeFewBytes) {
    TMemoryStream s;
    TWriter w(&s);
    w.WriteInteger(5);
    EXPECT_EQ(s.Size(), 2);
    w.WriteInteger(1000);
    EXPECT_EQ(s.Size(), 5);
    w.WriteInt64(Q_INT64_C(1) << 40);
    EXPECT_EQ(s.Size(), 14);
    s.SetPosition(5);
    TReader r(&s);
    EXPECT_EQ(ReadError([&] { r.ReadInteger(); }), QStringLiteral("Invalid property value"));  // does not fit
}

TEST(Filer, DefinedPropertiesRoundTrip) {
    TItemBox box;
    box.Image = QByteArray("GIF89a\0\x01\x02", 9);
    box.Items = {QStringLiteral("Año 2024"), QString(), QStringLiteral("señor  con blancos ")};
    box.Columns = 3;
    TItemBox copy;
    Load(copy, Save(box));
    EXPECT_EQ(copy.Image, box.Image);
    EXPECT_EQ(copy.Items, box.Items);
    EXPECT_EQ(copy.Columns, 3);

    // Properties without data are not written, and loading leaves those values alone.
    TItemBox empty;
    EXPECT_EQ(Save(empty).size(), 1);  // the end marker only
    TItemBox keep;
    keep.Items = {QStringLiteral("queda")};
    Load(keep, Save(empty));
    EXPECT_EQ(keep.Items, QStringList{QStringLiteral("queda")});
}

TEST(Filer, UnknownPropertiesAreSkippedAndNamesIgnoreCase) {
    TMemoryStream s;
    TWriter w(&s);
    w.WriteProperties([&](TFiler* f) {
        f->DefineProperty(QStringLiteral("Antiguo"), nullptr, TWriterProc([](TWriter* w) {
                              w->WriteListBegin();
                              w->WriteString(QStringLiteral("x"));
                              w->WriteListBegin();
                              w->WriteFloat(1.0);
                              w->WriteListEnd();
                              w->WriteListEnd();
                          }),
                          true);
        f->DefineBinaryProperty(QStringLiteral("Blob"), nullptr, TStreamProc([](TStream* s) { s->WriteBuffer("abc", 3); }), true);
        f->DefineProperty(QStringLiteral("COLUMNS"), nullptr, TWriterProc([](TWriter* w) { w->WriteInteger(7); }), true);
    });
    TItemBox box;
    Load(box, s.Bytes());
    EXPECT_EQ(box.Columns, 7);
    EXPECT_TRUE(box.Items.isEmpty());
}

TEST(Filer, AReaderMayNotOverrunItsValueAndWhatItLeavesIsSkipped) {
    TMemoryStream s;
    TWriter w(&s);
    w.WriteProperties([&](TFiler* f) {
        f->DefineProperty(QStringLiteral("A"), nullptr, TWriterProc([](TWriter* w) {
                              w->WriteListBegin();
                              w->WriteInteger(1);
                              w->WriteInteger(2);
                              w->WriteListEnd();
                          }),
                          true);
        f->DefineProperty(QStringLiteral("B"), nullptr, TWriterProc([](TWriter* w) { w->WriteInteger(9); }), true);
    });
    const QByteArray bytes = s.Bytes();

    int first = 0, b = 0;
    std::unique_ptr<TMemoryStream> in(Stream(bytes));
    TReader(in.get()).ReadProperties([&](TFiler* f) {
        f->DefineProperty(QStringLiteral("A"), TReaderProc([&](TReader* r) {
                              r->ReadListBegin();
                              first = r->ReadInteger();  // stops early: the rest of the list is skipped
                          }),
                          nullptr, false);
        f->DefineProperty(QStringLiteral("B"), TReaderProc([&](TReader* r) { b = r->ReadInteger(); }), nullptr, false);
    });
    EXPECT_EQ(first, 1);
    EXPECT_EQ(b, 9);

    in.reset(Stream(bytes));
    TReader greedy(in.get());
    EXPECT_EQ(ReadError([&] {
                  greedy.ReadProperties([&](TFiler* f) {
                      f->DefineProperty(QStringLiteral("A"), TReaderProc([&](TReader* r) {
                                            r->SkipValue();
                                            r->ReadString();  // B's name: not its own
                                        }),
                                        nullptr, false);
                  });
              }),
              QStringLiteral("Invalid property value"));
}

TEST(Filer, APropertyThatWritesNoValueIsRefused) {
    TMemoryStream s;
    TWriter w(&s);
    EXPECT_THROW(w.WriteProperties([&](TFiler* f) {
        f->DefineProperty(QStringLiteral("Nada"), nullptr, TWriterProc([](TWriter*) {}), true);
    }),
                 EWriteError);
}

TEST(FilerDamage, EveryTruncationIsAReadError) {
    TItemBox box;
    box.Image = QByteArray(40, 'x');
    box.Items = {QStringLiteral("uno"), QStringLiteral("dos ñ")};
    box.Columns = 70000;
    const QByteArray bytes = Save(box);
    for (int n = 0; n < bytes.size(); ++n) {
        TItemBox target;
        EXPECT_EQ(ReadError([&] { Load(target, bytes.left(n)); }), QStringLiteral("Stream read error")) << n;
    }
}

TEST(FilerDamage, EveryCorruptedByteGivesDataOrAReadError) {
    TItemBox box;
    box.Image = QByteArray(20, '\x7f');
    box.Items = {QStringLiteral("uno"), QStringLiteral("dos")};
    box.Columns = 5;
    const QByteArray bytes = Save(box);
    const char patterns[] = {'\x00', '\x01', '\x05', '\x0a', '\x14', '\x7f', '\xff'};
    for (int i = 0; i < bytes.size(); ++i) {
        for (char p : patterns) {
            QByteArray bad = bytes;
            bad[i] = p;
            TItemBox target;
            try {
                Load(target, bad);
            } catch (const EReadError&) {
            }
            // Any other exception fails the test; so does a crash.
        }
    }
}

TEST(FilerDamage, LengthsAreCheckedAgainstTheDataLeft) {
    // A string claiming 2 GB in a 9-byte buffer: no allocation, a read error.
    QByteArray huge("\x14\xff\xff\xff\x7f" "abcd", 9);
    std::unique_ptr<TMemoryStream> s(Stream(huge));
    TReader r(s.get());
    EXPECT_EQ(ReadError([&] { r.ReadString(); }), QStringLiteral("Stream read error"));

    QByteArray negative("\x14\xff\xff\xff\xff", 5);
    s.reset(Stream(negative));
    TReader r2(s.get());
    EXPECT_EQ(ReadError([&] { r2.ReadString(); }), QStringLiteral("Invalid property value"));

    QByteArray wrongType("\x09", 1);
    s.reset(Stream(wrongType));
    TReader r3(s.get());
    EXPECT_EQ(ReadError([&] { r3.ReadString(); }), QStringLiteral("Invalid property value"));

    s.reset(Stream(QByteArray()));
    TReader r4(s.get());
    EXPECT_EQ(ReadError([&] { r4.EndOfList(); }), QStringLiteral("Stream read error"));
    EXPECT_EQ(ReadError([&] { r4.ReadBoolean(); }), QStringLiteral("Stream read error"));

    // An unknown type byte.
    s.reset(Stream(QByteArray("\x63", 1)));
    TReader r5(s.get());
    EXPECT_EQ(ReadError([&] { r5.SkipValue(); }), QStringLiteral("Invalid property value"));
}

TEST(FilerDamage, DeeplyNestedListsDoNotExhaustTheStack) {
    QByteArray nested(2000000, '\x01');  // two million list openings, never closed
    std::unique_ptr<TMemoryStream> s(Stream(nested));
    TReader r(s.get());
    EXPECT_EQ(ReadError([&] { r.SkipValue(); }), QStringLiteral("Stream read error"));
}
