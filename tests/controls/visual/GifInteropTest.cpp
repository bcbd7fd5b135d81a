// GIF files checked against independent programs: what we write they decode
// pixel for pixel, and what they write we decode pixel for pixel.
#include "controls/visual/ZbGIF_format.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace controls::visual::gif;

namespace {

const char* const Python = "/usr/bin/python3";
const char* const Convert = "/usr/bin/convert";

bool HaveTool(const QString& path) { return QFile::exists(path); }

QByteArray RunTool(const QString& program, const QStringList& args, const QByteArray& input = QByteArray())
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000)) return QByteArray();
    if (!input.isEmpty()) p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << " " << args.join(' ').toStdString() << ": "
                               << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

QString Tool(const char* name)
{
    QString p = QStandardPaths::findExecutable(QString::fromLatin1(name), {"/usr/bin"});
    return p;
}

struct FrameSpec {
    int Width = 0, Height = 0;
    std::vector<quint8> Index;  // top row first
    int Bits = 8;               // 1, 4 or 8
    int Left = 0, Top = 0;
    bool Interlaced = false;
    bool LocalTable = false;
    ColorTable Table;           // used when LocalTable
    int DelayMs = 0;
    int Transparent = -1;
    int Disposal = 0;
};

ColorTable Palette(int count, unsigned seed)
{
    ColorTable t;
    t.Count = count;
    std::mt19937 rng(seed);
    for (int i = 0; i < count; ++i) {
        // Distinct colours, so index and colour comparisons agree.
        t.Colors[i][0] = quint8(i);
        t.Colors[i][1] = quint8(rng());
        t.Colors[i][2] = quint8(255 - i);
    }
    return t;
}

FrameSpec NoiseFrame(int w, int h, int bits, int colours, unsigned seed)
{
    FrameSpec f;
    f.Width = w;
    f.Height = h;
    f.Bits = bits;
    f.Index.resize(size_t(w) * h);
    std::mt19937 rng(seed);
    for (auto& v : f.Index) v = quint8(rng() % unsigned(colours));
    return f;
}

std::vector<quint8> ToDIB(const FrameSpec& f)
{
    const int stride = DIBStride(f.Width, f.Bits);
    std::vector<quint8> dib(size_t(stride) * f.Height, 0);
    for (int y = 0; y < f.Height; ++y) {
        quint8* line = dib.data() + size_t(f.Height - 1 - y) * stride;
        for (int x = 0; x < f.Width; ++x) {
            const quint8 v = f.Index[size_t(y) * f.Width + x];
            if (f.Bits == 8) line[x] = v;
            else if (f.Bits == 4) line[x / 2] |= quint8((x & 1) ? v : v << 4);
            else line[x / 8] |= quint8(v << (7 - (x & 7)));
        }
    }
    return dib;
}

// Our writer: global table, frames with their control extensions.
QByteArray WriteGif(const ColorTable& global, std::vector<FrameSpec> frames, bool looping = false,
                    std::vector<QByteArray> comments = {}, std::vector<QByteArray> frameComment = {})
{
    Document d;
    d.Version = 1;
    d.Global = global;
    d.Bits = quint8(BitsCovering(global.Count));
    d.Looping = looping;
    d.RepeatCount = 0;
    d.Comments = std::move(comments);
    for (size_t i = 0; i < frames.size(); ++i) {
        const FrameSpec& s = frames[i];
        FrameRecord f;
        f.Left = quint16(s.Left);
        f.Top = quint16(s.Top);
        f.Width = quint16(s.Width);
        f.Height = quint16(s.Height);
        f.Interlaced = s.Interlaced;
        f.LocalTable = s.LocalTable;
        f.Table = s.LocalTable ? s.Table : global;
        auto dib = ToDIB(s);
        EncodeFrame(f.Data, dib.data(), DIBStride(s.Width, s.Bits), s.Width, s.Height, s.Bits, s.Interlaced, nullptr);
        if (i < frameComment.size()) {
            ExtensionBlock c;
            c.Kind = extComment;
            c.HasData = true;
            c.Data = {frameComment[i]};
            f.Extensions.push_back(c);
        }
        if (s.DelayMs > 0 || s.Transparent >= 0 || s.Disposal != 0) {
            ExtensionBlock g;
            g.Kind = extGraphicControl;
            g.Block[0] = 4;
            g.Block[1] = quint8((s.Disposal << 2) | (s.Transparent >= 0 ? 1 : 0));
            g.Block[2] = quint8((s.DelayMs / 10) & 0xFF);
            g.Block[3] = quint8((s.DelayMs / 10) >> 8);
            g.Block[4] = quint8(std::max(0, s.Transparent));
            f.Extensions.push_back(g);
        }
        d.Frames.push_back(std::move(f));
    }
    return WriteDocument(d);
}

// Our reader: one RGB raster per frame (frame size, not screen size).
struct Decoded {
    Document Doc;
    std::vector<std::vector<quint8>> Indices;
    std::vector<QByteArray> Rgb;
};

Decoded ReadGif(const QByteArray& bytes)
{
    Decoded out;
    out.Doc = ReadDocument(bytes.constData(), bytes.size(), false);
    for (const FrameRecord& f : out.Doc.Frames) {
        std::vector<quint8> dib(size_t(DIBStride(f.Width, 8)) * f.Height);
        const bool corrupted = DecodeFrame(f.Data, f.Width, f.Height, 8, f.Interlaced, false, nullptr, dib.data(),
                                           DIBStride(f.Width, 8));
        EXPECT_FALSE(corrupted);
        std::vector<quint8> idx(size_t(f.Width) * f.Height);
        QByteArray rgb;
        for (int y = 0; y < f.Height; ++y)
            for (int x = 0; x < f.Width; ++x) {
                const quint8 v = dib[size_t(f.Height - 1 - y) * DIBStride(f.Width, 8) + x];
                idx[size_t(y) * f.Width + x] = v;
                rgb.append(reinterpret_cast<const char*>(f.Table.Colors[v]), 3);
            }
        out.Indices.push_back(idx);
        out.Rgb.push_back(rgb);
    }
    return out;
}

QByteArray RgbOf(const FrameSpec& f, const ColorTable& table)
{
    QByteArray rgb;
    for (quint8 v : f.Index) rgb.append(reinterpret_cast<const char*>(table.Colors[v]), 3);
    return rgb;
}

// Indices in the order rows are stored in the file (giftext dumps them so).
QByteArray StoredOrder(const FrameSpec& f)
{
    QByteArray b;
    ForEachStoredRow(f.Height, f.Interlaced, [&](int r) {
        b.append(reinterpret_cast<const char*>(f.Index.data()) + size_t(r) * f.Width, f.Width);
    });
    return b;
}

class GifInterop : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveTool(Convert) || !HaveTool(Python) || Tool("giftext").isEmpty() || Tool("gifsicle").isEmpty())
            GTEST_SKIP() << "ImageMagick, giflib-tools, gifsicle and python3-pil are needed";
        ASSERT_TRUE(Dir.isValid());
    }
    QString Save(const QString& name, const QByteArray& bytes)
    {
        const QString path = Dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QByteArray Load(const QString& name)
    {
        QFile f(Dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        return f.readAll();
    }
    // Every frame as ImageMagick decodes it: RGB of the frame's own raster.
    QByteArray MagickFrame(const QString& path, int index)
    {
        return RunTool(Convert, {QStringLiteral("%1[%2]").arg(path).arg(index), "-alpha", "off", "-depth", "8", "rgb:-"});
    }
    // Frames as the imaging library decodes them (first frame as indices).
    QByteArray PilIndices(const QString& path)
    {
        return RunTool(Python, {"-c",
                            "import sys\nfrom PIL import Image\nim=Image.open(sys.argv[1])\n"
                            "sys.stdout.buffer.write(im.tobytes())",
                            path});
    }
    QTemporaryDir Dir;
};

}  // namespace

TEST_F(GifInterop, WhatWeWriteDecodesInEveryTool)
{
    struct Case {
        const char* Name;
        int Width, Height, Bits, Colours;
        bool Interlaced;
    };
    const Case cases[] = {
        {"one-bit", 33, 17, 1, 2, false},  {"four-bit", 31, 9, 4, 16, false},
        {"eight-bit", 101, 77, 8, 256, false}, {"odd-width", 1, 5, 8, 256, false},
        {"interlaced", 45, 37, 8, 256, true}, {"interlaced-small", 7, 3, 4, 16, true},
        {"many-strings", 320, 240, 8, 256, false}, {"one-colour", 9, 9, 1, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const ColorTable table = Palette(1 << c.Bits, 11);
        FrameSpec f = NoiseFrame(c.Width, c.Height, c.Bits, c.Colours, unsigned(c.Width));
        f.Interlaced = c.Interlaced;
        const QString path = Save(QString::fromLatin1(c.Name) + ".gif", WriteGif(table, {f}));
        // giflib: the raw indices in stored row order.
        EXPECT_EQ(RunTool(Tool("giftext"), {"-r", path}), StoredOrder(f));
        // ImageMagick: the colours.
        EXPECT_EQ(MagickFrame(path, 0), RgbOf(f, table));
        // The imaging library: the indices.
        EXPECT_EQ(PilIndices(path), QByteArray(reinterpret_cast<const char*>(f.Index.data()), qsizetype(f.Index.size())));
        // gifsicle decodes and encodes it again (the interlace flag changes, so it must).
        const QString again = Dir.filePath(QString::fromLatin1(c.Name) + "-sicle.gif");
        RunTool(Tool("gifsicle"), {c.Interlaced ? "--no-interlace" : "--interlace", path, "-o", again});
        Decoded back = ReadGif(Load(QFileInfo(again).fileName()));
        ASSERT_EQ(back.Rgb.size(), 1u);
        EXPECT_EQ(back.Rgb[0], RgbOf(f, table));
    }
}

TEST_F(GifInterop, AnimationDelaysDisposalLoopTransparencyAndComments)
{
    const ColorTable table = Palette(16, 3);
    FrameSpec a = NoiseFrame(20, 10, 4, 16, 1), b = NoiseFrame(7, 5, 4, 16, 2), c = NoiseFrame(20, 10, 8, 200, 3);
    a.DelayMs = 120;
    a.Disposal = 1;
    b.Left = 3;
    b.Top = 4;
    b.DelayMs = 2500;
    b.Disposal = 2;
    b.Transparent = 5;
    c.LocalTable = true;
    c.Table = Palette(256, 9);
    c.DelayMs = 40;
    c.Disposal = 3;
    c.Interlaced = true;
    const QByteArray longLine = QByteArray(300, 'x') + "fin";
    const QString path = Save("anim.gif", WriteGif(table, {a, b, c}, true, {longLine}, {"Expediente ñ"}));

    // giflib sees three images with their raw indices (its raw dump then goes on
    // with the bytes of the comment that follows the last image).
    const QByteArray raw = RunTool(Tool("giftext"), {"-r", path});
    EXPECT_TRUE(raw.startsWith(StoredOrder(a) + StoredOrder(b) + StoredOrder(c)));
    // gifsicle reads delays, disposal, loop, offsets, transparency and both comments.
    const QString info = QString::fromUtf8(RunTool(Tool("gifsicle"), {"--info", path}));
    EXPECT_TRUE(info.contains("3 images")) << info.toStdString();
    EXPECT_TRUE(info.contains("loop forever")) << info.toStdString();
    EXPECT_TRUE(info.contains("delay 0.12s")) << info.toStdString();
    EXPECT_TRUE(info.contains("delay 2.50s")) << info.toStdString();
    EXPECT_TRUE(info.contains("disposal asis")) << info.toStdString();
    EXPECT_TRUE(info.contains("disposal background")) << info.toStdString();
    EXPECT_TRUE(info.contains("disposal previous")) << info.toStdString();
    EXPECT_TRUE(info.contains("7x5 at 3,4")) << info.toStdString();
    EXPECT_TRUE(info.contains("transparent 5")) << info.toStdString();
    EXPECT_TRUE(info.contains("interlaced")) << info.toStdString();
    EXPECT_TRUE(info.contains("local color table [256]")) << info.toStdString();
    // The imaging library reads the long comment whole and the frame durations.
    const QByteArray meta = RunTool(Python, {"-c",
                                         "import sys\nfrom PIL import Image\nim=Image.open(sys.argv[1])\n"
                                         "d=[]\nfor i in range(im.n_frames):\n im.seek(i)\n d.append(im.info.get('duration'))\n"
                                         "print(im.n_frames, im.info.get('loop'), d)",
                                         path});
    EXPECT_EQ(meta.trimmed(), "3 0 [120, 2500, 40]");
    // ImageMagick decodes every frame's colours.
    EXPECT_EQ(MagickFrame(path, 0), RgbOf(a, table));
    EXPECT_EQ(MagickFrame(path, 2), RgbOf(c, c.Table));
    // And our own reader gets it all back.
    Decoded back = ReadGif(Load("anim.gif"));
    ASSERT_EQ(back.Doc.Frames.size(), 3u);
    EXPECT_EQ(back.Doc.Frames[1].Delay, 2500);
    EXPECT_EQ(back.Doc.Frames[1].TransparentColor, qint64(table.ColorOf(5)));
    EXPECT_EQ(back.Doc.Frames[2].Disposal, 3);
    EXPECT_TRUE(back.Doc.Looping);
    EXPECT_EQ(back.Rgb[2], RgbOf(c, c.Table));
}

TEST_F(GifInterop, WhatTheToolsWriteDecodesInOurs)
{
    // The imaging library: 2 to 256 colours, interlaced and not, transparency,
    // several frames with their own palettes (local tables) and offsets.
    const char* script = R"PY(
import sys, random
from PIL import Image
out = sys.argv[1]
random.seed(5)
for n in (2, 3, 4, 8, 16, 17, 32, 64, 128, 200, 256):
    for inter in (False, True):
        w, h = 23 + n % 7, 17 + n % 5
        im = Image.new('P', (w, h))
        pal = []
        for i in range(256):
            pal += [i, (i * 37) % 256, 255 - i]
        im.putpalette(pal)
        im.putdata([random.randrange(n) for _ in range(w * h)])
        im.save('%s/pil-%d-%d.gif' % (out, n, inter), interlace=inter, optimize=False)
        with open('%s/pil-%d-%d.raw' % (out, n, inter), 'wb') as f:
            f.write(im.convert('RGB').tobytes())
frames = []
for k in range(3):
    im = Image.new('RGB', (30, 20))
    im.putdata([((x * 8 + k * 50) % 256, (y * 12) % 256, k * 60) for y in range(20) for x in range(30)])
    frames.append(im.quantize(colors=64 + k * 60, dither=Image.Dither.NONE))
    with open('%s/pil-anim-%d.raw' % (out, k), 'wb') as f:
        f.write(frames[-1].convert('RGB').tobytes())
frames[0].save('%s/pil-anim.gif' % out, save_all=True, append_images=frames[1:], duration=[70, 80, 90], loop=3, optimize=False, disposal=1)
)PY";
    RunTool(Python, {"-c", script, Dir.path()});
    for (int n : {2, 3, 4, 8, 16, 17, 32, 64, 128, 200, 256})
        for (int inter : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "pil " << n << " colours, interlaced " << inter);
            const QString name = QStringLiteral("pil-%1-%2").arg(n).arg(inter);
            Decoded d = ReadGif(Load(name + ".gif"));
            ASSERT_EQ(d.Rgb.size(), 1u);
            EXPECT_EQ(d.Doc.Frames[0].Interlaced, inter == 1);
            EXPECT_EQ(d.Rgb[0], Load(name + ".raw"));
        }
    Decoded anim = ReadGif(Load("pil-anim.gif"));
    ASSERT_EQ(anim.Rgb.size(), 3u);
    EXPECT_TRUE(anim.Doc.Looping);
    EXPECT_EQ(anim.Doc.RepeatCount, 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(anim.Doc.Frames[size_t(k)].Delay, 70 + 10 * k);
        EXPECT_EQ(anim.Rgb[size_t(k)], Load(QStringLiteral("pil-anim-%1.raw").arg(k))) << k;
    }

    // ImageMagick: offsets, transparency, interlacing, a one-colour image.
    const QString im = Dir.filePath("im.gif");
    RunTool(Convert, {"-size", "13x9", "gradient:red-blue", "-colors", "32", "(", "-size", "5x4", "xc:lime", "-repage",
                  "+6+3", ")", "(", "-size", "13x9", "xc:white", "-fill", "black", "-draw", "rectangle 2,2 6,6",
                  "-transparent", "white", ")", "-interlace", "GIF", "-set", "delay", "15", "-loop", "0", im});
    Decoded m = ReadGif(Load("im.gif"));
    ASSERT_EQ(m.Rgb.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(m.Rgb[size_t(k)], MagickFrame(im, k));
        EXPECT_EQ(m.Doc.Frames[size_t(k)].Delay, 150);
    }
    EXPECT_EQ(m.Doc.Frames[1].Left, 6);
    EXPECT_EQ(m.Doc.Frames[1].Top, 3);
    EXPECT_NE(m.Doc.Frames[2].TransparentColor, -1);

    // gifsicle: merged frames with positions and local tables, recompressed.
    const QString merged = Dir.filePath("sicle.gif");
    RunTool(Tool("gifsicle"), {"--no-warnings", "--interlace", Dir.filePath("pil-17-0.gif"), "--position", "4,2",
                           Dir.filePath("pil-200-1.gif"), "-o", merged});
    Decoded s = ReadGif(Load("sicle.gif"));
    ASSERT_EQ(s.Rgb.size(), 2u);
    EXPECT_EQ(s.Rgb[0], Load("pil-17-0.raw"));
    EXPECT_EQ(s.Rgb[1], Load("pil-200-1.raw"));
    EXPECT_EQ(s.Doc.Frames[1].Left, 4);

    // giflib: its own encoder, from a textual dump of another file.
    const QByteArray text = RunTool(Tool("gifbuild"), {"-d", Dir.filePath("pil-64-1.gif")});
    const QByteArray rebuilt = RunTool(Tool("gifbuild"), {}, text);
    Decoded g = ReadGif(rebuilt);
    ASSERT_EQ(g.Rgb.size(), 1u);
    EXPECT_EQ(g.Rgb[0], Load("pil-64-1.raw"));
}

// ---------------------------------------------------------------- through the image class

#include "controls/visual/ZbGIF.h"

namespace {

QByteArray RgbOfBitmap(TBitmap* b)
{
    QByteArray rgb;
    const platform::graphics::PixelStore& s = b->Store();
    for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x) {
            const QRgb c = s.PixelRgb(x, y);
            rgb.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
        }
    return rgb;
}

}  // namespace

TEST_F(GifInterop, ImagesMadeFromBitmapsDecodeInTheTools)
{
    TGIFImage gif;
    std::vector<QByteArray> expected;
    for (int bits : {1, 4, 8, 24}) {
        TBitmap b;
        b.SetPixelFormat(bits == 1 ? pf1bit : bits == 4 ? pf4bit : bits == 8 ? pf8bit : pf24bit);
        b.SetSize(29, 13);
        std::mt19937 rng{unsigned(bits)};
        for (int y = 0; y < 13; ++y) {
            uchar* row = b.ScanLine(y);
            for (int i = 0; i < b.BytesPerScanLine(); ++i) row[i] = uchar(bits == 24 ? (rng() % 7) * 40 : rng());
        }
        gif.AddFrame(&b);
        expected.push_back(RgbOfBitmap(&b));
    }
    gif.Frames(1)->SetOrigin(TPoint{3, 2});
    gif.Frames(2)->SetAnimateInterval(250);
    gif.SetLooping(true);
    const QString path = Dir.filePath("from-bitmaps.gif");
    gif.SaveToFile(path);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(MagickFrame(path, k), expected[size_t(k)]) << k;
    const QString info = QString::fromUtf8(RunTool(Tool("gifsicle"), {"--info", path}));
    EXPECT_TRUE(info.contains("4 images")) << info.toStdString();
    EXPECT_TRUE(info.contains("29x13 at 3,2")) << info.toStdString();
    EXPECT_TRUE(info.contains("delay 0.25s")) << info.toStdString();
}

TEST_F(GifInterop, ImagesReadFilesTheToolsWrite)
{
    RunTool(Python, {"-c",
                     "import sys\nfrom PIL import Image\nim=Image.new('RGB',(40,30))\n"
                     "im.putdata([(x*6,y*8,(x*y)%256) for y in range(30) for x in range(40)])\n"
                     "q=im.quantize(colors=100)\nq.save(sys.argv[1]+'/q.gif', interlace=True)\n"
                     "open(sys.argv[1]+'/q.raw','wb').write(q.convert('RGB').tobytes())",
                     Dir.path()});
    TPicture picture;
    picture.LoadFromFile(Dir.filePath("q.gif"));
    auto* gif = dynamic_cast<TGIFImage*>(picture.Graphic());
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(gif->Count(), 1);
    EXPECT_TRUE(gif->Frames(0)->Interlaced());
    EXPECT_FALSE(gif->Frames(0)->Corrupted());
    EXPECT_EQ(RgbOfBitmap(gif->Frames(0)->Bitmap()), Load("q.raw"));
}
