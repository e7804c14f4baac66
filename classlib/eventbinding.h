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
    // Connects component's signal event to the slot (or invokable method) handler of receiver; handler names
    // begin with an upper-case letter. Throws Exception
    // when there is no such event, or receiver has no method of that name whose parameters fit the event.
    static void Bind(QObject* component, const std::string& event, QObject* receiver, const std::string& handler);
    // Disconnects every handler of component's event and forgets its bound name, so that one owner can install
    // the only handler of that event.
    static void Unbind(QObject* component, const std::string& event);
    // The bound events of component with their handler names, in the order the class declares the signals.
    static std::vector<std::pair<std::string, std::string>> Bindings(const QObject* component);
};
