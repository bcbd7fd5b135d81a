#pragma once
// The clipboard with numbered formats: the system's standard ones and formats registered
// by name (as the GIF and icon classes register theirs). Data travels as bytes; a bitmap
// format carries a BMP file image, and its palette rides along.
#include "platform/graphics/Graphics.h"

#include <QByteArray>
#include <QString>

enum : unsigned { CF_TEXT = 1, CF_BITMAP = 2, CF_DIB = 8, CF_PALETTE = 9, CF_UNICODETEXT = 13 };

// Number of a named format, the same for the same name (0xC000 and up).
unsigned RegisterClipboardFormat(const QString& name);

class TClipboard : public TPersistent {
public:
    // Open/Close bracket several Set calls so that they stay together (Clear at the first).
    void Open();
    void Close();
    // Inside an Open/Close bracket (Assign opens one while a graphic saves itself).
    bool Opened() const { return FOpenCount > 0; }
    void Clear();
    bool HasFormat(unsigned format) const;
    QString AsText() const;
    void SetAsText(const QString& text);
    // Raw bytes of a format; empty when absent.
    QByteArray GetAsHandle(unsigned format) const;
    void SetAsHandle(unsigned format, const QByteArray& data);
    // Puts a graphic or picture on the clipboard in its own format(s).
    void Assign(TPersistent* source) override;

protected:
    // Gives a picture or graphic the clipboard's image (its bitmap format or a registered one).
    void AssignTo(TPersistent* dest) override;

private:
    int FOpenCount = 0;
    bool FEmptied = false;
};

TClipboard* Clipboard();
