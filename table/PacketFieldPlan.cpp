// The packet reader's plan for a FIELD element (see PacketFieldPlan.h).
#include "table/PacketFieldPlan.h"

#include "base/CodePage.h"
#include "table/PacketTypes.h"

namespace tallivo {

namespace {

bool IsDigitsOnly(const QString& s) {
    if (s.isEmpty()) return false;
    for (const QChar c : s)
        if (c < u'0' || c > u'9') return false;
    return true;
}

} // namespace

TFieldFault PlanField(TFieldDecl& d, bool utf8Content, TStoreFieldDesc& desc, TFieldIn& in) {
    if (!d.HaveAttr && !d.HaveTag) return TFieldFault::Mismatch;
    if (!d.HaveType) return TFieldFault::InvalidType;
    std::string subtype;
    for (const TStoreParam& p : d.Params) {
        if (p.Name == QLatin1String("SUBTYPE")) {
            subtype = p.Value.toStdString(); // the first one, as the writer writes it back
            break;
        }
    }
    const TPacketType type = PacketTypeOf(d.Type, subtype);
    if (type.DataType == ftUnknown) return TFieldFault::InvalidType;

    in.ByTag = !d.HaveAttr;
    if (d.HaveAttr)
        in.Attr = d.Attr;
    else
        in.Tag = d.Tag;
    const std::string& shown = d.HaveAttr ? d.Attr : d.Tag;
    desc.Name = d.HaveFieldName ? d.Name
                                : (utf8Content ? QString::fromUtf8(shown.data(), qsizetype(shown.size()))
                                               : FromAnsi(std::string_view(shown)));
    desc.DataType = type.DataType;
    desc.TypeName = QString::fromLatin1(type.Name);
    desc.ReadOnly = d.ReadOnly;
    desc.Required = d.Required;
    desc.Hidden = d.Hidden;
    desc.LinkField = d.LinkField;
    // WIDTH of the kinds that have one becomes the field's size; on other
    // kinds it stays a parameter, written back as it came.
    // The first WIDTH counts; all of them are taken out of the parameters.
    // WIDTH is a 16-bit number: a larger one is a malformed declaration.
    int width = 0;
    if (PacketTypeHasWidth(type.DataType)) {
        bool first = true;
        for (auto it = d.Params.begin(); it != d.Params.end();) {
            if (it->Name != QLatin1String("WIDTH")) {
                ++it;
                continue;
            }
            bool ok = false;
            const QString text = it->Value.trimmed();
            const long long w = text.toLongLong(&ok);
            const bool huge = ok ? w > kMaxFieldWidth : IsDigitsOnly(text);
            if (first && huge) return TFieldFault::Mismatch;
            if (first && ok && w > 0) width = int(w);
            first = false;
            it = d.Params.erase(it);
        }
    }
    desc.Size = width;
    desc.Params = std::move(d.Params);
    const bool ansi = type.DataType == ftString || type.DataType == ftFixedChar;
    if (type.DataType == ftFloat) {
        in.Target = TFieldIn::TTarget::Float;
    } else if (type.DataType == ftSingle) {
        in.Target = TFieldIn::TTarget::Single;
    } else if (ansi) {
        in.Target = TFieldIn::TTarget::Ansi;
    } else if (IsDecimalKind(type.DataType)) {
        in.Target = TFieldIn::TTarget::Decimal;
        in.Integer = IsIntegerKind(type.DataType);
        in.Range = IntegerRangeOf(type.DataType, type.Name);
    } else {
        in.Target = TFieldIn::TTarget::Text;
    }
    // A string without WIDTH takes the width of its longest value, at most
    // the largest width a data file can declare.
    in.Width = uint32_t(width > 0 ? width : kMaxFieldWidth);
    switch (type.DataType) {
    case ftWideString:
    case ftMemo:
    case ftWideMemo:
    case ftFmtMemo:
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftGraphic:
        in.EmptyIsNull = false;
        break;
    default:
        in.EmptyIsNull = true;
    }
    return TFieldFault::None;
}

} // namespace tallivo
