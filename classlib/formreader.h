// Reads a window description into an existing root object (the form): sets the root's published properties,
// creates each nested "object Name: TClass" block through the class registry under the object whose block
// holds it, names it, and sets its published properties in declaration order (TPublishedProperty), then the
// values it defines itself (TDefinesProperties). "OnX = Handler" connects the component's signal OnX to the
// root's slot Handler (TEventBinding). Component references are resolved once every component exists, and
// the tab order is chained at the end.
//
// Every fault raises EReadError whose message names the line and what is wrong: unknown class or property,
// a value of the wrong type or out of range, a read routine that refused its value, an unknown handler, text
// that does not parse. Components created by a failed read are deleted again.
#pragma once

#include <QObject>
#include <QString>

#include <string_view>

class TFormReader {
public:
    static void Read(QObject* root, std::string_view text);
    // A description kept as a file or a Qt resource (":/forms/main_form.zfm").
    static void ReadFile(QObject* root, const QString& path);
};
