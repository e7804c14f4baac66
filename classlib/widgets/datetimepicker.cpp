#include "classlib/widgets/datetimepicker.h"

#include "classlib/widgets/keypress.h"

TDateTimePicker::TDateTimePicker(QWidget* parent) : QDateTimeEdit(parent) {}

void TDateTimePicker::keyPressEvent(QKeyEvent* event)
{
    RouteKeyPress(event,
                  [this](char& key) {
                      emit OnKeyPress(this, key);
                      return key != 0;
                  },
                  [this](QKeyEvent* passed) { QDateTimeEdit::keyPressEvent(passed); });
}

void TDateTimePicker::focusInEvent(QFocusEvent* event)
{
    QDateTimeEdit::focusInEvent(event);
    if (MovesControlFocus(event))
        emit OnEnter(this);
}

void TDateTimePicker::focusOutEvent(QFocusEvent* event)
{
    QDateTimeEdit::focusOutEvent(event);
    if (MovesControlFocus(event))
        emit OnExit(this);
}
