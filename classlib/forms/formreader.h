// Reads a window description into an existing root object (the form): sets the root's published properties,
// creates each nested "object Name: TClass" block through the class registry under the object whose block
// holds it, names it, and sets its published properties in declaration order (TPublishedProperty), then the
// values it defines itself (TDefinesProperties). Component references are resolved once every component
// exists, and the tab order is chained. "OnX = Handler" names the root's public slot Handler for the
// component's signal OnX (TEventBinding); it is checked where it stands and connected once the whole text
// has read, in place of a handler bound to that event before. Aligned controls are arranged once per parent
// at the end (TControlAlign::TDeferral), then components that wait for the end of loading (TLoadable) are
// told that it has come; a root window's Visible is applied last, so that it never shows half read.
//
// Every fault raises EReadError whose message names the line and what is wrong: unknown class or property,
// a value of the wrong type or out of range, a read routine that refused its value, an unknown handler, text
// that does not parse, pictures that together would pass the budget of a description (TPictureBudget). A
// failed read leaves the root as it was: the root's values are set back, with its palette, font and dynamic
// properties, the components the read made are deleted, and no event is bound.
#pragma once

#include <QObject>
#include <QString>

#include <string_view>

class TFormReader {
public:
    static void Read(QObject* root, std::string_view text);
    // A description kept as a file or a Qt resource (":/forms/main_form.zfm"); a file longer than
    // TFormParser::MaxTextSize is refused before it is read.
    static void ReadFile(QObject* root, const QString& path);
};
