#include "toolkit/Dialogs.h"

#include "toolkit/Forms.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>

namespace tallivo {

std::function<bool(TSaveDialog&)> TSaveDialog::ExecuteHook;

QString TSaveDialog::QtFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        out << parts[i] + QStringLiteral(" (") + patterns + u')';
    }
    return out.join(QStringLiteral(";;"));
}

QString TSaveDialog::WithDefaultExt(const QString& name) const {
    if (name.isEmpty() || DefaultExt.isEmpty() || !QFileInfo(name).suffix().isEmpty()) return name;
    return name + u'.' + DefaultExt;
}

bool TSaveDialog::Execute() {
    if (ExecuteHook) return ExecuteHook(*this);
    QFileDialog dialog(Application ? Application->MainForm() : nullptr, Title);
    Prepare(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    FileName = WithDefaultExt(dialog.selectedFiles().first());
    return true;
}

void TSaveDialog::Prepare(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QString qtFilter = QtFilter(Filter);
    if (!qtFilter.isEmpty()) {
        const QStringList filters = qtFilter.split(QStringLiteral(";;"));
        dialog.setNameFilters(filters);
        if (FilterIndex >= 1 && FilterIndex <= filters.size()) dialog.selectNameFilter(filters[FilterIndex - 1]);
    }
    if (!InitialDir.isEmpty() && QDir(InitialDir).exists()) dialog.setDirectory(InitialDir);
    if (!FileName.isEmpty()) dialog.selectFile(FileName);
    if (!OnCreatePanel) return;
    // Qt's own dialog names its file-name field; else its only line edit.
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!name) {
        const auto edits = dialog.findChildren<QLineEdit*>();
        if (edits.size() == 1) name = edits.first();
    }
    QWidget* panel = OnCreatePanel(dialog, name);
    if (!panel) return;
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(panel, grid->rowCount(), 0, 1, grid->columnCount());
    else if (dialog.layout())
        dialog.layout()->addWidget(panel);
}

} // namespace tallivo
