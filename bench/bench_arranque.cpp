// Start-up over 100,000 case files: launching app/zembra until its main window has been drawn
// (with ZEMBRA_EXIT_AT_FIRST_WINDOW set the program ends right there), against launching a small
// program that opens the same file with the SQLite C API and reads every table's columns and
// indexes and its first rows. Both start as fresh processes every round, interleaved; "ratio" is
// the median program time over the median plain time.
#include "comun/Programa.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/classes/Registry.h"
#include "tests/support/GeneraDespacho.h"
#include "Proceso.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

using zbbench::Lanza;

struct Despacho {
    QTemporaryDir dir;
    Despacho() {
        qputenv("QT_QPA_PLATFORM", "offscreen");  // for this process and the programs it starts
        CarpetaDatos = dir.path();
        delete new TDat(nullptr);
        zbtest::TTamDespacho t;
        t.Expedientes = 100000;
        t.Consultas = 1000;
        t.Abogados = 10;
        t.Anos = 10;
        t.Clientes = 20000;
        zbtest::GeneraDespacho(dir.path(), t);
        // The program finds its data folder in its settings, kept apart from the user's own.
        const QString registro = dir.filePath(QStringLiteral("registry.ini"));
        qputenv("ZEMBRA_REGISTRY_FILE", registro.toLocal8Bit());
        TRegIniFile reg(comun::ClavePrograma(QStringLiteral("zembra")));
        reg.WriteString(QStringLiteral("Install"), QStringLiteral("Datos"), dir.path());
        // A word processor for the program to find at start, as on an office's desktop.
        QDir(dir.path()).mkpath(QStringLiteral("escritorio/applications"));
        Escribe(QStringLiteral("escritorio/mimeapps.list"),
                "[Default Applications]\n"
                "application/vnd.openxmlformats-officedocument.wordprocessingml.document=procesador.desktop\n");
        Escribe(QStringLiteral("escritorio/applications/procesador.desktop"),
                "[Desktop Entry]\nType=Application\nName=Procesador\nExec=true %f\n"
                "MimeType=application/vnd.openxmlformats-officedocument.wordprocessingml.document;\n");
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("escritorio")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("escritorio")).toLocal8Bit());
    }
    void Escribe(const QString& nombre, const char* texto) {
        QFile f(dir.filePath(nombre));
        if (f.open(QIODevice::WriteOnly)) f.write(texto);
    }
};

Despacho& D() {
    static Despacho d;
    return d;
}

double Mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void BM_ArranqueHastaLaVentana(benchmark::State& state) {
    const std::string carpeta = D().dir.path().toStdString();
    qputenv("ZEMBRA_EXIT_AT_FIRST_WINDOW", "1");
    const std::vector<std::string> programa{ZEMBRA_APP}, plano{ZEMBRA_PLAIN, carpeta};
    // A first start of each, unmeasured: the files are read once into memory.
    Lanza(programa);
    Lanza(plano);
    std::vector<double> nuestro, directo;
    int round = 0;
    for (auto _ : state) {
        if (round++ % 2 == 0) {
            nuestro.push_back(Lanza(programa));
            directo.push_back(Lanza(plano));
        } else {
            directo.push_back(Lanza(plano));
            nuestro.push_back(Lanza(programa));
        }
    }
    state.counters["program_ms"] = 1000 * Mediana(nuestro);
    state.counters["plain_ms"] = 1000 * Mediana(directo);
    state.counters["ratio"] = Mediana(directo) > 0 ? Mediana(nuestro) / Mediana(directo) : 0;
}
BENCHMARK(BM_ArranqueHastaLaVentana)->Unit(benchmark::kMillisecond)->Iterations(9);

}  // namespace

BENCHMARK_MAIN();
