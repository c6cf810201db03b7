#pragma once

#include "messaging/schedule_text.h"

#include <QDateTimeEdit>

namespace textowl {

// The schedule's date and time, typed as in the platform's date-and-time field: a click takes
// the whole section it lands in, digits typed there set its value, and a complete section hands
// the typing on to the next. The toolkit's own editing would insert each digit beside the old
// ones and refuse most results as out of range.
class SchedulePicker : public QDateTimeEdit {
    Q_OBJECT
public:
    explicit SchedulePicker(const QDateTime& start, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void typeDigit(int digit);
    void setSection(PickerSection section, int value);

    SectionTyping m_typing;
};

} // namespace textowl
