#include "messaging/limited_text_edit.h"

#include <QApplication>
#include <QMimeData>
#include <QTextBoundaryFinder>

namespace textowl {

int visibleCharacterCount(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

QString firstVisibleCharacters(const QString& text, int count) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int end = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype next = finder.toNextBoundary();
        if (next == -1)
            break;
        end = static_cast<int>(next);
    }
    return text.left(end);
}

LimitedTextEdit::LimitedTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
    connect(this, &QPlainTextEdit::textChanged, this, &LimitedTextEdit::enforceLimit);
}

int LimitedTextEdit::characterCount() const {
    return visibleCharacterCount(toPlainText());
}

// A paste or a drop is cut to the room that is left instead of being refused whole.
void LimitedTextEdit::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText())
        return;
    const int selected = visibleCharacterCount(textCursor().selectedText());
    const int room = m_limit - (characterCount() - selected);
    if (room <= 0) {
        QApplication::beep();
        return;
    }
    insertPlainText(firstVisibleCharacters(source->text(), room));
}

// Typing, input methods and undo all end here; a change that grows the text past the limit is
// taken back, one that shrinks or keeps it stands even while the text is over the limit.
void LimitedTextEdit::enforceLimit() {
    if (m_reverting)
        return;
    const QString now = toPlainText();
    const int count = visibleCharacterCount(now);
    if (count <= m_limit || count <= visibleCharacterCount(m_accepted)) {
        m_accepted = now;
        return;
    }
    const int cursor = textCursor().position() - static_cast<int>(now.size() - m_accepted.size());
    m_reverting = true;
    setPlainText(m_accepted);
    QTextCursor c = textCursor();
    c.setPosition(std::clamp(cursor, 0, static_cast<int>(m_accepted.size())));
    setTextCursor(c);
    m_reverting = false;
    QApplication::beep();
}

} // namespace textowl
