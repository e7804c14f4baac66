// Events of components are Qt signals named like the event (OnClick, OnDataReceived …). Binding an event
// connects that signal to the root form's slot of the handler's name and remembers the name, so that the
// window description writer can store "OnClick = BTN_QuitClick" again.
#pragma once

#include <QObject>

#include <string>
#include <utility>
#include <vector>

class TEventBinding {
public:
    // True when component has a signal of that name beginning with "On".
    static bool IsEvent(const QObject* component, const std::string& event);
    // Throws Exception when component has no such event, or receiver has no handler of that name whose
    // parameters fit the event. Handlers are public slots whose names begin with an upper-case letter; a signal
    // is never a handler (a handler that emits its own event again would never end).
    static void Check(const QObject* component, const std::string& event, const QObject* receiver,
                      const std::string& handler);
    // Checks as Check, then connects component's signal event to the handler of receiver, in place of the
    // handler bound to that event before.
    static void Bind(QObject* component, const std::string& event, QObject* receiver, const std::string& handler);
    // Disconnects every handler of component's event and forgets its bound name, so that one owner can install
    // the only handler of that event.
    static void Unbind(QObject* component, const std::string& event);
    // The bound events of component with their handler names, in the order the class declares the signals.
    static std::vector<std::pair<std::string, std::string>> Bindings(const QObject* component);
};
