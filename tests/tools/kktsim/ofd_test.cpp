// The fiscal drive's documents waiting for the OFD: read out in pieces,
// acknowledged or refused by the OFD's answer, the OFD server's record, and
// the state file with and without them.
#include "JsonLines.h"
#include "ModelFixture.h"

#include <string.h>

namespace {

using modeltest::Exec;
using modeltest::ModelTest;
using modeltest::Result;

std::string hexOf(const std::string &bytes)
{
    return jsonl::Hex(bytes);
}

class OfdModel : public ModelTest {
protected:
    // Reads the oldest waiting document through 0x5A, 0x5B in pieces of at
    // most 256 bytes, and 0x5D.
    std::string ReadDocument()
    {
        TMCommand c;
        EXPECT_GT(c.FNReadStart(), 0);
        Result r = Exec(c);
        EXPECT_EQ(r.error, 0);
        uint16_t size = c.FieldWord(5);
        std::string doc;
        while (doc.size() < size) {
            uint16_t piece = static_cast<uint16_t>(std::min<size_t>(256, size - doc.size()));
            EXPECT_GT(c.FNRead(static_cast<uint16_t>(doc.size()), piece), 0);
            r = Exec(c);
            EXPECT_EQ(r.error, 0);
            std::string bytes(piece, '\0');
            EXPECT_EQ(c.FieldBytes(5, reinterpret_cast<uint8_t *>(&bytes[0]), piece), piece);
            doc += bytes;
        }
        EXPECT_GT(c.FNReadClose(), 0);
        EXPECT_EQ(Exec(c).error, 0);
        return doc;
    }
    Result Script(const std::string &answer)
    {
        TMCommand c;
        EXPECT_GT(c.FNReadScript(answer.data(), static_cast<int>(answer.size())), 0);
        Result r = Exec(c);
        word5 = c.FieldWord(5);
        return r;
    }
    uint16_t Waiting()
    {
        TMCommand c;
        EXPECT_GT(c.GetWaitDocs(), 0);
        EXPECT_EQ(Exec(c).error, 0);
        return c.FieldWord(5);
    }
    uint16_t word5 = 0;

public:
    kktsim::Simulator &Sim() { return *sim_; }
};

TEST_F(OfdModel, ADocumentIsReadInPiecesAndGoesWithTheAcknowledgement)
{
    Start("registered.scn", "drive last-document 7\ndrive ofd-documents 2 600\n");
    TMCommand c;
    ASSERT_GT(c.FNGetCommStatus(), 0);
    Result r = Exec(c);
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(c.FieldByte(5), 0x02) << "not connected, no read open, messages waiting";
    EXPECT_EQ(c.FieldWord(7), 2);
    EXPECT_EQ(c.FieldDword(8), 8u) << "the oldest waiting";
    ASSERT_GT(c.SetOFDConnStatus(1), 0);
    ASSERT_EQ(Exec(c).error, 0);

    std::string doc = ReadDocument();
    ASSERT_EQ(doc.size(), 600u);
    kktsim::DriveState st = sim_->Drive();
    ASSERT_EQ(st.ofd.documents.size(), 2u);
    EXPECT_EQ(doc, st.ofd.documents[0].body);
    // own tag and length, then tag 1040 = 8 and tag 1209 = 2 (FFD 1.05)
    EXPECT_EQ(hexOf(doc.substr(36, 8)), "1004040008000000");
    EXPECT_NE(doc.find(std::string("\xB9\x04\x01\x00\x02", 5)), std::string::npos);

    r = Script("SRVSIM ACK 9999078900012345 8\n");
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(word5, 0);
    EXPECT_EQ(Waiting(), 1);
    EXPECT_EQ(sim_->Drive().ofd.documents.front().number, 9u);
    // the next one, padded as a long answer would be
    ReadDocument();
    r = Script(std::string("SRVSIM ACK 9999078900012345 9\n") + std::string(2000, '\0'));
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(Waiting(), 0);
    jsonl::Json state;
    ASSERT_TRUE(jsonl::Parse(modeltest::StoredState(sim_->StatePath()), &state));
    EXPECT_TRUE(state["ofd"]["documents"].empty());
    EXPECT_EQ(state["ofd_waiting"], 0);
}

TEST_F(OfdModel, TheOfdsRefusalGivesItsCodeAndMessageAndTheDocumentStays)
{
    Start("registered.scn", "drive ofd-documents 1\n");
    ReadDocument();
    Result r = Script(u8"SRVSIM ERR 14 ДОКУМЕНТ НЕ ПРИНЯТ\n");
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(word5, 14);
    EXPECT_EQ(r.Field(6), u8"ДОКУМЕНТ НЕ ПРИНЯТ");
    EXPECT_EQ(Waiting(), 1);
}

TEST_F(OfdModel, WhatDoesNotFitTheReadIsRefusedAndJournaledWithItsReason)
{
    Start("registered.scn", "drive last-document 3\ndrive ofd-documents 1 100\n");
    struct Step {
        const char *what;
        std::function<int(TMCommand &)> build;
        int error;
        const char *note; // part of the journal's note
    };
    const std::vector<Step> steps = {
        {"answer before any read", [](TMCommand &c) { return c.FNReadScript("SRVSIM ACK 9999078900012345 4\n", 30); },
         0x0D, "without a document read"},
        {"piece without a read", [](TMCommand &c) { return c.FNRead(0, 10); }, 0x08, "without a read open"},
        {"close without a read", [](TMCommand &c) { return c.FNReadClose(); }, 0x08, "without a read open"},
        {"read start", [](TMCommand &c) { return c.FNReadStart(); }, 0, nullptr},
        {"piece past the end", [](TMCommand &c) { return c.FNRead(90, 11); }, 0x02, "passes the 100-byte document"},
        {"read close", [](TMCommand &c) { return c.FNReadClose(); }, 0, nullptr},
        {"another document's acknowledgement",
         [](TMCommand &c) { return c.FNReadScript("SRVSIM ACK 9999078900012345 3\n", 30); }, 0x02, "not the document read"},
        {"another drive's acknowledgement",
         [](TMCommand &c) { return c.FNReadScript("SRVSIM ACK 9999078900099999 4\n", 30); }, 0x02, "not the document read"},
        {"an answer not understood", [](TMCommand &c) { return c.FNReadScript("\x01\x02\x03", 3); }, 0x02,
         "not understood"},
        {"an unknown server index", [](TMCommand &c) { return c.GetServer(3); }, 0x02, "index 03 is not known"},
    };
    for (const Step &s : steps) {
        TMCommand c;
        ASSERT_GT(s.build(c), 0) << s.what;
        EXPECT_EQ(Exec(c).error, s.error) << s.what;
    }
    EXPECT_EQ(Waiting(), 1) << "the document stays";
    sim_->Sync();
    std::string journal = modeltest::ReadFile(sim_->JournalPath());
    for (const Step &s : steps) {
        if (s.note) {
            EXPECT_NE(journal.find(s.note), std::string::npos) << s.what;
        }
    }
}

TEST_F(OfdModel, NothingWaitingIsNoRead)
{
    Start();
    TMCommand c;
    ASSERT_GT(c.FNReadStart(), 0);
    EXPECT_EQ(Exec(c).error, 0x08);
    ASSERT_GT(c.FNGetCommStatus(), 0);
    ASSERT_EQ(Exec(c).error, 0);
    EXPECT_EQ(c.FieldWord(7), 0);
}

// The three server records: the OFD's without an index or with index 0, the
// marking server's (1) and the key service's (2); 0x66 writes the one its
// index names and the state file keeps them.
TEST_F(OfdModel, EachServerRecordIsReadAndWrittenByItsIndex)
{
    Start("registered.scn", "drive ofd-host ofd.example.test\ndrive ofd-port 7777\ndrive ofd-times 300 40 50\n"
                            "drive oism-server oism.example.test 8888\ndrive keys-times 10 20 30\n");
    struct Case {
        int index; // -1: the OFD's own command without an index
        uint16_t port, period, recv, send;
        const char *host;
    };
    const Case before[] = {{-1, 7777, 300, 40, 50, "ofd.example.test"},
                           {0, 7777, 300, 40, 50, "ofd.example.test"},
                           {1, 8888, 60, 30, 30, "oism.example.test"},
                           {2, 0, 10, 20, 30, ""}};
    auto expectRecord = [&](const Case &k) {
        TMCommand c;
        ASSERT_GT(k.index < 0 ? c.OFDGetParam() : c.GetServer(static_cast<uint8_t>(k.index)), 0);
        Result r = Exec(c);
        ASSERT_EQ(r.error, 0) << "index " << k.index;
        EXPECT_EQ(c.FieldWord(5), k.port) << "index " << k.index;
        EXPECT_EQ(c.FieldWord(6), k.period);
        EXPECT_EQ(c.FieldWord(7), k.recv);
        EXPECT_EQ(c.FieldWord(8), k.send);
        EXPECT_EQ(r.Field(9), k.host);
    };
    for (const Case &k : before)
        expectRecord(k);

    TMCommand c;
    ASSERT_GT(c.SetServer("keys.example.test", 9999, 70, 80, 90, 2), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.SetOFDServer("ofd2.example.test", 7000, 1, 2, 3), 0);
    ASSERT_EQ(Exec(c).error, 0);
    const Case after[] = {{-1, 7000, 1, 2, 3, "ofd2.example.test"},
                          {1, 8888, 60, 30, 30, "oism.example.test"},
                          {2, 9999, 70, 80, 90, "keys.example.test"}};
    for (const Case &k : after)
        expectRecord(k);

    kktsim::DriveState reread;
    std::string error;
    ASSERT_TRUE(reread.FromJson(State(), &error)) << error;
    EXPECT_EQ(reread.ofd.keys.host, "keys.example.test");
    EXPECT_EQ(reread.ofd.keys.sendTimeout, 90);
    EXPECT_EQ(reread.ofd.oism.port, 8888);
    EXPECT_EQ(reread.ofd.server.port, 7000);

    ASSERT_GT(c.SetServer("x", 1, 1, 1, 1, 3), 0);
    EXPECT_EQ(Exec(c).error, 0x02) << "an unknown index writes nothing";
}

// A shift opening makes a fiscal document: it waits with its number, and
// with tag 1209 (FFD 1.2) unless the scenario leaves it out.
void OpenShiftMakesAWaitingDocument(OfdModel &t, bool tag1209)
{
    TMCommand c;
    ASSERT_GT(c.OpenShift("Кассир", "", "", "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    kktsim::DriveState st = t.Sim().Drive();
    ASSERT_EQ(st.ofd.documents.size(), 1u);
    EXPECT_EQ(st.ofdWaiting, 1);
    EXPECT_EQ(st.ofd.documents[0].number, st.lastDocument);
    const std::string &body = st.ofd.documents[0].body;
    EXPECT_EQ(body.find(std::string("\xB9\x04\x01\x00\x04", 5)) != std::string::npos, tag1209);
}

TEST_F(OfdModel, EveryFiscalDocumentWaitsWithItsNumberAndTag1209)
{
    Start("registered.scn", "drive ffd 1.2\n");
    OpenShiftMakesAWaitingDocument(*this, true);
}

TEST_F(OfdModel, AScenarioMayLeaveTag1209Out)
{
    Start("registered.scn", "drive ffd 1.2\ndrive ofd-tag1209 no\n");
    OpenShiftMakesAWaitingDocument(*this, false);
}

TEST_F(OfdModel, AStateFileWithoutDocumentsReadsWithItsWaitingCount)
{
    Start("registered.scn", "drive ofd-documents 1\n");
    EXPECT_EQ(Waiting(), 1);
    std::string path = sim_->StatePath(), former = sim_->FormerStatePath();
    sim_.reset();
    jsonl::Json state;
    ASSERT_TRUE(jsonl::Parse(modeltest::StoredState(path), &state));
    state.erase("ofd");
    state["ofd_waiting"] = 3;
    {
        // a state file of the former shape, the store gone
        for (const std::string &f : kktsim::DriveStore::Files(path))
            std::remove(f.c_str());
        std::ofstream out(former, std::ios::trunc);
        out << jsonl::DumpIndented(state);
    }
    kktsim::Simulator next;
    std::string error;
    next.Update([&](kktsim::Scenario &s) { kktsim::ParseScenario("drive on\n", s, &error); });
    ASSERT_TRUE(next.StartDrive(&error)) << error;
    kktsim::DriveState st = next.Drive();
    EXPECT_EQ(st.ofdWaiting, 3);
    ASSERT_EQ(st.ofd.documents.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(st.ofd.documents[i].number, st.lastDocument - 2 + i) << "the last ones made";
}

} // namespace
