// The stand-in with its fiscal-drive model on a real service queue in the
// test's private IPC namespace, answering in lock-step with the virtual
// clock; the client side is the cash register's own command class and
// exchange.
#ifndef TESTS_KKTSIM_MODEL_MODELFIXTURE_H
#define TESTS_KKTSIM_MODEL_MODELFIXTURE_H

#include "KktDriveStore.h"
#include "KktSim.h"
#include "KktText.h"
#include "Service.h"
#include "TMCommand.h"
#include "osal.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace modeltest {

inline std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The drive's state kept in the store at path, as JSON text ("" when it
// cannot be read).
inline std::string StoredState(const std::string &path)
{
    std::string json;
    return kktsim::DriveStore::ReadJson(path, json, nullptr) ? json : std::string();
}

// What came back for one command.
struct Result {
    int rc = -100;  // ServiceExecute
    int error = -1; // the registrar error
    int fatal = -1;
    int status = -1;
    std::vector<std::string> data; // fields 5.., UTF-8
    std::string Field(size_t k) const { return k >= 5 && k - 5 < data.size() ? data[k - 5] : "<absent>"; }
};

inline Result Exec(TMCommand &c)
{
    Result r;
    r.rc = ServiceExecute(c, 2000);
    if (r.rc != 0)
        return r;
    r.error = c.ErrorCode();
    r.fatal = c.FatalStatus();
    r.status = c.CurrentStatus();
    for (uint32_t k = 5; k < c.FieldCount(); ++k) {
        char buf[512];
        c.FieldText(k, buf, sizeof buf);
        r.data.push_back(kktsim::Cp866ToUtf8(buf));
    }
    return r;
}

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/kktmodel_test_XXXXXX";
        root_ = mkdtemp(tmpl);
        setenv("TERMINAL_ROOT", root_.c_str(), 1);
        OsTestClockEnable(1000);
    }
    void TearDown() override
    {
        sim_.reset();
        OsTestClockDisable();
        unsetenv("TERMINAL_ROOT");
        std::string cmd = "rm -rf " + root_;
        (void)system(cmd.c_str());
    }
    // Starts the stand-in with a scenario of tools/kktsim/scenarios and
    // extra lines after it.
    void Start(const std::string &scenario = "registered.scn", const std::string &extra = "")
    {
        sim_.reset(new kktsim::Simulator());
        std::string error;
        ASSERT_TRUE(sim_->LoadFile(std::string(KKTSIM_SCENARIOS) + "/" + scenario, &error)) << error;
        if (!extra.empty()) {
            bool ok = true;
            sim_->Update([&](kktsim::Scenario &s) { ok = kktsim::ParseScenario(extra, s, &error); });
            ASSERT_TRUE(ok) << error;
        }
        ASSERT_EQ(sim_->Open(), 0);
        sim_->StartLockstep();
        ASSERT_EQ(ServiceOpen(), 0);
    }
    std::string Paper() const { return ReadFile(sim_->PaperPath()); }
    std::string State() { return sim_->Drive().ToJson(); }

    std::string root_;
    std::unique_ptr<kktsim::Simulator> sim_;
};

} // namespace modeltest

#endif
