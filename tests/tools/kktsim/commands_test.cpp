// The drive model's command table against the registrar's code catalogue the
// link builds with, and the one date rule every command and statement keeps.

#include "KktDrive.h"
#include "KktDriveCommands.h"
#include "KktScenario.h"

#include "TMCodes.h"
#include "TMCommand.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using kktsim::DriveCommand;

TEST(DriveCommands, EveryRowIsACataloguedCodeOfItsOwn)
{
    std::set<uint8_t> codes;
    for (const DriveCommand &row : kktsim::DriveCommands()) {
        EXPECT_TRUE(codes.insert(row.code).second) << "code " << unsigned(row.code) << " has two rows";
        ASSERT_NE(TMCodeName(row.code), nullptr) << "code " << unsigned(row.code) << " is not catalogued";
        EXPECT_STREQ(row.name, TMCodeName(row.code));
        EXPECT_EQ(kktsim::FindDriveCommand(row.code), &row);
    }
    // a code the link builds but the model leaves to the stand-in, and one
    // nobody knows
    EXPECT_EQ(kktsim::FindDriveCommand(TM_COMMAND_15), nullptr);
    EXPECT_EQ(kktsim::FindDriveCommand(0xFF), nullptr);

    std::set<uint8_t> catalogue;
    for (const TMCodeEntry &e : kTMCodes)
        EXPECT_TRUE(catalogue.insert(e.code).second) << "code " << unsigned(e.code) << " catalogued twice";
}

// Each row's handler answers a request of its code (refusing one without
// fields is an answer too); a code without a row is left unanswered.
TEST(DriveCommands, TheModelAnswersExactlyTheTablesCodes)
{
    for (unsigned code = 0; code < 256; ++code) {
        kktsim::Drive drive;
        kktsim::Request req;
        req.code = static_cast<uint8_t>(code);
        kktsim::Reply rep;
        kktsim::DriveResult res = drive.Answer(req, false, rep);
        EXPECT_EQ(res.answered, kktsim::FindDriveCommand(req.code) != nullptr) << "code " << code;
    }
}

// The link's builders put the catalogue's codes into their frames.
TEST(DriveCommands, TheLinkBuildsWithTheCataloguesCodes)
{
    struct Case {
        uint8_t code;
        int (*build)(TMCommand &c);
    } cases[] = {
        {TM_GET_FN_STATUS, [](TMCommand &c) { return c.GetFNStatus(); }},
        {TM_FN_READ, [](TMCommand &c) { return c.FNRead(0, 16); }},
        {TM_NOTIF_STEP, [](TMCommand &c) { return c.NotifStep(1); }},
        {TM_COMMAND_9E, [](TMCommand &c) { return c.Command9E(0); }},
        {TM_GET_KKT_INFO, [](TMCommand &c) { return c.GetKktInfo(); }},
    };
    for (const Case &k : cases) {
        TMCommand c;
        ASSERT_GT(k.build(c), 0) << TMCodeName(k.code);
        EXPECT_EQ(c.CommandCode(), k.code) << TMCodeName(k.code);
        EXPECT_NE(kktsim::FindDriveCommand(k.code), nullptr) << TMCodeName(k.code);
    }
}

// One rule for dates: DDMMYY names a day of the year 2000 + YY (29 February
// only in a leap year), HHMM a time of day. Requests are refused with 03 by
// it, scenario statements by it.
TEST(DateRule, CommandsAndStatementsKeepTheSameRule)
{
    struct Case {
        const char *date, *time;
        bool ok;
    } cases[] = {
        {"150326", "1030", true},  {"290228", "0000", true},  {"290200", "2359", true},  {"311226", "0000", true},
        {"290227", "1200", false}, {"290226", "1200", false}, {"310426", "1200", false}, {"000126", "1200", false},
        {"151326", "1200", false}, {"150326", "2400", false}, {"150326", "1060", false}, {"1503a6", "1200", false},
    };
    for (const Case &c : cases) {
        kktsim::Drive drive;
        kktsim::Request req;
        req.code = TM_START_SESSION;
        req.fields = {c.date, c.time};
        kktsim::Reply rep;
        drive.Answer(req, false, rep);
        EXPECT_EQ(rep.error, c.ok ? 0 : 0x03) << c.date << " " << c.time;

        // the scenario's document times and key dates
        kktsim::Scenario s;
        std::string error;
        EXPECT_EQ(kktsim::ParseScenario(std::string("drive document receipt ") + c.date + c.time + "\n", s, &error),
                  c.ok)
            << c.date << c.time << ": " << error;
        bool realDate = c.ok || std::string(c.time) == "2400" || std::string(c.time) == "1060";
        EXPECT_EQ(kktsim::ParseScenario(std::string("drive key-date ") + c.date + "\n", s, &error), realDate)
            << c.date << ": " << error;
    }
}

} // namespace
