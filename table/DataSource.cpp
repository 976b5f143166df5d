#include "table/DataSource.h"

#include "table/ClientDataSet.h"

#include <algorithm>

namespace tallivo {

TDataSource::~TDataSource() {
    SetDataSet(nullptr);
    const std::vector<TDataLink*> links = FLinks;
    for (TDataLink* l : links) l->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TClientDataSet* dataSet) {
    if (dataSet == FDataSet) return;
    if (FDataSet) FDataSet->DetachDataSource(this);
    FDataSet = dataSet;
    if (FDataSet) FDataSet->AttachDataSource(this);
    UpdateState();
    const std::vector<TDataLink*> links = FLinks;
    for (TDataLink* l : links) l->UpdateState();
}

void TDataSource::DataSetGone() {
    FDataSet = nullptr;
    UpdateState();
    const std::vector<TDataLink*> links = FLinks;
    for (TDataLink* l : links) l->UpdateState();
}

void TDataSource::UpdateState() {
    const TDataSetState s = FDataSet ? FDataSet->State() : dsInactive;
    if (s == FState) return;
    FState = s;
    if (OnStateChange) OnStateChange(this);
}

void TDataSource::AddLink(TDataLink* link) {
    FLinks.push_back(link);
    if (FDataSet) FDataSet->UpdateBufferCount();
}

void TDataSource::RemoveLink(TDataLink* link) {
    FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), link), FLinks.end());
    if (FDataSet) FDataSet->UpdateBufferCount();
}

int TDataSource::MaxBufferCount() const {
    int n = 0;
    for (const TDataLink* l : FLinks) n = std::max(n, l->BufferCount());
    return n;
}

void TDataSource::WindowShifted(int shift) {
    for (TDataLink* l : FLinks)
        if (l->Active()) l->UpdateRange(shift);
}

void TDataSource::DataEvent(TDataEvent event, intptr_t info) {
    if (event == deUpdateState) UpdateState();
    const std::vector<TDataLink*> links = FLinks;
    for (TDataLink* l : links) {
        // A handler may detach links; skip those gone meanwhile.
        if (std::find(FLinks.begin(), FLinks.end(), l) != FLinks.end()) l->DataEvent(event, info);
    }
    if (OnDataChange) {
        switch (event) {
        case deFieldChange:
        case deRecordChange:
            OnDataChange(this, reinterpret_cast<TField*>(info));
            break;
        case deDataSetChange:
        case deDataSetScroll:
        case deLayoutChange:
            OnDataChange(this, nullptr);
            break;
        default:
            break;
        }
    }
}

TDataLink::~TDataLink() {
    SetDataSource(nullptr);
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == FDataSource) return;
    if (FDataSource) FDataSource->RemoveLink(this);
    FDataSource = source;
    if (FDataSource) FDataSource->AddLink(this);
    UpdateState();
}

TClientDataSet* TDataLink::DataSet() const {
    return FDataSource ? FDataSource->DataSet() : nullptr;
}

void TDataLink::UpdateState() {
    TClientDataSet* ds = DataSet();
    const bool active = ds && ds->Active();
    if (active != FActive) {
        FActive = active;
        FFirstRecord = 0;
        if (FActive) UpdateRange(0);
        ActiveChanged();
    }
    const bool editing = active && (ds->State() == dsEdit || ds->State() == dsInsert);
    if (editing != FEditing) {
        FEditing = editing;
        EditingChanged();
    }
}

void TDataLink::SetBufferCount(int count) {
    count = std::max(1, count);
    if (count == FBufferCount) return;
    FBufferCount = count;
    if (TClientDataSet* ds = DataSet()) ds->UpdateBufferCount();
    if (FActive) UpdateRange(0);
}

int TDataLink::ActiveRecord() const {
    TClientDataSet* ds = DataSet();
    return FActive && ds ? ds->ActiveRecord() - FFirstRecord : 0;
}

void TDataLink::SetActiveRecord(int row) {
    TClientDataSet* ds = DataSet();
    if (FActive && ds) ds->SetActiveRecord(FFirstRecord + row);
}

int TDataLink::RecordCount() const {
    TClientDataSet* ds = DataSet();
    if (!FActive || !ds) return 0;
    return std::max(0, std::min(FBufferCount, ds->WindowRecordCount() - FFirstRecord));
}

int TDataLink::UpdateRange(int shift) {
    TClientDataSet* ds = DataSet();
    if (!ds) return 0;
    const int first = FFirstRecord + shift;
    const int last = first + FBufferCount - 1;
    const int active = ds->ActiveRecord();
    int count = 0;
    if (active > last)
        count = active - last;
    else if (active < first)
        count = active - first;
    FFirstRecord = std::max(0, first + count);
    return count;
}

void TDataLink::DataEvent(TDataEvent event, intptr_t info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!FActive) return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
        UpdateRange(int(info));
        DataSetChanged();
        break;
    case deDataSetScroll:
        DataSetScrolled(UpdateRange(int(info)));
        break;
    case deLayoutChange:
        UpdateRange(int(info));
        LayoutChanged();
        break;
    case deUpdateRecord:
        UpdateData();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    default:
        break;
    }
}

} // namespace tallivo
