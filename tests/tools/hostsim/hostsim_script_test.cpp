// hostsim's script reader: every step's good form, and a bad line named by
// its number and fault (the program's exit status 2).
#include "HostSim.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/wait.h>

#include <string>
#include <vector>

namespace {

TEST(HostsimScript, ReadsEveryStep)
{
    std::vector<hostsim::Step> steps;
    std::string error;
    ASSERT_TRUE(hostsim::ParseScript("# a comment\n\nconnect 100\nawait-open\npassword ABCD\nframe 4F 00 02 01\n"
                                     "short 30\nnak\nraw a\\x1b\\s\\\\\nhex 0102 ff\nraster 2 1 AA\nsplit 3 5\n"
                                     "expect 45 06 900\nexpect 45\nexpect-short 28\nexpect-none 10\nwait 1\nclose\n",
                                     steps, &error))
        << error;
    ASSERT_EQ(steps.size(), 16u);
    EXPECT_EQ(steps[0].line, 3);
    EXPECT_EQ(steps[3].num[0], 0x4F);
    EXPECT_EQ(steps[3].args, (std::vector<std::string>{"4F", "00", "02", "01"}));
    EXPECT_EQ(steps[6].bytes, std::string("a\x1b \\"));
    EXPECT_EQ(steps[7].bytes, std::string("\x01\x02\xff"));
    EXPECT_EQ(steps[8].bytes, std::string(16, '\xAA'));
    EXPECT_EQ(steps[10].num[1], 6);
    EXPECT_EQ(steps[10].num[2], 900);
    EXPECT_EQ(steps[11].num[1], -1); // any error
}

TEST(HostsimScript, NamesTheFirstBadLine)
{
    const struct {
        const char *text;
        const char *error;
    } cases[] = {
        {"frame\n", "line 1: frame needs a hex code 00..FF"},
        {"nak\nframe 100\n", "line 2: frame needs a hex code 00..FF"},
        {"short 3G\n", "line 1: short needs one hex byte"},
        {"raw a\\q\n", "line 1: bad escape \\q"},
        {"raw a b\n", "line 1: raw needs one text (\\s for a space)"},
        {"hex 123\n", "line 1: hex needs pairs of hex digits"},
        {"raster 0 1\n", "line 1: raster needs WIDTH and HEIGHT (1..255) and an optional hex fill byte"},
        {"password KVM\n", "line 1: password needs four characters"},
        {"expect 45 06 -1\n", "line 1: expect needs a hex code, an optional hex error (-1 any) and time-out in ms"},
        {"wait\n", "line 1: wait needs a time in ms"},
        {"\n\nfly 1\n", "line 3: unknown command \"fly\""},
    };
    for (const auto &c : cases) {
        std::vector<hostsim::Step> steps;
        std::string error;
        EXPECT_FALSE(hostsim::ParseScript(c.text, steps, &error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST(HostsimProgram, CheckExitsTwoOnABadLine)
{
    auto run = [](const std::string &script) {
        std::string cmd = "printf '" + script + "' | " HOSTSIM_PATH " --check 2>/dev/null";
        int status = system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run("frame 45\\nexpect 45\\n"), 0);
    EXPECT_EQ(run("frame 45\\nbogus\\n"), 2);
    EXPECT_EQ(system(HOSTSIM_PATH " --tcp nohostport </dev/null 2>/dev/null") >> 8, 2);
}

} // namespace
