# Prints the text of a merged document as an independent reader sees it: one line per
# paragraph, prefixed by where it stands (B body, T table, H header, F footer); breaks as "|".
import sys, zipfile
import xml.etree.ElementTree as ET

def docx(path):
    import docx
    d = docx.Document(path)
    for p in d.paragraphs:
        bold = "".join("*" if r.bold else "" for r in p.runs if r.text)
        print("B", p.text.replace("\n", "|"), "bold=" + str(len(bold)))
    for t in d.tables:
        for row in t.rows:
            for c in row.cells:
                for p in c.paragraphs:
                    print("T", p.text.replace("\n", "|"))
    for s in d.sections:
        for p in s.header.paragraphs:
            print("H", p.text.replace("\n", "|"))
        for p in s.footer.paragraphs:
            print("F", p.text.replace("\n", "|"))

TEXT = "urn:oasis:names:tc:opendocument:xmlns:text:1.0"
def odt_text(el):
    out = el.text or ""
    for c in el:
        tag = c.tag.split("}")[1]
        if tag == "line-break": out += "|"
        elif tag == "tab": out += "\t"
        elif tag == "s": out += " " * int(c.get("{%s}c" % TEXT, "1"))
        else: out += odt_text(c)
        out += c.tail or ""
    return out

def odt(path):
    z = zipfile.ZipFile(path)
    assert z.namelist()[0] == "mimetype"
    assert z.getinfo("mimetype").compress_type == zipfile.ZIP_STORED
    content = ET.fromstring(z.read("content.xml"))
    for p in content.iter("{%s}p" % TEXT):
        print("B", odt_text(p))
    styles = ET.fromstring(z.read("styles.xml"))
    STY = "urn:oasis:names:tc:opendocument:xmlns:style:1.0"
    for kind, mark in (("header", "H"), ("footer", "F")):
        for h in styles.iter("{%s}%s" % (STY, kind)):
            for p in h.iter("{%s}p" % TEXT):
                print(mark, odt_text(p))

(docx if sys.argv[1].endswith(".docx") else odt)(sys.argv[1])
