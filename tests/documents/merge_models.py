# make PATH: writes a letter model (.docx with python-docx, .odt by hand) whose fields stand split
# across runs, in the header and footer, in a table, repeated and unknown.
# read PATH: prints every paragraph of the document, one per line: header, body (table cells
# included, in order), footer; line breaks as "|", tabs as "~".
import sys, zipfile
import xml.etree.ElementTree as ET

BODY = [
    # (runs of one paragraph); a run in a list of two is typed in two formatting runs
    ["Sr. D. ", ["[[Destino.Nombre y ", "Apellidos]]"]],
    ["[[Destino.Domicilio]]"],
    ["[[Destino.Código Postal]] [[Destino.Población]] ([[Destino.Provincia]])"],
    ["Ref.: [[Expediente.Referencia]], cliente ", ["[[PrimerCliente.", "Nombre]]"], " y otra vez [[PrimerCliente.Nombre]]"],
    ["Apertura: [[Expediente.Fecha de Apertura]]; cierre: «[[Expediente.Fecha de Cierre]]»"],
    ["Asunto: [[Texto.Asunto]]"],
    ["Campo desconocido: [[Nada.Que Ver]]"],
    ["Nota: [[Consultas.Descripción]]"],
]
TABLE = [["Cliente", "[[PrimerCliente.Nombre y Apellidos]]"], ["Procurador", "[[ProcuradorCliente.Nombre y Apellidos]]"]]
HEADER = "[[Bufete.Despacho]] - [[Bufete.Población]]"
FOOTER = "Página del expediente [[Expediente.Año]]/[[Expediente.Número]]"


def make_docx(path):
    import docx
    d = docx.Document()
    sec = d.sections[0]
    sec.header.paragraphs[0].text = HEADER
    sec.footer.paragraphs[0].text = FOOTER
    for runs in BODY[:4]:
        p = d.add_paragraph()
        for r in runs:
            if isinstance(r, list):
                p.add_run(r[0]).bold = True
                p.add_run(r[1])
            else:
                p.add_run(r)
    t = d.add_table(rows=2, cols=2)
    for i, row in enumerate(TABLE):
        for j, text in enumerate(row):
            t.cell(i, j).text = text
    for runs in BODY[4:]:
        p = d.add_paragraph()
        for r in runs:
            p.add_run(r if isinstance(r, str) else "".join(r))
    d.save(path)


def make_letter(path):
    """A letter as an office writes one: letterhead, addressee, date, text, signature."""
    import docx
    from docx.shared import Pt, Cm
    from docx.enum.text import WD_ALIGN_PARAGRAPH
    d = docx.Document()
    sec = d.sections[0]
    sec.page_height, sec.page_width = Cm(29.7), Cm(21.0)
    h = sec.header.paragraphs[0]
    h.text = "[[Bufete.Despacho]] · [[Bufete.Domicilio]] · [[Bufete.Código Postal]] [[Bufete.Población]]"
    h.runs[0].font.size = Pt(9)
    sec.footer.paragraphs[0].text = "Expediente [[Expediente.Referencia]] · Tel. [[Bufete.Teléfono]]"
    for line in ["[[Destino.Nombre y Apellidos]]", "[[Destino.Profesión]]", "[[Destino.Domicilio]]",
                 "[[Destino.Código Postal]] [[Destino.Población]]"]:
        d.add_paragraph(line).paragraph_format.left_indent = Cm(9)
    p = d.add_paragraph("[[Bufete.Población]], a [[Otros.Hoy]]")
    p.alignment = WD_ALIGN_PARAGRAPH.RIGHT
    p = d.add_paragraph()
    p.add_run("Asunto: ").bold = True
    p.add_run("[[Expediente.Procedimiento]] [[Expediente.Primer Nº de Autos]], [[Expediente.Tribunal]]")
    d.add_paragraph("Muy Sr. mío:")
    d.add_paragraph("En nombre de mi cliente, [[PrimerCliente.Nombre y ", style=None).add_run("Apellidos]], con domicilio en "
                    "[[PrimerCliente.Domicilio]], le comunico que el próximo día se celebrará la vista del procedimiento "
                    "arriba indicado. Le ruego que nos haga llegar la documentación que obre en su poder.")
    d.add_paragraph("[[Texto.Observaciones]]")
    d.add_paragraph("Sin otro particular, le saluda atentamente,")
    d.add_paragraph()
    d.add_paragraph("[[AbogadoCliente.Nombre y Apellidos]]").alignment = WD_ALIGN_PARAGRAPH.RIGHT
    d.add_paragraph("Colegiado nº [[AbogadoCliente.Colegiado]]").alignment = WD_ALIGN_PARAGRAPH.RIGHT
    d.save(path)


def esc(s):
    return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def make_odt(path):
    NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" office:version="1.2"')

    def para(runs):
        out = ""
        for r in runs:
            if isinstance(r, list):
                out += '<text:span text:style-name="N">' + esc(r[0]) + "</text:span>" + esc(r[1])
            else:
                out += esc(r)
        return "<text:p>" + out + "</text:p>"

    rows = "".join("<table:table-row>" + "".join("<table:table-cell><text:p>%s</text:p></table:table-cell>" % esc(c) for c in row)
                   + "</table:table-row>" for row in TABLE)
    body = "".join(para(r) for r in BODY[:4]) + '<table:table table:name="T1"><table:table-column table:number-columns-repeated="2"/>' \
        + rows + "</table:table>" + "".join(para(r) for r in BODY[4:])
    content = ('<?xml version="1.0" encoding="UTF-8"?><office:document-content ' + NS + '>'
               '<office:automatic-styles><style:style style:name="N" style:family="text">'
               '<style:text-properties fo:font-weight="bold"/></style:style></office:automatic-styles>'
               '<office:body><office:text>' + body + '</office:text></office:body></office:document-content>')
    styles = ('<?xml version="1.0" encoding="UTF-8"?><office:document-styles ' + NS + '>'
              '<office:automatic-styles><style:page-layout style:name="pm1"/></office:automatic-styles>'
              '<office:master-styles><style:master-page style:name="Standard" style:page-layout-name="pm1">'
              '<style:header><text:p>' + esc(HEADER) + '</text:p></style:header>'
              '<style:footer><text:p>' + esc(FOOTER) + '</text:p></style:footer>'
              '</style:master-page></office:master-styles></office:document-styles>')
    manifest = ('<?xml version="1.0" encoding="UTF-8"?><manifest:manifest '
                'xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">'
                '<manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.text"/>'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                '<manifest:file-entry manifest:full-path="styles.xml" manifest:media-type="text/xml"/>'
                '</manifest:manifest>')
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.text", zipfile.ZIP_STORED)
        z.writestr("META-INF/manifest.xml", manifest)
        z.writestr("content.xml", content)
        z.writestr("styles.xml", styles)


def read_docx(path):
    import docx
    import docx.table
    import docx.text.paragraph
    from docx.oxml.ns import qn
    d = docx.Document(path)

    def text(p):
        out = ""
        for el in p._p.iter():
            if el.tag == qn("w:t"):
                out += el.text or ""
            elif el.tag == qn("w:br"):
                out += "|"
            elif el.tag == qn("w:tab") and el.getparent().tag == qn("w:r"):
                out += "~"
        return out

    for p in d.sections[0].header.paragraphs:
        print("H:" + text(p))
    for el in d.element.body:
        if el.tag == qn("w:p"):
            print("B:" + text(docx.text.paragraph.Paragraph(el, d)))
        elif el.tag == qn("w:tbl"):
            for row in docx.table.Table(el, d).rows:
                print("T:" + " / ".join(text(c.paragraphs[0]) for c in row.cells))
    for p in d.sections[0].footer.paragraphs:
        print("F:" + text(p))


def read_odt(path):
    T = "urn:oasis:names:tc:opendocument:xmlns:text:1.0"
    TB = "urn:oasis:names:tc:opendocument:xmlns:table:1.0"
    z = zipfile.ZipFile(path)

    def text(el):
        out = el.text or ""
        for c in el:
            tag = c.tag.split("}")[1]
            if tag == "tab":
                out += "~"
            elif tag == "line-break":
                out += "|"
            elif tag == "s":
                out += " " * int(c.get("{%s}c" % T, "1"))
            else:
                out += text(c)
            out += c.tail or ""
        return out

    styles = ET.fromstring(z.read("styles.xml"))
    for p in styles.iter("{urn:oasis:names:tc:opendocument:xmlns:style:1.0}header"):
        for q in p.iter("{%s}p" % T):
            print("H:" + text(q))
    content = ET.fromstring(z.read("content.xml"))
    office = content.find(".//{urn:oasis:names:tc:opendocument:xmlns:office:1.0}text")
    for el in office:
        if el.tag == "{%s}p" % T:
            print("B:" + text(el))
        elif el.tag == "{%s}table" % TB:
            for row in el.iter("{%s}table-row" % TB):
                print("T:" + " / ".join(text(c.find("{%s}p" % T)) for c in row.iter("{%s}table-cell" % TB)))
    for p in styles.iter("{urn:oasis:names:tc:opendocument:xmlns:style:1.0}footer"):
        for q in p.iter("{%s}p" % T):
            print("F:" + text(q))


if __name__ == "__main__":
    what, path = sys.argv[1], sys.argv[2]
    odt = path.endswith(".odt")
    if what == "letter":
        make_letter(path)
    elif what == "make":
        (make_odt if odt else make_docx)(path)
    else:
        (read_odt if odt else read_docx)(path)
