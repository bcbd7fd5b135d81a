#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(MemoryStream, ReadWriteSeekAndShortReads) {
    TMemoryStream s;
    s.WriteBuffer("abcdef", 6);
    EXPECT_EQ(s.Size(), 6);
    EXPECT_EQ(s.Position(), 6);
    EXPECT_EQ(s.Seek(-2, soFromEnd), 4);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 2);  // only what is left
    EXPECT_EQ(QByteArray(buf, 2), QByteArray("ef"));
    s.SetPosition(1);
    s.Seek(2, soFromCurrent);
    s.ReadBuffer(buf, 1);
    EXPECT_EQ(buf[0], 'd');

    try {
        s.ReadBuffer(buf, 5);
        FAIL() << "read past the end";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Stream read error"));
    }

    // Writing past the end fills the gap with zeros.
    s.Seek(8, soFromBeginning);
    s.WriteBuffer("Z", 1);
    EXPECT_EQ(s.Bytes(), QByteArray("abcdef\0\0Z", 9));
    s.SetSize(3);
    EXPECT_EQ(s.Position(), 3);
    EXPECT_EQ(s.Bytes(), QByteArray("abc"));
    s.Clear();
    EXPECT_EQ(s.Size(), 0);
}

TEST(MemoryStream, CopyFromAndFileRoundTrip) {
    QTemporaryDir dir;
    TMemoryStream source;
    QByteArray data;
    for (int i = 0; i < 100000; ++i) data.append(char(i % 251));
    source.WriteBuffer(data.constData(), data.size());

    TMemoryStream whole;
    EXPECT_EQ(whole.CopyFrom(&source, 0), data.size());  // 0: all of it, from the start
    EXPECT_EQ(whole.Bytes(), data);

    source.SetPosition(10);
    TMemoryStream part;
    part.CopyFrom(&source, 5);
    EXPECT_EQ(part.Bytes(), data.mid(10, 5));
    source.SetPosition(data.size() - 2);
    EXPECT_THROW(part.CopyFrom(&source, 5), EReadError);

    const QString path = dir.filePath(QStringLiteral("datos.bin"));
    whole.SaveToFile(path);
    TMemoryStream loaded;
    loaded.LoadFromFile(path);
    EXPECT_EQ(loaded.Bytes(), data);
    EXPECT_EQ(loaded.Position(), 0);

    TStringStream text(QString::fromUtf8("añadir €"));
    EXPECT_EQ(text.Size(), 11);
    EXPECT_EQ(text.ReadString(3), QString::fromUtf8("añ"));
    text.Seek(0, soFromEnd);
    text.WriteString(QString::fromUtf8(" más"));
    EXPECT_EQ(text.DataString(), QString::fromUtf8("añadir € más"));
}

TEST(FileStream, ModesAndOpenErrors) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromUtf8("año.dat"));
    {
        TFileStream out(path, fmCreate);
        out.WriteBuffer("0123456789", 10);
        EXPECT_EQ(out.Size(), 10);
    }
    {
        TFileStream rw(path, fmOpenReadWrite | fmShareDenyNone);
        rw.Seek(2, soFromBeginning);
        rw.WriteBuffer("ab", 2);  // no truncation on open
        rw.SetSize(6);
        EXPECT_EQ(rw.Size(), 6);
    }
    {
        TFileStream in(path, fmOpenRead | fmShareDenyWrite);
        char buf[10];
        EXPECT_EQ(in.Read(buf, 10), 6);
        EXPECT_EQ(QByteArray(buf, 6), QByteArray("01ab45"));
        // Writing to a file opened for reading fails.
        EXPECT_THROW(in.WriteBuffer("x", 1), EWriteError);
        in.SetPosition(0);
        EXPECT_THROW(in.ReadBuffer(buf, 7), EReadError);
    }

    const QString missing = dir.filePath(QStringLiteral("falta.dat"));
    try {
        TFileStream in(missing, fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
    }
    const QString badDir = dir.filePath(QStringLiteral("no/existe.dat"));
    try {
        TFileStream out(badDir, fmCreate);
        FAIL() << "created a file in a missing folder";
    } catch (const EFCreateError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(badDir))) << e.what();
    }
    EXPECT_THROW(TFileStream(dir.path(), fmOpenRead), EFOpenError);
}
