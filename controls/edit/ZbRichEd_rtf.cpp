#include "controls/edit/ZbRichEd_rtf.h"

#include <QColor>
#include <QHash>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace controls::edit::rtf {

namespace {

constexpr int MaxDepth = 512;      // deeper groups are read as skipped
constexpr int MaxFonts = 4096;
constexpr int MaxColors = 4096;
constexpr int MaxTabs = 32;
constexpr int MaxTwips = 31680;    // 22 inches
constexpr int MaxWordLength = 32;

// Windows-1252 between 0x80 and 0x9F; the rest is Latin-1.
const char16_t Cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QChar FromCp1252(uchar b) { return (b >= 0x80 && b < 0xA0) ? QChar(Cp1252High[b - 0x80]) : QChar(b); }

int ToCp1252(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
    for (int i = 0; i < 32; ++i)
        if (Cp1252High[i] == u && !(u >= 0x80 && u < 0xA0)) return 0x80 + i;
    return -1;
}

int CodePageOfCharset(int charset) {
    switch (charset) {
        case 128: return 932;
        case 129: return 949;
        case 134: return 936;
        case 136: return 950;
        case 161: return 1253;
        case 162: return 1254;
        case 163: return 1258;
        case 177: return 1255;
        case 178: return 1256;
        case 186: return 1257;
        case 204: return 1251;
        case 222: return 874;
        case 238: return 1250;
        default: return 0;  // the document's code page
    }
}

QString Decode(const QByteArray& bytes, int codePage) {
    if (codePage != 1252 && codePage > 0) {
        const char* name = nullptr;
        QByteArray buf;
        switch (codePage) {
            case 932: name = "Shift_JIS"; break;
            case 936: name = "GBK"; break;
            case 949: name = "EUC-KR"; break;
            case 950: name = "Big5"; break;
            case 65001: name = "UTF-8"; break;
            default:
                buf = "windows-" + QByteArray::number(codePage);
                name = buf.constData();
        }
        QStringDecoder dec(name);
        if (dec.isValid()) {
            QString s = dec.decode(bytes);
            if (!dec.hasError()) return s;
        }
    }
    QString s;
    s.reserve(bytes.size());
    for (char b : bytes) s += FromCp1252(uchar(b));
    return s;
}

// Characters that must not reach the document as text: controls, the markers the document
// uses for its own structure, lone surrogates.
QString Clean(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
            continue;
        }
        if (c.isSurrogate()) continue;
        if (u == '\t' || u == 0x2028) {
            out += c;
            continue;
        }
        if (u < 0x20 || (u >= 0x7F && u < 0xA0 && u != 0x85)) continue;
        if (u == 0x85 || u == 0x2029) {
            out += QChar(0x2028);
            continue;
        }
        if ((u >= 0xFDD0 && u <= 0xFDEF) || u == 0xFFFC || u == 0xFFFE || u == 0xFFFF) continue;
        out += c;
    }
    return out;
}

struct Font {
    QString Name;
    int CodePage = 0;
    int Pitch = 0;
};

struct CharState {
    int Font = -1;
    int HalfPoints = 24;
    bool Bold = false, Italic = false, Underline = false, Strike = false, Hidden = false, Protected = false;
    int Color = 0;
    bool operator==(const CharState&) const = default;
};

struct ParaState {
    int Align = 0;  // 0 left, 1 right, 2 centre, 3 justified
    int Left = 0, First = 0, Right = 0;
    std::vector<int> Tabs;
    bool Bullet = false;
};

enum class Dest { Text, Skip, FontTable, ColorTable, Pn, Object };

struct Group {
    Dest D = Dest::Text;
    CharState Ch;
    ParaState Para;
    int Uc = 1;
    bool Ignorable = false;  // "\*" seen: an unknown destination word skips the group
    bool First = true;       // no word or text read in the group yet
    bool PnBullet = false;
    qsizetype Open = 0;       // offset of the group's brace
    bool ObjectRoot = false;  // the group of an embedded object (kept whole)
    bool Overflowed = false;  // groups nested past MaxDepth inside it
};

const std::set<QByteArray>& SkippedDestinations() {
    static const std::set<QByteArray> names = {
        "stylesheet", "info", "pict", "header", "headerl", "headerr", "headerf", "footer",
        "footerl", "footerr", "footerf", "footnote", "annotation", "listtext", "pntext", "listtable",
        "listoverridetable", "revtbl", "rsidtbl", "generator", "xmlnstbl", "shp", "shpinst", "shprslt",
        "nonshppict", "themedata", "colorschememapping", "latentstyles", "datastore", "filetbl",
        "author", "operator", "title", "subject", "keywords", "comment", "doccomm", "company",
        "bkmkstart", "bkmkend", "xe", "tc", "txe", "template", "mmathPr", "pgdsctbl", "fchars",
        "lchars", "userprops", "docvar", "ftnsep", "ftnsepc", "ftncn", "aftnsep", "aftnsepc",
        "aftncn", "objdata", "result", "fldinst", "pntxta", "pntxtb", "atnid", "atnauthor",
        "atrfstart", "atrfend", "private", "blipuid", "picprop", "sp", "sn", "sv", "factoidname",
        "hlinkbase", "wgrffmtfilter", "ud", "upr", "buptim", "creatim", "printim", "revtim",
        "passwordhash", "protusertbl", "ftnalt", "defchp", "defpap", "pgptbl", "falt", "panose"};
    return names;
}

class Reader {
public:
    Reader(const QByteArray& data, QTextCursor& cursor, qreal ppp, bool noObjects)
        : FData(data), FCursor(cursor), FPpp(ppp), FNoObjects(noObjects) {}

    void Run() {
        FGroups.reserve(64);
        FCursor.beginEditBlock();
        const qsizetype n = FData.size();
        while (FPos < n) {
            const uchar c = uchar(FData[FPos++]);
            if (FOverflow > 0) {
                // Inside groups nested deeper than we follow: only their braces count.
                if (c == '{') ++FOverflow;
                else if (c == '}') --FOverflow;
                else if (c == '\\' && FPos < n) ++FPos;
                continue;
            }
            if (c != '{' && FGroups.empty()) break;  // past the document's own group
            if (c == '{') {
                FlushBytes();
                if (int(FGroups.size()) >= MaxDepth) {
                    FOverflow = 1;
                    // Read past the braces only, an object's group could not be written back as read.
                    for (Group& open : FGroups)
                        if (open.ObjectRoot) open.Overflowed = true;
                    continue;
                }
                Group g = FGroups.empty() ? Group() : FGroups.back();
                g.Ignorable = false;
                g.First = true;
                g.PnBullet = false;
                g.Open = FPos - 1;
                g.ObjectRoot = false;
                g.Overflowed = false;
                FGroups.push_back(g);
            } else if (c == '}') {
                EndGroup();
            } else if (c == '\\') {
                ControlWord();
            } else if (c == '\r' || c == '\n') {
                continue;
            } else {
                TextByte(c);
            }
        }
        FlushBytes();
        FlushRun();
        if (!FPending && FTouched) ApplyParagraph(FGroups.empty() ? FFinalPara : G().Para);
        FCursor.endEditBlock();
    }

private:
    Group& G() { return FGroups.back(); }

    void EndGroup() {
        FlushBytes();
        if (FGroups.empty()) return;
        const Group done = FGroups.back();
        FGroups.pop_back();
        if (done.D == Dest::FontTable) EndFontName();
        if (FGroups.empty()) {
            FlushRun();
            FFinalPara = done.Para;
            return;
        }
        if (done.D == Dest::Pn && done.PnBullet) G().Para.Bullet = true;
        if (done.ObjectRoot && !done.Overflowed) InsertObject(FData.mid(done.Open, FPos - done.Open));
    }

    void InsertObject(const QByteArray& group) {
        const Group& g = G();
        if (g.D != Dest::Text || g.Ch.Hidden) return;
        FlushRun();
        if (FPending) {
            FCursor.insertBlock();
            FPending = false;
        }
        QTextCharFormat f = CharFormat(g.Ch);
        f.setObjectType(EmbeddedObjectType);
        f.setProperty(ObjectGroupProperty, group);
        FCursor.insertText(QString(QChar::ObjectReplacementCharacter), f);
        FTouched = true;
    }

    // --- text

    void TextByte(uchar c) {
        Group& g = G();
        g.First = false;
        if (FSkipChars > 0) {
            --FSkipChars;
            return;
        }
        if (g.D == Dest::FontTable) {
            if (c == ';') EndFontName();
            else if (FCurrentFont >= 0 && FFontNameBytes.size() < 256) FFontNameBytes += char(c);
            return;
        }
        if (g.D == Dest::ColorTable) {
            if (c == ';') EndColor();
            return;
        }
        if (g.D != Dest::Text || g.Ch.Hidden) return;
        if (c < 0x20 && c != '\t') return;
        if (c < 0x80) {
            FlushBytes();
            Append(QString(QChar(c)));
        } else {
            const int cp = CurrentCodePage();
            if (!FBytes.isEmpty() && cp != FBytesCodePage) FlushBytes();
            FBytesCodePage = cp;
            FBytes += char(c);
        }
    }

    int CurrentCodePage() const {
        const auto it = FFonts.find(FGroups.back().Ch.Font);
        if (it != FFonts.end() && it->second.CodePage > 0) return it->second.CodePage;
        return FCodePage;
    }

    void FlushBytes() {
        if (FBytes.isEmpty()) return;
        const QByteArray b = FBytes;
        FBytes.clear();
        Append(Decode(b, FBytesCodePage));
    }

    void Append(const QString& s) {
        if (FGroups.empty()) return;
        Group& g = G();
        if (g.D != Dest::Text || g.Ch.Hidden || s.isEmpty()) return;
        if (!(g.Ch == FRunState)) {
            FlushRun();
            FRunState = g.Ch;
        }
        if (FPending) {
            FlushRun();
            FCursor.insertBlock();
            FPending = false;
        }
        FRun += s;
        FTouched = true;
    }

    void FlushRun() {
        if (FRun.isEmpty()) return;
        const QString text = Clean(FRun);
        FRun.clear();
        if (!text.isEmpty()) FCursor.insertText(text, CharFormat(FRunState));
    }

    QTextCharFormat CharFormat(const CharState& s) const {
        QTextCharFormat f;
        const auto it = FFonts.find(s.Font);
        if (it != FFonts.end() && !it->second.Name.isEmpty()) {
            f.setFontFamilies(QStringList{it->second.Name});
            if (it->second.Pitch == 1) f.setFontFixedPitch(true);
            if (it->second.Pitch == 1 || it->second.Pitch == 2) f.setProperty(PitchProperty, it->second.Pitch);
        }
        f.setFontPointSize(std::clamp(s.HalfPoints, 2, 3276) / 2.0);
        f.setFontWeight(s.Bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(s.Italic);
        f.setFontUnderline(s.Underline);
        f.setFontStrikeOut(s.Strike);
        if (s.Protected) f.setProperty(ProtectedProperty, true);
        if (s.Color > 0 && s.Color < int(FColors.size()) && FColors[size_t(s.Color)].isValid())
            f.setForeground(FColors[size_t(s.Color)]);
        return f;
    }

    // --- paragraphs

    void EndParagraph() {
        FlushBytes();
        FlushRun();
        if (FPending) {
            FCursor.insertBlock();
            FTouched = true;
        }
        ApplyParagraph(G().Para);
        FPending = true;
    }

    void ApplyParagraph(const ParaState& p) {
        QTextBlockFormat f;
        static const Qt::Alignment aligns[] = {Qt::AlignLeft | Qt::AlignAbsolute, Qt::AlignRight | Qt::AlignAbsolute,
                                               Qt::AlignHCenter, Qt::AlignJustify};
        f.setAlignment(aligns[std::clamp(p.Align, 0, 3)]);
        const int start = std::clamp(p.Left + p.First, -MaxTwips, MaxTwips);
        SetIndents(f, start, std::clamp(-p.First, -MaxTwips, MaxTwips), p.Bullet, FPpp);
        f.setRightMargin(std::clamp(p.Right, 0, MaxTwips) / 20.0 * FPpp);
        QList<QTextOption::Tab> tabs;
        for (int t : p.Tabs) tabs.append(QTextOption::Tab(t / 20.0 * FPpp, QTextOption::LeftTab));
        f.setTabPositions(tabs);
        FCursor.setBlockFormat(f);
        QTextBlock block = FCursor.block();
        if (p.Bullet) {
            QTextBlock prev = block.previous();
            if (prev.isValid() && prev.textList() && prev.textList()->format().style() == QTextListFormat::ListDisc)
                prev.textList()->add(block);
            else {
                QTextListFormat lf;
                lf.setStyle(QTextListFormat::ListDisc);
                lf.setIndent(0);
                FCursor.createList(lf);
            }
        }
    }

    // --- tables of the header

    void EndFontName() {
        if (FCurrentFont >= 0) {
            Font& f = FFonts[FCurrentFont];
            f.Name = Clean(Decode(FFontNameBytes, 1252)).trimmed();
            f.Name.remove(QChar('\t'));
        }
        FFontNameBytes.clear();
        FCurrentFont = -1;
    }

    void EndColor() {
        if (FColors.size() < size_t(MaxColors))
            FColors.push_back(FColorSet ? QColor(FRed, FGreen, FBlue) : QColor());
        FRed = FGreen = FBlue = 0;
        FColorSet = false;
    }

    // --- control words and symbols

    void ControlWord() {
        const qsizetype n = FData.size();
        if (FPos >= n) return;
        const uchar c = uchar(FData[FPos]);
        if (!std::isalpha(c)) {
            ++FPos;
            if (c != '\'') FlushBytes();
            Symbol(c);
            return;
        }
        // Bytes read so far belong to the format before the word (a double-byte character
        // spans two escapes, which must stay together).
        FlushBytes();
        QByteArray word;
        while (FPos < n && std::isalpha(uchar(FData[FPos]))) {
            if (word.size() < MaxWordLength) word += FData[FPos];
            ++FPos;
        }
        bool hasParam = false;
        bool negative = false;
        long long value = 0;
        if (FPos < n && FData[FPos] == '-' && FPos + 1 < n && std::isdigit(uchar(FData[FPos + 1]))) {
            negative = true;
            ++FPos;
        }
        int digits = 0;
        while (FPos < n && std::isdigit(uchar(FData[FPos]))) {
            if (digits < 10) value = value * 10 + (FData[FPos] - '0');
            ++digits;
            ++FPos;
            hasParam = true;
        }
        if (FPos < n && FData[FPos] == ' ') ++FPos;
        value = std::clamp(value, 0LL, 2147483647LL);
        const int param = int(negative ? -value : value);
        Word(word, hasParam, param);
    }

    void Symbol(uchar c) {
        Group& g = G();
        // A symbol is content, as a control word is: a destination named after it ("{\<newline>\object")
        // is not the group's, or the group kept whole would repeat the paragraph it began with.
        if (c != '*') g.First = false;
        switch (c) {
            case '\\':
            case '{':
            case '}': TextByte(c); break;
            case '*': g.Ignorable = true; break;
            case '\'': {
                const qsizetype n = FData.size();
                int v = 0, got = 0;
                while (got < 2 && FPos < n && std::isxdigit(uchar(FData[FPos]))) {
                    const uchar h = uchar(FData[FPos]);
                    v = v * 16 + (std::isdigit(h) ? h - '0' : (std::tolower(h) - 'a' + 10));
                    ++FPos;
                    ++got;
                }
                if (got == 2) TextByte(uchar(v));
                break;
            }
            case '~': Special(QChar(0xA0)); break;
            case '_': Special(QChar(0x2011)); break;
            case '-': break;
            case '\r':
            case '\n':
                if (g.D == Dest::Text) EndParagraph();
                break;
            default: break;
        }
    }

    void Special(QChar c) {
        G().First = false;
        if (FSkipChars > 0) {
            --FSkipChars;
            return;
        }
        FlushBytes();
        Append(QString(c));
    }

    void Word(const QByteArray& w, bool hasParam, int param) {
        Group& g = G();
        const bool first = g.First;
        g.First = false;
        FSkipChars = 0;
        // Destinations; inside a skipped group everything stays skipped (a font table in an
        // object's data must not redefine the document's fonts).
        if (first && w != "rtf" && g.D != Dest::Skip && g.D != Dest::Object) {
            if (w == "fonttbl") { g.D = Dest::FontTable; return; }
            if (w == "colortbl") { g.D = Dest::ColorTable; return; }
            if (w == "pn") { g.D = Dest::Pn; return; }
            if (w == "object") {
                g.D = FNoObjects ? Dest::Skip : Dest::Object;
                g.ObjectRoot = !FNoObjects;
                return;
            }
            if (SkippedDestinations().count(w) || g.Ignorable) { g.D = Dest::Skip; return; }
        }
        if (g.D == Dest::Skip || g.D == Dest::Object) {
            if (w == "bin" && hasParam) SkipBinary(param);
            return;
        }
        if (w == "bin") {
            if (hasParam) SkipBinary(param);
            return;
        }
        if (g.D == Dest::FontTable) {
            if (w == "f" && hasParam) {
                if (FCurrentFont >= 0) EndFontName();
                if (int(FFonts.size()) < MaxFonts || FFonts.count(param)) {
                    FCurrentFont = param;
                    FFonts[param] = Font();
                    FFontNameBytes.clear();
                }
            } else if (w == "fcharset" && FCurrentFont >= 0) {
                FFonts[FCurrentFont].CodePage = CodePageOfCharset(param);
            } else if (w == "cpg" && FCurrentFont >= 0 && param > 0) {
                FFonts[FCurrentFont].CodePage = param;
            } else if (w == "fprq" && FCurrentFont >= 0) {
                FFonts[FCurrentFont].Pitch = param;
            }
            return;
        }
        if (g.D == Dest::ColorTable) {
            const int v = std::clamp(param, 0, 255);
            if (w == "red") { FRed = v; FColorSet = true; }
            else if (w == "green") { FGreen = v; FColorSet = true; }
            else if (w == "blue") { FBlue = v; FColorSet = true; }
            return;
        }
        if (g.D == Dest::Pn) {
            if (w == "pnlvlblt" || w == "pnlvlbody" || w == "pnlvlcont" || (w == "pnlvl" && param > 0))
                g.PnBullet = true;
            return;
        }
        // Header.
        if (w == "ansicpg") { if (param > 0) FCodePage = param; return; }
        if (w == "deff") { FDefaultFont = param; ResetFontAll(); return; }
        if (w == "uc") { g.Uc = std::clamp(param, 0, 10); return; }
        if (w == "u") {
            int v = param;
            if (v < 0) v += 65536;
            Special(QChar(char16_t(std::clamp(v, 0, 65535))));
            FSkipChars = g.Uc;
            return;
        }
        // Characters.
        CharState& ch = g.Ch;
        const bool on = !hasParam || param != 0;
        if (w == "plain") { ch = CharState(); ch.Font = FDefaultFont; }
        else if (w == "b") ch.Bold = on;
        else if (w == "i") ch.Italic = on;
        else if (w == "strike" || w == "striked") ch.Strike = on;
        else if (w == "ulnone") ch.Underline = false;
        else if (w.startsWith("ul") && w != "ulc" && w != "ulldash") ch.Underline = on;
        else if (w == "v") ch.Hidden = on;
        else if (w == "protect") ch.Protected = on;
        else if (w == "f") ch.Font = param;
        else if (w == "fs" && hasParam) ch.HalfPoints = std::clamp(param, 2, 3276);
        else if (w == "cf") ch.Color = std::max(0, param);
        // Paragraphs.
        else if (w == "pard") g.Para = ParaState();
        else if (w == "ql") g.Para.Align = 0;
        else if (w == "qr") g.Para.Align = 1;
        else if (w == "qc") g.Para.Align = 2;
        else if (w == "qj" || w == "qd") g.Para.Align = 3;
        else if (w == "li" || w == "lin") g.Para.Left = std::clamp(param, -MaxTwips, MaxTwips);
        else if (w == "ri" || w == "rin") g.Para.Right = std::clamp(param, -MaxTwips, MaxTwips);
        else if (w == "fi") g.Para.First = std::clamp(param, -MaxTwips, MaxTwips);
        else if (w == "tx" || w == "tb") {
            if (int(g.Para.Tabs.size()) < MaxTabs) g.Para.Tabs.push_back(std::clamp(param, 0, MaxTwips));
        } else if (w == "ls") g.Para.Bullet = param > 0;
        // Breaks and special characters.
        else if (w == "par" || w == "sect" || w == "page" || w == "row" || w == "nestrow") {
            if (g.D == Dest::Text) EndParagraph();
        } else if (w == "line") Special(QChar(0x2028));
        else if (w == "tab" || w == "cell" || w == "nestcell") Special(QChar('\t'));
        else if (w == "emdash") Special(QChar(0x2014));
        else if (w == "endash") Special(QChar(0x2013));
        else if (w == "bullet") Special(QChar(0x2022));
        else if (w == "lquote") Special(QChar(0x2018));
        else if (w == "rquote") Special(QChar(0x2019));
        else if (w == "ldblquote") Special(QChar(0x201C));
        else if (w == "rdblquote") Special(QChar(0x201D));
        else if (w == "emspace" || w == "enspace" || w == "qmspace") Special(QChar(' '));
    }

    void ResetFontAll() {
        for (Group& g : FGroups)
            if (g.Ch.Font < 0) g.Ch.Font = FDefaultFont;
    }

    void SkipBinary(int count) {
        const qsizetype left = FData.size() - FPos;
        FPos += std::min<qsizetype>(std::max(0, count), left);
    }

    const QByteArray& FData;
    QTextCursor& FCursor;
    const qreal FPpp;
    const bool FNoObjects;
    qsizetype FPos = 0;
    std::vector<Group> FGroups;
    int FOverflow = 0;
    int FSkipChars = 0;
    int FCodePage = 1252;
    int FDefaultFont = -1;
    std::map<int, Font> FFonts;
    int FCurrentFont = -1;
    QByteArray FFontNameBytes;
    std::vector<QColor> FColors;
    int FRed = 0, FGreen = 0, FBlue = 0;
    bool FColorSet = false;
    QByteArray FBytes;
    int FBytesCodePage = 1252;
    QString FRun;
    CharState FRunState;
    bool FPending = false;
    bool FTouched = false;
    ParaState FFinalPara;
};

// --- writer

void Escape(QByteArray& out, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == 0x2028 || u == 0x2029) {
            out += "\\line ";
        } else if (u == 0xA0) {
            out += "\\~";
        } else if (u >= 0x20 && u < 0x80) {
            out += char(u);
        } else if (u < 0x20 || u == QChar::ObjectReplacementCharacter) {
            continue;
        } else {
            const int b = ToCp1252(c);
            if (b >= 0) {
                out += "\\'" + QByteArray::number(b, 16).rightJustified(2, '0');
            } else {
                out += "\\u" + QByteArray::number(qint16(u)) + '?';
            }
        }
    }
}

QString FamilyOf(const QTextCharFormat& f, const QFont& fallback) {
    const QStringList fam = f.fontFamilies().toStringList();
    if (!fam.isEmpty() && !fam.first().isEmpty()) return fam.first();
    return fallback.family();
}

int PitchOf(const QTextCharFormat& f) {
    if (f.hasProperty(PitchProperty)) return f.intProperty(PitchProperty);
    return f.fontFixedPitch() ? 1 : 0;
}

}  // namespace

void SetIndents(QTextBlockFormat& format, int startTwips, int offsetTwips, bool bullet, qreal ppp) {
    format.setProperty(StartIndentProperty, startTwips);
    format.setProperty(OffsetProperty, offsetTwips);
    format.setLeftMargin(std::max(0, startTwips + offsetTwips) / 20.0 * ppp);
    format.setTextIndent(bullet ? 0.0 : -offsetTwips / 20.0 * ppp);
}

int StartIndent(const QTextBlockFormat& format, qreal ppp) {
    if (format.hasProperty(StartIndentProperty)) return format.intProperty(StartIndentProperty);
    return qRound((format.leftMargin() + format.textIndent()) / ppp * 20);
}

int Offset(const QTextBlockFormat& format, qreal ppp) {
    if (format.hasProperty(OffsetProperty)) return format.intProperty(OffsetProperty);
    return qRound(-format.textIndent() / ppp * 20);
}

bool IsRtf(const QByteArray& data) {
    qsizetype i = 0;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n')) ++i;
    return data.mid(i, 5) == "{\\rtf";
}

bool Read(const QByteArray& data, QTextCursor& cursor, qreal pixelsPerPoint, bool noObjects) {
    if (!IsRtf(data)) return false;
    Reader(data, cursor, pixelsPerPoint > 0 ? pixelsPerPoint : 96.0 / 72, noObjects).Run();
    return true;
}

bool IsObject(const QTextCharFormat& format) {
    return format.objectType() == EmbeddedObjectType && format.hasProperty(ObjectGroupProperty);
}

QByteArray Write(const QTextDocument* document, int from, int to, qreal ppp, unsigned options) {
    if (ppp <= 0) ppp = 96.0 / 72;
    const int end = document->characterCount() - 1;
    from = std::clamp(from, 0, end);
    to = to < 0 ? end : std::clamp(to, from, end);
    const QFont defFont = document->defaultFont();

    struct Run {
        QString Text;
        QTextCharFormat Format;
    };
    struct Para {
        QTextBlockFormat Format;
        bool Bullet = false;
        std::vector<Run> Runs;
    };
    std::vector<Para> paras;
    std::vector<std::pair<QString, int>> fonts{{defFont.family(), defFont.fixedPitch() ? 1 : 0}};
    std::vector<QColor> colors;
    for (QTextBlock b = document->findBlock(from); b.isValid() && b.position() <= to; b = b.next()) {
        if (b.position() == to && b.position() > from && to < end) break;
        Para p;
        p.Format = b.blockFormat();
        p.Bullet = b.textList() != nullptr;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fr = it.fragment();
            const int s = std::max(from, fr.position()), e = std::min(to, fr.position() + fr.length());
            if (s >= e) continue;
            Run r{fr.text().mid(s - fr.position(), e - s), fr.charFormat()};
            if (IsObject(r.Format) && (options & NoObjects)) continue;
            const std::pair<QString, int> font{FamilyOf(r.Format, defFont), PitchOf(r.Format)};
            if (std::find(fonts.begin(), fonts.end(), font) == fonts.end()) fonts.push_back(font);
            if (r.Format.hasProperty(QTextFormat::ForegroundBrush)) {
                const QColor c = r.Format.foreground().color();
                if (std::find(colors.begin(), colors.end(), c) == colors.end()) colors.push_back(c);
            }
            p.Runs.push_back(r);
        }
        paras.push_back(std::move(p));
    }

    // Plain RTF leaves out the words tied to a code page or a character set.
    const bool plain = options & PlainRtf;
    QByteArray out = plain ? "{\\rtf1\\ansi\\deff0\\uc1\r\n{\\fonttbl" : "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n{\\fonttbl";
    for (size_t i = 0; i < fonts.size(); ++i) {
        out += "{\\f" + QByteArray::number(int(i)) + (fonts[i].second == 1 ? "\\fmodern" : "\\fnil");
        if (!plain) out += "\\fcharset0";
        if (fonts[i].second) out += "\\fprq" + QByteArray::number(fonts[i].second);
        out += ' ';
        Escape(out, fonts[i].first);
        out += ";}";
    }
    out += "}\r\n{\\colortbl ;";
    for (const QColor& c : colors)
        out += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) + "\\blue" +
               QByteArray::number(c.blue()) + ';';
    out += "}\r\n\\viewkind4";
    const int defHalf = qRound((defFont.pointSizeF() > 0 ? defFont.pointSizeF() : 10) * 2);
    for (const Para& p : paras) {
        out += "\\pard";
        const Qt::Alignment a = p.Format.alignment() & Qt::AlignHorizontal_Mask;
        if (a & Qt::AlignJustify) out += "\\qj";
        else if (a & Qt::AlignHCenter) out += "\\qc";
        else if (a & Qt::AlignRight) out += "\\qr";
        else out += "\\ql";
        const int start = StartIndent(p.Format, ppp), offset = Offset(p.Format, ppp);
        if (start + offset) out += "\\li" + QByteArray::number(start + offset);
        if (offset) out += "\\fi" + QByteArray::number(-offset);
        const int right = qRound(p.Format.rightMargin() / ppp * 20);
        if (right) out += "\\ri" + QByteArray::number(right);
        for (const QTextOption::Tab& t : p.Format.tabPositions())
            out += "\\tx" + QByteArray::number(qRound(t.position / ppp * 20));
        if (p.Bullet) out += "{\\*\\pn\\pnlvlblt\\pnindent0{\\pntxtb\\u8226 ?}}";
        for (const Run& r : p.Runs) {
            const auto font = std::find(fonts.begin(), fonts.end(),
                                        std::pair<QString, int>{FamilyOf(r.Format, defFont), PitchOf(r.Format)});
            out += "\\plain\\f" + QByteArray::number(int(font - fonts.begin()));
            const qreal pt = r.Format.fontPointSize();
            out += "\\fs" + QByteArray::number(pt > 0 ? qRound(pt * 2) : defHalf);
            if (r.Format.fontWeight() >= QFont::DemiBold) out += "\\b";
            if (r.Format.fontItalic()) out += "\\i";
            if (r.Format.fontUnderline()) out += "\\ul";
            if (r.Format.fontStrikeOut()) out += "\\strike";
            if (r.Format.boolProperty(ProtectedProperty)) out += "\\protect";
            if (r.Format.hasProperty(QTextFormat::ForegroundBrush)) {
                const auto c = std::find(colors.begin(), colors.end(), r.Format.foreground().color());
                out += "\\cf" + QByteArray::number(int(c - colors.begin()) + 1);
            }
            out += ' ';
            if (IsObject(r.Format)) {
                // One character per object, each with its own group.
                for (qsizetype i = 0; i < r.Text.size(); ++i) out += r.Format.property(ObjectGroupProperty).toByteArray();
            } else {
                Escape(out, r.Text);
            }
        }
        out += "\\par\r\n";
    }
    out += "}\r\n";
    return out;
}

}  // namespace controls::edit::rtf
