#pragma once
// Helpers shared by the table tests.

#include "base/Exception.h"
#include "table/ClientDataSet.h"
#include "table/DSBase.h"
#include "table/DataSource.h"
#include "table/Packet.h"

#include <gtest/gtest.h>

#include <QString>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Readable QString values in test failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace tallivo::test {

// The collection table of the workstation, created and open.
inline std::unique_ptr<TClientDataSet> MakeCollection() {
    auto t = std::make_unique<TClientDataSet>();
    t->FieldDefs().Clear();
    t->FieldDefs().Add("CODE_ART", ftString, 25);
    t->FieldDefs().Add("NOM_ART", ftString, 50);
    t->FieldDefs().Add("CATEGORIE", ftString, 25);
    t->FieldDefs().Add("QTE", ftFloat);
    t->FieldDefs().Add("PRIX_ACHAT", ftFloat);
    t->FieldDefs().Add("GERE_STOCK", ftString, 1);
    t->IndexDefs().Clear();
    t->CreateDataSet();
    return t;
}

inline void AddLine(TClientDataSet& t, const QString& code, const QString& qte = QString(),
                    const QString& name = QString()) {
    t.Append();
    t.FieldByName("CODE_ART").SetAsString(code);
    if (!qte.isEmpty()) t.FieldByName("QTE").SetAsString(qte);
    if (!name.isEmpty()) t.FieldByName("NOM_ART").SetAsString(name);
    t.Post();
}

inline std::vector<uint8_t> RowStates(const TClientDataSet& t) {
    return t.Store()->Data().RowStates;
}
inline std::vector<TChangeLogEntry> Log(const TClientDataSet& t) {
    return t.Store()->ChangeLog();
}

// Values of one field over the visible records, in the current order,
// leaving the cursor where it was.
inline QStringList Column(TClientDataSet& t, const QString& field) {
    QStringList out;
    const IDSBase* s = t.Store();
    const int f = t.FieldByName(field).Index();
    for (uint32_t slot : s->Order()) {
        if (s->IsNull(slot, f))
            out << QStringLiteral("<null>");
        else if (s->Data().Columns[size_t(f)].Kind() == TStoreColumn::TKind::Float)
            out << QString::number(s->FloatAt(slot, f));
        else
            out << QString::fromLatin1(s->BytesAt(slot, f).data(), qsizetype(s->BytesAt(slot, f).size()));
    }
    return out;
}

// Runs f and returns the message of the Exception it raises ("" when none).
template <typename F> QString ErrorOf(F&& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QString();
}

// A link that writes down every notification it gets.
class TRecordingLink : public TDataLink {
public:
    std::vector<std::string> Events;
    void Clear() { Events.clear(); }

protected:
    void ActiveChanged() override { Events.push_back(Active() ? "active" : "inactive"); }
    void DataSetChanged() override { Events.push_back("change"); }
    void DataSetScrolled(int distance) override { Events.push_back("scroll " + std::to_string(distance)); }
    void LayoutChanged() override { Events.push_back("layout"); }
    void RecordChanged(TField* field) override {
        Events.push_back("record " + (field ? field->FieldName().toStdString() : std::string("-")));
    }
    void EditingChanged() override { Events.push_back(Editing() ? "editing" : "not editing"); }
    void CheckBrowseMode() override { Events.push_back("checkbrowse"); }
    void UpdateData() override { Events.push_back("updatedata"); }
};

// A stand-in codec for the file tests: a plain dump of the store content.
class TDumpCodec : public IDataPacketCodec {
public:
    TStoreData Read(const QByteArray& content) const override;
    QByteArray Write(const IDSBase& store, TDataPacketFormat format) const override;
    mutable std::vector<TDataPacketFormat> Formats;
};

} // namespace tallivo::test
