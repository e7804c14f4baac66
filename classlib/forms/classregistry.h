// Creates components by class name, as the window description names them. A class is registered once,
// usually at start-up or in a test fixture:
//     RegisterClass<TXpButton>("TXpButton");
// A widget class is created with its parent widget; any other QObject class with its owner object.
#pragma once

#include <QObject>
#include <QWidget>

#include <functional>
#include <string>
#include <type_traits>

class TClassRegistry {
public:
    // Makes an instance under parent (which may be null); throws Exception when parent cannot hold it.
    using Factory = std::function<QObject*(QObject* parent)>;

    static void Register(const std::string& name, const QMetaObject* metaObject, bool visual, Factory factory);
    // nullptr when name is unknown.
    static QObject* Create(const std::string& name, QObject* parent);
    static bool IsRegistered(const std::string& name);
    // The registered name of a class, or an empty string.
    static std::string NameOf(const QMetaObject* metaObject);
    // The name the description uses for object: its registered name, else its C++ class name.
    static std::string ClassNameOf(const QObject* object);
    // A fresh instance of the nearest registered class of object (itself or a base class), placed like object
    // (under a widget when object has a parent widget); nullptr when no class on the way is registered.
    static QObject* CreateLike(const QObject* object, QObject* scratchParent);
};

template <class T>
void RegisterClass(const char* name)
{
    if constexpr (std::is_base_of_v<QWidget, T>)
        TClassRegistry::Register(name, &T::staticMetaObject, true, [](QObject* parent) -> QObject* {
            return new T(static_cast<QWidget*>(parent)); // the registry checked that parent is a widget
        });
    else
        TClassRegistry::Register(name, &T::staticMetaObject, false,
                                 [](QObject* parent) -> QObject* { return new T(parent); });
}
