#pragma once
// Views see a table through a TDataSource: each TDataLink of the source
// keeps its own window into the table's record window and is told of every
// change through virtual notifications.

#include "table/DBTypes.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace tallivo {

class TClientDataSet;
class TDataLink;
class TField;

class TDataSource {
public:
    TDataSource() = default;
    ~TDataSource();
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    TClientDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TClientDataSet* dataSet);
    TDataSetState State() const { return FState; }

    // Called after a record's values or the window changed (Field: the
    // field whose value changed, or nullptr).
    std::function<void(TDataSource* Sender, TField* Field)> OnDataChange;
    // Called when the table's state changed.
    std::function<void(TDataSource* Sender)> OnStateChange;

    // The table notifies its sources.
    void DataEvent(TDataEvent event, intptr_t info);
    void DataSetGone();
    const std::vector<TDataLink*>& Links() const { return FLinks; }
    // Largest BufferCount of the links (0 without links).
    int MaxBufferCount() const;
    void WindowShifted(int shift);

private:
    friend class TDataLink;
    void AddLink(TDataLink* link);
    void RemoveLink(TDataLink* link);
    void UpdateState();

    TClientDataSet* FDataSet = nullptr;
    TDataSetState FState = dsInactive;
    std::vector<TDataLink*> FLinks;
};

class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* source);
    TClientDataSet* DataSet() const;
    // True while linked to an open table.
    bool Active() const { return FActive; }
    // True while the table edits or inserts a record.
    bool Editing() const { return FEditing; }

    // Rows this view can show; the table keeps as many buffers as its largest
    // link asks for (at least one).
    int BufferCount() const { return FBufferCount; }
    void SetBufferCount(int count);
    // The current record's row in this link's window. Setting it makes that
    // row's record the table's current record for field reads, without moving
    // the cursor or sending notifications; restore it afterwards.
    int ActiveRecord() const;
    void SetActiveRecord(int row);
    // Records in this link's window.
    int RecordCount() const;
    // Index of this window's first row in the table's record window.
    int FirstRecord() const { return FFirstRecord; }

    void DataEvent(TDataEvent event, intptr_t info);

protected:
    virtual void ActiveChanged() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int distance) {
        (void)distance;
        DataSetChanged();
    }
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* field) { (void)field; }
    virtual void EditingChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    void UpdateState();
    // Moves the window by the table's buffer shift, then by the least amount
    // that keeps the current record visible; returns that least amount.
    int UpdateRange(int shift);

    TDataSource* FDataSource = nullptr;
    bool FActive = false;
    bool FEditing = false;
    int FBufferCount = 1;
    int FFirstRecord = 0;
};

} // namespace tallivo
