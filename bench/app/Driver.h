#pragma once
// Driving the workstation offscreen for the benchmarks: a data folder with a
// generated catalogue (and collection), the main window started in it, and
// a code entered with its keypad timed.

#include "app/Master.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace tallivo {
class TNumPadBox;
}

namespace tallivo::bench {

// A temporary folder with ARTICLE.XML of articles generated articles (with
// names that never repeat when uniqueNames) and, when collectionLines > 0,
// COLLECTION.XML holding the first collectionLines of them (quantity 1).
// Made once per distinct request, removed at exit.
QString DataFolder(uint32_t articles, uint32_t collectionLines = 0, bool uniqueNames = false);

// Puts COLLECTION.XML of a DataFolder back as it was made, without journal
// or station identity.
void RestoreCollection(const QString& folder);

// Creates the main window in folder and waits until it is ready for a code
// (both files loaded, the code field focused).
std::unique_ptr<TMasterform> StartWorkstation(const QString& folder);

// Enters code (Enter in the code field); once the keypad is shown and
// active, onKeypad runs on it and must end it. Returns the seconds from
// Enter to the keypad active (-1 when none opened).
double EnterCode(TMasterform& form, const QString& code, const std::function<void(TNumPadBox*)>& onKeypad);

// The process's resident memory in bytes.
uint64_t ResidentBytes();

} // namespace tallivo::bench
