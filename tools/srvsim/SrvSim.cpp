// The server stand-in's connections: accept, read requests, answer, faults.

#include "SrvSim.h"

#include "SrvKeys.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

namespace srvsim {

namespace {

const size_t kCutHeaderBytes = 10;
const uint8_t kOverLongFill = 0xEE;

} // namespace

int64_t NowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

Server::Server(const Config &config) : config_(config)
{
    if (config_.dir.empty())
        config_.dir = ".";
    journalPath_ = config_.journal.empty() ? config_.dir + "/journal.jsonl" : config_.journal;
}

Server::~Server()
{
    Stop();
    Close();
}

int Server::Open(std::string *error)
{
    if (!journal_.Open(journalPath_)) {
        if (error)
            *error = "cannot write the journal " + journalPath_ + ": " + std::strerror(errno);
        return -1;
    }
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener_ < 0) {
        if (error)
            *error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    int one = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(config_.port);
    socklen_t len = sizeof addr;
    if (bind(listener_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr *>(&addr), &len) != 0) {
        if (error)
            *error = "cannot listen on 127.0.0.1:" + std::to_string(config_.port) + ": " + std::strerror(errno);
        close(listener_);
        listener_ = -1;
        return -1;
    }
    port_ = ntohs(addr.sin_port);
    socklen_t optlen = sizeof defaultRcvbuf_;
    getsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &defaultRcvbuf_, &optlen);
    ApplyWindow();
    Event(nullptr, "listen", {{"port", port_}});
    return 0;
}

void Server::Close()
{
    for (Conn &c : conns_)
        if (c.fd >= 0)
            Drop(c, "server stopped");
    conns_.clear();
    if (listener_ >= 0) {
        close(listener_);
        listener_ = -1;
        Event(nullptr, "stop");
    }
    journal_.Close();
}

bool Server::LoadFile(const std::string &path, std::string *error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = "cannot read the file";
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    Scenario s;
    if (!ParseScenario(text.str(), s, error))
        return false;
    Load(s);
    return true;
}

void Server::Load(const Scenario &scenario)
{
    {
        std::lock_guard<std::mutex> lock(mu_);
        scenario_ = scenario;
    }
    ApplyWindow();
}

void Server::Update(const std::function<void(Scenario &)> &change)
{
    {
        std::lock_guard<std::mutex> lock(mu_);
        change(scenario_);
    }
    ApplyWindow();
}

void Server::ApplyWindow()
{
    if (listener_ < 0)
        return;
    int size = defaultRcvbuf_;
    {
        std::lock_guard<std::mutex> lock(mu_);
        for (const Fault &f : scenario_.faults)
            if (f.mode == FaultMode::Window && f.times != 0) {
                size = static_cast<int>(f.arg);
                break;
            }
    }
    // The kernel doubles what it is given.
    int value = size == defaultRcvbuf_ ? size / 2 : size;
    setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &value, sizeof value);
}

void Server::Note(const std::string &text)
{
    Event(nullptr, "note", {{"text", text}});
}

void Server::Event(const Conn *c, const char *event, jsonl::Json extra)
{
    jsonl::Json line = {{"time", jsonl::UtcNow()}, {"event", event}};
    if (c)
        line["conn"] = c->id;
    for (auto it = extra.begin(); it != extra.end(); ++it)
        line[it.key()] = it.value();
    journal_.Write(line);
}

void Server::Start()
{
    if (thread_.joinable())
        return;
    stop_ = false;
    thread_ = std::thread([this] {
        while (!stop_)
            Pump(10);
    });
}

void Server::Stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

void Server::Pump(int wait_ms)
{
    if (listener_ < 0)
        return;
    int64_t now = NowMs();
    std::vector<pollfd> fds;
    fds.push_back({listener_, POLLIN, 0});
    int64_t due = now + wait_ms;
    for (Conn &c : conns_) {
        short events = 0;
        if (c.readAt <= now)
            events |= POLLIN;
        else if (c.readAt < due)
            due = c.readAt;
        if (c.outPos < c.out.size()) {
            if (c.sendAt <= now)
                events |= POLLOUT;
            else if (c.sendAt < due)
                due = c.sendAt;
        }
        fds.push_back({c.fd, events, 0});
    }
    int timeout = static_cast<int>(due > now ? due - now : 0);
    int n = poll(fds.data(), fds.size(), timeout);
    if (n < 0)
        return;
    if (fds[0].revents & POLLIN)
        Accept();
    for (size_t i = 1; i < fds.size(); ++i) {
        Conn &c = conns_[i - 1];
        if (c.dead)
            continue;
        if (fds[i].revents & (POLLIN | POLLHUP | POLLERR))
            Read(c);
        if (!c.dead && (fds[i].revents & POLLOUT))
            Write(c);
        if (!c.dead)
            Serve(c);
    }
    // Timed sends due now without a poll event (slow, trickle) go on the next pass.
    std::vector<Conn> kept;
    for (Conn &c : conns_)
        if (!c.dead)
            kept.push_back(std::move(c));
    conns_.swap(kept);
}

void Server::Accept()
{
    for (;;) {
        sockaddr_in peer;
        socklen_t len = sizeof peer;
        int fd = accept4(listener_, reinterpret_cast<sockaddr *>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        Conn c;
        c.fd = fd;
        c.id = nextId_++;
        char ip[INET_ADDRSTRLEN] = "";
        inet_ntop(AF_INET, &peer.sin_addr, ip, sizeof ip);
        Event(&c, "accept", {{"peer", std::string(ip) + ":" + std::to_string(ntohs(peer.sin_port))}});
        Fault f;
        bool faulty;
        {
            std::lock_guard<std::mutex> lock(mu_);
            faulty = TakeFault(scenario_, Kind::Unknown, true, &f);
        }
        if (faulty && f.mode == FaultMode::CloseAccept) {
            Event(&c, "fault", {{"mode", FaultModeName(f.mode)}});
            Drop(c, "fault close-accept");
            continue;
        }
        if (faulty && f.mode == FaultMode::Window) {
            int size = static_cast<int>(f.arg);
            setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
            c.window = f.arg ? f.arg : 1;
            Event(&c, "fault", {{"mode", FaultModeName(f.mode)}, {"bytes", f.arg}});
            ApplyWindow();
        }
        conns_.push_back(std::move(c));
    }
}

void Server::Read(Conn &c)
{
    char buf[65536];
    size_t want = c.window ? std::min<size_t>(c.window, sizeof buf) : sizeof buf;
    ssize_t n = recv(c.fd, buf, want, MSG_DONTWAIT);
    if (n > 0) {
        c.in.append(buf, static_cast<size_t>(n));
        if (c.window)
            c.readAt = NowMs() + 10;
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    if (n < 0) {
        Drop(c, std::string("receive failed: ") + std::strerror(errno));
        return;
    }
    if (!c.in.empty()) {
        // A request cut short: say how far it came.
        std::string what;
        if (c.in.size() < kHeaderSize) {
            what = "header " + std::to_string(c.in.size()) + " of 30 bytes";
        } else {
            size_t length = static_cast<uint8_t>(c.in[24]) | (static_cast<uint8_t>(c.in[25]) << 8);
            what = "body " + std::to_string(c.in.size() - kHeaderSize) + " of " + std::to_string(length) + " bytes";
        }
        Event(&c, "cut-short", {{"what", what}, {"hex", jsonl::Hex(c.in)}});
        Drop(c, "request cut short: " + what);
        return;
    }
    Drop(c, "closed by the client");
}

void Server::Serve(Conn &c)
{
    // One answer at a time: the next request waits until this one went.
    while (!c.dead && c.outPos >= c.out.size()) {
        Request request;
        size_t used = 0;
        ReadResult r = ReadRequest(reinterpret_cast<const uint8_t *>(c.in.data()), c.in.size(), &request, &used);
        if (r == ReadResult::NeedMore)
            return;
        if (r == ReadResult::UnknownKind) {
            Event(&c, "request", {{"kind", "unknown"}, {"header", jsonl::Hex(request.header)}});
            Drop(c, "unknown kind of request");
            return;
        }
        c.in.erase(0, used);
        ++requests_;
        Answer(c, request);
    }
}

void Server::Answer(Conn &c, const Request &request)
{
    jsonl::Json line = {{"kind", KindName(request.kind)},
                        {"fn", request.fnNumber},
                        {"length", request.body.size()},
                        {"header", jsonl::Hex(request.header)},
                        {"body", jsonl::Hex(request.body)}};
    std::string body;
    if (request.kind == Kind::Ofd) {
        DocumentInfo doc =
            ScanDocument(reinterpret_cast<const uint8_t *>(request.body.data()), request.body.size());
        char ffd[3];
        std::snprintf(ffd, sizeof ffd, "%02X", request.ffdByte);
        line["ffd"] = ffd;
        if (doc.hasNumber)
            line["document"] = doc.number;
        if (doc.hasFfd)
            line["tag1209"] = doc.ffd;
        OfdError e;
        bool refuse;
        {
            std::lock_guard<std::mutex> lock(mu_);
            refuse = TakeOfdError(scenario_, &e);
        }
        if (refuse)
            body = ErrorBody(e.code, e.message);
        else if (doc.hasNumber)
            body = AckBody(request.fnNumber, doc.number);
        else
            body = ErrorBody(1, "document without a number");
    } else if (request.kind == Kind::Oism && IsMarkCheck(request.body)) {
        bool wellFormed;
        {
            std::lock_guard<std::mutex> lock(mu_);
            wellFormed = AnswerMarkCheck(request.body, scenario_, line, body);
        }
        if (!wellFormed) {
            Event(&c, "request", line);
            Drop(c, "malformed check request");
            return;
        }
    } else if (request.kind == Kind::Oism) {
        body = "SRVSIM OISM OK\n";
    } else {
        body = KeysAnswer(request);
    }
    Event(&c, "request", line);

    Fault f;
    bool faulty;
    {
        std::lock_guard<std::mutex> lock(mu_);
        faulty = TakeFault(scenario_, request.kind, false, &f);
    }
    std::string header = AnswerHeader(request, body.size());
    c.after = After::Keep;
    c.sendAt = 0;
    c.trickleMs = 0;
    if (faulty) {
        jsonl::Json fl = {{"mode", FaultModeName(f.mode)}};
        if (f.arg)
            fl["arg"] = f.arg;
        Event(&c, "fault", fl);
        switch (f.mode) {
        case FaultMode::CloseRequest:
            Drop(c, "fault close-request");
            return;
        case FaultMode::Reset:
            Drop(c, "fault reset", true);
            return;
        case FaultMode::CloseAnswer:
            c.after = After::Close;
            break;
        case FaultMode::CutHeader:
            header.resize(kCutHeaderBytes);
            body.clear();
            c.after = After::Close;
            break;
        case FaultMode::LengthZero:
            body.clear();
            header = AnswerHeader(request, 0);
            break;
        case FaultMode::LengthFfff:
            header = AnswerHeader(request, 0xFFFF);
            break;
        case FaultMode::Slow:
            c.sendAt = NowMs() + f.arg;
            break;
        case FaultMode::Trickle:
            c.trickleMs = f.arg;
            break;
        case FaultMode::OverLong:
            c.out.assign(f.arg, static_cast<char>(kOverLongFill));
            break;
        case FaultMode::Size:
            body.resize(f.arg, '\0');
            header = AnswerHeader(request, body.size());
            break;
        default:
            break;
        }
    }
    std::string extra = f.mode == FaultMode::OverLong && faulty ? c.out : std::string();
    c.out = header + body + extra;
    c.outPos = 0;
    Event(&c, "answer", {{"header", jsonl::Hex(header)}, {"body", jsonl::Hex(body)}, {"extra", extra.size()}});
}

void Server::Write(Conn &c)
{
    if (c.outPos >= c.out.size())
        return;
    size_t n = c.trickleMs ? 1 : c.out.size() - c.outPos;
    ssize_t sent = send(c.fd, c.out.data() + c.outPos, n, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            return;
        Drop(c, std::string("send failed: ") + std::strerror(errno));
        return;
    }
    c.outPos += static_cast<size_t>(sent);
    if (c.trickleMs)
        c.sendAt = NowMs() + c.trickleMs;
    if (c.outPos < c.out.size())
        return;
    c.out.clear();
    c.outPos = 0;
    c.trickleMs = 0;
    c.sendAt = 0;
    if (c.after == After::Close)
        Drop(c, "closed after the answer");
}

void Server::Drop(Conn &c, const std::string &reason, bool reset)
{
    if (c.fd < 0)
        return;
    if (reset) {
        linger l{1, 0};
        setsockopt(c.fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    } else {
        shutdown(c.fd, SHUT_RDWR);
    }
    close(c.fd);
    c.fd = -1;
    c.dead = true;
    Event(&c, "close", {{"reason", reason}, {"reset", reset}});
}

} // namespace srvsim
