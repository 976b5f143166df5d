#pragma once
// The gesture manager of a window and the engines that read strokes from
// its controls. A window's TGestureManager assigns gestures (each with the
// action it runs) to its controls; registering a grid gives it a
// TMouseGestureEngine, which follows the grid's presses, moves and releases
// (fingers included) before the grid handles them, recognises the stroke at
// the release and runs the action of the gesture found, before the grid's
// own click.

#include "grid/GestureStroke.h"
#include "grid/Grids.h"

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace tallivo {

class TAction;
class TGestureManager;

class TGestureCollectionItem {
public:
    TGestureID GestureID = sgiNoGesture;
    TAction* Action = nullptr; // must outlive the item
    TGestureOptions Options;
    int Deviation = 0;
    int ErrorMargin = 0;
    TGesturePointArray Points; // empty for a standard gesture (its template is used)
    QString Name;
    TGestureType GestureType = gtNone;
};

// The gestures a manager assigns to one control, in their order.
class TGestureCollection {
public:
    int Count() const { return int(FItems.size()); }
    TGestureCollectionItem* Items(int index) const { return FItems.at(std::size_t(index)).get(); }
    TGestureCollectionItem* Add();
    // A standard gesture running Action, with the settings of its template.
    TGestureCollectionItem* AddStandard(TGestureID id, TAction* Action);
    TGestureCollectionItem* FindGesture(TGestureID id) const;

private:
    std::vector<std::unique_ptr<TGestureCollectionItem>> FItems;
};

// Reads strokes from one control and hands them to the recogniser.
class TGestureEngine : public TStrokeCapture {
public:
    explicit TGestureEngine(TWinControl* Control);
    virtual ~TGestureEngine();
    TGestureEngine(const TGestureEngine&) = delete;
    TGestureEngine& operator=(const TGestureEngine&) = delete;

    TWinControl* Control() const { return FControl; }
    TPoint InitialPoint() const { return FInitialPoint; }
    // The clock of the stroke time limit, in milliseconds (tests set their own).
    void SetClock(std::function<std::int64_t()> clock) { FClock = std::move(clock); }
    // The control is going away: the engine no longer touches it.
    virtual void Detach() { FControl = nullptr; }

protected:
    std::int64_t Now() const { return FClock(); }
    // The end of a stroke in time: the gestures of the target and its
    // parents are tried, and the one recognised is dispatched.
    void RecogniseStroke();

    TWinControl* FControl;
    TControl* FTargetControl = nullptr;
    TPoint FInitialPoint; // screen coordinates
    std::function<std::int64_t()> FClock;
};

// The engine of a grid: its mouse hook. Strokes are drawn with the left
// button (or a finger).
class TMouseGestureEngine : public TGestureEngine, public TGridMouseHook {
public:
    explicit TMouseGestureEngine(TCustomGrid* Grid);
    ~TMouseGestureEngine() override;
    void Detach() override;

    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void PressCancelled() override;

private:
    TCustomGrid* FGrid;
};

class TGestureManager : public TComponent {
public:
    explicit TGestureManager(TComponent* AOwner);
    ~TGestureManager() override;

    // The gestures assigned to Control. The first call registers it: the
    // control's gesture manager becomes this one, and a grid gets its engine.
    TGestureCollection& GestureData(TWinControl* Control);
    void UnregisterControl(TControl* Control);
    // The gestures of a registered control, or nullptr.
    const TGestureCollection* RegisteredGestures(const TControl* Control) const;
    // The item of Control with that identifier, or nullptr.
    TGestureCollectionItem* FindGesture(const TControl* Control, TGestureID id) const;
    // The engine reading Control's strokes, or nullptr.
    TGestureEngine* Engine(const TControl* Control) const;

private:
    struct TRegistration {
        std::unique_ptr<TGestureCollection> Gestures;
        std::unique_ptr<TGestureEngine> Engine;
        QMetaObject::Connection Destroyed;
    };
    std::map<const TControl*, TRegistration> FControls;
};

// The gesture manager a control is registered with, or nullptr.
TGestureManager* GestureManagerOf(const TControl* Control);
// The gestures that apply to a stroke over Target: its own, then those of
// each of its parents, in that order.
TGestureList GestureListOf(const TControl* Target);
// Runs the action of the gesture: the item is looked up from Target
// towards its parents, at the first control whose manager has one.
void DispatchGesture(TControl* Target, const TGestureEventInfo& Info);

} // namespace tallivo
