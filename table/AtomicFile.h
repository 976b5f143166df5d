#pragma once
// Replacing a file as a whole: the new content goes to a temporary file in
// the same folder, is flushed to disk, then renamed over the old file. A
// crash, a power cut or a full disk on the way leaves the old file as it was;
// any failure removes the temporary file and raises the file error:
//   creating the temporary file, or an existing file that this user may not
//   write: EFileCreationError (an EFCreateError)
//       "Impossible de créer le fichier "%s". %s" (the file's full path and
//       the system's message);
//   writing, flushing, closing or renaming: EInOutError
//       "Accès au fichier refusé" for EACCES and EPERM,
//       "Erreur E/S %d" with the error number otherwise (28: disk full,
//       27: file too large, 5: input/output error).
//
// A write-protected file is never replaced: rename needs only the folder's
// permission and would ignore the file's own mode. The new file keeps the
// old one's owner, group and mode. The file is rewritten in place at Commit
// instead (see InPlace) when a replace would lose something: the folder
// refuses the temporary file, the owner or group cannot be given to the new
// file, the file has other hard links, or the folder refuses the rename
// (a sticky folder) while the file itself may be written.
//
// A symbolic link is never replaced by a file: the file it points to is
// written (created when only the file is missing), or the save fails.

#include "table/Packet.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tallivo {

// The file could not be created or may not be replaced; ErrorCode is the
// operating system's error number.
class EFileCreationError : public EFCreateError {
public:
    EFileCreationError(QString message, int errorCode)
        : EFCreateError(std::move(message)), FErrorCode(errorCode) {}
    int ErrorCode() const { return FErrorCode; }

private:
    int FErrorCode;
};

class TAtomicFile final : public IPacketSink {
public:
    // Creates the temporary file beside fileName (beside the file a symbolic
    // link points to, through every link of a chain). An existing file's
    // owner, group and permissions carry over to the new one.
    explicit TAtomicFile(const QString& fileName);
    // Removes the temporary file unless Commit succeeded.
    ~TAtomicFile() override;
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    void Put(const char* data, size_t size) override;
    // Flushes the content to disk, closes the file and renames it over the
    // target. Nothing is changed when it fails (in place: see InPlace).
    void Commit();
    // Like Commit, but never replaces an existing file: when the target
    // exists (or appears meanwhile), nothing is changed and EInOutError with
    // EEXIST is raised. For new files only (an archive).
    void CommitNew();
    // Drops the temporary file (in place: the target is left untouched).
    void Discard();

    // Removes the temporary files that writers of fileName left behind when
    // they were stopped before Commit or Discard (a kill, a power cut): the
    // plain files beside it (beside the file a symbolic link points to)
    // named exactly as TAtomicFile names them, "." name "." six lower-case
    // hexadecimal digits "~". Nothing else is touched; failures are passed
    // over. Call it only while no other writer of that file can be at work
    // (at the start of the only program that writes it). Returns how many
    // files were removed.
    static int RemoveLeftovers(const QString& fileName);
    // The full paths of those files, without touching them (sorted).
    static std::vector<std::string> Leftovers(const QString& fileName);
    // The file a save of fileName writes: fileName, or the end of the chain
    // of symbolic links it starts (which may not exist yet). Raises
    // EFileCreationError when a link cannot be read or the chain loops.
    static std::string Target(const QString& fileName);

    const std::string& TemporaryPath() const { return FTemp; }
    uint64_t Written() const { return FWritten; }
    // True when the existing file is rewritten in place (see above): the
    // content is held in memory until Commit, which then writes it over the
    // file, cuts the file to its length and flushes it. A crash during that
    // write leaves a damaged file. A longer content first reserves its room,
    // so that a full disk is found before the file is touched; where the
    // file system cannot reserve room, Commit refuses (EOPNOTSUPP) and the
    // file stays as it was.
    bool InPlace() const { return FInPlace; }

    // The steps a test can make fail (SetHook). stInPlace: opening the
    // existing file to rewrite it in place; stReserve: reserving its room
    // (the result stands for the reservation's: EOPNOTSUPP is a file system
    // that cannot reserve); stOwner: giving the new file the old one's owner
    // and group.
    enum TStep { stCreate, stWrite, stSync, stRename, stInPlace, stReserve, stOwner };
    // Test hook: called before each step with the bytes written so far; a
    // non-zero result is taken as the errno of a failure of that step.
    using THook = std::function<int(TStep step, uint64_t written)>;
    static void SetHook(THook hook);

private:
    [[noreturn]] void Fail(int err);
    [[noreturn]] void FailCreate(int err) const;
    // Opens the existing target to rewrite it in place; the errno, or 0.
    int OpenInPlace();
    // Moves the temporary file's content to memory and rewrites the target
    // in place (the rename was refused).
    void CommitInPlaceFromTemporary();
    void CommitInPlace();
    void Finish(bool replace);
    QString FFileName;
    std::string FTarget;
    std::string FTemp;
    std::string FPending; // the content, in place only
    int FFd = -1;
    uint64_t FWritten = 0;
    uint64_t FSynced = 0; // bytes handed to early write-back
    bool FCommitted = false;
    bool FInPlace = false;
};

} // namespace tallivo
