// tallivo-gesture: runs a stroke through the swipe recogniser of the
// collection grid, the same steps the grid takes (points closer than 5
// pixels dropped, jumps filled in, the 5000 ms limit, the four swipes tried
// in the order the main window assigns them).
//
//   tallivo-gesture score    reads the stroke on standard input and prints
//                            each swipe's score and the gesture recognised
//
// Exit codes: 0 done, 1 unreadable input, 2 wrong command line.
#include "grid/GestureRecognizer.h"
#include "grid/GestureStroke.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

using namespace tallivo;

namespace {

const char* const kUsage = "usage:\n"
                           "  tallivo-gesture score < STROKE\n"
                           "  tallivo-gesture --help | --version\n"
                           "\n"
                           "score  reads a stroke over the collection grid on standard input, one\n"
                           "       event per line: \"x y\" or \"x y t\", x and y in client pixels of the\n"
                           "       grid (y grows downwards, -32768 to 32767), t the milliseconds since\n"
                           "       the press (a line without t keeps the time of the line before; the\n"
                           "       press is at 0 without one). The first line is the press, the last\n"
                           "       the release, the lines between the moves; a single line is a tap.\n"
                           "       A stroke whose release comes more than 5000 ms after the press, or\n"
                           "       that moves after that, is abandoned.\n"
                           "       Prints five lines: \"sgiLeft S\", \"sgiRight S\", \"sgiUp S\",\n"
                           "       \"sgiDown S\" (S the score 0-100 of that swipe, 0 when it does not\n"
                           "       match) and \"recognised NAME\" or \"recognised none\".\n";

// The swipes of the collection grid, in the order the main window assigns them.
const TGestureID kSwipes[] = {sgiLeft, sgiRight, sgiUp, sgiDown};

struct TEvent {
    int X = 0;
    int Y = 0;
    std::int64_t T = 0;
};

// Reads one whole-number field; false when there is none or it is out of range.
bool ReadNumber(const char*& p, long long low, long long high, long long& value) {
    while (*p == ' ' || *p == '\t') ++p;
    const char* start = p;
    if (*p == '-' || *p == '+') ++p;
    if (*p < '0' || *p > '9') return false;
    long long v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        v = v * 10 + (*p - '0');
        if (v > 1000000000000LL) return false;
    }
    if (*start == '-') v = -v;
    if (v < low || v > high) return false;
    value = v;
    return true;
}

// Parses the events; on failure prints the line at fault and returns false.
bool ReadEvents(std::FILE* in, std::vector<TEvent>& events) {
    std::string line;
    int lineNo = 0;
    std::int64_t lastT = 0;
    for (int c = 0; c != EOF;) {
        line.clear();
        while ((c = std::fgetc(in)) != EOF && c != '\n') line.push_back(char(c));
        if (c == EOF && line.empty()) break;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        const char* p = line.c_str();
        long long x, y, t = lastT;
        bool ok = ReadNumber(p, -32768, 32767, x) && ReadNumber(p, -32768, 32767, y);
        if (ok) {
            while (*p == ' ' || *p == '\t') ++p;
            if (*p != '\0') ok = ReadNumber(p, 0, 1000000000LL, t);
            while (*p == ' ' || *p == '\t') ++p;
            ok = ok && *p == '\0';
        }
        if (!ok) {
            std::fprintf(stderr,
                         "tallivo-gesture: line %d: expected \"x y\" or \"x y t\" (whole numbers, x and y "
                         "from -32768 to 32767, t from 0): %s\n",
                         lineNo, line.c_str());
            return false;
        }
        if (!events.empty() && t < lastT) {
            std::fprintf(stderr, "tallivo-gesture: line %d: the time %lld comes before %lld\n", lineNo, t,
                         static_cast<long long>(lastT));
            return false;
        }
        lastT = t;
        events.push_back({int(x), int(y), t});
    }
    if (events.empty()) {
        std::fprintf(stderr, "tallivo-gesture: no press on standard input\n");
        return false;
    }
    return true;
}

int Score() {
    std::vector<TEvent> events;
    if (!ReadEvents(stdin, events)) return 1;
    TStrokeCapture stroke;
    stroke.StrokeDown(events.front().X, events.front().Y, events.front().T);
    for (std::size_t i = 1; i + 1 < events.size(); ++i)
        stroke.StrokeMove(events[i].X, events[i].Y, events[i].T);
    const TEvent& up = events.back();
    TGestureList gestures;
    for (TGestureID id : kSwipes) gestures.push_back({id, gtStandard, {}, 0, 0, {}});
    std::vector<int> scores(gestures.size(), 0);
    TGestureEventInfo info;
    bool recognised = false;
    if (stroke.StrokeUp(up.X, up.Y, up.T))
        recognised = GestureRecognizer().IsGesture(stroke.Points(), gestures,
                                                   {gtStandard, gtRecorded, gtRegistered}, info, &scores);
    for (std::size_t i = 0; i < gestures.size(); ++i)
        std::printf("%s %d\n", GestureIdName(gestures[i].GestureID), scores[i]);
    std::printf("recognised %s\n", recognised ? GestureIdName(info.GestureID) : "none");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-v") == 0)) {
        std::puts("tallivo-gesture " TALLIVO_VERSION);
        return 0;
    }
    if (argc != 2 || std::strcmp(argv[1], "score") != 0) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        return Score();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tallivo-gesture: %s\n", e.what());
        return 1;
    }
}
