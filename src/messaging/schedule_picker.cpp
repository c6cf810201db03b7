#include "messaging/schedule_picker.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <optional>

namespace textowl {

namespace {

std::optional<PickerSection> pickerSection(QDateTimeEdit::Section section) {
    switch (section) {
    case QDateTimeEdit::MonthSection:
        return PickerSection::Month;
    case QDateTimeEdit::DaySection:
        return PickerSection::Day;
    case QDateTimeEdit::YearSection:
        return PickerSection::Year;
    case QDateTimeEdit::HourSection:
        return PickerSection::Hour;
    case QDateTimeEdit::MinuteSection:
        return PickerSection::Minute;
    default:
        return std::nullopt;
    }
}

} // namespace

SchedulePicker::SchedulePicker(const QDateTime& start, QWidget* parent)
    : QDateTimeEdit(start, parent) {
    // Clicks land in the text field inside, which places the cursor; the section is taken after.
    lineEdit()->installEventFilter(this);
}

bool SchedulePicker::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        m_typing.reset();
        // Posted: the field has not yet told the picker where its cursor went.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (currentSection() != NoSection && !lineEdit()->hasSelectedText())
                    setSelectedSection(currentSection());
            },
            Qt::QueuedConnection);
    }
    return QDateTimeEdit::eventFilter(watched, event);
}

void SchedulePicker::focusOutEvent(QFocusEvent* event) {
    m_typing.reset();
    QDateTimeEdit::focusOutEvent(event);
}

void SchedulePicker::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && text.size() == 1 && text.front() >= u'0' && text.front() <= u'9' &&
        pickerSection(currentSection())) {
        typeDigit(text.front().digitValue());
        event->accept();
        return;
    }
    m_typing.reset();
    QDateTimeEdit::keyPressEvent(event);
}

void SchedulePicker::typeDigit(int digit) {
    const PickerSection section = *pickerSection(currentSection());
    const SectionTyping::Step step = m_typing.type(section, digit);
    if (step.value)
        setSection(section, *step.value);
    if (step.done && currentSectionIndex() + 1 < sectionCount())
        setCurrentSectionIndex(currentSectionIndex() + 1);
    setSelectedSection(currentSection());
}

void SchedulePicker::setSection(PickerSection section, int value) {
    const QDateTime now = dateTime();
    QDate date = now.date();
    QTime time = now.time();
    const auto withDay = [&](int year, int month, int day) {
        // A day past the month's end becomes its last day, as 31 typed into April does.
        return QDate(year, month, std::min(day, QDate(year, month, 1).daysInMonth()));
    };
    switch (section) {
    case PickerSection::Month:
        date = withDay(date.year(), value, date.day());
        break;
    case PickerSection::Day:
        date = withDay(date.year(), date.month(), value);
        break;
    case PickerSection::Year:
        date = withDay(value, date.month(), date.day());
        break;
    case PickerSection::Hour:
        time = QTime(value, time.minute(), time.second());
        break;
    case PickerSection::Minute:
        time = QTime(time.hour(), value, time.second());
        break;
    }
    setDateTime(QDateTime(date, time, now.timeSpec()));
}

} // namespace textowl
