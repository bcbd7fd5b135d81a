#pragma once
// The help viewers the program's help requests end in. The program ships its own help: short
// HTML pages grouped in sets named after the help file ("Zembra.hlp" and "Zembra.chm" both name
// the set "zembra"), each with a map from context numbers to pages, shown in one help window.
// The HTML-help and classic-help calls both reach it; tests install an engine of their own.
#include <QString>
#include <QtGlobal>
#include <map>
#include <memory>

class QTextBrowser;

namespace platform::help {

// Commands of the HTML-help call.
inline constexpr int HH_DISPLAY_TOC = 0x0001;
inline constexpr int HH_DISPLAY_INDEX = 0x0002;
inline constexpr int HH_HELP_CONTEXT = 0x000F;
inline constexpr int HH_CLOSE_ALL = 0x0012;

class THelpEngine {
public:
    virtual ~THelpEngine() = default;
    // Whether the HTML-help viewer can be used.
    virtual bool HtmlHelpAvailable() = 0;
    // An HTML-help request on `file` (empty for HH_CLOSE_ALL); true when a help window shows.
    virtual bool HtmlHelp(const QString& file, int command, qint64 data) = 0;
    // A classic help request (HELP_CONTEXT, HELP_QUIT, HELP_CONTENTS...); true on success.
    virtual bool WinHelp(const QString& file, int command, qint64 data) = 0;
};

// The engine in force: the one installed, else the program's own help window.
THelpEngine* HelpEngine();
// Installs an engine (not owned); null goes back to the program's own help.
void SetHelpEngine(THelpEngine* engine);
// Changes with every SetHelpEngine: what was found out about the previous engine is stale.
quint64 HelpEngineSerial();

// The program's own help: the pages of a set in one help window.
class TProgramHelp : public THelpEngine {
public:
    TProgramHelp();
    ~TProgramHelp() override;

    bool HtmlHelpAvailable() override { return true; }
    bool HtmlHelp(const QString& file, int command, qint64 data) override;
    bool WinHelp(const QString& file, int command, qint64 data) override;

    // The set a help file names: its base name in lower case ("C:/x/Zembra.chm" gives "zembra").
    static QString SetName(const QString& file);
    // The page of a context number in a set; the contents page for a number the set does not
    // map; empty when there is no such set.
    static QString PageOfContext(const QString& set, qint64 context);
    // Resource path of a page ("index.html") of a set.
    static QString PagePath(const QString& set, const QString& page);

    // What the help window shows now ("" when closed or never opened).
    QString CurrentPage() const;
    bool WindowVisible() const;

private:
    bool ShowPage(const QString& set, const QString& page);
    void CloseAll();
    std::unique_ptr<QTextBrowser> FWindow;
    QString FCurrent;
};

}  // namespace platform::help
