#include "platform/documents/Document.h"
#include "platform/documents/ZipModule.h"
#include "platform/rtl/Modules.h"

#include <pugixml.hpp>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

namespace platform::documents {

QString FolderProblem(const QString& fileName)
{
    const QFileInfo folder(QFileInfo(fileName).absolutePath());
    const QString where = QDir::toNativeSeparators(folder.absoluteFilePath());
    if (!folder.isDir()) return QStringLiteral("la carpeta \"%1\" no existe.").arg(where);
    if (!folder.isWritable()) return QStringLiteral("no se puede escribir en la carpeta \"%1\".").arg(where);
    return {};
}

namespace {

const char* const kOdtMime = "application/vnd.oasis.opendocument.text";
const char* const kOttMime = "application/vnd.oasis.opendocument.text-template";

struct Entry {
    std::string name;
    QByteArray data;
};

enum class PartKind { Body, Header, Footer };

struct Part {
    int entry = -1;
    std::unique_ptr<pugi::xml_document> xml;
    bool dirty = false;
};

// One stretch of a paragraph's text: editable text, or an element standing for fixed
// characters (a tab, a line break, a run of spaces).
struct Piece {
    pugi::xml_node node;
    bool editable = false;
    QString text;
};

QString toQ(const char* s) { return QString::fromUtf8(s); }

QString docName(const QString& fileName) { return QFileInfo(fileName).fileName(); }

// The archive module, loaded with the first document; null (and the reason in `why`) when it
// cannot be.
const TZipModule* ZipModule(QString& why) {
    static QString error;
    static const TZipModule* module =
        ModuleTable<TZipModule>(QStringLiteral(ZEMBRA_ZIP_MODULE_FILE), ZEMBRA_ZIP_MODULE_ENTRY, kZipModuleVersion, &error);
    why = error;
    return module;
}

// Writes `entries` as the archive `fileName`; errors begin with `what`.
void WriteArchive(const QString& fileName, const std::vector<TZipEntry>& entries, const QString& what)
{
    QString why;
    const TZipModule* zip = ZipModule(why);
    if (!zip) throw EDocumentError(QStringLiteral("%1: %2").arg(what, why));
    bool created = false;
    if (zip->Write(fileName, entries, why, created)) return;
    const QString folder = FolderProblem(fileName);
    if (!folder.isEmpty()) why = folder;
    else if (!created) why = QStringLiteral("no se puede crear el fichero.");
    throw EDocumentError(QStringLiteral("%1: %2").arg(what, why));
}

// Characters XML 1.0 cannot carry are dropped from values.
QString xmlSafe(const QString& s)
{
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        ushort u = c.unicode();
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r') continue;
        if (u == 0xFFFE || u == 0xFFFF) continue;
        out.append(c);
    }
    return out;
}

int partNumber(const std::string& name)
{
    // "word/header12.xml" -> 12
    int n = 0;
    for (char c : name)
        if (c >= '0' && c <= '9') n = n * 10 + (c - '0');
    return n;
}

} // namespace

struct Document::Impl {
    DocumentFormat format = DocumentFormat::Docx;
    std::vector<Entry> entries;
    std::vector<Part> parts; // body first, then headers, then footers
    // Insertion point: typed text goes into paragraph insP before its child insAnchor
    // (at the end when the anchor is empty). Unset until first needed.
    pugi::xml_node insP, insAnchor;
    bool boldToggled = false;
    int fontSize = 0;
    int styleCount = 0;
    QHash<QString, QString> autoStyles;

    bool isParagraph(pugi::xml_node n) const
    {
        const char* nm = n.name();
        if (format == DocumentFormat::Docx) return std::strcmp(nm, "w:p") == 0;
        return std::strcmp(nm, "text:p") == 0 || std::strcmp(nm, "text:h") == 0;
    }

    void collectPieces(pugi::xml_node n, std::vector<Piece>& out) const
    {
        for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
            if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) {
                if (format == DocumentFormat::Odt) out.push_back({c, true, toQ(c.value())});
                continue;
            }
            if (c.type() != pugi::node_element) continue;
            if (isParagraph(c)) continue; // nested paragraphs are visited on their own
            const char* nm = c.name();
            if (format == DocumentFormat::Docx) {
                if (!std::strcmp(nm, "w:pPr") || !std::strcmp(nm, "w:rPr") || !std::strcmp(nm, "w:delText")
                    || !std::strcmp(nm, "w:instrText"))
                    continue;
                bool inRun = !std::strcmp(c.parent().name(), "w:r");
                if (!std::strcmp(nm, "w:t")) {
                    out.push_back({c, true, toQ(c.child_value())});
                    continue;
                }
                if (inRun && !std::strcmp(nm, "w:tab")) { out.push_back({c, false, QStringLiteral("\t")}); continue; }
                if (inRun && (!std::strcmp(nm, "w:br") || !std::strcmp(nm, "w:cr"))) {
                    out.push_back({c, false, QStringLiteral("\n")});
                    continue;
                }
            } else {
                if (!std::strcmp(nm, "text:s")) {
                    int count = std::clamp(c.attribute("text:c").as_int(1), 1, 1000);
                    out.push_back({c, false, QString(count, QLatin1Char(' '))});
                    continue;
                }
                if (!std::strcmp(nm, "text:tab")) { out.push_back({c, false, QStringLiteral("\t")}); continue; }
                if (!std::strcmp(nm, "text:line-break")) { out.push_back({c, false, QStringLiteral("\n")}); continue; }
                if (!std::strcmp(nm, "office:annotation") || !std::strcmp(nm, "text:note")) continue;
            }
            collectPieces(c, out);
        }
    }

    void collectParagraphs(pugi::xml_node n, std::vector<pugi::xml_node>& out) const
    {
        for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element) continue;
            if (isParagraph(c)) out.push_back(c);
            collectParagraphs(c, out);
        }
    }

    // Paragraphs of one part in the order fields are reported.
    std::vector<pugi::xml_node> paragraphs(const Part& part, bool bodyOnly = false) const
    {
        std::vector<pugi::xml_node> out;
        pugi::xml_node root = part.xml->document_element();
        if (format == DocumentFormat::Docx) {
            collectParagraphs(root, out);
            return out;
        }
        if (!std::strcmp(root.name(), "office:document-content")) {
            collectParagraphs(root.child("office:body"), out);
            return out;
        }
        if (bodyOnly) return out;
        // styles.xml: headers of every master page, then footers
        pugi::xml_node master = root.child("office:master-styles");
        for (const char* kind : {"header", "footer"})
            for (pugi::xml_node page : master.children("style:master-page"))
                for (pugi::xml_node c : page.children()) {
                    std::string nm = c.name();
                    if (nm.rfind(std::string("style:") + kind, 0) == 0) collectParagraphs(c, out);
                }
        return out;
    }

    void forEachParagraph(const std::function<void(Part&, pugi::xml_node)>& fn)
    {
        for (Part& part : parts)
            for (pugi::xml_node p : paragraphs(part)) fn(part, p);
    }

    // Writes new text into an editable piece; breaks and tabs become their own elements.
    void materialize(Piece& piece, const QString& text)
    {
        struct Token { char kind; QString text; }; // 't' text, 'n' break, 'b' tab, 's' spaces
        std::vector<Token> tokens;
        QString cur;
        auto flush = [&] {
            if (!cur.isEmpty()) tokens.push_back({'t', cur});
            cur.clear();
        };
        for (qsizetype i = 0; i < text.size(); ++i) {
            QChar c = text[i];
            if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
                flush();
                tokens.push_back({'n', {}});
            } else if (c == QLatin1Char('\t')) {
                flush();
                tokens.push_back({'b', {}});
            } else if (format == DocumentFormat::Odt && c == QLatin1Char(' ') && i + 1 < text.size()
                       && text[i + 1] == QLatin1Char(' ')) {
                // OpenDocument collapses blanks: keep one, count the rest
                qsizetype j = i;
                while (j < text.size() && text[j] == QLatin1Char(' ')) ++j;
                cur.append(QLatin1Char(' '));
                flush();
                tokens.push_back({'s', QString::number(j - i - 1)});
                i = j - 1;
            } else {
                cur.append(c);
            }
        }
        flush();

        auto setText = [&](pugi::xml_node n, const QString& t) {
            QByteArray u = t.toUtf8();
            if (format == DocumentFormat::Docx) {
                n.text().set(u.constData());
                if (!n.attribute("xml:space")) n.append_attribute("xml:space");
                n.attribute("xml:space").set_value("preserve");
            } else {
                n.set_value(u.constData());
            }
        };

        pugi::xml_node parent = piece.node.parent();
        pugi::xml_node last = piece.node;
        size_t k = 0;
        if (!tokens.empty() && tokens[0].kind == 't') {
            setText(piece.node, tokens[0].text);
            k = 1;
        } else {
            setText(piece.node, QString());
        }
        for (; k < tokens.size(); ++k) {
            const Token& t = tokens[k];
            pugi::xml_node n;
            if (format == DocumentFormat::Docx) {
                switch (t.kind) {
                case 'n': n = parent.insert_child_after("w:br", last); break;
                case 'b': n = parent.insert_child_after("w:tab", last); break;
                default: n = parent.insert_child_after("w:t", last); setText(n, t.text); break;
                }
            } else {
                switch (t.kind) {
                case 'n': n = parent.insert_child_after("text:line-break", last); break;
                case 'b': n = parent.insert_child_after("text:tab", last); break;
                case 's':
                    n = parent.insert_child_after("text:s", last);
                    n.append_attribute("text:c").set_value(t.text.toUtf8().constData());
                    break;
                default: n = parent.insert_child_after(pugi::node_pcdata, last); setText(n, t.text); break;
                }
            }
            last = n;
        }
    }
};

Document::Document() : d(std::make_unique<Impl>()) {}
Document::~Document() = default;
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;

DocumentFormat Document::Format() const { return d->format; }

Document Document::Load(const QString& fileName)
{
    return FromArchive(&fileName, nullptr, docName(fileName));
}

Document Document::FromBytes(const QByteArray& bytes, const QString& shownName)
{
    return FromArchive(nullptr, &bytes, shownName);
}

Document Document::FromArchive(const QString* fileName, const QByteArray* bytes, const QString& shown)
{
    auto fail = [&](const QString& why) -> EDocumentError {
        return EDocumentError(QStringLiteral("No se puede abrir el documento \"%1\": %2").arg(shown, why));
    };
    QString why;
    const TZipModule* zip = ZipModule(why);
    if (!zip) throw fail(why);
    TZipRead read;
    zip->Read(fileName, bytes, TZipLimits(), read);
    switch (read.Fault) {
    case TZipRead::None:
        break;
    case TZipRead::Unreadable:
        throw fail(QStringLiteral("el fichero no existe o no se puede leer."));
    case TZipRead::NotArchive:
        throw fail(QStringLiteral("no es un documento .docx ni .odt (el archivo está dañado o es de otro tipo)."));
    case TZipRead::TooManyEntries:
        throw fail(QStringLiteral("el archivo tiene demasiadas partes."));
    case TZipRead::Damaged:
        throw fail(QStringLiteral("el archivo está dañado."));
    case TZipRead::DamagedOrEncrypted:
        throw fail(QStringLiteral("el archivo está dañado o cifrado."));
    case TZipRead::TooLarge:
        throw fail(QStringLiteral("el documento es demasiado grande."));
    }

    Document doc;
    Impl& d = *doc.d;
    d.entries.reserve(read.Entries.size());
    for (TZipEntry& e : read.Entries) d.entries.push_back(Entry{std::move(e.Name), std::move(e.Data)});

    auto find = [&](const std::string& name) {
        for (size_t i = 0; i < d.entries.size(); ++i)
            if (d.entries[i].name == name) return int(i);
        return -1;
    };
    int mime = find("mimetype");
    std::vector<std::pair<int, int>> order; // (rank, entry)
    if (mime >= 0) {
        QByteArray m = d.entries[size_t(mime)].data.trimmed();
        if (m != kOdtMime && m != kOttMime) throw fail(QStringLiteral("no es un documento de texto."));
        d.format = DocumentFormat::Odt;
        int content = find("content.xml");
        if (content < 0) throw fail(QStringLiteral("le falta el contenido."));
        order.push_back({0, content});
        int styles = find("styles.xml");
        if (styles >= 0) order.push_back({1, styles});
    } else {
        int body = find("word/document.xml");
        if (body < 0 || find("[Content_Types].xml") < 0)
            throw fail(QStringLiteral("no es un documento .docx ni .odt."));
        d.format = DocumentFormat::Docx;
        order.push_back({0, body});
        std::vector<std::pair<int, int>> hf;
        for (size_t i = 0; i < d.entries.size(); ++i) {
            const std::string& n = d.entries[i].name;
            if (n.size() < 4 || n.compare(n.size() - 4, 4, ".xml") != 0) continue;
            if (n.rfind("word/header", 0) == 0) hf.push_back({100000 + partNumber(n), int(i)});
            else if (n.rfind("word/footer", 0) == 0) hf.push_back({200000 + partNumber(n), int(i)});
            // Notes are text of the document too: a field there is merged like any other.
            else if (n == "word/footnotes.xml") hf.push_back({300000, int(i)});
            else if (n == "word/endnotes.xml") hf.push_back({400000, int(i)});
        }
        std::sort(hf.begin(), hf.end());
        order.insert(order.end(), hf.begin(), hf.end());
    }
    for (auto [rank, idx] : order) {
        Q_UNUSED(rank);
        Part part;
        part.entry = idx;
        part.xml = std::make_unique<pugi::xml_document>();
        const QByteArray& data = d.entries[size_t(idx)].data;
        pugi::xml_parse_result r = part.xml->load_buffer(
            data.constData(), size_t(data.size()),
            pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration, pugi::encoding_utf8);
        if (!r)
            throw fail(QStringLiteral("la parte %1 está dañada (%2).")
                           .arg(toQ(d.entries[size_t(idx)].name.c_str()), toQ(r.description())));
        d.parts.push_back(std::move(part));
    }
    return doc;
}

namespace {
struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};
} // namespace

void Document::Save(const QString& fileName)
{
    for (Part& part : d->parts) {
        if (!part.dirty) continue;
        StringWriter w;
        part.xml->save(w, "", pugi::format_raw, pugi::encoding_utf8);
        d->entries[size_t(part.entry)].data = QByteArray(w.out.data(), qsizetype(w.out.size()));
        part.dirty = false;
    }
    // The OpenDocument mimetype entry must come first and uncompressed.
    std::vector<TZipEntry> entries;
    entries.reserve(d->entries.size());
    for (const Entry& e : d->entries)
        if (e.name == "mimetype") entries.push_back(TZipEntry{e.name, e.data, true});
    for (const Entry& e : d->entries)
        if (e.name != "mimetype") entries.push_back(TZipEntry{e.name, e.data, false});
    WriteArchive(fileName, entries, QStringLiteral("No se puede guardar el documento \"%1\"").arg(docName(fileName)));
}

QStringList Document::Fields() const
{
    QStringList keys;
    for (const Part& part : d->parts)
        for (pugi::xml_node p : d->paragraphs(part)) {
            std::vector<Piece> pieces;
            d->collectPieces(p, pieces);
            QString t;
            for (const Piece& pc : pieces) t += pc.text;
            qsizetype i = 0;
            for (;;) {
                qsizetype s = t.indexOf(QLatin1String("[["), i);
                if (s < 0) break;
                qsizetype e = t.indexOf(QLatin1String("]]"), s + 2);
                if (e < 0) break;
                keys << t.mid(s, e + 2 - s);
                i = e + 2;
            }
        }
    return keys;
}

// OpenDocument drops a blank that opens a paragraph unless it is written as a space element.
static pugi::xml_node firstText(pugi::xml_node n)
{
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_pcdata) {
            if (*c.value()) return c;
            continue;
        }
        if (c.type() != pugi::node_element) continue;
        if (!std::strcmp(c.name(), "text:span")) {
            if (pugi::xml_node t = firstText(c)) return t;
            if (c.first_child()) {
                // a span with only elements inside (a tab, a space) opens the paragraph
                for (pugi::xml_node k = c.first_child(); k; k = k.next_sibling())
                    if (k.type() == pugi::node_element) return {};
            }
            continue;
        }
        return {};
    }
    return {};
}

static void keepLeadingBlank(pugi::xml_node para)
{
    pugi::xml_node n = firstText(para);
    if (!n || n.value()[0] != ' ') return;
    std::string rest = n.value() + 1;
    n.parent().insert_child_before("text:s", n);
    n.set_value(rest.c_str());
}

namespace {
struct Match { qsizetype s, e; QString value; };
using Matcher = std::function<void(const QString& text, std::vector<Match>& out)>;
} // namespace

// Replaces, paragraph by paragraph, what the matcher finds in the original text; the
// inserted values are never searched again.
static int replaceMatches(Document::Impl& d, const Matcher& matcher)
{
    int replaced = 0;
    d.insP = d.insAnchor = pugi::xml_node();
    for (Part& part : d.parts)
        for (pugi::xml_node p : d.paragraphs(part)) {
            std::vector<Piece> pieces;
            d.collectPieces(p, pieces);
            QString t;
            for (const Piece& pc : pieces) t += pc.text;
            std::vector<Match> matches;
            matcher(t, matches);
            if (matches.empty()) continue;
            replaced += int(matches.size());
            part.dirty = true;
            // Rebuild each piece from the original text: the value goes where its match starts
            // (so it takes that run's formatting); the rest of the match is dropped.
            qsizetype off = 0;
            size_t m = 0;
            for (Piece& pc : pieces) {
                qsizetype end = off + pc.text.size();
                QString out;
                for (qsizetype q = off; q < end; ++q) {
                    while (m < matches.size() && matches[m].e <= q) ++m;
                    if (m < matches.size() && q >= matches[m].s) {
                        if (q == matches[m].s) out += matches[m].value;
                        continue;
                    }
                    out += t[q];
                }
                if (pc.editable) {
                    if (out != pc.text) d.materialize(pc, out);
                } else if (out.isEmpty() && !pc.text.isEmpty()) {
                    pc.node.parent().remove_child(pc.node);
                }
                off = end;
            }
            if (d.format == DocumentFormat::Odt) keepLeadingBlank(p);
        }
    return replaced;
}

int Document::ReplaceAll(const QHash<QString, QString>& values)
{
    return replaceMatches(*d, [&](const QString& t, std::vector<Match>& out) {
        qsizetype i = 0;
        for (;;) {
            qsizetype s = t.indexOf(QLatin1String("[["), i);
            if (s < 0) break;
            qsizetype e = t.indexOf(QLatin1String("]]"), s + 2);
            if (e < 0) break;
            auto it = values.constFind(t.mid(s, e + 2 - s));
            if (it != values.constEnd()) out.push_back({s, e + 2, xmlSafe(it.value())});
            i = e + 2;
        }
    });
}

int Document::ReplaceText(const QString& find, const QString& value)
{
    if (find.isEmpty()) return 0;
    const QString safe = xmlSafe(value);
    return replaceMatches(*d, [&](const QString& t, std::vector<Match>& out) {
        for (qsizetype s = t.indexOf(find); s >= 0; s = t.indexOf(find, s + find.size()))
            out.push_back({s, s + find.size(), safe});
    });
}

void Document::ConvertTemplateToDocument()
{
    for (Entry& e : d->entries) {
        if (e.name == "[Content_Types].xml")
            e.data.replace("wordprocessingml.template.main+xml", "wordprocessingml.document.main+xml");
        else if (e.name == "mimetype" && e.data.trimmed() == kOttMime)
            e.data = kOdtMime;
    }
}

QString Document::BodyText() const
{
    QStringList lines;
    if (d->parts.empty()) return {};
    for (pugi::xml_node p : d->paragraphs(d->parts.front(), true)) {
        std::vector<Piece> pieces;
        d->collectPieces(p, pieces);
        QString t;
        for (const Piece& pc : pieces) t += pc.text;
        lines << t;
    }
    return lines.join(QLatin1Char('\n'));
}

namespace {

bool named(pugi::xml_node n, const char* name) { return n && !std::strcmp(n.name(), name); }

// The child of the paragraph that holds node n.
pugi::xml_node topChild(pugi::xml_node para, pugi::xml_node n)
{
    while (n && n.parent() != para) n = n.parent();
    return n;
}

std::vector<int> pathFrom(pugi::xml_node top, pugi::xml_node n)
{
    std::vector<int> path;
    for (; n != top; n = n.parent()) {
        int i = 0;
        for (pugi::xml_node c = n.parent().first_child(); c != n; c = c.next_sibling()) ++i;
        path.insert(path.begin(), i);
    }
    return path;
}

pugi::xml_node follow(pugi::xml_node top, const std::vector<int>& path)
{
    for (int i : path) {
        pugi::xml_node c = top.first_child();
        for (int k = 0; k < i; ++k) c = c.next_sibling();
        top = c;
    }
    return top;
}

// Removes what comes after n (after=true) or before it inside top; formatting elements stay.
void trim(pugi::xml_node top, pugi::xml_node n, bool after)
{
    for (; n != top; n = n.parent()) {
        pugi::xml_node p = n.parent();
        if (after) {
            while (pugi::xml_node s = n.next_sibling()) p.remove_child(s);
        } else {
            for (pugi::xml_node s = n.previous_sibling(); s;) {
                pugi::xml_node prev = s.previous_sibling();
                if (!named(s, "w:rPr")) p.remove_child(s);
                s = prev;
            }
        }
    }
}

// Puts child `name` into parent in the order the Word schema wants; returns it.
pugi::xml_node orderedChild(pugi::xml_node parent, const char* name, std::initializer_list<const char*> before)
{
    if (pugi::xml_node c = parent.child(name)) return c;
    pugi::xml_node after;
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        for (const char* b : before)
            if (named(c, b)) after = c;
    return after ? parent.insert_child_after(name, after) : parent.prepend_child(name);
}

const std::initializer_list<const char*> kBeforeBold = {"w:rStyle", "w:rFonts"};
const std::initializer_list<const char*> kBeforeSize = {"w:rStyle", "w:rFonts", "w:b", "w:bCs", "w:i", "w:iCs", "w:caps",
    "w:smallCaps", "w:strike", "w:dstrike", "w:outline", "w:shadow", "w:emboss", "w:imprint", "w:noProof",
    "w:snapToGrid", "w:vanish", "w:webHidden", "w:color", "w:spacing", "w:w", "w:kern", "w:position"};
const std::initializer_list<const char*> kBeforeTabs = {"w:pStyle", "w:keepNext", "w:keepLines", "w:pageBreakBefore",
    "w:framePr", "w:widowControl", "w:numPr", "w:suppressLineNumbers", "w:pBdr", "w:shd"};

} // namespace

// Splits the paragraph at a text offset; returns the child before which text goes.
static pugi::xml_node splitAt(Document::Impl& d, pugi::xml_node para, qsizetype offset)
{
    std::vector<Piece> pieces;
    d.collectPieces(para, pieces);
    qsizetype off = 0;
    for (Piece& pc : pieces) {
        qsizetype end = off + pc.text.size();
        if (offset < end || (offset == off && pc.text.isEmpty() && pc.editable)) {
            qsizetype local = offset - off;
            pugi::xml_node top = topChild(para, pc.node);
            if (local <= 0 || !pc.editable) return top;
            const QString left = pc.text.left(local), right = pc.text.mid(local);
            if (top == pc.node) { // bare text right under the paragraph
                para.insert_child_before(pugi::node_pcdata, top).set_value(left.toUtf8().constData());
                top.set_value(right.toUtf8().constData());
                return top;
            }
            pugi::xml_node copy = para.insert_copy_before(top, top);
            pugi::xml_node twin = follow(copy, pathFrom(top, pc.node));
            if (d.format == DocumentFormat::Docx) {
                twin.text().set(left.toUtf8().constData());
                pc.node.text().set(right.toUtf8().constData());
            } else {
                twin.set_value(left.toUtf8().constData());
                pc.node.set_value(right.toUtf8().constData());
            }
            trim(copy, twin, true);
            trim(top, pc.node, false);
            return top;
        }
        off = end;
    }
    return {};
}

static void ensureCursor(Document::Impl& d)
{
    if (d.insP) return;
    if (d.parts.empty()) return;
    std::vector<pugi::xml_node> ps = d.paragraphs(d.parts.front(), true);
    if (ps.empty()) throw EDocumentError(QStringLiteral("El documento no tiene ningún párrafo donde escribir."));
    d.insP = ps.front();
    d.insAnchor = splitAt(d, d.insP, 0);
}

void Document::MoveToStart()
{
    d->insP = d->insAnchor = pugi::xml_node();
    ensureCursor(*d);
}

bool Document::Find(const QString& text)
{
    if (d->parts.empty() || text.isEmpty()) return false;
    for (pugi::xml_node p : d->paragraphs(d->parts.front(), true)) {
        std::vector<Piece> pieces;
        d->collectPieces(p, pieces);
        QString t;
        for (const Piece& pc : pieces) t += pc.text;
        qsizetype s = t.indexOf(text);
        if (s < 0) continue;
        d->parts.front().dirty = true;
        d->insP = p;
        d->insAnchor = splitAt(*d, p, s);
        return true;
    }
    return false;
}

void Document::ToggleBold() { d->boldToggled = !d->boldToggled; }

void Document::SetFontSize(int points) { d->fontSize = std::clamp(points, 1, 1638); }

// The automatic styles of content.xml; the style and formatting namespaces are declared on the
// root when the model did not declare them (a minimal model has no styles of its own).
static pugi::xml_node odtAutomaticStyles(pugi::xml_node root)
{
    if (!root.attribute("xmlns:style"))
        root.append_attribute("xmlns:style").set_value("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
    if (!root.attribute("xmlns:fo"))
        root.append_attribute("xmlns:fo").set_value("urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0");
    pugi::xml_node styles = root.child("office:automatic-styles");
    if (!styles) styles = root.insert_child_before("office:automatic-styles", root.child("office:body"));
    return styles;
}

// Style of typed OpenDocument text: one automatic style per bold/size combination.
static QString odtTextStyle(Document::Impl& d)
{
    if (!d.boldToggled && d.fontSize == 0) return {};
    const QString key = QStringLiteral("%1/%2").arg(d.boldToggled).arg(d.fontSize);
    auto it = d.autoStyles.constFind(key);
    if (it != d.autoStyles.constEnd()) return it.value();
    const QString name = QStringLiteral("ZbT%1").arg(++d.styleCount);
    pugi::xml_node styles = odtAutomaticStyles(d.parts.front().xml->document_element());
    pugi::xml_node st = styles.append_child("style:style");
    st.append_attribute("style:name").set_value(name.toUtf8().constData());
    st.append_attribute("style:family").set_value("text");
    pugi::xml_node tp = st.append_child("style:text-properties");
    if (d.boldToggled) tp.append_attribute("fo:font-weight").set_value("bold");
    if (d.fontSize) tp.append_attribute("fo:font-size").set_value(QStringLiteral("%1pt").arg(d.fontSize).toUtf8().constData());
    d.autoStyles.insert(key, name);
    return name;
}

// One stretch of typed text without paragraph breaks, before the anchor.
static void typeRun(Document::Impl& d, const QString& text)
{
    pugi::xml_node p = d.insP, a = d.insAnchor;
    auto place = [&](const char* name) { return a ? p.insert_child_before(name, a) : p.append_child(name); };
    if (d.format == DocumentFormat::Docx) {
        // The run takes the formatting of the text at the insertion point (or just before it).
        pugi::xml_node source = named(a, "w:r") ? a : pugi::xml_node();
        if (!source)
            for (pugi::xml_node c = a ? a.previous_sibling() : p.last_child(); c; c = c.previous_sibling())
                if (named(c, "w:r")) { source = c; break; }
        pugi::xml_node r = place("w:r");
        pugi::xml_node rPr = source && source.child("w:rPr") ? r.append_copy(source.child("w:rPr")) : r.append_child("w:rPr");
        if (d.boldToggled) {
            pugi::xml_node b = rPr.child("w:b");
            bool wasBold = b && std::strcmp(b.attribute("w:val").as_string("1"), "0") != 0
                           && std::strcmp(b.attribute("w:val").as_string("1"), "false") != 0;
            b = orderedChild(rPr, "w:b", kBeforeBold);
            b.remove_attribute("w:val");
            b.append_attribute("w:val").set_value(wasBold ? "0" : "1");
        }
        if (d.fontSize) {
            pugi::xml_node sz = orderedChild(rPr, "w:sz", kBeforeSize);
            sz.remove_attribute("w:val");
            sz.append_attribute("w:val").set_value(d.fontSize * 2);
        }
        const QStringList parts = text.split(QLatin1Char('\t'));
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (i > 0) r.append_child("w:tab");
            if (parts[i].isEmpty()) continue;
            pugi::xml_node t = r.append_child("w:t");
            t.append_attribute("xml:space").set_value("preserve");
            t.text().set(parts[i].toUtf8().constData());
        }
        return;
    }
    const QString style = odtTextStyle(d);
    pugi::xml_node span = place("text:span");
    if (!style.isEmpty()) span.append_attribute("text:style-name").set_value(style.toUtf8().constData());
    pugi::xml_node holder = span.append_child(pugi::node_pcdata);
    Piece piece{holder, true, QString()};
    d.materialize(piece, text);
}

void Document::TypeText(const QString& raw)
{
    ensureCursor(*d);
    if (!d->insP) return;
    d->parts.front().dirty = true;
    QString text = xmlSafe(raw);
    text.replace(QLatin1String("\r\n"), QLatin1String("\r")).replace(QLatin1Char('\n'), QLatin1Char('\r'));
    const QStringList lines = text.split(QLatin1Char('\r'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            // New paragraph after this one, with its format; what follows the point moves there.
            pugi::xml_node p = d->insP;
            pugi::xml_node np = p.parent().insert_child_after(p.name(), p);
            for (pugi::xml_attribute at : p.attributes()) np.append_copy(at);
            if (d->format == DocumentFormat::Docx && p.child("w:pPr")) np.append_copy(p.child("w:pPr"));
            for (pugi::xml_node c = d->insAnchor; c;) {
                pugi::xml_node next = c.next_sibling();
                np.append_move(c);
                c = next;
            }
            d->insP = np;
            if (d->format == DocumentFormat::Odt) keepLeadingBlank(np);
        }
        if (!lines[i].isEmpty()) typeRun(*d, lines[i]);
    }
}

void Document::SetTabStops(const std::vector<TabStop>& stops, bool clearFirst)
{
    ensureCursor(*d);
    if (!d->insP) return;
    d->parts.front().dirty = true;
    pugi::xml_node p = d->insP;
    if (d->format == DocumentFormat::Docx) {
        pugi::xml_node pPr = p.child("w:pPr") ? p.child("w:pPr") : p.prepend_child("w:pPr");
        pugi::xml_node tabs = orderedChild(pPr, "w:tabs", kBeforeTabs);
        if (clearFirst)
            while (tabs.first_child()) tabs.remove_child(tabs.first_child());
        for (const TabStop& s : stops) {
            pugi::xml_node t = tabs.append_child("w:tab");
            t.append_attribute("w:val").set_value(s.align == TabAlign::Right ? "right" : "left");
            if (s.dotLeader) t.append_attribute("w:leader").set_value("dot");
            t.append_attribute("w:pos").set_value(qRound(s.cm * 1440.0 / 2.54));
        }
        // Word keeps the stops ordered by position.
        std::vector<pugi::xml_node> all;
        for (pugi::xml_node t : tabs.children()) all.push_back(t);
        std::stable_sort(all.begin(), all.end(), [](pugi::xml_node a, pugi::xml_node b) {
            return a.attribute("w:pos").as_int() < b.attribute("w:pos").as_int();
        });
        for (pugi::xml_node t : all) tabs.append_move(t);
        return;
    }
    // OpenDocument: an automatic paragraph style derived from the paragraph's own.
    const QString name = QStringLiteral("ZbP%1").arg(++d->styleCount);
    pugi::xml_node styles = odtAutomaticStyles(d->parts.front().xml->document_element());
    pugi::xml_node st = styles.append_child("style:style");
    st.append_attribute("style:name").set_value(name.toUtf8().constData());
    st.append_attribute("style:family").set_value("paragraph");
    QString parent = QString::fromUtf8(p.attribute("text:style-name").as_string());
    if (!parent.isEmpty()) {
        // An automatic style cannot be a parent: take its own parent instead.
        for (pugi::xml_node s : styles.children("style:style"))
            if (parent == QString::fromUtf8(s.attribute("style:name").as_string())) {
                parent = QString::fromUtf8(s.attribute("style:parent-style-name").as_string());
                break;
            }
        if (!parent.isEmpty()) st.append_attribute("style:parent-style-name").set_value(parent.toUtf8().constData());
    }
    pugi::xml_node ts = st.append_child("style:paragraph-properties").append_child("style:tab-stops");
    for (const TabStop& s : stops) {
        pugi::xml_node t = ts.append_child("style:tab-stop");
        t.append_attribute("style:position").set_value(QStringLiteral("%1cm").arg(s.cm, 0, 'f', 2).toUtf8().constData());
        if (s.align == TabAlign::Right) t.append_attribute("style:type").set_value("right");
        if (s.dotLeader) {
            t.append_attribute("style:leader-style").set_value("dotted");
            t.append_attribute("style:leader-text").set_value(".");
        }
    }
    if (!p.attribute("text:style-name")) p.append_attribute("text:style-name");
    p.attribute("text:style-name").set_value(name.toUtf8().constData());
}


QStringList Document::Matches(const QRegularExpression& pattern) const
{
    QStringList out;
    for (const Part& part : d->parts)
        for (pugi::xml_node p : d->paragraphs(part)) {
            std::vector<Piece> pieces;
            d->collectPieces(p, pieces);
            QString t;
            for (const Piece& pc : pieces) t += pc.text;
            for (auto it = pattern.globalMatch(t); it.hasNext();) out << it.next().captured(0);
        }
    return out;
}

namespace {

int entryIndex(const std::vector<Entry>& entries, const std::string& name)
{
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].name == name) return int(i);
    return -1;
}

bool loadXml(pugi::xml_document& doc, const QByteArray& data)
{
    return bool(doc.load_buffer(data.constData(), size_t(data.size()), pugi::parse_default | pugi::parse_declaration,
                                pugi::encoding_utf8));
}

QByteArray saveXml(const pugi::xml_document& doc)
{
    StringWriter w;
    doc.save(w, "", pugi::format_raw, pugi::encoding_utf8);
    return QByteArray(w.out.data(), qsizetype(w.out.size()));
}

// "word/" + a relationship target, with "../" and a leading "/" resolved.
std::string resolveTarget(const std::string& target)
{
    if (!target.empty() && target[0] == '/') return target.substr(1);
    std::string base = "word/", t = target;
    while (t.rfind("../", 0) == 0) {
        t = t.substr(3);
        size_t cut = base.find_last_of('/', base.size() >= 2 ? base.size() - 2 : 0);
        base = cut == std::string::npos ? std::string() : base.substr(0, cut + 1);
    }
    return base + t;
}

const char* const kRelBase = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

// The part a package's document relates to with that kind ("styles", "numbering"), or "".
std::string relatedPart(const pugi::xml_document& rels, const std::string& kind)
{
    const std::string type = kRelBase + kind;
    for (pugi::xml_node r : rels.document_element().children("Relationship"))
        if (type == r.attribute("Type").as_string()) return resolveTarget(r.attribute("Target").as_string());
    return {};
}

// The highest value of attribute `attr` on the root's children named `child` (-1 when none).
int highest(pugi::xml_node root, const char* child, const char* attr)
{
    int top = -1;
    for (pugi::xml_node c : root.children(child)) top = std::max(top, c.attribute(attr).as_int(-1));
    return top;
}

// Moves every list reference under n onto the list numbers added after this document's own.
void shiftLists(pugi::xml_node n, int shift)
{
    if (shift == 0) return;
    for (pugi::xml_node c : n.children()) {
        if (c.type() != pugi::node_element) continue;
        if (named(c, "w:numId") && c.attribute("w:val").as_int() > 0)
            c.attribute("w:val").set_value(c.attribute("w:val").as_int() + shift);
        shiftLists(c, shift);
    }
}

// Puts their list definitions into ours, after ours and under new numbers; returns how much
// their list numbers grew.
int mergeNumbering(pugi::xml_node ours, pugi::xml_node theirs)
{
    const int absShift = highest(ours, "w:abstractNum", "w:abstractNumId") + 1;
    const int numShift = std::max(highest(ours, "w:num", "w:numId"), 0);
    // The schema's order: picture bullets, definitions, lists, then the clean-up mark.
    pugi::xml_node lastAbs, lastNum, cleanup = ours.child("w:numIdMacAtCleanup");
    for (pugi::xml_node c : ours.children()) {
        if (named(c, "w:abstractNum") || named(c, "w:numPicBullet")) lastAbs = c;
        if (named(c, "w:num")) lastNum = c;
    }
    for (pugi::xml_node a : theirs.children("w:abstractNum")) {
        pugi::xml_node copy = lastAbs ? ours.insert_copy_after(a, lastAbs)
                              : ours.first_child() ? ours.insert_copy_before(a, ours.first_child()) : ours.append_copy(a);
        copy.attribute("w:abstractNumId").set_value(a.attribute("w:abstractNumId").as_int() + absShift);
        copy.remove_child("w:lvlPicBulletId"); // picture bullets stay behind
        for (pugi::xml_node lvl : copy.children("w:lvl")) lvl.remove_child("w:lvlPicBulletId");
        lastAbs = copy;
    }
    if (!lastNum) lastNum = lastAbs;
    for (pugi::xml_node n : theirs.children("w:num")) {
        pugi::xml_node copy = lastNum ? ours.insert_copy_after(n, lastNum)
                              : cleanup ? ours.insert_copy_before(n, cleanup) : ours.append_copy(n);
        copy.attribute("w:numId").set_value(n.attribute("w:numId").as_int() + numShift);
        pugi::xml_node abs = copy.child("w:abstractNumId");
        abs.attribute("w:val").set_value(abs.attribute("w:val").as_int() + absShift);
        lastNum = copy;
    }
    return numShift;
}

} // namespace

void Document::InsertBody(const Document& other)
{
    if (d->format != DocumentFormat::Docx || other.d->format != DocumentFormat::Docx)
        throw EDocumentError(QStringLiteral("Solo se puede insertar un documento de Word en otro documento de Word."));
    pugi::xml_node body = d->parts.front().xml->document_element().child("w:body");
    pugi::xml_node source = other.d->parts.front().xml->document_element().child("w:body");
    if (!body || !source) throw EDocumentError(QStringLiteral("El documento no tiene cuerpo donde insertar."));

    pugi::xml_node before = d->insP;
    while (before && before.parent() != body) before = before.parent();
    if (!before)
        for (pugi::xml_node c = body.first_child(); c; c = c.next_sibling())
            if (c.type() == pugi::node_element) { before = c; break; }

    // Relationships and content types of both packages, edited as XML and written back at the end.
    const std::string relsName = "word/_rels/document.xml.rels";
    pugi::xml_document ours, theirs, types, theirTypes;
    int ourRels = entryIndex(d->entries, relsName);
    if (ourRels < 0 || !loadXml(ours, d->entries[size_t(ourRels)].data)) {
        ours.reset();
        ours.append_child("Relationships")
            .append_attribute("xmlns")
            .set_value("http://schemas.openxmlformats.org/package/2006/relationships");
    }
    int theirRels = entryIndex(other.d->entries, relsName);
    if (theirRels >= 0) loadXml(theirs, other.d->entries[size_t(theirRels)].data);
    int typesIdx = entryIndex(d->entries, "[Content_Types].xml");
    if (typesIdx >= 0) loadXml(types, d->entries[size_t(typesIdx)].data);
    int theirTypesIdx = entryIndex(other.d->entries, "[Content_Types].xml");
    if (theirTypesIdx >= 0) loadXml(theirTypes, other.d->entries[size_t(theirTypesIdx)].data);

    QHash<QString, QString> renamed;
    int serial = 0;
    auto freshId = [&] {
        for (;;) {
            const std::string id = "rIdZb" + std::to_string(++serial);
            if (!ours.document_element().find_child_by_attribute("Relationship", "Id", id.c_str())) return id;
        }
    };
    auto ensureType = [&](const std::string& part, const std::string& newPart) {
        pugi::xml_node root = types.document_element();
        if (!root) return;
        const std::string ext = part.substr(part.find_last_of('.') + 1);
        QString lext = QString::fromStdString(ext).toLower();
        for (pugi::xml_node def : root.children("Default"))
            if (QString::fromUtf8(def.attribute("Extension").as_string()).toLower() == lext) return;
        pugi::xml_node theirRoot = theirTypes.document_element();
        for (pugi::xml_node ov : theirRoot.children("Override"))
            if (std::string(ov.attribute("PartName").as_string()) == "/" + part) {
                pugi::xml_node n = root.append_child("Override");
                n.append_attribute("PartName").set_value(("/" + newPart).c_str());
                n.append_attribute("ContentType").set_value(ov.attribute("ContentType").as_string());
                return;
            }
        for (pugi::xml_node def : theirRoot.children("Default"))
            if (QString::fromUtf8(def.attribute("Extension").as_string()).toLower() == lext) {
                root.append_copy(def);
                return;
            }
    };
    auto remap = [&](const char* oldId) -> std::string {
        const QString key = QString::fromUtf8(oldId);
        if (auto it = renamed.constFind(key); it != renamed.constEnd()) return it.value().toStdString();
        pugi::xml_node rel = theirs.document_element().find_child_by_attribute("Relationship", "Id", oldId);
        if (!rel) return {};
        const std::string id = freshId();
        pugi::xml_node copy = ours.document_element().append_copy(rel);
        copy.attribute("Id").set_value(id.c_str());
        if (std::strcmp(rel.attribute("TargetMode").as_string(), "External") != 0) {
            const std::string from = resolveTarget(rel.attribute("Target").as_string());
            int src = entryIndex(other.d->entries, from);
            if (src < 0) {
                ours.document_element().remove_child(copy);
                return {};
            }
            const size_t slash = from.find_last_of('/');
            const std::string dir = slash == std::string::npos ? std::string() : from.substr(0, slash + 1);
            const std::string file = from.substr(slash == std::string::npos ? 0 : slash + 1);
            std::string to;
            for (int n = serial;; ++n) {
                to = dir + "zb" + std::to_string(n) + "_" + file;
                if (entryIndex(d->entries, to) < 0) break;
            }
            d->entries.push_back({to, other.d->entries[size_t(src)].data});
            copy.attribute("Target").set_value(to.rfind("word/", 0) == 0 ? to.substr(5).c_str() : ("/" + to).c_str());
            ensureType(from, to);
        }
        renamed.insert(key, QString::fromStdString(id));
        return id;
    };
    std::function<void(pugi::xml_node)> walk = [&](pugi::xml_node n) {
        for (pugi::xml_attribute a : n.attributes())
            if (std::strncmp(a.name(), "r:", 2) == 0) {
                const std::string id = remap(a.value());
                if (!id.empty()) a.set_value(id.c_str());
            }
        for (pugi::xml_node c : n.children())
            if (c.type() == pugi::node_element) walk(c);
    };

    // The lists and styles of the inserted text come along (lists first: styles may name them).
    // A part this document lacks is taken whole; otherwise what it lacks is added to it.
    bool packageChanged = false;
    int listShift = 0;
    for (const std::string kind : {"numbering", "styles"}) {
        const int src = entryIndex(other.d->entries, relatedPart(theirs, kind));
        pugi::xml_document from;
        if (src < 0 || !loadXml(from, other.d->entries[size_t(src)].data) || !from.document_element()) continue;
        const std::string ourName = relatedPart(ours, kind);
        const int dst = ourName.empty() ? -1 : entryIndex(d->entries, ourName);
        pugi::xml_document to;
        if (dst < 0 || !loadXml(to, d->entries[size_t(dst)].data) || !to.document_element()) {
            std::string name = "word/" + kind + ".xml";
            for (int n = 1; entryIndex(d->entries, name) >= 0; ++n) name = "word/zb" + std::to_string(n) + "_" + kind + ".xml";
            if (!ourName.empty())
                for (pugi::xml_node r : ours.document_element().children("Relationship"))
                    if (kRelBase + kind == r.attribute("Type").as_string()) ours.document_element().remove_child(r);
            d->entries.push_back({name, other.d->entries[size_t(src)].data});
            pugi::xml_node rel = ours.document_element().append_child("Relationship");
            rel.append_attribute("Id").set_value(freshId().c_str());
            rel.append_attribute("Type").set_value((kRelBase + kind).c_str());
            rel.append_attribute("Target").set_value(name.substr(5).c_str());
            if (pugi::xml_node typeRoot = types.document_element()) {
                pugi::xml_node ov = typeRoot.append_child("Override");
                ov.append_attribute("PartName").set_value(("/" + name).c_str());
                ov.append_attribute("ContentType").set_value(
                    ("application/vnd.openxmlformats-officedocument.wordprocessingml." + kind + "+xml").c_str());
            }
            packageChanged = true;
            continue;
        }
        pugi::xml_node root = to.document_element();
        if (kind == "numbering") {
            listShift = mergeNumbering(root, from.document_element());
        } else {
            QSet<QString> known;
            for (pugi::xml_node st : root.children("w:style")) known.insert(toQ(st.attribute("w:styleId").as_string()));
            for (pugi::xml_node st : from.document_element().children("w:style"))
                if (!known.contains(toQ(st.attribute("w:styleId").as_string()))) {
                    pugi::xml_node copy = root.append_copy(st);
                    copy.remove_attribute("w:default"); // the template's defaults stay the defaults
                    shiftLists(copy, listShift);
                }
        }
        d->entries[size_t(dst)].data = saveXml(to);
    }

    // Namespaces the inserted blocks use but this document does not declare.
    pugi::xml_node root = d->parts.front().xml->document_element();
    for (pugi::xml_attribute a : other.d->parts.front().xml->document_element().attributes())
        if (std::strncmp(a.name(), "xmlns:", 6) == 0 && !root.attribute(a.name()))
            root.append_attribute(a.name()).set_value(a.value());

    for (pugi::xml_node c = source.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element || named(c, "w:sectPr")) continue;
        pugi::xml_node copy = before ? body.insert_copy_before(c, before) : body.append_copy(c);
        walk(copy);
        shiftLists(copy, listShift);
    }

    if (!renamed.isEmpty() || packageChanged) {
        if (ourRels < 0) d->entries.push_back({relsName, saveXml(ours)});
        else d->entries[size_t(ourRels)].data = saveXml(ours);
        if (typesIdx >= 0 && types.document_element()) d->entries[size_t(typesIdx)].data = saveXml(types);
    }
    d->parts.front().dirty = true;
    d->insP = d->insAnchor = pugi::xml_node();
}

} // namespace platform::documents

namespace platform::documents {

void Document::InsertHeaderPicture(const QByteArray& image, const QString& extension, qint64 widthEmu, qint64 heightEmu)
{
    if (d->format != DocumentFormat::Docx)
        throw EDocumentError(QStringLiteral("Solo se puede poner una imagen en la cabecera de un documento de Word."));
    const QString ext = extension.toLower().remove(QLatin1Char('.'));
    const char* mime = ext == QLatin1String("png")                                ? "image/png"
                       : ext == QLatin1String("jpg") || ext == QLatin1String("jpeg") ? "image/jpeg"
                       : ext == QLatin1String("gif")                              ? "image/gif"
                       : ext == QLatin1String("bmp")                              ? "image/bmp"
                                                                                   : nullptr;
    if (!mime || image.isEmpty()) throw EDocumentError(QStringLiteral("La imagen no es PNG, JPEG, GIF ni BMP."));
    const char* const kRelNs = "http://schemas.openxmlformats.org/package/2006/relationships";
    const char* const kRelHeader = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/header";
    const char* const kRelImage = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";
    const char* const kRNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

    auto loadOrNew = [&](pugi::xml_document& doc, const std::string& name, const char* rootName, const char* ns) {
        int i = entryIndex(d->entries, name);
        if (i < 0 || !loadXml(doc, d->entries[size_t(i)].data) || !doc.document_element()) {
            doc.reset();
            doc.append_child(rootName).append_attribute("xmlns").set_value(ns);
        }
    };
    auto store = [&](const std::string& name, const QByteArray& data) {
        int i = entryIndex(d->entries, name);
        if (i < 0) d->entries.push_back({name, data});
        else d->entries[size_t(i)].data = data;
    };
    auto freshId = [](pugi::xml_node rels) {
        for (int n = 1;; ++n) {
            const std::string id = "rIdZbLogo" + std::to_string(n);
            if (!rels.find_child_by_attribute("Relationship", "Id", id.c_str())) return id;
        }
    };
    auto freshName = [&](const std::string& stem, const std::string& suffix) {
        for (int n = 1;; ++n) {
            const std::string name = stem + std::to_string(n) + suffix;
            if (entryIndex(d->entries, name) < 0) return name;
        }
    };

    pugi::xml_document rels, types;
    loadOrNew(rels, "word/_rels/document.xml.rels", "Relationships", kRelNs);
    loadOrNew(types, "[Content_Types].xml", "Types", "http://schemas.openxmlformats.org/package/2006/content-types");
    pugi::xml_node docRoot = d->parts.front().xml->document_element();
    pugi::xml_node body = docRoot.child("w:body");
    if (!body) throw EDocumentError(QStringLiteral("El documento no tiene cuerpo."));
    // The first section: its properties end its last paragraph, or close the body when it is the only one.
    pugi::xml_node sect;
    for (pugi::xml_node p : body.children("w:p"))
        if ((sect = p.child("w:pPr").child("w:sectPr"))) break;
    if (!sect) {
        sect = body.last_child();
        while (sect && sect.type() != pugi::node_element) sect = sect.previous_sibling();
        if (!named(sect, "w:sectPr")) sect = body.append_child("w:sectPr");
    }
    // The header of its first page: a section with a first page of its own shows that one there.
    const pugi::xml_node titlePg = sect.child("w:titlePg");
    const std::string onOff = titlePg.attribute("w:val").as_string("1");
    const char* const kind = titlePg && onOff != "0" && onOff != "false" && onOff != "off" ? "first" : "default";

    // That header, or a new one.
    std::string headerName;
    for (pugi::xml_node ref : sect.children("w:headerReference")) {
        const char* type = ref.attribute("w:type").as_string("default");
        if (std::strcmp(type, kind) != 0) continue;
        pugi::xml_node rel = rels.document_element().find_child_by_attribute("Relationship", "Id", ref.attribute("r:id").as_string());
        if (rel) headerName = resolveTarget(rel.attribute("Target").as_string());
        break;
    }
    Part* header = nullptr;
    for (Part& part : d->parts)
        if (part.entry >= 0 && d->entries[size_t(part.entry)].name == headerName) header = &part;
    if (!header) {
        headerName = freshName("word/headerZb", ".xml");
        d->entries.push_back({headerName, QByteArray()});
        Part part;
        part.entry = int(d->entries.size() - 1);
        part.xml = std::make_unique<pugi::xml_document>();
        pugi::xml_node hdr = part.xml->append_child("w:hdr");
        hdr.append_attribute("xmlns:w").set_value(docRoot.attribute("xmlns:w").as_string(
            "http://schemas.openxmlformats.org/wordprocessingml/2006/main"));
        part.dirty = true;
        d->parts.insert(d->parts.begin() + 1, std::move(part));
        header = &d->parts[1];
        const std::string id = freshId(rels.document_element());
        pugi::xml_node rel = rels.document_element().append_child("Relationship");
        rel.append_attribute("Id").set_value(id.c_str());
        rel.append_attribute("Type").set_value(kRelHeader);
        rel.append_attribute("Target").set_value(headerName.substr(5).c_str());
        pugi::xml_node ov = types.document_element().append_child("Override");
        ov.append_attribute("PartName").set_value(("/" + headerName).c_str());
        ov.append_attribute("ContentType").set_value("application/vnd.openxmlformats-officedocument.wordprocessingml.header+xml");
        if (!docRoot.attribute("xmlns:r")) docRoot.append_attribute("xmlns:r").set_value(kRNs);
        pugi::xml_node ref = sect.prepend_child("w:headerReference");
        ref.append_attribute("w:type").set_value(kind);
        ref.append_attribute("r:id").set_value(id.c_str());
        d->parts.front().dirty = true;
        store("word/_rels/document.xml.rels", saveXml(rels));
    }

    // The picture's own part and its relationship from the header.
    const std::string media = freshName("word/media/zblogo", "." + ext.toStdString());
    d->entries.push_back({media, image});
    bool known = false;
    for (pugi::xml_node def : types.document_element().children("Default"))
        known = known || QString::fromUtf8(def.attribute("Extension").as_string()).toLower() == ext;
    if (!known) {
        pugi::xml_node def = types.document_element().prepend_child("Default");
        def.append_attribute("Extension").set_value(ext.toUtf8().constData());
        def.append_attribute("ContentType").set_value(mime);
    }
    store("[Content_Types].xml", saveXml(types));
    const std::string hrelsName = "word/_rels/" + headerName.substr(5) + ".rels";
    pugi::xml_document hrels;
    loadOrNew(hrels, hrelsName, "Relationships", kRelNs);
    const std::string imageId = freshId(hrels.document_element());
    pugi::xml_node irel = hrels.document_element().append_child("Relationship");
    irel.append_attribute("Id").set_value(imageId.c_str());
    irel.append_attribute("Type").set_value(kRelImage);
    irel.append_attribute("Target").set_value(media.substr(5).c_str());
    store(hrelsName, saveXml(hrels));

    pugi::xml_node hdr = header->xml->document_element();
    const std::pair<const char*, const char*> spaces[] = {
        {"xmlns:r", kRNs},
        {"xmlns:wp", "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing"},
        {"xmlns:a", "http://schemas.openxmlformats.org/drawingml/2006/main"},
        {"xmlns:pic", "http://schemas.openxmlformats.org/drawingml/2006/picture"}};
    for (const auto& [name, uri] : spaces)
        if (!hdr.attribute(name)) hdr.append_attribute(name).set_value(uri);
    const std::string cx = std::to_string(std::max<qint64>(widthEmu, 1)), cy = std::to_string(std::max<qint64>(heightEmu, 1));
    const std::string xml =
        "<w:p><w:r><w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\"><wp:extent cx=\"" + cx + "\" cy=\"" + cy
        + "\"/><wp:docPr id=\"" + std::to_string(4000 + partNumber(media)) + "\" name=\"Logotipo\"/><wp:cNvGraphicFramePr>"
          "<a:graphicFrameLocks noChangeAspect=\"1\"/></wp:cNvGraphicFramePr><a:graphic><a:graphicData "
          "uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic><pic:nvPicPr><pic:cNvPr id=\"0\" "
          "name=\"Logotipo\"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip r:embed=\"" + imageId
        + "\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill><pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"" + cx
        + "\" cy=\"" + cy + "\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr></pic:pic>"
          "</a:graphicData></a:graphic></wp:inline></w:drawing></w:r></w:p>";
    pugi::xml_document frag;
    // Parsed under a wrapper that declares the prefixes, then moved in without it.
    const std::string wrapped = "<x xmlns:w=\"w\" xmlns:wp=\"wp\" xmlns:a=\"a\" xmlns:pic=\"pic\" xmlns:r=\"r\">" + xml + "</x>";
    if (!frag.load_buffer(wrapped.data(), wrapped.size())) throw EDocumentError(QStringLiteral("No se puede componer la imagen."));
    pugi::xml_node first;
    for (pugi::xml_node c = hdr.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element) { first = c; break; }
    pugi::xml_node para = frag.document_element().first_child();
    if (first) hdr.insert_copy_before(para, first);
    else hdr.append_copy(para);
    header->dirty = true;
}

} // namespace platform::documents

namespace platform::documents {

void Document::WriteWordTemplate(const QString& fileName)
{
    static const char* const kW = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
    static const char* const kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    const std::string face = "\"Liberation Serif\"";
    const std::vector<std::pair<std::string, std::string>> parts = {
        {"[Content_Types].xml",
         std::string(kDecl) +
             "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
             "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
             "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
             "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
             "vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml\"/>"
             "<Override PartName=\"/word/styles.xml\" ContentType=\"application/"
             "vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/></Types>"},
        {"_rels/.rels",
         std::string(kDecl) +
             "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
             "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
             "officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
        {"word/_rels/document.xml.rels",
         std::string(kDecl) +
             "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
             "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
             "styles\" Target=\"styles.xml\"/></Relationships>"},
        {"word/styles.xml",
         std::string(kDecl) + "<w:styles " + kW + "><w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii=" + face +
             " w:hAnsi=" + face + " w:eastAsia=" + face + " w:cs=" + face +
             "/><w:sz w:val=\"24\"/><w:szCs w:val=\"24\"/><w:lang w:val=\"es-ES\"/></w:rPr></w:rPrDefault>"
             "<w:pPrDefault/></w:docDefaults><w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\">"
             "<w:name w:val=\"Normal\"/><w:qFormat/></w:style></w:styles>"},
        // A4 in twentieths of a point; 2.5 cm is 1417 of them.
        {"word/document.xml",
         std::string(kDecl) + "<w:document " + kW +
             " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><w:body><w:p/>"
             "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1417\" w:right=\"1417\" "
             "w:bottom=\"1417\" w:left=\"1417\" w:header=\"709\" w:footer=\"709\" w:gutter=\"0\"/>"
             "</w:sectPr></w:body></w:document>"}};
    std::vector<TZipEntry> entries;
    for (const auto& [name, data] : parts) entries.push_back(TZipEntry{name, QByteArray(data.data(), qsizetype(data.size())), false});
    WriteArchive(fileName, entries, QStringLiteral("No se puede escribir la plantilla \"%1\"").arg(fileName));
}

} // namespace platform::documents
