// What the mouse events of the class library's controls carry: the button (TMouseButton), the keys and mouse
// buttons held (TShiftState; ssDouble on the press of a double click), and the point in the control's client
// area; and the drag state of the drag-over event.
#pragma once

#include <QFlags>
#include <QMouseEvent>

#include <optional>

enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShiftStateFlag { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };
Q_DECLARE_FLAGS(TShiftState, TShiftStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TShiftState)

enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

// The control's name of a Qt mouse button; none for the buttons it has no name for.
inline std::optional<TMouseButton> MouseButtonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return mbLeft;
    case Qt::RightButton: return mbRight;
    case Qt::MiddleButton: return mbMiddle;
    default: return std::nullopt;
    }
}

// The keys and buttons held during the event: a press counts its own button, a release no longer does.
inline TShiftState ShiftStateOf(const QMouseEvent& event)
{
    const Qt::KeyboardModifiers keys = event.modifiers();
    const Qt::MouseButtons buttons = event.buttons();
    TShiftState state;
    state.setFlag(ssShift, keys.testFlag(Qt::ShiftModifier));
    state.setFlag(ssAlt, keys.testFlag(Qt::AltModifier));
    state.setFlag(ssCtrl, keys.testFlag(Qt::ControlModifier));
    state.setFlag(ssLeft, buttons.testFlag(Qt::LeftButton));
    state.setFlag(ssRight, buttons.testFlag(Qt::RightButton));
    state.setFlag(ssMiddle, buttons.testFlag(Qt::MiddleButton));
    state.setFlag(ssDouble, event.type() == QEvent::MouseButtonDblClick);
    return state;
}
