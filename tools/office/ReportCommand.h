#pragma once
// tallivo-office report [options] CATALOGUE OUTDIR COUNT...
// argv is the program's whole command line, the command word included.
int OfficeReport(int argc, char** argv);
