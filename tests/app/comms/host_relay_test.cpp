// The host relay's consume rules with a recording sink: host bytes in
// given splits, the relay state, and every action the rules ask for.
#include "host_relay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "TMCommand.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytes(const std::string &s) { return Bytes(s.begin(), s.end()); }
std::string text(const uint8_t *p, uint32_t n) { return std::string(reinterpret_cast<const char *>(p), n); }

// A host request: code and byte fields, framed as the controller expects.
Bytes request(uint8_t code, std::vector<uint8_t> fields = {})
{
    TMCommand cmd;
    cmd.Begin(code);
    for (uint8_t f : fields)
        cmd.AddByte(f);
    cmd.End();
    return Bytes(cmd.FrameData(), cmd.FrameData() + cmd.FrameSize());
}

// A controller reply: STX, id, code, the fields, ETX and a good checksum.
Bytes reply(uint8_t id, uint8_t code, std::vector<std::string> fields)
{
    char head[4];
    snprintf(head, sizeof head, "%02X", code);
    std::string s = std::string("\x02") + char(id) + head + "\x1C";
    for (auto &f : fields)
        s += f + "\x1C";
    s += "\x03" "0000";
    Bytes b = bytes(s);
    relay_rebuild_sum(b.data(), uint32_t(b.size()));
    return b;
}

bool sum_ok(const Bytes &b)
{
    TMCommand cmd;
    return cmd.Accept(b.data(), uint32_t(b.size())) > 0;
}

struct Recorder : RelayEffects {
    std::vector<std::string> acts;
    std::vector<Bytes> to_host;
    Bytes graph;
    uint16_t modes = 0;
    int print_result = 0;
    int32_t printer_state = 0, print_error = 0;
    int write_limit = -2; // -2 no limit, -1 cannot open, else bytes per write

    int send_frame(const uint8_t *d, uint32_t n) override
    {
        acts.push_back("frame " + text(d, n));
        return 0;
    }
    void execute_1d() override { acts.push_back("1D awaited"); }
    void send_1d() override { acts.push_back("1D"); }
    uint16_t work_modes() override { return modes; }
    void set_work_modes(uint16_t v) override
    {
        modes = v;
        acts.push_back("modes " + std::to_string(v));
    }
    int print_raw(const uint8_t *d, uint32_t n) override
    {
        acts.push_back("print " + std::to_string(n) + " " + text(d, n < 8 ? n : 8));
        return print_result;
    }
    void last_status(int32_t *s, int32_t *e) override
    {
        *s = printer_state;
        *e = print_error;
    }
    int send_host(const uint8_t *d, uint32_t n) override
    {
        to_host.emplace_back(d, d + n);
        acts.push_back("host " + std::to_string(n));
        return 0;
    }
    uint32_t graph_size() override { return uint32_t(graph.size()); }
    int graph_write(const uint8_t *d, uint32_t n, bool append) override
    {
        if (write_limit == -1)
            return -1;
        if (!append)
            graph.clear();
        uint32_t w = write_limit >= 0 && uint32_t(write_limit) < n ? uint32_t(write_limit) : n;
        graph.insert(graph.end(), d, d + w);
        acts.push_back("graph " + std::to_string(w) + (append ? " append" : " new"));
        return int(w);
    }
    void graph_delete() override
    {
        graph.clear();
        acts.push_back("graph delete");
    }
    void graph_done(uint8_t w, uint8_t h) override
    {
        acts.push_back("graph done " + std::to_string(w) + "x" + std::to_string(h));
    }
    void log(const char *t) override { acts.push_back(std::string("log ") + t); }
};

class HostRelay : public ::testing::Test {
protected:
    void SetUp() override { relay_reset(st); }
    void feed(const Bytes &b)
    {
        ASSERT_EQ(relay_append(st, b.data(), uint32_t(b.size())), b.size());
        relay_consume(st, fx);
    }
    void feed(const std::string &s) { feed(bytes(s)); }
    RelayState st{};
    Recorder fx;
};

// ---- host bytes in splits, table-driven --------------------------------------

struct SplitCase {
    const char *name;
    uint16_t last_before;
    std::vector<Bytes> reads;
    std::vector<std::string> acts;
    uint32_t left;
    uint16_t last_after;
};

class HostRelaySplits : public HostRelay, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(HostRelaySplits, ConsumesByTheRules)
{
    const SplitCase &c = GetParam();
    st.last_host_command = c.last_before;
    for (const Bytes &r : c.reads)
        feed(r);
    EXPECT_EQ(fx.acts, c.acts);
    EXPECT_EQ(st.host_count, c.left);
    EXPECT_EQ(st.last_host_command, c.last_after);
}

const Bytes k45 = request(0x45);
const std::string f45 = text(k45.data(), uint32_t(k45.size()));
Bytes part(const Bytes &b, size_t from, size_t to) { return Bytes(b.begin() + from, b.begin() + std::min(to, b.size())); }
Bytes cat(std::vector<Bytes> parts)
{
    Bytes out;
    for (auto &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes wrong_password()
{
    Bytes b = k45;
    b[2] = 'X';
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, HostRelaySplits,
    ::testing::Values(
        SplitCase{"WholeFrame", 0, {k45}, {"log Норм. команда: 45", "frame " + f45}, 0, 0x45},
        SplitCase{"FrameSplitThrice", 0, {part(k45, 0, 3), part(k45, 3, 9), part(k45, 9, k45.size() - 2)},
                  {}, uint32_t(k45.size() - 2), 0},
        SplitCase{"FrameSplitCompleted", 0,
                  {part(k45, 0, 3), part(k45, 3, k45.size() - 1), part(k45, k45.size() - 1, 99)},
                  {"log Норм. команда: 45", "frame " + f45}, 0, 0x45},
        SplitCase{"LoneDleWaits", 0, {bytes("\x10")}, {}, 1, 0},
        SplitCase{"DleCompleted", 0, {bytes("\x10"), bytes("\x06")},
                  {"frame \x10\x06", "log Кор. команда: 1006"}, 0, 0x1006},
        SplitCase{"Nak", 0x45, {bytes("\x15")}, {"frame \x15", "log Получен NAK 0x15"}, 0, 0x1500},
        SplitCase{"WrongPasswordThenGood", 0, {cat({wrong_password(), k45})},
                  {"log Норм. команда: 45", "frame " + f45}, 0, 0x45},
        SplitCase{"GarbageSkippedToDle", 0, {bytes("abc\x10\x31zz")},
                  {"frame \x10\x31", "log Кор. команда: 1031"}, 0, 0x1031},
        SplitCase{"GarbageAlone", 0, {bytes("\xff\x03xyz")}, {}, 0, 0},
        SplitCase{"ShortStxWaits", 0, {bytes("\x02KV")}, {}, 3, 0},
        SplitCase{"EtxWithoutSumWaits", 0, {part(k45, 0, k45.size() - 3)}, {}, uint32_t(k45.size() - 3), 0},
        SplitCase{"RawUntilEscEsc", 0x70, {bytes("abc\x1b\x1b")}, {"print 3 abc", "1D"}, 0, 0x70},
        SplitCase{"RawWaitsForEscEsc", 0x70, {bytes("abc\x1b")}, {}, 4, 0x70},
        SplitCase{"RawEscEscSplit", 0x70, {bytes("abc\x1b"), bytes("\x1bq")}, {"print 3 abc", "1D"}, 1, 0x70},
        SplitCase{"RawEscEscFirst", 0x70, {bytes("\x1b\x1b")}, {"1D"}, 0, 0x70},
        SplitCase{"RawThenFrame", 0x70, {cat({bytes("ab\x1b\x1b"), k45})},
                  {"print 2 ab", "1D", "log Норм. команда: 45", "frame " + f45}, 0, 0x45}),
    [](const ::testing::TestParamInfo<SplitCase> &i) { return std::string(i.param.name); });

// ---- buffer limits ------------------------------------------------------------

TEST_F(HostRelay, FullBufferWithoutFrameWaitsAndTakesNoMore)
{
    Bytes b = cat({part(k45, 0, 8), Bytes(kRelayBufferSize - 8, 'x')});
    feed(b);
    EXPECT_EQ(st.host_count, kRelayBufferSize);
    EXPECT_TRUE(fx.acts.empty());
    uint8_t more = 0x15;
    EXPECT_EQ(relay_append(st, &more, 1), 0u);
}

TEST_F(HostRelay, RawFullBufferKeepsTrailingEscForTheNextRead)
{
    st.last_host_command = 0x70;
    Bytes b(kRelayBufferSize - 1, 'p');
    b.push_back(0x1B);
    feed(b);
    EXPECT_EQ(fx.acts, (std::vector<std::string>{"print 4095 pppppppp"}));
    ASSERT_EQ(st.host_count, 1u);
    feed(std::string("\x1b"));
    EXPECT_EQ(fx.acts.back(), "1D");
    EXPECT_EQ(st.host_count, 0u);
}

TEST_F(HostRelay, RawFullBufferWithoutEscPrintsItAll)
{
    st.last_host_command = 0x70;
    fx.print_result = -5;
    feed(Bytes(kRelayBufferSize, 'p'));
    EXPECT_EQ(fx.acts, (std::vector<std::string>{"print 4096 pppppppp", "log Ошибка печати: -5"}));
    EXPECT_EQ(st.host_count, 0u);
}

// ---- 0x70: held reply, paper out, work modes --------------------------------

TEST_F(HostRelay, RawPrintSendsHeldReplyMarkedWhenPaperIsOut)
{
    fx.modes = 0x10;
    feed(request(0x70));
    EXPECT_EQ(fx.acts[1], "1D awaited");
    Bytes r = reply(0x21, 0x70, {"00", "0000", "0000"});
    relay_take_reply(st, fx, r.data(), uint32_t(r.size()));
    ASSERT_EQ(fx.to_host.size(), 1u);
    EXPECT_EQ(st.held_reply_len, r.size());
    fx.printer_state = 2;
    fx.acts.clear();
    feed(std::string("hello\x1b\x1b"));
    EXPECT_EQ(fx.acts, (std::vector<std::string>{"print 5 hello", "host " + std::to_string(r.size())}));
    ASSERT_EQ(fx.to_host.size(), 2u);
    const Bytes &marked = fx.to_host[1];
    EXPECT_EQ(text(&marked[13], 2), "19");
    EXPECT_TRUE(sum_ok(marked));
    EXPECT_EQ(st.held_reply_len, 0u);
}

TEST_F(HostRelay, RawPrintFailureMarks28)
{
    feed(request(0x70));
    Bytes r = reply(0x21, 0x70, {"00", "0000", "0000"});
    relay_take_reply(st, fx, r.data(), uint32_t(r.size()));
    fx.print_error = 7;
    fx.print_result = -3;
    fx.acts.clear();
    feed(std::string("x\x1b\x1b"));
    EXPECT_EQ(fx.acts, (std::vector<std::string>{"print 1 x", "host " + std::to_string(r.size()),
                                                 "log Ошибка печати: -3", "1D"}));
    EXPECT_EQ(text(&fx.to_host[1][13], 2), "28");
    EXPECT_TRUE(sum_ok(fx.to_host[1]));
}

// ---- controller replies --------------------------------------------------------

TEST_F(HostRelay, OwnCommand1DReplyNeverReachesTheHost)
{
    Bytes r = reply(0x22, 0x1D, {"00", "0000", "0000"});
    st.last_host_command = 0x70;
    relay_take_reply(st, fx, r.data(), uint32_t(r.size()));
    EXPECT_TRUE(fx.to_host.empty());
    EXPECT_EQ(st.bytes_to_host, r.size());
    st.last_host_command = 0x1D;
    relay_take_reply(st, fx, r.data(), uint32_t(r.size()));
    EXPECT_EQ(fx.to_host.size(), 1u);
}

TEST_F(HostRelay, ShortReplyLogsItsFirstByte)
{
    uint8_t ack = 0x06;
    relay_take_reply(st, fx, &ack, 1);
    EXPECT_EQ(fx.acts, (std::vector<std::string>{"host 1", "log Ответ на кор. команду 06"}));
}

TEST_F(HostRelay, Command4CTakesTheHostsWorkModesOnSuccessOnly)
{
    TMCommand cmd;
    cmd.Begin(0x4C);
    cmd.AddWord(0x1234);
    cmd.End();
    feed(Bytes(cmd.FrameData(), cmd.FrameData() + cmd.FrameSize()));
    EXPECT_EQ(st.pending_work_modes, 0x1234);
    Bytes bad = reply(0x21, 0x4C, {"00", "0000", "0500"});
    relay_take_reply(st, fx, bad.data(), uint32_t(bad.size()));
    EXPECT_EQ(fx.modes, 0);
    Bytes good = reply(0x21, 0x4C, {"00", "0000", "0000"});
    relay_take_reply(st, fx, good.data(), uint32_t(good.size()));
    EXPECT_EQ(fx.modes, 0x1234);
}

TEST_F(HostRelay, LongReplyIsHeldWhole)
{
    std::string big(3000, 'A');
    Bytes r = reply(0x21, 0x70, {"00", "0000", "0000", big});
    relay_take_reply(st, fx, r.data(), uint32_t(r.size()));
    EXPECT_EQ(st.held_reply_len, r.size());
    EXPECT_EQ(0, memcmp(st.held_reply, r.data(), r.size()));
}

// ---- the raster ---------------------------------------------------------------

class HostRelayRaster : public HostRelay {
protected:
    // Host 0x4F for a 2-byte wide, 8-row raster, then the controller's 0x70
    // answer to the relay's own request.
    void start()
    {
        Bytes f = request(0x4F, {0, 2, 1});
        feed(f);
        ASSERT_EQ(st.graph_width, 2);
        ASSERT_EQ(st.graph_height, 1);
        ASSERT_GE(fx.acts.size(), 3u);
        // The relay's own request: built-in password, the host's packet id.
        std::string own = fx.acts[1];
        ASSERT_EQ(own.size(), 6u + 14u);
        EXPECT_EQ(own.substr(6, 10), std::string("\x02KVMZ") + char(f[5]) + "70\x1c\x03");
        Bytes ownb = bytes(own.substr(6));
        EXPECT_TRUE(sum_ok(ownb));
        EXPECT_EQ(fx.acts[2], "graph delete");
        Bytes r = reply(f[5], 0x70, {"00", "0000", "0000"});
        relay_take_reply(st, fx, r.data(), uint32_t(r.size()));
        ASSERT_EQ(fx.to_host.size(), 1u);
        EXPECT_EQ(text(&fx.to_host[0][2], 2), "4F");
        EXPECT_TRUE(sum_ok(fx.to_host[0]));
        fx.acts.clear();
    }
};

TEST_F(HostRelayRaster, ArrivesInPiecesAndTheReplyIsRepeated)
{
    start();
    Bytes raster(16);
    for (size_t i = 0; i < raster.size(); ++i)
        raster[i] = uint8_t(i * 17);
    feed(part(raster, 0, 10));
    feed(cat({part(raster, 10, 16), bytes("\x10\x31")}));
    EXPECT_EQ(fx.graph, raster);
    EXPECT_EQ(fx.acts, (std::vector<std::string>{"graph 10 new", "graph 6 append", "host " +
                                                     std::to_string(fx.to_host[0].size()),
                                                 "graph done 2x1", "log Уст. граф.заголовок 16x8",
                                                 "frame \x10\x31", "log Кор. команда: 1031"}));
    ASSERT_EQ(fx.to_host.size(), 2u);
    EXPECT_EQ(fx.to_host[1], fx.to_host[0]);
    EXPECT_EQ(st.graph_width, 0);
}

TEST_F(HostRelayRaster, PartialWritesGoOn)
{
    start();
    fx.write_limit = 5;
    feed(Bytes(16, 0xAA));
    EXPECT_EQ(fx.graph.size(), 16u);
    EXPECT_EQ(fx.acts[3], "graph 1 append");
    EXPECT_EQ(st.host_count, 0u);
}

TEST_F(HostRelayRaster, FailedWriteMarksTheHeldReply02)
{
    start();
    fx.write_limit = -1;
    feed(Bytes(4, 0xAA));
    EXPECT_EQ(fx.acts[0], "log Сбой -1 граф.заголовок");
    ASSERT_EQ(fx.to_host.size(), 2u);
    EXPECT_EQ(text(&fx.to_host[1][13], 2), "02");
    EXPECT_TRUE(sum_ok(fx.to_host[1]));
    EXPECT_EQ(st.graph_width, 0);
    EXPECT_EQ(st.held_reply_len, 0u);
    EXPECT_EQ(st.host_count, 0u); // no frame in them: skipped
}

// A client gone: what it left behind goes, so the next client's bytes
// are read by the rules from a clean start; the counters and the work
// modes asked for stay.
TEST_F(HostRelayRaster, AClientsEndDropsWhatItLeftBehind)
{
    const struct {
        const char *what;
        bool raster; // a raster announced, some of it in
        Bytes left;  // then these bytes
    } cases[] = {
        {"half a frame", false, part(request(0x45), 0, 7)},
        {"a raster under way", true, Bytes(5, 0xAA)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        relay_reset(st);
        fx = Recorder();
        if (c.raster)
            start();
        feed(c.left);
        st.pending_work_modes = 0x10;
        const uint32_t from = st.bytes_from_host, to = st.bytes_to_host;
        relay_end_client(st, fx);
        EXPECT_EQ(st.host_count, 0u);
        EXPECT_EQ(st.last_host_command, 0);
        EXPECT_EQ(st.held_reply_len, 0u);
        EXPECT_EQ(st.graph_width, 0);
        EXPECT_EQ(st.graph_height, 0);
        EXPECT_EQ(st.bytes_from_host, from);
        EXPECT_EQ(st.bytes_to_host, to);
        EXPECT_EQ(st.pending_work_modes, 0x10);
        EXPECT_EQ(fx.graph.empty(), true) << "no partial picture stays";
        // the next client's frame goes to the controller whole
        fx.acts.clear();
        Bytes next = request(0x45);
        feed(next);
        const std::string whole = "frame " + text(next.data(), uint32_t(next.size()));
        EXPECT_NE(std::find(fx.acts.begin(), fx.acts.end(), whole), fx.acts.end());
        for (const std::string &a : fx.acts)
            EXPECT_EQ(a.rfind("graph", 0), std::string::npos) << "not picture data: " << a;
        EXPECT_EQ(st.host_count, 0u);
    }
}

TEST(FrameCommandCode, ShortLongAndInvalid)
{
    Bytes f = request(0x45);
    EXPECT_EQ(frame_command_code(f.data(), uint32_t(f.size())), 0x45);
    f[3] ^= 1;
    EXPECT_EQ(frame_command_code(f.data(), uint32_t(f.size())), -1);
    const uint8_t dle[] = {0x10, 0x31};
    EXPECT_EQ(frame_command_code(dle, 2), 0x1031);
    EXPECT_EQ(frame_command_code(dle, 1), 0x1000);
}

} // namespace
