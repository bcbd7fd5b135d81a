// A change the engine has committed is reported saved even when reading it back fails (a server
// restarting, a link cut between the commit and the refresh): told it failed, the user would make
// it twice.
#include "DatFixture.h"

#include "platform/db/Driver.h"

#include <libpq-fe.h>

using namespace shelltest;

namespace {
QString S(const char* s) { return QString::fromUtf8(s); }

int Rows(const QString& folder, const QString& sql) {
    auto conn = platform::db::OpenData(folder);
    auto st = conn->Prepare(sql);
    return st->Step() ? st->Column(0).toInt() : -1;
}

// Every re-read of `ds` fails while armed, as a read on a connection the server dropped fails.
class TRelecturaRota {
public:
    explicit TRelecturaRota(TDataSet* ds) {
        FFuente.SetDataSet(ds);
        FFuente.OnDataChange = TDataChangeEvent([this](TObject*, TField*) {
            if (Armada && FFuente.DataSet()->State() == dsBrowse) {
                ++Fallos;
                platform::db::EngineError(platform::db::ecServerLost, S("Se ha perdido la conexión con el servidor de datos."));
            }
        });
    }
    ~TRelecturaRota() { FFuente.SetDataSet(nullptr); }
    bool Armada = false;
    int Fallos = 0;

private:
    TDataSource FFuente{nullptr};
};

// Arms `rota` only for the after-post step of `ds`, once the row is written.
void RompeTrasGuardar(TDataSet* ds, TRelecturaRota& rota) {
    const TDataSetNotifyEvent original = ds->AfterPost;
    ds->AfterPost = TDataSetNotifyEvent([original, &rota](TDataSet* d) {
        rota.Armada = true;
        try {
            original(d);
        } catch (...) {
            rota.Armada = false;
            throw;
        }
        rota.Armada = false;
    });
}
}  // namespace

TEST_F(DatTest, AnEditCommittedIsReportedSavedWhenItsRereadFails) {
    AddCase(S("2026"), S("00001-A"));
    TRelecturaRota rota(Dat->TExped);
    RompeTrasGuardar(Dat->TExped, rota);
    Dat->TExped->Edit();
    Dat->TExped->FieldByName(S("ASUNTO"))->SetAsString(S("Reclamación"));
    EXPECT_NO_THROW(Dat->TExped->Post());
    EXPECT_GT(rota.Fallos, 0);
    EXPECT_EQ(Dat->TExped->State(), dsBrowse);
    EXPECT_FALSE(Dat->Db->InTransaction());
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(S("; ")).toStdString();
    EXPECT_EQ(Rows(dir.path(), S("SELECT COUNT(*) FROM exped WHERE asunto = 'Reclamación'")), 1);
    EXPECT_EQ(Rows(dir.path(), S("SELECT COUNT(*) FROM exped")), 1);
}

TEST_F(DatTest, ANumberedPostCommittedIsReportedSavedWhenTheRereadsFail) {
    TRelecturaRota clientes(Dat->TClientes), sistem(Dat->TSistem);
    RompeTrasGuardar(Dat->TClientes, clientes);
    // The counters' row is read back in the same step: it fails as well.
    RompeTrasGuardar(Dat->TClientes, sistem);
    int codigo = 0;
    EXPECT_NO_THROW(codigo = AddClient(S("Pérez")));
    EXPECT_GT(sistem.Fallos, 0);
    EXPECT_GT(clientes.Fallos, 0);
    EXPECT_EQ(codigo, 1);
    EXPECT_FALSE(Dat->Db->InTransaction());
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(S("; ")).toStdString();
    EXPECT_EQ(Rows(dir.path(), S("SELECT COUNT(*) FROM clientes WHERE apellidos = 'Pérez'")), 1);
    EXPECT_EQ(Rows(dir.path(), S("SELECT cliente FROM sistem")), 1);
    // The next post numbers on from the stored counter, once.
    EXPECT_EQ(AddClient(S("García")), 2);
    EXPECT_EQ(Rows(dir.path(), S("SELECT COUNT(*) FROM clientes")), 2);
}

// Inside a transaction the caller owns nothing is stored yet: the failure reaches the caller,
// which undoes the whole change.
TEST_F(DatTest, ARereadFailingInsideACallersTransactionUndoesTheChange) {
    AddCase(S("2026"), S("00001-A"));
    TRelecturaRota rota(Dat->TExped);
    RompeTrasGuardar(Dat->TExped, rota);
    EXPECT_THROW(Dat->EnTransaccion([&] {
        Dat->TExped->Edit();
        Dat->TExped->FieldByName(S("ASUNTO"))->SetAsString(S("Reclamación"));
        Dat->TExped->Post();
    }),
                 EDBEngineError);
    EXPECT_FALSE(Dat->Db->InTransaction());
    EXPECT_EQ(Rows(dir.path(), S("SELECT COUNT(*) FROM exped WHERE asunto = 'Reclamación'")), 0);
}

// On the server: the connection ends between the commit and the re-read (a restart, a cut link).
TEST_F(DatTest, AnEditCommittedBeforeTheServerDropsTheLinkIsReportedSaved) {
    if (platform::db::DataServer(dir.path()).isEmpty()) GTEST_SKIP() << "runs with the test server (label postgres)";
    AddCase(S("2026"), S("00001-A"));
    auto propia = Dat->Db->Connection()->Prepare(S("SELECT pg_backend_pid()"));
    ASSERT_TRUE(propia->Step());
    const int pid = propia->Column(0).toInt();
    propia.reset();
    const TDataSetNotifyEvent original = Dat->TExped->AfterPost;
    Dat->TExped->AfterPost = TDataSetNotifyEvent([&, original](TDataSet* d) {
        // From a connection of its own: the folder's connections in this process are the one ended.
        PGconn* admin = PQconnectdb(platform::db::DataServer(dir.path()).toUtf8().constData());
        PGresult* r = PQexec(admin, QByteArray("SELECT pg_terminate_backend(" + QByteArray::number(pid) + ", 5000)").constData());
        EXPECT_EQ(QByteArray(PQgetvalue(r, 0, 0)), QByteArray("t"));
        PQclear(r);
        PQfinish(admin);
        original(d);
    });
    Dat->TExped->Edit();
    Dat->TExped->FieldByName(S("ASUNTO"))->SetAsString(S("Reclamación"));
    EXPECT_NO_THROW(Dat->TExped->Post());
    EXPECT_EQ(Dat->TExped->State(), dsBrowse);
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(S("; ")).toStdString();
    EXPECT_EQ(Rows(dir.path(), S("SELECT COUNT(*) FROM exped WHERE asunto = 'Reclamación'")), 1);
    Dat->TExped->AfterPost = original;
}
