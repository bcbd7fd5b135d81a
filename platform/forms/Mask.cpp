#include "platform/forms/Mask.h"

#include "platform/forms/Beep.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>

namespace platform::forms {

TEditMask::TEditMask(const QString& mask) {
    // Fields: the mask proper, the save-literals flag and the blank character.
    QStringList fields;
    QString current;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        if (mask[i] == QLatin1Char('\\') && i + 1 < mask.size()) {
            current += mask[i];
            current += mask[++i];
        } else if (mask[i] == QLatin1Char(';')) {
            fields << current;
            current.clear();
        } else {
            current += mask[i];
        }
    }
    fields << current;
    if (fields.size() > 1 && fields[1] == QLatin1String("0")) FSave = false;
    if (fields.size() > 2 && !fields[2].isEmpty()) FBlank = fields[2][0];
    const QString m = fields[0];
    CaseMode mode = NoCase;
    for (qsizetype i = 0; i < m.size(); ++i) {
        const QChar c = m[i];
        switch (c.unicode()) {
        case '\\':
            if (i + 1 < m.size()) FSlots.push_back({Literal, m[++i], mode});
            break;
        case '!': FReverse = true; break;
        case '>':
            if (i + 1 < m.size() && m[i + 1] == QLatin1Char('<')) {
                mode = NoCase;
                ++i;
            } else {
                mode = Upper;
            }
            break;
        case '<':
            if (i + 1 < m.size() && m[i + 1] == QLatin1Char('>')) {
                mode = NoCase;
                ++i;
            } else {
                mode = Lower;
            }
            break;
        case 'L':
        case 'A':
        case 'C':
        case '0': FSlots.push_back({Required, c, mode}); break;
        case 'l':
        case 'a':
        case 'c':
        case '9':
        case '#': FSlots.push_back({Optional, c, mode}); break;
        case '_': FSlots.push_back({Literal, QLatin1Char(' '), mode}); break;
        default: FSlots.push_back({Literal, c, mode}); break;
        }
    }
}

bool TEditMask::Accepts(int pos, QChar& ch) const {
    if (pos < 0 || pos >= Length()) return false;
    const Slot& s = FSlots[size_t(pos)];
    if (s.Kind == Literal) return false;
    bool ok = false;
    const bool digit = ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
    switch (s.Char.toLower().unicode()) {
    case 'l': ok = ch.isLetter(); break;
    case 'a': ok = ch.isLetter() || digit; break;
    case 'c': ok = !ch.isNull() && ch.unicode() >= 32; break;
    case '0':
    case '9': ok = digit; break;
    case '#': ok = digit || ch == QLatin1Char('+') || ch == QLatin1Char('-'); break;
    default: ok = false;
    }
    if (!ok) return false;
    if (s.Case == Upper) ch = ch.toUpper();
    if (s.Case == Lower) ch = ch.toLower();
    return true;
}

QString TEditMask::EmptyEditText() const { return Format(QString(), true); }

QString TEditMask::Strip(const QString& editText) const {
    QString chars;
    for (int i = 0; i < Length(); ++i) {
        if (FSlots[size_t(i)].Kind == Literal) continue;
        chars += i < editText.size() ? editText[i] : FBlank;
    }
    if (FReverse) {
        qsizetype n = 0;
        while (n < chars.size() && chars[n] == FBlank) ++n;
        chars.remove(0, n);
    } else {
        while (!chars.isEmpty() && chars.back() == FBlank) chars.chop(1);
    }
    for (QChar& c : chars)
        if (c == FBlank) c = QLatin1Char(' ');
    return chars;
}

QString TEditMask::Format(const QString& chars, bool active) const {
    const QChar empty = active ? FBlank : QLatin1Char(' ');
    QString out(Length(), empty);
    if (!FReverse) {
        qsizetype k = 0;
        for (int i = 0; i < Length(); ++i) {
            const Slot& s = FSlots[size_t(i)];
            if (s.Kind == Literal) out[i] = s.Char;
            else if (k < chars.size()) out[i] = chars[k++];
        }
    } else {
        qsizetype k = chars.size() - 1;
        for (int i = Length() - 1; i >= 0; --i) {
            const Slot& s = FSlots[size_t(i)];
            if (s.Kind == Literal) out[i] = s.Char;
            else if (k >= 0) out[i] = chars[k--];
        }
    }
    if (active)
        for (int i = 0; i < Length(); ++i)
            if (FSlots[size_t(i)].Kind != Literal && out[i] == QLatin1Char(' ')) out[i] = FBlank;
    return out;
}

QString TEditMask::TextFromEditText(const QString& editText) const {
    const QString chars = Strip(editText);
    return FSave ? Format(chars, false) : chars;
}

QString TEditMask::EditTextFromText(const QString& text) const {
    if (!FSave) {
        QString chars = text;
        for (QChar& c : chars)
            if (c == QLatin1Char(' ')) c = FBlank;
        return Format(chars, true);
    }
    // Literals in the value line up with the mask's; missing ones are put in.
    QString out;
    qsizetype k = 0;
    for (int i = 0; i < Length(); ++i) {
        const Slot& s = FSlots[size_t(i)];
        if (s.Kind == Literal) {
            if (k < text.size() && text[k] == s.Char) ++k;
            out += s.Char;
        } else if (k < text.size()) {
            const QChar c = text[k++];
            out += c == QLatin1Char(' ') ? FBlank : c;
        } else {
            out += FBlank;
        }
    }
    return out;
}

int TEditMask::FirstMissing(const QString& editText) const {
    for (int i = 0; i < Length(); ++i) {
        const Slot& s = FSlots[size_t(i)];
        if (s.Kind != Required) continue;
        const QChar c = i < editText.size() ? editText[i] : FBlank;
        if (c == FBlank || (c == QLatin1Char(' ') && s.Char != QLatin1Char('C'))) return i;
    }
    return -1;
}

}  // namespace platform::forms

using platform::forms::TEditMask;

QString FormatMaskText(const QString& editMask, const QString& value) {
    const TEditMask m(editMask);
    if (m.Empty()) return value;
    return m.TextFromEditText(m.EditTextFromText(value));
}

TCustomMaskEdit::TCustomMaskEdit(TComponent* owner) : TCustomEdit(owner) {}

void TCustomMaskEdit::SetEditMask(const QString& mask) {
    if (mask == FMaskText) return;
    const QString old = Text();
    FMaskText = mask;
    FMask = TEditMask(mask);
    if (IsMasked()) {
        SetMaxLength(FMask.Length());
        FSettingText = true;
        LineEdit()->setText(FMask.EditTextFromText(old));
        FSettingText = false;
    } else {
        SetMaxLength(0);
    }
}

QString TCustomMaskEdit::EditText() const { return LineEdit()->text(); }

void TCustomMaskEdit::SetEditText(const QString& v) {
    if (v == EditText()) return;
    FSettingText = true;
    LineEdit()->setText(v);
    FSettingText = false;
}

QString TCustomMaskEdit::GetText() const {
    if (!IsMasked()) return TCustomEdit::GetText();
    return FMask.TextFromEditText(EditText());
}

void TCustomMaskEdit::SetTextValue(const QString& v) {
    if (!IsMasked()) {
        TCustomEdit::SetTextValue(v);
        return;
    }
    SetEditText(FMask.EditTextFromText(v));
}

void TCustomMaskEdit::ValidateEdit() {
    if (!IsMasked() || !Modified()) return;
    const int missing = FMask.FirstMissing(EditText());
    if (missing < 0) return;
    LineEdit()->setCursorPosition(missing);
    throw EDBEditError(QStringLiteral("Valor de entrada no válido. Use la tecla Esc para abandonar los cambios"));
}

int TCustomMaskEdit::NextEditable(int pos, bool forward) const {
    if (forward) {
        while (pos < FMask.Length() && FMask.IsLiteral(pos)) ++pos;
        return pos < FMask.Length() ? pos : -1;
    }
    while (pos >= 0 && FMask.IsLiteral(pos)) --pos;
    return pos;
}

bool TCustomMaskEdit::NothingTyped() const {
    const QString text = EditText();
    for (int i = 0; i < text.size() && i < FMask.Length(); ++i)
        if (!FMask.IsLiteral(i) && text[i] != FMask.Blank() && text[i] != QLatin1Char(' ')) return false;
    return true;
}

// A click into an empty masked edit starts it at its first position, wherever the click fell:
// typing from there on would leave the positions before it blank ("__/__/__15").
void TCustomMaskEdit::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomEdit::MouseUp(button, shift, x, y);
    if (button != mbLeft || !IsMasked() || LineEdit()->hasSelectedText() || !NothingTyped()) return;
    const int first = NextEditable(0, true);
    LineEdit()->setCursorPosition(first < 0 ? 0 : first);
}

void TCustomMaskEdit::TypeChar(QChar ch) {
    if (!EditCanModify()) return;
    QString text = EditText();
    if (text.size() < FMask.Length()) text = FMask.EditTextFromText(Text());
    QLineEdit* le = LineEdit();
    int pos = le->cursorPosition();
    if (le->hasSelectedText()) {
        pos = le->selectionStart();
        const int end = pos + int(le->selectedText().size());
        for (int i = pos; i < end && i < FMask.Length(); ++i)
            if (!FMask.IsLiteral(i)) text[i] = FMask.Blank();
    }
    // Typing the literal that stands at the cursor steps over it.
    if (pos < FMask.Length() && FMask.IsLiteral(pos) && FMask.LiteralAt(pos) == ch) {
        le->setCursorPosition(pos + 1);
        return;
    }
    const int at = NextEditable(pos, true);
    QChar c = ch;
    if (at < 0 || !FMask.Accepts(at, c)) {
        platform::forms::MessageBeep();
        return;
    }
    text[at] = c;
    LineEdit()->setText(text);  // a user change: Modified and OnChange follow
    const int next = NextEditable(at + 1, true);
    le->setCursorPosition(next < 0 ? FMask.Length() : next);
}

void TCustomMaskEdit::DeleteChars(bool backwards) {
    if (!EditCanModify()) return;
    QString text = EditText();
    QLineEdit* le = LineEdit();
    if (le->hasSelectedText()) {
        const int start = le->selectionStart();
        const int end = start + int(le->selectedText().size());
        for (int i = start; i < end && i < text.size(); ++i)
            if (!FMask.IsLiteral(i)) text[i] = FMask.Blank();
        le->setText(text);
        le->setCursorPosition(start);
        return;
    }
    const int cursor = le->cursorPosition();
    const int at = backwards ? NextEditable(cursor - 1, false) : NextEditable(cursor, true);
    if (at < 0 || at >= text.size()) return;
    text[at] = FMask.Blank();
    le->setText(text);
    le->setCursorPosition(backwards ? at : cursor);
}

void TCustomMaskEdit::KeyDown(quint16& key, TShiftState shift) {
    TCustomEdit::KeyDown(key, shift);
    if (!IsMasked() || key == 0 || (shift & ssAlt)) return;
    if (key == VK_DELETE && !(shift & ssShift)) {
        DeleteChars(false);
        key = 0;
    }
}

void TCustomMaskEdit::PasteFromClipboard() {
    // A record that cannot be edited takes no paste, as it takes no typing.
    if (!EditCanModify()) return;
    if (!IsMasked()) return TCustomEdit::PasteFromClipboard();
    const QString clip = ClipboardText();
    if (PasteWhole(clip)) return;
    for (QChar c : clip) TypeChar(c);
}

// A whole value pasted with the mask's own separators ("7/12/2026", "9:30", "12-B") goes part
// by part: typed one character at a time it would run into the next part ("71/22/026_").
// A shorter numeric part before a separator is written with leading zeros, as a day, a month
// or a case number is; the last part is filled as typing would fill it.
bool TCustomMaskEdit::PasteWhole(const QString& copied) {
    // Copied from a line of text, it may bring the line's end or blanks around it.
    const QString clip = copied.section(QLatin1Char('\n'), 0, 0).trimmed();
    // Only over the whole value: all of it selected, or nothing written yet.
    QLineEdit* le = LineEdit();
    const bool all = le->hasSelectedText() && int(le->selectedText().size()) >= FMask.Length();
    const QString now = EditText();
    for (int i = 0; i < now.size() && !all; ++i)
        if (i < FMask.Length() && !FMask.IsLiteral(i) && now[i] != FMask.Blank() && now[i] != QLatin1Char(' ')) return false;
    QString text = FMask.EmptyEditText();
    qsizetype k = 0;
    for (int i = 0; i < FMask.Length();) {
        if (FMask.IsLiteral(i)) {
            if (k >= clip.size() || clip[k] != FMask.LiteralAt(i)) return false;
            ++k;
            ++i;
            continue;
        }
        int end = i;
        while (end < FMask.Length() && !FMask.IsLiteral(end)) ++end;
        qsizetype stop = k;
        while (stop < clip.size() && (end >= FMask.Length() || clip[stop] != FMask.LiteralAt(end))) ++stop;
        QString part = clip.mid(k, stop - k);
        if (part.isEmpty() || part.size() > end - i) return false;
        if (part.size() < end - i && end < FMask.Length()) {
            for (int j = i; j < end; ++j) {
                QChar zero(u'0'), letter(u'a');
                if (!FMask.Accepts(j, zero) || FMask.Accepts(j, letter)) return false;
            }
            part = QString(end - i - part.size(), QLatin1Char('0')) + part;
        }
        for (qsizetype j = 0; j < part.size(); ++j) {
            QChar c = part[j];
            if (!FMask.Accepts(i + int(j), c)) return false;
            text[i + j] = c;
        }
        k = stop;
        i = end;
    }
    if (k != clip.size()) return false;
    le->setText(text);  // a user change: Modified and OnChange follow
    le->setCursorPosition(FMask.Length());
    return true;
}

void TCustomMaskEdit::CutToClipboard() {
    if (!EditCanModify()) return;
    if (!IsMasked()) return TCustomEdit::CutToClipboard();
    CopyToClipboard();
    DeleteChars(false);
}

void TCustomMaskEdit::ClearSelection() {
    if (!IsMasked()) return TCustomEdit::ClearSelection();
    if (LineEdit()->hasSelectedText()) DeleteChars(false);
}

void TCustomMaskEdit::KeyPress(QChar& key) {
    TCustomEdit::KeyPress(key);
    if (!IsMasked() || key.isNull()) return;
    // Selecting all and copying leave the text as it is: the edit itself does them.
    if (key == QChar(1) || key == QChar(3)) return;
    if (key == QChar(8)) {
        DeleteChars(true);
    } else if (key.unicode() >= 32) {
        TypeChar(key);
    }
    // Everything typed into a masked edit goes through the mask, nothing reaches the widget.
    key = QChar();
}

void TCustomMaskEdit::DoEnter() { TCustomEdit::DoEnter(); }

void TCustomMaskEdit::DoExit() {
    ValidateEdit();
    TCustomEdit::DoExit();
}
