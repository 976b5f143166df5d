#pragma once
// A minimal push button for the toolkit tests: clicks on a press and answers
// Enter as a visible, enabled default control, the way the tiles do.

#include "toolkit/Forms.h"

namespace tallivo::test {

class TTestButton : public TCustomControl {
public:
    explicit TTestButton(TComponent* owner) : TCustomControl(owner) {}
    bool Default = false;
    int ModalResult = mrNone;
    int Clicks = 0;

    void Click() override {
        ++Clicks;
        if (TForm* f = ParentForm()) f->SetModalResult(ModalResult);
        TCustomControl::Click();
    }

protected:
    bool DialogKey(TKey key, TShiftState shift) override {
        if (key == VK_RETURN && Default && shift.Empty() && VisibleChain() && EnabledChain()) {
            Click();
            return true;
        }
        return false;
    }
};

} // namespace tallivo::test
