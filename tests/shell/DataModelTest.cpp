// The data model in the folder: every table and index of the model exists in new and older
// folders, and the ranges the case-file form sets on the ledger and the agenda give that case's rows.
#include "DatFixture.h"

#include "platform/db/Driver.h"
#include "platform/rtl/SysUtils.h"

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
    ExpectAbort([&] { Dat->TCuentas->Post(); });
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("CLAVE DUPLICADA")});
    Dat->TCuentas->Cancel();
}

TEST_F(DatTest, AnOlderFolderGetsTheTablesAndIndexesItLacks) {
    AddLedger(QStringLiteral("2024"), QStringLiteral("00001-A"), S("Minuta"));
    AddLedger(QStringLiteral("2023"), QStringLiteral("00009-A"), S("Provisión"));
    Close();
    {
        // A folder of an earlier version: lists missing, the ledger keyed by its order number only,
        // the agenda index on other fields.
        auto conn = platform::db::OpenSqlite(dir.path());
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
// One table as the office's data model describes it: "NAME type[size][!]" per field in the
// data module's order; types S text, I integer, H short, F float, D date, T time, L logical,
// M memo, c calculated text, f calculated float, k lookup text; "!" required.
struct TModelo {
    const char* Dataset;
    const char* Tabla;
    const char* Campos;
    const char* Clave;  // fields of the primary index, when the model names them
};

const char* const Persona = "NOMBRE S20,APELLIDOS S30,DOMICILIO S40,POBLACION S30,CDPOSTAL S5,PROVINCIA S15";

const std::vector<TModelo>& Modelo() {
    static const std::vector<TModelo> m = {
        {"TSistem", "SISTEM",
         "NUMERO I!,CIF S15,EMPRESA S50,DIRECCION S50,POBLACION S30,CDPOSTAL S5,PROVINCIA S15,TELEFONO S30,FAX S15,"
         "BANCO S15,SUCURSAL S15,CUENTACORRIENTE S25,CFAX S50,CDROM S50,LOGO S50,ABOGADO I,CLIENTE I,CONTRARIO I,"
         "PROCU I,PERITO I,ESCRITO I,ESCEXP I,EDITOR S15,MONEDA S1,MINUTA I,CABCAR I,ABOCLI I,EURO F,IVA H,IRPF H,"
         "PATH S255,FILEEXT S255,MINUTACONS I,CUENTAS I,AGENDA I",
         nullptr},
        {"TTabcon", "TABCON", "ANO I!,CONTEXP S7,NUMFACTU I,CONTCON S7", "ANO"},
        {"TExped", "EXPED",
         "ANO S4!,NUMERO S7,FECHAAPERTURA D,FECHACIERRE D,FECHAFACTURA D,IMPORTE F,PRINCIPAL F,AUTOS S10,CLIENTE I,"
         "ABOCLI I,PROCLI I,CONTRARIO I,ABOCON I,PROCON I,PERITO I,SITUACION I,JURISDICCION S15,PROCEDIMIENTO S30,"
         "TRIBUNAL S30,SECCION S20,POBLACION S20,REFABOCON S15,REFPROCON S15,REFCLI S15,REFCON S15,REFPROCLI S15,"
         "FACTURA I,CONCONTA I,ANOANTERIOR S4,NUMANTERIOR S7,ANOSIGUIENTE S4,NUMSIGUIENTE S7,PROCEDIMIENTO1 S30,"
         "PROCEDIMIENTO2 S30,PROCEDIMIENTO3 S30,TRIBUNAL1 S30,TRIBUNAL2 S30,TRIBUNAL3 S30,POBLACION1 S20,"
         "POBLACION2 S20,POBLACION3 S20,AUTOS1 S10,AUTOS2 S10,AUTOS3 S10,SUPLIDOS F,DERECHOS F,PROVISIONES F,IVA F,"
         "IRPF F,IMPIVA F,IMPIRPF F,TOTAL F,ASUNTO S240,OBSERVACIONES M,INTERESES F,ACTOR S9,EXPTOTAL f,ABOENT I,"
         "GASTOS F,MONEDA S1",
         "ANO;NUMERO"},
        {"TExpCli", "EXPCLI", "ANO S4!,NUMERO S7!,CLIENTE I!,REFERENCIA S15,NomCli k50", "ANO;NUMERO;CLIENTE"},
        {"TExpCon", "EXPCON", "ANO S4!,NUMERO S7!,CONTRARIO I!,REFERENCIA S15", "ANO;NUMERO;CONTRARIO"},
        {"TConsultas", "CONSULTAS",
         "NOMABOCLI k50,NOMABOENT k50,ANO S4,NUMERO S7,ABOCLI I,ABOENT I,SITUACION I,TIPO S30,NOMCLIENTE S50,"
         "FECHAENTRADA D,FECHAFACTURA D,FECHACOBRO D,HORAS F,FACTURA I,IMPORTE F,IVA F,IMPIVA F,IPRF F,IMPIRPF F,"
         "TOTAL F,CLIENTE I,OBSERVACIONES M,MONEDA S1",
         "ANO;NUMERO"},
        {"TCuentas", "CUENTAS", "ANO S4!,NUMERO S7!,FECHA D,ORDEN I!,TIPO I,IMPORTE F,TIPOSTRING c1,CONCEPTO S80,CUENTA S5", nullptr},
        {"TConConta", "CONCONTAS", "CONCEPTO S50,IMPORTE F,TIPO I,IVA I,CUENTA S5", nullptr},
        {"TAboCli", "ABOCLI",
         "ABOCLI I,CIF S15,@,BANCO S15,SUCURSAL S15,CUENTACORRIENTE S15,EXPCIVIL H,EXPPENAL H,EXPADM H,EXPLABORAL H,"
         "COLEGIADO S6,MAIL S40,NOMABOCLI c40,OBSERVACIONES M",
         "ABOCLI"},
        {"TClientes", "CLIENTES",
         "CLIENTE I,DNI S15,NOMBRE S20,APELLIDOS S30,ASOCIADOS S50,DOMICILIO S40,POBLACION S30,CDPOSTAL S5,"
         "PROVINCIA S15,TELEFONO S30,FAX S15,EXPABIERTOS H,EXPCERRADOS H,BIENES S1,NOMCLI c50,EXPPENDIENTES H,"
         "REFERENCIA c15,MAIL S40,RELACIOBIENES M,OBSERVACIONES M",
         "CLIENTE"},
        {"TContrarios", "CONTRARIOS",
         "CONTRARIO I,DNI S15,NOMBRE S20,APELLIDOS S30,ASOCIADOS S50,DOMICILIO S40,POBLACION S30,CDPOSTAL S5,"
         "PROVINCIA S15,TELEFONO S30,FAX S15,EXPABIERTOS H,EXPCERRADOS H,BIENES S1,NOMCON c50,EXPPENDIENTES H,"
         "MAIL S40,RELACIOBIENES M,OBSERVACIONES M",
         "CONTRARIO"},
        {"TAbogados", "ABOGADOS",
         "ABOGADO I,DNI S15,NOMBRE S20,APELLIDOS S30,DESPACHO S50,DOMICILIO S40,POBLACION S30,CDPOSTAL S5,"
         "PROVINCIA S15,TELEFONO S30,FAX S15,EXPABIERTOS H,EXPPENDIENTES H,EXPCERRADOS H,NOMABO c50,MAIL S40,"
         "OBSERVACIONES M",
         "ABOGADO"},
        {"TProcu", "PROCU",
         "PROCU I,CIF S15,@,TELEFONO S30,FAX S15,BANCO S15,SUCURSAL S15,CUENTACORRIENTE S15,EXPABIERTOS H,"
         "EXPPENDIENTES H,EXPCERRADOS H,PARTIDO S20,COLEGIADO S6,MAIL S40,NOMPROCU c40,OBSERVACIONES M",
         "PROCU"},
        {"TPeritos", "PERITOS",
         "PERITO I,CIF S15,@,TELEFONO S30,FAX S15,BANCO S15,SUCURSAL S15,CUENTACORRIENTE S15,EXPABIERTOS H,"
         "EXPPENDIENTES H,EXPCERRADOS H,PROFESION S20,COLEGIADO S6,NOMPERITO c50,MAIL S40,OBSERVACIONES M",
         "PERITO"},
        {"TPoderes", "Poder.DB", "CLIENTE I,PODER S10,PROTOCOLO S10,NOTARIO S50,ABOGADO I,FECHA D,SITUACION S255", nullptr},
        {"TAgen2", "AGENDA",
         "ABOCLI I,FECHA D!,HORA T!,ORDEN I!,TIPO S1,ANO S4,NUMERO S7,CODIGO I,ARCHIVADO S1,ESCRITO I,"
         "TIPOAGENDA S30,SITUACION S255,EXTENSION S5,USUARIO S15",
         nullptr},
        {"TConAgendas", "CONAGENDAS", "CODIGO I,CONCEPTO S50,DIAS I,TIPOAGENDA S30", nullptr},
        {"TTipoAgenda", "TIPOAGENDAS", "TIPO S30!", nullptr},
        {"TColores", "Color.DB", "Id H,Nombre S30,Priv H", nullptr},
        {"TDias", "Fechas.db", "Fecha D,Descripcion S50,Color H", nullptr},
        {"TEscritos", "ESCRITOS", "ESCRITO I,CONCEPTO S60,TIPO S15", nullptr},
        // The password is kept as a salted hash, which needs more than the ten characters typed.
        {"TPriv", "Privacidad.db",
         "Usuario S15,Contrasenia S128,Privacidad L,Expedientes L,Consulta L,Modelos L,Agenda L,Listados L,Fusion L,"
         "Economico L,Abogado I,General L",
         "Usuario"},
        {"TPartidos", "PARTIDOS", "PARTIDO S20!", "PARTIDO"},
        {"TProfesiones", "PROFESIONES", "PROFESION S20!", "PROFESION"},
        {"TTribunales", "TRIBUNALES", "TRIBUNAL S30!", "TRIBUNAL"},
        {"TProcedimientos", "PROCEDIMIENTOS", "PROCEDIMIENTO S30!", "PROCEDIMIENTO"},
        {"TTipoConsul", "TIPOCONSULTA", "TIPO S30!", "TIPO"},
    };
    return m;
}

struct TCampoModelo {
    QString Nombre;
    QChar Tipo;
    int Tam = 0;
    bool Requerido = false;
};

std::vector<TCampoModelo> Campos(const char* texto) {
    std::vector<TCampoModelo> r;
    QString t = QString::fromLatin1(texto);
    t.replace(QStringLiteral("@"), QString::fromLatin1(Persona));
    for (const QString& item : t.split(QLatin1Char(','))) {
        const QStringList partes = item.split(QLatin1Char(' '));
        TCampoModelo c;
        c.Nombre = partes[0];
        QString tipo = partes[1];
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
}  // namespace

TEST_F(DatTest, EveryTableHasTheFieldsSizesRequiredFlagsAndKeysOfTheModel) {
    auto conn = Dat->Db->Connection();
    for (const TModelo& m : Modelo()) {
        SCOPED_TRACE(m.Dataset);
        auto* ds = dynamic_cast<TTable*>(Dat->FindComponent(QString::fromLatin1(m.Dataset)));
        ASSERT_NE(ds, nullptr);
        EXPECT_EQ(platform::db::StorageName(ds->TableName()), platform::db::StorageName(QString::fromLatin1(m.Tabla)));
        const auto campos = Campos(m.Campos);
        // The data module's fields, in order.
        ASSERT_EQ(ds->FieldCount(), int(campos.size()));
        for (int i = 0; i < int(campos.size()); ++i) {
            const TCampoModelo& c = campos[i];
            TField* f = ds->Fields()->Fields(i);
            SCOPED_TRACE(c.Nombre.toStdString());
            EXPECT_EQ(f->FieldName(), c.Nombre);
            EXPECT_EQ(f->Name(), QString::fromLatin1(m.Dataset) + c.Nombre);
            EXPECT_EQ(f->DataType(), TipoDeCampo(c.Tipo));
            if (TipoDeCampo(c.Tipo) == ftString) {
                EXPECT_EQ(f->Size(), c.Tam);
            }
            const bool calculado = c.Tipo == QLatin1Char('c') || c.Tipo == QLatin1Char('f');
            EXPECT_EQ(f->FieldKind(), calculado ? fkCalculated : c.Tipo == QLatin1Char('k') ? fkLookup : fkData);
            EXPECT_EQ(f->Required(), c.Requerido);
        }
        // The stored table: the same columns, sizes and required flags.
        const auto tabla = conn->DescribeTable(QString::fromLatin1(m.Tabla));
        std::vector<TCampoModelo> guardados;
        for (const auto& c : campos)
            if (c.Tipo.isUpper()) guardados.push_back(c);
        ASSERT_EQ(tabla.Columns.size(), guardados.size());
        for (size_t i = 0; i < guardados.size(); ++i) {
            SCOPED_TRACE(guardados[i].Nombre.toStdString());
            EXPECT_EQ(tabla.Columns[i].Name, guardados[i].Nombre);
            EXPECT_EQ(tabla.Columns[i].Type, TipoDeColumna(guardados[i].Tipo));
            EXPECT_EQ(tabla.Columns[i].Size, guardados[i].Tipo == QLatin1Char('S') ? guardados[i].Tam : 0);
            EXPECT_EQ(tabla.Columns[i].Required, guardados[i].Requerido);
        }
        if (m.Clave) {
            ASSERT_FALSE(tabla.Indexes.empty());
            EXPECT_TRUE(tabla.Indexes.front().Primary);
            EXPECT_EQ(tabla.Indexes.front().Fields.join(QLatin1Char(';')), QString::fromLatin1(m.Clave));
        }
    }
    // The agenda dataset of the data module that the user edits also requires its lawyer.
    EXPECT_TRUE(Dat->TAgen->FieldByName(QStringLiteral("ABOCLI"))->Required());
    // Sequence numbers unique over their whole table; the case file's ledger and agenda range on it.
    for (const char* t : {"CUENTAS", "AGENDA"}) {
        SCOPED_TRACE(t);
        const auto tabla = conn->DescribeTable(QString::fromLatin1(t));
        bool ordenUnico = false;
        for (const auto& ix : tabla.Indexes)
            if (ix.Unique && ix.Fields == QStringList{QStringLiteral("ORDEN")}) ordenUnico = true;
        EXPECT_TRUE(ordenUnico);
    }
    auto empieza = [&](TTable* t) {
        std::vector<QString> campos;
        for (int i = 0; i < t->IndexFieldCount(); ++i) campos.push_back(t->IndexFields(i)->FieldName());
        return campos.size() >= 2 && campos[0] == QLatin1String("ANO") && campos[1] == QLatin1String("NUMERO");
    };
    EXPECT_TRUE(empieza(Dat->TCuentas));
    EXPECT_TRUE(empieza(Dat->TAgen2));
    // The lists opened by their own forms only.
    for (const char* t : {"TIPODES", "TURNADOS", "Convertir.db"}) EXPECT_TRUE(conn->TableExists(QString::fromLatin1(t))) << t;
    EXPECT_EQ(conn->DescribeTable(QStringLiteral("Convertir.db")).Columns.size(), 2u);
}

// ---------------------------------------------------------------------------------------------- delete guards

namespace {
void Set(TDataSet* ds, const char* campo, const Variant& valor) { ds->FieldByName(QString::fromLatin1(campo))->SetValue(valor); }

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
        EXPECT_EQ(g.Dataset->RecordCount(), filas);
        EXPECT_EQ(g.Dataset->State(), dsBrowse);
        harness->AnswerMessage(mrYes);
        g.Dataset->Delete();
        EXPECT_EQ(g.Dataset->RecordCount(), filas - 1);
        EXPECT_FALSE(Dat->Db->InTransaction());
    }
}

TEST_F(DatTest, AMainOpposingPartyOfACaseCannotBeDeleted) {
    Dat->TContrarios->Append();
    Dat->TContrarios->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(S("Contraparte"));
    Dat->TContrarios->Post();
    const int codigo = Dat->TContrarios->FieldByName(QStringLiteral("CONTRARIO"))->AsInteger();
    Dat->TExped->Append();
    Dat->TExped->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("00003-A"));
    Dat->TExped->FieldByName(QStringLiteral("CONTRARIO"))->SetAsInteger(codigo);
    Dat->TExped->Post();
    harness->AnswerMessage(mrYes);  // never asked
    ExpectAbort([&] { Dat->TContrarios->Delete(); });
    EXPECT_EQ(Texts(), QStringList{S("Hay expedientes con éste CONTRARIO por defecto")});
    EXPECT_EQ(Dat->TContrarios->RecordCount(), 1);
}
