#include "controls/visual/HelpRouter.h"

#include "platform/help/HelpEngine.h"

#include <algorithm>

using namespace platform::help;

namespace {
THTMLhelpRouter* gRouter = nullptr;

// The viewer is loaded once per run; a test that installs another engine loads that one.
struct THtmlHelpLibrary {
    bool Loaded = false;
    quint64 Serial = 0;
    bool Available = false;
};
THtmlHelpLibrary gLibrary;

QString ChangeFileExt(const QString& file, const QString& ext) {
    const qsizetype slash = std::max(file.lastIndexOf(QLatin1Char('/')), file.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    return (dot > slash ? file.left(dot) : file) + ext;
}
}  // namespace

namespace controls::visual {
bool LoadHtmlHelp() {
    if (!gLibrary.Loaded || gLibrary.Serial != HelpEngineSerial()) {
        gLibrary.Loaded = true;
        gLibrary.Serial = HelpEngineSerial();
        gLibrary.Available = HelpEngine()->HtmlHelpAvailable();
    }
    return gLibrary.Available;
}
}  // namespace controls::visual

THTMLhelpRouter::THTMLhelpRouter(TComponent* owner) : TComponent(owner) {
    if (gRouter)
        throw Exception(QStringLiteral("Multiple instances of THTMLhelpRouter are not allowed"));
    FSavedHelp = Application->OnHelp;
    Application->OnHelp = THelpEvent(this, &THTMLhelpRouter::HelpRoutine);
    gRouter = this;
    FShowType = stDefault;
}

THTMLhelpRouter::~THTMLhelpRouter() {
    // No help request may reach a freed router: the application gets its old handler back.
    if (gRouter == this) {
        if (Application->OnHelp == THelpEvent(this, &THTMLhelpRouter::HelpRoutine))
            Application->OnHelp = FSavedHelp;
        gRouter = nullptr;
    }
}

THTMLhelpRouter* THTMLhelpRouter::Instance() { return gRouter; }

void THTMLhelpRouter::SetHelpType(THelpType value) {
    if (value == FHelpType)
        return;
    FHelpType = value;
    if (value == htAuto || value == htHTMLhelp)
        controls::visual::LoadHtmlHelp();
}

void THTMLhelpRouter::HelpRoutine(quint16 command, qint64 data, bool& callHelp, bool& result) {
    bool shown = false;
    if (FSavedHelp) {
        FSavedHelp(command, data, callHelp, result);
        shown = result;
    }
    if (callHelp) {
        THelpEngine* engine = HelpEngine();
        bool useHtml = false;
        switch (FHelpType) {
        case htAuto: useHtml = controls::visual::LoadHtmlHelp(); break;
        case htWinhelp: useHtml = false; break;
        case htHTMLhelp: useHtml = true; break;
        }
        const QString helpFile = Application->HelpFile();
        bool done = false;
        if (useHtml) {
            const QString chm = ChangeFileExt(helpFile, QStringLiteral(".chm"));
            switch (command) {
            case HELP_CONTEXT:
            case HELP_CONTEXTPOPUP:
                shown = engine->HtmlHelp(chm, HH_HELP_CONTEXT, data);
                done = true;
                break;
            case HELP_QUIT:
                shown = engine->HtmlHelp(QString(), HH_CLOSE_ALL, 0);
                done = true;
                break;
            case HELP_CONTENTS:
            case HELP_FINDER:
                shown = engine->HtmlHelp(chm, HH_DISPLAY_TOC, 0);
                done = true;
                break;
            case HELP_KEY:
                shown = engine->HtmlHelp(chm, HH_DISPLAY_INDEX, data);
                done = true;
                break;
            default: break;
            }
        }
        if ((!done || !shown) && FHelpType != htHTMLhelp) {
            quint16 cmd = command;
            bool nothingToDo = false;
            if (FShowType == stMain) {
                if (cmd == HELP_CONTEXTPOPUP)
                    cmd = HELP_CONTEXT;
                else if (cmd == HELP_SETPOPUP_POS)
                    nothingToDo = true;
            }
            shown = nothingToDo ? true : engine->WinHelp(ChangeFileExt(helpFile, QStringLiteral(".hlp")), cmd, data);
        }
        callHelp = false;
    }
    result = shown;
}
