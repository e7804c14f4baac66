// Writes a component tree as a window description (UTF-8), the form the reader reads: the root and, nested
// by parent, every child object of a registered class (Qt's internal children are left out). A published
// property is stored only when it differs from its streaming default: its value on a fresh instance of the
// same class (or of the nearest registered base class), created as a child when the component is one.
// Properties such a fresh instance lacks are always stored. Bound events follow the properties, then the
// values the component defines itself (TDefinesProperties) whose hasData is true. A class declaring
// Q_CLASSINFO("StreamingDefault", "zero") has the streaming default zero for each of its own properties.
//
// What the reader could not read back raises EWriteError naming the component (and the property): a name
// that is not an identifier, a name two written components share, a reference to a component without a name
// or one the description does not hold, an enumeration value without a name, a value outside what the reader
// takes (a number that is not finite, a font height beyond its range), a line longer than the reader's.
#pragma once

#include <QObject>

#include <string>

class TFormWriter {
public:
    static std::string Write(const QObject* root);
};
