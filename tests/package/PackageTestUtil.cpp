#include "tests/package/PackageTestUtil.h"

#include <QFile>

namespace tallivo::test {

QStringList DesktopExecLines(const QString& path) {
    QFile f(path);
    QStringList lines;
    if (!f.open(QIODevice::ReadOnly)) return lines;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("Exec=")) lines << QString::fromUtf8(line.mid(5)).trimmed();
    return lines;
}

} // namespace tallivo::test
