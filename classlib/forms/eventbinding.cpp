#include "classlib/forms/eventbinding.h"

#include "classlib/base/exception.h"

#include <QMetaMethod>
#include <QVariantMap>

namespace {

// Handler names by event, kept on the component beside its own properties.
constexpr const char* kBindingsProperty = "zentor:events";

int SignalIndex(const QObject* component, const std::string& event)
{
    if (event.size() < 3 || event.compare(0, 2, "On") != 0)
        return -1;
    const QMetaObject* meta = component->metaObject();
    for (int i = 0; i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() == QMetaMethod::Signal && method.name() == event.c_str())
            return i;
    }
    return -1;
}

// Handlers are the form's own public slots, named in upper case like published properties; Qt's slots
// (close, deleteLater …) begin in lower case and are never handlers, nor are signals.
int HandlerIndex(const QObject* receiver, const std::string& handler, const QMetaMethod& signal)
{
    if (handler.empty() || handler[0] < 'A' || handler[0] > 'Z')
        return -1;
    const QMetaObject* meta = receiver->metaObject();
    for (int i = 0; i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.name() == handler.c_str() && method.methodType() == QMetaMethod::Slot &&
            method.access() == QMetaMethod::Public && QMetaObject::checkConnectArgs(signal, method))
            return i;
    }
    return -1;
}

QMetaMethod EventSignal(const QObject* component, const std::string& event)
{
    const int signalIndex = SignalIndex(component, event);
    if (signalIndex < 0)
        throw Exception(AnsiString::FromUtf8("there is no event " + event));
    return component->metaObject()->method(signalIndex);
}

QMetaMethod Handler(const QObject* receiver, const std::string& handler, const QMetaMethod& signal)
{
    const int handlerIndex = HandlerIndex(receiver, handler, signal);
    if (handlerIndex < 0)
        throw Exception(AnsiString::FromUtf8(std::string(receiver->metaObject()->className()) + " has no handler '" +
                                             handler + "' that fits " + signal.methodSignature().toStdString()));
    return receiver->metaObject()->method(handlerIndex);
}

} // namespace

bool TEventBinding::IsEvent(const QObject* component, const std::string& event)
{
    return SignalIndex(component, event) >= 0;
}

void TEventBinding::Check(const QObject* component, const std::string& event, const QObject* receiver,
                          const std::string& handler)
{
    Handler(receiver, handler, EventSignal(component, event));
}

void TEventBinding::Bind(QObject* component, const std::string& event, QObject* receiver, const std::string& handler)
{
    const QMetaMethod signal = EventSignal(component, event);
    const QMetaMethod method = Handler(receiver, handler, signal);
    QVariantMap bindings = component->property(kBindingsProperty).toMap();
    const QString key = QString::fromStdString(event);
    if (bindings.contains(key)) {
        const int previous = HandlerIndex(receiver, bindings.value(key).toString().toStdString(), signal);
        if (previous >= 0)
            QObject::disconnect(component, signal, receiver, receiver->metaObject()->method(previous));
    }
    QObject::connect(component, signal, receiver, method);
    bindings.insert(key, QString::fromStdString(handler));
    component->setProperty(kBindingsProperty, bindings);
}

void TEventBinding::Unbind(QObject* component, const std::string& event)
{
    const int signalIndex = SignalIndex(component, event);
    if (signalIndex < 0)
        throw Exception(AnsiString::FromUtf8("there is no event " + event));
    QObject::disconnect(component, component->metaObject()->method(signalIndex), nullptr, QMetaMethod());
    QVariantMap bindings = component->property(kBindingsProperty).toMap();
    bindings.remove(QString::fromStdString(event));
    component->setProperty(kBindingsProperty, bindings);
}

std::vector<std::pair<std::string, std::string>> TEventBinding::Bindings(const QObject* component)
{
    const QVariantMap bindings = component->property(kBindingsProperty).toMap();
    std::vector<std::pair<std::string, std::string>> result;
    const QMetaObject* meta = component->metaObject();
    for (int i = 0; i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        const QString name = QString::fromLatin1(method.name());
        const bool seen = !result.empty() && result.back().first == name.toStdString();
        if (method.methodType() == QMetaMethod::Signal && bindings.contains(name) && !seen)
            result.emplace_back(name.toStdString(), bindings.value(name).toString().toStdString());
    }
    return result;
}
