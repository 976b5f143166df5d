#pragma once
// The data packet reader's inner parts, shared by its files: the tokenizer
// and parser (PacketReader.cpp) and the reading of the rows' second half on
// another thread (PacketRowSplit.cpp). Not for use outside the reader.

#include "base/Exception.h"
#include "table/Packet.h"
#include "table/PacketChars.h"
#include "table/PacketFieldPlan.h"
#include "table/PacketReader.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tallivo::packet_reader {


inline constexpr char kMismatch[] = "Mismatch in datapacket.";
inline constexpr char kNoMetaData[] = "Datapacket contains no meta data.";
inline constexpr char kInvalidType[] = "Invalid field type.";
inline constexpr char kNoMemory[] = "Insufficient memory for this operation.";

inline int CodeOf(const char* message) {
    if (message == kNoMetaData) return DBERR_NOMETADATA;
    if (message == kInvalidType) return DBERR_INVALIDFIELDTYPE;
    if (message == kNoMemory) return DBERR_NOMEMORY;
    return DBERR_MISMATCH;
}

inline bool IsSpace(char c) {
    return (unsigned char)c >= 1 && (unsigned char)c <= 32;
}
inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
inline char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}
inline bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// Thrown when content declared as UTF-8 turns out not to be well-formed
// UTF-8: the reader starts again and reads it as Windows-1252.
struct TRestartAsAnsi {};

enum class TTok : uint8_t { Start, End, Text, Eof };

struct TAttr {
    std::string_view Name;
    std::string_view Value;
    bool Amp; // the value holds an ampersand
};

struct TToken {
    TTok Kind = TTok::Eof;
    bool Empty = false;
    std::string_view Name;
    std::string_view Text;
    std::vector<TAttr> Attrs;
    uint64_t Offset = 0;
};

class TReader {
public:
    // halvesFrom: rows of at least this many bytes are read in two halves.
    TReader(const char* data, size_t size, uint64_t halvesFrom);
    TReader(IPacketSource& source, uint64_t halvesFrom);
    ~TReader();

    TStoreData Run();
    // Hears what the reader passed over or shortened (see TPacketNotice).
    void SetNotices(TPacketNoticeSink notices) { FNotices = std::move(notices); }

private:
    // ---- the second half of the rows (PacketRowSplit.cpp)
    struct THalf;
    // A reader of the rows from offset start on, with main's field plan;
    // source reads at offsets (nullptr when main reads from memory).
    TReader(const TReader& main, uint64_t start, IPacketSource* source);
    void StartSecondHalf();
    uint64_t FindRowStart(uint64_t from, uint64_t size) const;
    void ReadRowsFromSplit(const std::atomic<bool>& stop);
    void AdoptSecondHalf();
    void StopSecondHalf();
    void MoveTo(uint64_t offset);

    // ---- input window
    uint64_t Off(const char* p) const { return FBase + uint64_t(p - FBuf); }
    void Prime();
    void Refill(const char* keep);
    [[noreturn]] void Fail(const char* message, uint64_t offset) const {
        throw EDataPacketError(QString::fromLatin1(message), CodeOf(message), offset);
    }
    void Reset();

    // ---- encoding
    bool DeclaresUtf8();
    void StartChecking();
    void DrainChecking();

    // ---- tokens
    void Next(bool wantText = false);
    bool ScanStartTag(const char* p);
    void SkipUntilEnd(std::string name);
    void SkipElement() {
        if (!FTok.Empty) SkipUntilEnd(std::string(FTok.Name));
    }
    bool IsStart(const char* name) const { return FTok.Kind == TTok::Start && FTok.Name == name; }
    void ExpectEnd(const char* name) const {
        if (FTok.Kind != TTok::End || FTok.Name != name) Fail(kMismatch, FTok.Offset);
    }

    // ---- structure
    TStoreData ReadOnce(bool forceAnsi);
    void ParseDocument();
    void ParseMetadata();
    void ParseFields();
    void ParseField();
    void ParseParams();
    TStoreParam ReadParamElement();
    void AddParam(std::vector<TStoreParam>& list, TStoreParam p, bool table);
    void ParseChangeLog(std::string_view value, uint64_t offset);
    void AddField(TFieldDecl& decl, uint64_t offset);
    void PrepareRows();
    void ParseRowData();
    void ReadRow();
    void ReadRowChildren(uint32_t stamp);
    void Put(int field, std::string_view value, bool amp, uint64_t offset);
    void Notice(TPacketNotice::TKind kind, uint64_t offset, uint32_t row, std::string_view name) const {
        if (FNotices) FNotices({kind, offset, row, std::string(name)});
    }
    void NoticeOfField(TPacketNotice::TKind kind, int field, uint64_t offset) const {
        Notice(kind, offset, FData.SlotCount(), FData.Fields[size_t(field)].Name.toStdString());
    }
    void ReserveRows();
    void Finish();

    // ---- values
    std::string_view Decoded(std::string_view v, bool toAnsi);
    std::string_view Decoded(std::string_view v, bool toAnsi, bool amp);
    QString Text(std::string_view v);
    std::string ContentBytes(std::string_view v) { return std::string(Decoded(v, !FUtf8)); }

    // input
    IPacketSource* FSource = nullptr;
    bool FMemory = false;
    uint64_t FSizeHint = 0;
    TPacketNoticeSink FNotices; // usually none; never in a second half
    std::unique_ptr<char[]> FStore;
    size_t FCapacity = 0;
    const char* FBuf = nullptr; // start of the window
    const char* FEnd = nullptr; // end of the bytes in the window
    const char* FPos = nullptr; // next byte to read
    uint64_t FBase = 0;         // offset of FBuf in the content
    bool FEof = false;          // the source has no more bytes

    // encoding
    bool FUtf8 = false;
    bool FChecking = false; // declared UTF-8: every byte must be well-formed
    TUtf8Check FCheck;

    TToken FTok;
    std::string FScratch;
    std::string FNumber; // a decimal value in canonical form

    // result
    TStoreData FData;
    bool FHaveFields = false;
    std::vector<TFieldIn> FIn;
    std::unordered_map<std::string_view, int> FByAttr, FByTag;
    uint32_t FStamp = 0;
    uint64_t FRowsOffset = 0;
    bool FReserved = false;

    // second half
    uint64_t FHalvesFrom = 0;
    bool FSplitTried = false;
    uint64_t FSplit = 0; // where the second half starts, while it is read
    std::unique_ptr<THalf> FHalf;
};

} // namespace tallivo::packet_reader
