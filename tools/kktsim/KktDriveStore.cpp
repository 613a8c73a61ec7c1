#include "KktDriveStore.h"

#include "KktJson.h"
#include "KktText.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace kktsim {

namespace {

const char kSchema[] = "CREATE TABLE IF NOT EXISTS state(id INTEGER PRIMARY KEY CHECK (id = 1), json TEXT NOT NULL);"
                       "CREATE TABLE IF NOT EXISTS archive(number INTEGER PRIMARY KEY, type INTEGER NOT NULL,"
                       " operation INTEGER NOT NULL, shift INTEGER NOT NULL, time TEXT NOT NULL,"
                       " sign INTEGER NOT NULL, paper TEXT NOT NULL, fields TEXT NOT NULL);"
                       "CREATE TABLE IF NOT EXISTS ofd(number INTEGER NOT NULL, body BLOB NOT NULL);"
                       "CREATE TABLE IF NOT EXISTS notify(number INTEGER NOT NULL, stage INTEGER NOT NULL,"
                       " body BLOB NOT NULL);"
                       "CREATE INDEX IF NOT EXISTS ofd_number ON ofd(number);"
                       "CREATE INDEX IF NOT EXISTS notify_number ON notify(number);";

// Bodies and printed texts larger than this are no state the model makes.
const int kMaxBlob = 1 << 20;

// One prepared statement, finalized when it goes.
class Statement {
public:
    Statement(sqlite3 *db, const char *sql) { ok_ = sqlite3_prepare_v2(db, sql, -1, &st_, nullptr) == SQLITE_OK; }
    ~Statement() { sqlite3_finalize(st_); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    bool Ok() const { return ok_; }
    Statement &Int(int i, int64_t v)
    {
        ok_ = ok_ && sqlite3_bind_int64(st_, i, v) == SQLITE_OK;
        return *this;
    }
    Statement &Text(int i, const std::string &v)
    {
        ok_ = ok_ && sqlite3_bind_text(st_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT) == SQLITE_OK;
        return *this;
    }
    Statement &Blob(int i, const std::string &v)
    {
        ok_ = ok_ && sqlite3_bind_blob(st_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT) == SQLITE_OK;
        return *this;
    }
    // Runs a statement that returns no rows; it can be bound and run again.
    bool Run()
    {
        if (!ok_)
            return false;
        ok_ = sqlite3_step(st_) == SQLITE_DONE;
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
        return ok_;
    }
    // The next row: true while there is one.
    bool Next()
    {
        if (!ok_)
            return false;
        int rc = sqlite3_step(st_);
        if (rc != SQLITE_ROW)
            ok_ = rc == SQLITE_DONE;
        return rc == SQLITE_ROW;
    }
    int64_t ColumnInt(int i) const { return sqlite3_column_int64(st_, i); }
    int ColumnType(int i) const { return sqlite3_column_type(st_, i); }
    std::string ColumnBytes(int i) const
    {
        const void *p = sqlite3_column_blob(st_, i);
        int n = sqlite3_column_bytes(st_, i);
        return p && n > 0 ? std::string(static_cast<const char *>(p), static_cast<size_t>(n)) : std::string();
    }

private:
    sqlite3_stmt *st_ = nullptr;
    bool ok_ = false;
};

bool SameDocument(const ArchivedDocument &a, const ArchivedDocument &b)
{
    return a.number == b.number && a.type == b.type && a.operation == b.operation && a.shift == b.shift &&
           a.sign == b.sign && a.when == b.when && a.paper == b.paper && a.fields == b.fields;
}
// A waiting document's and a notification's body never change once made.
bool SameOfd(const OfdDocument &a, const OfdDocument &b) { return a.number == b.number; }
bool SameNotice(const Notice &a, const Notice &b) { return a.number == b.number && a.stage == b.stage; }

template <typename T> bool Ascending(const std::vector<T> &v)
{
    for (size_t i = 1; i < v.size(); ++i)
        if (v[i].number <= v[i - 1].number)
            return false;
    return true;
}

std::string FieldsText(const std::vector<std::string> &fields)
{
    std::string o = "[";
    for (size_t k = 0; k < fields.size(); ++k)
        o += (k ? "," : "") + JsonString(fields[k]);
    return o + "]";
}

// The three lists are taken out of the state while its remaining members
// are written as JSON, and put back however that ends.
class ListsSetAside {
public:
    explicit ListsSetAside(DriveState &s) : s_(s)
    {
        archive_.swap(s.archive.documents);
        ofd_.swap(s.ofd.documents);
        notify_.swap(s.notify.list);
        std::swap(waiting_, s.ofdWaiting);
        std::swap(notifications_, s.notifications);
    }
    ~ListsSetAside()
    {
        archive_.swap(s_.archive.documents);
        ofd_.swap(s_.ofd.documents);
        notify_.swap(s_.notify.list);
        std::swap(waiting_, s_.ofdWaiting);
        std::swap(notifications_, s_.notifications);
    }

private:
    DriveState &s_;
    std::vector<ArchivedDocument> archive_;
    std::vector<OfdDocument> ofd_;
    std::vector<Notice> notify_;
    uint16_t waiting_ = 0, notifications_ = 0;
};

} // namespace

DriveStore::~DriveStore() { Close(); }

void DriveStore::Close()
{
    if (db_)
        sqlite3_close(db_);
    db_ = nullptr;
    mirrored_ = false;
    archive_.clear();
    ofd_.clear();
    notify_.clear();
}

std::vector<std::string> DriveStore::Files(const std::string &path)
{
    return {path, path + "-wal", path + "-shm"};
}

bool DriveStore::Fail(const std::string &what, std::string *error)
{
    if (error)
        *error = what + (db_ ? std::string(": ") + sqlite3_errmsg(db_) : std::string());
    return false;
}

bool DriveStore::Exec(const char *sql, std::string *error)
{
    char *msg = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &msg) == SQLITE_OK)
        return true;
    if (error)
        *error = msg ? msg : sqlite3_errmsg(db_);
    sqlite3_free(msg);
    return false;
}

// Every commit reaches the disk before the drive answers, as a real drive's
// memory would have it. KKTSIM_NO_SYNC (set, not "0") leaves the flush to
// the system: a commit still survives the process, not a crash of the
// machine. The tests set it, so a disk busy with other work cannot hold a
// reply past the program's wait for it.
const char *DriveStore::SynchronousPragma()
{
    const char *v = getenv("KKTSIM_NO_SYNC");
    return v && *v && strcmp(v, "0") != 0 ? "PRAGMA synchronous=OFF" : "PRAGMA synchronous=FULL";
}

bool DriveStore::Open(const std::string &path, bool readOnly, std::string *error)
{
    Close();
    int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_NOFOLLOW, nullptr) != SQLITE_OK) {
        Fail("not opened", error);
        Close();
        return false;
    }
    // A reader waits for a writer's commit rather than failing at once.
    sqlite3_busy_timeout(db_, 10000);
    std::string why;
    bool ok = readOnly ? Exec("SELECT count(*) FROM sqlite_master", &why)
                       : Exec("PRAGMA journal_mode=WAL", &why) && Exec(SynchronousPragma(), &why) &&
                             Exec(kSchema, &why);
    if (!ok) {
        if (error)
            *error = why;
        Close();
        return false;
    }
    return true;
}

bool DriveStore::HasState(std::string *error)
{
    Statement st(db_, "SELECT count(*) FROM state");
    if (!st.Ok() || !st.Next())
        return Fail("table state", error);
    return st.ColumnInt(0) > 0;
}

bool DriveStore::Load(DriveState &s, std::string *error)
{
    std::string json;
    {
        Statement st(db_, "SELECT json FROM state WHERE id = 1");
        if (!st.Ok())
            return Fail("table state", error);
        if (!st.Next()) {
            if (error)
                *error = "table state: no row";
            return false;
        }
        json = st.ColumnBytes(0);
    }
    DriveState n = s;
    std::string why;
    if (!n.FromJson(json, &why)) {
        if (error)
            *error = "table state: " + why;
        return false;
    }
    auto bad = [&](const std::string &what) {
        if (error)
            *error = what;
        return false;
    };
    std::vector<ArchivedDocument> archive;
    {
        // The model holds the newest documents; the table keeps them all.
        Statement st(db_, "SELECT number, type, operation, shift, time, sign, paper, fields FROM archive "
                          "ORDER BY number DESC LIMIT ?");
        st.Int(1, static_cast<int64_t>(kArchiveMax));
        while (st.Next()) {
            ArchivedDocument d;
            int64_t number = st.ColumnInt(0), type = st.ColumnInt(1), op = st.ColumnInt(2), shift = st.ColumnInt(3),
                    sign = st.ColumnInt(5);
            d.when = st.ColumnBytes(4);
            d.paper = st.ColumnBytes(6);
            std::string row = "table archive, document " + std::to_string(number);
            if (number < 1 || number > 0xFFFFFFFFll || type < 0 || type > 255 || op < 0 || op > 255 || shift < 0 ||
                shift > 0xFFFF || sign < 0 || sign > 0xFFFFFFFFll || d.when.size() > 10 || d.paper.size() > kMaxBlob)
                return bad(row);
            d.number = static_cast<uint32_t>(number);
            d.type = static_cast<uint8_t>(type);
            d.operation = static_cast<uint8_t>(op);
            d.shift = static_cast<uint16_t>(shift);
            d.sign = static_cast<uint32_t>(sign);
            JsonValue fields;
            if (!ParseJson(st.ColumnBytes(7), fields, nullptr) || fields.type != JsonValue::Array)
                return bad(row + ": fields");
            for (const JsonValue &f : fields.items) {
                if (f.type != JsonValue::String)
                    return bad(row + ": fields");
                d.fields.push_back(f.text);
            }
            archive.push_back(std::move(d));
        }
        if (!st.Ok())
            return Fail("table archive", error);
        std::reverse(archive.begin(), archive.end());
    }
    std::vector<OfdDocument> ofd;
    {
        Statement st(db_, "SELECT number, body FROM ofd ORDER BY rowid");
        while (st.Next()) {
            OfdDocument d;
            int64_t number = st.ColumnInt(0);
            d.body = st.ColumnBytes(1);
            if (number < 0 || number > 0xFFFFFFFFll || d.body.size() > kMaxBlob || ofd.size() >= 0xFFFF)
                return bad("table ofd, document " + std::to_string(number));
            d.number = static_cast<uint32_t>(number);
            ofd.push_back(std::move(d));
        }
        if (!st.Ok())
            return Fail("table ofd", error);
    }
    std::vector<Notice> notify;
    {
        Statement st(db_, "SELECT number, stage, body FROM notify ORDER BY rowid");
        while (st.Next()) {
            Notice x;
            int64_t number = st.ColumnInt(0), stage = st.ColumnInt(1);
            x.body = st.ColumnBytes(2);
            if (number < 0 || number > 0xFFFFFFFFll || stage < 0 || stage > 2 || x.body.size() > kMaxBlob ||
                notify.size() >= 0xFFFF)
                return bad("table notify, notification " + std::to_string(number));
            x.number = static_cast<uint32_t>(number);
            x.stage = static_cast<NoticeStage>(stage);
            notify.push_back(std::move(x));
        }
        if (!st.Ok())
            return Fail("table notify", error);
    }
    n.archive.documents = archive;
    n.ofd.documents = ofd;
    n.ofdWaiting = static_cast<uint16_t>(ofd.size());
    n.notify.list = notify;
    n.notifications = NoticesWaiting(n);
    if (!n.notify.list.empty() && n.notify.lastNumber < n.notify.list.back().number)
        n.notify.lastNumber = n.notify.list.back().number;
    s = std::move(n);
    archive_ = std::move(archive);
    ofd_ = std::move(ofd);
    notify_ = std::move(notify);
    mirrored_ = true;
    return true;
}

bool DriveStore::Save(DriveState &s, std::string *error, bool whole)
{
    if (!db_) {
        if (error)
            *error = "not open";
        return false;
    }
    // A waiting count set apart from its list ("drive waiting N") stands for
    // the documents it counts, as a reload would make them.
    if (s.ofd.documents.size() != s.ofdWaiting)
        OfdSyncDocuments(s);
    if (NoticesWaiting(s) != s.notifications)
        NoticeSync(s);
    std::string json;
    {
        ListsSetAside aside(s);
        json = s.ToJson();
    }
    std::string why;
    const int64_t changesBefore = sqlite3_total_changes64(db_);
    if (!Exec("BEGIN IMMEDIATE", &why))
        return Fail("not written (" + why + ")", error);
    Statement put(db_, "INSERT OR REPLACE INTO state(id, json) VALUES(1, ?)");
    wroteAll_ = whole || !mirrored_;
    bool ok = put.Text(1, json).Run() && (wroteAll_ ? WriteAll(s, &why) : WriteChanges(s, &why));
    if (ok && !put.Ok())
        why = sqlite3_errmsg(db_);
    if (!ok || !Exec("COMMIT", &why)) {
        if (why.empty())
            why = sqlite3_errmsg(db_);
        Exec("ROLLBACK", nullptr);
        mirrored_ = false; // the next save writes the lists whole
        if (error)
            *error = "not written: " + why;
        return false;
    }
    rowsWritten_ = sqlite3_total_changes64(db_) - changesBefore;
    if (wroteAll_) {
        archive_ = s.archive.documents;
        ofd_ = s.ofd.documents;
        notify_ = s.notify.list;
    } else {
        // the rows as WriteChanges left them: their unchanged elements moved
        // over, not copied
        archive_.swap(nextArchive_);
        ofd_.swap(nextOfd_);
        notify_.swap(nextNotify_);
    }
    nextArchive_.clear();
    nextOfd_.clear();
    nextNotify_.clear();
    mirrored_ = true;
    return true;
}

namespace {

bool PutDocument(Statement &st, const ArchivedDocument &d)
{
    return st.Int(1, d.number)
        .Int(2, d.type)
        .Int(3, d.operation)
        .Int(4, d.shift)
        .Text(5, d.when)
        .Int(6, d.sign)
        .Text(7, d.paper)
        .Text(8, FieldsText(d.fields))
        .Run();
}

const char kPutDocument[] = "INSERT OR REPLACE INTO archive(number, type, operation, shift, time, sign, paper, fields) "
                            "VALUES(?, ?, ?, ?, ?, ?, ?, ?)";

} // namespace

bool DriveStore::WriteAll(const DriveState &s, std::string *error)
{
    // The archive's older documents stay; the ones the state holds replace
    // theirs and anything newer.
    const std::vector<ArchivedDocument> &docs = s.archive.documents;
    Statement drop(db_, "DELETE FROM archive WHERE number >= ?");
    Statement put(db_, kPutDocument);
    bool ok = drop.Int(1, docs.empty() ? 0 : docs.front().number).Run();
    for (size_t i = 0; ok && i < docs.size(); ++i)
        ok = PutDocument(put, docs[i]);
    ok = ok && Exec("DELETE FROM ofd", error) && Exec("DELETE FROM notify", error);
    Statement ofd(db_, "INSERT INTO ofd(number, body) VALUES(?, ?)");
    for (size_t i = 0; ok && i < s.ofd.documents.size(); ++i)
        ok = ofd.Int(1, s.ofd.documents[i].number).Blob(2, s.ofd.documents[i].body).Run();
    Statement notice(db_, "INSERT INTO notify(number, stage, body) VALUES(?, ?, ?)");
    for (size_t i = 0; ok && i < s.notify.list.size(); ++i) {
        const Notice &x = s.notify.list[i];
        ok = notice.Int(1, x.number).Int(2, static_cast<int>(x.stage)).Blob(3, x.body).Run();
    }
    if (!ok && error && error->empty())
        *error = sqlite3_errmsg(db_);
    return ok;
}

bool DriveStore::WriteChanges(const DriveState &s, std::string *error)
{
    // Lists in rising order are compared with what the database holds, one
    // pass each; any other shape is written whole.
    const std::vector<ArchivedDocument> &docs = s.archive.documents;
    const std::vector<OfdDocument> &ofd = s.ofd.documents;
    const std::vector<Notice> &notify = s.notify.list;
    if (!Ascending(docs) || !Ascending(archive_) || !Ascending(ofd) || !Ascending(ofd_) || !Ascending(notify) ||
        !Ascending(notify_)) {
        wroteAll_ = true;
        return WriteAll(s, error);
    }
    bool ok = true;
    {
        // The archive: documents the model let go (older than the ones it
        // holds) stay in the table, unless it holds none.
        Statement put(db_, kPutDocument);
        Statement drop(db_, "DELETE FROM archive WHERE number = ?");
        size_t i = 0, j = 0;
        nextArchive_.clear();
        nextArchive_.reserve(docs.size());
        if (docs.empty() && !archive_.empty()) {
            ok = Exec("DELETE FROM archive", error);
            i = archive_.size();
        }
        while (ok && (i < archive_.size() || j < docs.size())) {
            if (j == docs.size() || (i < archive_.size() && archive_[i].number < docs[j].number)) {
                if (docs.empty() || archive_[i].number > docs.front().number)
                    ok = drop.Int(1, archive_[i].number).Run();
                ++i;
            } else if (i == archive_.size() || docs[j].number < archive_[i].number) {
                nextArchive_.push_back(docs[j]);
                ok = PutDocument(put, docs[j++]);
            } else {
                // the model changes a document only while it is the newest
                if (j + 1 < docs.size() || SameDocument(archive_[i], docs[j])) {
                    nextArchive_.push_back(std::move(archive_[i]));
                } else {
                    nextArchive_.push_back(docs[j]);
                    ok = PutDocument(put, docs[j]);
                }
                ++i, ++j;
            }
        }
    }
    // The queues keep their order by row: a document or notification that
    // comes before one already kept means the whole table is written again.
    // What the rows hold afterwards goes to next.
    auto queue = [&](auto &kept, const auto &now, auto &next, const char *table, auto same, auto insert) {
        Statement drop(db_, (std::string("DELETE FROM ") + table + " WHERE number = ?").c_str());
        next.clear();
        next.reserve(now.size());
        size_t i = 0, j = 0;
        while (ok && (i < kept.size() || j < now.size())) {
            if (j == now.size() || (i < kept.size() && kept[i].number < now[j].number)) {
                ok = drop.Int(1, kept[i++].number).Run();
            } else if (i == kept.size()) {
                next.push_back(now[j]);
                ok = insert(now[j++], false);
            } else if (now[j].number < kept[i].number) {
                wroteAll_ = true;
                return false; // one put in between: written whole
            } else {
                if (same(kept[i], now[j])) {
                    next.push_back(std::move(kept[i]));
                } else {
                    next.push_back(now[j]);
                    ok = insert(now[j], true);
                }
                ++i, ++j;
            }
        }
        return true;
    };
    Statement ofdAdd(db_, "INSERT INTO ofd(number, body) VALUES(?, ?)");
    Statement ofdSet(db_, "UPDATE ofd SET body = ? WHERE number = ?");
    bool inOrder = queue(ofd_, ofd, nextOfd_, "ofd", SameOfd, [&](const OfdDocument &d, bool update) {
        return update ? ofdSet.Blob(1, d.body).Int(2, d.number).Run() : ofdAdd.Int(1, d.number).Blob(2, d.body).Run();
    });
    Statement noticeAdd(db_, "INSERT INTO notify(number, stage, body) VALUES(?, ?, ?)");
    Statement noticeSet(db_, "UPDATE notify SET stage = ?, body = ? WHERE number = ?");
    inOrder = inOrder && queue(notify_, notify, nextNotify_, "notify", SameNotice, [&](const Notice &x, bool update) {
                  int stage = static_cast<int>(x.stage);
                  return update ? noticeSet.Int(1, stage).Blob(2, x.body).Int(3, x.number).Run()
                                : noticeAdd.Int(1, x.number).Int(2, stage).Blob(3, x.body).Run();
              });
    if (ok && !inOrder)
        return WriteAll(s, error);
    if (!ok && error && error->empty())
        *error = sqlite3_errmsg(db_);
    return ok;
}

bool DriveStore::ReadJson(const std::string &path, std::string &json, std::string *error)
{
    DriveStore store;
    if (!store.Open(path, true, error))
        return false;
    DriveState s;
    if (!store.Load(s, error))
        return false;
    json = s.ToJson();
    return true;
}

} // namespace kktsim
