#include "ProgramSandbox.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <utility>
#include <vector>

#include "BenchProcess.h"
#include "BenchTime.h"
#include "ScratchRoot.h"
#include "vuInputRecord.h"

namespace bench {

namespace {

const long kSimStartMs = 5000; // kktsim writes its pid file within this
const unsigned kScreenW = 240, kScreenH = 320;

// Value of a member "key":NUMBER in a JSON line, -1 when absent.
long number(const std::string &line, const std::string &key)
{
    size_t at = line.find("\"" + key + "\":");
    return at == std::string::npos ? -1 : atol(line.c_str() + at + key.size() + 3);
}

// The path as a shell word in single quotes.
std::string quoted(const std::string &path) { return "'" + path + "'"; }

} // namespace

ProgramSandbox::ProgramSandbox(Settings settings) : settings_(std::move(settings))
{
    if (settings_.cashdesk.empty())
        settings_.cashdesk = CASHDESK_PATH;
    if (settings_.kktsim.empty())
        settings_.kktsim = KKTSIM_PATH;
    if (settings_.source.empty())
        settings_.source = SOURCE_DIR;
    std::vector<char> folder(settings_.folder.begin(), settings_.folder.end());
    folder.push_back('\0');
    if (mkdtemp(folder.data()))
        dir_ = folder.data();
    root_ = dir_ + "/root";
    trace_ = dir_ + "/trace.jsonl";
    tail_.Reset(trace_);
    const std::string cmd = "cp -r " + quoted(settings_.source + "/res") + " " + quoted(dir_ + "/res") +
                            " && mkdir -p " + quoted(dir_ + "/data") + " " + quoted(root_ + "/dev/graphics") + " " +
                            quoted(root_ + "/data/osal") + " " + quoted(dir_ + "/kktsim");
    ok_ = !dir_.empty() && system(cmd.c_str()) == 0;
}

ProgramSandbox::~ProgramSandbox()
{
    stop(cashdesk_);
    stop(sim_);
    if (keypad_ >= 0)
        close(keypad_);
    if (!dir_.empty() && system(("rm -rf " + quoted(dir_)).c_str()) != 0)
        fprintf(stderr, "%s: could not remove %s\n", settings_.name.c_str(), dir_.c_str());
}

bool ProgramSandbox::StartSim()
{
    if (!ok_)
        return false;
    std::ofstream(dir_ + "/scenario") << readFile(settings_.source + "/tools/kktsim/scenarios/registered.scn")
                                      << settings_.scenario;
    sim_ = spawn(dir_, {settings_.kktsim, "--dir", dir_ + "/kktsim", "--scenario", dir_ + "/scenario"});
    const double end = nowMs() + kSimStartMs;
    while (access((dir_ + "/kktsim/kktsim.pid").c_str(), R_OK) != 0) {
        if (nowMs() > end || waitpid(sim_, nullptr, WNOHANG) != 0) {
            fprintf(stderr, "%s: kktsim did not start\n", settings_.name.c_str());
            return false;
        }
        pauseMs(1);
    }
    return true;
}

bool ProgramSandbox::PrepareTerminal()
{
    if (prepared_)
        return true;
    if (!ok_)
        return false;
    setenv("TERMINAL_ROOT", root_.c_str(), 1);
    if (!makeScreen(root_, kScreenW, kScreenH) || mkfifo((root_ + "/dev/keypad").c_str(), 0666) != 0)
        return false;
    // Held open here too, so the program never reads an end of file.
    keypad_ = open((root_ + "/dev/keypad").c_str(), O_RDWR | O_NONBLOCK);
    if (keypad_ < 0)
        return false;
    if (settings_.seller)
        std::ofstream(dir_ + "/data/kktsettings.xml")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings><FiscalReceipt Seller=\"Bench\"/></settings>\n";
    setenv("CASHDESK_TRACE", trace_.c_str(), 1);
    prepared_ = true;
    return true;
}

bool ProgramSandbox::StartCashdesk()
{
    if (!PrepareTerminal())
        return false;
    cashdesk_ = spawn(dir_, {settings_.cashdesk});
    return cashdesk_ > 0;
}

void ProgramSandbox::StopCashdesk() { stop(cashdesk_); }

void ProgramSandbox::RestartTrace()
{
    unlink(trace_.c_str());
    tail_.Reset(trace_);
    lines_.clear();
    next_ = 0;
}

double ProgramSandbox::Key(uint16_t code, int times)
{
    const vuInputRecord recs[2] = {{0, 0, vuInputRecord::Key, code, 1}, {0, 0, vuInputRecord::Key, code, 0}};
    const double t = nowMs();
    for (int i = 0; i < times; ++i)
        if (write(keypad_, recs, sizeof recs) != static_cast<ssize_t>(sizeof recs))
            fprintf(stderr, "%s: a key was not written\n", settings_.name.c_str());
    return t;
}

bool ProgramSandbox::Form(const std::string &name, long *tick)
{
    const std::string file = "\"file\":\"" + name + "\"", header = "\"header\":\"" + name + "\"";
    // The next form line among those read and not looked at yet.
    auto found = [&] {
        while (next_ < lines_.size()) {
            const std::string &line = lines_[next_++];
            if (line.find("\"event\":\"form\"") != std::string::npos &&
                (line.find(file) != std::string::npos || line.find(header) != std::string::npos)) {
                if (tick)
                    *tick = number(line, "tick");
                return true;
            }
        }
        lines_.clear();
        next_ = 0;
        return false;
    };
    const double end = nowMs() + settings_.formWaitMs;
    for (;;) {
        if (found())
            return true;
        tail_.ReadNew(lines_);
        if (found())
            return true;
        bool ended = false;
        if (cashdesk_ > 0 && waitpid(cashdesk_, nullptr, WNOHANG) == cashdesk_) {
            cashdesk_ = -1;
            ended = true;
        }
        if (ended || nowMs() > end) {
            fprintf(stderr, "%s: no form %s%s\n", settings_.name.c_str(), name.c_str(),
                    ended ? " (cashdesk ended)" : "");
            return false;
        }
        pauseMs(settings_.pollMs);
    }
}

} // namespace bench
