// The data model in the folder: every dataset, table and index of the model, tables and indexes
// added to older folders, the ranges on a case file, and the guards on deleting.
#include "DatFixture.h"

#include "platform/db/Driver.h"
#include "platform/rtl/SysUtils.h"

#include <QSet>

using namespace shelltest;

namespace {
QString S(const char* s) { return QString::fromUtf8(s); }

void AddLedger(const QString& ano, const QString& numero, const QString& concepto) {
    Dat->TCuentas->Append();
    Dat->TCuentas->FieldByName(QStringLiteral("ANO"))->SetAsString(ano);
    Dat->TCuentas->FieldByName(QStringLiteral("NUMERO"))->SetAsString(numero);
    Dat->TCuentas->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2024, 3, 1));
    Dat->TCuentas->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(concepto);
    Dat->TCuentas->FieldByName(QStringLiteral("TIPO"))->SetAsInteger(2);
    Dat->TCuentas->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(100);
    Dat->TCuentas->Post();
}

void AddAgenda(const QString& ano, const QString& numero, int dia, const QString& texto) {
    Dat->TAgen->Append();
    Dat->TAgen->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(1);
    Dat->TAgen->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2024, 5, dia));
    Dat->TAgen->FieldByName(QStringLiteral("TIPO"))->SetAsString(QStringLiteral("E"));
    Dat->TAgen->FieldByName(QStringLiteral("ANO"))->SetAsString(ano);
    Dat->TAgen->FieldByName(QStringLiteral("NUMERO"))->SetAsString(numero);
    Dat->TAgen->FieldByName(QStringLiteral("SITUACION"))->SetAsString(texto);
    Dat->TAgen->Post();
}

QStringList Column(TDataSet* ds, const char* field) {
    QStringList r;
    for (ds->First(); !ds->Eof(); ds->Next()) r << ds->FieldByName(QString::fromLatin1(field))->AsString();
    return r;
}

// Restricts `t` to one case file, as the case-file form does.
void RangeOnCase(TTable* t, const QString& ano, const QString& numero) {
    t->SetRange({Variant(ano), Variant(numero)}, {Variant(ano), Variant(numero)});
}
}  // namespace

TEST_F(DatTest, TheLedgerAndTheAgendaRangeOnACaseFile) {
    AddLedger(QStringLiteral("2024"), QStringLiteral("00002-A"), S("Otro asunto"));
    AddLedger(QStringLiteral("2024"), QStringLiteral("00001-A"), S("Provisión"));
    AddLedger(QStringLiteral("2023"), QStringLiteral("00001-A"), S("Año anterior"));
    AddLedger(QStringLiteral("2024"), QStringLiteral("00001-A"), S("Minuta"));
    AddAgenda(QStringLiteral("2024"), QStringLiteral("00001-A"), 20, S("Vista"));
    AddAgenda(QStringLiteral("2024"), QStringLiteral("00003-A"), 10, S("Otro juicio"));
    AddAgenda(QStringLiteral("2024"), QStringLiteral("00001-A"), 7, S("Demanda"));
    AddAgenda(QStringLiteral("2025"), QStringLiteral("00001-A"), 1, S("Año siguiente"));

    RangeOnCase(Dat->TCuentas, QStringLiteral("2024"), QStringLiteral("00001-A"));
    EXPECT_EQ(Column(Dat->TCuentas, "CONCEPTO"), (QStringList{S("Provisión"), S("Minuta")}));
    Dat->TCuentas->Last();
    EXPECT_EQ(Dat->TCuentas->FieldByName(QStringLiteral("CONCEPTO"))->AsString(), S("Minuta"));
    // A new entry of the case lands inside the range with the next number.
    AddLedger(QStringLiteral("2024"), QStringLiteral("00001-A"), S("Suplido"));
    EXPECT_EQ(Column(Dat->TCuentas, "CONCEPTO"), (QStringList{S("Provisión"), S("Minuta"), S("Suplido")}));
    EXPECT_EQ(Dat->TCuentas->FieldByName(QStringLiteral("ORDEN"))->AsInteger(), 5);
    Dat->TCuentas->CancelRange();
    EXPECT_EQ(Dat->TCuentas->RecordCount(), 5);

    RangeOnCase(Dat->TAgen2, QStringLiteral("2024"), QStringLiteral("00001-A"));
    EXPECT_EQ(Column(Dat->TAgen2, "SITUACION"), (QStringList{S("Demanda"), S("Vista")}));
    Dat->TAgen2->CancelRange();
}

TEST_F(DatTest, TheOrderNumberOfTheLedgerStaysUniqueOverTheWholeTable) {
    AddLedger(QStringLiteral("2024"), QStringLiteral("00001-A"), S("Primera"));
    SetSistem("CUENTAS", 0);  // a counter set back by hand
    Dat->TCuentas->Append();
    Dat->TCuentas->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    Dat->TCuentas->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("00002-A"));
    Dat->TCuentas->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2024, 3, 1));
    Dat->TCuentas->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(S("Segunda"));
    Dat->TCuentas->FieldByName(QStringLiteral("TIPO"))->SetAsInteger(1);
    Dat->TCuentas->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(5);
    // The number the counter gives is taken: the entry follows the highest one instead.
    Dat->TCuentas->Post();
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(u'|').toStdString();
    EXPECT_EQ(Dat->TCuentas->FieldByName(QStringLiteral("ORDEN"))->AsInteger(), 2);
    EXPECT_EQ(Sistem("CUENTAS"), 2);
}

TEST_F(DatTest, AnOlderFolderGetsTheTablesAndIndexesItLacks) {
    AddLedger(QStringLiteral("2024"), QStringLiteral("00001-A"), S("Minuta"));
    AddLedger(QStringLiteral("2023"), QStringLiteral("00009-A"), S("Provisión"));
    Close();
    {
        // A folder of an earlier version: lists missing, the ledger keyed by its order number only,
        // the agenda index on other fields.
        auto conn = platform::db::OpenData(dir.path());
        for (const char* t : {"TIPODES", "TURNADOS", "Convertir.db", "PARTIDOS"}) conn->DropTable(QString::fromLatin1(t));
        platform::db::TIndexDesc pk;
        pk.Primary = true;
        conn->DropIndex(QStringLiteral("CUENTAS"), pk);
        pk.Fields = QStringList{QStringLiteral("ORDEN")};
        pk.Unique = true;
        conn->AddIndex(QStringLiteral("CUENTAS"), pk);
        platform::db::TIndexDesc agen01;
        agen01.Name = QStringLiteral("agen01");
        conn->DropIndex(QStringLiteral("AGENDA"), agen01);
        agen01.Fields = QStringList{QStringLiteral("ABOCLI"), QStringLiteral("FECHA"), QStringLiteral("HORA")};
        conn->AddIndex(QStringLiteral("AGENDA"), agen01);
    }
    Open();
    EXPECT_TRUE(harness->Messages().empty());
    auto conn = Dat->Db->Connection();
    for (const char* t : {"TIPODES", "TURNADOS", "Convertir.db", "PARTIDOS"})
        EXPECT_TRUE(conn->TableExists(QString::fromLatin1(t))) << t;
    EXPECT_TRUE(Dat->TPartidos->Active());
    const auto cuentas = conn->DescribeTable(QStringLiteral("CUENTAS"));
    ASSERT_FALSE(cuentas.Indexes.empty());
    EXPECT_EQ(cuentas.Indexes.front().Fields, (QStringList{QStringLiteral("ANO"), QStringLiteral("NUMERO"), QStringLiteral("ORDEN")}));
    // The rows are all there and range on their case file.
    EXPECT_EQ(Dat->TCuentas->RecordCount(), 2);
    RangeOnCase(Dat->TCuentas, QStringLiteral("2023"), QStringLiteral("00009-A"));
    EXPECT_EQ(Column(Dat->TCuentas, "CONCEPTO"), QStringList{S("Provisión")});
    // Opening again changes nothing more.
    const auto antes = conn->DescribeTable(QStringLiteral("AGENDA")).Indexes.size();
    Close();
    Open();
    EXPECT_EQ(Dat->Db->Connection()->DescribeTable(QStringLiteral("AGENDA")).Indexes.size(), antes);
}

// ---------------------------------------------------------------------------------------------- the model, table by table

namespace {
// Every dataset of the data module as the office's data model describes it.
// Fields: "NAME type" in the data module's order; types S text (size follows), I integer,
// H short, F float, D date, T time, L logical, M memo, c calculated text, f calculated float,
// k lookup text; a trailing "!" marks a required field, "~" a computed text whose width follows
// the rows the query read. "@x" stands for a run of fields below.
// Sources: the data sources over the dataset, "+" before one whose automatic edit is on.
// Order: the dataset's IndexFieldNames, or "#name" for its IndexName.
struct TModelo {
    const char* Dataset;
    const char* Tabla;  // as the dataset writes it; nullptr for a query
    bool Fichero;       // its fields are the stored table's layout
    const char* Campos;
    const char* Fuentes;
    const char* Orden = "";
};

const std::vector<std::pair<const char*, const char*>>& Abreviaturas() {
    static const std::vector<std::pair<const char*, const char*>> a = {
        {"@nom", "NOMBRE S20,APELLIDOS S30"},
        {"@dir", "DOMICILIO S40,POBLACION S30,CDPOSTAL S5,PROVINCIA S15"},
        {"@tel", "TELEFONO S30,FAX S15"},
        {"@ban", "BANCO S15,SUCURSAL S15,CUENTACORRIENTE S15"},
        {"@exp", "EXPABIERTOS H,EXPPENDIENTES H,EXPCERRADOS H"},
        {"@agenda",
         "ABOCLI I,FECHA D!,HORA T!,ORDEN I!,TIPO S1,ANO S4,NUMERO S7,CODIGO I,ARCHIVADO S1,ESCRITO I,TIPOAGENDA S30,"
         "SITUACION S255,EXTENSION S5,USUARIO S15"},
        {"@escritos", "ESCRITO I,CONCEPTO S60,TIPO S15"},
    };
    return a;
}

const std::vector<TModelo>& Modelo() {
    static const std::vector<TModelo> m = {
        // Settings, counters, case files, consultations and economics.
        {"TSistem", "SISTEM", true,
         "NUMERO I!,CIF S15,EMPRESA S50,DIRECCION S50,POBLACION S30,CDPOSTAL S5,PROVINCIA S15,TELEFONO S30,FAX S15,"
         "BANCO S15,SUCURSAL S15,CUENTACORRIENTE S25,CFAX S50,CDROM S50,LOGO S50,ABOGADO I,CLIENTE I,CONTRARIO I,"
         "PROCU I,PERITO I,ESCRITO I,ESCEXP I,EDITOR S15,MONEDA S1,MINUTA I,CABCAR I,ABOCLI I,EURO F,IVA H,IRPF H,"
         "PATH S255,FILEEXT S255,MINUTACONS I,CUENTAS I,AGENDA I",
         "DSSistem"},
        {"TTabcon", "TABCON", true, "ANO I!,CONTEXP S7,NUMFACTU I,CONTCON S7", "DSTabcon"},
        {"TExped", "EXPED", true,
         "ANO S4!,NUMERO S7,FECHAAPERTURA D,FECHACIERRE D,FECHAFACTURA D,IMPORTE F,PRINCIPAL F,AUTOS S10,CLIENTE I,"
         "ABOCLI I,PROCLI I,CONTRARIO I,ABOCON I,PROCON I,PERITO I,SITUACION I,JURISDICCION S15,PROCEDIMIENTO S30,"
         "TRIBUNAL S30,SECCION S20,POBLACION S20,REFABOCON S15,REFPROCON S15,REFCLI S15,REFCON S15,REFPROCLI S15,"
         "FACTURA I,CONCONTA I,ANOANTERIOR S4,NUMANTERIOR S7,ANOSIGUIENTE S4,NUMSIGUIENTE S7,"
         "PROCEDIMIENTO1 S30,PROCEDIMIENTO2 S30,PROCEDIMIENTO3 S30,TRIBUNAL1 S30,TRIBUNAL2 S30,TRIBUNAL3 S30,"
         "POBLACION1 S20,POBLACION2 S20,POBLACION3 S20,AUTOS1 S10,AUTOS2 S10,AUTOS3 S10,"
         "SUPLIDOS F,DERECHOS F,PROVISIONES F,IVA F,IRPF F,IMPIVA F,IMPIRPF F,TOTAL F,ASUNTO S240,OBSERVACIONES M,"
         "INTERESES F,ACTOR S9,EXPTOTAL f,ABOENT I,GASTOS F,MONEDA S1",
         "+DSExped"},
        {"TExpCli", "EXPCLI", true, "ANO S4!,NUMERO S7!,CLIENTE I!,REFERENCIA S15,NomCli k50", "DSExpCli"},
        {"TExpCon", "EXPCON", true, "ANO S4!,NUMERO S7!,CONTRARIO I!,REFERENCIA S15", "DSExpCon"},
        {"TConsultas", "CONSULTAS", true,
         "NOMABOCLI k50,NOMABOENT k50,ANO S4,NUMERO S7,ABOCLI I,ABOENT I,SITUACION I,TIPO S30,NOMCLIENTE S50,"
         "FECHAENTRADA D,FECHAFACTURA D,FECHACOBRO D,HORAS F,FACTURA I,IMPORTE F,IVA F,IMPIVA F,IPRF F,IMPIRPF F,"
         "TOTAL F,CLIENTE I,OBSERVACIONES M,MONEDA S1",
         "DSConsultas"},
        {"TCuentas", "CUENTAS", true,
         "ANO S4!,NUMERO S7!,FECHA D,ORDEN I!,TIPO I,IMPORTE F,TIPOSTRING c1,CONCEPTO S80,CUENTA S5", "DSCuentas"},
        {"TConConta", "CONCONTAS", true, "CONCEPTO S50,IMPORTE F,TIPO I,IVA I,CUENTA S5", "DSConConta"},
        {"QSaldo", nullptr, false, "SALDO F", "DSSaldo"},
        {"QMinuta", nullptr, false, "TIPO I,CONCEPTO S80,IMPORTE F", ""},
        {"QGrupo", nullptr, false, "IMPORTE F", ""},
        {"QNumCli", nullptr, false, "NUMCLI I", ""},
        {"QNumCon", nullptr, false, "NUMCON I", ""},
        {"QExpAbo", nullptr, false, "NUMERO I", ""},
        // People.
        {"TAboCli", "ABOCLI", true,
         "ABOCLI I,CIF S15,@nom,@dir,@ban,EXPCIVIL H,EXPPENAL H,EXPADM H,EXPLABORAL H,COLEGIADO S6,MAIL S40,"
         "NOMABOCLI c40,OBSERVACIONES M",
         "DSAboCli,DSLisSAboCli", "APELLIDOS;NOMBRE"},
        {"TClientes", "CLIENTES", true,
         "CLIENTE I,DNI S15,@nom,ASOCIADOS S50,@dir,@tel,EXPABIERTOS H,EXPCERRADOS H,BIENES S1,NOMCLI c50,"
         "EXPPENDIENTES H,REFERENCIA c15,MAIL S40,RELACIOBIENES M,OBSERVACIONES M",
         "DSClientes", "APELLIDOS;NOMBRE"},
        {"TContrarios", "CONTRARIOS", true,
         "CONTRARIO I,DNI S15,@nom,ASOCIADOS S50,@dir,@tel,EXPABIERTOS H,EXPCERRADOS H,BIENES S1,NOMCON c50,"
         "EXPPENDIENTES H,MAIL S40,RELACIOBIENES M,OBSERVACIONES M",
         "DSContrarios", "APELLIDOS;NOMBRE"},
        {"TAbogados", "ABOGADOS", true,
         "ABOGADO I,DNI S15,@nom,DESPACHO S50,@dir,@tel,@exp,NOMABO c50,MAIL S40,OBSERVACIONES M", "DSAbogados",
         "APELLIDOS;NOMBRE"},
        {"TProcu", "PROCU", true,
         "PROCU I,CIF S15,@nom,@dir,@tel,@ban,@exp,PARTIDO S20,COLEGIADO S6,MAIL S40,NOMPROCU c40,OBSERVACIONES M",
         "DSProcu", "APELLIDOS;NOMBRE"},
        {"TPeritos", "PERITOS", true,
         "PERITO I,CIF S15,@nom,@dir,@tel,@ban,@exp,PROFESION S20,COLEGIADO S6,NOMPERITO c50,MAIL S40,OBSERVACIONES M",
         "DSPeritos", "APELLIDOS;NOMBRE"},
        {"TPoderes", "Poder.DB", true,
         "CLIENTE I,PODER S10,PROTOCOLO S10,NOTARIO S50,ABOGADO I,FECHA D,SITUACION S255", "DSPoderes"},
        {"QAbo", nullptr, false, "ABOCLI I,NOMABO S51~", "DSAbo"},
        // Agenda. Every dataset over the agenda refuses an entry without its day, hour or number;
        // the one the forms append through also wants its lawyer.
        {"TAgen", "AGENDA", false, "ABOCLI I!,FECHA D!,HORA T!,ORDEN I!,TIPO S1,ANO S4,NUMERO S7,CODIGO I,"
         "ARCHIVADO S1,ESCRITO I,TIPOAGENDA S30,SITUACION S255,EXTENSION S5,USUARIO S15", "+DSAgen"},
        {"TAgen2", "AGENDA", true, "@agenda", "+DSAgen2", "#agen01"},
        {"TAgen3", "AGENDA", false, "@agenda,EXPED c15", "+DSAgenda", "FECHA;HORA"},
        {"QAgendas", nullptr, false, "@agenda,EXPED c15", ""},
        {"QAgenExp", nullptr, false, "@agenda,EXPED c15", "DSAgendaExp"},
        {"QAgen", nullptr, false, "FECHA D", ""},
        {"TConAgendas", "CONAGENDAS", true, "CODIGO I,CONCEPTO S50,DIAS I,TIPOAGENDA S30", "DSConAgendas"},
        {"TTipoAgenda", "TIPOAGENDAS", true, "TIPO S30!", "+DsTipoAgenda"},
        {"TColores", "Color.DB", true, "Id H,Nombre S30,Priv H", "+DSColor"},
        {"TDias", "Fechas.db", true, "Fecha D,Descripcion S50,Color H", "+DSDias"},
        {"TFechas", "Fechas.DB", false, "Fecha D,Descripcion S50,Color H", "DSFechas", "Color;Fecha"},
        // Documents, users and lists.
        {"TEscritos", "ESCRITOS", true, "@escritos", "DSEscritos"},
        {"QLisEscri", nullptr, false, "@escritos", "DSQLisEscri"},
        // The password is kept as a salted hash, which needs more room than the ten characters typed.
        {"TPriv", "Privacidad.db", true,
         "Usuario S15,Contrasenia S128,Privacidad L,Expedientes L,Consulta L,Modelos L,Agenda L,Listados L,Fusion L,"
         "Economico L,Abogado I,General L",
         "DSPriv"},
        {"TPartidos", "PARTIDOS", true, "PARTIDO S20!", "DSPartidos"},
        {"TProfesiones", "PROFESIONES", true, "PROFESION S20!", "DSProfesiones"},
        {"TTribunales", "TRIBUNALES", true, "TRIBUNAL S30!", "DSTribunales"},
        {"TProcedimientos", "PROCEDIMIENTOS", true, "PROCEDIMIENTO S30!", "DSProcedimientos"},
        {"TTipoConsul", "TIPOCONSULTA", true, "TIPO S30!", "DSTipoConsul"},
    };
    return m;
}

// The indexes the model relies on. Kind: 'P' the primary index on exactly these fields, 'U' a
// unique index on exactly these fields, 'L' an index that leads with these fields (a lookup, a
// range or an order it serves), 'N' an index of that name.
struct TIndiceModelo {
    const char* Tabla;
    char Clase;
    const char* Campos;  // the name, for 'N'
};

const std::vector<TIndiceModelo>& Indices() {
    static const std::vector<TIndiceModelo> i = {
        {"TABCON", 'L', "ANO"},
        {"EXPED", 'U', "ANO;NUMERO"},
        {"CONSULTAS", 'U', "ANO;NUMERO"},
        {"EXPCLI", 'L', "ANO;NUMERO;CLIENTE"},
        {"EXPCON", 'L', "ANO;NUMERO;CONTRARIO"},
        {"CUENTAS", 'U', "ORDEN"},
        {"CUENTAS", 'L', "ANO;NUMERO"},
        {"ABOCLI", 'P', "ABOCLI"},
        {"CLIENTES", 'P', "CLIENTE"},
        {"CONTRARIOS", 'P', "CONTRARIO"},
        {"ABOGADOS", 'P', "ABOGADO"},
        {"PROCU", 'P', "PROCU"},
        {"PERITOS", 'P', "PERITO"},
        {"ABOCLI", 'L', "APELLIDOS;NOMBRE"},
        {"CLIENTES", 'L', "APELLIDOS;NOMBRE"},
        {"CONTRARIOS", 'L', "APELLIDOS;NOMBRE"},
        {"ABOGADOS", 'L', "APELLIDOS;NOMBRE"},
        {"PROCU", 'L', "APELLIDOS;NOMBRE"},
        {"PERITOS", 'L', "APELLIDOS;NOMBRE"},
        {"AGENDA", 'U', "ORDEN"},
        {"AGENDA", 'N', "agen01"},
        {"AGENDA", 'L', "FECHA;HORA"},
        {"Fechas.db", 'L', "Color;Fecha"},
        {"Privacidad.db", 'P', "Usuario"},
    };
    return i;
}

struct TCampoModelo {
    QString Nombre;
    QChar Tipo;
    int Tam = 0;
    bool Requerido = false;
    bool Calculado = false;  // by the query, so the width is that of the rows read
    bool Guardado() const { return Tipo.isUpper(); }
};

std::vector<TCampoModelo> Campos(const char* texto) {
    QString t = QString::fromLatin1(texto);
    for (const auto& [abreviatura, campos] : Abreviaturas()) {
        const QString a = QString::fromLatin1(abreviatura);
        // Whole tokens only: "@agenda" is not "@a" followed by more.
        QStringList partes = t.split(QLatin1Char(','));
        for (QString& p : partes)
            if (p == a) p = QString::fromLatin1(campos);
        t = partes.join(QLatin1Char(','));
    }
    std::vector<TCampoModelo> r;
    for (const QString& item : t.split(QLatin1Char(','))) {
        const QStringList partes = item.split(QLatin1Char(' '));
        EXPECT_EQ(partes.size(), 2) << item.toStdString();
        if (partes.size() != 2) continue;
        TCampoModelo c;
        c.Nombre = partes[0];
        QString tipo = partes[1];
        c.Calculado = tipo.endsWith(QLatin1Char('~'));
        if (c.Calculado) tipo.chop(1);
        c.Requerido = tipo.endsWith(QLatin1Char('!'));
        if (c.Requerido) tipo.chop(1);
        c.Tipo = tipo[0];
        c.Tam = tipo.mid(1).toInt();
        r.push_back(c);
    }
    return r;
}

TFieldType TipoDeCampo(QChar t) {
    switch (t.toLatin1()) {
    case 'I': return ftInteger;
    case 'H': return ftSmallint;
    case 'F':
    case 'f': return ftFloat;
    case 'D': return ftDate;
    case 'T': return ftTime;
    case 'L': return ftBoolean;
    case 'M': return ftMemo;
    default: return ftString;
    }
}

platform::db::TColumnType TipoDeColumna(QChar t) {
    using platform::db::TColumnType;
    switch (t.toLatin1()) {
    case 'I': return TColumnType::Integer;
    case 'H': return TColumnType::Short;
    case 'F': return TColumnType::Float;
    case 'D': return TColumnType::Date;
    case 'T': return TColumnType::Time;
    case 'L': return TColumnType::Logical;
    case 'M': return TColumnType::Memo;
    default: return TColumnType::Text;
    }
}

bool MismosCampos(const QStringList& a, const QStringList& b) {
    if (a.size() != b.size()) return false;
    for (int i = 0; i < a.size(); ++i)
        if (a[i].compare(b[i], Qt::CaseInsensitive) != 0) return false;
    return true;
}

bool TieneIndice(const platform::db::TTableDesc& tabla, const TIndiceModelo& esperado) {
    const QStringList campos = QString::fromLatin1(esperado.Campos).split(QLatin1Char(';'));
    for (const auto& ix : tabla.Indexes) {
        switch (esperado.Clase) {
        case 'P':
            if (ix.Primary && MismosCampos(ix.Fields, campos)) return true;
            break;
        case 'U':
            if ((ix.Primary || ix.Unique) && MismosCampos(ix.Fields, campos)) return true;
            break;
        case 'L':
            if (ix.Fields.size() >= campos.size() && MismosCampos(ix.Fields.mid(0, campos.size()), campos)) return true;
            break;
        case 'N':
            if (ix.Name.compare(QString::fromLatin1(esperado.Campos), Qt::CaseInsensitive) == 0) return true;
            break;
        }
    }
    return false;
}

QStringList FuentesDe(TDataSet* ds) {
    QStringList r;
    for (int i = 0; i < Dat->ComponentCount(); ++i)
        if (auto* s = dynamic_cast<TDataSource*>(Dat->Components(i)); s && s->DataSet() == ds)
            r << (s->AutoEdit() ? QStringLiteral("+") : QString()) + s->Name();
    return r;
}
}  // namespace

TEST_F(DatTest, EveryDatasetAndTableHasTheFieldsSizesRequiredFlagsAndIndexesOfTheModel) {
    // No dataset of the module is left out of the model.
    int datasets = 0;
    for (int i = 0; i < Dat->ComponentCount(); ++i)
        if (dynamic_cast<TDataSet*>(Dat->Components(i))) ++datasets;
    EXPECT_EQ(datasets, int(Modelo().size()));

    // The stored layout of each file, read back from the folder by a connection of its own.
    auto conn = platform::db::OpenData(dir.path());
    QStringList ficheros;
    for (const TModelo& m : Modelo()) {
        SCOPED_TRACE(m.Dataset);
        auto* ds = dynamic_cast<TDataSet*>(Dat->FindComponent(QString::fromLatin1(m.Dataset)));
        ASSERT_NE(ds, nullptr);
        auto* tabla = dynamic_cast<TTable*>(ds);
        EXPECT_EQ(tabla != nullptr, m.Tabla != nullptr);
        if (tabla) {
            EXPECT_EQ(tabla->TableName(), QString::fromLatin1(m.Tabla));
            const QString orden = QString::fromLatin1(m.Orden);
            if (orden.startsWith(QLatin1Char('#'))) {
                EXPECT_EQ(tabla->IndexName(), orden.mid(1));
            } else {
                EXPECT_EQ(tabla->IndexFieldNames(), orden);
            }
        }
        EXPECT_EQ(FuentesDe(ds).join(QLatin1Char(',')), QString::fromLatin1(m.Fuentes));

        const auto campos = Campos(m.Campos);
        ASSERT_EQ(ds->FieldCount(), int(campos.size()));
        for (int i = 0; i < int(campos.size()); ++i) {
            const TCampoModelo& c = campos[i];
            SCOPED_TRACE(c.Nombre.toStdString());
            TField* f = ds->Fields()->Fields(i);
            EXPECT_EQ(f->FieldName(), c.Nombre);
            EXPECT_EQ(f->Name(), QString::fromLatin1(m.Dataset) + c.Nombre);
            EXPECT_EQ(f->DataType(), TipoDeCampo(c.Tipo));
            if (f->DataType() == ftString && !c.Calculado) {
                EXPECT_EQ(f->Size(), c.Tam);
            }
            const TFieldKind clase = c.Tipo == QLatin1Char('c') || c.Tipo == QLatin1Char('f') ? fkCalculated
                                     : c.Tipo == QLatin1Char('k')                            ? fkLookup
                                                                                             : fkData;
            EXPECT_EQ(f->FieldKind(), clase);
            EXPECT_EQ(f->Required(), c.Requerido);
        }
        if (!m.Fichero) continue;

        // The file: the same stored columns in the same order, sizes and required flags.
        ficheros << QString::fromLatin1(m.Tabla);
        const auto desc = conn->DescribeTable(QString::fromLatin1(m.Tabla));
        std::vector<TCampoModelo> guardados;
        for (const auto& c : campos)
            if (c.Guardado()) guardados.push_back(c);
        ASSERT_EQ(desc.Columns.size(), guardados.size());
        for (size_t i = 0; i < guardados.size(); ++i) {
            const TCampoModelo& c = guardados[i];
            SCOPED_TRACE(c.Nombre.toStdString());
            EXPECT_EQ(desc.Columns[i].Name, c.Nombre);
            EXPECT_EQ(desc.Columns[i].Type, TipoDeColumna(c.Tipo));
            EXPECT_EQ(desc.Columns[i].Size, c.Tipo == QLatin1Char('S') ? c.Tam : 0);
            EXPECT_EQ(desc.Columns[i].Required, c.Requerido);
        }
    }
    // Each file of the model is described once, by the dataset that owns its layout.
    EXPECT_EQ(ficheros.size(), QSet<QString>(ficheros.begin(), ficheros.end()).size());

    for (const TIndiceModelo& ix : Indices()) {
        SCOPED_TRACE(std::string(ix.Tabla) + " " + ix.Clase + " " + ix.Campos);
        EXPECT_TRUE(TieneIndice(conn->DescribeTable(QString::fromLatin1(ix.Tabla)), ix));
    }
    // The lists only the pick list and the models list open, with a layout of their own.
    for (const char* t : {"TIPODES", "TURNADOS", "Convertir.db"}) EXPECT_TRUE(conn->TableExists(QString::fromLatin1(t))) << t;
}

// ---------------------------------------------------------------------------------------------- delete guards

namespace {
void Set(TDataSet* ds, const char* campo, const Variant& valor) { ds->FieldByName(QString::fromLatin1(campo))->SetValue(valor); }

// Plain SQL on the data, as another workstation would write it: the data module's datasets
// have not seen it.
void Sql(const QString& texto) {
    TQuery q(nullptr);
    q.SetDatabaseName(QStringLiteral("ZEMBRA"));
    q.SQL()->SetText(texto);
    q.ExecSQL();
}

// A delete that is refused while something uses the record.
struct TNegativa {
    TTable* Dataset;
    const char* Clave;
    std::function<QString(int)> Alta;          // stores record n (0 or 1) and gives its key
    std::function<void(const QString&)> Usa;   // makes something use the record with that key
    std::function<void(const QString&, const QString&)> Traslada;  // moves that use to another record
    const char* Mensaje;
    const char* Pregunta;
    bool PorNombre = false;  // held by what the record is called, not by another table
};

QString Persona(TTable* t, const QString& apellidos, const char* clave, const char* otro = nullptr,
                const QString& valor = QString()) {
    t->Append();
    Set(t, "NOMBRE", QStringLiteral("Ana"));
    Set(t, "APELLIDOS", apellidos);
    if (otro) Set(t, otro, valor);
    t->Post();
    return t->FieldByName(QString::fromLatin1(clave))->AsString();
}

// A case file whose `campo` names the person, stored behind the data module's back.
std::function<void(const QString&)> ExpedienteCon(const char* campo) {
    return [campo](const QString& codigo) {
        Sql(QStringLiteral("INSERT INTO EXPED (ANO, NUMERO, %1) VALUES ('2024', '00007-A', %2)").arg(QString::fromLatin1(campo), codigo));
    };
}
std::function<void(const QString&, const QString&)> PasaExpediente(const char* campo) {
    return [campo](const QString&, const QString& a) {
        Sql(QStringLiteral("UPDATE EXPED SET %1 = %2 WHERE ANO = '2024' AND NUMERO = '00007-A'").arg(QString::fromLatin1(campo), a));
    };
}
}  // namespace

TEST_F(DatTest, ARecordInUseIsNeverDeletedAndGoesOnceNothingUsesIt) {
    const std::vector<TNegativa> negativas = {
        {Dat->TAboCli, "ABOCLI",
         [](int n) { return Persona(Dat->TAboCli, n ? S("Gil") : S("Abad"), "ABOCLI"); }, ExpedienteCon("ABOCLI"),
         PasaExpediente("ABOCLI"), "Hay expedientes de éste ABOGADO", "¿Borrar ABOGADO?"},
        {Dat->TClientes, "CLIENTE",
         [](int n) { return Persona(Dat->TClientes, n ? S("Gil") : S("Abad"), "CLIENTE"); }, ExpedienteCon("CLIENTE"),
         // The client stays joined to the case file as one more client, which does not hold it.
         [](const QString& de, const QString& a) {
             PasaExpediente("CLIENTE")(de, a);
             Sql(QStringLiteral("INSERT INTO EXPCLI (ANO, NUMERO, CLIENTE) VALUES ('2024', '00007-A', %1)").arg(de));
         },
         "Hay expedientes con éste CLIENTE por defecto", "¿Borrar CLIENTE?"},
        {Dat->TContrarios, "CONTRARIO",
         [](int n) { return Persona(Dat->TContrarios, n ? S("Gil") : S("Abad"), "CONTRARIO"); },
         ExpedienteCon("CONTRARIO"),
         [](const QString& de, const QString& a) {
             PasaExpediente("CONTRARIO")(de, a);
             Sql(QStringLiteral("INSERT INTO EXPCON (ANO, NUMERO, CONTRARIO) VALUES ('2024', '00007-A', %1)").arg(de));
         },
         "Hay expedientes con éste CONTRARIO por defecto", "¿Borrar CONTRARIO?"},
        // The supervisor is held by its name: whoever bears it cannot be deleted.
        {Dat->TPriv, "Usuario",
         [](int n) {
             Dat->TPriv->Append();
             Set(Dat->TPriv, "Usuario", n ? QStringLiteral("PEPE") : QStringLiteral("LUIS"));
             Set(Dat->TPriv, "Contrasenia", QStringLiteral("x"));
             Dat->TPriv->Post();
             return Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->AsString();
         },
         [](const QString& usuario) {
             Sql(QStringLiteral("UPDATE \"Privacidad.db\" SET Usuario = 'SUPERVISOR' WHERE Usuario = '%1'").arg(usuario));
         },
         [](const QString&, const QString& a) {
             Sql(QStringLiteral("UPDATE \"Privacidad.db\" SET Usuario = 'ANTIGUO' WHERE Usuario = 'SUPERVISOR'"));
             Sql(QStringLiteral("UPDATE \"Privacidad.db\" SET Usuario = 'SUPERVISOR' WHERE Usuario = '%1'").arg(a));
         },
         "SUPERVISOR no puede ser borrado", " ¿ Borrar USUARIO ? ", true},
    };
    for (const TNegativa& g : negativas) {
        TTable* t = g.Dataset;
        SCOPED_TRACE(t->Name().toStdString());
        const QString clave = QString::fromLatin1(g.Clave);
        auto situa = [&](const QString& valor) {
            t->Refresh();
            ASSERT_TRUE(t->Locate(clave, Variant(valor), 0)) << valor.toStdString();
        };
        const QString usado = g.Alta(0);
        const QString libre = g.Alta(1);
        const QString supervisor = QStringLiteral("SUPERVISOR");
        // A use stored by another workstation while the record is on screen.
        if (g.PorNombre) {
            g.Usa(usado);
            situa(supervisor);
        } else {
            situa(usado);
            g.Usa(usado);
        }
        const int filas = t->RecordCount();
        Dat->TExped->Refresh();
        const int expedientes = Dat->TExped->RecordCount();

        // Refused before any question: the error box alone, nothing gone.
        harness->ClearRecords();
        ExpectAbort([&] { t->Delete(); });
        EXPECT_EQ(Texts(), QStringList{S(g.Mensaje)});
        EXPECT_EQ(harness->LastMessage().Icon, mtError);
        EXPECT_EQ(t->State(), dsBrowse);
        t->Refresh();
        EXPECT_EQ(t->RecordCount(), filas);
        Dat->TExped->Refresh();
        EXPECT_EQ(Dat->TExped->RecordCount(), expedientes);

        // Once the use moves to the other record, this one goes after its question, and the
        // other is held in its place.
        QString ahora = usado;
        if (g.PorNombre) {
            g.Traslada(usado, libre);
            ahora = QStringLiteral("ANTIGUO");
            situa(ahora);
        } else {
            ASSERT_EQ(t->FieldByName(clave)->AsString(), usado);
            g.Traslada(usado, libre);
        }
        harness->ClearRecords();
        harness->AnswerMessage(mrYes);
        t->Delete();
        EXPECT_EQ(Texts(), QStringList{S(g.Pregunta)});
        EXPECT_EQ(harness->LastMessage().Icon, mtConfirmation);
        EXPECT_FALSE(t->Locate(clave, Variant(ahora), 0));
        EXPECT_EQ(t->RecordCount(), filas - 1);

        situa(g.PorNombre ? supervisor : libre);
        harness->ClearRecords();
        ExpectAbort([&] { t->Delete(); });
        EXPECT_EQ(Texts(), QStringList{S(g.Mensaje)});
        EXPECT_EQ(t->RecordCount(), filas - 1);
        for (const char* tabla : {"EXPED", "EXPCLI", "EXPCON"}) Sql(QStringLiteral("DELETE FROM ") + QString::fromLatin1(tabla));
        Dat->TExped->Refresh();
    }
}

namespace {
struct TGuarda {
    TDataSet* Dataset;
    std::function<void(TDataSet*)> Rellena;
    const char* Pregunta;
};
}  // namespace

TEST_F(DatTest, EveryConfirmedDeleteAsksItsQuestionAndNoKeepsTheRecord) {
    const std::vector<TGuarda> guardas = {
        {Dat->TProcu, [](TDataSet* d) { Set(d, "APELLIDOS", S("Ruiz")); Set(d, "PARTIDO", S("Málaga")); }, "¿Borrar PROCURADOR?"},
        {Dat->TAbogados, [](TDataSet* d) { Set(d, "APELLIDOS", S("Sanz")); }, "¿Borrar ABOGADO?"},
        {Dat->TPeritos, [](TDataSet* d) { Set(d, "APELLIDOS", S("Vera")); Set(d, "PROFESION", S("Arquitecto")); }, "¿Borrar PERITO?"},
        {Dat->TConAgendas, [](TDataSet* d) { Set(d, "CODIGO", 1); Set(d, "CONCEPTO", S("Señalamiento")); }, "¿Borrar CONCEPTO DE AGENDA?"},
        {Dat->TCuentas,
         [](TDataSet* d) {
             Set(d, "ANO", S("2024"));
             Set(d, "NUMERO", S("00001-A"));
             Set(d, "FECHA", Variant(EncodeDate(2024, 2, 3)));
             Set(d, "CONCEPTO", S("Tasas"));
             Set(d, "TIPO", 1);
             Set(d, "IMPORTE", 30.0);
         },
         "¿Borrar APUNTE ECONÓMICO?"},
        {Dat->TAgen, [](TDataSet* d) { Set(d, "ABOCLI", 1); }, "¿Borrar APUNTE AGENDA ?"},
        {Dat->TPoderes, [](TDataSet* d) { Set(d, "CLIENTE", 1); Set(d, "PODER", S("P-1")); }, " ¿ Borrar PODER ? "},
        {Dat->TConConta, [](TDataSet* d) { Set(d, "CONCEPTO", S("Minuta")); }, " ¿ Borrar CONCEPTO ECONÓMICO ? "},
        {Dat->TExpCli, [](TDataSet* d) { Set(d, "ANO", S("2024")); Set(d, "NUMERO", S("00001-A")); Set(d, "CLIENTE", 4); },
         " ¿ Quitar Cliente del Expediente ? "},
        {Dat->TExpCon, [](TDataSet* d) { Set(d, "ANO", S("2024")); Set(d, "NUMERO", S("00001-A")); Set(d, "CONTRARIO", 4); },
         " ¿ Quitar Contrario del Expediente ? "},
        {Dat->TContrarios, [](TDataSet* d) { Set(d, "APELLIDOS", S("Sin expedientes")); }, "¿Borrar CONTRARIO?"},
    };
    for (const TGuarda& g : guardas) {
        SCOPED_TRACE(g.Dataset->Name().toStdString());
        g.Dataset->Append();
        g.Rellena(g.Dataset);
        g.Dataset->Post();
        const int filas = g.Dataset->RecordCount();
        harness->ClearRecords();
        harness->AnswerMessage(mrNo);
        ExpectAbort([&] { g.Dataset->Delete(); });
        EXPECT_EQ(Texts(), QStringList{S(g.Pregunta)});
        EXPECT_EQ(harness->LastMessage().Icon, mtConfirmation);
        EXPECT_EQ(harness->LastMessage().Caption, S("¡¡ ATENCIÓN !!"));
        EXPECT_EQ(g.Dataset->RecordCount(), filas);
        EXPECT_EQ(g.Dataset->State(), dsBrowse);
        harness->AnswerMessage(mrYes);
        g.Dataset->Delete();
        EXPECT_EQ(g.Dataset->RecordCount(), filas - 1);
        EXPECT_FALSE(Dat->Db->InTransaction());
    }
}

