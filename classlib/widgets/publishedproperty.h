// The published properties of a component as the window description reads and writes them, in declaration
// order: for a widget first the common control properties (TControlProperties), then every Q_PROPERTY that
// its class or one of its non-Qt bases declares (Qt's own properties are not published). A class that
// declares a property of a common name replaces the common one.
//
// Q_PROPERTY types and their values in the description:
//   bool                         True / False
//   integers (8 to 64 bits)      numbers, range-checked against the type; an int property whose name
//                                contains "Color" holds a TColor and also takes colour names (clBtnFace)
//   Q_ENUM                       the enumerator's name (taCenter)
//   Q_FLAG                       a set of enumerator names ([fsBold, fsItalic])
//   double, float                numbers
//   QString, AnsiString          strings (UTF-8 in the file; AnsiString holds Windows-1251)
//   QStringList, QList<AnsiString>  string lists, stored as Name.Strings = ( … )
//   QByteArray                   binary data
//   pointer to a QObject class   the name of another component of the form (nil for none)
// Properties without a WRITE accessor or marked STORED false are never written; the reader refuses to set
// read-only ones. A class decides per object by declaring "Q_INVOKABLE bool <property>Stored() const": the
// property is written only while that returns true (false for a value that another stored property already
// gives). Properties of other types are not published.
#pragma once

#include "classlib/widgets/formvalue.h"

#include <QObject>

#include <functional>
#include <string>
#include <vector>

struct TPublishedProperty {
    std::string name;
    // The current value as the description stores it; throws Exception when it has no such form (an
    // enumeration value without a name, a reference to a component without one).
    std::function<TFormValue(const QObject*)> get;
    // Sets the value; throws Exception with a plain message when it does not fit.
    std::function<void(QObject*, const TFormValue&)> set;
    // False: not written for this object (read-only, STORED false, its <property>Stored()
    // false, or not applicable in its state).
    std::function<bool(const QObject*)> stored;
    // False: written whenever stored, not only when it differs from a fresh instance.
    bool compareWithDefault = true;
    // Names another component: the reader sets it through setReference once every component exists.
    bool reference = false;
    std::function<void(QObject*, QObject*)> setReference;
    // The component a reference names (nullptr for none).
    std::function<const QObject*(const QObject*)> target;

    static std::vector<TPublishedProperty> Of(const QObject* component);
};
