// Writes a component tree as a window description (UTF-8), the form the reader reads: the root and, nested
// by parent, every child object of a registered class (Qt's internal children are left out). A published
// property is stored only when it differs from its streaming default: its value on a fresh instance of the
// same class (or of the nearest registered base class), created as a child when the component is one.
// Properties such a fresh instance lacks are always stored. Bound events follow the properties, then the
// values the component defines itself (TDefinesProperties) whose hasData is true.
#pragma once

#include <QObject>

#include <string>

class TFormWriter {
public:
    static std::string Write(const QObject* root);
};
