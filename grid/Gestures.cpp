// Gesture manager, engines and dispatch. In this file: the control-to-manager
// registry; the gesture collection; the engines (stroke end, the grid's mouse
// hook); the manager; the gesture list and the dispatch.
#include "grid/Gestures.h"

#include "grid/GestureRecognizer.h"
#include "toolkit/ActnList.h"

#include <chrono>

namespace tallivo {

namespace {

// Each registered control's manager (the control's Touch.GestureManager).
std::map<const TControl*, TGestureManager*>& Registry() {
    static std::map<const TControl*, TGestureManager*> registry;
    return registry;
}

std::int64_t SteadyMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

// ---------------------------------------------------------------- collection

TGestureCollectionItem* TGestureCollection::Add() {
    FItems.push_back(std::make_unique<TGestureCollectionItem>());
    return FItems.back().get();
}

TGestureCollectionItem* TGestureCollection::AddStandard(TGestureID id, TAction* Action) {
    TGestureCollectionItem* item = Add();
    item->GestureID = id;
    item->GestureType = gtStandard;
    item->Action = Action;
    item->Name = QString::fromLatin1(GestureIdName(id)).mid(3); // "Left" for sgiLeft
    if (const TStandardGestureData* data = FindStandardGesture(id)) {
        item->Options = data->Options;
        item->Deviation = data->Deviation;
        item->ErrorMargin = data->ErrorMargin;
    }
    return item;
}

TGestureCollectionItem* TGestureCollection::FindGesture(TGestureID id) const {
    for (const auto& item : FItems)
        if (item->GestureID == id) return item.get();
    return nullptr;
}

// ---------------------------------------------------------------- engines

TGestureEngine::TGestureEngine(TWinControl* Control) : FControl(Control), FClock(SteadyMilliseconds) {}

TGestureEngine::~TGestureEngine() = default;

void TGestureEngine::RecogniseStroke() {
    if (!FTargetControl) return;
    const TGestureList gestures = GestureListOf(FTargetControl);
    if (gestures.empty()) return;
    TGestureEventInfo info;
    info.Location = {FInitialPoint.X, FInitialPoint.Y};
    if (GestureRecognizer().IsGesture(FPoints, gestures, {gtStandard, gtRecorded, gtRegistered}, info))
        DispatchGesture(FTargetControl, info);
}

TMouseGestureEngine::TMouseGestureEngine(TCustomGrid* Grid) : TGestureEngine(Grid), FGrid(Grid) {
    FGrid->SetMouseHook(this);
}

TMouseGestureEngine::~TMouseGestureEngine() {
    if (FGrid && FGrid->MouseHook() == this) FGrid->SetMouseHook(nullptr);
}

void TMouseGestureEngine::Detach() {
    TGestureEngine::Detach();
    FGrid = nullptr;
    FTargetControl = nullptr;
}

void TMouseGestureEngine::MouseDown(TMouseButton Button, TShiftState, int X, int Y) {
    if (Button != mbLeft || !FGrid) return;
    // A grid has no child controls of its own under the pointer: the stroke
    // is the grid's.
    FTargetControl = FGrid;
    const TPoint offset = FGrid->ClientOffset();
    FInitialPoint = FGrid->ClientToScreen({X + offset.X, Y + offset.Y});
    StrokeDown(X, Y, Now());
}

void TMouseGestureEngine::MouseMove(TShiftState, int X, int Y) {
    if (!FGrid) return;
    StrokeMove(X, Y, Now());
}

void TMouseGestureEngine::MouseUp(TMouseButton Button, TShiftState, int X, int Y) {
    if (Button != mbLeft || !FGrid) return;
    if (StrokeUp(X, Y, Now())) RecogniseStroke();
}

void TMouseGestureEngine::PressCancelled() {
    FStopWatch.Reset();
    ClearStroke();
}

// ---------------------------------------------------------------- manager

TGestureManager::TGestureManager(TComponent* AOwner) : TComponent(AOwner) {}

TGestureManager::~TGestureManager() {
    while (!FControls.empty()) UnregisterControl(const_cast<TControl*>(FControls.begin()->first));
}

TGestureCollection& TGestureManager::GestureData(TWinControl* Control) {
    auto found = FControls.find(Control);
    if (found != FControls.end()) return *found->second.Gestures;
    // A control has one gesture manager: a previous one lets it go.
    if (TGestureManager* previous = GestureManagerOf(Control)) previous->UnregisterControl(Control);
    TRegistration& r = FControls[Control];
    r.Gestures = std::make_unique<TGestureCollection>();
    // Strokes are read from grids, the only controls here that have gestures.
    if (auto* grid = dynamic_cast<TCustomGrid*>(Control))
        r.Engine = std::make_unique<TMouseGestureEngine>(grid);
    // A control freed first leaves without its engine touching it again.
    r.Destroyed = QObject::connect(Control, &QObject::destroyed, [this, Control] {
        auto it = FControls.find(Control);
        if (it == FControls.end()) return;
        if (it->second.Engine) it->second.Engine->Detach();
        Registry().erase(Control);
        FControls.erase(it);
    });
    Registry()[Control] = this;
    return *r.Gestures;
}

void TGestureManager::UnregisterControl(TControl* Control) {
    auto it = FControls.find(Control);
    if (it == FControls.end()) return;
    QObject::disconnect(it->second.Destroyed);
    Registry().erase(Control);
    FControls.erase(it); // the engine unhooks itself from the grid
}

const TGestureCollection* TGestureManager::RegisteredGestures(const TControl* Control) const {
    const auto it = FControls.find(Control);
    return it == FControls.end() ? nullptr : it->second.Gestures.get();
}

TGestureCollectionItem* TGestureManager::FindGesture(const TControl* Control, TGestureID id) const {
    const auto it = FControls.find(Control);
    return it == FControls.end() ? nullptr : it->second.Gestures->FindGesture(id);
}

TGestureEngine* TGestureManager::Engine(const TControl* Control) const {
    const auto it = FControls.find(Control);
    return it == FControls.end() ? nullptr : it->second.Engine.get();
}

// ---------------------------------------------------------------- list and dispatch

TGestureManager* GestureManagerOf(const TControl* Control) {
    const auto it = Registry().find(Control);
    return it == Registry().end() ? nullptr : it->second;
}

TGestureList GestureListOf(const TControl* Target) {
    TGestureList list;
    for (const TControl* c = Target; c; c = c->Parent()) {
        const TGestureManager* manager = GestureManagerOf(c);
        if (!manager) continue;
        const TGestureCollection* gestures = manager->RegisteredGestures(c);
        for (int i = 0; i < gestures->Count(); ++i) {
            const TGestureCollectionItem* item = gestures->Items(i);
            TGestureListItem entry;
            entry.GestureID = item->GestureID;
            entry.GestureType = item->GestureType;
            entry.Options = item->Options;
            entry.Deviation = item->Deviation;
            entry.ErrorMargin = item->ErrorMargin;
            entry.Points = item->Points;
            list.push_back(std::move(entry));
        }
    }
    return list;
}

void DispatchGesture(TControl* Target, const TGestureEventInfo& Info) {
    TGestureCollectionItem* item = nullptr;
    for (TControl* c = Target; c; c = c->Parent()) {
        const TGestureManager* manager = GestureManagerOf(c);
        if (!manager) continue;
        if (Info.GestureID == sgiNoGesture) break;
        if ((item = manager->FindGesture(c, Info.GestureID))) break;
    }
    if (item && item->Action) item->Action->Execute();
    // Without an action the control reached would get a gesture event of its
    // own; no control of this system handles one.
}

} // namespace tallivo
