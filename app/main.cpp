// Zembra: splash while the office's data opens, login when the office has more than one user,
// then the program's window until the exit dialog says OK.
#include "comun/UComunes.h"
#include "controls/visual/CursorConsts.h"
#include "controls/visual/DateHelpers.h"
#include "controls/visual/IconHelpers.h"
#include "documents/MapiLoader.h"
#include "platform/forms/Forms.h"
#include "shell/Acceso.h"
#include "shell/UPrincipal.h"
#include "shell/UPrograma.h"

#include <QApplication>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>

namespace {
// With ZEMBRA_EXIT_AT_FIRST_WINDOW set the program ends as soon as its main window has been
// drawn once: its start-up is timed from outside, a fresh process each time. Set to "marca" it
// only writes a line when that happens and goes on, so its memory can be read from outside.
class TSalidaAlDibujar : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Paint || FDibujada) return false;
        if (qgetenv("ZEMBRA_EXIT_AT_FIRST_WINDOW") == "marca") {
            FDibujada = true;
            std::fputs("Ventana dibujada\n", stdout);
            std::fflush(stdout);
            return false;
        }
        QMetaObject::invokeMethod(
            qApp,
            [] {
                std::fflush(nullptr);
                std::_Exit(0);
            },
            Qt::QueuedConnection);
        return false;
    }

private:
    bool FDibujada = false;
};
}  // namespace

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    // Asking the desktop for the word processor takes a while: the question goes out now and
    // its answer is waited for when the main window checks it, once the data are open.
    auto editor = std::make_shared<std::future<QString>>(std::async(std::launch::async, &comun::EditorDeXdg));
    comun::EditorRegistrado = [editor] { return editor->valid() ? editor->get() : comun::EditorDeXdg(); };
    controls::visual::InitDateHelpers();
    IconHelpersInit();
    CursorsInit();
    InitializeMapi();
    shell::InstalaGanchos();

    const bool sigue = shell::Arranca();
    // Later checks ask the desktop again; an answer nobody asked for is awaited here.
    comun::EditorRegistrado = &comun::EditorDeXdg;
    editor.reset();
    QTextStream out(stdout);
    out << "Zembra 4.0\n" << "Carpeta de datos: " << CarpetaDatos << "\n";
    if (!sigue) {
        out << "Fin sin sesión\n";
        out.flush();
        Application->Terminate();
        shell::FinPrograma();
        return 1;
    }
    out << "Usuario: " << shell::UsuarioSesion() << "\n";
    out.flush();
    TSalidaAlDibujar salida;
    if (qEnvironmentVariableIsSet("ZEMBRA_EXIT_AT_FIRST_WINDOW") && Principio) Principio->Widget()->installEventFilter(&salida);
    Application->Run();
    shell::FinPrograma();
    return 0;
}
