#pragma once
// The main window as a careful Qt developer would write it, the peer the program's window is
// measured against: a QMainWindow with the same menus, toolbar and selectors, two tabs of
// QTableView drawing their cells the standard way, over a model that pages rows by key from the
// office's SQLite file through the C API, with the same visible columns, order and filters.
#include "platform/db/Driver.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <map>
#include <memory>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace zbpeer {

// Statements prepared once per connection, reset after each use. The file's text columns sort
// with the program's collation, which the connection must know.
class TSentencias {
public:
    explicit TSentencias(sqlite3* db) : FDb(db) { platform::db::RegisterSqliteFunctions(db); }
    ~TSentencias() {
        for (auto& [sql, st] : FPreparadas) sqlite3_finalize(st);
    }
    sqlite3* Db() const { return FDb; }
    sqlite3_stmt* Prepara(const QByteArray& sql) {
        sqlite3_stmt*& st = FPreparadas[sql];
        if (!st && sqlite3_prepare_v3(FDb, sql.constData(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string(sqlite3_errmsg(FDb)) + ": " + sql.toStdString());
        return st;
    }

private:
    sqlite3* FDb;
    std::map<QByteArray, sqlite3_stmt*> FPreparadas;
};

enum class TTipo { Texto, Fecha, FechaLarga, Importe, Estado };

struct TColumna {
    const char* Titulo;
    int Ancho;
    TTipo Tipo;
};

// Rows of one SELECT in key order (ANO, NUMERO), fetched a page at a time: the next or previous
// page from the key of a page already read, the last page backwards from the end, and only a
// jump into the middle by offset. The count is asked once per filter, for the scroll bar.
class TModeloPaginado : public QAbstractTableModel {
public:
    static constexpr int Pagina = 64;

    // `columnas` is the SELECT list, its visible columns first and then the two key columns;
    // `desde` the FROM clause with its joins, `tabla` the table alone (for counting, the joins
    // add no rows); the key columns are named `clave` ("e.ANO, e.NUMERO").
    TModeloPaginado(TSentencias& s, QByteArray columnas, QByteArray desde, QByteArray tabla, QByteArray clave,
                    std::vector<TColumna> vista)
        : FS(s), FColumnas(std::move(columnas)), FDesde(std::move(desde)), FTabla(std::move(tabla)), FClave(std::move(clave)),
          FVista(std::move(vista)) {
        FClaveDesc = FClave;
        FClaveDesc.replace(", ", " DESC, ");
        FClaveDesc += " DESC";
        for (int i = 0; i < 3; ++i) {
            QPixmap p(16, 14);
            p.fill(Qt::white);
            QPainter g(&p);
            g.setBrush(i == 0 ? QColor(Qt::green) : i == 1 ? QColor(Qt::cyan) : QColor(Qt::gray));
            g.drawRect(1, 3, 13, 9);
            g.drawRect(1, 1, 5, 2);
            FIconos[i] = p;
        }
    }

    // The WHERE clause (empty: every row) and its values, bound in order.
    void Filtra(const QByteArray& donde, std::vector<QVariant> valores) {
        beginResetModel();
        FDonde = donde.isEmpty() ? QByteArray() : " WHERE " + donde;
        FValores = std::move(valores);
        FPaginas.clear();
        FFilas = 0;
        // A filter with a subquery is counted along the key, the way its pages are read: left to
        // itself the engine would count it through the lawyer's index, row by row.
        sqlite3_stmt* st = Liga(donde.contains("SELECT")
                                    ? "SELECT COUNT(*) FROM (SELECT 1 " + FTabla + FDonde + " ORDER BY " + FClave + ")"
                                    : "SELECT COUNT(*) " + FTabla + FDonde);
        if (sqlite3_step(st) == SQLITE_ROW) FFilas = sqlite3_column_int(st, 0);
        sqlite3_reset(st);
        endResetModel();
    }

    int rowCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : FFilas; }
    int columnCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : int(FVista.size()); }

    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (o == Qt::Horizontal && role == Qt::DisplayRole) return QString::fromUtf8(FVista[size_t(section)].Titulo);
        return {};
    }

    QVariant data(const QModelIndex& i, int role) const override {
        if (!i.isValid() || (role != Qt::DisplayRole && role != Qt::DecorationRole && role != Qt::TextAlignmentRole))
            return {};
        const TColumna& c = FVista[size_t(i.column())];
        if (role == Qt::TextAlignmentRole)
            return c.Tipo == TTipo::Importe ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
        const auto& fila = const_cast<TModeloPaginado*>(this)->Fila(i.row());
        if (c.Tipo == TTipo::Estado) {
            if (role != Qt::DecorationRole) return {};
            const int estado = fila.Celdas[size_t(i.column())].toInt();
            return estado >= 1 && estado <= 3 ? FIconos[estado - 1] : QVariant();
        }
        return role == Qt::DisplayRole ? QVariant(fila.Celdas[size_t(i.column())]) : QVariant();
    }

    int Filas() const { return FFilas; }
    int Ancho(int c) const { return FVista[size_t(c)].Ancho; }
    int PaginasLeidas() const { return FLeidas; }

private:
    struct TFila {
        std::vector<QString> Celdas;
        QByteArray Ano, Numero;
    };
    using TPaginaFilas = std::vector<TFila>;

    sqlite3_stmt* Liga(const QByteArray& sql, int desde = 1) {
        sqlite3_stmt* st = FS.Prepara(sql);
        int n = desde;
        for (const QVariant& v : FValores) {
            if (v.typeId() == QMetaType::Int) sqlite3_bind_int(st, n++, v.toInt());
            else {
                const QByteArray t = v.toString().toUtf8();
                sqlite3_bind_text(st, n++, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            }
        }
        return st;
    }

    const TFila& Fila(int fila) {
        const int inicio = fila / Pagina * Pagina;
        auto it = FPaginas.find(inicio);
        if (it == FPaginas.end()) it = FPaginas.emplace(inicio, Lee(inicio)).first;
        const TPaginaFilas& p = it->second;
        static const TFila vacia;
        const int k = fila - inicio;
        return k < int(p.size()) ? p[size_t(k)] : vacia;
    }

    // The page starting at row `inicio`, read from a neighbour's key when there is one.
    TPaginaFilas Lee(int inicio) {
        ++FLeidas;
        // Few pages kept: the farthest from this one goes first.
        while (FPaginas.size() >= 8) {
            auto lejos = std::max_element(FPaginas.begin(), FPaginas.end(), [&](const auto& a, const auto& b) {
                return std::abs(a.first - inicio) < std::abs(b.first - inicio);
            });
            FPaginas.erase(lejos);
        }
        const int cuantas = std::min(Pagina, FFilas - inicio);
        const QByteArray base = "SELECT " + FColumnas + " " + FDesde;
        const QByteArray y = FDonde.isEmpty() ? " WHERE " : FDonde + " AND ";
        const int n = int(FValores.size());
        TPaginaFilas filas;
        auto previa = FPaginas.find(inicio - Pagina), siguiente = FPaginas.find(inicio + Pagina);
        if (inicio == 0) {
            Recoge(Liga(base + FDonde + " ORDER BY " + FClave + " LIMIT ?"), n + 1, cuantas, filas);
        } else if (previa != FPaginas.end() && !previa->second.empty()) {
            sqlite3_stmt* st = Liga(base + y + "(" + FClave + ") > (?, ?) ORDER BY " + FClave + " LIMIT ?");
            LigaClave(st, n + 1, previa->second.back());
            Recoge(st, n + 3, cuantas, filas);
        } else if (inicio + cuantas >= FFilas) {
            Recoge(Liga(base + FDonde + " ORDER BY " + FClaveDesc + " LIMIT ?"), n + 1, cuantas, filas);
            std::reverse(filas.begin(), filas.end());
        } else if (siguiente != FPaginas.end() && !siguiente->second.empty()) {
            sqlite3_stmt* st = Liga(base + y + "(" + FClave + ") < (?, ?) ORDER BY " + FClaveDesc + " LIMIT ?");
            LigaClave(st, n + 1, siguiente->second.front());
            Recoge(st, n + 3, cuantas, filas);
            std::reverse(filas.begin(), filas.end());
        } else {
            sqlite3_stmt* st = Liga(base + FDonde + " ORDER BY " + FClave + " LIMIT ? OFFSET ?");
            sqlite3_bind_int(st, n + 2, inicio);
            Recoge(st, n + 1, cuantas, filas);
        }
        return filas;
    }

    static void LigaClave(sqlite3_stmt* st, int n, const TFila& f) {
        sqlite3_bind_text(st, n, f.Ano.constData(), int(f.Ano.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, n + 1, f.Numero.constData(), int(f.Numero.size()), SQLITE_TRANSIENT);
    }

    void Recoge(sqlite3_stmt* st, int limite, int cuantas, TPaginaFilas& filas) {
        sqlite3_bind_int(st, limite, cuantas);
        const int visibles = int(FVista.size());
        filas.reserve(size_t(cuantas));
        while (sqlite3_step(st) == SQLITE_ROW) {
            TFila f;
            f.Celdas.reserve(size_t(visibles));
            for (int c = 0; c < visibles; ++c) f.Celdas.push_back(Celda(st, c, FVista[size_t(c)].Tipo));
            f.Ano = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, visibles)));
            f.Numero = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, visibles + 1)));
            filas.push_back(std::move(f));
        }
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
    }

    static QString Celda(sqlite3_stmt* st, int c, TTipo tipo) {
        if (sqlite3_column_type(st, c) == SQLITE_NULL) return {};
        switch (tipo) {
        case TTipo::Fecha:
        case TTipo::FechaLarga: {
            // Days since 30/12/1899, as the office's file keeps dates.
            static const QDate origen(1899, 12, 30);
            const QDate d = origen.addDays(qint64(sqlite3_column_double(st, c)));
            return d.toString(tipo == TTipo::Fecha ? QStringLiteral("dd.MM.yy") : QStringLiteral("dd.MM.yyyy"));
        }
        case TTipo::Importe: return QLocale(QLocale::Spanish).toString(sqlite3_column_double(st, c), 'f', 2);
        default:
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)), sqlite3_column_bytes(st, c));
        }
    }

    TSentencias& FS;
    QByteArray FColumnas, FDesde, FTabla, FClave, FClaveDesc, FDonde;
    std::vector<TColumna> FVista;
    std::vector<QVariant> FValores;
    std::map<int, TPaginaFilas> FPaginas;
    int FFilas = 0, FLeidas = 0;
    QPixmap FIconos[3];
};

// The window: menus, toolbar with the year and lawyer selectors, the two browsers, status bar.
class TVentana : public QMainWindow {
public:
    explicit TVentana(TSentencias& s) : FS(s) {
        setWindowTitle(QStringLiteral("Zembra"));
        CreaMenus();
        CreaBarra();
        auto tabla = [this](TModeloPaginado* m) {
            auto* v = new QTableView;
            v->setModel(m);
            v->setSelectionBehavior(QAbstractItemView::SelectRows);
            v->setSelectionMode(QAbstractItemView::SingleSelection);
            v->setEditTriggers(QAbstractItemView::NoEditTriggers);
            v->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
            v->verticalHeader()->setDefaultSectionSize(17);
            v->verticalHeader()->setFixedWidth(12);
            // The program's grid shows its vertical bar whenever it has rows, however few.
            v->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            return v;
        };
        Expedientes = new TModeloPaginado(
            s,
            "e.SITUACION, e.NUMERO, e.FECHAAPERTURA, c.APELLIDOS || ',' || c.NOMBRE, o.APELLIDOS || ',' || o.NOMBRE, "
            "e.PROCEDIMIENTO, e.TRIBUNAL, e.AUTOS, e.ANO, e.NUMERO",
            "FROM exped e LEFT JOIN clientes c ON c.CLIENTE = e.CLIENTE LEFT JOIN contrarios o ON o.CONTRARIO = e.CONTRARIO",
            "FROM exped e", "e.ANO, e.NUMERO",
            {{"Sit.", 2, TTipo::Estado},
             {"Número", 7, TTipo::Texto},
             {"Apertura", 8, TTipo::Fecha},
             {"Cliente", 25, TTipo::Texto},
             {"Contrario", 25, TTipo::Texto},
             {"Procedimiento", 25, TTipo::Texto},
             {"Tribunal", 25, TTipo::Texto},
             {"Nº Autos", 8, TTipo::Texto}});
        Consultas = new TModeloPaginado(
            s,
            "q.SITUACION, q.NUMERO, q.NOMCLIENTE, a.APELLIDOS || ', ' || a.NOMBRE, q.TIPO, q.FECHAENTRADA, q.FECHACOBRO, "
            "q.IMPORTE, q.ANO, q.NUMERO",
            "FROM consultas q LEFT JOIN abocli a ON a.ABOCLI = q.ABOENT", "FROM consultas q", "q.ANO, q.NUMERO",
            {{"Sit.", 2, TTipo::Estado},
             {"Número", 7, TTipo::Texto},
             {"Cliente", 25, TTipo::Texto},
             {"Abogado Entrada", 25, TTipo::Texto},
             {"Tipo", 30, TTipo::Texto},
             {"F. Entrada", 9, TTipo::FechaLarga},
             {"F. de Cobro", 9, TTipo::FechaLarga},
             {"Importe", 8, TTipo::Importe}});
        Expedientes->setParent(this);
        Consultas->setParent(this);
        VistaExpedientes = tabla(Expedientes);
        VistaConsultas = tabla(Consultas);
        Paginas = new QTabWidget;
        Paginas->addTab(VistaExpedientes, QStringLiteral("Expedientes"));
        Paginas->addTab(VistaConsultas, QStringLiteral("Consultas"));
        setCentralWidget(Paginas);
        for (int ancho : {250, 160, 35, 35, 60, 50}) {
            auto* l = new QLabel;
            l->setMinimumWidth(ancho);
            statusBar()->addWidget(l);
            Estado.push_back(l);
        }
        Estado[1]->setText(QStringLiteral("Usuario : ANA"));
        Estado[5]->setText(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
        auto* reloj = new QTimer(this);
        QObject::connect(reloj, &QTimer::timeout, this, [this] { Estado[4]->setText(QTime::currentTime().toString()); });
        reloj->start(1000);
        Refiltra();
        Consultas->Filtra("q.ANO = ?", {Ano->currentText()});
        for (auto [v, m] : {std::pair{VistaExpedientes, Expedientes}, std::pair{VistaConsultas, Consultas}})
            for (int c = 0; c < m->columnCount(); ++c) v->setColumnWidth(c, 8 + 7 * m->Ancho(c));
    }

    // The case files of the year, lawyer and client chosen.
    void Refiltra() {
        QByteArray donde;
        std::vector<QVariant> valores;
        auto y = [&](const QByteArray& c, const QVariant& v) {
            donde += (donde.isEmpty() ? "" : " AND ") + c;
            valores.push_back(v);
        };
        if (Abogado->currentIndex() > 0) y("e.ABOCLI = ?", Abogado->currentData());
        if (PorAno->isChecked()) y("e.ANO = ?", Ano->currentText());
        if (Cliente) y("(e.ANO, e.NUMERO) IN (SELECT ANO, NUMERO FROM expcli WHERE CLIENTE = ?)", Cliente);
        Expedientes->Filtra(donde, std::move(valores));
        // Laid out now, not on the view's later timer, so the new rows are drawn once.
        VistaExpedientes->doItemsLayout();
    }

    void ElijeAbogado(int abogado) {
        const int i = Abogado->findData(abogado);
        QSignalBlocker b(Abogado);
        Abogado->setCurrentIndex(std::max(0, i));
    }

    TModeloPaginado *Expedientes, *Consultas;
    QTableView *VistaExpedientes, *VistaConsultas;
    QTabWidget* Paginas;
    QCheckBox* PorAno;
    QComboBox *Ano, *Abogado;
    int Cliente = 0;
    std::vector<QLabel*> Estado;

private:
    void CreaMenus() {
        struct TEntrada {
            int Nivel;
            const char* Texto;
        };
        // The same bar and submenus as the program's window.
        static const TEntrada menus[] = {
            {0, "&Archivo"}, {1, "&Datos Despacho"}, {1, "&Abogados Despacho"}, {1, "-"}, {1, "&Clientes"},
            {1, "C&ontrarios"}, {1, "A&bogados"}, {1, "P&rocuradores"}, {1, "P&eritos"}, {1, "-"},
            {1, "Co&nceptos Contables"}, {1, "Ano&taciones Agenda"}, {1, "-"}, {1, "&Impresora"}, {1, "-"},
            {1, "&Salir"}, {0, "&Expedientes"}, {1, "Nuevo"}, {1, "Abrir"}, {1, "Borrar"}, {0, "&Consultas"},
            {1, "Nuevo"}, {1, "Abrir"}, {1, "Borrar"}, {0, "&Herramientas"}, {1, "Agenda Diaria"}, {1, "&Escritos"},
            {1, "&Exportar .."}, {1, "-"}, {1, "&Recuentos"}, {1, "&Privacidad"}, {1, "Cambio de &Usuario"}, {1, "-"},
            {1, "&Vaciar Tablas"}, {0, "&Informes"}, {1, "&Clientes"}, {1, "Con&trarios"}, {1, "&Abogados"},
            {1, "&Procuradores"}, {2, "&Alfabético"}, {2, "&Por Partido"}, {1, "Pe&ritos"}, {2, "&Alfabético"},
            {2, "&Por Profesión"}, {1, "Po&deres"}, {1, "-"}, {1, "Con Provisiones de &Fondos"},
            {1, "Sin Provisiones de Fondos"}, {1, "&Expedientes"}, {2, "Por &Número"}, {2, "Por &Abogado del Despacho"},
            {2, "Por &Cliente"}, {2, "Con &Saldo Positivo"}, {2, "Sin Movimientos"}, {1, "&Facturas"}, {2, "&General"},
            {2, "Por &Número"}, {2, "&Sin Número"}, {2, "Por &Abogado de Entrada"}, {1, "-"},
            {1, "Conceptos Conta&bles"}, {1, "Conceptos A&genda"}, {1, "&Otros"}, {2, "&Procedimientos"},
            {2, "&Tribunales"}, {2, "Tipos de C&onsultas"}, {2, "&Tipos de Apuntes de Agenda"}, {0, "&Utilidades"},
            {1, "&Legislación"}, {0, "A&yuda"}, {1, "Ayuda .."}, {1, "Acerca de ..."}};
        QMenu* nivel[3] = {};
        const int n = int(std::size(menus));
        for (int i = 0; i < n; ++i) {
            const TEntrada& e = menus[i];
            const QString texto = QString::fromUtf8(e.Texto);
            const bool tieneHijos = i + 1 < n && menus[i + 1].Nivel > e.Nivel;
            if (e.Nivel == 0) {
                nivel[0] = menuBar()->addMenu(texto);
                if (texto == u"&Consultas") nivel[0]->menuAction()->setEnabled(false);
            } else if (texto == u"-") {
                nivel[e.Nivel - 1]->addSeparator();
            } else if (tieneHijos) {
                nivel[e.Nivel] = nivel[e.Nivel - 1]->addMenu(texto);
            } else {
                nivel[e.Nivel - 1]->addAction(texto);
            }
        }
    }

    void CreaBarra() {
        auto* barra = addToolBar(QStringLiteral("Barra"));
        barra->setMovable(false);
        barra->setIconSize(QSize(16, 16));
        const char* botones[] = {"Imprime", "Abrir", "Nuevo", "Borrar", "Refrescar", "Modelos de Escritos",
                                 "Agenda Diaria", "Quita Filtros", "Configurar", "Buscador", "Ayuda"};
        int k = 0;
        for (const char* b : botones) {
            QPixmap p(16, 16);
            p.fill(QColor::fromHsv((k++ * 37) % 360, 160, 200));
            QAction* a = barra->addAction(QIcon(p), QString::fromUtf8(b));
            if (k == 1 || k == 5 || k == 7 || k == 9) barra->addSeparator();
            if (k == 8) a->setEnabled(false);
        }
        PorAno = new QCheckBox;
        PorAno->setChecked(true);
        barra->addWidget(PorAno);
        barra->addWidget(new QLabel(QStringLiteral("Año :")));
        Ano = new QComboBox;
        Ano->setMinimumWidth(64);
        {
            sqlite3_stmt* st = FS.Prepara("SELECT ANO FROM tabcon ORDER BY ANO");
            while (sqlite3_step(st) == SQLITE_ROW)
                Ano->addItem(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
            sqlite3_reset(st);
        }
        Ano->setCurrentIndex(std::max(0, Ano->findText(QString::number(QDate::currentDate().year()))));
        barra->addWidget(Ano);
        barra->addWidget(new QLabel(QStringLiteral("Abogado :")));
        Abogado = new QComboBox;
        Abogado->setMinimumWidth(200);
        Abogado->addItem(QStringLiteral("TODOS"), 0);
        {
            sqlite3_stmt* st = FS.Prepara("SELECT ABOCLI, APELLIDOS || ', ' || NOMBRE AS NOMABO FROM abocli ORDER BY NOMABO");
            while (sqlite3_step(st) == SQLITE_ROW)
                Abogado->addItem(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1))),
                                 sqlite3_column_int(st, 0));
            sqlite3_reset(st);
        }
        barra->addWidget(Abogado);
        QObject::connect(Ano, &QComboBox::currentIndexChanged, this, [this] { Refiltra(); });
        QObject::connect(Abogado, &QComboBox::currentIndexChanged, this, [this] { Refiltra(); });
        QObject::connect(PorAno, &QCheckBox::toggled, this, [this](bool on) {
            Ano->setEnabled(on);
            Refiltra();
        });
    }

    TSentencias& FS;
};

}  // namespace zbpeer
