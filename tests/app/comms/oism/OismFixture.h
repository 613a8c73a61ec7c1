// The marking notifications' exchange between the two stand-ins: kktsim with
// its fiscal-drive model in a thread on the test's private queue (real
// time), srvsim as a process of its own. The steps run without a UI, as the
// dialog's callback runs them.
#ifndef TESTS_COMMS_OISM_OISMFIXTURE_H
#define TESTS_COMMS_OISM_OISMFIXTURE_H

#include "JsonLines.h"
#include "KktSim.h"
#include "Service.h"
#include "SrvsimProcess.h"
#include "kfn_state.h"
#include "oism_worker.h"
#include "osal.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <time.h>
#include <vector>
#include "TestTime.h"

namespace oismtest {

class OismTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/comms_oism_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        setenv("TERMINAL_ROOT", root_.c_str(), 1);
        strcpy(kfn_state.fn_number, "9999078900012345");
        kfn_state.ffd_version = 4;
        kfn_state.marking_mode = 1;
        oism_forget_params();
    }
    void TearDown() override
    {
        oism_stop(nullptr);
        oism_forget_params();
        server_.Stop();
        sim_.reset();
        kfn_state.marking_mode = -1;
        unsetenv("TERMINAL_ROOT");
        std::string cmd = "rm -rf '" + root_ + "'";
        if (system(cmd.c_str()) != 0)
            ADD_FAILURE() << cmd;
    }
    // kktsim with the registered drive and the extra lines (the OISM
    // server's port is srvsim's, or the one given), srvsim with its scenario;
    // then the worker starts with the parameters from 0x67 index 1.
    void Start(const std::string &drive, const std::string &server = "", const std::string &times = "30 5 5",
               int port = -1)
    {
        std::string error;
        ASSERT_TRUE(server_.Start(SRVSIM_PATH, root_ + "/srvsim", server, &error)) << error;
        sim_.reset(new kktsim::Simulator());
        ASSERT_TRUE(sim_->LoadFile(std::string(KKTSIM_SCENARIOS) + "/registered.scn", &error)) << error;
        std::string extra = "drive ffd 1.2\n" + drive + "drive oism-server 127.0.0.1 " +
                            std::to_string(port < 0 ? server_.Port() : port) + "\ndrive oism-times " + times + "\n";
        bool ok = true;
        sim_->Update([&](kktsim::Scenario &s) { ok = kktsim::ParseScenario(extra, s, &error); });
        ASSERT_TRUE(ok) << error;
        ASSERT_EQ(sim_->Open(), 0);
        sim_->Start();
        ASSERT_EQ(ServiceOpen(), 0);
        ASSERT_EQ(oism_start(nullptr, 0, nullptr), 0);
    }
    // kktsim's scripted answers and faults from now on.
    void Script(const std::string &lines)
    {
        sim_->Update([&](kktsim::Scenario &s) {
            s.answers.clear();
            s.faults.clear();
            std::string error;
            EXPECT_TRUE(kktsim::ParseScenario(lines, s, &error)) << error;
        });
    }
    // Polls until the worker has an outcome (20 s at most).
    int Finish()
    {
        for (int i = 0; i < testtime::Tries(20000, 10); ++i) {
            int r = oism_step_poll(nullptr);
            if (r != 0)
                return r;
            timespec t{0, 10 * 1000 * 1000};
            nanosleep(&t, nullptr);
        }
        ADD_FAILURE() << "the worker did not finish";
        return -100;
    }
    int SendOne(int *length = nullptr)
    {
        int n = oism_step_begin(nullptr, OISM_MODE_NOTIFICATIONS);
        if (length)
            *length = n;
        return n < 0 ? n : Finish();
    }
    // Codes of the commands kktsim took, in order.
    std::vector<std::string> Commands()
    {
        std::vector<std::string> out;
        for (auto &e : jsonl::ReadLines(sim_->JournalPath()))
            if (jsonl::Text(e, "dir") == "in" && !jsonl::Text(e, "code").empty())
                out.push_back(jsonl::Text(e, "code"));
        return out;
    }
    size_t Count(const std::string &code)
    {
        size_t n = 0;
        for (const std::string &c : Commands())
            n += c == code;
        return n;
    }
    uint16_t Waiting() { return kktsim::NoticesWaiting(sim_->Drive()); }

    std::string root_;
    std::unique_ptr<kktsim::Simulator> sim_;
    SrvsimProcess server_;
};

} // namespace oismtest

#endif
