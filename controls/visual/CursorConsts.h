#pragma once
// The program's two custom screen cursors: the hand and the drag cursor. Their pictures are
// resources of the program ("ZB_HANDCUR", "ZB_DRAGCUR"), drawn here and registered at start-up.
#include "platform/forms/Controls.h"

#include <QByteArray>
#include <QImage>

constexpr TCursor crHand = 14000;
constexpr TCursor crDragHand = 14001;

// Loads both cursor resources into the screen's cursor table (14000 and 14001). Safe to call
// again; the controls that use the cursors call it before their first use.
void CursorsInit();

namespace controls::visual {
// A monochrome cursor file (.cur) from rows of text: 'X' black, 'o' white, anything else
// transparent; at most 32 x 32.
QByteArray MakeMonoCursor(const char* const* rows, int rowCount, int hotX, int hotY);
// The first image of a monochrome cursor file as ARGB and its hot spot; a null image when the
// data is not such a file.
QImage DecodeMonoCursor(const QByteArray& data, int* hotX = nullptr, int* hotY = nullptr);
}  // namespace controls::visual
