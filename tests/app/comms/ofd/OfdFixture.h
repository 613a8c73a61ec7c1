// The OFD exchange between the two stand-ins: kktsim with its fiscal-drive
// model in a thread on the test's private queue (real time), srvsim as a
// process of its own. The steps run without a UI, as the dialog's callback
// runs them.
#ifndef TESTS_COMMS_OFD_OFDFIXTURE_H
#define TESTS_COMMS_OFD_OFDFIXTURE_H

#include "KktSim.h"
#include "Service.h"
#include "SrvsimProcess.h"
#include "kfn_state.h"
#include "ofd_worker.h"
#include "osal.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <time.h>
#include <vector>
#include "TestTime.h"

namespace ofdtest {

class OfdTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/comms_ofd_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        setenv("TERMINAL_ROOT", root_.c_str(), 1);
        strcpy(kfn_state.fn_number, "9999078900012345");
        kfn_state.ffd_version = 2;
        ofd_forget_params();
    }
    void TearDown() override
    {
        ofd_stop(nullptr);
        ofd_forget_params();
        server_.Stop();
        sim_.reset();
        unsetenv("TERMINAL_ROOT");
        std::string cmd = "rm -rf '" + root_ + "'";
        if (system(cmd.c_str()) != 0)
            ADD_FAILURE() << cmd;
    }
    // Both stand-ins: kktsim with the registered drive and the extra
    // scenario lines (the OFD server's port is srvsim's), srvsim with its
    // scenario. Then the worker starts with the parameters from 0x67.
    void Start(const std::string &drive, const std::string &server = "", const std::string &times = "30 5 5")
    {
        std::string error;
        ASSERT_TRUE(server_.Start(SRVSIM_PATH, root_ + "/srvsim", server, &error)) << error;
        sim_.reset(new kktsim::Simulator());
        ASSERT_TRUE(sim_->LoadFile(std::string(KKTSIM_SCENARIOS) + "/registered.scn", &error)) << error;
        std::string extra = drive + "drive ofd-port " + std::to_string(server_.Port()) + "\ndrive ofd-times " + times +
                            "\n";
        bool ok = true;
        sim_->Update([&](kktsim::Scenario &s) { ok = kktsim::ParseScenario(extra, s, &error); });
        ASSERT_TRUE(ok) << error;
        ASSERT_EQ(sim_->Open(), 0);
        sim_->Start();
        ASSERT_EQ(ServiceOpen(), 0);
        ASSERT_EQ(ofd_start(nullptr, 0, nullptr), 0);
    }
    // A new server with another scenario (the old one stopped), and the
    // worker pointed at its port; kktsim's scripted answers and faults
    // forgotten and count more documents waiting.
    void Restart(const std::string &server, int documents = 1)
    {
        server_.Stop();
        std::string error;
        ASSERT_TRUE(server_.Start(SRVSIM_PATH, root_ + "/srvsim" + std::to_string(++servers_), server, &error)) << error;
        ofd_worker.port = server_.Port(); // the worker is idle: it reads the port only when handed a document
        sim_->Update([](kktsim::Scenario &s) {
            s.answers.clear();
            s.faults.clear();
        });
        sim_->UpdateDrive([&](kktsim::DriveState &d) {
            std::string why;
            bool known = false;
            kktsim::OfdDriveLine("ofd-documents", std::to_string(documents), d, why, known);
        });
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
    // Polls until the worker is done (20 s at most): ofd_step_poll's result.
    int Finish()
    {
        for (int i = 0; i < testtime::Tries(20000, 10); ++i) {
            int r = ofd_step_poll(nullptr);
            if (r != 0)
                return r;
            timespec t{0, 10 * 1000 * 1000};
            nanosleep(&t, nullptr);
        }
        ADD_FAILURE() << "the worker did not finish";
        return -100;
    }
    // One document: begin, then the worker's result written back.
    int SendOne(int *length = nullptr)
    {
        int n = ofd_step_begin(nullptr);
        if (length)
            *length = n;
        return n < 0 ? n : Finish();
    }
    // Codes of the commands kktsim took, in order ("2B", "5F:01", ...: 5F
    // with its field).
    std::vector<std::string> Commands()
    {
        std::vector<std::string> out;
        for (auto &e : jsonl::ReadLines(sim_->JournalPath())) {
            if (jsonl::Text(e, "dir") != "in" || jsonl::Text(e, "code").empty())
                continue;
            std::string code = jsonl::Text(e, "code");
            if (code == "5F" && e.contains("fields") && e["fields"].is_array() && !e["fields"].empty())
                code += ":" + e["fields"][0].get<std::string>();
            out.push_back(code);
        }
        return out;
    }
    uint16_t Waiting() { return static_cast<uint16_t>(sim_->Drive().ofd.documents.size()); }

    std::string root_;
    std::unique_ptr<kktsim::Simulator> sim_;
    SrvsimProcess server_;
    int servers_ = 0;
};

} // namespace ofdtest

#endif
