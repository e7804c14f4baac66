// The key-press, enter and exit events of the class library's edit controls, shared by TEdit, TMemo,
// TDateTimePicker and TComboBox. Each of them declares the signals
//     OnKeyPress(QObject* Sender, char& Key), OnEnter(QObject* Sender), OnExit(QObject* Sender)
// and routes its key and focus events through these functions.
//
// OnKeyPress sees each typed character as a Windows-1251 byte before the control does, editing and control
// codes included (Enter 13, Escape 27, Backspace 8, Tab 9, Ctrl+C 3); a handler may change the character, or
// set it to 0 to swallow the key. Keys that type nothing (arrows, function keys) and characters without a
// Windows-1251 form raise no event. The signal must be connected directly (the default between objects of the
// GUI thread), since the handler writes through the reference.
//
// Text that an input method commits (dead keys, compose sequences, input method editors) arrives as typed
// keys: each character takes the key path, OnKeyPress included, as on the platform, where such text comes as
// one character message per character. Text still being composed (pre-edit) is shown but is never part of the
// control's text.
//
// OnEnter and OnExit fire when the control gains or loses the input focus inside its window; a popup list or
// menu (the control's own drop-down list included), or another window becoming active, moves no focus in this
// sense.
//
// One handler per event: an owner that takes over a control's events (the field grid with its attached edit
// controls) first calls TEventBinding::Unbind for each event, which drops every handler the control had.
#pragma once

#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>

#include <functional>
#include <optional>

// The character that event types, as the key-press event reports it.
std::optional<char> TypedCharacter(const QKeyEvent* event);

// Runs keyPress on the typed character (it returns false when the key is swallowed), then hands the event to
// passOn, rewritten to type the character the hook left when it changed it. Keys that type nothing go straight
// to passOn.
void RouteKeyPress(QKeyEvent* event, const std::function<bool(char&)>& keyPress,
                   const std::function<void(QKeyEvent*)>& passOn);

// Hands the committed text of event to typeKey as one key press per character, and the rest of the event (the
// replacement of text around the caret, the pre-edit text and its attributes) to passOn without that text.
void RouteCommittedText(QInputMethodEvent* event, const std::function<void(QKeyEvent*)>& typeKey,
                        const std::function<void(QInputMethodEvent*)>& passOn);

// True when the focus change moves the focus between controls (OnEnter, OnExit).
bool MovesControlFocus(const QFocusEvent* event);
