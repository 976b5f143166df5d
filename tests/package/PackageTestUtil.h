#pragma once
// Helpers of the package tests: desktop entries.

#include <QString>
#include <QStringList>

namespace tallivo::test {

// The Exec= values of a desktop entry, in file order (actions included).
QStringList DesktopExecLines(const QString& path);

} // namespace tallivo::test
