#pragma once
// The in-memory table: typed fields, records held in a column store with a
// change log, one cursor with its editing states, an optional sort order,
// searches, a window of records for views, and persistence through a data
// packet codec.

#include "table/DBTypes.h"
#include "table/Fields.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <string_view>
#include <variant>
#include <vector>

namespace tallivo {

class IDSBase;
class IDSCursor;
class IDataPacketCodec;
class TDataSource;
struct TStoreData;
struct TFieldValue;

// A search value: null, text or number.
using TKeyValue = std::variant<std::monostate, QString, double>;

// A read-only view of one value of the current record buffer.
struct TValueView {
    bool Null = true;
    double Float = 0;
    std::string_view Bytes;
};

class TClientDataSet {
public:
    TClientDataSet();
    ~TClientDataSet();
    TClientDataSet(const TClientDataSet&) = delete;
    TClientDataSet& operator=(const TClientDataSet&) = delete;

    // ---- Definitions and fields
    TFieldDefs& FieldDefs() { return FFieldDefs; }
    TIndexDefs& IndexDefs() { return FIndexDefs; }
    TFields& Fields() { return FFields; }
    TField* FindField(const QString& name) const { return FFields.FindField(name); }
    TField& FieldByName(const QString& name) const { return FFields.FieldByName(name); }
    void GetFieldNames(QStringList& list) const;

    // ---- Lifecycle
    TDataSetState State() const { return FState; }
    bool Active() const { return FState != dsInactive; }
    void SetActive(bool value);
    void Open();
    void Close();
    void CreateDataSet();
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName, TDataPacketFormat format = dfBinary);
    void EmptyDataSet();
    // Table-level read-only flag (also set by a packet's READONLY parameter).
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    bool CanModify() const;

    // ---- Store hooks for the data packet code
    // Closes the table, replaces what it opens from by the given content and
    // opens it: the same path as LoadFromFile after reading a packet.
    void LoadFromStoreData(TStoreData data);
    // The open table's store (nullptr when closed).
    const IDSBase* Store() const { return FStore.get(); }
    // The content a closed table keeps (nullptr when none, or when open).
    const TStoreData* Snapshot() const { return FSnapshot.get(); }
    // Table parameters of the open table, written with it by SaveToFile (a
    // name the packet format does not know becomes a PARAM element). The
    // value is empty when the parameter is absent; setting on a closed table
    // does nothing.
    QString TableParam(const QString& name) const;
    void SetTableParam(const QString& name, const QString& value, const QString& type);
    void RemoveTableParam(const QString& name);
    void SetPacketCodec(const IDataPacketCodec* codec) { FCodec = codec; }
    const IDataPacketCodec& PacketCodec() const;

    // ---- Cursor
    int RecordCount() const;
    bool IsEmpty() const;
    int RecNo() const;
    void First();
    void Last();
    int MoveBy(int distance);
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    bool Eof() const { return FEof; }
    bool Bof() const { return FBof; }

    // ---- Editing
    void Append();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    void CheckBrowseMode();
    // True when a field was assigned since Edit or Append.
    bool Modified() const { return FModified; }

    // ---- Views
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }
    // The record window: BufferCount buffers, WindowRecordCount filled,
    // ActiveRecord the current record's index in it.
    int BufferCount() const { return FBufferCount; }
    int WindowRecordCount() const { return FWinCount; }
    int ActiveRecord() const { return FActiveRecord; }
    // Makes window record r current for field reads, without moving the
    // cursor or sending notifications (views restore it afterwards).
    void SetActiveRecord(int r);

    // ---- Sort order and searches
    const QString& IndexFieldNames() const { return FIndexFieldNames; }
    void SetIndexFieldNames(const QString& names);
    // Raises what setting IndexFieldNames to names would raise for its
    // fields, without building the order: whether they can be a sort order.
    // A closed table only remembers the names, so nothing fails there.
    void CheckIndexFieldNames(const QString& names) const;
    bool Locate(const QString& keyFields, const TKeyValue& keyValue, TLocateOptions options);
    // Prepares now what Locate on this string field, letter case ignored,
    // whole value, needs (otherwise prepared by the first such Locate).
    // Does nothing on a closed table or for another kind of field.
    void PrepareLocate(const QString& fieldName);
    bool Locate(const QString& keyFields, const std::vector<TKeyValue>& keyValues, TLocateOptions options);
    void SetKey();
    void GotoNearest();
    bool KeyExclusive() const { return FKeyExclusive; }
    void SetKeyExclusive(bool v) { FKeyExclusive = v; }

    // ---- Used by fields and data sources
    TValueView CurrentValue(int field) const;
    void CheckFieldCanModify(const TField& field) const;
    void SetFieldValue(const TField& field, TFieldValue value);
    void FieldLayoutChanged();
    void AttachDataSource(TDataSource* source);
    void DetachDataSource(TDataSource* source);
    void UpdateBufferCount();

private:
    void CheckActive() const;
    void SetState(TDataSetState state);
    // Back from dsSetKey to dsBrowse; views show the current record again.
    void EndKeyEntry();
    void DataEvent(TDataEvent event, intptr_t info = 0);
    void CreateFields();
    std::vector<int> ResolveFieldList(const QString& names) const;
    void Resync(int row);
    void ClearWindow();
    uint32_t RowSlot(int row) const;
    uint32_t CurrentSlot() const;
    void StartInsert();
    void CheckRequired() const;
    void SetBufferCountInternal(int count);
    int64_t ScanLocate(const std::vector<TField*>& fields, const std::vector<TFieldValue>& values,
                       TLocateOptions options) const;
    void OpenFromContent();

    TFieldDefs FFieldDefs;
    TIndexDefs FIndexDefs;
    TFields FFields;
    TDataSetState FState = dsInactive;
    std::unique_ptr<IDSBase> FStore;
    std::unique_ptr<IDSCursor> FCursor;
    std::unique_ptr<TStoreData> FSnapshot;
    const IDataPacketCodec* FCodec = nullptr;
    bool FReadOnly = false;
    bool FDisableEdits = false, FDisableInserts = false, FDisableDeletes = false;

    // Record window: FWinCount consecutive records of the current order from
    // position FWinStart; in dsInsert the last row is the new record.
    int FBufferCount = 1;
    int64_t FWinStart = 0;
    int FWinCount = 0;
    int FActiveRecord = 0;
    bool FInsertRow = false;
    bool FBof = true, FEof = true;

    std::unique_ptr<std::vector<TFieldValue>> FEditBuffer;
    int FEditRow = -1;
    uint32_t FEditSlot = 0;
    bool FModified = false;
    std::unique_ptr<std::vector<TFieldValue>> FKeyBuffer, FSavedKey;
    bool FKeyExclusive = false;

    QString FIndexFieldNames;
    int FDisableCount = 0;
    TDataSetState FDisabledState = dsInactive;
    std::vector<TDataSource*> FDataSources;
};

// The table layer names the cursor-and-state part of the table TDataSet.
using TDataSet = TClientDataSet;

} // namespace tallivo
