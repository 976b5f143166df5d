#pragma once
// Replacing a file as a whole: the new content goes to a temporary file in
// the same folder, is flushed to disk, then renamed over the old file. A
// crash, a power cut or a full disk on the way leaves the old file as it was;
// any failure removes the temporary file and raises the file error:
//   creating the temporary file: EFCreateError
//       "Impossible de créer le fichier "%s". %s" (the file's full path and
//       the system's message);
//   writing, flushing, closing or renaming: EInOutError
//       "Accès au fichier refusé" for EACCES and EPERM,
//       "Erreur E/S %d" with the error number otherwise (28: disk full,
//       27: file too large, 5: input/output error).

#include "table/Packet.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <string>

namespace tallivo {

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
    // target. Nothing is changed when it fails.
    void Commit();
    // Drops the temporary file.
    void Discard();

    const std::string& TemporaryPath() const { return FTemp; }
    uint64_t Written() const { return FWritten; }

    // The steps a test can make fail (SetAtomicFileHook).
    enum TStep { stCreate, stWrite, stSync, stRename };
    // Test hook: called before each step with the bytes written so far; a
    // non-zero result is taken as the errno of a failure of that step.
    using THook = std::function<int(TStep step, uint64_t written)>;
    static void SetHook(THook hook);

private:
    [[noreturn]] void Fail(int err);
    QString FFileName;
    std::string FTarget;
    std::string FTemp;
    int FFd = -1;
    uint64_t FWritten = 0;
    uint64_t FSynced = 0; // bytes handed to early write-back
    bool FCommitted = false;
};

} // namespace tallivo
