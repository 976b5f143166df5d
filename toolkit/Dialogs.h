#pragma once
// The save-file dialog.

#include "toolkit/Controls.h"

class QFileDialog;
class QLineEdit;

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
    // Sets dialog up as Execute shows it (options, filter, folder, name and
    // the panel below).
    void Prepare(QFileDialog& dialog);

    // Builds a panel for the dialog's file-name field, shown under the
    // dialog's own controls across its width (the workstation's touch
    // keyboard); the dialog owns it. nameField is null when the dialog has
    // none that can be told apart.
    std::function<QWidget*(QFileDialog& dialog, QLineEdit* nameField)> OnCreatePanel;

    // Replaces the dialog, for tests: receives the dialog (to read its
    // settings and set FileName) and returns the answer.
    static std::function<bool(TSaveDialog&)> ExecuteHook;

    // The filter in Qt's form: "Format CSV (*.CSV);;Format XML  (*.XML)".
    static QString QtFilter(const QString& filter);
    // name with "." and DefaultExt appended when it has no extension.
    QString WithDefaultExt(const QString& name) const;
};

} // namespace tallivo
