#pragma once
// The files a command-line tool reads and writes, and what it says about
// them: one French message per situation, the same in every tool.
//
// A tool never writes over one of its inputs (files are compared by device
// and inode, links followed, so that another spelling, a link or a hard
// link of an input is caught), and never replaces an existing data packet
// (a catalogue, a station's count) unless told so with --force. Both are
// checked before any work, and the refusal is exit code 2, nothing written.

#include "table/PacketReader.h"
#include "table/StoreData.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace tallivo {

class Exception;

// Exit codes shared by the tools.
enum : int { kExitDone = 0, kExitFailed = 1, kExitRefused = 2 };

// A path as messages show it: in double quotes.
QString Shown(const QString& path);

// "1 article", "0 article", "2 articles": French plurals (below two is
// singular).
QString Plural(int64_t n, const QString& one, const QString& many);

// Why path cannot be read as a file ("est un dossier, pas un fichier"), or
// an empty text. A missing file is left to the reader, whose message names
// the system's reason.
QString InputFileProblem(const QString& path);

// True when the file exists and begins as an XML data packet does (after an
// optional byte-order mark and white space, "<?xml" or "<DATAPACKET").
bool LooksLikePacket(const QString& path);

// True when both paths name the same existing file (device and inode, links
// followed).
bool SameFile(const QString& a, const QString& b);

// Why out may not be written, or an empty text: a folder, one of the inputs,
// an existing data packet (unless force).
QString OutputRefusal(const QString& out, const QStringList& inputs, bool force);

// Writes bytes as the whole content of path through the atomic writer (a
// temporary file beside it, flushed, renamed). Raises the writer's error.
void WriteWholeFile(const QString& path, const QByteArray& bytes);

// Reads a whole file; raises EFOpenError or EInOutError with French texts.
QByteArray ReadWholeFile(const QString& path);

// Reads a data packet file into store content, piece by piece; notices, when
// given, hears what the reader passed over. Raises the reader's error
// (EDataPacketError) or the file's (EFOpenError, EInOutError).
TStoreData ReadPacketFile(const QString& path, TPacketNoticeSink notices = {});

// The message of an error for a tool's user, in French: the record store's
// own English texts ("Mismatch in datapacket." ...) are said in French.
QString ToolMessage(const Exception& e);

} // namespace tallivo
