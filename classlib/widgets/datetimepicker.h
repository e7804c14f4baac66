// A date and time box with the events OnKeyPress, OnEnter and OnExit (classlib/keypress.h).
#pragma once

#include <QDateTimeEdit>

class TDateTimePicker : public QDateTimeEdit {
    Q_OBJECT

public:
    explicit TDateTimePicker(QWidget* parent = nullptr);

signals:
    void OnKeyPress(QObject* Sender, char& Key);
    void OnEnter(QObject* Sender);
    void OnExit(QObject* Sender);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
