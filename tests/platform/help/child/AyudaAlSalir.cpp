// A program that shows its help and ends as the program does: the application object goes first,
// at the end of main, and what static objects hold goes after it.
#include "platform/help/HelpEngine.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    {
        QApplication app(argc, argv);
        if (!platform::help::HelpEngine()->HtmlHelp(QStringLiteral("Zembra.chm"), platform::help::HH_DISPLAY_TOC, 0))
            return 2;
        app.processEvents();
    }
    return 0;
}
