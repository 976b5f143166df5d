// Random operation sequences run against the table and against a plain
// reference model (a vector of slots scanned in order, orders kept by the
// rules in their simplest form). After every step the visible records, the
// current record, RecordCount, Eof/Bof, every slot with its values and row
// state, and the change log must agree.
#include "TableTestUtil.h"

#include "base/CodePage.h"
#include "base/Collation.h"

#include <algorithm>
#include <optional>
#include <random>

using namespace tallivo;
using namespace tallivo::test;

namespace {

constexpr int kFields = 3; // CODE string(6), NAME string(8), Q float
const int kSize[kFields] = {6, 8, 0};
const char* const kNames[kFields] = {"CODE", "NAME", "Q"};

struct TVal {
    bool Null = true;
    QString Text; // strings
    double Num = 0;
    bool operator==(const TVal& o) const {
        if (Null != o.Null) return false;
        if (Null) return true;
        return Text == o.Text && std::memcmp(&Num, &o.Num, sizeof(double)) == 0;
    }
};
using TRec = std::array<TVal, kFields>;

const TCollator& Coll() {
    return TCollator::Default();
}

int CompareVal(int f, const TVal& a, const TVal& b) {
    if (a.Null || b.Null) return a.Null == b.Null ? 0 : a.Null ? -1 : 1;
    if (f == 2) return a.Num < b.Num ? -1 : a.Num > b.Num ? 1 : 0;
    return Coll().Compare(U16(a.Text), U16(b.Text));
}

class TModel {
public:
    std::vector<TRec> Slots; // slot s at s - 1
    std::vector<uint8_t> States;
    std::vector<TChangeLogEntry> Log;
    std::vector<uint32_t> Default;
    std::vector<int> SortFields;
    std::vector<uint32_t> Sorted;
    int64_t Cur = -1; // position in the current order, -1 when none
    bool Bof = true, Eof = true;
    TDataSetState State = dsBrowse;
    TRec Buffer{};
    uint32_t EditSlot = 0;
    bool Modified = false;
    TRec Key{}, SavedKey{};
    bool KeyExclusive = false;

    const std::vector<uint32_t>& Order() const { return SortFields.empty() ? Default : Sorted; }
    int64_t N() const { return int64_t(Default.size()); }
    int KeyCmp(const TRec& a, const TRec& b) const {
        for (int f : SortFields)
            if (int c = CompareVal(f, a[size_t(f)], b[size_t(f)])) return c;
        return 0;
    }
    const TRec& Rec(uint32_t slot) const { return Slots[slot - 1]; }
    int64_t PosOf(uint32_t slot) const {
        const auto& o = Order();
        for (size_t i = 0; i < o.size(); ++i)
            if (o[i] == slot) return int64_t(i);
        return -1;
    }
    void SortedInsert(uint32_t slot) {
        size_t at = Sorted.size();
        for (size_t i = Sorted.size(); i-- > 0;) {
            if (KeyCmp(Rec(Sorted[i]), Rec(slot)) <= 0) break;
            at = i;
        }
        Sorted.insert(Sorted.begin() + int64_t(at), slot);
    }
    void Rebuild() {
        Sorted.clear();
        if (SortFields.empty()) return;
        for (uint32_t s = 1; s <= Slots.size(); ++s)
            if (IsVisibleRowState(States[s - 1])) SortedInsert(s);
    }
    void Settle(int64_t pos) { // the window refill: the record, else the last one
        Cur = N() == 0 ? -1 : std::min(pos, N() - 1);
        Bof = Eof = N() == 0;
    }

    // Operations, mirroring the table's contract.
    void CheckBrowseMode() {
        if (State == dsEdit || State == dsInsert) {
            if (Modified)
                Post();
            else
                Cancel();
        } else if (State == dsSetKey) {
            State = dsBrowse;
        }
    }
    void Append() {
        CheckBrowseMode();
        Buffer = TRec{};
        Modified = false;
        State = dsInsert;
        Bof = false;
        Eof = true;
    }
    void Edit() {
        if (State == dsEdit || State == dsInsert) return;
        if (N() == 0) {
            Append();
            return;
        }
        CheckBrowseMode();
        EditSlot = Order()[size_t(Cur)];
        Buffer = Rec(EditSlot);
        Modified = false;
        State = dsEdit;
    }
    void Assign(int f, const TVal& v) {
        if (State == dsSetKey) {
            Key[size_t(f)] = v;
            return;
        }
        Buffer[size_t(f)] = v;
        Modified = true;
    }
    void Post() {
        if (State == dsSetKey) {
            State = dsBrowse;
            return;
        }
        if (State == dsInsert) {
            Slots.push_back(Buffer);
            States.push_back(4);
            const uint32_t s = uint32_t(Slots.size());
            Default.push_back(s);
            if (!SortFields.empty()) SortedInsert(s);
            Log.push_back({s, 0, 4});
            State = dsBrowse;
            Settle(PosOf(s));
        } else if (State == dsEdit) {
            uint32_t s = EditSlot;
            if (!(Buffer == Rec(EditSlot))) {
                Slots.push_back(Buffer);
                States.push_back(uint8_t(8 | (States[EditSlot - 1] & 4)));
                States[EditSlot - 1] |= 1;
                s = uint32_t(Slots.size());
                *std::find(Default.begin(), Default.end(), EditSlot) = s;
                if (!SortFields.empty()) {
                    auto it = std::find(Sorted.begin(), Sorted.end(), EditSlot);
                    if (KeyCmp(Rec(EditSlot), Buffer) == 0) {
                        *it = s;
                    } else {
                        Sorted.erase(it);
                        SortedInsert(s);
                    }
                }
                Log.push_back({s, EditSlot, 8});
            }
            State = dsBrowse;
            Settle(PosOf(s));
        }
    }
    void Cancel() {
        if (State == dsSetKey) {
            Key = SavedKey;
            State = dsBrowse;
        } else if (State == dsInsert) {
            State = dsBrowse;
            Settle(N() - 1);
        } else if (State == dsEdit) {
            State = dsBrowse;
            Settle(PosOf(EditSlot));
        }
    }
    bool Delete() { // false: refused (empty)
        if (State == dsInsert || State == dsSetKey) {
            Cancel();
            return true;
        }
        if (N() == 0) return false;
        CheckBrowseMode();
        const int64_t pos = Cur;
        const uint32_t s = Order()[size_t(pos)];
        States[s - 1] |= 2;
        Default.erase(std::find(Default.begin(), Default.end(), s));
        if (!SortFields.empty()) Sorted.erase(std::find(Sorted.begin(), Sorted.end(), s));
        Log.push_back({s, 0, 2});
        Settle(pos);
        return true;
    }
    void Empty() {
        CheckBrowseMode();
        Slots.clear();
        States.clear();
        Log.clear();
        Default.clear();
        Sorted.clear();
        Settle(0);
    }
    void First() {
        CheckBrowseMode();
        Settle(0);
        Bof = true;
    }
    void Last() {
        CheckBrowseMode();
        Settle(N() - 1);
        Eof = true;
    }
    int MoveBy(int d) {
        CheckBrowseMode();
        if (d == 0 || (d > 0 && Eof) || (d < 0 && Bof)) return 0;
        Bof = Eof = false;
        int moved = 0;
        for (; d > 0; --d, ++moved)
            if (Cur + 1 >= N()) {
                Eof = true;
                break;
            } else {
                ++Cur;
            }
        for (; d < 0; ++d, --moved)
            if (Cur - 1 < 0) {
                Bof = true;
                break;
            } else {
                --Cur;
            }
        return moved;
    }
    void SetSort(const std::vector<int>& fields, bool changed) {
        CheckBrowseMode();
        if (!changed) return;
        const uint32_t s = Cur >= 0 ? Order()[size_t(Cur)] : 0;
        SortFields = fields;
        Rebuild();
        Settle(s ? PosOf(s) : 0);
    }
    bool Locate(const std::vector<int>& fields, const std::vector<TVal>& keys, bool ci, bool partial) {
        CheckBrowseMode();
        const auto& o = Order();
        for (size_t p = 0; p < o.size(); ++p) {
            const TRec& r = Rec(o[p]);
            bool match = true;
            for (size_t i = 0; i < fields.size() && match; ++i) {
                const TVal& a = r[size_t(fields[i])];
                const TVal& k = keys[i];
                if (a.Null || k.Null) {
                    match = a.Null && k.Null;
                } else if (fields[i] == 2) {
                    match = a.Num == k.Num;
                } else {
                    QString s = a.Text;
                    if (partial && i + 1 == fields.size() && s.size() > k.Text.size())
                        s.truncate(k.Text.size());
                    match = ci ? Coll().EqualsIgnoreCase(U16(s), U16(k.Text))
                               : Coll().Compare(U16(s), U16(k.Text)) == 0;
                }
            }
            if (match) {
                Settle(int64_t(p));
                return true;
            }
        }
        return false;
    }
    void SetKey() {
        CheckBrowseMode();
        SavedKey = Key;
        Key = TRec{};
        State = dsSetKey;
    }
    bool GotoNearest() { // false: not indexed
        CheckBrowseMode();
        if (SortFields.empty()) return false;
        int64_t pos = N();
        for (int64_t p = 0; p < N(); ++p) {
            const int c = KeyCmp(Rec(Sorted[size_t(p)]), Key);
            if (KeyExclusive ? c > 0 : c >= 0) {
                pos = p;
                break;
            }
        }
        Settle(pos);
        return true;
    }
    void Reopen() {
        State = dsBrowse;
        Default.clear();
        for (uint32_t s = 1; s <= Slots.size(); ++s)
            if (IsVisibleRowState(States[s - 1])) Default.push_back(s);
        Rebuild();
        Settle(0);
        Bof = true;
    }
};

const char* const kTexts[] = {"a1",  "A1",  "b2",   "B2", "é", "É",   "e",   "E",
                              "ab",  "aB",  "Ab",   "a",  "",  "  x", "x  ", "abcdefghij",
                              "œuf", "Œuf", "oeuf", "b",  "B", "a1 ", "A1  "};
const char* const kLocateTexts[] = {"a1", "A1",  "A1 ", "é",   "É",    "ab", "AB",
                                    "a",  "zzz", "",    "œuf", "OEUF", "b"};

QString Clean(const QString& s, int size) {
    QString t = s.left(size);
    while (t.endsWith(u' ')) t.chop(1);
    return t;
}

class TDifferential {
public:
    explicit TDifferential(uint32_t seed) : FRng(seed) {
        FTable.FieldDefs().Add("CODE", ftString, 6);
        FTable.FieldDefs().Add("NAME", ftString, 8);
        FTable.FieldDefs().Add("Q", ftFloat);
        FTable.CreateDataSet();
        FView.link.SetBufferCount(1 + int(FRng() % 5));
        FView.link.SetDataSource(&FView.source);
        FView.source.SetDataSet(&FTable);
    }

    size_t Slots() const { return FModel.Slots.size(); }
    size_t Found() const { return FFound; }

    void Run(int steps) {
        for (int i = 0; i < steps; ++i) {
            Step();
            Compare();
            if (::testing::Test::HasFailure()) {
                ADD_FAILURE() << "after: " << FLastOp;
                return;
            }
        }
    }

private:
    struct TLinkView {
        TDataSource source;
        TDataLink link;
    };
    TClientDataSet FTable;
    TLinkView FView;
    TModel FModel;
    std::mt19937 FRng;
    std::string FLastOp;
    const char* const kSettings[6] = {"", "CODE", "NAME", "Q", "NAME;Q", "Q;CODE"};
    const std::vector<int> kSettingFields[6] = {{}, {0}, {1}, {2}, {1, 2}, {2, 0}};
    int FSetting = 0;
    size_t FFound = 0;

    uint32_t R(uint32_t n) { return FRng() % n; }
    TVal RandomValue(int f) {
        TVal v;
        if (R(8) == 0) return v; // null
        v.Null = false;
        if (f == 2) {
            v.Num = double(int(R(7)) - 2) / 2;
        } else {
            v.Text = Clean(QString::fromUtf8(kTexts[R(std::size(kTexts))]), kSize[f]);
        }
        return v;
    }
    void AssignRandomFields() {
        const int n = int(R(4));
        for (int i = 0; i < n; ++i) {
            const int f = int(R(kFields));
            if (FModel.State == dsSetKey && !FModel.SortFields.empty() &&
                std::find(FModel.SortFields.begin(), FModel.SortFields.end(), f) == FModel.SortFields.end())
                continue;
            const TVal v = RandomValue(f);
            TField& field = FTable.FieldByName(kNames[f]);
            if (v.Null)
                field.Clear();
            else if (f == 2)
                field.SetAsFloat(v.Num);
            else
                field.SetAsString(v.Text);
            FModel.Assign(f, v);
        }
    }
    TVal LocateValue(int f) {
        TVal v;
        if (R(10) == 0) return v;
        v.Null = false;
        if (f == 2) {
            v.Num = double(int(R(7)) - 2) / 2;
            return v;
        }
        const auto& o = FModel.Order();
        if (!o.empty() && R(2)) {
            const TVal& stored = FModel.Rec(o[R(uint32_t(o.size()))])[size_t(f)];
            if (!stored.Null) {
                v.Text = R(3) == 0 ? stored.Text.toUpper() : stored.Text;
                return v;
            }
        }
        v.Text = QString::fromUtf8(kLocateTexts[R(std::size(kLocateTexts))]);
        return v;
    }
    static TKeyValue ToKey(int f, const TVal& v) {
        if (v.Null) return TKeyValue{};
        if (f == 2) return v.Num;
        return v.Text;
    }

    void Step() {
        const uint32_t op = R(100);
        if (op < 22) {
            FLastOp = "append";
            FTable.Append();
            FModel.Append();
            AssignRandomFields();
            FinishEdit();
        } else if (op < 40) {
            FLastOp = "edit";
            FTable.Edit();
            FModel.Edit();
            AssignRandomFields();
            FinishEdit();
        } else if (op < 47) {
            FLastOp = "delete";
            const bool ok = ErrorOf([&] { FTable.Delete(); }).isEmpty();
            EXPECT_EQ(ok, FModel.Delete());
        } else if (op < 48) {
            FLastOp = "empty";
            FTable.EmptyDataSet();
            FModel.Empty();
        } else if (op < 60) {
            const int d = int(R(7)) - 3;
            FLastOp = "moveby " + std::to_string(d);
            EXPECT_EQ(FTable.MoveBy(d), FModel.MoveBy(d));
        } else if (op < 63) {
            FLastOp = "first";
            FTable.First();
            FModel.First();
        } else if (op < 66) {
            FLastOp = "last";
            FTable.Last();
            FModel.Last();
        } else if (op < 72) {
            const int s = int(R(6));
            FLastOp = std::string("sort ") + kSettings[s];
            const bool changed = QString(kSettings[s]) != FTable.IndexFieldNames();
            FTable.SetIndexFieldNames(kSettings[s]);
            FModel.SetSort(kSettingFields[s], changed);
            FSetting = s;
        } else if (op < 88) {
            Locate();
        } else if (op < 96) {
            FLastOp = "setkey/gotonearest";
            FTable.SetKey();
            FModel.SetKey();
            AssignRandomFields();
            const bool exclusive = R(4) == 0;
            FTable.SetKeyExclusive(exclusive);
            FModel.KeyExclusive = exclusive;
            const QString err = ErrorOf([&] { FTable.GotoNearest(); });
            const bool ok = FModel.GotoNearest();
            EXPECT_EQ(err, ok ? QString() : QString("Data is not indexed."));
        } else if (op < 98) {
            FLastOp = "close/open";
            FTable.Close();
            FTable.Open();
            FModel.Reopen();
        } else {
            FLastOp = "disable/enable controls";
            FTable.DisableControls();
            FTable.First();
            FModel.First();
            FTable.EnableControls();
        }
    }
    void FinishEdit() {
        switch (R(4)) {
        case 0:
        case 1:
            FTable.Post();
            FModel.Post();
            break;
        case 2:
            FTable.Cancel();
            FModel.Cancel();
            break;
        default:
            FTable.Next(); // posts or cancels on its own
            FModel.MoveBy(1);
            break;
        }
    }
    void Locate() {
        const uint32_t kind = R(5);
        std::vector<int> fields;
        TLocateOptions opt = 0;
        QString names;
        switch (kind) {
        case 0:
            fields = {0};
            opt = loCaseInsensitive;
            names = "CODE";
            break; // the indexed path
        case 1:
            fields = {0};
            names = "code";
            break;
        case 2:
            fields = {1};
            opt = loCaseInsensitive | loPartialKey;
            names = "NAME";
            break;
        case 3:
            fields = {2};
            names = "Q";
            break;
        default:
            fields = {0, 2};
            opt = loCaseInsensitive;
            names = "CODE;Q";
            break;
        }
        std::vector<TVal> keys;
        std::vector<TKeyValue> values;
        for (int f : fields) {
            keys.push_back(LocateValue(f));
            values.push_back(ToKey(f, keys.back()));
        }
        FLastOp = "locate " + names.toStdString() + " '" +
                  (keys[0].Null ? "<null>" : keys[0].Text.toStdString()) + "'";
        const bool found =
            values.size() == 1 ? FTable.Locate(names, values[0], opt) : FTable.Locate(names, values, opt);
        EXPECT_EQ(found, FModel.Locate(fields, keys, opt & loCaseInsensitive, opt & loPartialKey));
        FFound += found;
    }

    void Compare() {
        const IDSBase& s = *FTable.Store();
        ASSERT_EQ(FTable.State(), FModel.State);
        ASSERT_EQ(s.SlotCount(), FModel.Slots.size());
        ASSERT_EQ(s.Data().RowStates, FModel.States);
        ASSERT_EQ(s.ChangeLog(), FModel.Log);
        for (uint32_t slot = 1; slot <= s.SlotCount(); ++slot) {
            for (int f = 0; f < kFields; ++f) {
                const TVal& m = FModel.Rec(slot)[size_t(f)];
                ASSERT_EQ(s.IsNull(slot, f), m.Null) << "slot " << slot << " field " << f;
                if (m.Null) continue;
                if (f == 2)
                    ASSERT_EQ(s.FloatAt(slot, f), m.Num);
                else
                    ASSERT_EQ(FromAnsi(s.BytesAt(slot, f)), m.Text) << "slot " << slot;
            }
        }
        ASSERT_EQ(s.Order(), FModel.Order());
        ASSERT_EQ(s.DefaultOrder(), FModel.Default);
        ASSERT_EQ(FTable.RecordCount(), FModel.N());
        ASSERT_EQ(FTable.Eof(), FModel.Eof);
        ASSERT_EQ(FTable.Bof(), FModel.Bof);
        if (FModel.State == dsBrowse || FModel.State == dsEdit) {
            ASSERT_EQ(FTable.RecNo(), FModel.Cur >= 0 ? FModel.Cur + 1 : -1);
        }
        // The fields read the current record (or the buffer being edited).
        const TRec* cur = nullptr;
        if (FModel.State == dsEdit || FModel.State == dsInsert)
            cur = &FModel.Buffer;
        else if (FModel.State == dsBrowse && FModel.Cur >= 0)
            cur = &FModel.Rec(FModel.Order()[size_t(FModel.Cur)]);
        if (cur) {
            for (int f = 0; f < kFields; ++f) {
                const TField& field = FTable.FieldByName(kNames[f]);
                ASSERT_EQ(field.IsNull(), (*cur)[size_t(f)].Null);
                if (f != 2) {
                    ASSERT_EQ(field.AsString(), (*cur)[size_t(f)].Text);
                }
            }
        }
        // The link's window holds the current record.
        ASSERT_GE(FView.link.ActiveRecord(), 0);
        ASSERT_LT(FView.link.ActiveRecord(), std::max(1, FView.link.RecordCount()));
        ASSERT_LE(FView.link.RecordCount(), FView.link.BufferCount());
    }
};

} // namespace

TEST(Differential, RandomSequencesAgreeWithTheReferenceModel) {
    size_t maxSlots = 0, located = 0;
    for (uint32_t seed = 1; seed <= 2000; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TDifferential d(seed);
        d.Run(60);
        if (::testing::Test::HasFailure()) return;
        maxSlots = std::max(maxSlots, d.Slots());
        located += d.Found();
    }
    // The sequences reach tables of some size and find records.
    EXPECT_GT(maxSlots, 25u);
    EXPECT_GT(located, 3000u);
}
