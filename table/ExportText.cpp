#include "table/ExportText.h"

#include "table/ClientDataSet.h"

#include <QStringList>

namespace tallivo {

QString ExportHeader(const TClientDataSet& table) {
    QStringList names;
    table.GetFieldNames(names);
    return names.mid(0, std::max<qsizetype>(0, names.size() - 1)).join(u';');
}

QString ExportLine(TClientDataSet& table) {
    QStringList values;
    for (int i = 0; i + 1 < table.Fields().Count(); ++i) values << table.Fields()[i]->AsString();
    return values.join(u';');
}

} // namespace tallivo
