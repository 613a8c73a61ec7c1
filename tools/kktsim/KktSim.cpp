// The controller-service stand-in.

#include "KktSim.h"

#include "KktText.h"
#include "TMCodes.h"
#include "osal.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace kktsim {

namespace {

const size_t kReceiveMax = 8192; // text bytes a receive takes
const size_t kTextMax = 4096;    // text bytes a message of ours may carry

// Answers to the file requests.
const int32_t kNoDrive = -12;
const int32_t kFileFailed = -13;
const int32_t kNoLog = -11;
const int32_t kNoCard = -10;
const int32_t kMalformed = -1;

// The largest scenario or state file read: a drive state with its longest
// receipt takes some 2.5 MB.
const long long kMaxInputFile = 4ll << 20;

enum class FileRead { Read, Missing, Refused };

// The whole of a file of at most kMaxInputFile bytes: Missing when it
// cannot be opened, Refused (with the reason) when it is larger or fails
// while read. With regularOnly anything but a regular file is refused too,
// and the file is opened without waiting, so that a FIFO named as the file
// does not hang the stand-in; otherwise a pipe (a shell's "<(...)") serves.
FileRead ReadInputFile(const std::string &path, bool regularOnly, std::string &text, std::string &why)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | (regularOnly ? O_NONBLOCK : 0));
    if (fd < 0)
        return FileRead::Missing;
    struct stat st;
    FileRead result = FileRead::Refused;
    if (fstat(fd, &st) != 0 || (regularOnly && !S_ISREG(st.st_mode))) {
        why = "not a regular file";
    } else {
        const std::string tooLarge = "larger than " + std::to_string(kMaxInputFile) + " bytes";
        why = S_ISREG(st.st_mode) && st.st_size > kMaxInputFile ? tooLarge : std::string();
        text.clear();
        char buf[65536];
        ssize_t n = 0;
        while (why.empty() && (n = read(fd, buf, sizeof buf)) != 0) {
            if (n < 0) {
                if (errno != EINTR)
                    why = std::strerror(errno);
                continue;
            }
            text.append(buf, static_cast<size_t>(n));
            if (static_cast<long long>(text.size()) > kMaxInputFile)
                why = tooLarge; // it grew while read
        }
        if (why.empty())
            result = FileRead::Read;
    }
    close(fd);
    return result;
}

void MakeDirs(const std::string &path)
{
    for (size_t pos = 1; (pos = path.find('/', pos)) != std::string::npos; ++pos)
        mkdir(path.substr(0, pos).c_str(), 0777);
    mkdir(path.c_str(), 0777);
}

bool IsDir(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

uint32_t Word(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void PutWord(std::string &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

std::string WallTime()
{
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm tmv;
    gmtime_r(&ts.tv_sec, &tmv);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ", tmv.tm_year + 1900, tmv.tm_mon + 1,
                  tmv.tm_mday, tmv.tm_hour, tmv.tm_min, tmv.tm_sec, ts.tv_nsec / 1000000);
    return buf;
}

bool AppendFile(const std::string &path, const std::string &bytes)
{
    std::FILE *f = std::fopen(path.c_str(), "ab");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Printed bytes for the paper log: CP866 text, control bytes other than
// line ends and tabs shown as \xNN.
std::string RawForPaper(const uint8_t *p, size_t n)
{
    std::string text, out;
    auto flush = [&] {
        out += Cp866ToUtf8(text);
        text.clear();
    };
    for (size_t i = 0; i < n; ++i) {
        uint8_t c = p[i];
        if (c < 0x20 && c != '\n' && c != '\t') {
            if (c == '\r')
                continue;
            flush();
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            out += esc;
        } else {
            text.push_back(static_cast<char>(c));
        }
    }
    flush();
    return out;
}

// The text up to its NUL (or the end).
std::string CText(const uint8_t *p, size_t n)
{
    size_t len = 0;
    while (len < n && p[len])
        ++len;
    return std::string(reinterpret_cast<const char *>(p), len);
}

std::string Hex2(unsigned v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFF);
    return buf;
}

} // namespace

Simulator::Simulator(const Config &config) : config_(config)
{
    if (config_.dir.empty()) {
        char buf[4096];
        dir_ = OsMapPath("/data/kktsim", buf, sizeof buf) ? buf : "kktsim";
    } else {
        dir_ = config_.dir;
    }
    usbDir_ = config_.usbDir.empty() ? dir_ + "/usb" : config_.usbDir;
    journalPath_ = config_.journal.empty() ? dir_ + "/journal.jsonl" : config_.journal;
    const std::string state = config_.state.empty() ? dir_ + "/drive.db" : config_.state;
    auto endsWith = [&](const char *tail) {
        size_t n = std::strlen(tail);
        return state.size() > n && state.compare(state.size() - n, n, tail) == 0;
    };
    if (endsWith(".json")) {
        formerStatePath_ = state;
        statePath_ = state.substr(0, state.size() - 5) + ".db";
    } else {
        statePath_ = state;
        formerStatePath_ = (endsWith(".db") ? state.substr(0, state.size() - 3) : state) + ".json";
    }
    readyFrom_ = OsGetTickCount();
}

Simulator::~Simulator()
{
    Stop();
    Close();
    if (journal_)
        std::fclose(journal_);
}

int Simulator::Open()
{
    std::lock_guard<std::mutex> lock(mu_);
    if (queue_ >= 0)
        return 0;
    MakeDirs(dir_);
    for (int attempt = 0; attempt < 2; ++attempt) {
        queue_ = msgget(config_.key, IPC_CREAT | IPC_EXCL | 0666);
        if (queue_ >= 0)
            break;
        if (errno != EEXIST)
            return -1;
        int stale = msgget(config_.key, 0);
        if (stale >= 0)
            msgctl(stale, IPC_RMID, nullptr);
    }
    if (queue_ < 0)
        return -1;
    readyFrom_ = OsGetTickCount();
    Journal("event", 0, nullptr, 0, ",\"note\":\"queue created\"");
    return 0;
}

void Simulator::Close()
{
    std::lock_guard<std::mutex> lock(mu_);
    if (queue_ < 0)
        return;
    msgctl(queue_, IPC_RMID, nullptr);
    queue_ = -1;
    Journal("event", 0, nullptr, 0, ",\"note\":\"queue removed\"");
}

void Simulator::Pump()
{
    std::lock_guard<std::mutex> lock(mu_);
    if (queue_ < 0)
        return;
    static const long types[] = {1, 3, 5, 6, 7, 8, 9, 10, 11};
    struct {
        long type;
        uint8_t text[kReceiveMax];
    } msg;
    for (long t : types) {
        for (;;) {
            ssize_t n = msgrcv(queue_, &msg, sizeof msg.text, t, IPC_NOWAIT | MSG_NOERROR);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            if (t == 10) {
                // The caller holds its queue lock while it waits, so the
                // last sender is the caller, unless an answer of ours went
                // in between.
                msqid_ds ds;
                lastSender_ = msgctl(queue_, IPC_STAT, &ds) == 0 ? ds.msg_lspid : 0;
            }
            Handle(t, msg.text, static_cast<size_t>(n));
        }
    }
    SendOutbox();
}

void Simulator::Send(long type, const std::string &text, uint32_t delay)
{
    outbox_.push_back(Outgoing{type, text, OsGetTickCount() + delay});
}

void Simulator::SendOutbox()
{
    uint32_t now = OsGetTickCount();
    struct {
        long type;
        uint8_t text[kTextMax];
    } msg;
    for (auto it = outbox_.begin(); it != outbox_.end();) {
        if (static_cast<int32_t>(now - it->due) < 0) {
            ++it;
            continue;
        }
        msg.type = it->type;
        size_t n = it->text.size() < kTextMax ? it->text.size() : kTextMax;
        std::memcpy(msg.text, it->text.data(), n);
        if (msgsnd(queue_, &msg, n, IPC_NOWAIT) != 0) {
            if (errno == EAGAIN || errno == EINTR)
                break; // the queue is full: the rest goes on a later pass
            Journal("out", it->type, msg.text, n, ",\"note\":\"send failed\"");
            it = outbox_.erase(it);
            continue;
        }
        Journal("out", it->type, msg.text, n, "");
        it = outbox_.erase(it);
    }
}

bool Simulator::Ready() const
{
    return static_cast<uint32_t>(OsGetTickCount() - readyFrom_) >= scenario_.notReadyMs;
}

std::string Simulator::StatusBlock() const
{
    std::string b;
    PutWord(b, scenario_.paperOut ? 2 : scenario_.printerState);
    PutWord(b, static_cast<uint32_t>(scenario_.printError ? scenario_.printError : printError_));
    PutWord(b, 0);
    b.push_back(static_cast<char>(scenario_.dataState)); // data state
    b.push_back(Ready() ? 1 : 0);       // controller initialised
    b.push_back(0);
    b.push_back(0);
    return b.substr(0, scenario_.statusSize);
}

void Simulator::Handle(long type, const uint8_t *text, size_t n)
{
    switch (type) {
    case 1: HandleRequest(text, n); break;
    case 3: HandleMonitor(text, n); break;
    case 5: HandlePrint(text, n); break;
    case 6: HandleLog(text, n); break;
    default: HandleFile(type, text, n); break;
    }
}

void Simulator::HandleRequest(const uint8_t *text, size_t n)
{
    if (n == 0) {
        Journal("in", 1, text, n, ",\"note\":\"empty request\"");
        return;
    }
    uint8_t kind = text[0];
    std::string k = ",\"kind\":" + std::to_string(kind);
    switch (kind) {
    case 1:
        if (n == 1 && monitor_.End()) {
            Journal("in", 1, text, n, k + ",\"note\":\"end of the firmware update\"");
            return;
        }
        HandleFrame(text + 1, n - 1);
        return;
    case 0:
        Journal("in", 1, text, n, k);
        Send(2, std::string{0, static_cast<char>(n > 1 ? text[1] : 0)});
        return;
    case 2: {
        Journal("in", 1, text, n, k);
        std::string v = scenario_.versionText.substr(0, 14);
        Send(2, std::string(1, 2) + v);
        return;
    }
    case 3:
        Journal("in", 1, text, n, k);
        Send(2, std::string(1, 3) + StatusBlock());
        return;
    case 4: {
        Journal("in", 1, text, n, k);
        std::string v(1, 4);
        for (uint32_t x : scenario_.version)
            PutWord(v, x);
        Send(2, v);
        return;
    }
    default:
        Journal("in", 1, text, n, k + ",\"note\":\"unknown kind: not answered\"");
    }
}

void Simulator::HandleFrame(const uint8_t *data, size_t n)
{
    std::string head = ",\"kind\":1";
    if (n == 2 && data[0] == K_DLE) {
        uint8_t c = data[1];
        std::string cmd = ",\"short\":" + JsonString(std::string(1, static_cast<char>(c)));
        bool known = c == '9' || c == '0' || c == '7' || c == '6' || c == '8' || c == 'C';
        if (!known) {
            Journal("in", 1, data - 1, n + 1, head + cmd + ",\"note\":\"unknown short command: not answered\"");
            return;
        }
        Journal("in", 1, data - 1, n + 1, head + cmd);
        uint8_t status = 0;
        auto forced = scenario_.shortStatus.find(c);
        if (forced != scenario_.shortStatus.end())
            status = forced->second;
        else if (c == '9')
            status = scenario_.mode == Mode::Update ? 'C' : scenario_.mode == Mode::Service ? 0x04 : 0x00;
        else if (c == '0')
            status = Ready() ? 0x28 : 0x00;
        if (c == 'C' && scenario_.drive && driveStarted_ && !scenario_.paperOut) {
            // a copy of the last document the drive printed
            std::string copy = drive_.Copy();
            if (!copy.empty() && !AppendFile(PaperPath(), copy))
                Journal("event", 0, nullptr, 0, ",\"note\":\"paper log not written\"");
        }
        Send(2, std::string{1, static_cast<char>(status)});
        // The printer's status once a repeated or copied print is done.
        if ((c == '8' || c == 'C') && scenario_.repeatStatus)
            Send(2, std::string(1, 3) + StatusBlock());
        return;
    }

    Request req;
    ParseResult parsed = ParseRequest(data, n, scenario_.password.size(), req);
    if (parsed == ParseResult::Malformed) {
        Journal("in", 1, data - 1, n + 1, head + ",\"note\":\"not a request frame: not answered\"");
        return;
    }
    std::string fields = ",\"code\":\"" + Hex2(req.code) + "\",\"id\":" + std::to_string(req.id) +
                         ",\"password\":" + JsonString(Cp866ToUtf8(req.password)) + ",\"fields\":[";
    for (size_t i = 0; i < req.fields.size(); ++i)
        fields += (i ? "," : "") + JsonString(Cp866ToUtf8(req.fields[i]));
    fields += "]";

    Reply rep;
    rep.id = req.id;
    rep.code = req.code;
    std::string note;
    // A refusal fault lets its first requests through; then the request is
    // refused before anything answers it, so nothing changes.
    bool refused = false;
    auto rf = scenario_.faults.find(req.code);
    if (rf != scenario_.faults.end() && rf->second.kind == FaultKind::Refuse &&
        parsed != ParseResult::BadChecksum && req.password == scenario_.password) {
        if (rf->second.after > 0)
            --rf->second.after;
        else
            refused = true;
    }
    if (refused) {
        rep.error = rf->second.error;
        if (scenario_.drive && (driveStarted_ || StartDriveLocked(nullptr, true))) {
            rep.fatal = drive_.state.FatalStatus();
            rep.status = drive_.state.CurrentStatus(drive_.session);
        }
    } else if (parsed == ParseResult::BadChecksum) {
        rep.error = 0x04;
        note = "bad checksum";
    } else if (req.password != scenario_.password) {
        rep.error = 0x05;
        note = "wrong password";
    } else {
        auto it = scenario_.answers.find(req.code);
        DriveResult modelled;
        if (it == scenario_.answers.end() && scenario_.drive) {
            std::string why;
            if (!driveStarted_ && !StartDriveLocked(&why, true))
                note = "drive state not read (" + why + "), set aside: a new drive; ";
            modelled = drive_.Answer(req, scenario_.paperOut, rep);
            note += modelled.note;
        }
        if (modelled.answered) {
            if (modelled.changed && !SaveDrive())
                note += std::string(note.empty() ? "" : "; ") + "drive state not written";
            if (!modelled.paper.empty() && !AppendFile(PaperPath(), modelled.paper))
                note += std::string(note.empty() ? "" : "; ") + "paper log not written";
        } else if (it == scenario_.answers.end()) {
            rep.error = scenario_.unknownError;
            note += "no answer scripted";
        } else {
            rep.fatal = it->second.fatal;
            rep.status = it->second.status;
            rep.error = it->second.error;
            rep.detail = it->second.detail;
            for (const std::string &d : it->second.data)
                rep.data.push_back(Utf8ToCp866(d));
        }
    }

    Fault fault;
    auto f = scenario_.faults.find(req.code);
    if (f != scenario_.faults.end() && f->second.kind == FaultKind::Cut && f->second.after > 0) {
        --f->second.after; // a cut lets its first requests through too
    } else if (f != scenario_.faults.end() && (f->second.kind != FaultKind::Refuse || refused)) {
        fault = f->second;
        if (f->second.times > 0 && --f->second.times == 0)
            scenario_.faults.erase(f);
    }
    if (fault.kind != FaultKind::None)
        note += std::string(note.empty() ? "" : "; ") + "fault " + FaultName(fault.kind);
    Journal("in", 1, data - 1, n + 1, head + fields + (note.empty() ? "" : ",\"note\":" + JsonString(note)));
    // 0x93 switches the monitor channel over to the service monitor.
    if (req.code == TM_ENTER_SERVICE_MONITOR && rep.error == 0)
        monitor_.Enter();

    if (fault.kind == FaultKind::NoReply)
        return;
    if (fault.kind == FaultKind::WrongCode)
        rep.code = static_cast<uint8_t>(rep.code + 1);
    if (fault.kind == FaultKind::Cut && !rep.data.empty()) {
        std::string &last = rep.data.back();
        last.resize(last.size() > fault.cut ? last.size() - fault.cut : 0);
    }
    std::string frame = BuildReply(rep, fault.kind == FaultKind::BadChecksum);
    if (frame.size() + 1 > kTextMax) { // a scripted answer too long for one message
        rep.data.clear();
        rep.error = 0x0A;
        frame = BuildReply(rep, fault.kind == FaultKind::BadChecksum);
    }
    if (fault.kind == FaultKind::StatusFirst)
        Send(2, std::string(1, 3) + StatusBlock());
    if (fault.kind == FaultKind::ShortFirst)
        Send(2, std::string{1, 0x28});
    if (fault.kind == FaultKind::StaleId) {
        Reply stale = rep;
        stale.id = static_cast<uint8_t>(rep.id <= 0x20 ? 0x7F : rep.id - 1);
        Send(2, std::string(1, 1) + BuildReply(stale));
    }
    Send(2, std::string(1, 1) + frame, fault.kind == FaultKind::Delay ? fault.ms : 0);
}

void Simulator::HandlePrint(const uint8_t *text, size_t n)
{
    if (n == 0) {
        Journal("in", 5, text, n, ",\"note\":\"empty print job\"");
        return;
    }
    uint8_t sub = text[0];
    const uint8_t *d = text + 1;
    size_t len = n - 1;
    std::string paper, extra = ",\"kind\":" + std::to_string(sub);
    bool prints = true, known = true;
    switch (sub) {
    case 0:
        paper = RawForPaper(d, len);
        break;
    case 1:
        if (len >= 1) {
            extra += ",\"option\":" + std::to_string(d[0]);
            paper = Cp1251ToUtf8(CText(d + 1, len - 1));
        }
        break;
    case 2:
        paper = Cp1251ToUtf8(CText(d, len));
        break;
    case 4:
        if (len >= 3) {
            extra += ",\"byte\":" + std::to_string(d[0]) + ",\"value\":" + std::to_string(d[1] | d[2] << 8);
            paper = Cp1251ToUtf8(CText(d + 3, len - 3));
        }
        break;
    case 3:
        prints = false;
        if (len >= 5)
            std::memcpy(printerSettings_, d, 5);
        extra += ",\"settings\":\"" + HexOf(d, len < 5 ? len : 5) + "\"";
        break;
    case 5:
        prints = false;
        break;
    default:
        prints = false;
        known = false;
    }
    if (!known) {
        printError_ = 1;
        extra += ",\"note\":\"unknown print job\"";
    } else if (prints && scenario_.paperOut) {
        printError_ = 2;
        extra += ",\"note\":\"out of paper: not printed\"";
    } else {
        printError_ = 0;
        if (prints) {
            extra += ",\"text\":" + JsonString(paper);
            if (sub != 0 && (paper.empty() || paper.back() != '\n'))
                paper.push_back('\n');
            if (!AppendFile(PaperPath(), paper))
                extra += ",\"note\":\"paper log not written\"";
        }
    }
    Journal("in", 5, text, n, extra);
    Send(2, std::string(1, 3) + StatusBlock());
}

void Simulator::HandleLog(const uint8_t *text, size_t n)
{
    if (n == 0) {
        Journal("in", 6, text, n, ",\"note\":\"empty log message\"");
        return;
    }
    std::string bytes(reinterpret_cast<const char *>(text + 1), n - 1);
    std::string extra = ",\"kind\":" + std::to_string(text[0]) + ",\"text\":" + JsonString(Cp1251ToUtf8(bytes));
    if (!AppendFile(LogPath(), bytes))
        extra += ",\"note\":\"log file not written\"";
    Journal("in", 6, text, n, extra);
}

void Simulator::HandleMonitor(const uint8_t *text, size_t n)
{
    std::string in(reinterpret_cast<const char *>(text), n);
    monitor_.SetFolder(FirmwareDir());
    Monitor::Result r = monitor_.Input(in, scenario_.monitor);
    std::string note = r.note.empty() ? "" : ",\"note\":" + JsonString(r.note);
    if (r.quiet) // a YMODEM block: its size and what became of it
        Journal("in", 3, nullptr, 0, ",\"bytes\":" + std::to_string(n) + note);
    else
        Journal("in", 3, text, n, ",\"text\":" + JsonString(Cp866ToUtf8(in)) + note);
    for (const std::string &out : r.replies)
        for (size_t at = 0; at < out.size() || at == 0; at += kTextMax)
            Send(4, out.substr(at, kTextMax));
}

std::string Simulator::SessionFile()
{
    if (session_.empty()) {
        for (int i = 1; i < 100000; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "unload_%04d.bin", i);
            std::string path = usbDir_ + "/" + name;
            if (access(path.c_str(), F_OK) != 0) {
                session_ = path;
                break;
            }
        }
    }
    return session_;
}

int32_t Simulator::ReadForCaller(const uint8_t *text, size_t n, std::string &extra)
{
    // The words are the terminal's 32-bit addresses; a 64-bit client puts
    // the high halves of the name's and the buffer's into bytes 16-23.
    const uint32_t len = Word(text + 8), offset = Word(text + 12);
    uint64_t nameAt = Word(text), bufferAt = Word(text + 4);
    if (n >= 24) {
        nameAt |= static_cast<uint64_t>(Word(text + 16)) << 32;
        bufferAt |= static_cast<uint64_t>(Word(text + 20)) << 32;
    }
    extra = ",\"length\":" + std::to_string(len) + ",\"offset\":" + std::to_string(offset);
    const pid_t caller = lastSender_;
    if (caller <= 0 || (caller == getpid() && config_.separateProcess)) {
        extra += ",\"note\":\"the caller is not known (an answer of the stand-in went after its request)\"";
        return kNoDrive;
    }
    // The file's name as the caller gives it names the session's file at the
    // first read, so the drive's folder shows it.
    char name[256] = {};
    iovec local = {name, sizeof name - 1};
    iovec remote = {reinterpret_cast<void *>(static_cast<uintptr_t>(nameAt)), sizeof name - 1};
    ssize_t got = process_vm_readv(caller, &local, 1, &remote, 1, 0);
    if (got > 0) {
        name[got] = '\0';
        std::string plain(name);
        bool ok = !plain.empty() && plain != "." && plain != "..";
        for (char c : plain)
            ok = ok && c > ' ' && c < 0x7F && c != '/' && c != '\\';
        extra += ",\"name\":" + JsonString(plain);
        if (!ok) {
            extra += ",\"note\":\"not a plain file name: the session's own name is kept\"";
        } else if (!sessionNamed_) {
            std::string from = SessionFile(), to = usbDir_ + "/" + plain;
            if (std::rename(from.c_str(), to.c_str()) == 0)
                session_ = to;
            else
                extra += ",\"note\":" + JsonString("the file was not renamed: " + std::string(std::strerror(errno)));
        }
        sessionNamed_ = true;
    }
    std::string path = SessionFile();
    extra += ",\"file\":" + JsonString(path);
    std::vector<uint8_t> buf(len < (1u << 20) ? len : (1u << 20));
    int32_t result = 0;
    if (std::FILE *f = std::fopen(path.c_str(), "rb")) {
        if (std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0)
            result = static_cast<int32_t>(std::fread(buf.data(), 1, buf.size(), f));
        std::fclose(f);
    }
    if (result > 0) {
        iovec from = {buf.data(), static_cast<size_t>(result)};
        iovec into = {reinterpret_cast<void *>(static_cast<uintptr_t>(bufferAt)), static_cast<size_t>(result)};
        ssize_t put = process_vm_writev(caller, &from, 1, &into, 1, 0);
        if (put != result) {
            extra += ",\"note\":" +
                     JsonString(std::string("the caller's buffer was not written (") +
                                (put < 0 ? std::strerror(errno) : "short write") +
                                "): the stand-in needs ptrace rights over the client: run both as root, or as "
                                "one user with kernel.yama.ptrace_scope set to 0");
            return kNoDrive;
        }
    }
    return result;
}

void Simulator::HandleFile(long type, const uint8_t *text, size_t n)
{
    std::string extra;
    bool answer = true;
    int32_t result = 0;
    bool drive = IsDir(usbDir_);
    if (type == 7) { // copy the log (read only when there is a drive to copy it to)
        if (!drive) {
            result = kNoDrive;
        } else if (scenario_.sdCardOut) {
            result = kNoCard;
        } else {
            std::ifstream in(LogPath(), std::ios::binary);
            std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (!in.is_open() || content.empty()) {
                result = kNoLog;
            } else {
                std::string target = usbDir_ + "/zizirize_copy.log";
                std::FILE *f = std::fopen(target.c_str(), "wb");
                bool ok = f && std::fwrite(content.data(), 1, content.size(), f) == content.size();
                ok = (f && std::fclose(f) == 0) && ok;
                result = ok ? static_cast<int32_t>(content.size()) : kFileFailed;
            }
        }
    } else if (type == 11) { // is the drive ready? starts a new session
        session_.clear();
        sessionNamed_ = false;
        result = drive ? 0 : kNoDrive;
        if (drive)
            extra = ",\"file\":" + JsonString(SessionFile());
    } else if (type == 8 || type == 9) { // append / write at an offset
        size_t headLen = type == 8 ? 12 : 16;
        if (n < headLen) {
            result = kMalformed;
        } else {
            std::string head(reinterpret_cast<const char *>(text), headLen);
            uint32_t total = Word(text + 8);
            uint32_t offset = type == 9 ? Word(text + 12) : 0;
            if (partType_ != type || partHead_ != head) {
                partType_ = type;
                partHead_ = head;
                partDone_ = 0;
                partResult_ = drive ? 0 : kNoDrive;
                // A scripted failure of the drive decides at a request's
                // first chunk: nothing of the request is written.
                FileFault &ff = type == 8 ? scenario_.appendFault : scenario_.writeFault;
                if (drive && ff.on) {
                    if (ff.after > 0) {
                        --ff.after;
                    } else {
                        partResult_ = kFileFailed;
                        extra = std::string(",\"note\":\"fault: the ") + (type == 8 ? "append" : "write") +
                                " fails, nothing written\"";
                        if (ff.times > 0 && --ff.times == 0)
                            ff.on = false;
                    }
                }
            }
            size_t chunk = n - headLen;
            if (partResult_ == 0 && chunk > 0) {
                std::string path = SessionFile();
                std::FILE *f = std::fopen(path.c_str(), type == 8 ? "ab" : "r+b");
                bool ok = f != nullptr;
                if (ok && type == 9)
                    ok = std::fseek(f, static_cast<long>(offset) + static_cast<long>(partDone_), SEEK_SET) == 0;
                ok = ok && std::fwrite(text + headLen, 1, chunk, f) == chunk;
                ok = (f && std::fclose(f) == 0) && ok;
                if (!ok)
                    partResult_ = kFileFailed;
                extra = ",\"file\":" + JsonString(path);
            }
            partDone_ += static_cast<uint32_t>(chunk);
            extra += ",\"total\":" + std::to_string(total) + ",\"received\":" + std::to_string(partDone_);
            answer = partDone_ >= total;
            result = partResult_;
            if (answer)
                partType_ = 0;
        }
    } else if (type == 10) { // read at an offset into the caller's buffer
        if (n < 16) {
            result = kMalformed;
        } else if (!drive) {
            result = kNoDrive;
        } else {
            result = ReadForCaller(text, n, extra);
        }
    }
    if (answer)
        extra += ",\"result\":" + std::to_string(result);
    Journal("in", type, text, n, extra);
    if (answer) {
        std::string word;
        PutWord(word, static_cast<uint32_t>(result));
        Send(4, word);
    }
}

void Simulator::Journal(const std::string &dir, long type, const uint8_t *text, size_t n, const std::string &extra)
{
    if (!journal_) {
        journal_ = std::fopen(journalPath_.c_str(), "a");
        if (!journal_)
            return;
    }
    std::string line = "{\"time\":\"" + WallTime() + "\",\"tick\":" + std::to_string(OsGetTickCount()) +
                       ",\"dir\":" + JsonString(dir);
    if (dir != "event")
        line += ",\"type\":" + std::to_string(type);
    if (dir == "out" && n > 0 && (type == 2)) {
        line += ",\"kind\":" + std::to_string(text[0]);
        if (text[0] == 1 && n > 4 && text[1] == K_STX)
            line += ",\"code\":" + JsonString(std::string(reinterpret_cast<const char *>(text + 3), 2));
    }
    line += extra;
    if (text && dir != "event")
        line += ",\"hex\":\"" + HexOf(text, n) + "\"";
    line += "}\n";
    std::fputs(line.c_str(), journal_);
    std::fflush(journal_);
}

bool Simulator::StartDriveLocked(std::string *error, bool setAside)
{
    driveStarted_ = true;
    drive_ = kktsim::Drive();
    drive_.state = scenario_.driveState;
    // A store or file that cannot be read: set aside for people (the drive
    // starts new), or left alone and the fault reported.
    auto unreadable = [&](const std::string &path, const std::vector<std::string> &files, const std::string &why) {
        if (error)
            *error = path + ": " + why;
        Journal("event", 0, nullptr, 0, ",\"note\":" + JsonString("drive state not read: " + why));
        if (setAside) {
            store_.Close();
            for (const std::string &f : files)
                std::rename(f.c_str(), (f + ".damaged").c_str());
            drive_.state = scenario_.driveState;
            SaveDrive();
        } else {
            store_.Close();
            driveStarted_ = false; // nothing overwrites it
        }
        return false;
    };
    std::string why;
    MakeDirs(statePath_.substr(0, statePath_.rfind('/') == std::string::npos ? 0 : statePath_.rfind('/')));
    bool has = (store_.IsOpen() || store_.Open(statePath_, false, &why)) && store_.HasState(&why);
    if (!why.empty())
        return unreadable(statePath_, DriveStore::Files(statePath_), why);
    if (has) {
        if (!store_.Load(drive_.state, &why))
            return unreadable(statePath_, DriveStore::Files(statePath_), why);
        Journal("event", 0, nullptr, 0, ",\"note\":" + JsonString("drive state read from " + statePath_));
        return true;
    }
    // No state stored yet: a state file of the former shape is taken over
    // once and kept beside as "<file>.migrated".
    std::string text;
    FileRead read = ReadInputFile(formerStatePath_, true, text, why);
    if (read != FileRead::Missing) {
        if (read == FileRead::Refused || !drive_.state.FromJson(text, &why))
            return unreadable(formerStatePath_, {formerStatePath_}, why);
        if (!SaveDrive()) {
            Journal("event", 0, nullptr, 0,
                    ",\"note\":" + JsonString("drive state read from " + formerStatePath_ + ", not stored"));
            return true;
        }
        std::rename(formerStatePath_.c_str(), (formerStatePath_ + ".migrated").c_str());
        Journal("event", 0, nullptr, 0,
                ",\"note\":" + JsonString("drive state read from " + formerStatePath_ + ", stored in " + statePath_ +
                                         ", the file kept as " + formerStatePath_ + ".migrated"));
        return true;
    }
    Journal("event", 0, nullptr, 0, ",\"note\":\"a new drive\"");
    SaveDrive();
    return true;
}

bool Simulator::SaveDrive(bool whole)
{
    std::string why;
    if (!store_.IsOpen()) {
        MakeDirs(statePath_.substr(0, statePath_.rfind('/') == std::string::npos ? 0 : statePath_.rfind('/')));
        store_.Open(statePath_, false, &why);
    }
    if (why.empty() && store_.Save(drive_.state, &why, whole))
        return true;
    Journal("event", 0, nullptr, 0, ",\"note\":" + JsonString("drive state: " + why));
    return false;
}

bool Simulator::StartDrive(std::string *error)
{
    std::lock_guard<std::mutex> lock(mu_);
    return StartDriveLocked(error, false);
}

void Simulator::ForgetDrive()
{
    std::lock_guard<std::mutex> lock(mu_);
    store_.Close();
    for (const std::string &f : DriveStore::Files(statePath_))
        std::remove(f.c_str());
    std::remove(formerStatePath_.c_str());
    driveStarted_ = false;
}

DriveState Simulator::Drive()
{
    std::lock_guard<std::mutex> lock(mu_);
    if (scenario_.drive && !driveStarted_)
        StartDriveLocked(nullptr, true);
    return drive_.state;
}

void Simulator::UpdateDrive(const std::function<void(DriveState &)> &change)
{
    std::lock_guard<std::mutex> lock(mu_);
    scenario_.drive = true;
    if (!driveStarted_)
        StartDriveLocked(nullptr, true);
    change(drive_.state);
    SaveDrive(true);
}

void Simulator::Note(const std::string &text)
{
    std::lock_guard<std::mutex> lock(mu_);
    Journal("event", 0, nullptr, 0, ",\"note\":" + JsonString(text));
}

void Simulator::Load(const Scenario &scenario)
{
    std::lock_guard<std::mutex> lock(mu_);
    scenario_ = scenario;
    readyFrom_ = OsGetTickCount();
}

bool Simulator::LoadFile(const std::string &path, std::string *error)
{
    std::string text, why;
    FileRead read = ReadInputFile(path, false, text, why);
    if (read != FileRead::Read) {
        if (error)
            *error = read == FileRead::Missing ? "cannot read " + path : why;
        return false;
    }
    std::lock_guard<std::mutex> lock(mu_);
    Scenario s = scenario_;
    if (!ParseScenario(text, s, error))
        return false;
    scenario_ = s;
    readyFrom_ = OsGetTickCount();
    return true;
}

void Simulator::SetAnswer(uint8_t code, const Answer &answer)
{
    std::lock_guard<std::mutex> lock(mu_);
    scenario_.answers[code] = answer;
}

void Simulator::SetFault(uint8_t code, const Fault &fault)
{
    std::lock_guard<std::mutex> lock(mu_);
    if (fault.kind == FaultKind::None)
        scenario_.faults.erase(code);
    else
        scenario_.faults[code] = fault;
}

void Simulator::SetMode(Mode mode)
{
    std::lock_guard<std::mutex> lock(mu_);
    scenario_.mode = mode;
}

void Simulator::SetNotReady(uint32_t ms)
{
    std::lock_guard<std::mutex> lock(mu_);
    scenario_.notReadyMs = ms;
    readyFrom_ = OsGetTickCount();
}

void Simulator::SetPaperOut(bool out)
{
    std::lock_guard<std::mutex> lock(mu_);
    scenario_.paperOut = out;
}

void Simulator::SetShortStatus(char command, uint8_t status)
{
    std::lock_guard<std::mutex> lock(mu_);
    scenario_.shortStatus[static_cast<uint8_t>(command)] = status;
}

void Simulator::Update(const std::function<void(Scenario &)> &change)
{
    std::lock_guard<std::mutex> lock(mu_);
    change(scenario_);
}

void Simulator::Start()
{
    Stop();
    stop_ = false;
    lockstep_ = false;
    running_ = true;
    thread_ = std::thread([this] {
        for (;;) {
            {
                std::lock_guard<std::mutex> lk(tickMu_);
                if (stop_)
                    break;
            }
            Pump();
            timespec ts{0, 2000000};
            nanosleep(&ts, nullptr);
        }
    });
}

void Simulator::StartLockstep()
{
    Stop();
    stop_ = false;
    lockstep_ = true;
    running_ = true;
    thread_ = std::thread(&Simulator::LockstepLoop, this);
    OsTestClockSetSleepHook(&Simulator::SleepHook, this);
}

void Simulator::LockstepLoop()
{
    std::unique_lock<std::mutex> lk(tickMu_);
    for (;;) {
        tickCv_.wait(lk, [this] { return stop_ || ticksAsked_ > ticksDone_; });
        if (stop_)
            break;
        uint64_t target = ticksAsked_;
        lk.unlock();
        Pump();
        lk.lock();
        ticksDone_ = target;
        tickCv_.notify_all();
    }
}

void Simulator::SleepHook(unsigned int, void *arg)
{
    static_cast<Simulator *>(arg)->Sync();
}

void Simulator::Sync()
{
    if (running_ && lockstep_) {
        std::unique_lock<std::mutex> lk(tickMu_);
        uint64_t mine = ++ticksAsked_;
        tickCv_.notify_all();
        tickCv_.wait(lk, [&] { return stop_ || ticksDone_ >= mine; });
        return;
    }
    Pump();
}

void Simulator::Stop()
{
    if (!running_)
        return;
    if (lockstep_)
        OsTestClockSetSleepHook(nullptr, nullptr);
    {
        std::lock_guard<std::mutex> lk(tickMu_);
        stop_ = true;
    }
    tickCv_.notify_all();
    if (thread_.joinable())
        thread_.join();
    running_ = false;
    lockstep_ = false;
}

} // namespace kktsim
