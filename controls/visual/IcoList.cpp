#include "controls/visual/IcoList.h"

#include "controls/visual/BitmapHelpers.h"
#include "controls/visual/IconHelpers.h"
#include "platform/classes/Streams.h"

#include <QtEndian>

namespace {

const QString kReadError = ResStr(61443);

// Brackets changes: the list tells once, when the outermost bracket closes, even on failure.
class TUpdateGuard {
public:
    explicit TUpdateGuard(TIconList* list) : FList(list) { FList->BeginUpdate(); }
    ~TUpdateGuard() { FList->EndUpdate(); }

private:
    TIconList* FList;
};

}  // namespace

TIconList::TIconList() = default;

TIconList::~TIconList() {
    OnChange = nullptr;
    Clear();
}

void TIconList::BeginUpdate() { ++FUpdateCount; }

void TIconList::EndUpdate() {
    if (FUpdateCount == 0) return;
    if (--FUpdateCount == 0) Changed();
}

void TIconList::Changed() {
    if (FUpdateCount == 0 && OnChange) OnChange(this);
}

void TIconList::IconChanged(TObject*) { Changed(); }

void TIconList::Attach(TIcon* icon) {
    if (icon) icon->OnChange = TNotifyEvent(this, &TIconList::IconChanged);
}

void TIconList::CheckIndex(int index) const {
    if (index < 0 || index >= int(FList.size()))
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

TIcon* TIconList::Get(int index) const {
    CheckIndex(index);
    return FList[size_t(index)].get();
}

int TIconList::GetCount() const { return int(FList.size()); }

void TIconList::Put(int index, TIcon* icon) {
    TUpdateGuard update(this);
    if (index == Count()) Add(nullptr);
    CheckIndex(index);
    auto& entry = FList[size_t(index)];
    if (!entry) {
        entry = std::make_unique<TIcon>();
        Attach(entry.get());
    }
    entry->Assign(icon);
}

int TIconList::Add(TIcon* icon) {
    auto copy = std::make_unique<TIcon>();
    copy->Assign(icon);  // a failure leaves the list as it was
    Attach(copy.get());
    FList.push_back(std::move(copy));
    Changed();
    return Count() - 1;
}

void TIconList::AddFromResource(const QString& resName) {
    auto icon = std::make_unique<TIcon>();
    icon->LoadFromResourceName(resName);
    Attach(icon.get());
    FList.push_back(std::move(icon));
    Changed();
}

void TIconList::InsertFromResource(int index, const QString& resName) {
    if (index < 0 || index > Count()) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    auto icon = std::make_unique<TIcon>();
    icon->LoadFromResourceName(resName);
    Attach(icon.get());
    FList.insert(FList.begin() + index, std::move(icon));
    Changed();
}

void TIconList::Insert(int index, TIcon* icon) {
    if (index < 0 || index > Count()) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    auto copy = std::make_unique<TIcon>();
    copy->Assign(icon);
    Attach(copy.get());
    FList.insert(FList.begin() + index, std::move(copy));
    Changed();
}

void TIconList::Delete(int index) {
    CheckIndex(index);
    std::unique_ptr<TIcon> icon = std::move(FList[size_t(index)]);
    if (icon) icon->OnChange = nullptr;
    FList.erase(FList.begin() + index);
    icon.reset();
    Changed();
}

void TIconList::Clear() {
    TUpdateGuard update(this);
    for (int i = Count() - 1; i >= 0; --i) Delete(i);
}

void TIconList::Exchange(int index1, int index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    std::swap(FList[size_t(index1)], FList[size_t(index2)]);
    Changed();
}

void TIconList::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    std::unique_ptr<TIcon> icon = std::move(FList[size_t(curIndex)]);
    FList.erase(FList.begin() + curIndex);
    FList.insert(FList.begin() + newIndex, std::move(icon));
    Changed();
}

int TIconList::IndexOf(TIcon* icon) const {
    for (size_t i = 0; i < FList.size(); ++i)
        if (FList[i].get() == icon) return int(i);
    return -1;
}

void TIconList::Assign(TPersistent* source) {
    if (!source) {
        Clear();
        return;
    }
    if (auto* list = dynamic_cast<TIconList*>(source)) {
        if (list == this) return;
        TUpdateGuard update(this);
        Clear();
        for (int i = 0; i < list->Count(); ++i) Add(list->Get(i));
        return;
    }
    if (auto* icon = dynamic_cast<TIcon*>(source)) {
        TUpdateGuard update(this);
        Clear();
        Add(icon);
        return;
    }
    TPersistent::Assign(source);
}

void TIconList::LoadFromStream(TStream* stream) {
    TUpdateGuard update(this);
    Clear();
    try {
        qint32 count = 0;
        stream->ReadBuffer(&count, 4);
        count = qFromLittleEndian(count);
        // Every entry takes at least its 4-byte size: a count the data cannot hold is damage.
        const qint64 left = stream->Size() - stream->Position();
        if (count < 0 || qint64(count) * 4 > left) throw EReadError(kReadError);
        for (qint32 i = 0; i < count; ++i) {
            qint32 size = 0;
            stream->ReadBuffer(&size, 4);
            size = qFromLittleEndian(size);
            if (size < 1) {
                FList.push_back(nullptr);
                continue;
            }
            if (qint64(size) > stream->Size() - stream->Position()) throw EReadError(kReadError);
            QByteArray data(size, '\0');
            stream->ReadBuffer(data.data(), size);
            controls::visual::CheckIconData(data);
            auto icon = std::make_unique<TIcon>();
            icon->LoadFromBytes(data);
            Attach(icon.get());
            FList.push_back(std::move(icon));
        }
    } catch (...) {
        Clear();
        throw;
    }
}

void TIconList::SaveToStream(TStream* stream) {
    const qint32 count = qToLittleEndian(qint32(Count()));
    stream->WriteBuffer(&count, 4);
    for (const auto& icon : FList) {
        if (!icon || icon->Empty()) {
            const qint32 zero = 0;
            stream->WriteBuffer(&zero, 4);
            continue;
        }
        TMemoryStream data;
        icon->SaveToStream(&data);
        const qint32 size = qToLittleEndian(qint32(data.Size()));
        stream->WriteBuffer(&size, 4);
        if (data.Size() > 0) stream->WriteBuffer(data.Memory(), data.Size());
    }
}

void TIconList::ReadData(TStream* stream) { LoadFromStream(stream); }
void TIconList::WriteData(TStream* stream) { SaveToStream(stream); }

void TIconList::DefineProperties(TFiler* filer) {
    filer->DefineBinaryProperty(QStringLiteral("Icons"), TStreamProc(this, &TIconList::ReadData),
                                TStreamProc(this, &TIconList::WriteData), Count() > 0);
}
