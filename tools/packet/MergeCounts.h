#pragma once
// Which station counts the inputs of a merge hold (their TALLIVO_POSTE,
// TALLIVO_EPOQUE and TALLIVO_CONTIENT parameters): one count found in two
// inputs, whatever their names (a copy, an older copy, a merge that already
// holds it), would be counted twice and is refused. Files from before
// station identities hold no known count and merge as they always did.

#include "base/Exception.h"
#include "station/StationIdentity.h"
#include "table/StoreData.h"

#include <QStringList>
#include <vector>

namespace tallivo {

// Two inputs hold the same count.
class ESameCount : public Exception {
public:
    using Exception::Exception;
};

class TMergeCounts {
public:
    // Takes the input's counts; raises ESameCount when an input added
    // before holds one of them (nothing is taken then).
    void Add(const QString& name, const std::vector<TStoreParam>& params);
    // The parameters of the merged file: the first input's without its
    // station identity (the result is no station's count), with every count
    // the inputs held in TALLIVO_CONTIENT.
    std::vector<TStoreParam> ResultParams(const std::vector<TStoreParam>& first) const;

private:
    std::vector<TCountIdentity> FInputs;
    QStringList FNames;
};

} // namespace tallivo
