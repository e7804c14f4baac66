// A component that only holds a collection of named PNG pictures (Items).
#pragma once

#include "classlib/widgets/filer.h"
#include "png/pngimagecollectionitems.h"

#include <QObject>

#include <memory>

class TPngImageCollection : public QObject, public TDefinesProperties {
    Q_OBJECT

public:
    Q_INVOKABLE explicit TPngImageCollection(QObject* owner = nullptr);
    ~TPngImageCollection() override;

    TPngImageCollectionItems& Items() { return *items_; }
    const TPngImageCollectionItems& Items() const { return *items_; }
    // Copies value into Items.
    void SetItems(const TPngImageCollectionItems& value);

    // "Items" (the collection).
    void DefineProperties(TFiler& filer) override;

private:
    std::unique_ptr<TPngImageCollectionItems> items_;
};
