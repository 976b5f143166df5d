#include "tools/packet/MergeCounts.h"

#include <algorithm>

namespace tallivo {

void TMergeCounts::Add(const QString& name, const std::vector<TStoreParam>& params) {
    const TCountIdentity id = ReadCountIdentity(params);
    for (size_t i = 0; i < FInputs.size(); ++i)
        if (const auto shared = SharedCount(FInputs[i], id))
            throw ESameCount(
                QStringLiteral("%1 et %2 contiennent %3 : il serait compté deux fois ; rien n'est écrit")
                    .arg(FNames[qsizetype(i)], name, DescribeCount(*shared)));
    FInputs.push_back(id);
    FNames << name;
}

std::vector<TStoreParam> TMergeCounts::ResultParams(const std::vector<TStoreParam>& first) const {
    std::vector<TStoreParam> params;
    for (const TStoreParam& p : first)
        if (!p.Name.startsWith(QLatin1String("TALLIVO_"))) params.push_back(p);
    TCountIdentity held;
    for (const TCountIdentity& id : FInputs)
        for (const TCountId& count : id.Counts())
            if (std::find(held.Holds.begin(), held.Holds.end(), count) == held.Holds.end())
                held.Holds.push_back(count);
    const std::vector<TStoreParam> identity = CountIdentityParams(held);
    params.insert(params.end(), identity.begin(), identity.end());
    return params;
}

} // namespace tallivo
