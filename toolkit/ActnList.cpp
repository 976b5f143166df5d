#include "toolkit/ActnList.h"

#include <algorithm>

namespace tallivo {

void TAction::SetActionList(TActionList* list) {
    if (FActionList) std::erase(FActionList->FActions, this);
    FActionList = list;
    if (list) list->FActions.push_back(this);
}

bool TAction::Execute() {
    if (!OnExecute) return false;
    OnExecute(this);
    return true;
}

TActionList::~TActionList() {
    for (TAction* a : FActions) a->FActionList = nullptr;
}

} // namespace tallivo
