// What a screen reader learns about a control of the class library or of the component set (through AT-SPI
// on Linux): its role, its name, its state, the label that names it and, for lists and progress bars, their
// value. Qt's own presentation serves the buttons and edit boxes; the controls that paint themselves would be
// unnamed fillers without this one.
//
// The name is the accessible name the program gave the control, else the caption of the label whose
// FocusControl it is, else its own caption, in every case without the blanks that pad it. A label names its
// FocusControl (label for / labelled by). The status line is named by its message ("Строка состояния" while it
// shows none), an error message begins with "Ошибка: ", and each change is announced as a name change.
#pragma once

#include <QAccessibleWidget>

class TAccessibleControl : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    TAccessibleControl(QWidget* widget, QAccessible::Role role);

    // Makes Qt ask this presentation for the registered classes; every control that uses it calls this once
    // it is made (later calls do nothing).
    static void Install();
    // Presents the widgets whose class (or a base class) is className in the role. The class library's own
    // controls are registered from the start.
    static void Register(const char* className, QAccessible::Role role);
    // Tells assistive technology that what the widget presents has changed (when any is listening); a state
    // change is one of the checked state.
    static void Announce(QWidget* widget, QAccessible::Event event);

    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(QAccessible::Relation match) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;
    QStringList actionNames() const override;
    void doAction(const QString& action) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override { return 1; }

private:
    QString Name() const;
    QString StatusName() const;
};
