#include "platform/report/QuickRpt.h"

#include "platform/db/DB.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Printers.h"
#include "platform/report/QRCtrls.h"
#include "platform/rtl/SysUtils.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QRawFont>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <limits>
#include <span>
#include <sys/mman.h>
#include <ucontext.h>

using namespace platform::report;

// ---------------------------------------------------------------------------------------------
// Page records

namespace platform::report {

QStringList TQRPageRecord::Texts() const {
    QStringList out;
    for (const TPageOp& op : Ops)
        if (op.Kind == TOpKind::Text) out << op.Text;
    return out;
}

QStringList TQRPageRecord::Bands() const {
    QStringList out;
    for (const TPageOp& op : Ops)
        if (op.Kind == TOpKind::Band) out << op.Text;
    return out;
}

const TPageOp* TQRPageRecord::FindText(const QString& text) const {
    for (const TPageOp& op : Ops)
        if (op.Kind == TOpKind::Text && op.Text == text) return &op;
    return nullptr;
}

const TPageOp* TQRPageRecord::FindBand(const QString& name) const {
    for (const TPageOp& op : Ops)
        if (op.Kind == TOpKind::Band && op.Text == name) return &op;
    return nullptr;
}

int MMToUnits(double mm) { return int(std::lround(mm * UnitsPerInch / 25.4)); }

namespace {
// Which texts lay out as one left-to-right run of glyphs of their font's own face: letters,
// digits and the punctuation of office texts that the face has, without controls, tabs, line
// or paragraph separators or direction marks. A character drawn from another face would give
// the line that face's ascent.
class TOneRun {
public:
    explicit TOneRun(const QFont& font) : FRaw(QRawFont::fromFont(font)), FKnown(0x20d0, 0) {}
    bool Holds(const QString& text) {
        for (const QChar ch : text) {
            const char16_t c = ch.unicode();
            if (c >= FKnown.size()) return false;
            qint8& known = FKnown[c];
            if (known == 0) {
                const bool plain = (c >= 0x20 && c < 0x7f) || (c >= 0xa0 && c < 0x250) || (c >= 0x2010 && c < 0x2028) ||
                                   (c >= 0x2030 && c < 0x205f) || (c >= 0x20a0 && c < 0x20d0);
                known = plain && FRaw.isValid() && FRaw.supportsCharacter(ch) ? 1 : -1;
            }
            if (known < 0) return false;
        }
        return true;
    }

private:
    QRawFont FRaw;
    std::vector<qint8> FKnown;  // per character: 0 not asked yet, 1 in the run, -1 not
};

TOneRun& OneRun(const QFont& font) {
    static std::vector<std::pair<QFont, std::unique_ptr<TOneRun>>> faces;
    for (auto& [f, run] : faces)
        if (f == font) return *run;
    faces.emplace_back(font, std::make_unique<TOneRun>(font));
    return *faces.back().second;
}
}  // namespace

void ReplayPage(const TQRPageRecord& page, QPainter* p) {
    p->save();
    p->setClipRect(QRect(0, 0, page.Width, page.Height));
    // The font and the text colour go to the painter when they change: each font given to a
    // painter is resolved for its device anew.
    const QFont* font = nullptr;
    const QColor* color = nullptr;
    qreal ascent = 0;
    TOneRun* run = nullptr;
    for (const TPageOp& op : page.Ops) {
        switch (op.Kind) {
        case TOpKind::Band:
            break;
        case TOpKind::Text:
            if (op.Text.isEmpty()) break;
            if (!font || !(op.Font == *font)) {
                p->setFont(op.Font);
                font = &op.Font;
                ascent = QFontMetricsF(p->font(), p->device()).ascent();
                // Lines through or under a text are drawn otherwise along a layout's line.
                run = op.Font.underline() || op.Font.strikeOut() || op.Font.overline() ? nullptr : &OneRun(op.Font);
            }
            if (!color || op.Color != *color) {
                p->setPen(op.Color);
                color = &op.Color;
            }
            // A left-aligned run starts at its box's corner, its baseline an ascent below: drawn
            // from there it takes the same glyphs and places as laid out in the box, and no text
            // layout is made for each of the many texts of a list.
            if (run && (op.Flags & Qt::AlignHorizontal_Mask) == Qt::AlignLeft && run->Holds(op.Text))
                p->drawText(QPointF(op.Rect.x(), op.Rect.y() + ascent), op.Text);
            else
                p->drawText(op.Rect, op.Flags | Qt::TextSingleLine | Qt::TextDontClip, op.Text);
            break;
        case TOpKind::Rect:
        case TOpKind::Ellipse: {
            color = nullptr;
            if (op.PenStyle == Qt::NoPen) p->setPen(Qt::NoPen);
            else p->setPen(QPen(op.Color, op.PenWidth, op.PenStyle));
            p->setBrush(op.Fill.isValid() ? QBrush(op.Fill) : QBrush(Qt::NoBrush));
            QRectF r(op.Rect);
            if (op.PenStyle != Qt::NoPen) {
                double half = op.PenWidth / 2.0;
                r.adjust(half, half, -half, -half);
            }
            if (op.Kind == TOpKind::Rect) p->drawRect(r);
            else p->drawEllipse(r);
            break;
        }
        case TOpKind::Line:
            color = nullptr;
            p->setPen(QPen(op.Color, op.PenWidth, op.PenStyle));
            p->drawLine(op.Rect.topLeft(), op.Rect.bottomRight());
            break;
        case TOpKind::Image:
            p->drawImage(op.Rect, op.Image);
            break;
        }
    }
    p->restore();
}

}  // namespace platform::report

namespace platform::report {

class TReportRunner;

// ---------------------------------------------------------------------------------------------
// A run laid out on demand: the runner works on a stack of its own and hands control back
// after each finished page, so a preview shows its first page before the last is laid out.

#if defined(__SANITIZE_ADDRESS__)
#define ZB_ASAN_FIBERS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZB_ASAN_FIBERS 1
#endif
#endif
#ifdef ZB_ASAN_FIBERS
#include <sanitizer/common_interface_defs.h>
#endif

namespace {
struct TRunCancelled {};
// The address sanitizer is told of each change of stack.
inline void StartSwitch(void** fake, const void* bottom, size_t size) {
#ifdef ZB_ASAN_FIBERS
    __sanitizer_start_switch_fiber(fake, bottom, size);
#else
    (void)fake, (void)bottom, (void)size;
#endif
}
inline void FinishSwitch(void* fake, const void** bottom, size_t* size) {
#ifdef ZB_ASAN_FIBERS
    __sanitizer_finish_switch_fiber(fake, bottom, size);
#else
    (void)fake, (void)bottom, (void)size;
#endif
}
constexpr size_t FiberStack = size_t(16) << 20;  // reserved, committed as it is used
}  // namespace

class TLazyRun {
public:
    TLazyRun(TQuickRep* report, TQRPrinter* printer) : FReport(report), FPrinter(printer) {
        FStack = mmap(nullptr, FiberStack, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (FStack == MAP_FAILED) throw EOutOfMemory(QStringLiteral("Memoria insuficiente para el informe"));
        mprotect(FStack, 4096, PROT_NONE);  // an overflow faults instead of writing past the stack
        getcontext(&FSelf);
        FSelf.uc_stack.ss_sp = FStack;
        FSelf.uc_stack.ss_size = FiberStack;
        FSelf.uc_link = &FCaller;
        const auto self = reinterpret_cast<quintptr>(this);
        makecontext(&FSelf, reinterpret_cast<void (*)()>(&TLazyRun::Entry), 2, unsigned(self >> 32),
                    unsigned(self & 0xffffffffu));
    }
    ~TLazyRun() {
        if (FStarted && !FDone) {
            // Unwinds the runner's stack: the next page it finishes throws.
            FCancel = true;
            Enter();
        }
        munmap(FStack, FiberStack);
    }
    // Runs until `count` pages exist or the run ends; true when it has ended. The run's error
    // is raised here.
    bool Reach(int count) {
        if (FDone) return true;
        FTarget = count;
        FStarted = true;
        Enter();
        if (FError) {
            std::exception_ptr e = FError;
            FError = nullptr;
            std::rethrow_exception(e);
        }
        return FDone;
    }

private:
    static void Entry(unsigned hi, unsigned lo) {
        auto* run = reinterpret_cast<TLazyRun*>((quintptr(hi) << 32) | quintptr(lo));
        FinishSwitch(nullptr, &run->FCallerBottom, &run->FCallerSize);
        run->Body();
        // The run's stack is done with: back to the caller for good.
        StartSwitch(nullptr, run->FCallerBottom, run->FCallerSize);
    }
    // From the run back to its caller, and on again when resumed.
    void Leave() {
        StartSwitch(&FFake, FCallerBottom, FCallerSize);
        swapcontext(&FSelf, &FCaller);
        FinishSwitch(FFake, &FCallerBottom, &FCallerSize);
    }
    void Body();
    void Enter() {
        void* fake = nullptr;
        StartSwitch(&fake, FStack, FiberStack);
        swapcontext(&FCaller, &FSelf);
        FinishSwitch(fake, nullptr, nullptr);
    }

    TQuickRep* FReport;
    TQRPrinter* FPrinter;
    ucontext_t FCaller{}, FSelf{};
    void* FStack = nullptr;
    int FTarget = 0;
    bool FStarted = false, FDone = false, FCancel = false;
    std::exception_ptr FError;
    void* FFake = nullptr;
    const void* FCallerBottom = nullptr;
    size_t FCallerSize = 0;
};

// ---------------------------------------------------------------------------------------------
// Pages of a run. The first pages stay as they were recorded; the later ones are written
// compactly to an unnamed temporary file (private to this process) and read back a few at a
// time, so a long report takes the memory of its first pages and of the pages last shown.

namespace {
constexpr int KeptPages = 40;    // pages that always stay in memory
constexpr int CachedPages = 12;  // pages read back and kept until others are asked for

// Fixed-size values one after another, in this machine's order: the file never leaves the run.
// The caller makes room for them first.
struct TWriter {
    char* At;
    const char* End;
    template <class T>
    void Put(T v) {
        PutBytes(&v, sizeof v);
    }
    void PutBytes(const void* data, size_t n) {
        Q_ASSERT(size_t(End - At) >= n);
        std::memcpy(At, data, n);
        At += n;
    }
    void PutColor(const QColor& c) {
        Put<quint8>(c.isValid());
        if (c.isValid()) Put<quint64>(c.rgba64());
    }
};

struct TReader {
    const char* At;
    const char* End;
    template <class T>
    T Get() {
        T v;
        Need(sizeof v);
        std::memcpy(&v, At, sizeof v);
        At += sizeof v;
        return v;
    }
    QColor GetColor() { return Get<quint8>() ? QColor::fromRgba64(QRgba64::fromRgba64(Get<quint64>())) : QColor(); }
    void Need(size_t n) const {
        if (size_t(End - At) < n) throw EInOutError(QStringLiteral("La copia temporal del informe está dañada"));
    }
};
}  // namespace

class TPageStore {
public:
    TPageStore() = default;
    TPageStore(const TPageStore&) = delete;
    TPageStore& operator=(const TPageStore&) = delete;
    ~TPageStore() {
        if (FFile) std::fclose(FFile);
    }

    int Count() const { return int(FSlots.size()); }

    int InMemory() const {
        int n = 0;
        for (const TSlot& s : FSlots) n += s.Page != nullptr;
        return n;
    }

    void Add(TQRPageRecord&& page) {
        TSlot slot;
        if (FSlots.size() < size_t(KeptPages) || !WriteOut(page, slot)) {
            slot.Offset = -1;  // kept as it is (also when the temporary file cannot be written)
            slot.Page = std::make_unique<TQRPageRecord>(std::move(page));
        }
        FSlots.push_back(std::move(slot));
    }

    const TQRPageRecord& At(int index) {
        TSlot& slot = FSlots.at(size_t(index));
        slot.Used = ++FClock;
        if (!slot.Page) {
            auto page = std::make_unique<TQRPageRecord>();
            ReadBack(slot, *page);
            if (FCached.size() >= size_t(CachedPages)) Evict();
            slot.Page = std::move(page);
            FCached.push_back(index);
        }
        return *slot.Page;
    }

    // A page to be painted once, in page order: one written out is read into a page kept for
    // the purpose (valid until the next call) and stays out of the cache, which the preview
    // keeps for the pages it shows.
    const TQRPageRecord& Visit(int index) {
        TSlot& slot = FSlots.at(size_t(index));
        if (slot.Page) return *slot.Page;
        ReadBack(slot, FScratch);
        return FScratch;
    }

    // The run has ended: the page-count texts end with the number of pages.
    void FinishPageCount(const QString& count) {
        FPageCount = count;
        for (TSlot& s : FSlots)
            if (s.Page) AppendPageCount(*s.Page);
    }

private:
    struct TSlot {
        std::unique_ptr<TQRPageRecord> Page;
        qint64 Offset = -1;  // where the page lies in the file; -1: never written out
        qint64 Size = 0;
        quint64 Used = 0;
    };

    void AppendPageCount(TQRPageRecord& page) const {
        for (TPageOp& op : page.Ops)
            if (op.PageCount) op.Text += FPageCount;
    }

    // The cached page used longest ago goes; the kept pages are never among them.
    void Evict() {
        auto oldest = std::min_element(FCached.begin(), FCached.end(), [this](int a, int b) {
            return FSlots[size_t(a)].Used < FSlots[size_t(b)].Used;
        });
        if (oldest == FCached.end()) return;
        FSlots[size_t(*oldest)].Page.reset();
        FCached.erase(oldest);
    }

    int FontIndex(const QFont& font) {
        if (FLastFont < FFonts.size() && FFonts[FLastFont] == font) return int(FLastFont);
        for (size_t i = 0; i < FFonts.size(); ++i)
            if (FFonts[i] == font) return int(FLastFont = i);
        FFonts.push_back(font);
        return int(FLastFont = FFonts.size() - 1);
    }

    int ImageIndex(const QImage& image) {
        if (image.isNull()) return -1;
        for (size_t i = 0; i < FImages.size(); ++i)
            if (FImages[i].cacheKey() == image.cacheKey()) return int(i);
        FImages.push_back(image);
        return int(FImages.size() - 1);
    }

    bool WriteOut(const TQRPageRecord& page, TSlot& slot) {
        if (!FFile && !(FFile = std::tmpfile())) return false;
        // Room for the longest form of every op; the buffer is cut to what was written.
        constexpr size_t opBytes = 2 * sizeof(quint8) + 10 * sizeof(qint32) + 2 * (sizeof(quint8) + sizeof(quint64));
        size_t room = 3 * sizeof(qint32) + sizeof(quint8) + sizeof(quint32) + page.Ops.size() * opBytes;
        for (const TPageOp& op : page.Ops) room += size_t(op.Text.size()) * sizeof(QChar);
        FBuffer.resize(qsizetype(room));
        TWriter w{FBuffer.data(), FBuffer.constData() + FBuffer.size()};
        w.Put<qint32>(page.Width);
        w.Put<qint32>(page.Height);
        w.Put<qint32>(page.PaperSize);
        w.Put<quint8>(page.Landscape);
        w.Put<quint32>(quint32(page.Ops.size()));
        for (const TPageOp& op : page.Ops) {
            w.Put<quint8>(quint8(op.Kind));
            w.Put<quint8>(op.PageCount);
            w.Put<qint32>(op.Rect.left());
            w.Put<qint32>(op.Rect.top());
            w.Put<qint32>(op.Rect.right());
            w.Put<qint32>(op.Rect.bottom());
            w.Put<quint32>(quint32(op.Text.size()));
            w.PutBytes(op.Text.constData(), size_t(op.Text.size()) * sizeof(QChar));
            w.Put<qint32>(op.Kind == TOpKind::Text ? FontIndex(op.Font) : -1);
            w.PutColor(op.Color);
            w.PutColor(op.Fill);
            w.Put<qint32>(op.PenWidth);
            w.Put<qint32>(op.PenStyle);
            w.Put<qint32>(op.Flags);
            w.Put<qint32>(ImageIndex(op.Image));
        }
        FBuffer.resize(qsizetype(w.At - FBuffer.constData()));
        if (std::fseek(FFile, 0, SEEK_END) != 0) return false;
        const long offset = std::ftell(FFile);
        if (offset < 0 || std::fwrite(FBuffer.constData(), 1, size_t(FBuffer.size()), FFile) != size_t(FBuffer.size()))
            return false;
        slot.Offset = offset;
        slot.Size = FBuffer.size();
        return true;
    }

    // Reads a page written out into `into`, whose ops' texts are overwritten in place.
    void ReadBack(const TSlot& slot, TQRPageRecord& into) {
        FBuffer.resize(qsizetype(slot.Size));
        if (std::fflush(FFile) != 0 || std::fseek(FFile, long(slot.Offset), SEEK_SET) != 0 ||
            std::fread(FBuffer.data(), 1, size_t(slot.Size), FFile) != size_t(slot.Size))
            throw EInOutError(QStringLiteral("No se puede leer la copia temporal del informe"));
        TReader r{FBuffer.constData(), FBuffer.constData() + FBuffer.size()};
        TQRPageRecord* page = &into;
        page->Width = r.Get<qint32>();
        page->Height = r.Get<qint32>();
        page->PaperSize = QPageSize::PageSizeId(r.Get<qint32>());
        page->Landscape = r.Get<quint8>();
        const quint32 count = r.Get<quint32>();
        page->Ops.resize(count);
        for (TPageOp& op : page->Ops) {
            op.Kind = TOpKind(r.Get<quint8>());
            op.PageCount = r.Get<quint8>();
            const int left = r.Get<qint32>(), top = r.Get<qint32>(), right = r.Get<qint32>(), bottom = r.Get<qint32>();
            op.Rect = QRect(QPoint(left, top), QPoint(right, bottom));
            const quint32 length = r.Get<quint32>();
            r.Need(size_t(length) * sizeof(QChar));
            op.Text.resize(qsizetype(length));
            if (length) std::memcpy(op.Text.data(), r.At, size_t(length) * sizeof(QChar));
            r.At += size_t(length) * sizeof(QChar);
            const qint32 font = r.Get<qint32>();
            op.Font = font >= 0 ? FFonts.at(size_t(font)) : NoFont();
            op.Color = r.GetColor();
            op.Fill = r.GetColor();
            op.PenWidth = r.Get<qint32>();
            op.PenStyle = Qt::PenStyle(r.Get<qint32>());
            op.Flags = r.Get<qint32>();
            const qint32 image = r.Get<qint32>();
            op.Image = image >= 0 ? FImages.at(size_t(image)) : QImage();
        }
        if (!FPageCount.isEmpty()) AppendPageCount(*page);
    }

    // The font of ops that draw no text, as a new op has it.
    const QFont& NoFont() {
        if (!FNoFont) FNoFont = std::make_unique<QFont>(TPageOp().Font);
        return *FNoFont;
    }

    std::vector<TSlot> FSlots;
    std::FILE* FFile = nullptr;
    QByteArray FBuffer;
    std::vector<QFont> FFonts;
    size_t FLastFont = 0;
    std::vector<QImage> FImages;
    QString FPageCount;
    quint64 FClock = 0;
    std::vector<int> FCached;  // pages read back and kept, at most CachedPages
    TQRPageRecord FScratch;
    std::unique_ptr<QFont> FNoFont;
};

}  // namespace platform::report

// ---------------------------------------------------------------------------------------------
// Report printer

TQRPrinter::TQRPrinter(TComponent* owner) : TComponent(owner), FPages(std::make_unique<TPageStore>()) {}
TQRPrinter::~TQRPrinter() = default;

void TQRPrinter::CheckPage(int pageNumber) const {
    if (pageNumber < 1 || pageNumber > Reach(pageNumber))
        throw EListError(QStringLiteral("Página fuera de rango (%1)").arg(pageNumber));
}

const TQRPageRecord& TQRPrinter::Pages(int pageNumber) const {
    CheckPage(pageNumber);
    return FPages->At(pageNumber - 1);
}

const TQRPageRecord& TQRPrinter::PageToPaint(int pageNumber) const {
    CheckPage(pageNumber);
    return FPages->Visit(pageNumber - 1);
}

int TQRPrinter::PagesReady() const { return FPages->Count(); }

int TQRPrinter::PagesInMemory() const { return FPages->InMemory(); }

void TQRPrinter::Clear() {
    FRun.reset();
    FPages = std::make_unique<TPageStore>();
    FFirstPage = FLastPage = 0;
    FCopies = 1;
}

void TQRPrinter::SetPages(std::vector<TQRPageRecord>&& pages) {
    auto store = std::make_unique<TPageStore>();
    for (TQRPageRecord& p : pages) store->Add(std::move(p));
    SetPages(std::move(store));
}

void TQRPrinter::SetPages(std::unique_ptr<TPageStore> pages) {
    FPages = std::move(pages);
    FFirstPage = FPages->Count() == 0 ? 0 : 1;
    FLastPage = PageCount();
    FCopies = 1;
}

namespace {

QPageLayout LayoutOf(const TQRPageRecord& page) {
    return QPageLayout(QPageSize(page.PaperSize), page.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

void SetLayout(QPdfWriter& writer, const TQRPageRecord& page) { writer.setPageLayout(LayoutOf(page)); }

// The page's paper and orientation for the printer. A printer without that paper (a letter-only
// one for an A4 report) gets its own paper, turned as the page is, and the page shrunk to fit
// it: given a paper it has not, the page would come out cut at the sheet's edges.
void SetLayout(QPrinter& printer, const TQRPageRecord& page) {
    QPageLayout layout = LayoutOf(page);
    const QPrinterInfo info(printer);
    const QList<QPageSize> sizes = info.supportedPageSizes();
    const bool has = info.isNull() || info.supportsCustomPageSizes() || sizes.isEmpty() ||
                     std::any_of(sizes.begin(), sizes.end(),
                                 [&](const QPageSize& s) { return s.isEquivalentTo(layout.pageSize()); });
    if (!has) layout.setPageSize(info.defaultPageSize().isValid() ? info.defaultPageSize() : sizes.front());
    printer.setPageLayout(layout);
}

// Paints the pages on a device that is already open, one device page each; pages are asked for
// one at a time, as they are painted.
template <class Device>
void PaintPages(Device& device, QPainter& painter, const std::vector<int>& numbers,
                const std::function<const TQRPageRecord&(int)>& pageOf) {
    bool first = true;
    for (int number : numbers) {
        const TQRPageRecord* page = &pageOf(number);
        if (!first) {
            SetLayout(device, *page);
            if (!device.newPage()) throw EPrinter(QStringLiteral("No se puede continuar la impresión"));
        }
        first = false;
        double scale = double(device.resolution()) / UnitsPerInch;
        // On smaller paper than the page's the page is shrunk to fit, not cut at the edges (the
        // device's size in whole pixels is below the page's by less than a pixel otherwise).
        if (page->Width > 0 && page->Height > 0) {
            const double fit = std::min(double(device.width()) / page->Width, double(device.height()) / page->Height);
            if (fit < scale * 0.99) scale = fit;
        }
        painter.save();
        painter.scale(scale, scale);
        ReplayPage(*page, &painter);
        painter.restore();
    }
}

// A PDF file is written beside its target and put in its place only when whole: a full disk is
// an error, not a cut-off file, and the earlier file of that name stays as it was.
void WritePdf(const QString& fileName, const QString& title, const std::vector<int>& numbers,
              const std::function<const TQRPageRecord&(int)>& pageOf) {
    QSaveFile out(fileName);
    if (!out.open(QIODevice::WriteOnly))
        throw EPrinter(QStringLiteral("No se puede escribir el archivo %1: %2").arg(fileName, out.errorString()));
    {
        QPdfWriter writer(&out);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Zembra"));
        writer.setResolution(600);
        writer.setPageLayout(LayoutOf(pageOf(numbers.front())));
        QPainter painter;
        if (!painter.begin(&writer)) throw EPrinter(QStringLiteral("No se puede escribir el archivo %1").arg(fileName));
        try {
            PaintPages(writer, painter, numbers, pageOf);
        } catch (...) {
            painter.end();
            throw;
        }
        painter.end();
    }
    // The last buffered bytes are written by the flush: a disk that fills then fails here, where
    // commit alone would report success.
    if (!out.flush() || !out.commit())
        throw EPrinter(QStringLiteral("No se puede escribir el archivo %1: %2").arg(fileName, out.errorString()));
}

}  // namespace

void TQRPrinter::Print() {
    FHeldIn.clear();
    if (PageCount() == 0) return;
    int first = std::max(1, FFirstPage);
    int last = FLastPage <= 0 ? PageCount() : std::min(FLastPage, PageCount());
    if (first > last || FCopies < 1) return;
    std::vector<int> pages;
    for (int c = 0; c < FCopies; ++c)
        for (int n = first; n <= last; ++n) pages.push_back(n);
    auto pageOf = [this](int n) -> const TQRPageRecord& { return PageToPaint(n); };

    const QString docName = FTitle.isEmpty() ? QStringLiteral("Informe") : FTitle;
    // A file named for this report, else the PDF file chosen as the program's printer.
    const QString file = FOutputFileName.isEmpty() ? Printer()->OutputFileName() : FOutputFileName;
    if (!file.isEmpty()) {
        WritePdf(file, docName, pages, pageOf);
        return;
    }
    // A printer chosen and since removed does not hand its jobs to another one unseen.
    const QString gone = FPrinterName.isEmpty() ? Printer()->MissingPrinter() : QString();
    if (!gone.isEmpty()) {
        Printer()->SetPrinterName(QString());  // known gone: no second look at the system's printers
        throw EPrinter(QStringLiteral("La impresora %1 ya no está en el sistema; no se ha impreso nada").arg(gone));
    }
    QPrinter printer(QPrinter::HighResolution);
    // Without a name of its own the job goes to the program's printer.
    const QString name = FPrinterName.isEmpty() ? Printer()->PrinterName() : FPrinterName;
    if (!name.isEmpty()) {
        if (!QPrinterInfo::availablePrinterNames().contains(name))
            throw EPrinter(QStringLiteral("La impresora %1 no existe").arg(name));
        printer.setPrinterName(name);
    }
    if (printer.outputFormat() != QPrinter::NativeFormat || !printer.isValid() ||
        QPrinterInfo::availablePrinters().isEmpty())
        throw EPrinter(QStringLiteral("No hay ninguna impresora disponible"));
    printer.setDocName(docName);
    printer.setFullPage(true);
    SetLayout(printer, Pages(pages.front()));
    QPainter painter;
    if (!painter.begin(&printer))
        throw EPrinter(QStringLiteral("No se puede iniciar la impresión en %1").arg(printer.printerName()));
    try {
        PaintPages(printer, painter, pages, pageOf);
    } catch (...) {
        printer.abort();
        painter.end();
        throw;
    }
    painter.end();
    // The job is handed to the queue as the painter ends; a refusal is not a page printed.
    const QString refused = SpoolerError();
    if (!refused.isEmpty())
        throw EPrinter(QStringLiteral("La impresora %1 no ha aceptado el trabajo: %2. No se ha impreso nada.").arg(printer.printerName(), refused));
    // A stopped (paused) queue takes the job and keeps it until it is started again.
    if (QPrinterInfo::printerInfo(printer.printerName()).state() == QPrinter::Error) FHeldIn = printer.printerName();
}

void TQRPrinter::ExportToPdf(const QString& fileName) {
    PageCount();
    // A report without pages still gives a valid document: one blank page.
    TQRPageRecord blank;
    blank.Width = MMToUnits(210);
    blank.Height = MMToUnits(297);
    std::vector<int> pages;
    for (int n = 1; n <= FPages->Count(); ++n) pages.push_back(n);
    if (pages.empty()) pages.push_back(0);
    auto pageOf = [&](int n) -> const TQRPageRecord& { return n == 0 ? blank : PageToPaint(n); };
    WritePdf(fileName, FTitle, pages, pageOf);
}

namespace platform::report {
TQRPrinter* GlobalPrinter() {
    static TQRPrinter* printer = new TQRPrinter(nullptr);
    return printer;
}
}  // namespace platform::report

// ---------------------------------------------------------------------------------------------
// Frames

void TQRFrame::Record(TQRPageRecord& page, const QRect& r) const {
    if (!Any()) return;
    auto line = [&](QPoint a, QPoint b) {
        TPageOp op;
        op.Kind = TOpKind::Line;
        op.Rect = QRect(a, b);
        op.Color = QColor::fromRgb(platform::graphics::ToQRgb(FColor));
        op.PenWidth = FWidth;
        page.Ops.push_back(std::move(op));
    };
    int right = r.x() + r.width(), bottom = r.y() + r.height();
    if (FTop) line({r.x(), r.y()}, {right, r.y()});
    if (FBottom) line({r.x(), bottom}, {right, bottom});
    if (FLeft) line({r.x(), r.y()}, {r.x(), bottom});
    if (FRight) line({right, r.y()}, {right, bottom});
}

// ---------------------------------------------------------------------------------------------
// Bands

TQRCustomBand::TQRCustomBand(TComponent* owner) : TComponent(owner), FFont(std::make_unique<TFont>()) {
    FFont->OnChange = TNotifyEvent(this, &TQRCustomBand::FontChanged);
}

TQRCustomBand::~TQRCustomBand() {
    for (TQRPrintable* c : FControls) c->FParent = nullptr;
    FControls.clear();
    if (FChild) FChild->FParentBand = nullptr;
    SetParent(nullptr);
}

void TQRCustomBand::SetParent(TQuickRep* report) {
    if (report == FReport) return;
    if (FReport) FReport->RemoveBand(this);
    FReport = report;
    if (FReport) {
        FReport->AddBand(this);
        if (FParentFont) {
            FFont->OnChange = nullptr;
            FFont->Assign(FReport->Font());
            FFont->OnChange = TNotifyEvent(this, &TQRCustomBand::FontChanged);
        }
    }
}

int TQRCustomBand::Width() const { return FReport ? FReport->PrintableWidth() : 0; }

const TFont* TQRCustomBand::EffectiveFont() const {
    if (FParentFont && FReport) return FReport->Font();
    return FFont.get();
}

TQRChildBand::TQRChildBand(TComponent* owner) : TQRCustomBand(owner) { FBandType = rbChild; }

TQRChildBand::~TQRChildBand() { SetParentBand(nullptr); }

void TQRChildBand::SetParentBand(TQRCustomBand* band) {
    if (band == FParentBand) return;
    if (FParentBand && FParentBand->FChild == this) FParentBand->FChild = nullptr;
    FParentBand = band;
    if (band) {
        if (band->FChild) band->FChild->FParentBand = nullptr;
        band->FChild = this;
        if (!ParentReport()) SetParent(band->ParentReport());
    }
}

TQRGroup::TQRGroup(TComponent* owner) : TQRCustomBand(owner) { FBandType = rbGroupHeader; }

void TQRGroup::SetFooterBand(TQRCustomBand* band) {
    FFooter = band;
    if (band) {
        band->FreeNotification(this);
        if (band->BandType() != rbChild) band->SetBandType(rbGroupFooter);
    }
}

void TQRGroup::Notification(TComponent* component, TOperation operation) {
    TQRCustomBand::Notification(component, operation);
    if (operation == opRemove) {
        if (component == FFooter) FFooter = nullptr;
        if (component == FMaster) FMaster = nullptr;
    }
}

TQRSubDetail::TQRSubDetail(TComponent* owner) : TQRCustomBand(owner) { FBandType = rbSubDetail; }

void TQRSubDetail::SetDataSet(TDataSet* dataSet) {
    FDataSet = dataSet;
    if (dataSet) dataSet->FreeNotification(this);
}

void TQRSubDetail::SetHeaderBand(TQRCustomBand* band) {
    FHeader = band;
    if (band) {
        band->FreeNotification(this);
        band->SetBandType(rbGroupHeader);
    }
}

void TQRSubDetail::SetFooterBand(TQRCustomBand* band) {
    FFooter = band;
    if (band) {
        band->FreeNotification(this);
        band->SetBandType(rbGroupFooter);
    }
}

void TQRSubDetail::Notification(TComponent* component, TOperation operation) {
    TQRCustomBand::Notification(component, operation);
    if (operation == opRemove) {
        if (component == FDataSet) FDataSet = nullptr;
        if (component == FHeader) FHeader = nullptr;
        if (component == FFooter) FFooter = nullptr;
        if (component == FMaster) FMaster = nullptr;
    }
}

// ---------------------------------------------------------------------------------------------
// Page setup

namespace {
QSizeF PaperMM(TQRPaperSize size) {
    switch (size) {
    case A4: return {210, 297};
    case A5: return {148, 210};
    case Letter: return {215.9, 279.4};
    case Legal: return {215.9, 355.6};
    }
    return {210, 297};
}
QPageSize::PageSizeId PaperId(TQRPaperSize size) {
    switch (size) {
    case A4: return QPageSize::A4;
    case A5: return QPageSize::A5;
    case Letter: return QPageSize::Letter;
    case Legal: return QPageSize::Legal;
    }
    return QPageSize::A4;
}
}  // namespace

double TQRPage::Width() const {
    QSizeF s = PaperMM(FPaperSize);
    return FOrientation == poLandscape ? s.height() : s.width();
}

double TQRPage::Length() const {
    QSizeF s = PaperMM(FPaperSize);
    return FOrientation == poLandscape ? s.width() : s.height();
}

// ---------------------------------------------------------------------------------------------
// Report

TQuickRep::TQuickRep(TComponent* owner) : TComponent(owner), FFont(std::make_unique<TFont>()) {
    FFont->SetName(QStringLiteral("Arial"));
    FFont->SetSize(10);
    FFont->SetColor(clBlack);
}

TQuickRep::~TQuickRep() {
    for (TQRCustomBand* b : FBands) b->FReport = nullptr;
    FBands.clear();
}

void TQuickRep::SetDataSet(TDataSet* dataSet) {
    FDataSet = dataSet;
    if (dataSet) dataSet->FreeNotification(this);
}

void TQuickRep::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FDataSet) FDataSet = nullptr;
}

void TQuickRep::AddBand(TQRCustomBand* band) { FBands.push_back(band); }

void TQuickRep::RemoveBand(TQRCustomBand* band) {
    FBands.erase(std::remove(FBands.begin(), FBands.end(), band), FBands.end());
}

int TQuickRep::RecordCount() const {
    return FDataSet && FDataSet->Active() ? FDataSet->RecordCount() : (FDataSet ? 0 : 1);
}

TQRPrinter* TQuickRep::QRPrinter() const { return GlobalPrinter(); }

int TQuickRep::PageWidthUnits() const { return MMToUnits(FPage.Width()); }
int TQuickRep::PageHeightUnits() const { return MMToUnits(FPage.Length()); }
int TQuickRep::PrintableWidth() const {
    return PageWidthUnits() - MMToUnits(FPage.LeftMargin()) - MMToUnits(FPage.RightMargin());
}

// ---------------------------------------------------------------------------------------------
// The run

namespace platform::report {

class TReportRunner {
public:
    // Pages go to `out` as each is finished; `pageDone` is told after each.
    TReportRunner(TQuickRep* report, TPageStore& out, std::function<void()> pageDone = {})
        : R(report), FPages(out), FPageDone(std::move(pageDone)) {}

    void Run() {
        for (TQRCustomBand* b : R->FBands) {
            if (b->BandType() == rbPageHeader && !FPageHeader) FPageHeader = b;
            else if (b->BandType() == rbPageFooter && !FPageFooter) FPageFooter = b;
            else if (b->BandType() == rbColumnHeader && !FColumnHeader) FColumnHeader = b;
            for (int i = 0; i < b->ControlCount(); ++i)
                if (TQRExpr* e = b->Controls(i)->AsExpr()) {
                    e->Reset();
                    FExprs.push_back(e);
                }
        }
        FLeft = MMToUnits(R->FPage.LeftMargin());
        FTopMargin = MMToUnits(R->FPage.TopMargin());
        FPageBottom = R->PageHeightUnits() - MMToUnits(R->FPage.BottomMargin());

        NewPage();
        RunLevel(R, R->FDataSet, FindBand(rbDetail));
        for (TQRCustomBand* b : R->FBands)
            if (b->BandType() == rbSummary) PrintBand(b);
        FFinal = true;
        EndPage();

        FPages.FinishPageCount(IntToStr(FPages.Count()));
    }

private:
    TQRCustomBand* FindBand(TQRBandType type) const {
        for (TQRCustomBand* b : R->FBands)
            if (b->BandType() == type) return b;
        return nullptr;
    }

    void NewPage() {
        // Pages of a list hold about as many ops as the one before.
        const size_t expected = FPage ? FPage->Ops.size() + FPage->Ops.size() / 8 : 0;
        if (FPage) EndPage();
        FCurrent = TQRPageRecord();
        FCurrent.Ops.reserve(expected);
        FPage = &FCurrent;
        FPage->Width = R->PageWidthUnits();
        FPage->Height = R->PageHeightUnits();
        FPage->PaperSize = PaperId(R->FPage.PaperSize());
        FPage->Landscape = R->FPage.Orientation() == poLandscape;
        R->FPageNumber = FPages.Count() + 1;
        FY = FTopMargin;
        FBottom = FPageBottom - FooterRoom();
        FInHeader = true;
        if (FPageHeader) PrintBand(FPageHeader, nullptr, false);
        if (FPages.Count() == 0) {
            FInHeader = false;
            for (TQRCustomBand* b : R->FBands)
                if (b->BandType() == rbTitle) PrintBand(b);
            FInHeader = true;
        }
        if (FColumnHeader) PrintBand(FColumnHeader, nullptr, false);
        FInHeader = false;
        FHasContent = false;
    }

    // Room at the bottom of every page for the page footer and the child bands under it.
    int FooterRoom() const {
        int room = 0;
        if (FPageFooter && FPageFooter->Enabled())
            for (TQRCustomBand* b = FPageFooter; b; b = b->ChildBand())
                if (b->Enabled()) room += b->Height();
        return room;
    }

    void EndPage() {
        if (!FPage) return;
        if (FPageFooter && FPageFooter->Enabled()) {
            // The footer belongs to this page: its fields read the last row printed on it, not
            // the row that did not fit or was left out. (Not while a sub-detail runs over its
            // rows: moving the master would reopen them.)
            TDataSet* ds = R->FDataSet;
            TBookmark here;
            bool back = FSubLevels == 0 && FLastRow.Valid && ds && ds->Active() && ds->GetBookmark() != FLastRow &&
                        ds->BookmarkValid(FLastRow);
            int recordNumber = R->FRecordNumber;
            if (back) {
                here = ds->GetBookmark();
                ds->GotoBookmark(FLastRow);
                R->FRecordNumber = FLastRecordNumber;
            }
            FInHeader = true;
            FFooterPass = true;
            size_t first = FPage->Ops.size();
            int top = FPageBottom - FooterRoom();
            FY = top;
            PrintBand(FPageFooter, nullptr, false);
            // The footer and its children end at the bottom margin, whatever heights their
            // events gave them.
            int dy = FPageBottom - FY;
            if (dy != 0)
                for (size_t i = first; i < FPage->Ops.size(); ++i) FPage->Ops[i].Rect.translate(0, dy);
            FFooterPass = false;
            FInHeader = false;
            if (back) ds->GotoBookmark(here);
            R->FRecordNumber = recordNumber;
        }
        FPages.Add(std::move(FCurrent));
        FPage = nullptr;
        if (FPageDone && !FFinal) FPageDone();
    }

    struct TLayout {
        TQRPrintable* Element = nullptr;
        TElementOutput Out;
        int Next = 0;  // first line not yet printed
    };
    // The layouts of a band's elements, kept from one printing of the band to the next: a list
    // prints the same band for every row, and its lines and fonts are reused instead of made
    // anew. A band printed again while it prints (from its own events) takes another set.
    struct TBandItems {
        TQRCustomBand* Band = nullptr;
        std::vector<TLayout> Items;
        bool Busy = false;
    };
    TBandItems& ItemsOf(TQRCustomBand* band) {
        for (const auto& b : FItems)
            if (b->Band == band && !b->Busy) return *b;
        FItems.push_back(std::make_unique<TBandItems>());
        FItems.back()->Band = band;
        return *FItems.back();
    }

    // Prints a band (and its child band); false when it was suppressed. `keepWith` is the room
    // the bands that must follow it on the same page take.
    bool PrintBand(TQRCustomBand* band, TComponent* aggregateLevel = nullptr, bool fitCheck = true, int keepWith = 0) {
        if (!band) return false;
        if (!band->Enabled()) {
            EndSums(band);
            return false;
        }
        bool print = true;
        band->BeforePrint(band, print);
        if (!print) {
            band->AfterPrint(band, false);
            EndSums(band);
            return false;
        }
        if (band->ForceNewPage() && FHasContent && fitCheck) NewPage();

        // Elements whose text depends on the page the band lands on (system data) or on the
        // row being counted (sums of this level) are laid out once the page is decided.
        auto late = [&](TQRPrintable* c) {
            if (c->IsSysData()) return true;
            TQRExpr* e = c->AsExpr();
            return aggregateLevel && e && e->EffectiveMaster() == aggregateLevel && e->IsAggregate();
        };
        TBandItems& kept = ItemsOf(band);
        kept.Busy = true;
        struct TFree {
            TBandItems& B;
            ~TFree() { B.Busy = false; }
        } free{kept};
        size_t count = 0;
        for (int i = 0; i < band->ControlCount(); ++i) {
            TQRPrintable* c = band->Controls(i);
            if (!c->Visible() || !c->Enabled()) continue;
            if (kept.Items.size() <= count) kept.Items.emplace_back();
            TLayout& l = kept.Items[count++];
            l.Element = c;
            l.Next = 0;
            if (late(c)) l.Out.Reset();
            else c->PrepareOutput(l.Out);
        }
        const std::span<TLayout> items(kept.Items.data(), count);
        auto bandHeight = [&] {
            int height = band->Height();
            for (TLayout& l : items) {
                if (!l.Out.Stretch) continue;
                int pad = std::max(0, band->Height() - (l.Element->Top() + l.Element->Height()));
                height = std::max(height, l.Element->Top() + l.Out.NeededHeight(l.Element->Height()) + pad);
            }
            return height;
        };
        auto stretching = [&] {
            return std::any_of(items.begin(), items.end(), [](const TLayout& l) { return l.Out.Stretch; });
        };
        int height = bandHeight();

        if (!FFooterPass && fitCheck && FY + height + keepWith > FBottom && FHasContent) {
            // A band that cannot split moves whole; a stretching one starts here when its own
            // height fits, and carries the rest of its lines over.
            if (!stretching() || keepWith > 0 || FY + band->Height() > FBottom) NewPage();
        }
        // The row counts on the page it prints on: the previous page's footer has gone out.
        if (aggregateLevel)
            for (TQRExpr* e : FExprs)
                if (e->EffectiveMaster() == aggregateLevel) e->Update();
        for (TLayout& l : items)
            if (late(l.Element)) l.Element->PrepareOutput(l.Out);
        height = bandHeight();

        if (stretching() && FY + height > FBottom && fitCheck && !FFooterPass) {
            PrintSplit(band, items);
        } else {
            RecordBand(band, items, FY, height);
            FY += height;
        }
        if (!FInHeader) FHasContent = true;
        if (aggregateLevel == R && R->FDataSet && R->FDataSet->Active()) {
            FLastRow = R->FDataSet->GetBookmark();
            FLastRecordNumber = R->FRecordNumber;
        }
        band->AfterPrint(band, true);
        ResetSums(band);
        if (band->ChildBand()) PrintBand(band->ChildBand(), nullptr, fitCheck);
        return true;
    }

    // Sums that restart after their band (group footers) restart when the band's turn is over,
    // printed or not, hidden or not.
    static void ResetSums(TQRCustomBand* band) {
        for (int i = 0; i < band->ControlCount(); ++i)
            if (TQRExpr* e = band->Controls(i)->AsExpr())
                if (e->ResetAfterPrint()) e->Reset();
    }

    // A band left out, with the child bands that would have followed it.
    static void EndSums(TQRCustomBand* band) {
        for (TQRCustomBand* b = band; b; b = b->ChildBand()) ResetSums(b);
    }

    void RecordBand(TQRCustomBand* band, std::span<TLayout> items, int y, int height) {
        TPageOp mark{.Kind = TOpKind::Band, .Rect = QRect(FLeft, y, band->Width(), height), .Text = band->Name(),
                     .Font = FNoFont};
        if (band->Color() != clWhite && band->Color() != clNone) {
            TPageOp fill;
            fill.Kind = TOpKind::Rect;
            fill.Rect = mark.Rect;
            fill.PenStyle = Qt::NoPen;
            fill.Fill = QColor::fromRgb(platform::graphics::ToQRgb(band->Color()));
            FPage->Ops.push_back(std::move(mark));
            FPage->Ops.push_back(std::move(fill));
        } else {
            FPage->Ops.push_back(std::move(mark));
        }
        for (TLayout& l : items) {
            int count = !l.Out.Text ? 0 : l.Out.Stretch ? int(l.Out.Lines.size()) : FixedLineCount(l, height);
            l.Element->Render(*FPage, FLeft, y + l.Element->Top(), l.Out, 0, count);
        }
        band->Frame()->Record(*FPage, QRect(FLeft, y, band->Width(), height));
    }

    // A band whose stretching text does not fit: as many lines as fit on each page, the rest
    // on the next pages; the other elements print with the first piece.
    void PrintSplit(TQRCustomBand* band, std::span<TLayout> items) {
        int pad = 0;
        for (TLayout& l : items)
            if (l.Out.Stretch) pad = std::max(pad, band->Height() - (l.Element->Top() + l.Element->Height()));
        bool first = true;
        for (;;) {
            size_t markIndex = FPage->Ops.size();
            FPage->Ops.push_back(TPageOp{.Kind = TOpKind::Band, .Text = band->Name(), .Font = FNoFont});
            int avail = FBottom - FY;
            int used = 0;
            bool done = true;
            for (TLayout& l : items) {
                int top = first ? l.Element->Top() : 0;
                if (!l.Out.Text || !l.Out.Stretch) {
                    if (first) {
                        int count = l.Out.Text ? FixedLineCount(l, band->Height()) : 0;
                        l.Element->Render(*FPage, FLeft, FY + top, l.Out, 0, count);
                        used = std::max(used, top + l.Element->Height());
                    }
                    continue;
                }
                int total = int(l.Out.Lines.size());
                int lh = std::max(1, l.Out.LineHeight);
                int count = std::min(std::max(0, (avail - top) / lh), total - l.Next);
                if (count == 0 && !FHasContent && l.Next < total) count = 1;  // a fresh page always takes a line
                if (count > 0) {
                    l.Element->Render(*FPage, FLeft, FY + top, l.Out, l.Next, count);
                    used = std::max(used, top + count * lh);
                }
                l.Next += count;
                if (l.Next < total) done = false;
            }
            if (done) {
                int h = first ? std::max(used + pad, band->Height()) : used + pad;
                FPage->Ops[markIndex].Rect = QRect(FLeft, FY, band->Width(), h);
                band->Frame()->Record(*FPage, QRect(FLeft, FY, band->Width(), h));
                FY += h;
                return;
            }
            FPage->Ops[markIndex].Rect = QRect(FLeft, FY, band->Width(), avail);
            FHasContent = true;
            NewPage();
            first = false;
        }
    }

    // Lines of an element that does not stretch: those that fit its box and its band.
    static int FixedLineCount(const TLayout& l, int bandHeight) {
        int total = int(l.Out.Lines.size());
        if (l.Out.LineHeight <= 0) return total;
        int room = std::min(l.Element->Height(), bandHeight - l.Element->Top());
        return std::min(total, std::max(1, room / l.Out.LineHeight));
    }

    // A band with the child bands printed after it.
    static int ChainHeight(TQRCustomBand* band) {
        int h = 0;
        for (; band; band = band->ChildBand())
            if (band->Enabled()) h += band->Height();
        return h;
    }

    // The headers of groups[from..]: a group's heading never closes a page, it goes over with
    // the headings under it and the first row.
    void PrintGroupHeaders(const std::vector<TQRGroup*>& groups, size_t from, TQRCustomBand* detail) {
        for (size_t i = from; i < groups.size(); ++i) {
            int keep = ChainHeight(groups[i]->ChildBand()) + (detail && detail->Enabled() ? detail->Height() : 0);
            for (size_t j = i + 1; j < groups.size(); ++j) keep += ChainHeight(groups[j]);
            PrintBand(groups[i], nullptr, true, keep);
        }
    }

    QStringList GroupValues(const std::vector<TQRGroup*>& groups, std::vector<std::unique_ptr<TQREvaluator>>& evals) {
        QStringList out;
        for (size_t i = 0; i < groups.size(); ++i) out << evals[i]->Value().AsString();
        return out;
    }

    // The rows of one dataset with their groups and sub-details.
    void RunLevel(TComponent* master, TDataSet* ds, TQRCustomBand* detail) {
        std::vector<TQRGroup*> groups;
        std::vector<TQRSubDetail*> subs;
        for (TQRCustomBand* b : R->FBands) {
            if (auto* g = dynamic_cast<TQRGroup*>(b)) {
                TComponent* m = g->Master() ? g->Master() : R;
                if (m == master) groups.push_back(g);
            } else if (auto* s = dynamic_cast<TQRSubDetail*>(b)) {
                TComponent* m = s->Master() ? s->Master() : R;
                if (m == master && s != master) subs.push_back(s);
            }
        }
        auto* sub = dynamic_cast<TQRSubDetail*>(master);
        struct TLevelCount {
            int& N;
            bool On;
            TLevelCount(int& n, bool on) : N(n), On(on) { N += On; }
            ~TLevelCount() { N -= On; }
        } level(FSubLevels, sub != nullptr);
        if (!ds) {
            if (sub) return;
            ++R->FRecordNumber;
            PrintBand(detail, R);
            for (TQRSubDetail* s : subs) RunLevel(s, s->DataSet(), s);
            return;
        }
        if (!ds->Active()) ds->Open();
        ds->First();
        if (ds->Eof()) {
            if (sub && sub->PrintIfEmpty()) {
                PrintBand(sub->HeaderBand());
                PrintBand(sub->FooterBand());
            }
            return;
        }
        std::vector<std::unique_ptr<TQREvaluator>> evals;
        for (TQRGroup* g : groups) {
            auto e = std::make_unique<TQREvaluator>();
            e->SetResolver([ds, this](const QString& q, const QString& n) -> TField* {
                TDataSet* set = ds;
                if (!q.isEmpty()) set = FindDataSet(q);
                return set ? set->FindField(n) : nullptr;
            });
            e->Compile(g->Expression());
            evals.push_back(std::move(e));
        }
        if (sub) PrintBand(sub->HeaderBand());
        QStringList values = GroupValues(groups, evals);
        PrintGroupHeaders(groups, 0, detail);
        for (;;) {
            if (!sub) ++R->FRecordNumber;
            PrintBand(detail, master);
            for (TQRSubDetail* s : subs) RunLevel(s, s->DataSet(), s);
            ds->Next();
            if (ds->Eof()) {
                for (auto it = groups.rbegin(); it != groups.rend(); ++it) PrintBand((*it)->FooterBand());
                break;
            }
            QStringList now = GroupValues(groups, evals);
            int changed = -1;
            for (int i = 0; i < now.size(); ++i)
                if (now[i] != values[i]) {
                    changed = i;
                    break;
                }
            if (changed >= 0) {
                // Footers print while the last row of the group is current.
                ds->Prior();
                for (int i = int(groups.size()) - 1; i >= changed; --i) PrintBand(groups[size_t(i)]->FooterBand());
                ds->Next();
                PrintGroupHeaders(groups, size_t(changed), detail);
                values = now;
            }
        }
        if (sub) PrintBand(sub->FooterBand());
    }

    TDataSet* FindDataSet(const QString& name) const {
        for (TComponent* o = R->Owner(); o; o = o->Owner())
            if (auto* d = dynamic_cast<TDataSet*>(o->FindComponent(name))) return d;
        return nullptr;
    }

    TQuickRep* R;
    TPageStore& FPages;  // finished pages
    std::function<void()> FPageDone;
    bool FFinal = false;  // the last page is being finished
    TQRPageRecord FCurrent;
    TQRPageRecord* FPage = nullptr;
    TQRCustomBand *FPageHeader = nullptr, *FPageFooter = nullptr, *FColumnHeader = nullptr;
    std::vector<TQRExpr*> FExprs;
    int FLeft = 0, FTopMargin = 0, FPageBottom = 0, FBottom = 0, FY = 0;
    bool FHasContent = false, FInHeader = false, FFooterPass = false;
    int FSubLevels = 0;      // sub-details running over their rows
    TBookmark FLastRow;      // the master's last row whose detail printed, and its number
    int FLastRecordNumber = 0;
    std::vector<std::unique_ptr<TBandItems>> FItems;
    const QFont FNoFont = TPageOp().Font;  // the font of ops without text, made once
};

void TLazyRun::Body() {
    try {
        TReportRunner runner(FReport, *FPrinter->FPages, [this] {
            if (FCancel) throw TRunCancelled();
            if (FPrinter->FPages->Count() >= FTarget) {
                Leave();
                if (FCancel) throw TRunCancelled();
            }
        });
        runner.Run();
    } catch (const TRunCancelled&) {
    } catch (...) {
        FError = std::current_exception();
    }
    FDone = true;
}

}  // namespace platform::report

int TQRPrinter::Reach(int count) const {
    if (FRun && FPages->Count() < count) {
        bool done = true;
        try {
            done = FRun->Reach(count);
        } catch (...) {
            FRun.reset();
            throw;
        }
        if (done) {
            FRun.reset();
            auto* self = const_cast<TQRPrinter*>(this);
            self->FFirstPage = FPages->Count() == 0 ? 0 : 1;
            self->FLastPage = PageCount();
        }
    }
    return FPages->Count();
}

int TQRPrinter::PageCount() const {
    Reach(std::numeric_limits<int>::max());
    return FPages->Count();
}

void TQuickRep::Prepare() {
    if (FRunning) throw EInvalidOperation(QStringLiteral("El informe ya se está preparando"));
    if (!QCoreApplication::instance()) platform::forms::ApplicationInstance();  // text measures need it
    TQRPrinter* printer = GlobalPrinter();
    printer->Clear();
    printer->SetTitle(FReportTitle);
    FRunning = true;
    FPageNumber = 0;
    FRecordNumber = 0;
    try {
        bool go = true;
        BeforePrint(this, go);
        if (!go) {
            FRunning = false;
            return;
        }
        auto pages = std::make_unique<TPageStore>();
        TReportRunner runner(this, *pages);
        runner.Run();
        printer->SetPages(std::move(pages));
    } catch (...) {
        FRunning = false;
        printer->Clear();
        throw;
    }
    FRunning = false;
    AfterPrint(this);
}

// Pages laid out before the preview opens: a short report opens complete, a long one on its
// first pages.
constexpr int PreviewFirstPages = 10;

void TQuickRep::Preview() {
    TQRPrinter* printer = GlobalPrinter();
    if (!printer->OnPreview) {
        Prepare();
        return;
    }
    if (FRunning) throw EInvalidOperation(QStringLiteral("El informe ya se está preparando"));
    if (!QCoreApplication::instance()) platform::forms::ApplicationInstance();
    printer->Clear();
    printer->SetTitle(FReportTitle);
    FPageNumber = 0;
    FRecordNumber = 0;
    bool go = true;
    BeforePrint(this, go);
    if (!go) return;  // a cancelled run has no pages to show
    FRunning = true;
    try {
        // The preview opens on the first page; the others are laid out as it asks for them
        // and, whatever it did not need, once it closes.
        printer->FRun = std::make_unique<TLazyRun>(this, printer);
        printer->Reach(PreviewFirstPages);
        if (printer->PagesReady() > 0) printer->OnPreview(this);
        printer->PageCount();
    } catch (...) {
        FRunning = false;
        printer->Clear();
        throw;
    }
    FRunning = false;
    AfterPrint(this);
}

void TQuickRep::Print() {
    Prepare();
    GlobalPrinter()->Print();
}
