#include "platform/help/HelpEngine.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QWindow>

static void InitHelpPages() { Q_INIT_RESOURCE(help_pages); }

namespace platform::help {

namespace {
constexpr int kHelpContext = 0x0001, kHelpQuit = 0x0002, kHelpContents = 0x0003, kHelpFinder = 0x000B,
              kHelpKey = 0x0101, kHelpContextPopup = 0x0008;

THelpEngine*& InstalledEngine() {
    static THelpEngine* engine = nullptr;
    return engine;
}

TProgramHelp& ProgramHelp() {
    static TProgramHelp help;
    return help;
}

// "3=observaciones.html" lines; ";" starts a comment.
std::map<qint64, QString> ReadMap(const QString& set) {
    std::map<qint64, QString> map;
    QFile file(TProgramHelp::PagePath(set, QStringLiteral("map.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return map;
    const QString text = QString::fromUtf8(file.readAll());
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        bool ok = false;
        const qint64 id = line.left(eq).trimmed().toLongLong(&ok);
        if (eq > 0 && ok)
            map[id] = line.mid(eq + 1).trimmed();
    }
    return map;
}
}  // namespace

THelpEngine* HelpEngine() {
    if (THelpEngine* engine = InstalledEngine())
        return engine;
    return &ProgramHelp();
}

namespace {
quint64 gEngineSerial = 0;
}

void SetHelpEngine(THelpEngine* engine) {
    InstalledEngine() = engine;
    ++gEngineSerial;
}

quint64 HelpEngineSerial() { return gEngineSerial; }

TProgramHelp::TProgramHelp() { InitHelpPages(); }

TProgramHelp::~TProgramHelp() {
    // The program's own help lives until the process ends, after the application object: a
    // window can no longer be destroyed then, and the process is ending anyway.
    if (!QCoreApplication::instance()) (void)FWindow.release();
}

QString TProgramHelp::SetName(const QString& file) {
    return QFileInfo(QString(file).replace(QLatin1Char('\\'), QLatin1Char('/'))).completeBaseName().toLower();
}

QString TProgramHelp::PagePath(const QString& set, const QString& page) {
    return QStringLiteral(":/help/%1/%2").arg(set, page);
}

QString TProgramHelp::PageOfContext(const QString& set, qint64 context) {
    if (set.isEmpty() || !QFile::exists(PagePath(set, QStringLiteral("index.html"))))
        return QString();
    const auto map = ReadMap(set);
    const auto it = map.find(context);
    return it != map.end() ? it->second : QStringLiteral("index.html");
}

bool TProgramHelp::ShowPage(const QString& set, const QString& page) {
    if (page.isEmpty() || !QFile::exists(PagePath(set, page)))
        return false;
    if (!FWindow) {
        FWindow = std::make_unique<QTextBrowser>();
        FWindow->setWindowTitle(QStringLiteral("Ayuda"));
        FWindow->resize(560, 480);
        FWindow->setOpenLinks(true);
    }
    FWindow->setSearchPaths({PagePath(set, QString())});
    FWindow->setSource(QUrl(QStringLiteral("qrc") + PagePath(set, page)));
    // Asked from a modal form, the help window belongs to it: the form's modality would otherwise
    // leave the page to be read but neither scrolled, followed nor closed.
    QWidget* modal = QApplication::activeModalWidget();
    QWindow* dueno = modal && modal != FWindow.get() ? modal->window()->windowHandle() : nullptr;
    FWindow->winId();
    if (QWindow* propia = FWindow->windowHandle(); propia && propia->transientParent() != dueno) {
        if (FWindow->isVisible()) FWindow->hide();
        propia->setTransientParent(dueno);
    }
    FWindow->show();
    FWindow->raise();
    FCurrent = page;
    return true;
}

void TProgramHelp::CloseAll() {
    if (FWindow)
        FWindow->hide();
    FCurrent.clear();
}

QString TProgramHelp::CurrentPage() const {
    if (!FWindow || !FWindow->isVisible())
        return QString();
    return QFileInfo(FWindow->source().path()).fileName();
}

bool TProgramHelp::WindowVisible() const { return FWindow && FWindow->isVisible(); }

bool TProgramHelp::HtmlHelp(const QString& file, int command, qint64 data) {
    const QString set = SetName(file);
    switch (command) {
    case HH_HELP_CONTEXT: return ShowPage(set, PageOfContext(set, data));
    case HH_DISPLAY_TOC: return ShowPage(set, QStringLiteral("index.html"));
    case HH_DISPLAY_INDEX: return ShowPage(set, QStringLiteral("indice.html"));
    case HH_CLOSE_ALL: CloseAll(); return false;
    default: return false;
    }
}

bool TProgramHelp::WinHelp(const QString& file, int command, qint64 data) {
    const QString set = SetName(file);
    switch (command) {
    case kHelpContext:
    case kHelpContextPopup: return ShowPage(set, PageOfContext(set, data));
    case kHelpContents:
    case kHelpFinder: return ShowPage(set, QStringLiteral("index.html"));
    case kHelpKey: return ShowPage(set, QStringLiteral("indice.html"));
    case kHelpQuit: CloseAll(); return true;
    default: return false;
    }
}

}  // namespace platform::help
