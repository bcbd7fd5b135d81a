// The clipboard: Qt's when an application runs, else a private one for this process.
#include "platform/graphics/Clipbrd.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHash>
#include <QMimeData>

namespace {

QString MimeOf(unsigned format) { return QStringLiteral("application/x-zembra-clipboard-%1").arg(format); }

QHash<QString, unsigned>& FormatNames() {
    static QHash<QString, unsigned> names;
    return names;
}

// The data set while no application (and so no system clipboard) exists.
QMimeData& PrivateData() {
    static QMimeData data;
    return data;
}

const QMimeData* Current() {
    if (QGuiApplication::instance()) return QGuiApplication::clipboard()->mimeData();
    return &PrivateData();
}

std::unique_ptr<QMimeData>& Pending() {
    static std::unique_ptr<QMimeData> pending;
    return pending;
}

void Publish(QMimeData* data) {
    if (QGuiApplication::instance()) {
        QGuiApplication::clipboard()->setMimeData(data);
        return;
    }
    QMimeData& p = PrivateData();
    p.clear();
    for (const QString& f : data->formats()) p.setData(f, data->data(f));
    delete data;
}

QByteArray PaletteBytes(const TPaletteEntries& pal) {
    return QByteArray(reinterpret_cast<const char*>(pal.constData()), pal.size() * qsizetype(sizeof(QRgb)));
}

TPaletteEntries PaletteOf(const QByteArray& bytes) {
    TPaletteEntries pal(bytes.size() / qsizetype(sizeof(QRgb)));
    if (!pal.isEmpty()) std::memcpy(pal.data(), bytes.constData(), size_t(pal.size()) * sizeof(QRgb));
    return pal;
}

}  // namespace

unsigned RegisterClipboardFormat(const QString& name) {
    auto& names = FormatNames();
    QString key = name.toLower();
    auto it = names.constFind(key);
    if (it != names.constEnd()) return *it;
    unsigned id = 0xC000u + unsigned(names.size());
    names.insert(key, id);
    return id;
}

TClipboard* Clipboard() {
    static TClipboard clipboard;
    return &clipboard;
}

void TClipboard::Open() {
    if (FOpenCount++ == 0) {
        Pending() = std::make_unique<QMimeData>();
        FEmptied = false;
        if (const QMimeData* cur = Current())
            for (const QString& f : cur->formats()) Pending()->setData(f, cur->data(f));
    }
}

void TClipboard::Close() {
    if (FOpenCount == 0) return;
    if (--FOpenCount == 0) Publish(Pending().release());
}

void TClipboard::Clear() {
    Open();
    Pending() = std::make_unique<QMimeData>();
    FEmptied = true;
    Close();
}

bool TClipboard::HasFormat(unsigned format) const {
    const QMimeData* d = FOpenCount > 0 ? Pending().get() : Current();
    if (!d) return false;
    if (format == CF_TEXT || format == CF_UNICODETEXT) return d->hasText();
    if (format == CF_BITMAP || format == CF_DIB) return d->hasFormat(MimeOf(CF_BITMAP)) || d->hasImage();
    return d->hasFormat(MimeOf(format));
}

QString TClipboard::AsText() const {
    const QMimeData* d = FOpenCount > 0 ? Pending().get() : Current();
    return d ? d->text() : QString();
}

void TClipboard::SetAsText(const QString& text) {
    Open();
    if (!FEmptied) Pending() = std::make_unique<QMimeData>(), FEmptied = true;
    Pending()->setText(text);
    Close();
}

QByteArray TClipboard::GetAsHandle(unsigned format) const {
    const QMimeData* d = FOpenCount > 0 ? Pending().get() : Current();
    if (!d) return QByteArray();
    if (format == CF_TEXT || format == CF_UNICODETEXT) return d->text().toUtf8();
    if (format == CF_DIB) format = CF_BITMAP;
    if (d->hasFormat(MimeOf(format))) return d->data(MimeOf(format));
    if (format == CF_BITMAP && d->hasImage()) {
        TBitmap b;
        b.FromImage(qvariant_cast<QImage>(d->imageData()));
        return b.SaveToBytes();
    }
    return QByteArray();
}

void TClipboard::SetAsHandle(unsigned format, const QByteArray& data) {
    Open();
    if (!FEmptied) Pending() = std::make_unique<QMimeData>(), FEmptied = true;
    if (format == CF_TEXT || format == CF_UNICODETEXT) {
        Pending()->setText(QString::fromUtf8(data));
    } else {
        if (format == CF_DIB) format = CF_BITMAP;
        Pending()->setData(MimeOf(format), data);
        if (format == CF_BITMAP) {
            TBitmap b;
            try {
                b.LoadFromBytes(data);
                Pending()->setImageData(b.ToImage());
            } catch (const EInvalidGraphic&) {
            }
        }
    }
    Close();
}

void TClipboard::Assign(TPersistent* source) {
    TGraphic* g = dynamic_cast<TGraphic*>(source);
    if (auto* p = dynamic_cast<TPicture*>(source)) g = p->Graphic();
    if (g || dynamic_cast<TPicture*>(source)) {
        Open();
        Pending() = std::make_unique<QMimeData>();
        FEmptied = true;
        if (g && !g->Empty()) {
            unsigned format = 0;
            QByteArray data;
            TPaletteEntries pal;
            g->SaveToClipboardFormat(format, data, pal);
            SetAsHandle(format, data);
            if (!pal.isEmpty()) SetAsHandle(CF_PALETTE, PaletteBytes(pal));
        }
        Close();
        return;
    }
    TPersistent::Assign(source);
}

void TClipboard::AssignTo(TPersistent* dest) {
    TPaletteEntries pal = PaletteOf(GetAsHandle(CF_PALETTE));
    if (auto* p = dynamic_cast<TPicture*>(dest)) {
        const QMimeData* d = Current();
        if (d)
            for (const QString& f : d->formats()) {
                if (!f.startsWith(QLatin1String("application/x-zembra-clipboard-"))) continue;
                unsigned format = f.section(u'-', -1).toUInt();
                if (format != CF_BITMAP && format != CF_PALETTE && TPicture::SupportsClipboardFormat(format)) {
                    p->LoadFromClipboardFormat(format, d->data(f), pal);
                    return;
                }
            }
        if (HasFormat(CF_BITMAP)) {
            p->LoadFromClipboardFormat(CF_BITMAP, GetAsHandle(CF_BITMAP), pal);
            return;
        }
        p->Assign(nullptr);
        return;
    }
    if (auto* g = dynamic_cast<TGraphic*>(dest)) {
        g->LoadFromClipboardFormat(CF_BITMAP, GetAsHandle(CF_BITMAP), pal);
        return;
    }
    TPersistent::AssignTo(dest);
}
