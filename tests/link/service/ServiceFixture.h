// A real service queue in the test's private IPC namespace, served by the
// stand-in in a thread of its own, in lock-step with the virtual clock:
// every pause of the client lets the stand-in answer, so timing is exact.
//
// The client's queue identifier is process-wide and never reset: every test
// case runs in a process of its own (ctest does so).
#ifndef TESTS_SERVICE_SERVICEFIXTURE_H
#define TESTS_SERVICE_SERVICEFIXTURE_H

#include "JsonLines.h"
#include "KktSim.h"
#include "Service.h"
#include "osal.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace servicetest {

// One line of the stand-in's journal, with its members read as text. The
// line is read as JSON once, at the first look at a member, so escapes and
// nested objects read as they were written.
struct Entry {
    Entry() = default;
    Entry(std::string text) : line(std::move(text)) {}

    std::string line;
    // The value of a member: a string without its quotes, or a number (any
    // other value as its JSON text); empty when the line has no such member.
    std::string Get(const std::string &key) const
    {
        if (!parsed_) {
            jsonl::Parse(line, &json_);
            parsed_ = true;
        }
        return jsonl::Text(json_, key.c_str());
    }
    long Num(const std::string &key) const
    {
        std::string text = Get(key);
        if (text.empty())
            return 0;
        try {
            return std::stol(text);
        } catch (const std::exception &) {
            return 0;
        }
    }
    // Bytes of data behind the kind byte.
    size_t DataBytes() const { return Get("hex").size() / 2 - 1; }

private:
    mutable jsonl::Json json_;
    mutable bool parsed_ = false;
};

inline std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::vector<Entry> ReadJournal(const std::string &path, const std::string &dir = "in", long type = 0)
{
    std::vector<Entry> out;
    std::ifstream in(path);
    std::string line;
    // A line is whole once its newline is there: the writer may be half-way
    // through the last one while it is read.
    while (std::getline(in, line) && !in.eof()) {
        Entry e{line};
        if ((dir.empty() || e.Get("dir") == dir) && (type == 0 || e.Num("type") == type))
            out.push_back(e);
    }
    return out;
}

// A terminal root of the test's own in a temporary folder, removed at the
// end; with the virtual clock running unless the test says otherwise.
class TempRootTest : public ::testing::Test {
protected:
    explicit TempRootTest(bool clock = true) : clock_(clock) {}
    void SetUp() override
    {
        char tmpl[] = "/tmp/service_test_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        setenv("TERMINAL_ROOT", root_.c_str(), 1);
        if (clock_)
            OsTestClockEnable(1000);
    }
    void TearDown() override
    {
        if (clock_)
            OsTestClockDisable();
        unsetenv("TERMINAL_ROOT");
        std::string cmd = "rm -rf " + root_;
        (void)system(cmd.c_str());
    }
    std::string root_;

private:
    bool clock_;
};

class ServiceTest : public TempRootTest {
protected:
    void SetUp() override
    {
        TempRootTest::SetUp();
        sim_.reset(new kktsim::Simulator());
        ASSERT_EQ(sim_->Open(), 0);
        sim_->StartLockstep();
        ASSERT_EQ(ServiceOpen(), 0);
    }
    void TearDown() override
    {
        sim_.reset();
        TempRootTest::TearDown();
    }
    std::vector<Entry> Journal(long type = 0, const std::string &dir = "in")
    {
        return ReadJournal(sim_->JournalPath(), dir, type);
    }
    std::unique_ptr<kktsim::Simulator> sim_;
};

} // namespace servicetest

#endif
