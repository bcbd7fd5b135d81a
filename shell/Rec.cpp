#include "shell/Rec.h"

#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/db/Driver.h"

TFRec* FRec = nullptr;

TFRec::TFRec(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("FRec"));
    SetBorderStyle(bsNone);
    SetFormStyle(fsStayOnTop);
    SetPosition(poScreenCenter);
    SetClientWidth(330);
    SetClientHeight(62);
    Label1 = new TLabel(this);
    Label1->SetName(QStringLiteral("Label1"));
    Label1->SetParent(this);
    Label1->SetAutoSize(false);
    Label1->SetAlignment(taCenter);
    Label1->SetBounds(8, 10, 314, 16);
    Label1->SetCaption(QString());
    Estado = new TProgressBar(this);
    Estado->SetName(QStringLiteral("Estado"));
    Estado->SetParent(this);
    Estado->SetBounds(8, 34, 314, 18);
    Estado->SetMin(0);
    Estado->SetMax(100);
    QRecuentos = new TQuery(this);
    QRecuentos->SetName(QStringLiteral("QRecuentos"));
    QRecuentos->SetDatabaseName(Dat->Db->DatabaseName());

    // Saving a person through these cursors checks and writes it as the data module does.
    auto tabla = [&](TTable*& t, const char* nombre, const char* fichero) {
        t = new TTable(this);
        t->SetName(QString::fromLatin1(nombre));
        t->SetDatabaseName(Dat->Db->DatabaseName());
        t->SetTableName(QString::fromLatin1(fichero));
        t->BeforePost = TDataSetNotifyEvent(Dat, &TDat::PersonaBeforePost);
        t->AfterPost = TDataSetNotifyEvent(Dat, &TDat::PersonaAfterPost);
        t->OnPostError = TDataSetErrorEvent(Dat, &TDat::error);
        t->OnEditError = TDataSetErrorEvent(Dat, &TDat::error);
        t->Open();
    };
    tabla(TAbogados, "TAbogados", "ABOGADOS");
    tabla(TProcu, "TProcu", "PROCU");
    OnClose = TCloseEvent(this, &TFRec::FormClose);
}

TFRec::~TFRec() {
    if (FRec == this) FRec = nullptr;
}

void TFRec::FormClose(TObject*, TCloseAction& action) { action = caFree; }

void TFRec::Recuenta() {
    FRec = new TFRec(Application);
    TFRec* f = FRec;
    f->Show();
    try {
        f->RecuentaAboCli(-1);
        f->RecuentaAbogados(-1);
        f->RecuentaProcuradores(-1);
        f->RecuentaPeritos(-1);
        f->RecuentaClientes(-1);
        f->RecuentaContrarios(-1);
    } catch (...) {
        f->Close();
        throw;
    }
    f->Close();
    // Written through cursors of the window's own: the data module's show it now.
    Dat->refresca(Dat->TAbogados);
    Dat->refresca(Dat->TProcu);
}

// ---------------------------------------------------------------------------------------------- passes

namespace {

// Faults of the whole database (the server gone, the file moved away, the folder lost): every
// person would fail alike, one message box each.
using comun::FalloDeLaBase;

// For the life of a pass, the edit and post errors of the walked table and of the counters' row
// (written when a person is saved) go on to their own handlers (their messages) and a fault of
// the whole database is noted.
class TVigilancia {
public:
    explicit TVigilancia(std::initializer_list<TDataSet*> tablas) {
        for (TDataSet* t : tablas) {
            FTablas.push_back({t, t->OnEditError, t->OnPostError});
            t->OnEditError = Vigila(t->OnEditError);
            t->OnPostError = Vigila(t->OnPostError);
        }
    }
    ~TVigilancia() {
        for (const TTabla& t : FTablas) {
            t.Tabla->OnEditError = t.Edicion;
            t.Tabla->OnPostError = t.Grabacion;
        }
    }
    bool SinBase = false;

private:
    struct TTabla {
        TDataSet* Tabla;
        TDataSetErrorEvent Edicion, Grabacion;
    };
    TDataSetErrorEvent Vigila(const TDataSetErrorEvent& propio) {
        return TDataSetErrorEvent([this, propio](TDataSet* ds, EDatabaseError& e, TDataAction& action) {
            if (FalloDeLaBase(e)) SinBase = true;
            if (propio) propio(ds, e, action);
        });
    }
    std::vector<TTabla> FTablas;
};

}  // namespace

void TFRec::Pasada(TTable* t, const QString& clave, const QString& texto, const QString& parametro,
                   const std::vector<TCuenta>& cuentas, int codigo) {
    const TBookmark marca = t->GetBookmark();
    Estado->SetPosition(0);
    int total = 0;
    if (codigo == -1) {
        t->CancelRange();
        t->First();
        total = t->RecordCount();
    } else {
        // One person: the shared cursors are ordered by name, so the code is located, not ranged.
        total = t->Locate(clave, Variant(codigo), 0) ? 1 : 0;
    }
    TField* campoClave = t->FieldByName(clave);
    TVigilancia vigilancia{t, Dat->TSistem};
    for (int i = 1; i <= total && !t->Eof(); ++i) {
        const int persona = campoClave->AsInteger();
        Estado->SetPosition(i * 100 / total);
        Label1->SetCaption(texto.arg(persona, 5));
        Application->ProcessMessages();
        try {
            t->Edit();
            for (const TCuenta& c : cuentas) {
                QRecuentos->Close();
                QRecuentos->SQL()->Clear();
                for (const QString& linea : c.SQL) QRecuentos->SQL()->Add(linea);
                QRecuentos->ParamByName(parametro)->SetAsInteger(persona);
                QRecuentos->Open();
                t->FieldByName(c.Campo)->SetAsInteger(QRecuentos->FieldByName(QStringLiteral("Numero"))->AsInteger());
            }
            t->Post();
        } catch (...) {
            // This person stays as it was (its message, if any, has been shown); the others go on,
            // unless no one can be written: then the recount ends here, told once.
            if (t->State() == dsEdit || t->State() == dsInsert) t->Cancel();
            if (vigilancia.SinBase) Abort();
            try {
                throw;
            } catch (const std::exception& e) {
                if (FalloDeLaBase(e)) throw;
            } catch (...) {
            }
        }
        if (codigo != -1) break;
        t->Next();
    }
    QRecuentos->Close();
    if (marca && t->BookmarkValid(marca)) t->GotoBookmark(marca);
}

std::vector<TFRec::TCuenta> TFRec::PorSituacion(const QString& primera, const QStringList& condicion,
                                                const QString& sufijo, const QString& despues) {
    static const char* const campos[] = {"EXPABIERTOS", "EXPPENDIENTES", "EXPCERRADOS"};
    std::vector<TCuenta> r;
    for (int n = 1; n <= 3; ++n) {
        QStringList sql;
        // The first count of the case-file passes names its column "Numero", the others "NUMERO".
        sql << (primera.isEmpty() ? (n == 1 ? QStringLiteral("SELECT COUNT (B.ANO) AS Numero FROM EXPED B")
                                            : QStringLiteral("SELECT COUNT(B.ANO) AS NUMERO FROM EXPED B"))
                                  : primera);
        QStringList resto = condicion;
        resto.last() += QString::number(n) + sufijo;
        sql << resto;
        if (!despues.isEmpty()) sql << despues;
        r.push_back({QString::fromLatin1(campos[n - 1]), sql});
    }
    return r;
}

void TFRec::RecuentaAboCli(int codigo) {
    std::vector<TCuenta> cuentas;
    static const char* const jurisdicciones[][2] = {
        {"EXPCIVIL", "CIVIL"}, {"EXPPENAL", "PENAL"}, {"EXPLABORAL", "LABORAL"}, {"EXPADM", "ADMINISTRATIVO"}};
    for (const auto& j : jurisdicciones) {
        const bool primera = QLatin1String(j[0]) == QLatin1String("EXPCIVIL");
        cuentas.push_back({QString::fromLatin1(j[0]),
                           {primera ? QStringLiteral("SELECT COUNT (B.ANO) AS Numero FROM EXPED B")
                                    : QStringLiteral("SELECT COUNT(B.ANO) AS NUMERO FROM EXPED B"),
                            QStringLiteral(" WHERE B.AboCli = :AboCliEN AND B.JURISDICCION = '%1' ")
                                .arg(QString::fromLatin1(j[1]))}});
    }
    Pasada(Dat->TAboCli, QStringLiteral("ABOCLI"), QStringLiteral("[Recontando Abogados Clientes : %1]"),
           QStringLiteral("AboCliEN"), cuentas, codigo);
}

void TFRec::RecuentaAbogados(int codigo) {
    Pasada(TAbogados, QStringLiteral("ABOGADO"), QStringLiteral("[Recontando Abogados Contrarios : %1]"),
           QStringLiteral("AboConEN"),
           PorSituacion(QString(), {QStringLiteral(" WHERE B.AboCon = :AboConEN AND B.SITUACION = ")}, QString(), QString()),
           codigo);
}

void TFRec::RecuentaProcuradores(int codigo) {
    Pasada(TProcu, QStringLiteral("PROCU"), QStringLiteral("[Recontando Procuradores : %1]"),
           QStringLiteral("ProcuradorEN"),
           PorSituacion(QString(),
                        {QStringLiteral(" WHERE (B.PROCLI = :ProcuradorEN OR B.PROCON = :ProcuradorEN) "),
                         QStringLiteral("        AND B.SITUACION = ")},
                        QString(), QString()),
           codigo);
}

void TFRec::RecuentaPeritos(int codigo) {
    Pasada(Dat->TPeritos, QStringLiteral("PERITO"), QStringLiteral("[Recontando Peritos : %1]"),
           QStringLiteral("PERITOEN"),
           PorSituacion(QString(), {QStringLiteral(" WHERE B.PERITO = :PERITOEN AND B.SITUACION = ")}, QString(), QString()),
           codigo);
}

void TFRec::RecuentaClientes(int codigo) {
    // Through the link rows, not the case file's main client.
    Pasada(Dat->TClientes, QStringLiteral("CLIENTE"), QStringLiteral("[Recontando Clientes : %1]"),
           QStringLiteral("CLIENTEEN"),
           PorSituacion(QStringLiteral("SELECT COUNT(B.ANO) AS Numero FROM EXPCLI B, EXPED C"),
                        {QStringLiteral(" WHERE B.CLIENTE = :CLIENTEEN AND C.SITUACION = ")},
                        QStringLiteral(" AND"),
                        QStringLiteral("       B.ANO = C.ANO AND B.NUMERO = C.NUMERO")),
           codigo);
}

void TFRec::RecuentaContrarios(int codigo) {
    Pasada(Dat->TContrarios, QStringLiteral("CONTRARIO"), QStringLiteral("[Recontando Contrarios : %1]"),
           QStringLiteral("CONTRARIOEN"),
           PorSituacion(QStringLiteral("SELECT COUNT(B.ANO) AS Numero FROM EXPCON B, EXPED C"),
                        {QStringLiteral(" WHERE B.CONTRARIO = :CONTRARIOEN AND C.SITUACION = ")},
                        QStringLiteral(" AND"),
                        QStringLiteral("       B.ANO = C.ANO AND B.NUMERO = C.NUMERO")),
           codigo);
}
