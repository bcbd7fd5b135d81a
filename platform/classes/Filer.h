#pragma once
// A small filer for the custom data that controls keep with their form description: typed values,
// lists, and named properties that a control defines with DefineProperty/DefineBinaryProperty.
//
// Every value starts with one TValueType byte; numbers are little-endian; texts are UTF-8 with a
// 32-bit length. A block of properties is: (name, value)... then vaNull.
//
//   void TMyList::DefineProperties(TFiler* filer) {
//       filer->DefineBinaryProperty("Image", {this, &TMyList::ReadImage}, {this, &TMyList::WriteImage}, HasImage());
//       filer->DefineProperty("Items", {this, &TMyList::ReadItems}, {this, &TMyList::WriteItems}, Count() > 0);
//   }
//   TWriter(&stream).WriteProperties([&](TFiler* f) { list->DefineProperties(f); });
//   TReader(&stream).ReadProperties([&](TFiler* f) { list->DefineProperties(f); });
//
// Damaged data raises EReadError: "Stream read error" when it ends too soon, "Invalid property
// value" when a value is not what it should be. Lengths are checked against the data left, so a
// damaged length never makes the reader allocate or read beyond it.
#include "platform/classes/Streams.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Exceptions.h"

#include <QString>
#include <functional>

enum TValueType : quint8 {
    vaNull = 0,   // end of a list or of a block of properties
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaDouble = 5, // 8-byte IEEE
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaInt64 = 19,
    vaUTF8String = 20,
};

class TReader;
class TWriter;
using TReaderProc = TEvent<TReader*>;
using TWriterProc = TEvent<TWriter*>;
using TStreamProc = TEvent<TStream*>;

class TFiler : public TObject {
public:
    explicit TFiler(TStream* stream) : FStream(stream) {}
    TStream* Stream() const { return FStream; }

    // A property whose value the callbacks read and write with the filer's own routines; it must
    // be exactly one value (a list counts as one). Written only when hasData.
    virtual void DefineProperty(const QString& name, const TReaderProc& readData, const TWriterProc& writeData,
                                bool hasData) = 0;
    // A property kept as a block of bytes: the write callback fills a stream, the read callback
    // gets a stream that holds exactly those bytes.
    virtual void DefineBinaryProperty(const QString& name, const TStreamProc& readData, const TStreamProc& writeData,
                                      bool hasData) = 0;

protected:
    TStream* FStream;
};

class TWriter : public TFiler {
public:
    using TFiler::TFiler;

    void WriteInteger(int value);
    void WriteInt64(qint64 value);
    void WriteBoolean(bool value);
    void WriteFloat(double value);
    void WriteString(const QString& value);
    void WriteListBegin();
    void WriteListEnd();

    // Writes the properties `defineProperties` defines, then the end of the block.
    void WriteProperties(const std::function<void(TFiler*)>& defineProperties);

    void DefineProperty(const QString& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;
    void DefineBinaryProperty(const QString& name, const TStreamProc& readData, const TStreamProc& writeData,
                              bool hasData) override;

private:
    void WriteValue(TValueType type);
    void WriteBytes(const void* data, qint64 count);
};

class TReader : public TFiler {
public:
    using TFiler::TFiler;

    int ReadInteger();      // any integer value that fits
    qint64 ReadInt64();
    bool ReadBoolean();
    double ReadFloat();     // also takes an integer value
    QString ReadString();
    void ReadListBegin();
    void ReadListEnd();
    // True when the next value is the end of a list; the data ending first is an error.
    bool EndOfList();
    TValueType NextValue();
    // Passes over one value, lists included.
    void SkipValue();

    // Reads a block of properties: each is handed to the callback its definition names (names
    // ignore case); the value of a property nobody defines is skipped.
    void ReadProperties(const std::function<void(TFiler*)>& defineProperties);

    void DefineProperty(const QString& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;
    void DefineBinaryProperty(const QString& name, const TStreamProc& readData, const TStreamProc& writeData,
                              bool hasData) override;

private:
    TValueType ReadValue();
    void ReadBytes(void* data, qint64 count);
    void Skip(qint64 count);
    qint64 ReadLength();  // a 32-bit length that the data left can hold
    qint64 Remaining();
    [[noreturn]] static void InvalidValue();

    QString FPropName;
    bool FPropRead = false;
};
