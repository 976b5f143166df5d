#pragma once
// The save-file dialog.

#include "toolkit/Controls.h"

namespace tallivo {

class TSaveDialog : public TComponent {
public:
    using TComponent::TComponent;

    QString DefaultExt;
    QString FileName;
    // Pairs of description and pattern separated by "|":
    // "Format CSV|*.CSV|Format XML |*.XML".
    QString Filter;
    int FilterIndex = 1;
    QString InitialDir;
    QString Title;

    // Shows the dialog; true with FileName set when the operator chose a file.
    bool Execute();

    // Replaces the dialog, for tests: receives the dialog (to read its
    // settings and set FileName) and returns the answer.
    static std::function<bool(TSaveDialog&)> ExecuteHook;

    // The filter in Qt's form: "Format CSV (*.CSV);;Format XML  (*.XML)".
    static QString QtFilter(const QString& filter);
    // name with "." and DefaultExt appended when it has no extension.
    QString WithDefaultExt(const QString& name) const;
};

} // namespace tallivo
