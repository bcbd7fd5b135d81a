#include "platform/classes/Filer.h"

#include <QtEndian>
#include <cstring>
#include <limits>

namespace {
const QString StreamReadError = QStringLiteral("Stream read error");
const QString InvalidPropertyValue = QStringLiteral("Invalid property value");
}  // namespace

// ---- TWriter ----

void TWriter::WriteBytes(const void* data, qint64 count) { FStream->WriteBuffer(data, count); }

void TWriter::WriteValue(TValueType type) {
    const quint8 b = type;
    WriteBytes(&b, 1);
}

void TWriter::WriteInteger(int value) {
    if (value >= -128 && value <= 127) {
        WriteValue(vaInt8);
        const qint8 v = qint8(value);
        WriteBytes(&v, 1);
    } else if (value >= -32768 && value <= 32767) {
        WriteValue(vaInt16);
        const qint16 v = qToLittleEndian(qint16(value));
        WriteBytes(&v, 2);
    } else {
        WriteValue(vaInt32);
        const qint32 v = qToLittleEndian(qint32(value));
        WriteBytes(&v, 4);
    }
}

void TWriter::WriteInt64(qint64 value) {
    if (value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max()) {
        WriteInteger(int(value));
        return;
    }
    WriteValue(vaInt64);
    const qint64 v = qToLittleEndian(value);
    WriteBytes(&v, 8);
}

void TWriter::WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }

void TWriter::WriteFloat(double value) {
    WriteValue(vaDouble);
    quint64 bits;
    std::memcpy(&bits, &value, 8);
    bits = qToLittleEndian(bits);
    WriteBytes(&bits, 8);
}

void TWriter::WriteString(const QString& value) {
    const QByteArray utf8 = value.toUtf8();
    WriteValue(vaUTF8String);
    const qint32 len = qToLittleEndian(qint32(utf8.size()));
    WriteBytes(&len, 4);
    WriteBytes(utf8.constData(), utf8.size());
}

void TWriter::WriteListBegin() { WriteValue(vaList); }
void TWriter::WriteListEnd() { WriteValue(vaNull); }

void TWriter::WriteProperties(const std::function<void(TFiler*)>& defineProperties) {
    if (defineProperties) defineProperties(this);
    WriteListEnd();
}

void TWriter::DefineProperty(const QString& name, const TReaderProc&, const TWriterProc& writeData, bool hasData) {
    if (!hasData || !writeData) return;
    WriteString(name);
    const qint64 start = FStream->Position();
    writeData(this);
    // A property without its value would shift every later one when read back.
    if (FStream->Position() == start)
        throw EWriteError(QStringLiteral("Property %1 wrote no value").arg(name));
}

void TWriter::DefineBinaryProperty(const QString& name, const TStreamProc&, const TStreamProc& writeData, bool hasData) {
    if (!hasData || !writeData) return;
    TMemoryStream data;
    writeData(&data);
    if (data.Size() > std::numeric_limits<qint32>::max())
        throw EWriteError(QStringLiteral("Property %1 is too large").arg(name));
    WriteString(name);
    WriteValue(vaBinary);
    const qint32 len = qToLittleEndian(qint32(data.Size()));
    WriteBytes(&len, 4);
    WriteBytes(data.Memory(), data.Size());
}

// ---- TReader ----

void TReader::InvalidValue() { throw EReadError(InvalidPropertyValue); }

qint64 TReader::Remaining() {
    const qint64 left = FStream->Size() - FStream->Position();
    return left < 0 ? 0 : left;
}

void TReader::ReadBytes(void* data, qint64 count) {
    if (count > Remaining()) throw EReadError(StreamReadError);
    FStream->ReadBuffer(data, count);
}

void TReader::Skip(qint64 count) {
    if (count > Remaining()) throw EReadError(StreamReadError);
    FStream->Seek(count, soFromCurrent);
}

TValueType TReader::ReadValue() {
    quint8 b;
    ReadBytes(&b, 1);
    return TValueType(b);
}

TValueType TReader::NextValue() {
    const TValueType t = ReadValue();
    FStream->Seek(-1, soFromCurrent);
    return t;
}

qint64 TReader::ReadLength() {
    qint32 len;
    ReadBytes(&len, 4);
    len = qFromLittleEndian(len);
    if (len < 0) InvalidValue();
    if (len > Remaining()) throw EReadError(StreamReadError);
    return len;
}

qint64 TReader::ReadInt64() {
    switch (ReadValue()) {
    case vaInt8: {
        qint8 v;
        ReadBytes(&v, 1);
        return v;
    }
    case vaInt16: {
        qint16 v;
        ReadBytes(&v, 2);
        return qFromLittleEndian(v);
    }
    case vaInt32: {
        qint32 v;
        ReadBytes(&v, 4);
        return qFromLittleEndian(v);
    }
    case vaInt64: {
        qint64 v;
        ReadBytes(&v, 8);
        return qFromLittleEndian(v);
    }
    default: InvalidValue();
    }
}

int TReader::ReadInteger() {
    const qint64 v = ReadInt64();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) InvalidValue();
    return int(v);
}

bool TReader::ReadBoolean() {
    switch (ReadValue()) {
    case vaTrue: return true;
    case vaFalse: return false;
    default: InvalidValue();
    }
}

double TReader::ReadFloat() {
    if (NextValue() != vaDouble) return double(ReadInt64());
    ReadValue();
    quint64 bits;
    ReadBytes(&bits, 8);
    bits = qFromLittleEndian(bits);
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

QString TReader::ReadString() {
    if (ReadValue() != vaUTF8String) InvalidValue();
    const qint64 len = ReadLength();
    QByteArray utf8(len, Qt::Uninitialized);
    ReadBytes(utf8.data(), len);
    return QString::fromUtf8(utf8);
}

void TReader::ReadListBegin() {
    if (ReadValue() != vaList) InvalidValue();
}

void TReader::ReadListEnd() {
    if (ReadValue() != vaNull) InvalidValue();
}

bool TReader::EndOfList() { return NextValue() == vaNull; }

void TReader::SkipValue() {
    // Iterative, so deeply nested damaged lists cannot exhaust the stack.
    qint64 depth = 0;
    do {
        switch (ReadValue()) {
        case vaNull:
            if (depth == 0) InvalidValue();  // an end marker where a value should be
            --depth;
            break;
        case vaList: ++depth; break;
        case vaInt8: Skip(1); break;
        case vaInt16: Skip(2); break;
        case vaInt32: Skip(4); break;
        case vaInt64:
        case vaDouble: Skip(8); break;
        case vaFalse:
        case vaTrue: break;
        case vaUTF8String:
        case vaBinary: Skip(ReadLength()); break;
        default: InvalidValue();
        }
    } while (depth > 0);
}

void TReader::ReadProperties(const std::function<void(TFiler*)>& defineProperties) {
    while (!EndOfList()) {
        FPropName = ReadString();
        FPropRead = false;
        if (defineProperties) defineProperties(this);
        if (!FPropRead) SkipValue();
    }
    ReadListEnd();
    FPropName.clear();
}

void TReader::DefineProperty(const QString& name, const TReaderProc& readData, const TWriterProc&, bool) {
    if (FPropRead || !readData || name.compare(FPropName, Qt::CaseInsensitive) != 0) return;
    FPropRead = true;
    // Measure the value first: the callback may not read past it, and what it leaves is skipped.
    const qint64 start = FStream->Position();
    SkipValue();
    const qint64 end = FStream->Position();
    FStream->Seek(start, soFromBeginning);
    readData(this);
    if (FStream->Position() > end) InvalidValue();
    FStream->Seek(end, soFromBeginning);
}

void TReader::DefineBinaryProperty(const QString& name, const TStreamProc& readData, const TStreamProc&, bool) {
    if (FPropRead || !readData || name.compare(FPropName, Qt::CaseInsensitive) != 0) return;
    FPropRead = true;
    if (ReadValue() != vaBinary) InvalidValue();
    const qint64 len = ReadLength();
    TMemoryStream data;
    data.SetSize(len);
    ReadBytes(data.Memory(), len);
    data.SetPosition(0);
    readData(&data);
}
