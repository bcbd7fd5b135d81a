# Prints each body paragraph of a document as: text | bold runs | sizes | tab stops.
import sys, zipfile
import xml.etree.ElementTree as ET

def docx(path):
    import docx
    for p in docx.Document(path).paragraphs:
        bold = ",".join(r.text for r in p.runs if r.bold)
        sizes = ",".join(sorted({str(int(r.font.size.pt)) for r in p.runs if r.font.size and r.text}))
        tabs = ",".join("%.1f:%s:%s" % (t.position.cm, t.alignment, t.leader) for t in p.paragraph_format.tab_stops)
        print(p.text.replace("\t", "~"), "|", bold, "|", sizes, "|", tabs)

N = {"text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
     "style": "urn:oasis:names:tc:opendocument:xmlns:style:1.0",
     "fo": "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"}
def q(ns, tag): return "{%s}%s" % (N[ns], tag)

def odt(path):
    root = ET.fromstring(zipfile.ZipFile(path).read("content.xml"))
    styles = {s.get(q("style", "name")): s for s in root.iter(q("style", "style"))}
    def text(el):
        out = el.text or ""
        for c in el:
            tag = c.tag.split("}")[1]
            if tag == "tab": out += "~"
            elif tag == "line-break": out += "|"
            elif tag == "s": out += " " * int(c.get(q("text", "c"), "1"))
            else: out += text(c)
            out += c.tail or ""
        return out
    for p in root.iter(q("text", "p")):
        bold, sizes = [], set()
        for sp in p.iter(q("text", "span")):
            st = styles.get(sp.get(q("text", "style-name")))
            tp = st.find(q("style", "text-properties")) if st is not None else None
            if tp is not None and tp.get(q("fo", "font-weight")) == "bold": bold.append(text(sp))
            if tp is not None and tp.get(q("fo", "font-size")): sizes.add(tp.get(q("fo", "font-size"))[:-2])
        tabs = []
        st = styles.get(p.get(q("text", "style-name")))
        if st is not None:
            for t in st.iter(q("style", "tab-stop")):
                tabs.append("%.1f:%s:%s" % (float(t.get(q("style", "position"))[:-2]), t.get(q("style", "type"), "left"),
                                            t.get(q("style", "leader-style"), "none")))
        print(text(p), "|", ",".join(bold), "|", ",".join(sorted(sizes)), "|", ",".join(tabs))

(docx if sys.argv[1].endswith(".docx") else odt)(sys.argv[1])
