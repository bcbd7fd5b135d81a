#pragma once
// Points, sizes and rectangles in the class library's form. A rectangle holds its
// right and bottom edges, which are outside it: Rect(0, 0, 10, 10) is 10 x 10 pixels.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <algorithm>

struct TPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    bool operator==(const TSize&) const = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    TPoint TopLeft() const { return {Left, Top}; }
    TPoint BottomRight() const { return {Right, Bottom}; }
    bool operator==(const TRect&) const = default;
};

inline TPoint Point(int x, int y) { return {x, y}; }
inline TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
inline TRect Bounds(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

// Empty when it holds no pixel (right <= left or bottom <= top).
inline bool IsRectEmpty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }
inline bool EqualRect(const TRect& a, const TRect& b) { return a == b; }
inline void SetRect(TRect& r, int left, int top, int right, int bottom) { r = {left, top, right, bottom}; }
inline void SetRectEmpty(TRect& r) { r = {}; }

inline bool InflateRect(TRect& r, int dx, int dy) {
    r.Left -= dx;
    r.Top -= dy;
    r.Right += dx;
    r.Bottom += dy;
    return true;
}

inline bool OffsetRect(TRect& r, int dx, int dy) {
    r.Left += dx;
    r.Top += dy;
    r.Right += dx;
    r.Bottom += dy;
    return true;
}

// Right and bottom edges are outside the rectangle.
inline bool PtInRect(const TRect& r, const TPoint& p) {
    return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}

// The common part of a and b; an empty result is set to (0, 0, 0, 0) and gives false.
inline bool IntersectRect(TRect& dest, const TRect& a, const TRect& b) {
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
    if (IsRectEmpty(r)) {
        dest = {};
        return false;
    }
    dest = r;
    return true;
}

// The smallest rectangle holding both; empty rectangles are left out.
inline bool UnionRect(TRect& dest, const TRect& a, const TRect& b) {
    if (IsRectEmpty(a)) {
        dest = IsRectEmpty(b) ? TRect{} : b;
    } else if (IsRectEmpty(b)) {
        dest = a;
    } else {
        dest = {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                std::max(a.Bottom, b.Bottom)};
    }
    return !IsRectEmpty(dest);
}

namespace platform::graphics {
inline QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top); }
inline TRect FromQRect(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }
inline QPoint ToQPoint(const TPoint& p) { return QPoint(p.X, p.Y); }
inline TPoint FromQPoint(const QPoint& p) { return {p.x(), p.y()}; }
}  // namespace platform::graphics
