// The tables of the office's data and the components of the data module over them.
#include "comun/UData.h"
#include "platform/db/Driver.h"

#include <vector>

namespace {
using platform::db::TColumnType;

// Column kinds: S text, I integer, H short, F float, D date, T time, L logical, M memo;
// c calculated text, f calculated float, k lookup text (fields of the module, not of the file).
struct Col {
    const char* Nombre;
    char Tipo;
    int Tam = 0;
    bool Requerido = false;
};
struct Ix {
    const char* Nombre;  // empty for the primary index
    const char* Campos;
    bool Primario = false;
    bool Unico = false;
};
struct Tabla {
    const char* Nombre;
    std::vector<Col> Cols;
    std::vector<Ix> Indices;
};

const Col NOMBRE{"NOMBRE", 'S', 20}, APELLIDOS{"APELLIDOS", 'S', 30}, DOMICILIO{"DOMICILIO", 'S', 40},
    POBLACION{"POBLACION", 'S', 30}, CDPOSTAL{"CDPOSTAL", 'S', 5}, PROVINCIA{"PROVINCIA", 'S', 15},
    MAIL{"MAIL", 'S', 40}, OBSERVACIONES{"OBSERVACIONES", 'M'}, TELEFONO{"TELEFONO", 'S', 30}, FAX{"FAX", 'S', 15},
    BANCO{"BANCO", 'S', 15}, SUCURSAL{"SUCURSAL", 'S', 15}, CUENTACORRIENTE{"CUENTACORRIENTE", 'S', 15},
    EXPABIERTOS{"EXPABIERTOS", 'H'}, EXPPENDIENTES{"EXPPENDIENTES", 'H'}, EXPCERRADOS{"EXPCERRADOS", 'H'},
    COLEGIADO{"COLEGIADO", 'S', 6};

const std::vector<Tabla>& Tablas() {
    static const std::vector<Tabla> tablas = {
        {"SISTEM",
         {{"NUMERO", 'I', 0, true}, {"CIF", 'S', 15}, {"EMPRESA", 'S', 50}, {"DIRECCION", 'S', 50}, {"POBLACION", 'S', 30},
          {"CDPOSTAL", 'S', 5}, {"PROVINCIA", 'S', 15}, {"TELEFONO", 'S', 30}, {"FAX", 'S', 15}, {"BANCO", 'S', 15},
          {"SUCURSAL", 'S', 15}, {"CUENTACORRIENTE", 'S', 25}, {"CFAX", 'S', 50}, {"CDROM", 'S', 50}, {"LOGO", 'S', 50},
          {"ABOGADO", 'I'}, {"CLIENTE", 'I'}, {"CONTRARIO", 'I'}, {"PROCU", 'I'}, {"PERITO", 'I'}, {"ESCRITO", 'I'},
          {"ESCEXP", 'I'}, {"EDITOR", 'S', 15}, {"MONEDA", 'S', 1}, {"MINUTA", 'I'}, {"CABCAR", 'I'}, {"ABOCLI", 'I'},
          {"EURO", 'F'}, {"IVA", 'H'}, {"IRPF", 'H'}, {"PATH", 'S', 255}, {"FILEEXT", 'S', 255}, {"MINUTACONS", 'I'},
          {"CUENTAS", 'I'}, {"AGENDA", 'I'}},
         {{"", "NUMERO", true}}},
        {"TABCON", {{"ANO", 'I', 0, true}, {"CONTEXP", 'S', 7}, {"NUMFACTU", 'I'}, {"CONTCON", 'S', 7}}, {{"", "ANO", true}}},
        {"EXPED",
         {{"ANO", 'S', 4, true}, {"NUMERO", 'S', 7}, {"FECHAAPERTURA", 'D'}, {"FECHACIERRE", 'D'}, {"FECHAFACTURA", 'D'},
          {"IMPORTE", 'F'}, {"PRINCIPAL", 'F'}, {"AUTOS", 'S', 10}, {"CLIENTE", 'I'}, {"ABOCLI", 'I'}, {"PROCLI", 'I'},
          {"CONTRARIO", 'I'}, {"ABOCON", 'I'}, {"PROCON", 'I'}, {"PERITO", 'I'}, {"SITUACION", 'I'},
          {"JURISDICCION", 'S', 15}, {"PROCEDIMIENTO", 'S', 30}, {"TRIBUNAL", 'S', 30}, {"SECCION", 'S', 20},
          {"POBLACION", 'S', 20}, {"REFABOCON", 'S', 15}, {"REFPROCON", 'S', 15}, {"REFCLI", 'S', 15},
          {"REFCON", 'S', 15}, {"REFPROCLI", 'S', 15}, {"FACTURA", 'I'}, {"CONCONTA", 'I'}, {"ANOANTERIOR", 'S', 4},
          {"NUMANTERIOR", 'S', 7}, {"ANOSIGUIENTE", 'S', 4}, {"NUMSIGUIENTE", 'S', 7}, {"PROCEDIMIENTO1", 'S', 30},
          {"PROCEDIMIENTO2", 'S', 30}, {"PROCEDIMIENTO3", 'S', 30}, {"TRIBUNAL1", 'S', 30}, {"TRIBUNAL2", 'S', 30},
          {"TRIBUNAL3", 'S', 30}, {"POBLACION1", 'S', 20}, {"POBLACION2", 'S', 20}, {"POBLACION3", 'S', 20},
          {"AUTOS1", 'S', 10}, {"AUTOS2", 'S', 10}, {"AUTOS3", 'S', 10}, {"SUPLIDOS", 'F'}, {"DERECHOS", 'F'},
          {"PROVISIONES", 'F'}, {"IVA", 'F'}, {"IRPF", 'F'}, {"IMPIVA", 'F'}, {"IMPIRPF", 'F'}, {"TOTAL", 'F'},
          {"ASUNTO", 'S', 240}, {"OBSERVACIONES", 'M'}, {"INTERESES", 'F'}, {"ACTOR", 'S', 9}, {"EXPTOTAL", 'f'},
          {"ABOENT", 'I'}, {"GASTOS", 'F'}, {"MONEDA", 'S', 1}},
         {{"", "ANO;NUMERO", true}, {"IxCliente", "CLIENTE"}, {"IxContrario", "CONTRARIO"}, {"IxAboCli", "ABOCLI"}}},
        {"EXPCLI",
         {{"ANO", 'S', 4, true}, {"NUMERO", 'S', 7, true}, {"CLIENTE", 'I', 0, true}, {"REFERENCIA", 'S', 15},
          {"NomCli", 'k', 50}},
         {{"", "ANO;NUMERO;CLIENTE", true}, {"IxCliente", "CLIENTE"}}},
        {"EXPCON",
         {{"ANO", 'S', 4, true}, {"NUMERO", 'S', 7, true}, {"CONTRARIO", 'I', 0, true}, {"REFERENCIA", 'S', 15}},
         {{"", "ANO;NUMERO;CONTRARIO", true}, {"IxContrario", "CONTRARIO"}}},
        {"CONSULTAS",
         {{"NOMABOCLI", 'k', 50}, {"NOMABOENT", 'k', 50}, {"ANO", 'S', 4}, {"NUMERO", 'S', 7}, {"ABOCLI", 'I'},
          {"ABOENT", 'I'}, {"SITUACION", 'I'}, {"TIPO", 'S', 30}, {"NOMCLIENTE", 'S', 50}, {"FECHAENTRADA", 'D'},
          {"FECHAFACTURA", 'D'}, {"FECHACOBRO", 'D'}, {"HORAS", 'F'}, {"FACTURA", 'I'}, {"IMPORTE", 'F'}, {"IVA", 'F'},
          {"IMPIVA", 'F'}, {"IPRF", 'F'}, {"IMPIRPF", 'F'}, {"TOTAL", 'F'}, {"CLIENTE", 'I'}, {"OBSERVACIONES", 'M'},
          {"MONEDA", 'S', 1}},
         {{"", "ANO;NUMERO", true}}},
        {"CUENTAS",
         {{"ANO", 'S', 4, true}, {"NUMERO", 'S', 7, true}, {"FECHA", 'D'}, {"ORDEN", 'I', 0, true}, {"TIPO", 'I'},
          {"IMPORTE", 'F'}, {"TIPOSTRING", 'c', 1}, {"CONCEPTO", 'S', 80}, {"CUENTA", 'S', 5}},
         // Ordered by case file first, so a case file's ledger is a range of the primary index.
         {{"", "ANO;NUMERO;ORDEN", true}, {"IxOrden", "ORDEN", false, true}}},
        {"CONCONTAS", {{"CONCEPTO", 'S', 50}, {"IMPORTE", 'F'}, {"TIPO", 'I'}, {"IVA", 'I'}, {"CUENTA", 'S', 5}}, {}},
        {"ABOCLI",
         {{"ABOCLI", 'I'}, {"CIF", 'S', 15}, NOMBRE, APELLIDOS, DOMICILIO, POBLACION, CDPOSTAL, PROVINCIA, BANCO,
          SUCURSAL, CUENTACORRIENTE, {"EXPCIVIL", 'H'}, {"EXPPENAL", 'H'}, {"EXPADM", 'H'}, {"EXPLABORAL", 'H'},
          COLEGIADO, MAIL, {"NOMABOCLI", 'c', 40}, OBSERVACIONES},
         {{"", "ABOCLI", true}, {"IxNombre", "APELLIDOS;NOMBRE"}}},
        {"CLIENTES",
         {{"CLIENTE", 'I'}, {"DNI", 'S', 15}, NOMBRE, APELLIDOS, {"ASOCIADOS", 'S', 50}, DOMICILIO, POBLACION, CDPOSTAL,
          PROVINCIA, TELEFONO, FAX, EXPABIERTOS, EXPCERRADOS, {"BIENES", 'S', 1}, {"NOMCLI", 'c', 50}, EXPPENDIENTES,
          {"REFERENCIA", 'c', 15}, MAIL, {"RELACIOBIENES", 'M'}, OBSERVACIONES},
         {{"", "CLIENTE", true}, {"IxNombre", "APELLIDOS;NOMBRE"}}},
        {"CONTRARIOS",
         {{"CONTRARIO", 'I'}, {"DNI", 'S', 15}, NOMBRE, APELLIDOS, {"ASOCIADOS", 'S', 50}, DOMICILIO, POBLACION,
          CDPOSTAL, PROVINCIA, TELEFONO, FAX, EXPABIERTOS, EXPCERRADOS, {"BIENES", 'S', 1}, {"NOMCON", 'c', 50},
          EXPPENDIENTES, MAIL, {"RELACIOBIENES", 'M'}, OBSERVACIONES},
         {{"", "CONTRARIO", true}, {"IxNombre", "APELLIDOS;NOMBRE"}}},
        {"ABOGADOS",
         {{"ABOGADO", 'I'}, {"DNI", 'S', 15}, NOMBRE, APELLIDOS, {"DESPACHO", 'S', 50}, DOMICILIO, POBLACION, CDPOSTAL,
          PROVINCIA, TELEFONO, FAX, EXPABIERTOS, EXPPENDIENTES, EXPCERRADOS, {"NOMABO", 'c', 50}, MAIL, OBSERVACIONES},
         {{"", "ABOGADO", true}, {"IxNombre", "APELLIDOS;NOMBRE"}}},
        {"PROCU",
         {{"PROCU", 'I'}, {"CIF", 'S', 15}, NOMBRE, APELLIDOS, DOMICILIO, POBLACION, CDPOSTAL, PROVINCIA, TELEFONO, FAX,
          BANCO, SUCURSAL, CUENTACORRIENTE, EXPABIERTOS, EXPPENDIENTES, EXPCERRADOS, {"PARTIDO", 'S', 20}, COLEGIADO,
          MAIL, {"NOMPROCU", 'c', 40}, OBSERVACIONES},
         {{"", "PROCU", true}, {"IxNombre", "APELLIDOS;NOMBRE"}}},
        {"PERITOS",
         {{"PERITO", 'I'}, {"CIF", 'S', 15}, NOMBRE, APELLIDOS, DOMICILIO, POBLACION, CDPOSTAL, PROVINCIA, TELEFONO, FAX,
          BANCO, SUCURSAL, CUENTACORRIENTE, EXPABIERTOS, EXPPENDIENTES, EXPCERRADOS, {"PROFESION", 'S', 20}, COLEGIADO,
          {"NOMPERITO", 'c', 50}, MAIL, OBSERVACIONES},
         {{"", "PERITO", true}, {"IxNombre", "APELLIDOS;NOMBRE"}}},
        {"Poder.DB",
         {{"CLIENTE", 'I'}, {"PODER", 'S', 10}, {"PROTOCOLO", 'S', 10}, {"NOTARIO", 'S', 50}, {"ABOGADO", 'I'},
          {"FECHA", 'D'}, {"SITUACION", 'S', 255}},
         {{"", "CLIENTE;PODER", true}}},
        {"AGENDA",
         {{"ABOCLI", 'I'}, {"FECHA", 'D', 0, true}, {"HORA", 'T', 0, true}, {"ORDEN", 'I', 0, true}, {"TIPO", 'S', 1},
          {"ANO", 'S', 4}, {"NUMERO", 'S', 7}, {"CODIGO", 'I'}, {"ARCHIVADO", 'S', 1}, {"ESCRITO", 'I'},
          {"TIPOAGENDA", 'S', 30}, {"SITUACION", 'S', 255}, {"EXTENSION", 'S', 5}, {"USUARIO", 'S', 15}},
         {{"", "ORDEN", true}, {"agen01", "ANO;NUMERO;FECHA;HORA"}, {"IxAbogado", "ABOCLI;FECHA;HORA"}, {"IxFecha", "FECHA;HORA"}, {"IxExped", "ANO;NUMERO"}}},
        {"CONAGENDAS",
         {{"CODIGO", 'I'}, {"CONCEPTO", 'S', 50}, {"DIAS", 'I'}, {"TIPOAGENDA", 'S', 30}}, {{"", "CODIGO", true}}},
        {"TIPOAGENDAS", {{"TIPO", 'S', 30, true}}, {{"", "TIPO", true}}},
        {"Color.DB", {{"Id", 'H'}, {"Nombre", 'S', 30}, {"Priv", 'H'}}, {{"", "Id", true}}},
        {"Fechas.db", {{"Fecha", 'D'}, {"Descripcion", 'S', 50}, {"Color", 'H'}}, {{"IxColor", "Color;Fecha"}}},
        {"ESCRITOS", {{"ESCRITO", 'I'}, {"CONCEPTO", 'S', 60}, {"TIPO", 'S', 15}}, {{"", "ESCRITO", true}}},
        {"Privacidad.db",
         {{"Usuario", 'S', 15}, {"Contrasenia", 'S', 128}, {"Privacidad", 'L'}, {"Expedientes", 'L'}, {"Consulta", 'L'},
          {"Modelos", 'L'}, {"Agenda", 'L'}, {"Listados", 'L'}, {"Fusion", 'L'}, {"Economico", 'L'}, {"Abogado", 'I'},
          {"General", 'L'}},
         {{"", "Usuario", true}}},
        {"PARTIDOS", {{"PARTIDO", 'S', 20, true}}, {{"", "PARTIDO", true}}},
        {"PROFESIONES", {{"PROFESION", 'S', 20, true}}, {{"", "PROFESION", true}}},
        {"TRIBUNALES", {{"TRIBUNAL", 'S', 30, true}}, {{"", "TRIBUNAL", true}}},
        {"PROCEDIMIENTOS", {{"PROCEDIMIENTO", 'S', 30, true}}, {{"", "PROCEDIMIENTO", true}}},
        {"TIPOCONSULTA", {{"TIPO", 'S', 30, true}}, {{"", "TIPO", true}}},
        // Kept by the pick list only: office types and office destinations.
        {"TIPODES", {{"TIPO", 'S', 30, true}}, {{"", "TIPO", true}}},
        {"TURNADOS", {{"TURNADO", 'S', 30, true}}, {{"", "TURNADO", true}}},
        // The marker conversion table, opened by the document models list only.
        {"Convertir.db", {{"Origen", 'S', 255, true}, {"Destino", 'S', 255}}, {{"", "Origen", true}}},
    };
    return tablas;
}

const Tabla& TablaDe(const QString& nombre) {
    for (const Tabla& t : Tablas())
        if (nombre.compare(QLatin1String(t.Nombre), Qt::CaseInsensitive) == 0) return t;
    throw EDatabaseError(QStringLiteral("Tabla desconocida: ") + nombre);
}

TColumnType TipoColumna(char tipo) {
    switch (tipo) {
    case 'I': return TColumnType::Integer;
    case 'H': return TColumnType::Short;
    case 'F':
    case 'f': return TColumnType::Float;
    case 'D': return TColumnType::Date;
    case 'T': return TColumnType::Time;
    case 'L': return TColumnType::Logical;
    case 'M': return TColumnType::Memo;
    default: return TColumnType::Text;
    }
}

// The text of a column's name, made once: the table's description and the fields of every
// cursor on the column share it.
const QString& NombreColumna(const char* nombre) {
    static QHash<const char*, QString> nombres = [] {
        QHash<const char*, QString> h;
        h.reserve(512);  // every column of the office's tables, without growing on the way
        return h;
    }();
    auto it = nombres.find(nombre);
    if (it == nombres.end()) it = nombres.insert(nombre, QString::fromLatin1(nombre));
    return *it;
}

}  // namespace

namespace comun {
std::vector<platform::db::TTableDesc> TablasDelDespacho() {
    std::vector<platform::db::TTableDesc> r;
    for (const Tabla& t : Tablas()) {
        platform::db::TTableDesc d;
        d.Name = QString::fromLatin1(t.Nombre);
        for (const Col& c : t.Cols) {
            if (c.Tipo == 'c' || c.Tipo == 'f' || c.Tipo == 'k') continue;
            platform::db::TColumnDesc cd;
            cd.Name = NombreColumna(c.Nombre);
            cd.Type = TipoColumna(c.Tipo);
            cd.Size = c.Tipo == 'S' ? c.Tam : 0;
            cd.Required = c.Requerido;
            d.Columns.push_back(cd);
        }
        for (const Ix& ix : t.Indices) {
            platform::db::TIndexDesc id;
            id.Name = QString::fromLatin1(ix.Nombre);
            for (const auto parte : QLatin1String(ix.Campos).tokenize(QLatin1Char(';'))) id.Fields << QString(parte);
            id.Primary = ix.Primario;
            id.Unique = ix.Primario || ix.Unico;
            d.Indexes.push_back(id);
        }
        r.push_back(std::move(d));
    }
    return r;
}
}  // namespace comun

namespace {
// The persistent fields of a dataset over a table, named dataset + field ("TExpedANO").
void CreaCampos(TComponent* owner, TDataSet* ds, const QString& tabla, const QString& prefijo) {
    for (const Col& c : TablaDe(tabla).Cols) {
        TField* f = platform::db::NewField(owner, TipoColumna(c.Tipo));
        f->SetFieldName(NombreColumna(c.Nombre));
        // Made at its length: the field keeps this text as its name.
        const QLatin1String columna(c.Nombre);
        QString nombre;
        nombre.reserve(prefijo.size() + columna.size());
        nombre += prefijo;
        nombre += columna;
        f->SetName(nombre);
        if (c.Tipo == 'S' || c.Tipo == 'c' || c.Tipo == 'k') f->SetSize(c.Tam);
        if (c.Tipo == 'c' || c.Tipo == 'f') f->SetFieldKind(fkCalculated);
        if (c.Tipo == 'k') f->SetFieldKind(fkLookup);
        f->SetRequired(c.Requerido);
        f->SetDataSet(ds);
    }
}

TField* Campo(TDataSet* ds, const char* nombre) { return ds->FieldByName(QString::fromLatin1(nombre)); }

void Formato(TDataSet* ds, const char* nombre, const QString& display, const QString& edit = QString()) {
    TField* f = Campo(ds, nombre);
    f->SetDisplayFormat(display);
    if (!edit.isEmpty()) f->SetEditFormat(edit);
}

void Mascara(TDataSet* ds, const char* nombre, const QString& mascara) { Campo(ds, nombre)->SetEditMask(mascara); }

void Lookup(TDataSet* ds, const char* nombre, TDataSet* origen, const char* claveOrigen, const char* resultado, const char* clave) {
    TField* f = Campo(ds, nombre);
    f->SetLookupDataSet(origen);
    f->SetLookupKeyFields(QString::fromLatin1(claveOrigen));
    f->SetLookupResultField(QString::fromLatin1(resultado));
    f->SetKeyFields(QString::fromLatin1(clave));
}

// A query's result field.
TField* CampoConsulta(TDat* dat, TQuery* q, const char* nombre, char tipo, int tam = 0) {
    TField* f = platform::db::NewField(dat, TipoColumna(tipo));
    f->SetFieldName(QString::fromLatin1(nombre));
    f->SetName(q->Name() + QString::fromLatin1(nombre));
    if (tipo == 'S' || tipo == 'c') f->SetSize(tam);
    if (tipo == 'c') f->SetFieldKind(fkCalculated);
    f->SetDataSet(q);
    return f;
}
}  // namespace

void TDat::CreaComponentes() {
    ReserveComponents(640);  // the datasets, their sources and some five hundred fields
    const QString zembra = QStringLiteral("ZEMBRA");
    auto tabla = [&](TTable*& t, const char* nombre, const char* fichero) {
        t = new TTable(this);
        FConjuntos.push_back(t);
        t->SetName(QString::fromLatin1(nombre));
        t->SetDatabaseName(zembra);
        t->SetTableName(QString::fromLatin1(fichero));
        CreaCampos(this, t, QString::fromLatin1(fichero), t->Name());
    };
    auto fuente = [&](TDataSource*& s, const char* nombre, TDataSet* ds, bool autoEdit = false) {
        s = new TDataSource(this);
        s->SetName(QString::fromLatin1(nombre));
        s->SetDataSet(ds);
        s->SetAutoEdit(autoEdit);
    };
    auto consulta = [&](TQuery*& q, const char* nombre, const QString& sql, int tag = 0) {
        q = new TQuery(this);
        FConjuntos.push_back(q);
        q->SetName(QString::fromLatin1(nombre));
        q->SetDatabaseName(zembra);
        q->SQL()->SetText(sql);
        q->SetTag(tag);
    };
    auto errores = [&](TDataSet* ds) {
        ds->OnEditError = TDataSetErrorEvent(this, &TDat::error);
        ds->OnPostError = TDataSetErrorEvent(this, &TDat::error);
        ds->OnDeleteError = TDataSetErrorEvent(this, &TDat::error);
    };
    auto graba = [&](TDataSet* ds) { ds->AfterPost = TDataSetNotifyEvent(this, &TDat::grabaDatos); };
    using E = TDataSetNotifyEvent;

    BDE321 = new TBDE32(this);
    BDE321->SetName(QStringLiteral("BDE321"));
    Db = new TDatabase(this);
    Db->SetName(QStringLiteral("Db"));
    Db->SetDatabaseName(zembra);
    Db->SetLoginPrompt(false);
    Db->SetTransIsolation(tiDirtyRead);
    Db->SetSessionName(QStringLiteral("Default"));

    // Office settings and counters.
    tabla(TSistem, "TSistem", "SISTEM");
    fuente(DSSistem, "DSSistem", TSistem);
    graba(TSistem);
    TSistemEURO = static_cast<TFloatField*>(Campo(TSistem, "EURO"));
    tabla(TTabcon, "TTabcon", "TABCON");
    fuente(DSTabcon, "DSTabcon", TTabcon);
    graba(TTabcon);

    // People first: the case files look their names up and count by them.
    // The six party tables share one set of handlers, which read each table's rules.
    auto persona = [&](TTable*& t, const char* nombre, const char* fichero, TDataSource*& s, const char* ds) {
        tabla(t, nombre, fichero);
        t->SetIndexFieldNames(QStringLiteral("APELLIDOS;NOMBRE"));
        fuente(s, ds, t);
        t->BeforePost = E(this, &TDat::PersonaBeforePost);
        t->AfterPost = E(this, &TDat::PersonaAfterPost);
        t->BeforeDelete = E(this, &TDat::PersonaBeforeDelete);
        t->OnCalcFields = E(this, &TDat::PersonaCalcFields);
        errores(t);
    };
    persona(TAboCli, "TAboCli", "ABOCLI", DSAboCli, "DSAboCli");
    fuente(DSLisSAboCli, "DSLisSAboCli", TAboCli);
    persona(TClientes, "TClientes", "CLIENTES", DSClientes, "DSClientes");
    TClientes->OnNewRecord = E(this, &TDat::TClientesNewRecord);
    persona(TContrarios, "TContrarios", "CONTRARIOS", DSContrarios, "DSContrarios");
    persona(TAbogados, "TAbogados", "ABOGADOS", DSAbogados, "DSAbogados");
    persona(TProcu, "TProcu", "PROCU", DSProcu, "DSProcu");
    persona(TPeritos, "TPeritos", "PERITOS", DSPeritos, "DSPeritos");
    tabla(TPoderes, "TPoderes", "Poder.DB");
    fuente(DSPoderes, "DSPoderes", TPoderes);
    TPoderes->BeforePost = E(this, &TDat::TPoderesBeforePost);
    TPoderes->BeforeDelete = E(this, &TDat::TPoderesBeforeDelete);
    TPoderes->OnNewRecord = E(this, &TDat::TPoderesNewRecord);
    graba(TPoderes);
    errores(TPoderes);
    Mascara(TPoderes, "FECHA", QStringLiteral("!00/00/0000;1;_"));
    Formato(TPoderes, "FECHA", QStringLiteral("dd/mm/yyyy"));

    consulta(QAbo, "QAbo", QStringLiteral("SELECT ABOCLI, NOMBRE || ' ' || APELLIDOS AS NOMABO\nFROM ABOCLI"));
    CampoConsulta(this, QAbo, "ABOCLI", 'I');
    CampoConsulta(this, QAbo, "NOMABO", 'S', 51);
    fuente(DSAbo, "DSAbo", QAbo);

    // Case files, consultations and economics.
    tabla(TExped, "TExped", "EXPED");
    fuente(DSExped, "DSExped", TExped, true);
    graba(TExped);
    TExped->AfterDelete = E(this, &TDat::refresca);
    TExped->OnCalcFields = E(this, &TDat::TExpedCalcFields);
    errores(TExped);
    for (const char* f : {"FECHAAPERTURA", "FECHACIERRE", "FECHAFACTURA"}) {
        Formato(TExped, f, QStringLiteral("dd/mm/yyyy"));
        Mascara(TExped, f, QStringLiteral("!99/99/9999;1;_"));
    }
    for (const char* f : {"IMPORTE", "PRINCIPAL", "INTERESES"}) Formato(TExped, f, QStringLiteral("#,"), QStringLiteral("#"));
    TExpedIMPORTE = static_cast<TFloatField*>(Campo(TExped, "IMPORTE"));
    TExpedPRINCIPAL = static_cast<TFloatField*>(Campo(TExped, "PRINCIPAL"));

    tabla(TExpCli, "TExpCli", "EXPCLI");
    TExpCli->SetFiltered(true);
    fuente(DSExpCli, "DSExpCli", TExpCli);
    graba(TExpCli);
    TExpCli->BeforeDelete = E(this, &TDat::TExpCliBeforeDelete);
    errores(TExpCli);
    Lookup(TExpCli, "NomCli", TClientes, "CLIENTE", "NOMCLI", "CLIENTE");

    tabla(TExpCon, "TExpCon", "EXPCON");
    fuente(DSExpCon, "DSExpCon", TExpCon);
    graba(TExpCon);
    TExpCon->BeforeDelete = E(this, &TDat::TExpConBeforeDelete);
    errores(TExpCon);

    tabla(TConsultas, "TConsultas", "CONSULTAS");
    fuente(DSConsultas, "DSConsultas", TConsultas);
    graba(TConsultas);
    TConsultas->AfterDelete = E(this, &TDat::refresca);
    errores(TConsultas);
    Lookup(TConsultas, "NOMABOCLI", QAbo, "ABOCLI", "NOMABO", "ABOCLI");
    Lookup(TConsultas, "NOMABOENT", QAbo, "ABOCLI", "NOMABO", "ABOENT");
    for (const char* f : {"FECHAENTRADA", "FECHAFACTURA", "FECHACOBRO"}) {
        Formato(TConsultas, f, QStringLiteral("dd/mm/yyyy"));
        Mascara(TConsultas, f, QStringLiteral("!99/99/0000;1;_"));
    }
    Formato(TConsultas, "HORAS", QStringLiteral("#.00"), QStringLiteral("#.00"));
    TConsultasIMPORTE = static_cast<TFloatField*>(Campo(TConsultas, "IMPORTE"));

    tabla(TCuentas, "TCuentas", "CUENTAS");
    fuente(DSCuentas, "DSCuentas", TCuentas);
    TCuentas->BeforePost = E(this, &TDat::TCuentasBeforePost);
    TCuentas->AfterPost = E(this, &TDat::TCuentasAfterPost);
    TCuentas->BeforeDelete = E(this, &TDat::TCuentasBeforeDelete);
    TCuentas->OnNewRecord = E(this, &TDat::TCuentasNewRecord);
    TCuentas->OnCalcFields = E(this, &TDat::TCuentasCalcFields);
    errores(TCuentas);
    Formato(TCuentas, "FECHA", QStringLiteral("dd/mm/yyyy"));
    Formato(TCuentas, "IMPORTE", QStringLiteral("##,###,###"));
    TCuentasIMPORTE = static_cast<TFloatField*>(Campo(TCuentas, "IMPORTE"));

    tabla(TConConta, "TConConta", "CONCONTAS");
    fuente(DSConConta, "DSConConta", TConConta);
    graba(TConConta);
    TConConta->BeforeDelete = E(this, &TDat::TConContaBeforeDelete);
    TConConta->OnNewRecord = E(this, &TDat::TConContaNewRecord);
    errores(TConConta);

    consulta(QSaldo, "QSaldo", QStringLiteral("SELECT SUM(IMPORTE) AS SALDO FROM CUENTAS\nWHERE ANO = :ANO AND NUMERO = :NUMERO"));
    QSaldo->SetDataSource(DSExped);
    QSaldoSALDO = static_cast<TFloatField*>(CampoConsulta(this, QSaldo, "SALDO", 'F'));
    QSaldoSALDO->SetDisplayFormat(QStringLiteral("#,"));
    fuente(DSSaldo, "DSSaldo", QSaldo);
    consulta(QMinuta, "QMinuta",
             QStringLiteral("SELECT TIPO, CONCEPTO, SUM(IMPORTE) AS IMPORTE\nFROM CUENTAS\n"
                            "WHERE ANO = :ANO AND NUMERO = :NUMERO AND TIPO = :TIPO\nGROUP BY TIPO, CONCEPTO"),
             1);
    CampoConsulta(this, QMinuta, "TIPO", 'I');
    CampoConsulta(this, QMinuta, "CONCEPTO", 'S', 80);
    CampoConsulta(this, QMinuta, "IMPORTE", 'F');
    consulta(QGrupo, "QGrupo",
             QStringLiteral("SELECT SUM(IMPORTE) AS IMPORTE\nFROM CUENTAS\nWHERE ANO = :ANO AND NUMERO = :NUMERO AND TIPO = :TIPO"), 1);
    CampoConsulta(this, QGrupo, "IMPORTE", 'F');
    consulta(QNumCli, "QNumCli", QStringLiteral("SELECT COUNT(*) AS NUMCLI \nFROM EXPED\nWHERE CLIENTE = :CLIENTE"));
    QNumCli->SetDataSource(DSClientes);
    CampoConsulta(this, QNumCli, "NUMCLI", 'I');
    consulta(QNumCon, "QNumCon", QStringLiteral("SELECT COUNT(*) AS NUMCON\nFROM EXPED\nWHERE CONTRARIO = :CONTRARIO"));
    QNumCon->SetDataSource(DSContrarios);
    CampoConsulta(this, QNumCon, "NUMCON", 'I');
    consulta(QExpAbo, "QExpAbo", QStringLiteral("SELECT COUNT(*) AS NUMERO \nFROM EXPED\nWHERE ABOCLI = :ABOCLI"));
    QExpAbo->SetDataSource(DSAboCli);
    CampoConsulta(this, QExpAbo, "NUMERO", 'I');

    // Agenda.
    tabla(TAgen, "TAgen", "AGENDA");
    fuente(DSAgen, "DSAgen", TAgen, true);
    TAgen->BeforePost = E(this, &TDat::TAgenBeforePost);
    TAgen->AfterPost = E(this, &TDat::TAgenAfterPost);
    TAgen->BeforeDelete = E(this, &TDat::TAgenBeforeDelete);
    TAgen->OnNewRecord = E(this, &TDat::TAgenNewRecord);
    errores(TAgen);
    Campo(TAgen, "ABOCLI")->SetRequired(true);
    Mascara(TAgen, "FECHA", QStringLiteral("!99/99/9999;1;_"));
    Mascara(TAgen, "HORA", QStringLiteral("!90:00;1;_"));
    Formato(TAgen, "HORA", QStringLiteral("hh:mm"));

    TAgen2 = VistaAgenda(this, QStringLiteral("TAgen2"), TVistaAgenda::DeExpediente);
    FConjuntos.push_back(TAgen2);
    fuente(DSAgen2, "DSAgen2", TAgen2, true);
    TAgen3 = VistaAgenda(this, QStringLiteral("TAgen3"), TVistaAgenda::PorFecha);
    FConjuntos.push_back(TAgen3);
    fuente(DSAgenda, "DSAgenda", TAgen3, true);

    auto consultaAgenda = [&](TQuery*& q, const char* nombre, const QString& sql) {
        consulta(q, nombre, sql);
        q->SetRequestLive(true);
        CreaCampos(this, q, QStringLiteral("AGENDA"), q->Name());
        CampoConsulta(this, q, "EXPED", 'c', 15);
        Formato(q, "HORA", QStringLiteral("hh:mm"));
    };
    consultaAgenda(QAgendas, "QAgendas",
                   QStringLiteral("SELECT * FROM AGENDA\nWHERE ABOCLI = :ABOCLI AND\nFECHA >= :DESDE AND FECHA <= :HASTA AND\n"
                                  "TIPOAGENDA >= :TIPOD AND TIPOAGENDA <= :TIPOH\nORDER BY FECHA, HORA"));
    QAgendas->BeforeDelete = E(this, &TDat::QAgendasBeforeDelete);
    errores(QAgendas);
    consultaAgenda(QAgenExp, "QAgenExp",
                   QStringLiteral("SELECT * FROM AGENDA\nWHERE ANO = :ANO AND NUMERO = :NUMERO AND\nTIPO IN ('E', 'X') AND\n"
                                  "TIPOAGENDA BETWEEN :TIPOD AND  :TIPOH\nORDER BY FECHA, HORA"));
    QAgenExp->BeforeDelete = E(this, &TDat::QAgenExpBeforeDelete);
    fuente(DSAgendaExp, "DSAgendaExp", QAgenExp);
    consulta(QAgen, "QAgen",
             QStringLiteral("SELECT FECHA\nFROM AGENDA\nWHERE FECHA BETWEEN :DESDE AND :HASTA\nAND ABOCLI = :ABOCLI\nGROUP BY FECHA"), 1);
    QAgen->SetDataSource(DSAboCli);
    CampoConsulta(this, QAgen, "FECHA", 'D');

    tabla(TConAgendas, "TConAgendas", "CONAGENDAS");
    fuente(DSConAgendas, "DSConAgendas", TConAgendas);
    TConAgendas->BeforePost = E(this, &TDat::TConAgendasBeforePost);
    TConAgendas->BeforeDelete = E(this, &TDat::TConAgendasBeforeDelete);
    TConAgendas->OnNewRecord = E(this, &TDat::TConAgendasNewRecord);
    graba(TConAgendas);
    errores(TConAgendas);
    {
        auto* codigo = static_cast<TIntegerField*>(Campo(TConAgendas, "CODIGO"));
        codigo->SetMinValue(1);
        codigo->SetMaxValue(100000);
        static_cast<TIntegerField*>(Campo(TConAgendas, "DIAS"))->SetMaxValue(365);
    }

    tabla(TTipoAgenda, "TTipoAgenda", "TIPOAGENDAS");
    fuente(DsTipoAgenda, "DsTipoAgenda", TTipoAgenda, true);
    graba(TTipoAgenda);
    errores(TTipoAgenda);
    tabla(TColores, "TColores", "Color.DB");
    fuente(DSColor, "DSColor", TColores, true);
    graba(TColores);
    errores(TColores);
    tabla(TDias, "TDias", "Fechas.db");
    fuente(DSDias, "DSDias", TDias, true);
    graba(TDias);
    errores(TDias);
    tabla(TFechas, "TFechas", "Fechas.db");
    TFechas->SetTableName(QStringLiteral("Fechas.DB"));
    TFechas->SetIndexFieldNames(QStringLiteral("Color;Fecha"));
    fuente(DSFechas, "DSFechas", TFechas);

    // Documents, users and lookup lists.
    tabla(TEscritos, "TEscritos", "ESCRITOS");
    fuente(DSEscritos, "DSEscritos", TEscritos);
    TEscritos->BeforePost = E(this, &TDat::TEscritosBeforePost);
    TEscritos->AfterPost = E(this, &TDat::TEscritosAfterPost);
    errores(TEscritos);
    consulta(QLisEscri, "QLisEscri", QStringLiteral("SELECT * FROM ESCRITOS\nWHERE TIPO = :LISTIPO\nORDER BY CONCEPTO"));
    QLisEscri->SetRequestLive(true);
    CreaCampos(this, QLisEscri, QStringLiteral("ESCRITOS"), QLisEscri->Name());
    fuente(DSQLisEscri, "DSQLisEscri", QLisEscri);

    tabla(TPriv, "TPriv", "Privacidad.db");
    TPriv->SetSessionName(QStringLiteral("Default"));
    fuente(DSPriv, "DSPriv", TPriv);
    TPriv->BeforePost = E(this, &TDat::TPrivBeforePost);
    TPriv->BeforeDelete = E(this, &TDat::TPrivBeforeDelete);
    TPriv->OnNewRecord = E(this, &TDat::TPrivNewRecord);
    graba(TPriv);
    errores(TPriv);

    auto lista = [&](TTable*& t, const char* nombre, const char* fichero, TDataSource*& s, const char* ds) {
        tabla(t, nombre, fichero);
        fuente(s, ds, t);
        graba(t);
        errores(t);
    };
    lista(TPartidos, "TPartidos", "PARTIDOS", DSPartidos, "DSPartidos");
    lista(TProfesiones, "TProfesiones", "PROFESIONES", DSProfesiones, "DSProfesiones");
    lista(TTribunales, "TTribunales", "TRIBUNALES", DSTribunales, "DSTribunales");
    lista(TProcedimientos, "TProcedimientos", "PROCEDIMIENTOS", DSProcedimientos, "DSProcedimientos");
    lista(TTipoConsul, "TTipoConsul", "TIPOCONSULTA", DSTipoConsul, "DSTipoConsul");
}

TTable* TDat::VistaAgenda(TComponent* owner, const QString& nombre, TVistaAgenda clase) {
    auto* t = new TTable(owner);
    t->SetName(nombre);
    t->SetDatabaseName(QStringLiteral("ZEMBRA"));
    t->SetTableName(QStringLiteral("AGENDA"));
    CreaCampos(owner, t, QStringLiteral("AGENDA"), nombre);
    if (clase == TVistaAgenda::DeExpediente) {
        t->SetIndexName(QStringLiteral("agen01"));
    } else {
        t->SetIndexFieldNames(QStringLiteral("FECHA;HORA"));
        TField* f = new TStringField(owner);
        f->SetFieldName(QStringLiteral("EXPED"));
        f->SetName(nombre + QStringLiteral("EXPED"));
        f->SetSize(15);
        f->SetFieldKind(fkCalculated);
        f->SetDataSet(t);
        t->OnCalcFields = TDataSetNotifyEvent(this, &TDat::TAgen3CalcFields);
    }
    t->SetFiltered(true);
    Formato(t, "HORA", QStringLiteral("hh:mm"));
    FVistasAgenda.push_back(t);
    if (owner != this) t->FreeNotification(this);
    return t;
}
