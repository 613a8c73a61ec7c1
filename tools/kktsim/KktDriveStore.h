// Where the fiscal drive's state is kept between commands: an SQLite
// database in WAL mode, one transaction per change. The growing parts of the
// state have tables of their own and only their changed rows are written:
//   state    one row: the rest of the state as the JSON text of
//            DriveState::ToJson (with the three lists below left empty)
//   archive  every document the drive made (number, type, operation, shift,
//            time, fiscal sign, printed text, fields); the model holds the
//            newest kArchiveMax of them, the table keeps them all
//   ofd      the documents waiting for the OFD, oldest first
//   notify   the marking notifications, oldest first
// so the cost of a command does not grow with the archive or the queues.
//
// Other processes may read the database while the stand-in runs (WAL
// readers see the last committed command): ReadJson gives the whole state
// as the JSON text people and tests know.
#ifndef KKTSIM_KKTDRIVESTORE_H
#define KKTSIM_KKTDRIVESTORE_H

#include "KktDrive.h"

#include <string>
#include <vector>

struct sqlite3;

namespace kktsim {

class DriveStore {
public:
    DriveStore() = default;
    ~DriveStore();
    DriveStore(const DriveStore &) = delete;
    DriveStore &operator=(const DriveStore &) = delete;

    // Opens the database at path, creating it (and its tables) when there is
    // none. readOnly: nothing is created or written. False with the fault.
    bool Open(const std::string &path, bool readOnly, std::string *error);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    // How commits are flushed: FULL, or OFF under KKTSIM_NO_SYNC.
    static const char *SynchronousPragma();

    // Whether the database holds a drive's state yet.
    bool HasState(std::string *error);
    // Reads the state into s (members the database lacks keep s's values).
    // False with the fault named (the table, the row or the member).
    bool Load(DriveState &s, std::string *error);
    // Writes what changed since the last Load or Save in one transaction.
    // The lists are compared as the model changes them: an archived
    // document only while it is the newest, a waiting document's or a
    // notification's body never (a notification's stage may change), any
    // of them removed or added; whole: the lists are written whole, for a
    // change of any other kind (Simulator::UpdateDrive). s is brought in
    // line with its waiting counts first (as a reload would see it);
    // nothing else of it changes. False with the fault; the database then
    // keeps the state before.
    bool Save(DriveState &s, std::string *error, bool whole = false);

    // Rows the last Save inserted, changed or removed.
    int64_t RowsWritten() const { return rowsWritten_; }

    // The state kept at path as DriveState::ToJson gives it, read without a
    // change to the database. False with the fault.
    static bool ReadJson(const std::string &path, std::string &json, std::string *error);
    // The files of a database at path (itself, its WAL and shared-memory
    // files), for removing or setting it aside.
    static std::vector<std::string> Files(const std::string &path);

private:
    bool Exec(const char *sql, std::string *error);
    bool Fail(const std::string &what, std::string *error);
    bool WriteAll(const DriveState &s, std::string *error);
    bool WriteChanges(const DriveState &s, std::string *error);

    sqlite3 *db_ = nullptr;
    // What the database holds of the three lists (valid once loaded or
    // saved): the changes are found against these.
    bool mirrored_ = false;
    int64_t rowsWritten_ = 0;
    std::vector<ArchivedDocument> archive_;
    std::vector<OfdDocument> ofd_;
    std::vector<Notice> notify_;
    // The queues as one save leaves them, and whether it wrote them whole.
    std::vector<ArchivedDocument> nextArchive_;
    std::vector<OfdDocument> nextOfd_;
    std::vector<Notice> nextNotify_;
    bool wroteAll_ = false;
};

} // namespace kktsim

#endif
