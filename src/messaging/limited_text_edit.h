#pragma once

#include <QPlainTextEdit>
#include <QString>

namespace textowl {

// The message text box: takes no more characters than the limit, counting characters as the
// user sees them (an emoji with its modifiers is one). Lowering the limit keeps text already
// written, as the user may switch the character set after writing.
class LimitedTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LimitedTextEdit(QWidget* parent = nullptr);

    void setCharacterLimit(int limit) { m_limit = limit; }
    int characterLimit() const { return m_limit; }
    int characterCount() const;

protected:
    void insertFromMimeData(const QMimeData* source) override;

private:
    void enforceLimit();

    int m_limit = 160;
    QString m_accepted;
    bool m_reverting = false;
};

// Characters as the user sees them: grapheme clusters.
int visibleCharacterCount(const QString& text);
// The first `count` visible characters of the text.
QString firstVisibleCharacters(const QString& text, int count);

} // namespace textowl
