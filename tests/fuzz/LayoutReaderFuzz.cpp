// libFuzzer target of the column layout reader. For every input:
//  - a refusal names a byte inside the input (or its end) and has a message;
//  - a layout that reads is written and read back to the same layout, and
//    writing that again gives the same bytes.
// Anything else aborts. Run with -malloc_limit_mb to catch an allocation
// sized from a length the input does not hold.
#include "grid/stream/ColumnsStream.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

using namespace tallivo;

namespace {

[[noreturn]] void Fault(const char* what) {
    std::fprintf(stderr, "layout reader fuzz: %s\n", what);
    std::abort();
}

// Applies f to every text of a layout (the root's name is never written).
template <class F> void ForEachText(TColumnsLayout& l, F&& f) {
    const auto opt = [&](std::optional<QString>& s) {
        if (s) f(*s);
    };
    for (TColumnRecord& c : l.Columns) {
        opt(c.FieldName);
        opt(c.Font.Name);
        opt(c.ImeName);
        if (c.PickList)
            for (QString& line : *c.PickList) f(line);
        opt(c.PopupMenu);
        opt(c.TitleCaption);
        opt(c.TitleFont.Name);
    }
}

// Whether the texts survive the writer as they are: UTF-8 cannot carry a lone
// surrogate, and names (a pop-up menu's) are cut to 255 bytes.
bool TextsSurvive(TColumnsLayout l) {
    bool ok = true;
    ForEachText(l, [&](QString& s) {
        for (qsizetype i = 0; i < s.size(); ++i) {
            if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
                ++i;
            else if (s[i].isSurrogate())
                ok = false;
        }
    });
    for (const TColumnRecord& c : l.Columns)
        if (c.PopupMenu && c.PopupMenu->toUtf8().size() > 255) ok = false;
    return ok;
}

// The layout without its texts' content.
TColumnsLayout Shape(TColumnsLayout l) {
    l.Name.clear();
    ForEachText(l, [](QString& s) { s.clear(); });
    return l;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TColumnsLayout layout;
    try {
        layout = ReadColumnsLayout(bytes);
    } catch (const EColumnsStreamError& e) {
        if (e.Offset() > size) Fault("error offset past the end");
        if (e.Message().isEmpty()) Fault("error without a message");
        return 0;
    }
    const std::string written = WriteColumnsLayout(layout);
    TColumnsLayout back;
    try {
        back = ReadColumnsLayout(written);
    } catch (const EColumnsStreamError& e) {
        std::fprintf(stderr, "%s at %llu\n", e.Message().toUtf8().constData(),
                     (unsigned long long)e.Offset());
        Fault("a written layout does not read");
    }
    if (!(Shape(back) == Shape(layout))) Fault("a written layout reads back with other records");
    if (TextsSurvive(layout)) {
        layout.Name.clear();
        if (!(back == layout)) Fault("a written layout reads back different");
    }
    if (WriteColumnsLayout(back) != written) Fault("writing what was read is not stable");
    return 0;
}
