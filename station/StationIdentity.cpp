// The station's identity file, epochs, and the identity parameters of a
// count file.
#include "station/StationIdentity.h"

#include "table/AtomicFile.h"
#include "table/StoreData.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QUuid>
#include <algorithm>

namespace tallivo {

bool IsValidStationIdentity(QStringView identity) {
    if (identity.isEmpty() || identity.size() > 64) return false;
    return std::all_of(identity.begin(), identity.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
               c == u'-' || c == u'_' || c == u'.';
    });
}

QString NewStationIdentity() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QString ReadStationIdentity(const QString& folder) {
    QFile file(QDir(folder).filePath(QString::fromLatin1(kStationFileName)));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QString first = QString::fromUtf8(file.readLine(256)).trimmed();
    return IsValidStationIdentity(first) ? first : QString();
}

void WriteStationIdentity(const QString& folder, const QString& identity) {
    const QByteArray text = identity.toUtf8() + '\n';
    TAtomicFile file(QDir(folder).filePath(QString::fromLatin1(kStationFileName)));
    file.Put(text.constData(), size_t(text.size()));
    file.Commit();
}

int64_t NextEpoch(int64_t after) {
    return std::max<int64_t>(QDateTime::currentSecsSinceEpoch(), after + 1);
}

QString TCountId::Text() const {
    return Station + u':' + QString::number(Epoch);
}

std::optional<TCountId> TCountId::Parse(QStringView text) {
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0) return std::nullopt;
    bool ok = false;
    const qint64 epoch = text.mid(colon + 1).toLongLong(&ok);
    const QStringView station = text.left(colon);
    if (!ok || !IsValidStationIdentity(station)) return std::nullopt;
    return TCountId{station.toString(), epoch};
}

std::vector<TCountId> TCountIdentity::Counts() const {
    std::vector<TCountId> all = Holds;
    if (Own) all.insert(all.begin(), *Own);
    return all;
}

TCountIdentity ReadCountIdentity(const std::vector<TStoreParam>& params) {
    TCountIdentity id;
    QString station;
    std::optional<int64_t> epoch;
    for (const TStoreParam& p : params) {
        bool ok = false;
        if (p.Name == QLatin1String(kParamStation)) {
            station = p.Value.trimmed();
        } else if (p.Name == QLatin1String(kParamEpoch)) {
            const qint64 v = p.Value.trimmed().toLongLong(&ok);
            if (ok) epoch = v;
        } else if (p.Name == QLatin1String(kParamSequence)) {
            const quint64 v = p.Value.trimmed().toULongLong(&ok);
            if (ok) id.Sequence = v;
        } else if (p.Name == QLatin1String(kParamHolds)) {
            for (const QStringView part : QStringView(p.Value).split(u' ', Qt::SkipEmptyParts))
                if (const auto count = TCountId::Parse(part)) id.Holds.push_back(*count);
        }
    }
    if (IsValidStationIdentity(station) && epoch) id.Own = TCountId{station, *epoch};
    return id;
}

QString HoldsText(const std::vector<TCountId>& holds) {
    QStringList parts;
    for (const TCountId& c : holds) parts << c.Text();
    return parts.join(u' ');
}

std::vector<TStoreParam> CountIdentityParams(const TCountIdentity& id) {
    std::vector<TStoreParam> params;
    if (id.Own) {
        params.push_back(
            {QString::fromLatin1(kParamStation), id.Own->Station, QStringLiteral("string"), false});
        params.push_back(
            {QString::fromLatin1(kParamEpoch), QString::number(id.Own->Epoch), QStringLiteral("i8"), false});
        params.push_back(
            {QString::fromLatin1(kParamSequence), QString::number(id.Sequence), QStringLiteral("i8"), false});
    }
    if (!id.Holds.empty())
        params.push_back(
            {QString::fromLatin1(kParamHolds), HoldsText(id.Holds), QStringLiteral("string"), false});
    return params;
}

std::optional<TCountId> SharedCount(const TCountIdentity& a, const TCountIdentity& b) {
    const std::vector<TCountId> mine = a.Counts(), theirs = b.Counts();
    for (const TCountId& c : mine)
        if (std::find(theirs.begin(), theirs.end(), c) != theirs.end()) return c;
    return std::nullopt;
}

QString DescribeCount(const TCountId& count) {
    const QDateTime start = QDateTime::fromSecsSinceEpoch(count.Epoch).toLocalTime();
    return QStringLiteral("le comptage du %1 à %2 du poste %3")
        .arg(start.toString(QStringLiteral("dd/MM/yyyy")), start.toString(QStringLiteral("HH:mm")),
             count.Station);
}

} // namespace tallivo
