#pragma once
// The back-office commands that work on the stock-take server. Each takes
// the whole command line (the program's name first) and returns the exit
// code: 0 done, 1 the server or a file refused, 2 wrong command line.

namespace tallivo::office {

int OfficeInit(int argc, char** argv);       // init NAME
int OfficeExport(int argc, char** argv);     // export NAME OUT.CSV
int OfficeWatch(int argc, char** argv);      // watch NAME [--once]
int OfficeAddStation(int argc, char** argv); // add-station NAME STATION

} // namespace tallivo::office
