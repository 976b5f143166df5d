#include "table/PacketReader.h"

#include "table/NumberText.h"
#include "table/PacketReaderImpl.h"
#include "table/PacketTypes.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace tallivo {

namespace packet_reader {

// ---------------------------------------------------------------- window

void TReader::Prime() {
    FCapacity = size_t(1) << 17;
    FStore.reset(new char[FCapacity]);
    FBuf = FPos = FEnd = FStore.get();
    FBase = 0;
    FEof = false;
    Refill(FBuf);
}

void TReader::Refill(const char* keep) {
    const size_t kept = size_t(FEnd - keep);
    FBase += uint64_t(keep - FBuf);
    if (kept == FCapacity) {
        // A token larger than the window: the window doubles.
        std::unique_ptr<char[]> bigger(new char[FCapacity * 2]);
        std::memcpy(bigger.get(), keep, kept);
        FStore = std::move(bigger);
        FCapacity *= 2;
    } else if (kept && keep != FStore.get()) {
        std::memmove(FStore.get(), keep, kept);
    }
    FBuf = FPos = FStore.get();
    FEnd = FBuf + kept;
    const size_t n = FSource->ReadSome(FStore.get() + kept, FCapacity - kept);
    if (n == 0) {
        FEof = true;
        if (FChecking && !FCheck.Complete()) throw TRestartAsAnsi{};
        return;
    }
    if (FChecking && !FCheck.Feed(FEnd, n)) throw TRestartAsAnsi{};
    FEnd += n;
}

void TReader::Reset() {
    FData = TStoreData();
    FHaveFields = false;
    FIn.clear();
    FByAttr.clear();
    FByTag.clear();
    FStamp = 0;
    FReserved = false;
    FUtf8 = FChecking = false;
    FCheck = TUtf8Check();
    if (FMemory) {
        FBase = 0;
        FPos = FBuf;
    } else {
        FSource->Rewind();
        FBuf = FPos = FEnd = FStore.get();
        FBase = 0;
        FEof = false;
        Refill(FBuf);
    }
}

// ---------------------------------------------------------------- encoding

bool TReader::DeclaresUtf8() {
    for (;;) {
        const char* p = FPos;
        while (p < FEnd && IsSpace(*p)) ++p;
        if (FEnd - p < 6 && !FEof) {
            Refill(p);
            continue;
        }
        FPos = p;
        if (FEnd - p < 6 || p[0] != '<' || p[1] != '?' || Lower(p[2]) != 'x' || Lower(p[3]) != 'm' ||
            Lower(p[4]) != 'l' || !(IsSpace(p[5]) || p[5] == '?'))
            return false;
        const std::string_view window(p, size_t(FEnd - p));
        const size_t close = window.find("?>", 2);
        if (close == std::string_view::npos) {
            if (FEof) Fail(kMismatch, Off(p)); // an unterminated declaration
            Refill(p);
            continue;
        }
        // Pseudo-attributes name = "value" (or 'value') up to "?>".
        const char* q = p + 5;
        const char* e = p + close;
        while (q < e) {
            while (q < e && IsSpace(*q)) ++q;
            const char* n0 = q;
            while (q < e && !IsSpace(*q) && *q != '=') ++q;
            const std::string_view name(n0, size_t(q - n0));
            while (q < e && IsSpace(*q)) ++q;
            if (q >= e || *q != '=') return false;
            ++q;
            while (q < e && IsSpace(*q)) ++q;
            if (q >= e || (*q != '"' && *q != '\'')) return false;
            const char quote = *q++;
            const char* v0 = q;
            while (q < e && *q != quote) ++q;
            if (q >= e) return false;
            const std::string_view value(v0, size_t(q - v0));
            ++q;
            if (SameIgnoringCase(name, "encoding")) return SameIgnoringCase(value, "UTF-8");
        }
        return false;
    }
}

void TReader::StartChecking() {
    // Every byte seen so far (only white space was dropped before the
    // declaration) and every byte read from now on must be UTF-8.
    FChecking = true;
    if (!FCheck.Feed(FBuf, size_t(FEnd - FBuf))) throw TRestartAsAnsi{};
    if (FEof && !FCheck.Complete()) throw TRestartAsAnsi{};
}

void TReader::DrainChecking() {
    while (!FEof) Refill(FEnd);
}

// ---------------------------------------------------------------- tokens

void TReader::Next(bool wantText) {
    for (;;) {
        const char* p = FPos;
        if (!wantText)
            while (p < FEnd && IsSpace(*p)) ++p;
        if (p >= FEnd) {
            if (FEof) {
                FPos = FEnd;
                FTok.Kind = TTok::Eof;
                FTok.Offset = Off(FEnd);
                return;
            }
            Refill(p);
            continue;
        }
        if (*p != '<') {
            const auto* lt = static_cast<const char*>(std::memchr(p, '<', size_t(FEnd - p)));
            if (!wantText) {
                // Text outside the places that hold values is skipped.
                if (lt) {
                    FPos = lt;
                } else if (FEof) {
                    FPos = FEnd;
                } else {
                    Refill(FEnd);
                }
                continue;
            }
            if (!lt && !FEof) {
                Refill(p);
                continue;
            }
            const char* end = lt ? lt : FEnd;
            FTok.Kind = TTok::Text;
            FTok.Text = std::string_view(p, size_t(end - p));
            FTok.Offset = Off(p);
            FPos = end;
            return;
        }
        if (FEnd - p < 2) {
            if (FEof) Fail(kMismatch, Off(p));
            Refill(p);
            continue;
        }
        if (p[1] == '?' || p[1] == '!') {
            // Processing instructions end at "?>", comments and declarations
            // at "-->".
            const std::string_view terminator =
                p[1] == '?' ? std::string_view("?>") : std::string_view("-->");
            const std::string_view window(p + 2, size_t(FEnd - p - 2));
            const size_t at = window.find(terminator);
            if (at == std::string_view::npos) {
                if (FEof) Fail(kMismatch, Off(p));
                Refill(p);
                continue;
            }
            FPos = p + 2 + at + terminator.size();
            continue;
        }
        if (p[1] == '/') {
            const char* q = p + 2;
            while (q < FEnd && !IsSpace(*q) && *q != '>') ++q;
            const char* nameEnd = q;
            while (q < FEnd && IsSpace(*q)) ++q;
            if (q >= FEnd) {
                if (FEof) Fail(kMismatch, Off(p));
                Refill(p);
                continue;
            }
            if (*q != '>') Fail(kMismatch, Off(p));
            FTok.Kind = TTok::End;
            FTok.Name = std::string_view(p + 2, size_t(nameEnd - p - 2));
            FTok.Offset = Off(p);
            FPos = q + 1;
            return;
        }
        if (ScanStartTag(p)) return;
        if (FEof) Fail(kMismatch, Off(p));
        Refill(p);
    }
}

// A start tag at p: name, attributes NAME="value" (white space around "="
// allowed, the value running to the next double quote), then ">" or "/>".
// An attribute whose value does not begin with a double quote ends the
// attribute list; the rest of the tag up to ">" is passed over. Returns false
// when the tag does not end inside the window.
namespace {
// Bytes that end an element name (white space, ">", "/"), and those that end
// an attribute name (the same and "=").
struct TNameEnds {
    bool Element[256] = {}, Attribute[256] = {};
    constexpr TNameEnds() {
        for (int c = 1; c <= 32; ++c) Element[c] = Attribute[c] = true;
        Element['>'] = Element['/'] = true;
        Attribute['>'] = Attribute['/'] = Attribute['='] = true;
    }
};
constexpr TNameEnds kNameEnds;
} // namespace

bool TReader::ScanStartTag(const char* p) {
    const char* e = FEnd;
    const char* q = p + 1;
    while (q < e && !kNameEnds.Element[(unsigned char)*q]) ++q;
    if (q >= e) return false;
    if (q == p + 1) Fail(kMismatch, Off(p));
    FTok.Name = std::string_view(p + 1, size_t(q - p - 1));
    FTok.Attrs.clear();
    bool empty = false;
    bool passOver = false;
    for (;;) {
        while (q < e && IsSpace(*q)) ++q;
        if (q >= e) return false;
        if (*q == '>') {
            ++q;
            break;
        }
        if (*q == '/') {
            if (q + 1 >= e) return false;
            if (q[1] == '>') {
                empty = true;
                q += 2;
                break;
            }
            passOver = true;
            break;
        }
        const char* n0 = q;
        while (q < e && !kNameEnds.Attribute[(unsigned char)*q]) ++q;
        const char* n1 = q;
        while (q < e && IsSpace(*q)) ++q;
        if (q >= e) return false;
        if (*q != '=') {
            q = n0; // passing over starts at this attribute
            passOver = true;
            break;
        }
        ++q;
        while (q < e && IsSpace(*q)) ++q;
        if (q >= e) return false;
        if (*q != '"') {
            q = n0;
            passOver = true;
            break;
        }
        const char* v0 = q + 1;
        bool amp = false;
        const char* v1 = FindQuote(v0, e, amp);
        if (!v1) return false;
        FTok.Attrs.push_back(
            {std::string_view(n0, size_t(n1 - n0)), std::string_view(v0, size_t(v1 - v0)), amp});
        q = v1 + 1;
    }
    if (passOver) {
        const uint64_t passAt = Off(q);
        const auto* gt = static_cast<const char*>(std::memchr(q, '>', size_t(e - q)));
        if (!gt) return false;
        empty = gt[-1] == '/';
        q = gt + 1;
        Notice(TPacketNotice::nkTagCut, passAt, FTok.Name == "ROW" ? FData.SlotCount() + 1 : 0, FTok.Name);
    }
    FTok.Kind = TTok::Start;
    FTok.Empty = empty;
    FTok.Offset = Off(p);
    FPos = q;
    return true;
}

// Reads up to the end tag of the open element name; nested elements must
// close in order.
void TReader::SkipUntilEnd(std::string name) {
    std::vector<std::string> open;
    open.push_back(std::move(name));
    while (!open.empty()) {
        Next();
        switch (FTok.Kind) {
        case TTok::Start:
            if (!FTok.Empty) open.emplace_back(FTok.Name);
            break;
        case TTok::End:
            if (FTok.Name != open.back()) Fail(kMismatch, FTok.Offset);
            open.pop_back();
            break;
        case TTok::Eof:
            Fail(kMismatch, FTok.Offset);
        case TTok::Text:
            break;
        }
    }
}

// ---------------------------------------------------------------- values

// The decoded value, pointing into the content when nothing needs changing.
std::string_view TReader::Decoded(std::string_view v, bool toAnsi) {
    if (v.empty()) return std::string_view(); // (an empty view may have no address)
    return Decoded(v, toAnsi, std::memchr(v.data(), '&', v.size()) != nullptr);
}

std::string_view TReader::Decoded(std::string_view v, bool toAnsi, bool amp) {
    if (v.empty()) return std::string_view();
    if (!amp) {
        // Windows-1252 bytes to Windows-1252, checked UTF-8 to UTF-8, and
        // ASCII to either, stay as they are. (Content that only has a
        // byte-order mark is not checked: its broken sequences are replaced.)
        if (toAnsi && !FUtf8) return v;
        if (!toAnsi && FUtf8 && FChecking) return v;
        if (!HasHighByte(v)) return v;
    }
    FScratch.clear();
    DecodeValue(v, FUtf8, toAnsi, FScratch);
    return FScratch;
}

QString TReader::Text(std::string_view v) {
    const std::string_view u = Decoded(v, false);
    return QString::fromUtf8(u.data(), qsizetype(u.size()));
}

void TReader::Put(int field, std::string_view value, bool amp, uint64_t offset) {
    TFieldIn& in = FIn[size_t(field)];
    TStoreColumn& column = FData.Columns[size_t(field)];
    try {
        switch (in.Target) {
        case TFieldIn::TTarget::Float:
        case TFieldIn::TTarget::Single: {
            double d = 0;
            const std::string_view text = Decoded(value, true, amp);
            const bool read = ParsePacketFloat(text, d);
            if (FNotices && !IsNumberReadWhole(text, true, true, read))
                NoticeOfField(TPacketNotice::nkNumberCut, field, offset);
            if (!read)
                column.AppendNull();
            else
                column.AppendFloat(in.Target == TFieldIn::TTarget::Single ? RoundToSingle(d) : d);
            break;
        }
        case TFieldIn::TTarget::Decimal: {
            // A value the kind cannot hold (out of range, too many digits) is null.
            const std::string_view text = Decoded(value, true, amp);
            const bool read =
                ParsePacketDecimal(text, in.Integer, FNumber) && (!in.Integer || InRange(FNumber, in.Range));
            if (FNotices && !IsNumberReadWhole(text, !in.Integer, false, read))
                NoticeOfField(TPacketNotice::nkNumberCut, field, offset);
            if (read)
                column.AppendBytes(FNumber);
            else
                column.AppendNull();
            break;
        }
        case TFieldIn::TTarget::Ansi: {
            std::string_view bytes = Decoded(value, true, amp);
            const size_t full = bytes.size();
            // A string field holds no NUL byte and at most its width.
            if (const void* nul = bytes.empty() ? nullptr : std::memchr(bytes.data(), 0, bytes.size()))
                bytes = bytes.substr(0, size_t(static_cast<const char*>(nul) - bytes.data()));
            if (bytes.size() > in.Width) bytes = bytes.substr(0, in.Width);
            if (FNotices && bytes.size() != full) NoticeOfField(TPacketNotice::nkValueCut, field, offset);
            in.Longest = std::max(in.Longest, bytes.size());
            column.AppendBytes(bytes);
            break;
        }
        case TFieldIn::TTarget::Text: {
            if (value.empty() && in.EmptyIsNull) {
                column.AppendNull();
                break;
            }
            column.AppendBytes(Decoded(value, false, amp));
            break;
        }
        }
    } catch (const EDBClient& e) {
        throw EDataPacketError(e.Message(), e.ErrorCode(), offset);
    }
}

// ---------------------------------------------------------------- structure

TStoreData TReader::Run() {
    try {
        try {
            return ReadOnce(false);
        } catch (const TRestartAsAnsi&) {
            Reset();
            Notice(TPacketNotice::nkRestart, 0, 0, {});
            return ReadOnce(true);
        }
    } catch (const std::bad_alloc&) {
        FData = TStoreData();
        Fail(kNoMemory, Off(FPos));
    } catch (const TRestartAsAnsi&) {
        Fail(kMismatch, Off(FPos)); // cannot happen: the second pass does not check
    }
}

TStoreData TReader::ReadOnce(bool forceAnsi) {
    if (!FMemory && !FStore) Prime();
    // Encoding: a UTF-8 byte-order mark, else a declaration naming UTF-8 on
    // well-formed UTF-8 content, else Windows-1252.
    while (FEnd - FPos < 3 && !FEof) Refill(FPos);
    if (FEnd - FPos >= 3 && (unsigned char)FPos[0] == 0xEF && (unsigned char)FPos[1] == 0xBB &&
        (unsigned char)FPos[2] == 0xBF) {
        FUtf8 = true;
        FPos += 3;
    } else if (!forceAnsi && DeclaresUtf8()) {
        FUtf8 = true;
        StartChecking();
    }
    // The content must begin with "<" after white space.
    for (;;) {
        while (FPos < FEnd && IsSpace(*FPos)) ++FPos;
        if (FPos < FEnd || FEof) break;
        Refill(FPos);
    }
    if (FPos >= FEnd || *FPos != '<') Fail(kMismatch, Off(FPos));
    ParseDocument();
    if (FChecking) DrainChecking();
    Finish();
    return std::move(FData);
}

void TReader::ParseDocument() {
    Next();
    if (FTok.Kind != TTok::Start) Fail(kMismatch, FTok.Offset);
    if (FTok.Name == "DATAPACKET") {
        // Its attributes are not read.
        if (FTok.Empty) Fail(kMismatch, FTok.Offset);
        Next();
        if (IsStart("ROWDATA")) Fail(kNoMetaData, FTok.Offset);
        if (!IsStart("METADATA")) Fail(kMismatch, FTok.Offset);
        ParseMetadata();
        for (;;) {
            Next();
            if (FTok.Kind == TTok::End) {
                ExpectEnd("DATAPACKET");
                return;
            }
            if (FTok.Kind == TTok::Eof) Fail(kMismatch, FTok.Offset);
            if (IsStart("ROWDATA"))
                ParseRowData();
            else
                SkipElement();
        }
    }
    if (FTok.Name == "METADATA") {
        // A packet without its DATAPACKET element: the rows may follow.
        ParseMetadata();
        Next();
        if (IsStart("ROWDATA")) ParseRowData();
        return;
    }
    if (FTok.Name == "ROWDATA") Fail(kNoMetaData, FTok.Offset);
    Fail(kMismatch, FTok.Offset);
}

void TReader::ParseMetadata() {
    if (FTok.Empty) Fail(kMismatch, FTok.Offset);
    Next();
    if (!IsStart("FIELDS")) Fail(kMismatch, FTok.Offset);
    ParseFields();
    for (;;) {
        Next();
        if (FTok.Kind == TTok::End) {
            ExpectEnd("METADATA");
            return;
        }
        if (FTok.Kind == TTok::Eof) Fail(kMismatch, FTok.Offset);
        if (IsStart("PARAMS"))
            ParseParams();
        else
            SkipElement();
    }
}

void TReader::ParseFields() {
    if (!FTok.Empty) {
        for (;;) {
            Next();
            if (FTok.Kind == TTok::End) {
                ExpectEnd("FIELDS");
                break;
            }
            if (FTok.Kind == TTok::Eof) Fail(kMismatch, FTok.Offset);
            if (IsStart("FIELD"))
                ParseField();
            else
                SkipElement();
        }
    }
    PrepareRows();
}

void TReader::AddParam(std::vector<TStoreParam>& list, TStoreParam p, bool table) {
    if (table && p.Name == QLatin1String("CHANGE_LOG")) {
        const QByteArray value = p.Value.toLatin1();
        ParseChangeLog(std::string_view(value.constData(), size_t(value.size())), FTok.Offset);
        return;
    }
    list.push_back(std::move(p));
}

void TReader::ParseField() {
    TFieldDecl d;
    const uint64_t offset = FTok.Offset;
    for (const TAttr& a : FTok.Attrs) {
        const std::string_view n = a.Name;
        auto flag = [&](bool& target) { target = SameIgnoringCase(Decoded(a.Value, false), "true"); };
        if (n == "attrname") {
            if (!d.HaveAttr) d.Attr = ContentBytes(a.Value), d.HaveAttr = true;
        } else if (n == "tagname") {
            if (!d.HaveTag) d.Tag = ContentBytes(a.Value), d.HaveTag = true;
        } else if (n == "fieldname") {
            if (!d.HaveFieldName) d.Name = Text(a.Value), d.HaveFieldName = true;
        } else if (n == "fieldtype") {
            if (!d.HaveType) d.Type = std::string(Decoded(a.Value, false)), d.HaveType = true;
        } else if (n == "readonly") {
            flag(d.ReadOnly);
        } else if (n == "required") {
            flag(d.Required);
        } else if (n == "hidden") {
            flag(d.Hidden);
        } else if (n == "linkfield") {
            flag(d.LinkField);
        } else {
            const char* type = KnownParamType(n);
            TStoreParam p;
            p.Name = Text(n);
            p.Value = Text(a.Value);
            p.Type = QString::fromLatin1(type ? type : "string");
            d.Params.push_back(std::move(p));
        }
    }
    if (!FTok.Empty) {
        for (;;) {
            Next();
            if (FTok.Kind == TTok::End) {
                ExpectEnd("FIELD");
                break;
            }
            if (FTok.Kind == TTok::Eof) Fail(kMismatch, FTok.Offset);
            if (IsStart("PARAM"))
                AddParam(d.Params, ReadParamElement(), false);
            else
                SkipElement();
        }
    }
    AddField(d, offset);
}

void TReader::AddField(TFieldDecl& d, uint64_t offset) {
    TStoreFieldDesc desc;
    TFieldIn in;
    switch (PlanField(d, FUtf8, desc, in)) {
    case TFieldFault::None:
        break;
    case TFieldFault::Mismatch:
        Fail(kMismatch, offset);
    case TFieldFault::InvalidType:
        Fail(kInvalidType, offset);
    }
    FData.AddField(std::move(desc));
    FIn.push_back(std::move(in));
}

TStoreParam TReader::ReadParamElement() {
    TStoreParam p;
    bool haveName = false, haveValue = false, haveType = false, haveRoundtrip = false;
    for (const TAttr& a : FTok.Attrs) {
        if (a.Name == "Name" && !haveName) {
            p.Name = Text(a.Value);
            haveName = true;
        } else if (a.Name == "Value" && !haveValue) {
            p.Value = Text(a.Value);
            haveValue = true;
        } else if (a.Name == "Type" && !haveType) {
            p.Type = Text(a.Value);
            haveType = true;
        } else if (a.Name == "Roundtrip" && !haveRoundtrip) {
            p.Roundtrip = SameIgnoringCase(Decoded(a.Value, false), "true");
            haveRoundtrip = true;
        }
    }
    if (!haveType) p.Type = QStringLiteral("string");
    SkipElement();
    return p;
}

void TReader::ParseParams() {
    for (const TAttr& a : FTok.Attrs) {
        if (a.Name == "CHANGE_LOG") {
            ParseChangeLog(Decoded(a.Value, true), FTok.Offset);
            continue;
        }
        const char* type = KnownParamType(a.Name);
        TStoreParam p;
        p.Name = Text(a.Name);
        p.Value = Text(a.Value);
        p.Type = QString::fromLatin1(type ? type : "string");
        FData.Params.push_back(std::move(p));
    }
    if (FTok.Empty) return;
    for (;;) {
        Next();
        if (FTok.Kind == TTok::End) {
            ExpectEnd("PARAMS");
            return;
        }
        if (FTok.Kind == TTok::Eof) Fail(kMismatch, FTok.Offset);
        if (IsStart("PARAM")) {
            TStoreParam p = ReadParamElement();
            if (!p.Name.isEmpty()) AddParam(FData.Params, std::move(p), true);
        } else {
            SkipElement();
        }
    }
}

// Numbers separated by white space; each three make one entry (slot, linked
// slot, kind). A text that is not an unsigned 32-bit number is refused.
void TReader::ParseChangeLog(std::string_view v, uint64_t offset) {
    FData.ChangeLog.clear();
    uint32_t numbers[3];
    int have = 0;
    const char* p = v.data();
    const char* e = p + v.size();
    while (p < e) {
        while (p < e && IsSpace(*p)) ++p;
        if (p >= e) break;
        uint64_t n = 0;
        const char* start = p;
        while (p < e && IsDigit(*p)) {
            n = n * 10 + uint64_t(*p - '0');
            if (n > std::numeric_limits<uint32_t>::max()) Fail(kMismatch, offset);
            ++p;
        }
        if (p == start || (p < e && !IsSpace(*p))) Fail(kMismatch, offset);
        numbers[have++] = uint32_t(n);
        if (have == 3) {
            FData.ChangeLog.push_back({numbers[0], numbers[1], numbers[2]});
            have = 0;
        }
    }
}

void TReader::PrepareRows() {
    if (FHaveFields) return;
    FHaveFields = true;
    for (size_t f = 0; f < FIn.size(); ++f) {
        TFieldIn& in = FIn[f];
        auto& map = in.ByTag ? FByTag : FByAttr;
        const std::string_view key = in.ByTag ? std::string_view(in.Tag) : std::string_view(in.Attr);
        auto it = map.find(key);
        if (it == map.end()) {
            map.emplace(key, int(f));
        } else {
            int last = it->second;
            while (FIn[size_t(last)].NextSame >= 0) last = FIn[size_t(last)].NextSame;
            FIn[size_t(last)].NextSame = int(f);
        }
    }
}

void TReader::ParseRowData() {
    if (FTok.Empty) return;
    FRowsOffset = FTok.Offset;
    StartSecondHalf();
    for (;;) {
        Next();
        if (FHalf && FTok.Offset >= FSplit) {
            // The second half was read from a token that starts exactly here:
            // its rows (or its error) are what reading on would give.
            if (FTok.Offset == FSplit && FTok.Kind == TTok::Start) {
                AdoptSecondHalf();
                return;
            }
            StopSecondHalf(); // the split fell inside something else: read on alone
        }
        if (FTok.Kind == TTok::End) {
            ExpectEnd("ROWDATA");
            return;
        }
        if (FTok.Kind == TTok::Eof) Fail(kMismatch, FTok.Offset);
        if (!IsStart("ROW")) Fail(kMismatch, FTok.Offset);
        ReadRow();
    }
}

void TReader::ReadRow() {
    const uint32_t stamp = ++FStamp;
    const uint64_t offset = FTok.Offset;
    FData.AppendSlot(usUnmodified);
    if (!FReserved && FData.SlotCount() == 1024) ReserveRows();
    uint8_t rowState = 0;
    bool haveRowState = false;
    size_t expected = 0;
    const size_t nf = FIn.size();
    for (const TAttr& a : FTok.Attrs) {
        if (!haveRowState && a.Name == "RowState") {
            haveRowState = true;
            const std::string_view v = Decoded(a.Value, true);
            const char* p = v.data();
            const char* e = p + v.size();
            while (p < e && IsSpace(*p)) ++p;
            unsigned n = 0;
            while (p < e && IsDigit(*p)) {
                n = n * 10 + unsigned(*p++ - '0');
                if (n > 255) Fail(kMismatch, offset);
            }
            while (p < e && IsSpace(*p)) ++p;
            if (p != e) Fail(kMismatch, offset);
            rowState = uint8_t(n);
            continue;
        }
        // Attributes usually come in field order: try the field after the
        // last one found before looking the name up.
        int f = -1;
        if (expected < nf && !FIn[expected].ByTag && SameBytes(FIn[expected].Attr, a.Name)) {
            f = int(expected);
        } else {
            auto it = FByAttr.find(a.Name);
            if (it == FByAttr.end()) {
                Notice(TPacketNotice::nkUnknownAttribute, offset, FData.SlotCount(), a.Name);
                continue;
            }
            f = it->second;
        }
        while (f >= 0 && FIn[size_t(f)].Stamp == stamp) f = FIn[size_t(f)].NextSame;
        if (f < 0) { // the same name again: the first one counts
            Notice(TPacketNotice::nkRepeatedAttribute, offset, FData.SlotCount(), a.Name);
            continue;
        }
        expected = size_t(f) + 1;
        FIn[size_t(f)].Stamp = stamp;
        Put(f, a.Value, a.Amp, offset);
    }
    if (!FTok.Empty) ReadRowChildren(stamp);
    for (size_t f = 0; f < nf; ++f)
        if (FIn[f].Stamp != stamp) FData.Columns[f].AppendNull();
    FData.RowStates.back() = rowState;
}

// Values of fields in the tagname form: child elements of ROW holding their
// text. Other children are passed over.
void TReader::ReadRowChildren(uint32_t stamp) {
    for (;;) {
        Next();
        if (FTok.Kind == TTok::End) {
            ExpectEnd("ROW");
            return;
        }
        if (FTok.Kind == TTok::Eof) Fail(kMismatch, FTok.Offset);
        if (FTok.Kind != TTok::Start) continue;
        int f = -1;
        if (auto it = FByTag.find(FTok.Name); it != FByTag.end()) f = it->second;
        while (f >= 0 && FIn[size_t(f)].Stamp == stamp) f = FIn[size_t(f)].NextSame;
        if (f < 0) {
            SkipElement();
            continue;
        }
        FIn[size_t(f)].Stamp = stamp;
        const uint64_t offset = FTok.Offset;
        if (FTok.Empty) {
            Put(f, std::string_view(), false, offset);
            continue;
        }
        std::string name(FTok.Name);
        Next(true);
        switch (FTok.Kind) {
        case TTok::Text:
            Put(f, FTok.Text, std::memchr(FTok.Text.data(), '&', FTok.Text.size()) != nullptr, offset);
            SkipUntilEnd(std::move(name));
            break;
        case TTok::End:
            if (FTok.Name != name) Fail(kMismatch, FTok.Offset);
            Put(f, std::string_view(), false, offset);
            break;
        case TTok::Start:
            Put(f, std::string_view(), false, offset);
            SkipElement();
            SkipUntilEnd(std::move(name));
            break;
        case TTok::Eof:
            Fail(kMismatch, FTok.Offset);
        }
    }
}

// After the first rows, room for the rest as the size of the content lets
// guess: the columns then grow without copying. Only a hint: when memory is
// short the columns grow as they go.
void TReader::ReserveRows() {
    FReserved = true;
    if (!FSizeHint) return;
    const uint64_t here = Off(FPos);
    const uint64_t used = here > FRowsOffset ? here - FRowsOffset : 0;
    if (!used || FSizeHint <= here) return;
    const uint32_t rows = FData.SlotCount();
    const double perRow = double(used) / rows;
    const double guess = double(FSizeHint - here) / perRow * 1.05 + rows + 64;
    if (guess > double(std::numeric_limits<uint32_t>::max() / 2)) return;
    const auto total = uint32_t(guess);
    try {
        FData.RowStates.reserve(total);
        for (size_t f = 0; f < FData.Columns.size(); ++f) {
            TStoreColumn& c = FData.Columns[f];
            size_t bytes = 0;
            if (c.Kind() == TStoreColumn::TKind::Bytes)
                bytes = size_t(double(c.ValueBytes()) / rows * total * 1.05);
            c.Reserve(total, bytes);
        }
    } catch (const std::bad_alloc&) {
    }
}

void TReader::Finish() {
    // A string field without WIDTH gets the width of its longest value (at
    // least 20, the width of a string definition without size).
    for (size_t f = 0; f < FIn.size(); ++f) {
        TStoreFieldDesc& d = FData.Fields[f];
        if (FIn[f].Target == TFieldIn::TTarget::Ansi && d.Size == 0)
            d.Size = int(std::max<size_t>(FIn[f].Longest, 20));
    }
    try {
        FData.Validate();
    } catch (const EDBClient& e) {
        throw EDataPacketError(e.Message(), e.ErrorCode(), Off(FPos));
    }
}

} // namespace packet_reader

using packet_reader::TReader;

TStoreData ReadPacket(const char* data, size_t size, uint64_t halvesFrom) {
    TReader reader(data, size, halvesFrom);
    return reader.Run();
}

TStoreData ReadPacket(IPacketSource& source, uint64_t halvesFrom) {
    TReader reader(source, halvesFrom);
    return reader.Run();
}

TStoreData ReadPacket(IPacketSource& source, TPacketNoticeSink notices) {
    // One reader from start to end, so that the notices come in file order.
    TReader reader(source, UINT64_MAX);
    reader.SetNotices(std::move(notices));
    return reader.Run();
}

} // namespace tallivo
