// The merge field catalogue: each provider writes the values of one group of fields.
#include "documents/NumeroEnLetra.h"
#include "documents/UFusion.h"

#include "comun/UData.h"
#include "platform/db/DBTables.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/SysUtils.h"

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

namespace {
using Valores = std::vector<std::pair<const char*, QString>>;

// The current row of a dataset, read as the documents show it; no row reads as empty texts.
struct Fila {
    TDataSet* ds = nullptr;
    explicit Fila(TDataSet* d) : ds(d && d->Active() && !d->IsEmpty() ? d : nullptr) {}
    explicit operator bool() const { return ds != nullptr; }
    TField* f(const char* nombre) const { return ds ? ds->FindField(QString::fromLatin1(nombre)) : nullptr; }
    QString t(const char* nombre) const {
        TField* c = f(nombre);
        return c ? c->AsString() : QString();
    }
    double n(const char* nombre) const {
        TField* c = f(nombre);
        return c && !c->IsNull() ? c->AsFloat() : 0.0;
    }
    QString nombreCompleto() const { return t("NOMBRE") + QLatin1Char(' ') + t("APELLIDOS"); }
    // An empty date is an empty text, not the date type's zero.
    QString fecha(const char* nombre) const {
        TField* c = f(nombre);
        if (!c || c->IsNull()) return {};
        return FormatDateTime(QStringLiteral("dd/mm/yyyy"), c->AsDateTime());
    }
    QString importe(const char* nombre) const { return Importe(n(nombre)); }
    QString entero(const char* nombre) const {
        TField* c = f(nombre);
        return QString::number(c && !c->IsNull() ? c->AsInteger() : 0);
    }
    static QString Importe(double valor) { return Format(QStringLiteral("%10.2n"), valor); }
    static QString Letra(double valor) { return NumeroEnLetra(int(std::trunc(valor))); }
};

QString clave(const char* grupo, const char* nombre)
{
    return QStringLiteral("[[") + QString::fromUtf8(grupo) + QLatin1Char('.') + QString::fromUtf8(nombre)
           + QStringLiteral("]]");
}

// Sets every field of the group; a person not found sets them all empty.
void asignaGrupo(const char* grupo, const Valores& valores, bool encontrado = true)
{
    for (const auto& [nombre, valor] : valores) AsignaCampo(clave(grupo, nombre), encontrado ? valor : QString());
}

// A person's row looked up by the code a record holds (empty reads as 0), through a cursor of its
// own: the shared tables may stand filtered or in edit in a form behind the dialog.
struct Busqueda {
    std::unique_ptr<TQuery> q;
    Fila fila{nullptr};
    Busqueda(const char* tabla, const char* columna, const QString& codigo)
    {
        q = std::make_unique<TQuery>(nullptr);
        q->SetDatabaseName(Dat->Db->DatabaseName());
        q->SQL()->SetText(QStringLiteral("SELECT * FROM %1 WHERE %2 = :CODIGO").arg(QString::fromLatin1(tabla), QString::fromLatin1(columna)));
        q->ParamByName(QStringLiteral("CODIGO"))->SetAsInteger(codigo.trimmed().toInt());
        q->Open();
        fila = Fila(q.get());
    }
};

Fila expediente() { return Fila(Dat->TExped); }
Fila consulta() { return Fila(Dat->TConsultas); }

// The row of the dialog's query that entry `indice` of a pick list points to.
TDataSet* filaElegida(TCustomListBox* lista, TDataSet* consulta, int indice)
{
    if (!lista || !consulta || indice < 0 || indice >= lista->Items()->Count()) return nullptr;
    auto* marca = dynamic_cast<TBookmarkObject*>(lista->Items()->Objects(indice));
    if (!marca) return nullptr;
    consulta->GotoBookmark(marca->Bookmark);
    return consulta;
}
TDataSet* seleccion(TCustomListBox* lista, TDataSet* consulta)
{
    return lista ? filaElegida(lista, consulta, lista->ItemIndex()) : nullptr;
}

// The thirteen fields of a client or opposing party of the case file.
void parte(const char* grupo, TCustomListBox* lista, TDataSet* consulta, int ordinal, const char* referencia)
{
    Fila p(filaElegida(lista, consulta, ordinal));
    asignaGrupo(grupo,
                {{"Nombre y Apellidos", p.nombreCompleto()}, {"Nombre", p.t("NOMBRE")}, {"Apellidos", p.t("APELLIDOS")},
                 {"Referencia", expediente().t(referencia)}, {"Domicilio", p.t("DOMICILIO")},
                 {"Población", p.t("POBLACION")}, {"Código Postal", p.t("CDPOSTAL")}, {"Provincia", p.t("PROVINCIA")},
                 {"DNI", p.t("DNI")}, {"Asociados", p.t("ASOCIADOS")}, {"Teléfono", p.t("TELEFONO")},
                 {"Fax", p.t("FAX")}, {"E-MAIL", p.t("MAIL")}},
                bool(p));
}
void cliente(const char* grupo, int ordinal)
{
    parte(grupo, documents::OrigenFusion.LCli2, documents::OrigenFusion.TExpCli, ordinal, "REFCLI");
}
void contrario(const char* grupo, int ordinal)
{
    parte(grupo, documents::OrigenFusion.LCon2, documents::OrigenFusion.TExpCon, ordinal, "REFCON");
}

// The ten addressee fields.
void destino(const Fila& p, const QString& nombreCompleto, const QString& referencia, const QString& profesion,
             const QString& cif)
{
    asignaGrupo("Destino",
                {{"Nombre y Apellidos", nombreCompleto}, {"Nombre", p.t("NOMBRE")}, {"Apellidos", p.t("APELLIDOS")},
                 {"Referencia", referencia}, {"Profesión", profesion}, {"Domicilio", p.t("DOMICILIO")},
                 {"Población", p.t("POBLACION")}, {"Provincia", p.t("PROVINCIA")}, {"Código Postal", p.t("CDPOSTAL")},
                 {"CIF", cif}},
                bool(p));
}

void procurador(const char* grupo, const char* codigo, const char* referencia)
{
    Busqueda b("PROCU", "PROCU", expediente().t(codigo));
    const Fila& p = b.fila;
    asignaGrupo(grupo,
                {{"Nombre y Apellidos", p.nombreCompleto()}, {"Nombre", p.t("NOMBRE")}, {"Apellidos", p.t("APELLIDOS")},
                 {"Referencia", expediente().t(referencia)}, {"Domicilio", p.t("DOMICILIO")},
                 {"Población", p.t("POBLACION")}, {"Código Postal", p.t("CDPOSTAL")}, {"Provincia", p.t("PROVINCIA")},
                 {"DNI", p.t("CIF")}, {"Banco", p.t("BANCO")}, {"Sucursal", p.t("SUCURSAL")},
                 {"Número de Cuenta Bancaria", p.t("CUENTACORRIENTE")}, {"E-MAIL", p.t("MAIL")},
                 {"Teléfono", p.t("TELEFONO")}, {"Fax", p.t("FAX")}, {"Colegiado", p.t("COLEGIADO")},
                 {"Partido Judicial", p.t("PARTIDO")}},
                bool(p));
}

const char* const kMeses[12] = {"Enero", "Febrero", "Marzo",      "Abril",   "Mayo",      "Junio",
                                "Julio", "Agosto",  "Septiembre", "Octubre", "Noviembre", "Diciembre"};
}  // namespace

void AsignaCampo(const QString& nombre, const QString& valor)
{
    if (!ValoresCampos) return;
    for (int i = 0; i < ValoresCampos->Count(); ++i)
        if (ValoresCampos->Strings(i).compare(nombre, Qt::CaseInsensitive) == 0) {
            ValoresCampos->SetString(i, valor);
            return;
        }
}

void RellenaPrimerCliente() { cliente("PrimerCliente", 0); }
void RellenaSegundoCliente() { cliente("SegundoCliente", 1); }
void RellenaTercerCliente() { cliente("TercerCliente", 2); }
void RellenaCuartoCliente() { cliente("CuartoCliente", 3); }
void RellenaPrimerContrario() { contrario("PrimerContrario", 0); }
void RellenaSegundoContrario() { contrario("SegundoContrario", 1); }
void RellenaTercerContrario() { contrario("TercerContrario", 2); }
void RellenaCuartoContrario() { contrario("CuartoContrario", 3); }

void RellenaClienteConsulta()
{
    Busqueda b("CLIENTES", "CLIENTE", consulta().t("CLIENTE"));
    const Fila& p = b.fila;
    if (!p) {
        AsignaCampo(clave("PrimerCliente", "Nombre y Apellidos"), consulta().t("NOMCLIENTE"));
        return;
    }
    asignaGrupo("PrimerCliente",
                {{"Nombre y Apellidos", p.nombreCompleto()}, {"Nombre", p.t("NOMBRE")}, {"Apellidos", p.t("APELLIDOS")},
                 {"Domicilio", p.t("DOMICILIO")}, {"Población", p.t("POBLACION")}, {"Código Postal", p.t("CDPOSTAL")},
                 {"Provincia", p.t("PROVINCIA")}, {"DNI", p.t("DNI")}, {"Asociados", p.t("ASOCIADOS")},
                 {"Teléfono", p.t("TELEFONO")}, {"Fax", p.t("FAX")}, {"E-MAIL", p.t("MAIL")}});
}

void RellenaDestinoCliente()
{
    const auto& o = documents::OrigenFusion;
    Fila p(seleccion(o.LDesCli, o.TExpCli));
    destino(p, p.nombreCompleto(), expediente().t("REFCLI"), QString(), p.t("DNI"));
}

void RellenaDestinoContrario()
{
    const auto& o = documents::OrigenFusion;
    Fila p(seleccion(o.LDesCon, o.TExpCon));
    destino(p, p.nombreCompleto(), expediente().t("REFCON"), QString(), p.t("DNI"));
}

void RellenaDestinoPerito()
{
    Busqueda b("PERITOS", "PERITO", expediente().t("PERITO"));
    destino(b.fila, b.fila.nombreCompleto(), QString(), b.fila.t("PROFESION"), b.fila.t("CIF"));
}

void RellenaDestinoAbogadoContrario()
{
    Busqueda b("ABOGADOS", "ABOGADO", expediente().t("ABOCON"));
    destino(b.fila, b.fila.nombreCompleto(), expediente().t("REFABOCON"), QStringLiteral("ABOGADO"), b.fila.t("DNI"));
}

void RellenaDestinoProcuradorContrario()
{
    Busqueda b("PROCU", "PROCU", expediente().t("PROCON"));
    destino(b.fila, b.fila.nombreCompleto(), expediente().t("REFPROCON"), QStringLiteral("PROCURADOR"), b.fila.t("CIF"));
}

void RellenaDestinoOtroProcurador()
{
    const auto& o = documents::OrigenFusion;
    Fila p(seleccion(o.LDesPro, o.TPro));
    destino(p, p.nombreCompleto(), expediente().t("REFPROCON"), QStringLiteral("PROCURADOR"), p.t("CIF"));
}

// The client's own court agent, by the case file's PROCLI.
void RellenaDestinoProcuradorCliente()
{
    Busqueda b("PROCU", "PROCU", expediente().t("PROCLI"));
    destino(b.fila, b.fila.nombreCompleto(), expediente().t("REFPROCLI"), QStringLiteral("PROCURADOR"), b.fila.t("CIF"));
}

void RellenaDestinoClienteConsulta()
{
    Busqueda b("CLIENTES", "CLIENTE", consulta().t("CLIENTE"));
    if (!b.fila) {
        AsignaCampo(clave("Destino", "Nombre y Apellidos"), consulta().t("NOMCLIENTE"));
        destino(Fila(nullptr), QString(), QString(), QString(), QString());
        return;
    }
    destino(b.fila, b.fila.nombreCompleto(), QString(), QString(), b.fila.t("DNI"));
}

void RellenaDestinoOtroAbogado()
{
    const auto& o = documents::OrigenFusion;
    Fila p(seleccion(o.LDesAbo, o.TAbo));
    destino(p, p.nombreCompleto(), QString(), QStringLiteral("ABOGADO"), p.t("DNI"));
}

void RellenaPerito()
{
    Busqueda b("PERITOS", "PERITO", expediente().t("PERITO"));
    const Fila& p = b.fila;
    asignaGrupo("Perito",
                {{"Nombre y Apellidos", p.nombreCompleto()}, {"Nombre", p.t("NOMBRE")}, {"Apellidos", p.t("APELLIDOS")},
                 {"Profesión", p.t("PROFESION")}, {"Teléfono", p.t("TELEFONO")}, {"Fax", p.t("FAX")},
                 {"Domicilio", p.t("DOMICILIO")}, {"Población", p.t("POBLACION")}, {"Código Postal", p.t("CDPOSTAL")},
                 {"Provincia", p.t("PROVINCIA")}, {"DNI", p.t("CIF")}, {"Banco", p.t("BANCO")},
                 {"Sucursal", p.t("SUCURSAL")}, {"Número de Cuenta Bancaria", p.t("CUENTACORRIENTE")},
                 {"E-MAIL", p.t("MAIL")}, {"Colegiado", p.t("COLEGIADO")}},
                bool(p));
}

void RellenaProcuradorCliente() { procurador("ProcuradorCliente", "PROCLI", "REFPROCLI"); }
void RellenaProcuradorContrario() { procurador("ProcuradorContrario", "PROCON", "REFPROCON"); }

void RellenaAbogadoContrario()
{
    Busqueda b("ABOGADOS", "ABOGADO", expediente().t("ABOCON"));
    const Fila& p = b.fila;
    asignaGrupo("AbogadoContrario",
                {{"Nombre y Apellidos", p.nombreCompleto()}, {"Nombre", p.t("NOMBRE")}, {"Apellidos", p.t("APELLIDOS")},
                 {"Domicilio", p.t("DOMICILIO")}, {"Población", p.t("POBLACION")}, {"Código Postal", p.t("CDPOSTAL")},
                 {"Provincia", p.t("PROVINCIA")}, {"DNI", p.t("DNI")}, {"Referencia", expediente().t("REFABOCON")},
                 {"Despacho", p.t("DESPACHO")}, {"Teléfono", p.t("TELEFONO")}, {"Fax", p.t("FAX")},
                 {"E-MAIL", p.t("MAIL")}},
                bool(p));
}

// The office lawyer of the record being merged: the case file's, or the consultation's own in a
// consultation document.
void RellenaAbogadoCliente()
{
    const Fila registro = ModoEscrito == QLatin1Char('E') ? expediente() : consulta();
    Busqueda b("ABOCLI", "ABOCLI", registro.t("ABOCLI"));
    const Fila& p = b.fila;
    asignaGrupo("AbogadoCliente",
                {{"Nombre y Apellidos", p.nombreCompleto()}, {"Nombre", p.t("NOMBRE")}, {"Apellidos", p.t("APELLIDOS")},
                 {"Domicilio", p.t("DOMICILIO")}, {"Población", p.t("POBLACION")}, {"Código Postal", p.t("CDPOSTAL")},
                 {"Provincia", p.t("PROVINCIA")}, {"DNI", p.t("CIF")}, {"Colegiado", p.t("COLEGIADO")},
                 {"E-MAIL", p.t("MAIL")}, {"Banco", p.t("BANCO")}, {"Sucursal", p.t("SUCURSAL")},
                 {"Número de Cuenta Bancaria", p.t("CUENTACORRIENTE")}},
                bool(p));
}

void RellenaBufete()
{
    const Fila s(Dat->TSistem);
    asignaGrupo("Bufete", {{"Despacho", s.t("EMPRESA")}, {"Domicilio", s.t("DIRECCION")}, {"Población", s.t("POBLACION")},
                           {"Código Postal", s.t("CDPOSTAL")}, {"Provincia", s.t("PROVINCIA")}, {"CIF", s.t("CIF")},
                           {"Teléfono", s.t("TELEFONO")}, {"Fax", s.t("FAX")}, {"Banco", s.t("BANCO")},
                           {"Sucursal", s.t("SUCURSAL")}, {"Número de Cuenta Bancaria", s.t("CUENTACORRIENTE")}});
}

void RellenaOtros()
{
    int ano = 0, mes = 0, dia = 0;
    DecodeDate(Date(), ano, mes, dia);
    AsignaCampo(clave("Otros", "Hoy"), QStringLiteral("%1 de %2 de %3").arg(dia).arg(QString::fromLatin1(kMeses[mes - 1])).arg(ano));
}

void RellenaExpediente()
{
    const Fila e = expediente();
    asignaGrupo("Expediente",
                {{"Referencia", e.t("ANO") + QStringLiteral(" / ") + e.t("NUMERO")}, {"Año", e.t("ANO")},
                 {"Número", e.t("NUMERO")}, {"Fecha de Apertura", e.fecha("FECHAAPERTURA")},
                 {"Fecha de Cierre", e.fecha("FECHACIERRE")}, {"Fecha de Factura", e.fecha("FECHAFACTURA")},
                 {"Costas", e.importe("IMPORTE")}, {"Principal", e.importe("PRINCIPAL")},
                 {"Intereses", e.importe("INTERESES")}, {"Total", e.importe("TOTAL")},
                 {"Primer Nº de Autos", e.t("AUTOS")}, {"Procedimiento", e.t("PROCEDIMIENTO")},
                 {"Tribunal", e.t("TRIBUNAL")}, {"Población", e.t("POBLACION")}, {"Jurisdicción", e.t("JURISDICCION")},
                 {"Segundo Nº de Autos", e.t("AUTOS1")}, {"Segundo Procedimiento", e.t("PROCEDIMIENTO1")},
                 {"Segundo Tribunal", e.t("TRIBUNAL1")}, {"Segunda Población", e.t("POBLACION1")},
                 {"Tercer Nº de Autos", e.t("AUTOS2")}, {"Tercer Procedimiento", e.t("PROCEDIMIENTO2")},
                 {"Tercer Tribunal", e.t("TRIBUNAL2")}, {"Tercera Población", e.t("POBLACION2")}});
}

void RellenaEconomicosExpediente()
{
    const Fila e = expediente();
    const double saldo = e.n("TOTAL") + e.n("PROVISIONES");
    asignaGrupo("Economicos",
                {{"Nº de Factura", e.entero("FACTURA")}, {"Saldo", Fila::Importe(saldo)},
                 {"Total Factura", e.importe("TOTAL")}, {"Total Provisiones", e.importe("PROVISIONES")},
                 {"Total IVA", e.importe("IMPIVA")}, {"Porcentaje IVA", e.importe("IVA")},
                 {"Total IRPF", e.importe("IMPIRPF")}, {"Porcentaje IRPF", e.importe("IRPF")},
                 {"Total Derechos", e.importe("DERECHOS")}, {"Total Suplidos", e.importe("SUPLIDOS")},
                 {"Total Factura en Letra", Fila::Letra(e.n("TOTAL"))}, {"Total Saldo en Letra", Fila::Letra(saldo)}});
}

void RellenaConsultas()
{
    const Fila c = consulta();
    asignaGrupo("Consultas",
                {{"Referencia", c.t("NUMERO") + QStringLiteral(" / ") + c.t("ANO")}, {"Año", c.t("ANO")},
                 {"Número", c.t("NUMERO")}, {"Fecha de Entrada", c.fecha("FECHAENTRADA")},
                 {"Fecha de Factura", c.fecha("FECHAFACTURA")}, {"Fecha de Cobro", c.fecha("FECHACOBRO")},
                 {"Cliente", c.t("NOMCLIENTE")}, {"Abogado de Cliente", c.t("NOMABOCLI")},
                 {"Abogado de Entrada", c.t("NOMABOENT")}, {"Tipo de Consulta", c.t("TIPO")},
                 {"Horas", Format(QStringLiteral("%5.2n"), c.n("HORAS"))}, {"Descripción", c.t("OBSERVACIONES")}});
}

void RellenaEconomicosConsulta()
{
    const Fila c = consulta();
    asignaGrupo("Economicos",
                {{"Nº de Factura", c.entero("FACTURA")}, {"Saldo", c.importe("TOTAL")},
                 {"Total Factura", c.importe("TOTAL")}, {"Total Provisiones", Fila::Importe(0)},
                 {"Total IVA", c.importe("IMPIVA")}, {"Porcentaje IVA", c.importe("IVA")},
                 {"Total IRPF", c.importe("IMPIRPF")}, {"Porcentaje IRPF", c.importe("IPRF")},
                 {"Total Derechos", c.importe("IMPORTE")}, {"Total Suplidos", Fila::Importe(0)},
                 {"Total Factura en Letra", Fila::Letra(c.n("TOTAL"))}, {"Total Saldo en Letra", Fila::Letra(c.n("TOTAL"))}});
}
