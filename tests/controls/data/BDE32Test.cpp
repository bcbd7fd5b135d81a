// Engine settings read from and rewritten in place in the engine's configuration file.
#include "controls/data/BDE32.h"
#include "platform/rtl/Exceptions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Entry(const char* name, const char* value) {
    QByteArray e(name);
    e += '\0';
    e += "\x01\x02";
    e += value;
    e += '\0';
    return e;
}

// A first line with the longer name first, then binary bytes and a second line that must survive.
QByteArray SampleConfig() {
    QByteArray line = QByteArray("\x7f\x03", 2) + Entry("SHAREDMEMSIZE", "4096") + Entry("MEMSIZE", "32") +
                      Entry("LOCAL SHARE", "FALSE") + Entry("NET DIR", "C:\\RED\\") + Entry("MAXBUFSIZE", "2048") +
                      Entry("MAXFILEHANDLES", "48");
    return line + QByteArray("\nSEGUNDA LINEA MEMSIZE\0\x01\x02 99\0", 29);
}

class BDE32Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        file = dir.filePath(QStringLiteral("ZbEngine.cfg"));
    }
    void Write(const QByteArray& data) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    }
    QByteArray Read() {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    std::unique_ptr<TBDE32> Component() {
        auto c = std::make_unique<TBDE32>(nullptr);
        c->SetConfigFile(file);
        c->ReadSettings();
        return c;
    }
    QTemporaryDir dir;
    QString file;
};

}  // namespace

TEST_F(BDE32Test, ReadsEverySettingAndNeverTakesAShorterNameInsideALongerOne) {
    Write(SampleConfig());
    auto c = Component();
    EXPECT_EQ(c->SharedMemSize(), 4096);
    EXPECT_EQ(c->MemSize(), 32);
    EXPECT_FALSE(c->LocalShare());
    EXPECT_EQ(c->PdxNetDir(), QStringLiteral("C:\\RED\\"));
    EXPECT_EQ(c->MaxBufSize(), 2048);
    EXPECT_EQ(c->MaxFileHandles(), 48);
}

TEST_F(BDE32Test, MissingSettingsAndMissingFileGiveTheDefaults) {
    Write(Entry("SHAREDMEMSIZE", "1024") + "\n" + Entry("MEMSIZE", "64"));  // MEMSIZE only on line two
    auto c = Component();
    EXPECT_EQ(c->MemSize(), 16);
    EXPECT_EQ(c->SharedMemSize(), 1024);
    EXPECT_FALSE(c->LocalShare());
    EXPECT_EQ(c->PdxNetDir(), QStringLiteral("F:\\"));
    EXPECT_EQ(c->MaxBufSize(), 2048);
    EXPECT_EQ(c->MaxFileHandles(), 48);

    QFile::remove(file);
    auto d = Component();
    EXPECT_EQ(d->MemSize(), 16);
    d->SetLocalShare(true);
    d->WriteSettings();  // no file: nothing is written, nothing is created
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(BDE32Test, WritingBackUnchangedLeavesTheFileByteForByte) {
    const QByteArray original = SampleConfig();
    Write(original);
    auto c = Component();
    c->WriteSettings();
    EXPECT_EQ(Read(), original);
    EXPECT_FALSE(QFile::exists(file + QStringLiteral("2")));
}

TEST_F(BDE32Test, ANewValueReplacesOnlyTheOldValueBytes) {
    const QByteArray original = SampleConfig();
    Write(original);
    auto c = Component();
    c->SetLocalShare(true);        // FALSE -> TRUE: one byte shorter
    c->SetMemSize(128);            // 32 -> 128: one byte longer
    c->SetPdxNetDir(QStringLiteral("/srv/datos/NetDir/"));
    c->WriteSettings();
    const QByteArray now = Read();
    QByteArray expected = original;
    expected.replace(Entry("LOCAL SHARE", "FALSE"), Entry("LOCAL SHARE", "TRUE"));
    expected.replace(QByteArray("MEMSIZE") + '\0' + "\x01\x02" + "32", QByteArray("MEMSIZE") + '\0' + "\x01\x02" + "128");
    expected.replace(Entry("NET DIR", "C:\\RED\\"), Entry("NET DIR", "/srv/datos/NetDir/"));
    EXPECT_EQ(now, expected);
    EXPECT_EQ(now.size(), original.size() - 1 + 1 + (18 - 7));
    // The longer name and the second line are untouched.
    EXPECT_TRUE(now.contains(Entry("SHAREDMEMSIZE", "4096")));
    EXPECT_TRUE(now.endsWith(QByteArray("SEGUNDA LINEA MEMSIZE\0\x01\x02 99\0", 28)));

    auto again = Component();
    EXPECT_TRUE(again->LocalShare());
    EXPECT_EQ(again->MemSize(), 128);
    EXPECT_EQ(again->SharedMemSize(), 4096);
}

TEST_F(BDE32Test, SpanishLettersInAFolderSurviveTheRoundTrip) {
    Write(Entry("NET DIR", "x"));
    auto c = Component();
    c->SetPdxNetDir(QStringLiteral("/datos/Año Peñíscola/"));
    c->WriteSettings();
    EXPECT_EQ(Component()->PdxNetDir(), QStringLiteral("/datos/Año Peñíscola/"));
}

TEST_F(BDE32Test, ANonNumericValueRaisesAConversionError) {
    Write(Entry("MAXBUFSIZE", "mucho"));
    TBDE32 c(nullptr);
    c.SetConfigFile(file);
    EXPECT_THROW(c.ReadSettings(), EConvertError);
}

TEST_F(BDE32Test, AValueWithoutItsTerminatingZeroIsRefusedAndTheFileKept) {
    QByteArray damaged = QByteArray("MEMSIZE") + '\0' + "\x01\x02" + "32";
    Write(damaged);
    auto c = Component();
    EXPECT_EQ(c->MemSize(), 32);
    c->SetMemSize(64);
    EXPECT_THROW(c->WriteSettings(), EInOutError);
    EXPECT_EQ(Read(), damaged);
}

// A damaged entry found after good ones: nothing of the new values is written.
TEST_F(BDE32Test, ADamagedLaterValueLeavesEveryValueOfTheFileAsItWas) {
    const QByteArray damaged = Entry("LOCAL SHARE", "FALSE") + QByteArray("MEMSIZE") + '\0' + "\x01\x02" + "32";
    Write(damaged);
    auto c = Component();
    c->SetLocalShare(true);
    c->SetMemSize(64);
    EXPECT_THROW(c->WriteSettings(), EInOutError);
    EXPECT_EQ(Read(), damaged);
}

TEST_F(BDE32Test, ATemporaryFileThatCannotBeCreatedRaisesAndKeepsTheFile) {
    Write(SampleConfig());
    auto c = Component();
    c->SetMemSize(64);
    ASSERT_TRUE(QDir().mkdir(file + QStringLiteral("2")));  // a folder where the temporary file must go
    EXPECT_THROW(c->WriteSettings(), EStreamError);
    EXPECT_EQ(Read(), SampleConfig());
}
