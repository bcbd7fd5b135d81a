#pragma once
// Byte streams: the abstract TStream, a stream over memory and a stream over a file.
#include "platform/rtl/Object.h"

#include <QByteArray>
#include <QString>

enum TSeekOrigin : int { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };
constexpr TSeekOrigin soBeginning = soFromBeginning;
constexpr TSeekOrigin soCurrent = soFromCurrent;
constexpr TSeekOrigin soEnd = soFromEnd;

// TFileStream modes: one access mode, or-ed with a share flag (accepted, not enforced).
enum : unsigned {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareCompat = 0x0000,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFFFF,  // create or truncate, then read and write
};

class TStream : public TObject {
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    // Read and Write move what they can and return the count moved.
    virtual qint64 Read(void* buffer, qint64 count) = 0;
    virtual qint64 Write(const void* buffer, qint64 count) = 0;
    // Returns the new position.
    virtual qint64 Seek(qint64 offset, TSeekOrigin origin) = 0;

    qint64 Position() { return Seek(0, soFromCurrent); }
    void SetPosition(qint64 pos) { Seek(pos, soFromBeginning); }
    virtual qint64 Size();
    virtual void SetSize(qint64 newSize);

    // Exactly count bytes or EReadError "Stream read error" / EWriteError "Stream write error".
    void ReadBuffer(void* buffer, qint64 count);
    void WriteBuffer(const void* buffer, qint64 count);
    // Copies count bytes from the source's position; count 0 copies the whole source from its start.
    qint64 CopyFrom(TStream* source, qint64 count);
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;

    qint64 Read(void* buffer, qint64 count) override;
    qint64 Write(const void* buffer, qint64 count) override;
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    qint64 Size() override { return FData.size(); }
    void SetSize(qint64 newSize) override;

    char* Memory() { return FData.data(); }
    const char* Memory() const { return FData.constData(); }
    // The bytes as one array (a copy that shares storage until either side changes).
    QByteArray Bytes() const { return FData; }
    void Clear();
    void LoadFromStream(TStream* stream);
    void LoadFromFile(const QString& fileName);
    void SaveToStream(TStream* stream);
    void SaveToFile(const QString& fileName);

protected:
    QByteArray FData;
    qint64 FPosition = 0;
};

// Text kept as UTF-8 bytes.
class TStringStream : public TMemoryStream {
public:
    explicit TStringStream(const QString& s = QString());
    QString DataString() const;
    // Up to count bytes from the position, as text.
    QString ReadString(qint64 count);
    void WriteString(const QString& s);
};

class TFileStream : public TStream {
public:
    // Raises EFCreateError / EFOpenError with the system's reason.
    TFileStream(const QString& fileName, unsigned mode);
    ~TFileStream() override;

    qint64 Read(void* buffer, qint64 count) override;
    qint64 Write(const void* buffer, qint64 count) override;
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    void SetSize(qint64 newSize) override;

    QString FileName() const { return FFileName; }
    int Handle() const { return FHandle; }

private:
    QString FFileName;
    int FHandle = -1;
};
