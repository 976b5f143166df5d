#pragma once
// Actions: named commands run by gestures or controls.

#include "toolkit/Controls.h"

#include <vector>

namespace tallivo {

class TActionList;

class TAction : public TComponent {
public:
    explicit TAction(TComponent* AOwner) : TComponent(AOwner) {}
    ~TAction() override { SetActionList(nullptr); }

    QString Caption;
    TNotifyEvent OnExecute;

    TActionList* ActionList() const { return FActionList; }
    void SetActionList(TActionList* list);
    // Runs OnExecute; false when there is none.
    bool Execute();

private:
    friend class TActionList;
    TActionList* FActionList = nullptr;
};

class TActionList : public TComponent {
public:
    using TComponent::TComponent;
    ~TActionList() override;

    int ActionCount() const { return int(FActions.size()); }
    TAction* Actions(int index) const { return FActions.at(std::size_t(index)); }

private:
    friend class TAction;
    std::vector<TAction*> FActions;
};

} // namespace tallivo
