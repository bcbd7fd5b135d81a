#include "reports/Listado.h"

#include "comun/UData.h"
#include "comun/UFiltros.h"
#include "platform/rtl/SysUtils.h"

#include <QMap>

#include <algorithm>
#include <cmath>

namespace reports {

TQuery* NuevaConsulta(TComponent* owner, const char* nombre, const QString& sql) {
    auto* q = new TQuery(owner);
    q->SetName(QString::fromLatin1(nombre));
    q->SetDatabaseName(QStringLiteral("ZEMBRA"));
    q->SQL()->SetText(sql);
    return q;
}

TQuickRep* NuevoInforme(TComponent* owner, const char* nombre, TDataSet* ds, const QString& titulo,
                        TPrinterOrientation orientacion) {
    auto* r = new TQuickRep(owner);
    r->SetName(QString::fromLatin1(nombre));
    r->SetDataSet(ds);
    r->SetReportTitle(titulo);
    r->Page()->SetOrientation(orientacion);
    r->Page()->SetTopMargin(12);
    r->Page()->SetBottomMargin(12);
    r->Page()->SetLeftMargin(12);
    r->Page()->SetRightMargin(12);
    r->Font()->SetName(QStringLiteral("Arial"));
    r->Font()->SetHeight(-11);
    return r;
}

TQRBand* NuevaBanda(TComponent* owner, TQuickRep* informe, const char* nombre, TQRBandType tipo, int alto) {
    auto* b = new TQRBand(owner);
    b->SetName(QString::fromLatin1(nombre));
    b->SetBandType(tipo);
    b->SetHeight(alto);
    b->SetParent(informe);
    return b;
}

TQRGroup* NuevoGrupo(TComponent* owner, TQuickRep* informe, const char* nombre, const QString& expresion, int alto) {
    auto* g = new TQRGroup(owner);
    g->SetName(QString::fromLatin1(nombre));
    g->SetExpression(expresion);
    g->SetHeight(alto);
    g->SetParent(informe);
    return g;
}

TQRLabel* NuevaEtiqueta(TComponent* owner, TQRCustomBand* banda, const char* nombre, int left, int top, int width,
                        const QString& texto, TAlignment alineacion, bool negrita) {
    auto* l = new TQRLabel(owner);
    if (nombre && *nombre) l->SetName(QString::fromLatin1(nombre));
    l->SetParent(banda);
    l->SetBounds(left, top, width, 16);
    l->SetAutoSize(false);
    l->SetAlignment(alineacion);
    l->SetCaption(texto);
    if (negrita) l->Font()->SetStyle(TFontStyles{fsBold});
    return l;
}

void Cifra(TQRPrintable* p) {
    // A figure is never broken nor cut to its column: one that is wider runs out to the left.
    p->SetWordWrap(false);
    p->SetAutoSize(true);
}

TQRDBText* NuevoCampo(TComponent* owner, TQRCustomBand* banda, const char* nombre, TDataSet* ds, const char* campo,
                      int left, int top, int width, TAlignment alineacion) {
    auto* t = new TQRDBText(owner);
    if (nombre && *nombre) t->SetName(QString::fromLatin1(nombre));
    t->SetParent(banda);
    t->SetBounds(left, top, width, 16);
    t->SetAutoSize(false);
    t->SetAlignment(alineacion);
    if (alineacion == taRightJustify) Cifra(t);
    t->SetDataSet(ds);
    t->SetDataField(QString::fromLatin1(campo));
    return t;
}

TQRExpr* NuevaSuma(TComponent* owner, TQRCustomBand* banda, const char* nombre, const QString& expresion, int left,
                   int top, int width) {
    auto* e = new TQRExpr(owner);
    if (nombre && *nombre) e->SetName(QString::fromLatin1(nombre));
    e->SetParent(banda);
    e->SetBounds(left, top, width, 16);
    e->SetAlignment(taRightJustify);
    Cifra(e);
    e->SetExpression(expresion);
    e->SetResetAfterPrint(true);
    return e;
}

TCabeceraListado NuevaCabecera(TComponent* owner, TQRCustomBand* banda, const QString& titulo, bool filtro,
                               const char* nombreTitulo) {
    TCabeceraListado c;
    const int ancho = banda->Width();
    c.Fecha = new TQRSysData(owner);
    c.Fecha->SetParent(banda);
    c.Fecha->SetBounds(0, 2, 160, 16);
    c.Fecha->SetData(qrsDate);
    c.Pagina = new TQRSysData(owner);
    c.Pagina->SetParent(banda);
    c.Pagina->SetBounds(ancho - 160, 2, 160, 16);
    c.Pagina->SetAutoSize(false);
    c.Pagina->SetAlignment(taRightJustify);
    c.Pagina->SetData(qrsPageNumber);
    c.Pagina->SetText(QStringLiteral("Página : "));
    c.Titulo = NuevaEtiqueta(owner, banda, nombreTitulo, 0, 20, ancho, titulo, taCenter, true);
    c.Titulo->SetHeight(24);
    c.Titulo->Font()->SetHeight(-17);
    if (filtro) {
        c.Filtro = NuevaEtiqueta(owner, banda, "QRFiltro", 0, 46, ancho, QString(), taCenter, true);
        c.Filtro->Font()->SetHeight(-12);
    }
    return c;
}

std::vector<TSitio> Reparte(int ancho, std::initializer_list<TColumna> columnas) {
    int total = 0;
    for (const TColumna& c : columnas) total += c.Peso;
    std::vector<TSitio> r;
    int x = 0;
    for (const TColumna& c : columnas) {
        const int w = c.Peso * ancho / std::max(1, total);
        r.push_back({x, w - 4});
        x += w;
    }
    return r;
}

std::vector<TSitio> Cabeceras(TComponent* owner, TQRCustomBand* banda, int top,
                              std::initializer_list<TColumna> columnas) {
    std::vector<TSitio> sitios = Reparte(banda->Width(), columnas);
    size_t i = 0;
    for (const TColumna& c : columnas) {
        NuevaEtiqueta(owner, banda, nullptr, sitios[i].Left, top, sitios[i].Width, QString::fromUtf8(c.Cabecera),
                      c.Alineacion, true);
        ++i;
    }
    auto* raya = new TQRShape(owner);
    raya->SetParent(banda);
    raya->SetShape(qrsHorLine);
    raya->SetBounds(0, top + 17, banda->Width(), 2);
    return sitios;
}

TListaSimple::TListaSimple(TComponent* owner, const char* nombreForm, const char* nombreConsulta,
                           const QString& titulo, const QString& sql, const char* campoGrupo,
                           const std::vector<TCampoLista>& campos, TPrinterOrientation orientacion)
    : TForm(owner) {
    SetName(QString::fromLatin1(nombreForm));
    Consulta = NuevaConsulta(this, nombreConsulta, sql);
    QuickRep1 = NuevoInforme(this, "QuickRep1", Consulta, titulo, orientacion);
    QRBand1 = NuevaBanda(this, QuickRep1, "QRBand1", rbPageHeader, 70);
    QRLabel1 = NuevaCabecera(this, QRBand1, titulo).Titulo;
    std::vector<TColumna> columnas;
    std::vector<TSitio> sitios;
    {
        int total = 0;
        for (const TCampoLista& c : campos) total += c.Peso;
        int x = 0;
        const int ancho = QRBand1->Width();
        for (const TCampoLista& c : campos) {
            const int w = c.Peso * ancho / std::max(1, total);
            sitios.push_back({x, w - 4});
            NuevaEtiqueta(this, QRBand1, nullptr, x, 50, w - 4, QString::fromUtf8(c.Cabecera), c.Alineacion, true);
            x += w;
        }
        auto* raya = new TQRShape(this);
        raya->SetParent(QRBand1);
        raya->SetShape(qrsHorLine);
        raya->SetBounds(0, 67, ancho, 2);
    }
    if (campoGrupo) {
        QRGroup1 = NuevoGrupo(this, QuickRep1, "QRGroup1", QString::fromLatin1(campoGrupo), 24);
        auto* valor = NuevoCampo(this, QRGroup1, "QRGrupo", Consulta, campoGrupo, 0, 5, QRGroup1->Width());
        valor->Font()->SetStyle(TFontStyles{fsBold});
        valor->Font()->SetHeight(-12);
    }
    QRBand2 = NuevaBanda(this, QuickRep1, "QRBand2", rbDetail, 18);
    size_t i = 0;
    for (const TCampoLista& c : campos) {
        NuevoCampo(this, QRBand2, nullptr, Consulta, c.Campo, sitios[i].Left, 1, sitios[i].Width, c.Alineacion);
        ++i;
    }
    OnClose = TCloseEvent(this, &TListaSimple::FormClose);
}

void TListaSimple::FormClose(TObject*, TCloseAction& action) { action = caFree; }

QString SqlPartes(const char* tabla) {
    return QStringLiteral("SELECT APELLIDOS||', '||NOMBRE AS NOMCLI, EXPABIERTOS, POBLACION, EXPPENDIENTES, EXPCERRADOS, "
                          "TELEFONO, DOMICILIO, CDPOSTAL, FAX, MAIL FROM %1 ORDER BY NOMCLI")
        .arg(QString::fromLatin1(tabla));
}

std::vector<TCampoLista> ColumnasPartes() {
    return {{"Nombre", "NOMCLI", 24},
            {"Domicilio", "DOMICILIO", 22},
            {"C.P.", "CDPOSTAL", 6},
            {"Población", "POBLACION", 14},
            {"Teléfono", "TELEFONO", 11},
            {"Fax", "FAX", 10},
            {"E-mail", "MAIL", 16},
            {"Abiertos", "EXPABIERTOS", 7, taRightJustify},
            {"Pendientes", "EXPPENDIENTES", 8, taRightJustify},
            {"Cerrados", "EXPCERRADOS", 7, taRightJustify}};
}

QString SqlProfesionales(const char* tabla, const char* campo, const char* orden) {
    return QStringLiteral("SELECT APELLIDOS||', '||NOMBRE AS NOM, %1, CIF, POBLACION, TELEFONO, FAX, DOMICILIO, CDPOSTAL "
                          "FROM %2 ORDER BY %3")
        .arg(QString::fromLatin1(campo), QString::fromLatin1(tabla), QString::fromLatin1(orden));
}

std::vector<TCampoLista> ColumnasProfesionales(const char* cabecera, const char* campo) {
    return {{"Nombre", "NOM", 24},   {"C.I.F.", "CIF", 10},         {"Domicilio", "DOMICILIO", 22},
            {"C.P.", "CDPOSTAL", 6}, {"Población", "POBLACION", 14}, {"Teléfono", "TELEFONO", 11},
            {"Fax", "FAX", 10},      {cabecera, campo, 13}};
}

void TLineasPartes::Crea(TComponent* owner, TQRCustomBand* banda, int leftCli, int anchoCli, int leftCon,
                         int anchoCon) {
    auto crea = [&](const char* nombre, const char* prefijo, const QString& sql, int left, int ancho,
                    std::array<TQRLabel*, Maximo>& lineas) -> TQuery* {
        TQuery* q = NuevaConsulta(owner, nombre, sql);
        for (int k = 0; k < Maximo; ++k) {
            const QByteArray n = QByteArray(prefijo) + QByteArray::number(k + 1);
            lineas[size_t(k)] = NuevaEtiqueta(owner, banda, n.constData(), left, 1 + 20 * k, ancho);
            lineas[size_t(k)]->SetHeight(17);
        }
        return q;
    };
    if (leftCli >= 0)
        QClientes = crea("QClientes", "QRCli",
                         QStringLiteral("SELECT A.CLIENTE as CODIGO,B.APELLIDOS || ',' || B.NOMBRE as NOMBRE FROM EXPCLI A, "
                                        "CLIENTES B WHERE A.CLIENTE = B.CLIENTE AND A.ANO = :ANO AND A.NUMERO = :NUMERO "
                                        "ORDER BY NOMBRE"),
                         leftCli, anchoCli, QRCli);
    QContrarios = crea("QContrarios", "QRCon",
                       QStringLiteral("SELECT A.CONTRARIO as CODIGO, B.APELLIDOS || ',' || B.NOMBRE as NOMBRE FROM EXPCON A, "
                                      "CONTRARIOS B WHERE A.CONTRARIO = B.CONTRARIO AND A.ANO = :ANO AND A.NUMERO = :NUMERO "
                                      "ORDER BY NOMBRE"),
                       leftCon, anchoCon, QRCon);
}

void AbreEntreFechas(TQuery* q, TQRLabel* filtro, TDateTime desde, TDateTime hasta, const QString& texto) {
    q->Close();
    q->ParamByName(QStringLiteral("FDESDE"))->SetAsDate(desde);
    q->ParamByName(QStringLiteral("FHASTA"))->SetAsDate(hasta);
    q->Open();
    filtro->SetCaption(texto);
}

void AbreDelExpediente(TQuery* q, const QString& ano, const QString& numero) {
    q->Close();
    if (!q->Prepared()) q->Prepare();
    q->ParamByName(QStringLiteral("ANO"))->SetAsString(ano);
    q->ParamByName(QStringLiteral("NUMERO"))->SetAsString(numero);
    q->Open();
}

QStringList TLineasPartes::Nombres(TQuery* q, const QString& ano, const QString& numero) {
    AbreDelExpediente(q, ano, numero);
    QStringList r;
    TField* nombre = q->FieldByName(QStringLiteral("NOMBRE"));
    for (q->First(); !q->Eof() && r.size() < Maximo; q->Next()) r << nombre->AsString();
    return r;
}

void TLineasPartes::Prepara(TDataSet* maestro) {
    FClientes.clear();
    FContrarios.clear();
    FClaves.clear();
    FPosicion.clear();
    FAnos.clear();
    FClientesEnteros = FContrariosEnteros = false;
    const int filas = maestro->RecordCount();
    FTodos = filas >= 200;
    if (!FTodos) return;
    FPosicion.reserve(filas);
    FClaves.reserve(filas);
    TField* ano = maestro->FieldByName(QStringLiteral("ANO"));
    TField* numero = maestro->FieldByName(QStringLiteral("NUMERO"));
    for (maestro->First(); !maestro->Eof(); maestro->Next()) {
        const QString a = ano->AsString(), n = numero->AsString();
        FPosicion.insert(a + QLatin1Char('/') + n, int(FClaves.size()));
        FClaves.append({a, n});
        // A list runs over one year or a few, one after another.
        if ((FAnos.isEmpty() || FAnos.back() != a) && !FAnos.contains(a)) FAnos << a;
    }
    maestro->First();
}

// The row's own query with its two parameters widened to `condicion`, keyed by case file. Its
// order by name alone puts each case file's names in order: sorting by case file as well would
// only cost more comparisons in Spanish.
void TLineasPartes::LeeDonde(TQuery* q, const QString& condicion, QHash<QString, QStringList>& nombres) {
    QString sql = q->SQL()->Text().simplified();
    sql.replace(QStringLiteral("A.ANO = :ANO AND A.NUMERO = :NUMERO"), QLatin1Char('(') + condicion + QLatin1Char(')'));
    sql.replace(QStringLiteral("SELECT "), QStringLiteral("SELECT A.ANO || '/' || A.NUMERO AS CLAVE, "));
    TQuery tanda(nullptr);
    tanda.SetDatabaseName(q->DatabaseName());
    tanda.SQL()->SetText(sql);
    tanda.Open();
    TField* clave = tanda.FieldByName(QStringLiteral("CLAVE"));
    TField* nombre = tanda.FieldByName(QStringLiteral("NOMBRE"));
    for (; !tanda.Eof(); tanda.Next()) {
        QStringList& lineas = nombres[clave->AsString()];
        if (lineas.size() < Maximo) lineas << nombre->AsString();
    }
}

// The names of the case files from `desde` on. When the list holds most of its years' case files,
// one read of those years serves the whole run; otherwise a few hundred case files at a time.
void TLineasPartes::Lee(TQuery* q, int desde, QHash<QString, QStringList>& nombres, bool& enteros) {
    if (nombres.isEmpty()) {
        QStringList lista;
        for (const QString& a : FAnos) lista << comun::LiteralSql(a);
        const QString enAnos = QStringLiteral("A.ANO IN (%1)").arg(lista.join(u','));
        QString cuenta = q->SQL()->Text().simplified();
        cuenta = QStringLiteral("SELECT COUNT(*) AS N FROM ") +
                 cuenta.mid(cuenta.indexOf(QStringLiteral(" FROM ")) + 6).section(QStringLiteral(" ORDER BY "), 0, 0);
        cuenta.replace(QStringLiteral("A.ANO = :ANO AND A.NUMERO = :NUMERO"), enAnos);
        TQuery total(nullptr);
        total.SetDatabaseName(q->DatabaseName());
        total.SQL()->SetText(cuenta);
        total.Open();
        if (total.FieldByName(QStringLiteral("N"))->AsInteger() <= 4 * qint64(FClaves.size())) {
            // Every case file of those years is read: one not found has no names.
            nombres.reserve(FClaves.size());
            LeeDonde(q, enAnos, nombres);
            enteros = true;
            return;
        }
    }
    constexpr int Tanda = 400;
    QMap<QString, QStringList> porAno;
    for (int i = desde; i < std::min(int(FClaves.size()), desde + Tanda); ++i) {
        const auto& [a, n] = FClaves[i];
        const QString clave = a + QLatin1Char('/') + n;
        if (nombres.contains(clave)) continue;
        nombres.insert(clave, {});
        porAno[a] << comun::LiteralSql(n);
    }
    if (porAno.isEmpty()) return;
    QStringList condicion;
    for (auto it = porAno.cbegin(); it != porAno.cend(); ++it)
        condicion << QStringLiteral("(A.ANO = %1 AND A.NUMERO IN (%2))").arg(comun::LiteralSql(it.key()), it->join(u','));
    LeeDonde(q, condicion.join(QStringLiteral(" OR ")), nombres);
}

const QStringList& TLineasPartes::Busca(TQuery* q, const QString& clave, QHash<QString, QStringList>& nombres,
                                        bool& enteros) {
    auto it = nombres.constFind(clave);
    if (it == nombres.constEnd() && !enteros) {
        Lee(q, FPosicion.value(clave, 0), nombres, enteros);
        it = nombres.constFind(clave);
    }
    static const QStringList ninguno;
    return it == nombres.constEnd() ? ninguno : *it;
}

int TLineasPartes::Lineas(const QStringList& nombres, std::array<TQRLabel*, Maximo>& lineas) {
    const int n = std::min(int(nombres.size()), Maximo);
    lineas[0]->SetCaption(n > 0 ? nombres[0] : QString());
    for (int k = 2; k <= Maximo; ++k) {
        TQRLabel* l = lineas[size_t(k - 1)];
        if (n >= k) {
            const TQRLabel* anterior = lineas[size_t(k - 2)];
            l->SetTop(anterior->Top() + anterior->Height() + 3);
            l->SetLeft(lineas[0]->Left());
            l->SetVisible(true);
            l->SetCaption(nombres[k - 1]);
        } else {
            l->SetVisible(false);
        }
    }
    return n;
}

int TLineasPartes::Rellena(const QString& ano, const QString& numero) {
    const QString clave = ano + QLatin1Char('/') + numero;
    int n = 0;
    // A case file outside the list read (the list changed) is read on its own.
    const bool leido = FTodos && FPosicion.contains(clave);
    if (QClientes)
        n = Lineas(leido ? Busca(QClientes, clave, FClientes, FClientesEnteros) : Nombres(QClientes, ano, numero), QRCli);
    const int m = Lineas(leido ? Busca(QContrarios, clave, FContrarios, FContrariosEnteros)
                               : Nombres(QContrarios, ano, numero),
                         QRCon);
    return std::max({n, m, 1});
}

QString TNombres::Nombre(int codigo) {
    auto it = FCache.constFind(codigo);
    if (it != FCache.constEnd()) return *it;
    Consulta->Close();
    if (!Consulta->Prepared()) Consulta->Prepare();
    Consulta->ParamByName(FParam)->SetAsInteger(codigo);
    Consulta->Open();
    const QString n = Consulta->IsEmpty() ? QString() : Consulta->FieldByName(FCampo)->AsString();
    FCache.insert(codigo, n);
    return n;
}

QString SituacionExpediente(int situacion) {
    switch (situacion) {
    case 1: return QStringLiteral("ABIERTO");
    case 2: return QStringLiteral("FACTURADO");
    case 3: return QStringLiteral("CERRADO");
    default: return QString();
    }
}

QString SituacionConsulta(int situacion) {
    switch (situacion) {
    case 1: return QStringLiteral("ABIERTA");
    case 2: return QStringLiteral("FACTURADA");
    default: return QStringLiteral("COBRADA");
    }
}

QString MonedaDespacho() { return Dat->TSistem->FieldByName(QStringLiteral("MONEDA"))->AsString(); }
double CambioEuro() { return Dat->TSistemEURO->AsFloat(); }

QString FormatoMoneda(const QString& moneda) {
    return moneda == u"E" ? QStringLiteral("#,##0.00") : QStringLiteral("#,##0");
}

QString ImporteTexto(double importe, int decimales) {
    return Format(QStringLiteral("%10.*n"), decimales, importe).trimmed();
}

bool EnMonedaDespacho(double total, const QString& moneda, const QString& despacho, double cambio, double& resultado) {
    const bool euros = moneda == u"E", despachoEuros = despacho == u"E";
    if (euros == despachoEuros) {
        resultado = total;
        return true;
    }
    if (cambio <= 0) return false;
    if (despachoEuros) resultado = std::round(total / cambio * 100) * 0.01;
    else resultado = std::round(total * cambio);
    return true;
}

QString ReferenciaFactura(TDateTime fechaFactura, int factura) {
    if (factura == 0 || double(fechaFactura) == 0) return QString();
    int ano = 0, mes = 0, dia = 0;
    DecodeDate(fechaFactura, ano, mes, dia);
    if (ano <= 0) return QString();
    return QStringLiteral("%1-%2").arg(ano).arg(factura);
}

}  // namespace reports
