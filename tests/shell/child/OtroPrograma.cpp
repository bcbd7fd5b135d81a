// Another program on the data folder of the tests that run several at once.
//   anota <carpeta> <tipo>: opens the data as the program does, posts an agenda type, prints
//                           every type it sees (one a line) and closes the data.
//   cierre <fichero>:       tries the write lock that a program closing the data takes before it
//                           folds and removes the journal; prints "LIBRE" or "OCUPADO".
#include "comun/UData.h"

#include <QString>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

int Anota(const char* carpeta, const char* tipo) {
    CarpetaDatos = QString::fromLocal8Bit(carpeta);
    Dat = new TDat(nullptr);
    TTable* t = Dat->TTipoAgenda;
    t->Append();
    t->FieldByName(QStringLiteral("TIPO"))->SetAsString(QString::fromLocal8Bit(tipo));
    t->Post();
    t->Refresh();
    for (t->First(); !t->Eof(); t->Next()) std::printf("%s\n", t->FieldByName(QStringLiteral("TIPO"))->AsString().toUtf8().constData());
    delete Dat;
    Dat = nullptr;
    return 0;
}

int Cierre(const char* fichero) {
    const int fd = ::open(fichero, O_RDWR | O_CLOEXEC);
    if (fd < 0) return 2;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0x40000002;  // the readers' range, which every open program holds
    fl.l_len = 510;
    const bool libre = ::fcntl(fd, F_SETLK, &fl) == 0;
    std::printf("%s\n", libre ? "LIBRE" : "OCUPADO");
    ::close(fd);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "anota") == 0) return Anota(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "cierre") == 0) return Cierre(argv[2]);
    return 2;
}
