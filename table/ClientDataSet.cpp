#include "table/ClientDataSet.h"

#include "base/CodePage.h"
#include "base/Collation.h"
#include "base/Exception.h"
#include "base/FloatText.h"
#include "base/FormatSettings.h"
#include "table/DSBase.h"
#include "table/DataSource.h"
#include "table/AtomicFile.h"
#include "table/Packet.h"
#include "table/PacketReader.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cmath>

namespace tallivo {

namespace {

const char* const kClosed = "Impossible d'effectuer cette opération sur un ensemble de données fermé";

QString TypeNameOf(TFieldType t) {
    switch (t) {
    case ftString:
        return QStringLiteral("string");
    case ftFloat:
        return QStringLiteral("r8");
    case ftSmallint:
        return QStringLiteral("i2");
    case ftInteger:
    case ftAutoInc:
        return QStringLiteral("i4");
    case ftLargeint:
        return QStringLiteral("i8");
    case ftWord:
        return QStringLiteral("ui2");
    case ftLongWord:
        return QStringLiteral("ui4");
    case ftShortint:
        return QStringLiteral("i1");
    case ftByte:
        return QStringLiteral("ui1");
    case ftSingle:
        return QStringLiteral("r4");
    case ftBoolean:
        return QStringLiteral("boolean");
    case ftDate:
        return QStringLiteral("date");
    case ftTime:
        return QStringLiteral("time");
    case ftDateTime:
        return QStringLiteral("dateTime");
    case ftTimeStamp:
        return QStringLiteral("SQLdateTime");
    case ftTimeStampOffset:
        return QStringLiteral("SQLdateTimeOffset");
    case ftBCD:
    case ftFMTBcd:
    case ftCurrency:
        return QStringLiteral("fixed");
    case ftWideString:
        return QStringLiteral("string.uni");
    default:
        return QStringLiteral("bin.hex");
    }
}

bool IsStringType(TFieldType t) {
    return t == ftString || t == ftFixedChar;
}

// How Locate compares the values of a field kind: strings, and integer and
// fixed-point numbers through the text the field shows, as text; floats as
// numbers. Other kinds are not searched.
enum class TLocateAs { Text, Number, None };
TLocateAs LocateAs(TFieldType t) {
    if (IsStringType(t) || t == ftWideString || IsDecimalKind(t)) return TLocateAs::Text;
    if (t == ftFloat || t == ftSingle) return TLocateAs::Number;
    return TLocateAs::None;
}

// The kinds whose case-insensitive whole-value searches the store answers
// from an index of the text each value shows.
bool HasLocateIndex(TFieldType t) {
    return IsStringType(t) || t == ftWideString || IsIntegerKind(t);
}

int CompareNumbers(double a, double b) {
    const bool na = std::isnan(a), nb = std::isnan(b);
    if (na || nb) return na == nb ? 0 : na ? 1 : -1;
    return a < b ? -1 : a > b ? 1 : 0;
}

} // namespace

TFieldDef& TFieldDefs::Add(const QString& name, TFieldType dataType, int size, bool required) {
    // A size beyond what a data file can declare would save a file that does
    // not load.
    if ((size < 0 && (dataType == ftString || dataType == ftFixedChar || dataType == ftWideString)) ||
        size > kMaxFieldWidth)
        throw EDatabaseError("Taille de champ incorrecte");
    TFieldDef d;
    d.Name = name;
    d.DataType = dataType;
    if (dataType == ftString || dataType == ftFixedChar || dataType == ftWideString)
        d.Size = size == 0 ? 20 : size;
    else if (dataType == ftFloat)
        d.Size = 0;
    else
        d.Size = std::max(0, size);
    d.Required = required;
    FItems.push_back(d);
    return FItems.back();
}

int TFieldDefs::IndexOf(const QString& name) const {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].Name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

TClientDataSet::TClientDataSet() = default;

TClientDataSet::~TClientDataSet() {
    const std::vector<TDataSource*> sources = FDataSources;
    FDataSources.clear();
    FState = dsInactive;
    FFields.Clear();
    for (TDataSource* s : sources) s->DataSetGone();
}

const IDataPacketCodec& TClientDataSet::PacketCodec() const {
    return FCodec ? *FCodec : DefaultPacketCodec();
}

void TClientDataSet::GetFieldNames(QStringList& list) const {
    list.clear();
    for (int i = 0; i < FFields.Count(); ++i) list.append(FFields[i]->FieldName());
}

void TClientDataSet::CheckActive() const {
    if (FState == dsInactive) throw EDatabaseError(QString::fromUtf8(kClosed));
}

QString TClientDataSet::TableParam(const QString& name) const {
    const TStoreParam* p = FStore ? FStore->Data().FindParam(name) : nullptr;
    return p ? p->Value : QString();
}

void TClientDataSet::SetTableParam(const QString& name, const QString& value, const QString& type) {
    if (FStore) FStore->SetParam({name, value, type, false});
}

void TClientDataSet::RemoveTableParam(const QString& name) {
    if (FStore) FStore->RemoveParam(name);
}

bool TClientDataSet::CanModify() const {
    return Active() && !FReadOnly && !(FStore && FStore->BoolParam(QStringLiteral("READONLY")));
}

// ---------------------------------------------------------------- notifications

void TClientDataSet::DataEvent(TDataEvent event, intptr_t info) {
    if (FDisableCount > 0) return;
    const std::vector<TDataSource*> sources = FDataSources;
    for (TDataSource* s : sources)
        if (std::find(FDataSources.begin(), FDataSources.end(), s) != FDataSources.end())
            s->DataEvent(event, info);
}

void TClientDataSet::SetState(TDataSetState state) {
    if (state == FState) return;
    FState = state;
    DataEvent(deUpdateState);
}

void TClientDataSet::DisableControls() {
    if (FDisableCount == 0) FDisabledState = FState;
    ++FDisableCount;
}

void TClientDataSet::EnableControls() {
    if (FDisableCount == 0) return;
    if (--FDisableCount > 0) return;
    if (FState != FDisabledState) DataEvent(deUpdateState);
    if (Active()) DataEvent(deDataSetChange);
}

void TClientDataSet::FieldLayoutChanged() {
    if (Active()) DataEvent(deLayoutChange);
}

void TClientDataSet::AttachDataSource(TDataSource* source) {
    if (std::find(FDataSources.begin(), FDataSources.end(), source) == FDataSources.end())
        FDataSources.push_back(source);
    UpdateBufferCount();
}

void TClientDataSet::DetachDataSource(TDataSource* source) {
    FDataSources.erase(std::remove(FDataSources.begin(), FDataSources.end(), source), FDataSources.end());
    UpdateBufferCount();
}

void TClientDataSet::UpdateBufferCount() {
    int n = 1;
    for (const TDataSource* s : FDataSources) n = std::max(n, s->MaxBufferCount());
    SetBufferCountInternal(n);
}

// Changes the window size, keeping the current record and as much of the
// window as possible; the views' windows follow the shift of the buffers.
void TClientDataSet::SetBufferCountInternal(int count) {
    if (count == FBufferCount) return;
    FBufferCount = count;
    if (!Active() || !FStore) return;
    const int64_t n = FStore->RecordCount();
    int shift = 0;
    if (FInsertRow) {
        const int64_t before = std::min<int64_t>(n, FBufferCount - 1);
        shift = int(before) - (FWinCount - 1);
        FWinStart = n - before;
        FWinCount = int(before) + 1;
        FActiveRecord = FEditRow = FWinCount - 1;
    } else if (FWinCount > 0) {
        if (FBufferCount > FWinCount) {
            const int64_t after = n - (FWinStart + FWinCount);
            const int add = int(std::min<int64_t>(after, FBufferCount - FWinCount));
            FWinCount += add;
            const int add2 = int(std::min<int64_t>(FWinStart, FBufferCount - FWinCount));
            FWinStart -= add2;
            FWinCount += add2;
            FActiveRecord += add2;
            shift = add2;
        } else {
            if (FActiveRecord >= FBufferCount) {
                const int d = FActiveRecord - (FBufferCount - 1);
                FWinStart += d;
                FActiveRecord -= d;
                shift = -d;
            }
            FWinCount = FBufferCount;
        }
        if (FState == dsEdit) FEditRow = FActiveRecord;
    }
    for (TDataSource* s : FDataSources) s->WindowShifted(shift);
}

// ---------------------------------------------------------------- window

uint32_t TClientDataSet::RowSlot(int row) const {
    if (!FStore || row < 0 || row >= FWinCount) return 0;
    if (FInsertRow && row == FWinCount - 1) return 0;
    const std::vector<uint32_t>& order = FStore->Order();
    const int64_t p = FWinStart + row;
    return p >= 0 && p < int64_t(order.size()) ? order[size_t(p)] : 0;
}

uint32_t TClientDataSet::CurrentSlot() const {
    return RowSlot(FActiveRecord);
}

void TClientDataSet::ClearWindow() {
    FWinStart = 0;
    FWinCount = 0;
    FActiveRecord = 0;
    FInsertRow = false;
}

// Refills the window around the store cursor's record (or the next, or the
// prior one), placing it at the given row (-1: the middle row) as far as
// enough records lie before it, then filling the window as far as records
// allow. Sends deDataSetChange.
void TClientDataSet::Resync(int row) {
    const int64_t n = FStore->RecordCount();
    FInsertRow = false;
    if (n == 0) {
        ClearWindow();
        FCursor->MoveToBOF();
        FBof = FEof = true;
        DataEvent(deDataSetChange);
        return;
    }
    int64_t pos = FCursor->Position();
    if (pos < 0) pos = 0;
    if (pos >= n) pos = n - 1;
    if (row < 0) row = (FBufferCount - 1) / 2;
    row = int(std::min<int64_t>({int64_t(row), pos, int64_t(FBufferCount - 1)}));
    int64_t start = pos - row;
    int64_t count = std::min<int64_t>(FBufferCount, n - start);
    if (count < FBufferCount) {
        const int64_t extra = std::min<int64_t>(start, FBufferCount - count);
        start -= extra;
        count += extra;
        row += int(extra);
    }
    FWinStart = start;
    FWinCount = int(count);
    FActiveRecord = row;
    FCursor->MoveToPosition(pos);
    FBof = FEof = false;
    DataEvent(deDataSetChange);
}

void TClientDataSet::SetActiveRecord(int r) {
    if (r >= 0 && r < FWinCount) FActiveRecord = r;
}

TValueView TClientDataSet::CurrentValue(int field) const {
    TValueView v;
    const std::vector<TFieldValue>* buffer = nullptr;
    if (FState == dsSetKey)
        buffer = FKeyBuffer.get();
    else if ((FState == dsEdit || FState == dsInsert) && FActiveRecord == FEditRow)
        buffer = FEditBuffer.get();
    if (buffer) {
        const TFieldValue& b = (*buffer)[size_t(field)];
        v.Null = b.Null;
        v.Float = b.Float;
        v.Bytes = b.Bytes;
        return v;
    }
    const uint32_t slot = CurrentSlot();
    if (slot == 0 || FStore->IsNull(slot, field)) return v;
    v.Null = false;
    if (FStore->Data().Columns[size_t(field)].Kind() == TStoreColumn::TKind::Float)
        v.Float = FStore->FloatAt(slot, field);
    else
        v.Bytes = FStore->BytesAt(slot, field);
    return v;
}

// ---------------------------------------------------------------- lifecycle

void TClientDataSet::SetActive(bool value) {
    if (value)
        Open();
    else
        Close();
}

void TClientDataSet::CreateFields() {
    FFields.Clear();
    for (int i = 0; i < FStore->FieldCount(); ++i) {
        const TStoreFieldDesc& d = FStore->FieldDesc(i);
        std::unique_ptr<TField> f;
        if (IsStringType(d.DataType))
            f = std::make_unique<TStringField>(this, i, d.Name, d.Size);
        else if (d.DataType == ftFloat)
            f = std::make_unique<TFloatField>(this, i, d.Name);
        else if (d.DataType == ftSingle)
            f = std::make_unique<TSingleField>(this, i, d.Name);
        else if (IsIntegerKind(d.DataType))
            f = std::make_unique<TIntegerField>(this, i, d.Name, d.DataType, d.TypeName);
        else if (IsDecimalKind(d.DataType))
            f = std::make_unique<TBCDField>(this, i, d.Name, d.DataType, d.Size);
        else if (d.DataType == ftWideString)
            f = std::make_unique<TWideStringField>(this, i, d.Name, d.Size);
        else
            f = std::make_unique<TRawField>(this, i, d.Name, d.DataType, d.Size, d.TypeName);
        f->SetRequired(d.Required);
        f->SetReadOnly(d.ReadOnly);
        f->SetVisible(!d.Hidden);
        FFields.Add(std::move(f));
    }
}

std::vector<int> TClientDataSet::ResolveFieldList(const QString& names) const {
    std::vector<int> out;
    if (names.isEmpty()) return out;
    // An empty part (";", "CODE_ART;") names no field: refused like an
    // unknown name rather than passed over.
    for (const QString& part : names.split(u';')) {
        const QString name = part.trimmed();
        if (name.isEmpty()) throw EDatabaseError(Format("Champ '%s' non trouvé", part));
        out.push_back(FFields.FieldByName(name).Index());
    }
    return out;
}

void TClientDataSet::OpenFromContent() {
    TStoreData data;
    bool fromSnapshot = false;
    if (FSnapshot) {
        data = std::move(*FSnapshot);
        FSnapshot.reset();
        fromSnapshot = true;
    } else {
        throw EDatabaseError("Fournisseur de données ou paquet de données manquant");
    }
    try {
        FStore = std::make_unique<IDSBase>(std::move(data));
        FCursor = std::make_unique<IDSCursor>(*FStore);
        CreateFields();
        FFieldDefs.Clear();
        for (int i = 0; i < FStore->FieldCount(); ++i) {
            const TStoreFieldDesc& d = FStore->FieldDesc(i);
            TFieldDef def;
            def.Name = d.Name;
            def.DataType = d.DataType;
            def.Size = d.Size;
            def.Required = d.Required;
            def.ReadOnly = d.ReadOnly;
            def.Hidden = d.Hidden;
            FFieldDefs.AddDef(def);
        }
        if (!FIndexFieldNames.isEmpty()) FStore->SetSortOrder(ResolveFieldList(FIndexFieldNames));
    } catch (...) {
        FFields.Clear();
        FCursor.reset();
        if (FStore && fromSnapshot) FSnapshot = std::make_unique<TStoreData>(FStore->TakeData());
        FStore.reset();
        throw;
    }
    auto boolParam = [this](const char* name) {
        const TStoreParam* p = FStore->Data().FindParam(QString::fromLatin1(name));
        return p && p->Type.compare(QStringLiteral("boolean"), Qt::CaseInsensitive) == 0 &&
               !p->Value.isEmpty() && (p->Value[0] == u'T' || p->Value[0] == u't');
    };
    FDisableEdits = boolParam("DISABLE_EDITS");
    FDisableInserts = boolParam("DISABLE_INSERTS");
    FDisableDeletes = boolParam("DISABLE_DELETES");
    const size_t nf = size_t(FStore->FieldCount());
    FEditBuffer = std::make_unique<std::vector<TFieldValue>>(nf);
    FKeyBuffer = std::make_unique<std::vector<TFieldValue>>(nf);
    FSavedKey = std::make_unique<std::vector<TFieldValue>>(nf);
    FEditRow = -1;
    FModified = false;
}

void TClientDataSet::Open() {
    if (Active()) return;
    OpenFromContent();
    FState = dsBrowse;
    FCursor->MoveToPosition(0);
    ClearWindow();
    DataEvent(deUpdateState);
    Resync(0);
    FBof = true;
    FEof = FStore->RecordCount() == 0;
}

void TClientDataSet::Close() {
    if (!Active()) return;
    FSnapshot = std::make_unique<TStoreData>(FStore->TakeData());
    FCursor.reset();
    FStore.reset();
    FFields.Clear();
    FEditBuffer.reset();
    FKeyBuffer.reset();
    FSavedKey.reset();
    FEditRow = -1;
    FModified = false;
    FDisableEdits = FDisableInserts = FDisableDeletes = false;
    ClearWindow();
    FBof = FEof = true;
    SetState(dsInactive);
}

void TClientDataSet::CreateDataSet() {
    if (Active())
        throw EDatabaseError("Impossible d'effectuer cette opération sur un ensemble de données ouvert");
    if (FFieldDefs.Count() == 0)
        throw EDatabaseError("Aucun champ défini. Création impossible de l'ensemble de données");
    TStoreData data;
    for (const TFieldDef& def : FFieldDefs.Items()) {
        TStoreFieldDesc d;
        d.Name = def.Name;
        d.DataType = def.DataType;
        d.Size = def.Size;
        d.TypeName = TypeNameOf(def.DataType);
        d.Required = def.Required;
        d.ReadOnly = def.ReadOnly;
        d.Hidden = def.Hidden;
        data.AddField(std::move(d));
    }
    LoadFromStoreData(std::move(data));
}

void TClientDataSet::LoadFromStoreData(TStoreData data) {
    Close();
    FSnapshot = std::make_unique<TStoreData>(std::move(data));
    Open();
}

void TClientDataSet::LoadFromFile(const QString& fileName) {
    Close();
    QFile file(fileName);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        const int err = errno;
        throw EFOpenError(Format("Impossible d'ouvrir le fichier \"%s\". %s", QFileInfo(fileName).absoluteFilePath(),
                                 err ? SysErrorMessage(err) : file.errorString()));
    }
    // An empty file leaves the previous content as what the table opens from.
    if (!file.isSequential() && file.size() == 0) {
        Open();
        return;
    }
    // The file is read piece by piece straight into the new store: the whole
    // file is never held beside the table built from it.
    TStoreData data;
    try {
        TPacketFileSource source(file);
        data = PacketCodec().ReadFrom(source);
    } catch (...) {
        // The failed load replaced what the table held: it stays closed and
        // empty, and a later SaveToFile writes nothing.
        FSnapshot.reset();
        throw;
    }
    file.close();
    LoadFromStoreData(std::move(data));
}

void TClientDataSet::SaveToFile(const QString& fileName, TDataPacketFormat format) {
    if (!Active() || !FStore) return;
    CheckBrowseMode();
    if (format == dfBinary && fileName.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive)) format = dfXML;
    // The packet goes to a temporary file beside the target, flushed to disk
    // and renamed over it: a failure at any point leaves the old file as it
    // was and removes the temporary one.
    TAtomicFile file(fileName);
    PacketCodec().WriteTo(*FStore, format, file);
    file.Commit();
}

// ---------------------------------------------------------------- navigation

int TClientDataSet::RecordCount() const {
    CheckActive();
    return int(FStore->RecordCount());
}

bool TClientDataSet::IsEmpty() const {
    return RecordCount() == 0;
}

int TClientDataSet::RecNo() const {
    CheckActive();
    if (FState == dsInsert || FWinCount == 0) return -1;
    return int(FWinStart + FActiveRecord + 1);
}

void TClientDataSet::First() {
    CheckBrowseMode();
    FCursor->MoveToPosition(0);
    Resync(0);
    FBof = true;
    FEof = FStore->RecordCount() == 0;
}

void TClientDataSet::Last() {
    CheckBrowseMode();
    FCursor->MoveToEOF();
    Resync(FBufferCount - 1);
    FEof = true;
    FBof = FStore->RecordCount() == 0;
}

int TClientDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    if (distance == 0) return 0;
    if ((distance > 0 && FEof) || (distance < 0 && FBof)) return 0;
    FBof = FEof = false;
    const int64_t n = FStore->RecordCount();
    const int oldCount = FWinCount;
    int slide = 0, moved = 0;
    while (distance > 0) {
        if (FWinStart + FActiveRecord + 1 >= n) {
            FEof = true;
            break;
        }
        if (FActiveRecord < FWinCount - 1) {
            ++FActiveRecord;
        } else if (FWinCount < FBufferCount) {
            ++FWinCount;
            ++FActiveRecord;
        } else {
            ++FWinStart;
            --slide;
        }
        ++moved;
        --distance;
    }
    while (distance < 0) {
        if (FWinStart + FActiveRecord - 1 < 0) {
            FBof = true;
            break;
        }
        if (FActiveRecord > 0) {
            --FActiveRecord;
        } else if (FWinCount < FBufferCount) {
            --FWinStart;
            ++FWinCount;
        } else {
            --FWinStart;
            ++slide;
        }
        --moved;
        ++distance;
    }
    FCursor->MoveToPosition(FWinStart + FActiveRecord);
    if (FWinCount != oldCount)
        DataEvent(deDataSetChange);
    else
        DataEvent(deDataSetScroll, slide);
    return moved;
}

// ---------------------------------------------------------------- editing

void TClientDataSet::CheckBrowseMode() {
    CheckActive();
    switch (FState) {
    case dsEdit:
    case dsInsert:
        DataEvent(deCheckBrowseMode);
        if (FModified)
            Post();
        else
            Cancel();
        break;
    case dsSetKey:
        DataEvent(deCheckBrowseMode);
        Post();
        break;
    default:
        break;
    }
}

void TClientDataSet::StartInsert() {
    if (!CanModify()) throw EDatabaseError("Impossible de modifier un ensemble de données en lecture seule");
    if (FDisableInserts) throw EDatabaseError("Insertions non autorisées");
    CheckBrowseMode();
    const int64_t n = FStore->RecordCount();
    const int64_t before = std::min<int64_t>(n, FBufferCount - 1);
    for (TFieldValue& v : *FEditBuffer) v = TFieldValue{};
    FWinStart = n - before;
    FWinCount = int(before) + 1;
    FActiveRecord = FWinCount - 1;
    FInsertRow = true;
    FEditRow = FActiveRecord;
    FEditSlot = 0;
    FModified = false;
    FCursor->MoveToEOF();
    FBof = false;
    FEof = true;
    SetState(dsInsert);
    DataEvent(deDataSetChange);
}

void TClientDataSet::Append() {
    CheckActive();
    StartInsert();
}

void TClientDataSet::Edit() {
    CheckActive();
    if (FState == dsEdit || FState == dsInsert) return;
    if (FStore->RecordCount() == 0) {
        StartInsert();
        return;
    }
    if (!CanModify()) throw EDatabaseError("Impossible de modifier un ensemble de données en lecture seule");
    if (FDisableEdits) throw EDatabaseError("Modifications non autorisées");
    CheckBrowseMode();
    FEditSlot = CurrentSlot();
    FStore->ReadRecord(FEditSlot, *FEditBuffer);
    FEditRow = FActiveRecord;
    FModified = false;
    SetState(dsEdit);
}

void TClientDataSet::CheckRequired() const {
    for (int i = 0; i < FFields.Count(); ++i) {
        const TField* f = FFields[i];
        if (f->Required() && (*FEditBuffer)[size_t(i)].Null)
            throw EDatabaseError(Format("Le champ '%s' doit avoir une valeur", f->DisplayLabel()));
    }
    for (int i = 0; i < FStore->FieldCount(); ++i) {
        const TStoreFieldDesc& d = FStore->FieldDesc(i);
        const TFieldValue& v = (*FEditBuffer)[size_t(i)];
        if (d.Required && IsStringType(d.DataType) && !v.Null && v.Bytes.empty())
            throw EDBClient("Field value required.", DBERR_REQUIRED);
    }
}

void TClientDataSet::Post() {
    CheckActive();
    if (FState == dsSetKey) {
        EndKeyEntry();
        return;
    }
    if (FState != dsEdit && FState != dsInsert) return;
    DataEvent(deUpdateRecord);
    CheckRequired();
    uint32_t slot;
    if (FState == dsInsert) {
        slot = FStore->InsertRecord(*FEditBuffer);
    } else if (FStore->RecordEquals(FEditSlot, *FEditBuffer)) {
        slot = FEditSlot;
    } else {
        slot = FStore->ModifyRecord(FEditSlot, *FEditBuffer);
    }
    const int row = FEditRow;
    FCursor->MoveToSlot(slot);
    FEditRow = -1;
    FEditSlot = 0;
    FModified = false;
    SetState(dsBrowse);
    Resync(row);
}

void TClientDataSet::Cancel() {
    CheckActive();
    if (FState == dsSetKey) {
        std::swap(FKeyBuffer, FSavedKey);
        EndKeyEntry();
        return;
    }
    if (FState != dsEdit && FState != dsInsert) return;
    const int row = FEditRow;
    if (FState == dsInsert)
        FCursor->MoveToEOF();
    else
        FCursor->MoveToSlot(FEditSlot);
    FEditRow = -1;
    FEditSlot = 0;
    FModified = false;
    SetState(dsBrowse);
    Resync(row);
}

void TClientDataSet::Delete() {
    CheckActive();
    if (FState == dsInsert || FState == dsSetKey) {
        Cancel();
        return;
    }
    if (FStore->RecordCount() == 0)
        throw EDatabaseError("Impossible d'effectuer cette opération sur un ensemble de données vide");
    if (FDisableDeletes) throw EDatabaseError("Suppressions non autorisées");
    if (FStore->BoolParam(QStringLiteral("READONLY"))) throw EDBClient("Data is read only.", DBERR_READONLY);
    CheckBrowseMode();
    const uint32_t slot = CurrentSlot();
    const int row = FActiveRecord;
    const int64_t pos = FWinStart + FActiveRecord;
    FStore->DeleteRecord(slot);
    FCursor->MoveToPosition(pos);
    Resync(row);
}

void TClientDataSet::EmptyDataSet() {
    CheckBrowseMode();
    FStore->EmptyStore();
    for (TFieldValue& v : *FEditBuffer) v = TFieldValue{};
    FCursor->MoveToBOF();
    Resync(0);
}

void TClientDataSet::CheckFieldCanModify(const TField& field) const {
    if (FState != dsEdit && FState != dsInsert && FState != dsSetKey)
        throw EDatabaseError("L'ensemble de données n'est pas en mode Edition ou Insertion");
    if (FState == dsSetKey) {
        if (FStore->HasSortOrder()) {
            const std::vector<int>& keys = FStore->SortFields();
            if (std::find(keys.begin(), keys.end(), field.Index()) == keys.end())
                throw EDatabaseError(
                    Format("Le champ '%s' n'est pas indexé et ne peut être modifié", field.DisplayName()));
        }
        return;
    }
    if (field.ReadOnly())
        throw EDatabaseError(Format("Impossible de modifier le champ '%s'", field.DisplayName()));
}

void TClientDataSet::SetFieldValue(const TField& field, TFieldValue value) {
    if (FState == dsSetKey) {
        (*FKeyBuffer)[size_t(field.Index())] = std::move(value);
    } else {
        (*FEditBuffer)[size_t(field.Index())] = std::move(value);
        FModified = true;
    }
    DataEvent(deRecordChange, reinterpret_cast<intptr_t>(&field));
}

// ---------------------------------------------------------------- sort order and searches

void TClientDataSet::SetIndexFieldNames(const QString& names) {
    if (!Active()) {
        FIndexFieldNames = names;
        return;
    }
    CheckBrowseMode();
    if (names == FIndexFieldNames) return;
    const uint32_t slot = CurrentSlot();
    const std::vector<int> fields = ResolveFieldList(names);
    FStore->SetSortOrder(fields);
    FIndexFieldNames = names;
    if (slot)
        FCursor->MoveToSlot(slot);
    else
        FCursor->MoveToBOF();
    Resync(FActiveRecord);
}

void TClientDataSet::CheckIndexFieldNames(const QString& names) const {
    if (Active()) ResolveFieldList(names);
}

void TClientDataSet::SetKey() {
    CheckBrowseMode();
    *FSavedKey = *FKeyBuffer;
    for (TFieldValue& v : *FKeyBuffer) v = TFieldValue{};
    // Views now show the key buffer: like every change of what the current
    // record shows, the state change is followed by a data change.
    SetState(dsSetKey);
    DataEvent(deDataSetChange);
}

void TClientDataSet::EndKeyEntry() {
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
}

void TClientDataSet::GotoNearest() {
    CheckBrowseMode();
    if (!FStore->HasSortOrder()) throw EDBClient("Data is not indexed.", DBERR_NOTINDEXED);
    if (FStore->RecordCount() == 0) {
        Resync(-1);
        return;
    }
    FCursor->MoveToPosition(FStore->FindNearest(*FKeyBuffer, FKeyExclusive));
    Resync(-1);
}

bool TClientDataSet::Locate(const QString& keyFields, const TKeyValue& keyValue, TLocateOptions options) {
    // One value: the value of the first named field (the others, if any, null).
    return Locate(keyFields, std::vector<TKeyValue>{keyValue}, options);
}

bool TClientDataSet::Locate(const QString& keyFields, const std::vector<TKeyValue>& keyValues,
                            TLocateOptions options) {
    CheckBrowseMode();
    const std::vector<int> idx = ResolveFieldList(keyFields);
    std::vector<TField*> fields;
    std::vector<TFieldValue> values;
    for (size_t i = 0; i < idx.size(); ++i) {
        TField* f = FFields[idx[i]];
        const TKeyValue kv = i < keyValues.size() ? keyValues[i] : TKeyValue{};
        TFieldValue v;
        const TLocateAs as = LocateAs(f->DataType());
        if (as == TLocateAs::Text) {
            // Compared as text, kept as UTF-8 here; a number as the text the
            // field shows for it.
            if (const QString* s = std::get_if<QString>(&kv)) {
                v.Null = false;
                v.Bytes = s->toStdString();
            } else if (const double* d = std::get_if<double>(&kv)) {
                v.Null = false;
                std::string decimal;
                if (IsDecimalKind(f->DataType()) && DoubleToDecimal(*d, decimal))
                    v.Bytes = DecimalDisplayText(decimal, FormatSettings().DecimalSeparator).toStdString();
                else
                    v.Bytes = FloatToText(*d).toStdString();
            }
        } else if (as == TLocateAs::Number) {
            if (const double* d = std::get_if<double>(&kv)) {
                v.Null = false;
                v.Float = *d;
            } else if (const QString* s = std::get_if<QString>(&kv)) {
                if (!s->isEmpty()) {
                    v.Null = false;
                    v.Float = StrToFloat(*s);
                }
            }
            if (f->DataType() == ftSingle) v.Float = RoundToSingle(v.Float);
        } else {
            throw EDatabaseError(Format("Le champ '%s' est d'un type non supporté", f->DisplayName()));
        }
        fields.push_back(f);
        values.push_back(std::move(v));
    }
    if (FStore->RecordCount() == 0 || fields.empty()) return false;
    int64_t pos;
    if (fields.size() == 1 && HasLocateIndex(fields[0]->DataType()) && (options & loCaseInsensitive) &&
        !(options & loPartialKey) && !values[0].Null) {
        pos = FStore->LocateIgnoreCase(fields[0]->Index(), QString::fromStdString(values[0].Bytes));
    } else {
        pos = ScanLocate(fields, values, options);
    }
    if (pos < 0) return false;
    FCursor->MoveToPosition(pos);
    Resync(-1);
    return true;
}

void TClientDataSet::PrepareLocate(const QString& fieldName) {
    if (!Active() || !FStore) return;
    if (const TField* f = FindField(fieldName); f && HasLocateIndex(f->DataType()))
        FStore->PrepareLocateIndex(f->Index());
}

// The reference search: every record of the current order in turn, the first
// that matches all fields wins.
int64_t TClientDataSet::ScanLocate(const std::vector<TField*>& fields, const std::vector<TFieldValue>& values,
                                   TLocateOptions options) const {
    const TCollator& coll = FStore->Collator();
    std::vector<std::u16string> keys(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        if (values[i].Null || LocateAs(fields[i]->DataType()) != TLocateAs::Text) continue;
        const QString s = QString::fromStdString(values[i].Bytes);
        keys[i].assign(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
    }
    const bool ci = options & loCaseInsensitive;
    const bool partial = options & loPartialKey;
    const QChar separator = FormatSettings().DecimalSeparator;
    std::u16string stored;
    const std::vector<uint32_t>& order = FStore->Order();
    for (size_t p = 0; p < order.size(); ++p) {
        const uint32_t slot = order[p];
        bool match = true;
        for (size_t i = 0; i < fields.size() && match; ++i) {
            const int f = fields[i]->Index();
            const TFieldType type = fields[i]->DataType();
            const bool null = FStore->IsNull(slot, f);
            if (values[i].Null || null) {
                match = values[i].Null && null;
                continue;
            }
            if (LocateAs(type) == TLocateAs::Number) {
                match = CompareNumbers(FStore->FloatAt(slot, f), values[i].Float) == 0;
                continue;
            }
            const std::string_view bytes = FStore->BytesAt(slot, f);
            if (IsStringType(type)) {
                FromAnsi(bytes, stored);
            } else if (IsDecimalKind(type)) {
                const QString shown = DecimalDisplayText(bytes, separator);
                stored.assign(reinterpret_cast<const char16_t*>(shown.utf16()), size_t(shown.size()));
            } else {
                const QString text = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
                stored.assign(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
            }
            std::u16string_view a = stored;
            if (partial && i + 1 == fields.size() && !IsDecimalKind(type) && a.size() > keys[i].size())
                a = a.substr(0, keys[i].size());
            match = ci ? coll.EqualsIgnoreCase(a, keys[i]) : coll.Compare(a, keys[i]) == 0;
        }
        if (match) return int64_t(p);
    }
    return -1;
}

} // namespace tallivo
