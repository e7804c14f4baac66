#include "classlib/forms/formreader.h"

#include "classlib/forms/classregistry.h"
#include "classlib/widgets/controlalign.h"
#include "classlib/widgets/controlproperties.h"
#include "classlib/forms/eventbinding.h"
#include "classlib/base/exception.h"
#include "classlib/widgets/filer.h"
#include "classlib/forms/formparser.h"
#include "classlib/graphics/picturebudget.h"
#include "classlib/forms/loadable.h"
#include "classlib/widgets/publishedproperty.h"

#include <QFile>
#include <QFont>
#include <QPalette>
#include <QVariant>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <optional>
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
    } catch (const ECollectionItemError& error) {
        Fail(error.Line() > 0 ? error.Line() : line, NameOf(component) + "." + Shown(property) + "[" +
                                                       std::to_string(error.Index()) + "]: " + CauseOf(error));
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
        {
            TControlAlign::TDeferral arranging;
            try {
                ReadAll(form);
            } catch (...) {
                arranging.Discard();
                Undo();
                throw;
            }
            for (const TBinding& binding : bindings_)
                TEventBinding::Bind(binding.component, binding.event, root_, binding.handler);
        }
        for (TLoadable* component : loading_)
            component->Loaded();
        if (windowVisible_)
            static_cast<QWidget*>(root_)->setVisible(*windowVisible_);
    }

private:
    struct TReference {
        QObject* component;
        TPublishedProperty property;
        std::string target;
        int line;
    };

    // An event of a component and the root's handler for it, checked while reading and bound at the end.
    struct TBinding {
        QObject* component;
        std::string event;
        std::string handler;
    };

    // A value of the root as it was before the read, set back when the read fails.
    struct TSaved {
        std::function<void()> restore;
    };

    void ReadAll(const TFormObject& form)
    {
        SaveRootState();
        const QString oldName = root_->objectName();
        saved_.push_back({[this, oldName] { root_->setObjectName(oldName); }});
        root_->setObjectName(QString::fromStdString(form.name));
        ReadObject(root_, form);
        ResolveReferences();
        if (root_->isWidgetType())
            TControlProperties::ApplyTabOrder(static_cast<QWidget*>(root_));
    }

    // Leaves the root as it was: its values set back in reverse order, the components the read made deleted.
    void Undo()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            try {
                it->restore();
            } catch (const std::exception&) {
                // a value that no longer fits stays as the read left it; the others are still set back
            }
        }
        if (auto* root = dynamic_cast<TLoadable*>(root_))
            root->CancelLoading();
        DeleteCreated();
    }

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
        if (auto* component = dynamic_cast<TLoadable*>(object)) {
            component->Loading();
            loading_.push_back(component);
        }
        std::map<std::string, const TFormProperty*> given; // the parser refused names given twice
        for (const TFormProperty& property : block.properties)
            given.emplace(property.name, &property);
        const std::vector<TPublishedProperty> published = TPublishedProperty::Of(object);
        TFilerDefinitions defined;
        if (auto* definer = dynamic_cast<TDefinesProperties*>(object))
            definer->DefineProperties(defined);
        CheckKnown(object, block, published, defined);
        if (object == root_)
            SaveRoot(published, defined, given);
        SetPublished(object, published, given);
        CheckEvents(object, block, published);
        ReadDefined(object, defined, given);
    }

    // Remembers what setting the published values back cannot give back, to be restored after them: the
    // dynamic properties (which a value kept there adds), and whether the root widget's palette, font and
    // filled background were its own or came from its parent and the application.
    void SaveRootState()
    {
        std::map<QByteArray, QVariant> properties;
        for (const QByteArray& name : root_->dynamicPropertyNames())
            properties.emplace(name, root_->property(name.constData()));
        saved_.push_back({[this, properties] {
            for (const QByteArray& name : root_->dynamicPropertyNames())
                if (!properties.count(name))
                    root_->setProperty(name.constData(), QVariant());
            for (const auto& [name, value] : properties)
                root_->setProperty(name.constData(), value);
        }});
        if (!root_->isWidgetType())
            return;
        auto* widget = static_cast<QWidget*>(root_);
        const QPalette palette = widget->testAttribute(Qt::WA_SetPalette) ? widget->palette() : QPalette();
        const QFont font = widget->testAttribute(Qt::WA_SetFont) ? widget->font() : QFont();
        const bool filled = widget->autoFillBackground();
        saved_.push_back({[widget, palette, font, filled] {
            widget->setPalette(palette);
            widget->setFont(font);
            widget->setAutoFillBackground(filled);
        }});
    }

    // Remembers every published value of the root and the defined values the description gives, so that a
    // failed read can set back what changed (a value may change with another one: Color with ParentColor).
    void SaveRoot(const std::vector<TPublishedProperty>& published, const TFilerDefinitions& defined,
                  const std::map<std::string, const TFormProperty*>& given)
    {
        for (const TPublishedProperty& property : published)
            SaveRootValue(property);
        for (const TFilerDefinitions::TDefinition& definition : defined.definitions)
            if (given.count(definition.name))
                saved_.push_back({[read = definition.read, old = definition.write()] { read(old); }});
    }

    void SaveRootValue(const TPublishedProperty& property)
    {
        if (property.reference) {
            QPointer<QObject> old(const_cast<QObject*>(property.target(root_)));
            saved_.push_back({[this, property, old] { property.setReference(root_, old); }});
            return;
        }
        try {
            saved_.push_back({[this, property, old = property.get(root_)] {
                if (!SameValue(property.get(root_), old))
                    property.set(root_, old);
            }});
        } catch (const std::exception&) {
            // a value the description cannot express cannot be set back either
        }
    }

    static bool SameValue(const TFormValue& a, const TFormValue& b)
    {
        if (a.kind != b.kind || a.text != b.text || a.members != b.members || a.binary != b.binary ||
            a.list.size() != b.list.size())
            return false;
        for (std::size_t i = 0; i < a.list.size(); ++i)
            if (a.list[i] != b.list[i])
                return false;
        return a.kind == TFormValue::Kind::Float ? a.number == b.number : a.integer == b.integer;
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
            if (object == root_ && property.name == "Visible" && IsWindow(root_)) {
                Guarded(line.line, object, property.name,
                        [&] { windowVisible_ = TControlProperties::ToBool(line.value); });
                continue;
            }
            Guarded(line.line, object, property.name, [&] { property.set(object, line.value); });
            if (property.reference)
                references_.push_back({object, property, line.value.text.toStdString(), line.line});
        }
    }

    static bool IsWindow(const QObject* object)
    {
        return object->isWidgetType() && static_cast<const QWidget*>(object)->isWindow();
    }

    void CheckEvents(QObject* object, const TFormObject& block, const std::vector<TPublishedProperty>& published)
    {
        for (const TFormProperty& property : block.properties) {
            const auto named = [&property](const auto& entry) { return entry.name == property.name; };
            if (std::any_of(published.begin(), published.end(), named) || !TEventBinding::IsEvent(object, property.name))
                continue;
            Guarded(property.line, object, property.name, [&] {
                if (property.value.kind != TFormValue::Kind::Identifier)
                    throw Exception("expected the name of a handler");
                const std::string handler = property.value.text.toStdString();
                TEventBinding::Check(object, property.name, root_, handler);
                bindings_.push_back({object, property.name, handler});
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
    std::vector<TBinding> bindings_;
    std::vector<TSaved> saved_;
    std::vector<TLoadable*> loading_;
    std::map<QString, QObject*> named_; // components by name, filled at the first look-up
    bool indexed_ = false;
    // A root window's Visible, applied once the whole description is read: the window never shows without
    // its children, nor after a failed read.
    std::optional<bool> windowVisible_;
};

} // namespace

void TFormReader::Read(QObject* root, std::string_view text)
{
    const TFormObject form = TFormParser::Parse(text);
    const TPictureBudget::TScope pictures;
    TReader(root).Read(form);
}

void TFormReader::ReadFile(QObject* root, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EReadError(AnsiString::FromUtf8("cannot open the description " + path.toStdString() + ": " +
                                              file.errorString().toStdString()));
    // One byte past the limit tells a text that is too long, also from a file that reports no size.
    const QByteArray text = file.read(static_cast<qint64>(TFormParser::MaxTextSize) + 1);
    if (text.size() > static_cast<qsizetype>(TFormParser::MaxTextSize))
        throw EReadError(AnsiString::FromUtf8("the description " + path.toStdString() + " is longer than " +
                                              std::to_string(TFormParser::MaxTextSize) + " bytes"));
    Read(root, std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
}
