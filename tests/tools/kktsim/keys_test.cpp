// The fiscal drive's verification keys in the model: the need (or the
// error that stands for it), the key service's address, a series of
// requests each taking only srvsim's answer to it (160 while rounds remain,
// then 0 with the keys dated today), the statements and the state file's
// member "keys" (a file without it still reads).
#include "ModelFixture.h"

#include "KktDriveKeys.h"

namespace {

using modeltest::Exec;
using modeltest::ModelTest;
using modeltest::Result;

std::string Hex(const std::string &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Unhex(const std::string &hex)
{
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

// The next request's body (0x9E 3).
std::string Request()
{
    TMCommand c;
    EXPECT_GT(c.Command9E(3), 0);
    Result r = Exec(c);
    EXPECT_EQ(r.error, 0);
    return r.data.empty() ? std::string() : Unhex(r.data[0]);
}

// Hands an answer to the drive (0x9E 4): the drive's error.
int Answer(const std::string &answer)
{
    TMCommand c;
    EXPECT_GT(c.Command9EData(4, answer.data(), static_cast<int>(answer.size())), 0);
    return Exec(c).error;
}

TEST_F(ModelTest, AKeySeriesTakesOnlyTheAnswersToItsRequests)
{
    Start("registered.scn", "drive key-state 2\ndrive key-rounds 3\ndrive key-date 150326\n"
                            "drive key-address tcp://127.0.0.1:31101\n");
    TMCommand c;
    ASSERT_GT(c.Command9E(0), 0);
    EXPECT_EQ(Exec(c).data, std::vector<std::string>{"02"});
    ASSERT_GT(c.Command9E(1), 0);
    EXPECT_EQ(Exec(c).data, std::vector<std::string>{Hex("tcp://127.0.0.1:31101")});

    EXPECT_EQ(Answer("SRVSIM KEYS x"), kktsim::kKeysUnknownAnswer) << "no request yet";
    std::string first = Request();
    EXPECT_EQ(first, "KKTSIM KEYS 9999078900012345 1\n");
    const std::string answer = kktsim::KeysAnswerFor("9999078900012345", first);
    EXPECT_EQ(answer.substr(0, 32), "SRVSIM KEYS 9999078900012345 31 ");
    // Someone else's answer, another drive's, one cut short: refused.
    EXPECT_EQ(Answer(kktsim::KeysAnswerFor("9999078900012345", "KKTSIM KEYS 9999078900012345 7\n")),
              kktsim::kKeysUnknownAnswer);
    std::string second = Request();
    EXPECT_EQ(Answer(kktsim::KeysAnswerFor("9999078900099999", second)), kktsim::kKeysUnknownAnswer);
    second = Request();
    EXPECT_EQ(Answer(kktsim::KeysAnswerFor("9999078900012345", second).substr(0, 20)), kktsim::kKeysUnknownAnswer);
    // The series: 160, 160 (zero bytes after the line are allowed), 0.
    for (int round = 1; round <= 3; ++round) {
        std::string request = Request();
        std::string a = kktsim::KeysAnswerFor("9999078900012345", request);
        if (round == 2)
            a += std::string(4, '\0');
        EXPECT_EQ(Answer(a), round < 3 ? kktsim::kKeysMoreFollow : 0) << round;
        EXPECT_EQ(Answer(a), kktsim::kKeysUnknownAnswer) << "an answer is taken once";
    }
    ASSERT_GT(c.Command9E(0), 0);
    EXPECT_EQ(Exec(c).data, std::vector<std::string>{"00"});
    ASSERT_GT(c.Command9E(5), 0);
    Result r = Exec(c);
    time_t now = time(nullptr);
    struct tm t;
    localtime_r(&now, &t);
    EXPECT_EQ(c.FieldWord(5), t.tm_mday + 32 * (t.tm_mon + 1) + 512 * (t.tm_year + 1900 - 1996));
    EXPECT_NE(State().find("\"key_date\": " + std::to_string(c.FieldWord(5))), std::string::npos) << "kept in the state file";

    // An answer that is no hex.
    ASSERT_GT(c.Command9EText(4, "0G"), 0);
    EXPECT_EQ(Exec(c).error, 0x02);
}

TEST_F(ModelTest, TheKeysNeedCanBeAnErrorAndTheAddressEmpty)
{
    Start("registered.scn", "drive key-error 71\n");
    TMCommand c;
    ASSERT_GT(c.Command9E(0), 0);
    EXPECT_EQ(Exec(c).error, 0x71);
    ASSERT_GT(c.Command9E(1), 0);
    Result r = Exec(c);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.data, std::vector<std::string>{""});
    ASSERT_GT(c.Command9E(2), 0);
    EXPECT_EQ(Exec(c).error, 0x02) << "no such sub-command";
}

TEST(KeysState, StatementsFileAndFaults)
{
    kktsim::Scenario s;
    std::string error;
    ASSERT_TRUE(kktsim::ParseScenario("drive key-address tcp://keys.example:26101\ndrive key-rounds 7\n"
                                      "drive key-error A3\ndrive key-state 1\n",
                                      s, &error))
        << error;
    const kktsim::DriveState &d = s.driveState;
    EXPECT_EQ(d.keys.address, "tcp://keys.example:26101");
    EXPECT_EQ(d.keys.rounds, 7);
    EXPECT_EQ(d.keys.error, 0xA3);
    kktsim::DriveState back;
    ASSERT_TRUE(back.FromJson(d.ToJson(), &error)) << error;
    EXPECT_EQ(back.ToJson(), d.ToJson());
    EXPECT_EQ(back.keys.address, d.keys.address);
    EXPECT_EQ(back.keys.rounds, 7);

    // A file of the former shape (no "keys") keeps the defaults.
    std::string old = d.ToJson();
    size_t at = old.find(",\n  \"keys\"");
    ASSERT_NE(at, std::string::npos);
    old = old.substr(0, at) + "\n}\n";
    kktsim::DriveState former;
    ASSERT_TRUE(former.FromJson(old, &error)) << error;
    EXPECT_EQ(former.keys.address, "");
    EXPECT_EQ(former.keys.rounds, 1);

    struct Bad {
        const char *from, *to, *why;
    } bads[] = {
        {"\"rounds\": 7", "\"rounds\": 0", "keys.rounds"},
        {"\"error\": 163", "\"error\": 256", "keys.error"},
        {"\"address\": \"tcp", "\"address\": \"t cp", "keys.address"},
    };
    for (const Bad &b : bads) {
        std::string text = d.ToJson();
        size_t p = text.find(b.from);
        ASSERT_NE(p, std::string::npos) << b.from;
        text.replace(p, strlen(b.from), b.to);
        kktsim::DriveState t;
        EXPECT_FALSE(t.FromJson(text, &error)) << b.why;
        EXPECT_NE(error.find(b.why), std::string::npos) << error;
    }

    const std::string longAddress = "drive key-address " + std::string(129, 'a') + "\n";
    struct Case {
        const char *text, *error;
    } cases[] = {
        {"drive key-rounds 0\n", "line 1: drive key-rounds needs a number from 1 to 1000"},
        {"drive key-rounds 1001\n", "line 1: drive key-rounds needs"},
        {"drive key-error 7\n", "line 1: drive key-error needs a hex byte"},
        {"drive key-address a b\n", "line 1: drive key-address needs"},
        {longAddress.c_str(), "line 1: drive key-address needs"},
    };
    for (const Case &c : cases) {
        kktsim::Scenario t;
        EXPECT_FALSE(kktsim::ParseScenario(c.text, t, &error)) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
    kktsim::Scenario none;
    ASSERT_TRUE(kktsim::ParseScenario("drive key-address tcp://h:1\ndrive key-address none\n", none, &error));
    EXPECT_EQ(none.driveState.keys.address, "");
}

} // namespace
