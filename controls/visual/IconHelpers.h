#pragma once
// Icons at their stored size. An icon file may hold several images; CreateRealSizeIcon picks the
// one that suits the display's colour depth and gives an icon of that image alone, at its own
// size, where the class library would stretch it to the system icon size. The single-image TIcon
// it returns stands for the system's icon handle.
#include "platform/classes/Streams.h"
#include "platform/graphics/Graphics.h"

#include <memory>
#include <vector>

// A one-image icon of the icon's image that suits the screen. An empty icon gives the system
// application icon; a cursor file gives a copy. EOutOfResources "Out of system resources" when the
// chosen image cannot be made into an icon; EReadError "Stream read error" for a damaged directory.
std::unique_ptr<TIcon> CreateRealSizeIcon(TIcon* icon);
// Width and height of the icon's image; the system icon size (32 x 32) for none or an empty one.
void GetIconSize(const TIcon* icon, int& width, int& height);
// The icon reading routine: the stream stands after the 6-byte header of an icon file that starts
// at startOffset; count is the header's image count.
std::unique_ptr<TIcon> ReadIcon(TStream* stream, int count, qint64 startOffset);
// Registers the icon clipboard format (once) and gives it to the picture class for icons.
void IconHelpersInit();
// The registered clipboard format for icons; registers it on first use.
quint16 IconClipboardFormat();

namespace controls::visual {
// Colour count of a display of that many bits per pixel, as an icon directory stores it (256 and
// more colours as 0).
quint16 DisplayColorCount(int bitsPerPixel);
// The screen's bits per pixel; 32 without a screen.
int ScreenColorBits();
// The directory entry chosen among the entries' stored colour counts for a display of that count.
int ChooseIconEntry(const std::vector<quint16>& colorCounts, quint16 displayColors);
// ReadIcon for a display of the given bits per pixel.
std::unique_ptr<TIcon> ReadIcon(TStream* stream, int count, qint64 startOffset, int displayBits);
// Checks an icon file before it is decoded: a sane directory whose images lie inside the data and
// whose pixels, all images together, stay within a fixed budget. A hostile file can make every
// directory entry point at the same large image; decoding it would take memory without bound.
// EReadError "Stream read error" when the data fails the check.
void CheckIconData(const QByteArray& data);
// The icon the system shows for a program without one (32 x 32).
std::unique_ptr<TIcon> ApplicationIcon();
}  // namespace controls::visual
