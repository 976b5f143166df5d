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
// permission and would ignore the file's own mode. When the folder refuses
// the temporary file but the file itself may be written, the file is
// rewritten in place at Commit instead (see InPlace).

#include "table/Packet.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <string>

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
    // link points to). An existing file's permissions carry over to the new
    // one.
    explicit TAtomicFile(const QString& fileName);
    // Removes the temporary file unless Commit succeeded.
    ~TAtomicFile() override;
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    void Put(const char* data, size_t size) override;
    // Flushes the content to disk, closes the file and renames it over the
    // target. Nothing is changed when it fails (in place: see InPlace).
    void Commit();
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

    const std::string& TemporaryPath() const { return FTemp; }
    uint64_t Written() const { return FWritten; }
    // True when the folder refused the temporary file and the existing file
    // is rewritten in place: the content is held in memory until Commit,
    // which then writes it over the file, cuts the file to its length and
    // flushes it. A crash during that write leaves a damaged file; a full
    // disk is found before the file is touched where the file system can
    // reserve the room.
    bool InPlace() const { return FInPlace; }

    // The steps a test can make fail (SetHook). stInPlace: opening the
    // existing file to rewrite it in place; stReserve: reserving its room.
    enum TStep { stCreate, stWrite, stSync, stRename, stInPlace, stReserve };
    // Test hook: called before each step with the bytes written so far; a
    // non-zero result is taken as the errno of a failure of that step.
    using THook = std::function<int(TStep step, uint64_t written)>;
    static void SetHook(THook hook);

private:
    [[noreturn]] void Fail(int err);
    [[noreturn]] void FailCreate(int err) const;
    void CommitInPlace();
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
