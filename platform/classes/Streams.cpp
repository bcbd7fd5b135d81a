#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// ---- TStream ----

qint64 TStream::Size() {
    qint64 pos = Seek(0, soFromCurrent);
    qint64 size = Seek(0, soFromEnd);
    Seek(pos, soFromBeginning);
    return size;
}

void TStream::SetSize(qint64) {}

void TStream::ReadBuffer(void* buffer, qint64 count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError(QStringLiteral("Stream read error"));
}

void TStream::WriteBuffer(const void* buffer, qint64 count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError(QStringLiteral("Stream write error"));
}

qint64 TStream::CopyFrom(TStream* source, qint64 count) {
    if (count == 0) {
        source->SetPosition(0);
        count = source->Size();
    }
    const qint64 result = count;
    QByteArray buffer(int(std::min<qint64>(count, 0xF000)), Qt::Uninitialized);
    while (count > 0) {
        qint64 n = std::min<qint64>(count, buffer.size());
        source->ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.constData(), n);
        count -= n;
    }
    return result;
}

// ---- TMemoryStream ----

qint64 TMemoryStream::Read(void* buffer, qint64 count) {
    if (count <= 0 || FPosition >= FData.size()) return 0;
    qint64 n = std::min<qint64>(count, FData.size() - FPosition);
    std::memcpy(buffer, FData.constData() + FPosition, size_t(n));
    FPosition += n;
    return n;
}

qint64 TMemoryStream::Write(const void* buffer, qint64 count) {
    if (count <= 0 || FPosition < 0) return 0;
    qint64 end = FPosition + count;
    if (end > FData.size()) {
        qint64 old = FData.size();
        FData.resize(end);
        // A write after a seek past the end leaves zeros in the gap.
        if (FPosition > old) std::memset(FData.data() + old, 0, size_t(FPosition - old));
    }
    std::memcpy(FData.data() + FPosition, buffer, size_t(count));
    FPosition = end;
    return count;
}

qint64 TMemoryStream::Seek(qint64 offset, TSeekOrigin origin) {
    switch (origin) {
    case soFromBeginning: FPosition = offset; break;
    case soFromCurrent: FPosition += offset; break;
    case soFromEnd: FPosition = FData.size() + offset; break;
    }
    return FPosition;
}

void TMemoryStream::SetSize(qint64 newSize) {
    qint64 old = FData.size();
    FData.resize(newSize);
    if (newSize > old) std::memset(FData.data() + old, 0, size_t(newSize - old));
    if (FPosition > newSize) FPosition = newSize;
}

void TMemoryStream::Clear() {
    FData.clear();
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* stream) {
    stream->SetPosition(0);
    qint64 count = stream->Size();
    SetSize(count);
    if (count != 0) stream->ReadBuffer(FData.data(), count);
    FPosition = 0;
}

void TMemoryStream::LoadFromFile(const QString& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TMemoryStream::SaveToStream(TStream* stream) {
    if (!FData.isEmpty()) stream->WriteBuffer(FData.constData(), FData.size());
}

void TMemoryStream::SaveToFile(const QString& fileName) {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(&stream);
}

// ---- TStringStream ----

TStringStream::TStringStream(const QString& s) { FData = s.toUtf8(); }

QString TStringStream::DataString() const { return platform::classes::DecodeText(FData); }

QString TStringStream::ReadString(qint64 count) {
    qint64 n = std::max<qint64>(0, std::min<qint64>(count, FData.size() - FPosition));
    QByteArray bytes = FData.mid(FPosition, n);
    FPosition += n;
    return platform::classes::DecodeText(bytes);
}

void TStringStream::WriteString(const QString& s) {
    QByteArray bytes = s.toUtf8();
    Write(bytes.constData(), bytes.size());
}

// ---- TFileStream ----

TFileStream::TFileStream(const QString& fileName, unsigned mode) : FFileName(fileName) {
    const QByteArray path = QFile::encodeName(fileName);
    if (mode == fmCreate) {
        FHandle = ::open(path.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FHandle < 0)
            throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, qt_error_string(errno)));
        return;
    }
    int flags = O_CLOEXEC;
    switch (mode & 0x0F) {
    case fmOpenWrite: flags |= O_WRONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
    }
    FHandle = ::open(path.constData(), flags);
    int err = errno;
    if (FHandle >= 0) {
        struct stat st;
        if (::fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(FHandle);
            FHandle = -1;
            err = EISDIR;
        }
    }
    if (FHandle < 0)
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, qt_error_string(err)));
}

TFileStream::~TFileStream() {
    if (FHandle >= 0) ::close(FHandle);
}

qint64 TFileStream::Read(void* buffer, qint64 count) {
    qint64 done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t n = ::read(FHandle, p + done, size_t(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

qint64 TFileStream::Write(const void* buffer, qint64 count) {
    qint64 done = 0;
    auto* p = static_cast<const char*>(buffer);
    while (done < count) {
        ssize_t n = ::write(FHandle, p + done, size_t(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

qint64 TFileStream::Seek(qint64 offset, TSeekOrigin origin) {
    int whence = origin == soFromCurrent ? SEEK_CUR : origin == soFromEnd ? SEEK_END : SEEK_SET;
    return qint64(::lseek(FHandle, off_t(offset), whence));
}

void TFileStream::SetSize(qint64 newSize) {
    qint64 pos = Position();
    if (::ftruncate(FHandle, off_t(newSize)) != 0)
        throw EWriteError(QStringLiteral("Stream write error"));
    if (pos > newSize) Seek(newSize, soFromBeginning);
}
