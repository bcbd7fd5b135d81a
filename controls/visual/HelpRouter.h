#pragma once
// Takes over the application's help requests and sends each to the HTML-help viewer (the help
// file with ".chm") or the classic one (".hlp"). One router at a time; destroying it gives the
// application back the help handler it had before.
#include "platform/classes/Component.h"
#include "platform/forms/Forms.h"

enum THelpType { htAuto, htWinhelp, htHTMLhelp };
enum TShowType { stDefault, stMain, stPopup };

// Classic help commands beyond those of the forms layer.
constexpr quint16 HELP_CONTEXTPOPUP = 0x0008, HELP_SETPOPUP_POS = 0x000D;

class THTMLhelpRouter : public TComponent {
public:
    // Raises Exception "Multiple instances of THTMLhelpRouter are not allowed" when one exists.
    explicit THTMLhelpRouter(TComponent* owner);
    ~THTMLhelpRouter() override;

    THelpType HelpType() const { return FHelpType; }
    void SetHelpType(THelpType value);
    TShowType ShowType() const { return FShowType; }
    void SetShowType(TShowType value) { FShowType = value; }

    // The application's help event while the router lives.
    void HelpRoutine(quint16 command, qint64 data, bool& callHelp, bool& result);

    // The router that owns the application's help event, or none.
    static THTMLhelpRouter* Instance();

private:
    THelpType FHelpType = htAuto;
    TShowType FShowType = stDefault;
    THelpEvent FSavedHelp;
};

namespace controls::visual {
// Whether the HTML-help viewer could be loaded; asked of the help engine once per engine.
bool LoadHtmlHelp();
}  // namespace controls::visual
