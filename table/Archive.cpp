#include "table/Archive.h"

#include "table/AtomicFile.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "base/Exception.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>

namespace tallivo {

QString ArchiveName(const QString& fileName, const QDateTime& when, int n) {
    const QFileInfo file(fileName);
    QString name = file.completeBaseName() + when.toString(QStringLiteral("-yyyyMMdd-HHmmss"));
    if (n > 1) name += u'-' + QString::number(n);
    if (!file.suffix().isEmpty()) name += u'.' + file.suffix();
    const QString dir = fileName.left(fileName.size() - file.fileName().size());
    return dir + name;
}

bool IsArchiveName(const QString& name, const QString& baseName) {
    const QFileInfo base(baseName);
    QString pattern = QRegularExpression::escape(base.completeBaseName()) + QStringLiteral("-\\d{8}-\\d{6}(-\\d+)?");
    if (!base.suffix().isEmpty()) pattern += QStringLiteral("\\.") + QRegularExpression::escape(base.suffix());
    const QRegularExpression re(QRegularExpression::anchoredPattern(pattern),
                                QRegularExpression::CaseInsensitiveOption);
    return re.match(name).hasMatch();
}

QString WriteArchive(TClientDataSet& table, const QString& fileName, const QDateTime& when) {
    if (!table.Store()) return QString();
    table.CheckBrowseMode();
    for (int n = 1; n < 1000; ++n) {
        const QString name = ArchiveName(fileName, when, n);
        if (QFileInfo(name).exists() || QFileInfo(name).isSymLink()) continue;
        TAtomicFile file(name);
        table.PacketCodec().WriteTo(*table.Store(), dfXML, file);
        try {
            file.CommitNew();
            return name;
        } catch (const EInOutError& e) {
            // Another archive took the name meanwhile: the next one.
            if (e.ErrorCode() != EEXIST) throw;
        }
    }
    throw EInOutError(Format("Erreur E/S %d", EEXIST), EEXIST);
}

} // namespace tallivo
