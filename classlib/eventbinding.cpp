#include "classlib/eventbinding.h"

#include "classlib/exception.h"

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

// Handlers are the form's own methods, named in upper case like published properties; Qt's slots
// (close, deleteLater …) begin in lower case and are never handlers.
int HandlerIndex(const QObject* receiver, const std::string& handler, const QMetaMethod& signal)
{
    if (handler.empty() || handler[0] < 'A' || handler[0] > 'Z')
        return -1;
    const QMetaObject* meta = receiver->metaObject();
    for (int i = 0; i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.name() == handler.c_str() && method.methodType() != QMetaMethod::Constructor &&
            QMetaObject::checkConnectArgs(signal, method))
            return i;
    }
    return -1;
}

} // namespace

bool TEventBinding::IsEvent(const QObject* component, const std::string& event)
{
    return SignalIndex(component, event) >= 0;
}

void TEventBinding::Bind(QObject* component, const std::string& event, QObject* receiver, const std::string& handler)
{
    const int signalIndex = SignalIndex(component, event);
    if (signalIndex < 0)
        throw Exception(AnsiString::FromUtf8("there is no event " + event));
    const QMetaMethod signal = component->metaObject()->method(signalIndex);
    const int handlerIndex = HandlerIndex(receiver, handler, signal);
    if (handlerIndex < 0)
        throw Exception(AnsiString::FromUtf8(std::string(receiver->metaObject()->className()) + " has no handler '" +
                                             handler + "' that fits " + signal.methodSignature().toStdString()));
    QObject::connect(component, signal, receiver, receiver->metaObject()->method(handlerIndex));
    QVariantMap bindings = component->property(kBindingsProperty).toMap();
    bindings.insert(QString::fromStdString(event), QString::fromStdString(handler));
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
