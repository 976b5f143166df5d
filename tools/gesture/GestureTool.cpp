// tallivo-gesture: runs a stroke through the swipe recogniser of the
// collection grid, the same steps the grid takes (points closer than 5
// pixels dropped, jumps filled in, the 5000 ms limit, the four swipes tried
// in the order the main window assigns them).
//
//   tallivo-gesture score    reads the stroke on standard input and prints
//                            each swipe's score and the gesture recognised
//
// Messages in French. Exit codes: 0 done, 1 unreadable input, 2 wrong
// command line.
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

const char* const kUsage = "usage :\n"
                           "  tallivo-gesture score < TRAIT\n"
                           "  tallivo-gesture --help | --version\n"
                           "\n"
                           "score  lit sur l'entrée standard un trait tracé sur la grille du comptage,\n"
                           "       un événement par ligne : \"x y\" ou \"x y t\", x et y en pixels de la\n"
                           "       grille (y croît vers le bas, de -32768 à 32767), t les millisecondes\n"
                           "       depuis l'appui (une ligne sans t garde le temps de la précédente ;\n"
                           "       l'appui est à 0 sans t). La première ligne est l'appui, la dernière\n"
                           "       le relâchement, celles du milieu les déplacements ; une seule ligne\n"
                           "       est une touche. Un trait relâché plus de 5000 ms après l'appui, ou\n"
                           "       qui bouge encore après, est abandonné.\n"
                           "       Écrit cinq lignes : \"sgiLeft S\", \"sgiRight S\", \"sgiUp S\",\n"
                           "       \"sgiDown S\" (S la note de 0 à 100 de ce balayage, 0 s'il ne\n"
                           "       correspond pas) et \"reconnu NOM\" ou \"reconnu aucun\".\n";

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
                         "tallivo-gesture: ligne %d : \"x y\" ou \"x y t\" attendu (nombres entiers, x et y "
                         "de -32768 à 32767, t à partir de 0) : %s\n",
                         lineNo, line.c_str());
            return false;
        }
        if (!events.empty() && t < lastT) {
            std::fprintf(stderr, "tallivo-gesture: ligne %d : le temps %lld vient avant %lld\n", lineNo, t,
                         static_cast<long long>(lastT));
            return false;
        }
        lastT = t;
        events.push_back({int(x), int(y), t});
    }
    if (events.empty()) {
        std::fprintf(stderr, "tallivo-gesture: aucun appui sur l'entrée standard\n");
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
    std::printf("reconnu %s\n", recognised ? GestureIdName(info.GestureID) : "aucun");
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
