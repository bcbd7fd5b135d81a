#pragma once
// The routines through which saved layouts reach their store, an ini file (TIniFile) or a
// registry branch (TRegIniFile): every routine takes the store object and works out which it is.
// Also the window-placement keys a form's position and state are saved under.
#include <QList>
#include <QRect>
#include <QString>

class TObject;
class TComponent;
class TCustomForm;

// The executable's file name with the extension ".INI", without folder.
QString GetDefaultIniName();
// "Software\" followed by the executable's name without folder and extension.
QString GetDefaultIniRegKey();

// Another class of object reads the default and writes nothing.
QString IniReadString(TObject* iniObject, const QString& section, const QString& ident, const QString& defaultValue);
// In an ini file a value enclosed in double or single quotes gets one more pair of double quotes,
// since the reader strips one pair: it reads back as written.
void IniWriteString(TObject* iniObject, const QString& section, const QString& ident, const QString& value);
int IniReadInteger(TObject* iniObject, const QString& section, const QString& ident, int defaultValue);
void IniWriteInteger(TObject* iniObject, const QString& section, const QString& ident, int value);
void IniEraseSection(TObject* iniObject, const QString& section);

// A form: its class name. A control: its form's class name (else its parent's name) followed by
// its own name. Another component owned by a form: "FormClass.Name". Else the component's name.
QString GetDefaultSection(TComponent* component);

// The value under key + the current screen's "(WxH)" suffix, else under the plain key.
QString ReadPosStr(TObject* iniObject, const QString& section, const QString& ident);
// Under key + the current screen's suffix, then under the plain key.
void WritePosStr(TObject* iniObject, const QString& section, const QString& ident, const QString& value);

// The form's placement keys (see controls::visual::WritePlacement) for the current screen.
void WriteFormPlacement(TCustomForm* form, TObject* iniObject, const QString& section);
// Restores position and size (ignored when saved at another pixel density; a form that is not
// sizeable keeps its designed size) and the window state (a minimised main form minimises the
// application).
void ReadFormPlacement(TCustomForm* form, TObject* iniObject, const QString& section, bool restoreState,
                       bool restorePosition);

namespace controls::visual {

// The screen a placement is saved for.
struct TScreenInfo {
    int Width = 0;
    int Height = 0;
    int PixelsPerInch = 96;
};

// "(1024x768)"
QString ScreenSuffix(const TScreenInfo& screen);

// The operating system's window placement record.
struct TWindowPlacement {
    int Length = 44;
    int Flags = 0;
    int ShowCmd = 0;
    int MinX = 0, MinY = 0;  // minimised position
    int MaxX = 0, MaxY = 0;  // maximised position
    int NormLeft = 0, NormTop = 0, NormRight = 0, NormBottom = 0;  // normal rectangle
};

inline constexpr int WPF_SETMINPOSITION = 1;
inline constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3;

enum class TPlacementState { Normal, Minimized, Maximized };

// The value under key + screen suffix, else under the plain key.
QString ReadPosStr(TObject* iniObject, const QString& section, const QString& ident, const TScreenInfo& screen);
// Under key + screen suffix, then under the plain key.
void WritePosStr(TObject* iniObject, const QString& section, const QString& ident, const QString& value,
                 const TScreenInfo& screen);

// "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos" and "NormPos" (the last two twice).
void WritePlacement(TObject* iniObject, const QString& section, const TWindowPlacement& placement,
                    const TScreenInfo& screen);
// Fills the flags and positions from the store. Missing or malformed numbers keep what the
// record holds (0 for the minimised and maximised positions). False when no position was stored
// or it was saved at another pixel density; the flags are read either way.
bool ReadPlacementPosition(TObject* iniObject, const QString& section, TWindowPlacement& placement,
                           const TScreenInfo& screen);
// "ShowCmd" as a window state: 1, 5, 9 normal; 2, 6, 7 minimised; 3 maximised; others the default.
TPlacementState ReadPlacementState(TObject* iniObject, const QString& section, TPlacementState defaultState);

// Of the screens' areas (the main screen's first), the one that holds the middle of the normal
// rectangle: a window left on a second monitor goes back there while it is plugged in. The first
// when none does.
QRect AreaForPlacement(const TWindowPlacement& placement, const QList<QRect>& areas);
// Moves the normal rectangle into the area (left, top, width, height), shrinking it to the area
// first when the window can be sized: a window saved on a larger screen, or beyond an edge of
// this one, comes back where the user can reach it. The minimum size is the least the window
// takes whatever it is given.
void FitPlacement(TWindowPlacement& placement, int left, int top, int width, int height, bool sizeable,
                  int minWidth = 0, int minHeight = 0);
// The primary screen as the forms layer sees it.
TScreenInfo CurrentScreen();
// The form's placement: its bounds as the normal rectangle, its window state as the show command.
TWindowPlacement GetFormPlacement(TCustomForm* form);

}  // namespace controls::visual
