// A second workstation: runs one command on a data folder and reports on stdout.
//   lock <folder> <ano> <numero>          edit the case file and keep it locked until stdin closes
//   set <folder> <ano> <numero> <importe> edit and post IMPORTE
//   add <folder> <ano> <numero>           insert a case file
//   posts <folder> <count>                insert many case files, one post each
#include "../Support.h"

#include <QCoreApplication>
#include <cstdio>
#include <iostream>
#include <string>

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
        return 1;
    } catch (Exception& e) {
        std::printf("EXC %s\n", e.what());
        return 1;
    }
    return 2;
}
