#include "classlib/forms/classregistry.h"

#include "classlib/base/exception.h"

#include <map>
#include <mutex>

namespace {

struct TClassEntry {
    const QMetaObject* metaObject;
    bool visual;
    TClassRegistry::Factory factory;
};

struct TRegistry {
    std::mutex lock;
    std::map<std::string, TClassEntry> classes;
};

TRegistry& Registry()
{
    static TRegistry registry;
    return registry;
}

const TClassEntry* Find(const std::string& name)
{
    TRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    const auto found = registry.classes.find(name);
    return found == registry.classes.end() ? nullptr : &found->second;
}

} // namespace

void TClassRegistry::Register(const std::string& name, const QMetaObject* metaObject, bool visual, Factory factory)
{
    TRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    registry.classes.insert_or_assign(name, TClassEntry{metaObject, visual, std::move(factory)});
}

QObject* TClassRegistry::Create(const std::string& name, QObject* parent)
{
    const TClassEntry* entry = Find(name);
    if (!entry)
        return nullptr;
    if (entry->visual && parent && !parent->isWidgetType())
        throw EFilerError(AnsiString::FromUtf8("a control of class " + name + " cannot be placed in the non-visual " +
                                               parent->metaObject()->className()));
    return entry->factory(parent);
}

bool TClassRegistry::IsRegistered(const std::string& name)
{
    return Find(name) != nullptr;
}

std::string TClassRegistry::NameOf(const QMetaObject* metaObject)
{
    TRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    for (const auto& [name, entry] : registry.classes)
        if (entry.metaObject == metaObject)
            return name;
    return {};
}

std::string TClassRegistry::ClassNameOf(const QObject* object)
{
    const std::string name = NameOf(object->metaObject());
    return name.empty() ? object->metaObject()->className() : name;
}

QObject* TClassRegistry::CreateLike(const QObject* object, QObject* scratchParent)
{
    const bool child = object->isWidgetType() ? !static_cast<const QWidget*>(object)->isWindow() : false;
    for (const QMetaObject* meta = object->metaObject(); meta; meta = meta->superClass()) {
        const std::string name = NameOf(meta);
        if (!name.empty())
            return Create(name, child ? scratchParent : nullptr);
    }
    return nullptr;
}
