// srvsim: the server stand-in as a program, to run beside cashdesk and
// kktsim. See README.md.

#include "SrvSim.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnStop(int)
{
    g_stop = 1;
}

int Usage(FILE *to)
{
    std::fputs("usage: srvsim [--scenario FILE] [--dir DIR] [--port N] [--port-file FILE] [--journal FILE] [--check]\n"
               "  --scenario FILE   faults and refusals (default: DIR/scenario when present)\n"
               "  --dir DIR         the stand-in's files (default: the current folder)\n"
               "  --port N          the port on 127.0.0.1 (default 0: any free one)\n"
               "  --port-file FILE  where the port goes (default: DIR/srvsim.port)\n"
               "  --journal FILE    JSON lines of every accept, request, answer, fault and close\n"
               "                    (default: DIR/journal.jsonl)\n"
               "  --check           read the scenario and exit\n"
               "signals: TERM/INT stop\n",
               to);
    return to == stdout ? 0 : 2;
}

bool WriteFile(const std::string &path, const std::string &text)
{
    std::string tmp = path + ".new";
    FILE *f = std::fopen(tmp.c_str(), "w");
    if (!f)
        return false;
    bool ok = std::fputs(text.c_str(), f) >= 0;
    ok = std::fclose(f) == 0 && ok;
    return ok && std::rename(tmp.c_str(), path.c_str()) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    srvsim::Config config;
    std::string scenario, portFile;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        std::string port;
        if (a == "--scenario") {
            if (!value(scenario))
                return Usage(stderr);
        } else if (a == "--dir") {
            if (!value(config.dir))
                return Usage(stderr);
        } else if (a == "--journal") {
            if (!value(config.journal))
                return Usage(stderr);
        } else if (a == "--port-file") {
            if (!value(portFile))
                return Usage(stderr);
        } else if (a == "--port") {
            char *end = nullptr;
            if (!value(port) || port.empty() || (config.port = 0, std::strtoul(port.c_str(), &end, 10) > 65535) ||
                *end != '\0') {
                std::fprintf(stderr, "srvsim: --port needs a number 0-65535\n");
                return 2;
            }
            config.port = static_cast<uint16_t>(std::strtoul(port.c_str(), nullptr, 10));
        } else if (a == "--check") {
            check = true;
        } else if (a == "--help" || a == "-h") {
            return Usage(stdout);
        } else {
            std::fprintf(stderr, "srvsim: unknown argument %s\n", a.c_str());
            return Usage(stderr);
        }
    }
    if (scenario.empty() && access((config.dir + "/scenario").c_str(), R_OK) == 0)
        scenario = config.dir + "/scenario";
    srvsim::Server server(config);
    if (!scenario.empty()) {
        std::string error;
        if (!server.LoadFile(scenario, &error)) {
            std::fprintf(stderr, "srvsim: %s: %s\n", scenario.c_str(), error.c_str());
            return 2;
        }
    }
    if (check)
        return 0;

    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnStop;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::string error;
    if (server.Open(&error) != 0) {
        std::fprintf(stderr, "srvsim: %s\n", error.c_str());
        return 1;
    }
    if (!scenario.empty())
        server.Note("scenario " + scenario);
    if (portFile.empty())
        portFile = config.dir + "/srvsim.port";
    std::string pidPath = config.dir + "/srvsim.pid";
    if (!WriteFile(pidPath, std::to_string(getpid()) + "\n") ||
        !WriteFile(portFile, std::to_string(server.Port()) + "\n")) {
        std::fprintf(stderr, "srvsim: cannot write %s or %s\n", pidPath.c_str(), portFile.c_str());
        return 1;
    }
    std::fprintf(stderr, "srvsim: serving 127.0.0.1:%u, files in %s\n", server.Port(), config.dir.c_str());
    while (!g_stop)
        server.Pump(20);
    server.Close();
    unlink(pidPath.c_str());
    unlink(portFile.c_str());
    return 0;
}
