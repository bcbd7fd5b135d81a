// A second workstation: runs one command on a data folder and reports on stdout.
//   lock <folder> <ano> <numero>          edit the case file and keep it locked until stdin closes
//   set <folder> <ano> <numero> <importe> edit and post IMPORTE
//   add <folder> <ano> <numero>           insert a case file
//   posts <folder> <count>                insert many case files, one post each
//   work <folder> <count>                 alternately add one to IMPORTE of case 2024/1 and append a
//                                         case 2040/<n> numbered from the IMPORTE of case 0000/0,
//                                         retrying what another workstation or a lost server refused;
//                                         prints "E" per edit, "N <n>" per append, "X" per lost server
//   mide <folder> <writer> <log>          until stdin closes, writes in turn: an edit of case
//                                         3000/<writer>, a case 3100/<unique>, and a numbered post
//                                         (the counter 0000/0, case 3200/<n>, a ledger row and a
//                                         client) in one transaction; logs each action to <log>
#include "../Support.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <cstdio>
#include <poll.h>
#include <unistd.h>
#include <iostream>
#include <string>

namespace {
int Work(TTable* t, const QString& folder, int count) {
    auto conn = Session->FolderConnection(folder);
    TComponent owner(nullptr);
    TTable* counter = dbtest::NewTable(&owner, folder, QStringLiteral("EXPED"));
    counter->Open();
    auto importe = [](TTable* x) { return x->FieldByName(QStringLiteral("IMPORTE")); };
    for (int i = 0; i < count; ++i) {
        for (int attempt = 0;; ++attempt) {
            try {
                for (TTable* x : {t, counter})
                    if (x->State() != dsBrowse) x->Cancel();  // left so by a failed attempt
                if (i % 2 == 0) {
                    if (!t->FindKey({Variant(QStringLiteral("2024")), Variant(QStringLiteral("1"))})) return 3;
                    t->Edit();
                    importe(t)->SetAsFloat(importe(t)->AsFloat() + 1);
                    t->Post();
                    std::printf("E\n");
                } else {
                    conn->StartTransaction();
                    if (!counter->FindKey({Variant(QStringLiteral("0000")), Variant(QStringLiteral("0"))})) return 3;
                    counter->Edit();
                    const int n = importe(counter)->AsInteger() + 1;
                    importe(counter)->SetAsFloat(n);
                    counter->Post();
                    t->Append();
                    t->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2040"));
                    t->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QString::number(n));
                    t->FieldByName(QStringLiteral("ASUNTO"))->SetAsString(QStringLiteral("Asunto número %1 con eñes").arg(n));
                    t->Post();
                    conn->Commit();
                    std::printf("N %d\n", n);
                }
                std::fflush(stdout);
                break;
            } catch (EDBEngineError& e) {
                const int code = e.Errors(0).ErrorCode;
                // Leaving the edit reads the record again: with the server still away that
                // fails too, and the next attempt takes it up.
                try {
                    for (TTable* x : {t, counter})
                        if (x->State() != dsBrowse) x->Cancel();
                } catch (EDBEngineError&) {
                }
                if (conn->InTransaction()) conn->Rollback();
                if (code == platform::db::ecServerLost) {
                    std::printf("X\n");
                    std::fflush(stdout);
                    QThread::msleep(200);
                } else if (code != platform::db::ecRecordLocked && code != platform::db::ecRecordChanged &&
                           code != platform::db::ecKeyViolation && code != platform::db::ecLockTimeout) {
                    std::printf("ERR %d %s\n", code, e.what());
                    return 1;
                }
                if (attempt > 20000) {
                    std::printf("ERR stuck\n");
                    return 1;
                }
            }
        }
    }
    std::printf("FIN\n");
    return 0;
}
int Mide(const QString& folder, int writer, const QString& logPath);
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) return 2;
    QString cmd = QString::fromLocal8Bit(argv[1]), folder = QString::fromLocal8Bit(argv[2]);
    auto arg = [&](int i) { return i < argc ? QString::fromLocal8Bit(argv[i]) : QString(); };
    TComponent owner(nullptr);
    TTable* t = dbtest::NewTable(&owner, folder, QStringLiteral("EXPED"));
    try {
        t->Open();
        if (cmd == QLatin1String("lock") || cmd == QLatin1String("set")) {
            if (!t->FindKey({Variant(arg(3)), Variant(arg(4))})) {
                std::printf("NOTFOUND\n");
                return 1;
            }
            t->Edit();
            if (cmd == QLatin1String("set")) {
                t->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(arg(5).toDouble());
                t->Post();
                std::printf("OK\n");
                return 0;
            }
            std::printf("LOCKED\n");
            std::fflush(stdout);
            std::string line;
            std::getline(std::cin, line);
            t->Cancel();
            return 0;
        }
        if (cmd == QLatin1String("add")) {
            dbtest::AddCase(t, arg(3), arg(4));
            std::printf("OK\n");
            return 0;
        }
        if (cmd == QLatin1String("work")) return Work(t, folder, arg(3).toInt());
        if (cmd == QLatin1String("mide")) return Mide(folder, arg(3).toInt(), arg(4));
        if (cmd == QLatin1String("posts")) {
            int n = arg(3).toInt();
            for (int i = 0; i < n; ++i) {
                t->Append();
                t->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2030"));
                t->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QString::number(i).rightJustified(7, QLatin1Char('0')));
                t->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(i);
                t->FieldByName(QStringLiteral("ASUNTO"))->SetAsString(QStringLiteral("Asunto número %1 con eñes").arg(i));
                t->Post();
                std::printf("%d\n", i + 1);
                std::fflush(stdout);
            }
            return 0;
        }
    } catch (EDBEngineError& e) {
        std::printf("ERR %d\n", e.Errors(0).ErrorCode);
        std::fprintf(stderr, "%s\n", e.Errors(0).Message.toLocal8Bit().constData());
        return 1;
    } catch (Exception& e) {
        std::printf("EXC %s\n", e.what());
        return 1;
    }
    return 2;
}

namespace {
// One line per action in the log:
//   A <kind> <tag> <told> <code> <start> <toldAt> <readyAt>
// kind E (edit), I (insert), P (numbered post); told S (saved), N (not saved), U (not known);
// code the engine's error (0 when saved); times in ms since the epoch: the start, when the
// writer was told, and when it was ready again (after leaving the edit and the transaction).
//   R <tag> S|N|?   the engine settled an action told U (? when it no longer knows it);
//   M <text>        what the engine told the person when it settled one at a later connection.
// A post refused because an earlier one is still unsettled ("no se vuelve a guardar") wrote
// nothing: told N.
int Mide(const QString& folder, int writer, const QString& logPath) {
    std::FILE* log = std::fopen(logPath.toLocal8Bit().constData(), "w");
    if (!log) return 2;
    auto conn = Session->FolderConnection(folder);
    TComponent owner(nullptr);
    auto open = [&](const char* name) {
        TTable* x = dbtest::NewTable(&owner, folder, QString::fromLatin1(name));
        x->Open();
        return x;
    };
    TTable *own = open("EXPED"), *cases = open("EXPED"), *counter = open("EXPED"), *ledger = open("CUENTAS"),
           *clients = open("CLIENTES");
    const std::vector<TTable*> tables{own, cases, counter, ledger, clients};
    auto field = [](TTable* x, const char* name) { return x->FieldByName(QString::fromLatin1(name)); };
    auto now = [] { return QDateTime::currentMSecsSinceEpoch(); };
    auto stdinClosed = [] {
        pollfd p{0, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0) return false;
        char c[64];
        return ::read(0, c, sizeof c) <= 0;
    };
    auto leave = [&] {
        try {
            for (TTable* x : tables)
                if (x->State() != dsBrowse) x->Cancel();
            if (conn->InTransaction()) conn->Rollback();
        } catch (Exception&) {
        }
    };
    platform::db::OnWriteSettled = [log](const QString& message) {
        std::fprintf(log, "M %s\n", qPrintable(QString(message).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    };
    std::vector<std::pair<QString, qint64>> pending;  // told U: tag and the engine's write
    auto settle = [&] {
        std::erase_if(pending, [&](const std::pair<QString, qint64>& p) {
            platform::db::TWriteOutcome o = platform::db::TWriteOutcome::Unknown;
            try {
                o = conn->WriteOutcome(p.second);
            } catch (Exception&) {
            }
            if (o == platform::db::TWriteOutcome::Unknown) return false;
            const char said = o == platform::db::TWriteOutcome::Saved ? 'S' : o == platform::db::TWriteOutcome::NotSaved ? 'N' : '?';
            std::fprintf(log, "R %s %c\n", qPrintable(p.first), said);
            std::fflush(log);
            return true;
        });
    };
    for (int seq = 1; seq < 1000000 && !stdinClosed(); ++seq) {
        settle();
        const char kind = "EIP"[seq % 3];
        const QString tag = QStringLiteral("%1-%2%3").arg(writer).arg(QLatin1Char(kind)).arg(seq, 6, 10, QLatin1Char('0'));
        const int unique = writer * 10000000 + seq;
        leave();
        const qint64 start = now();
        int code = 0;
        QString message;
        try {
            if (kind == 'E') {
                if (!own->FindKey({Variant(QStringLiteral("3000")), Variant(QString::number(writer))})) return 3;
                own->Edit();
                field(own, "IMPORTE")->SetAsFloat(field(own, "IMPORTE")->AsFloat() + 1);
                field(own, "ASUNTO")->SetAsString(tag);
                own->Post();
            } else if (kind == 'I') {
                cases->Append();
                field(cases, "ANO")->SetAsString(QStringLiteral("3100"));
                field(cases, "NUMERO")->SetAsString(QString::number(writer * 1000000 + seq));
                field(cases, "ASUNTO")->SetAsString(tag);
                cases->Post();
            } else {
                conn->StartTransaction();
                if (!counter->FindKey({Variant(QStringLiteral("0000")), Variant(QStringLiteral("0"))})) return 3;
                counter->Edit();
                const int n = field(counter, "IMPORTE")->AsInteger() + 1;
                field(counter, "IMPORTE")->SetAsFloat(n);
                counter->Post();
                cases->Append();
                field(cases, "ANO")->SetAsString(QStringLiteral("3200"));
                field(cases, "NUMERO")->SetAsString(QString::number(n));
                field(cases, "ASUNTO")->SetAsString(tag);
                cases->Post();
                ledger->Append();
                field(ledger, "ANO")->SetAsString(QStringLiteral("3200"));
                field(ledger, "NUMERO")->SetAsString(QString::number(n));
                field(ledger, "ORDEN")->SetAsInteger(unique);
                field(ledger, "CONCEPTO")->SetAsString(tag);
                ledger->Post();
                clients->Append();
                field(clients, "CLIENTE")->SetAsInteger(unique);
                field(clients, "NOMBRE")->SetAsString(tag);
                clients->Post();
                conn->Commit();
            }
        } catch (EDBEngineError& e) {
            code = e.Errors(0).ErrorCode;
            message = e.Message();
        } catch (Exception& e) {
            code = -1;
            std::fprintf(stderr, "%s\n", e.what());
        }
        const qint64 told = now();
        const bool unknown = code == platform::db::ecOutcomeUnknown && message.contains(QStringLiteral("No se sabe si se ha guardado"));
        if (unknown) pending.emplace_back(tag, conn->WriteTicket());
        leave();
        const char said = code == 0 ? 'S' : unknown ? 'U' : 'N';
        std::fprintf(log, "A %c %s %c %d %lld %lld %lld\n", kind, qPrintable(tag), said, code, start, told, now());
        std::fflush(log);
        if (code == platform::db::ecServerLost || code == platform::db::ecOutcomeUnknown) QThread::msleep(200);
    }
    // What is still unknown is settled once the server answers again.
    for (const qint64 until = now() + 60000; !pending.empty() && now() < until;) {
        settle();
        if (!pending.empty()) QThread::msleep(100);
    }
    platform::db::OnWriteSettled = nullptr;
    std::fclose(log);
    return 0;
}
}  // namespace
