#include "classlib/formreader.h"

#include "classlib/classregistry.h"
#include "classlib/controlproperties.h"
#include "classlib/eventbinding.h"
#include "classlib/exception.h"
#include "classlib/filer.h"
#include "classlib/formparser.h"
#include "classlib/publishedproperty.h"

#include <QFile>
#include <QWidget>

#include <map>
#include <memory>
#include <set>

namespace {

[[noreturn]] void Fail(int line, const std::string& what)
{
    throw EReadError(AnsiString::FromUtf8("Line " + std::to_string(line) + ": " + what));
}

std::string Shown(std::string_view name)
{
    return std::string(name.substr(0, 40));
}

std::string NameOf(const QObject* component)
{
    const std::string name = component->objectName().toStdString();
    return (name.empty() ? "" : Shown(name) + " ") + "(" + TClassRegistry::ClassNameOf(component) + ")";
}

std::string CauseOf(const std::exception& error)
{
    if (const auto* own = dynamic_cast<const Exception*>(&error))
        return own->Message().ToUtf8();
    return error.what();
}

// Runs one step of reading a value; a refusal becomes an EReadError naming the line and the property.
template <class Step>
void Guarded(int line, const QObject* component, const std::string& property, Step&& step)
{
    try {
        step();
    } catch (const EReadError&) {
        throw;
    } catch (const std::exception& error) {
        Fail(line, NameOf(component) + "." + Shown(property) + ": " + CauseOf(error));
    }
}

class TReader {
public:
    explicit TReader(QObject* root) : root_(root) {}

    void Read(const TFormObject& form)
    {
        const std::string rootClass = TClassRegistry::ClassNameOf(root_);
        if (form.className != rootClass)
            Fail(form.line, "the description is for " + Shown(form.className) + ", not for " + rootClass);
        try {
            root_->setObjectName(QString::fromStdString(form.name));
            ReadObject(root_, form);
            ResolveReferences();
            if (root_->isWidgetType())
                TControlProperties::ApplyTabOrder(static_cast<QWidget*>(root_));
        } catch (...) {
            DeleteCreated();
            throw;
        }
    }

private:
    struct TReference {
        QObject* component;
        TPublishedProperty property;
        std::string target;
        int line;
    };

    void ReadObject(QObject* object, const TFormObject& block)
    {
        ReadProperties(object, block);
        for (const TFormObject& child : block.children)
            ReadObject(CreateChild(object, child), child);
    }

    QObject* CreateChild(QObject* parent, const TFormObject& block)
    {
        if (!TClassRegistry::IsRegistered(block.className))
            Fail(block.line, "unknown class " + Shown(block.className));
        const QString name = QString::fromStdString(block.name);
        if (!name.isEmpty() && Named(name))
            Fail(block.line, "a component named " + Shown(block.name) + " exists already");
        QObject* child = nullptr;
        Guarded(block.line, parent, "object " + Shown(block.name), [&] {
            child = TClassRegistry::Create(block.className, parent);
        });
        if (!createdAll_.count(parent))
            created_.push_back(child);
        createdAll_.insert(child);
        child->setObjectName(name);
        if (!name.isEmpty())
            named_.emplace(name, child);
        return child;
    }

    // The component of that name: the root, one created by this read, or one the root held before.
    QObject* Named(const QString& name)
    {
        if (!indexed_) {
            for (QObject* existing : root_->findChildren<QObject*>())
                if (!existing->objectName().isEmpty())
                    named_.emplace(existing->objectName(), existing);
            indexed_ = true;
        }
        if (root_->objectName() == name)
            return root_;
        const auto found = named_.find(name);
        return found == named_.end() ? nullptr : found->second;
    }

    void ReadProperties(QObject* object, const TFormObject& block)
    {
        std::map<std::string, const TFormProperty*> given;
        for (const TFormProperty& property : block.properties)
            if (!given.emplace(property.name, &property).second)
                Fail(property.line, NameOf(object) + ": property " + Shown(property.name) + " is given twice");
        const std::vector<TPublishedProperty> published = TPublishedProperty::Of(object);
        TFilerDefinitions defined;
        if (auto* definer = dynamic_cast<TDefinesProperties*>(object))
            definer->DefineProperties(defined);
        CheckKnown(object, block, published, defined);
        SetPublished(object, published, given);
        BindEvents(object, block, published);
        ReadDefined(object, defined, given);
    }

    void CheckKnown(const QObject* object, const TFormObject& block, const std::vector<TPublishedProperty>& published,
                    const TFilerDefinitions& defined) const
    {
        for (const TFormProperty& property : block.properties) {
            const auto named = [&property](const auto& entry) { return entry.name == property.name; };
            if (std::none_of(published.begin(), published.end(), named) &&
                std::none_of(defined.definitions.begin(), defined.definitions.end(), named) &&
                !TEventBinding::IsEvent(object, property.name))
                Fail(property.line, NameOf(object) + " has no property " + Shown(property.name));
        }
    }

    void SetPublished(QObject* object, const std::vector<TPublishedProperty>& published,
                      const std::map<std::string, const TFormProperty*>& given)
    {
        for (const TPublishedProperty& property : published) {
            const auto found = given.find(property.name);
            if (found == given.end())
                continue;
            const TFormProperty& line = *found->second;
            Guarded(line.line, object, property.name, [&] { property.set(object, line.value); });
            if (property.reference)
                references_.push_back({object, property, line.value.text.toStdString(), line.line});
        }
    }

    void BindEvents(QObject* object, const TFormObject& block, const std::vector<TPublishedProperty>& published)
    {
        for (const TFormProperty& property : block.properties) {
            const auto named = [&property](const auto& entry) { return entry.name == property.name; };
            if (std::any_of(published.begin(), published.end(), named) || !TEventBinding::IsEvent(object, property.name))
                continue;
            Guarded(property.line, object, property.name, [&] {
                if (property.value.kind != TFormValue::Kind::Identifier)
                    throw Exception("expected the name of a handler");
                TEventBinding::Bind(object, property.name, root_, property.value.text.toStdString());
            });
        }
    }

    void ReadDefined(QObject* object, const TFilerDefinitions& defined,
                     const std::map<std::string, const TFormProperty*>& given)
    {
        for (const TFilerDefinitions::TDefinition& definition : defined.definitions) {
            const auto found = given.find(definition.name);
            if (found != given.end())
                Guarded(found->second->line, object, definition.name, [&] { definition.read(found->second->value); });
        }
    }

    void ResolveReferences()
    {
        for (const TReference& reference : references_) {
            QObject* target = nullptr;
            if (reference.target != "nil") {
                const QString name = QString::fromStdString(reference.target);
                target = Named(name);
                if (!target)
                    Fail(reference.line, NameOf(reference.component) + "." + reference.property.name +
                                             ": there is no component named " + Shown(reference.target));
            }
            Guarded(reference.line, reference.component, reference.property.name,
                    [&] { reference.property.setReference(reference.component, target); });
        }
    }

    void DeleteCreated()
    {
        for (auto it = created_.rbegin(); it != created_.rend(); ++it)
            delete *it;
        created_.clear();
    }

    QObject* root_;
    std::vector<QObject*> created_; // created components whose parent existed before the read
    std::set<const QObject*> createdAll_;
    std::vector<TReference> references_;
    std::map<QString, QObject*> named_; // components by name, filled at the first look-up
    bool indexed_ = false;
};

} // namespace

void TFormReader::Read(QObject* root, std::string_view text)
{
    const TFormObject form = TFormParser::Parse(text);
    TReader(root).Read(form);
}

void TFormReader::ReadFile(QObject* root, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EReadError(AnsiString::FromUtf8("cannot open the description " + path.toStdString() + ": " +
                                              file.errorString().toStdString()));
    const QByteArray text = file.readAll();
    Read(root, std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
}
