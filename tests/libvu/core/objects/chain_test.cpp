#include <gtest/gtest.h>

#include "probe.h"
#include "vuChain.h"

namespace {

TEST(Chain, PositionsAndLookups) {
    DeathLog log;
    vuChain chain;
    Probe* a = new Probe(&log, "a");
    Probe* b = new Probe(&log, "b");
    Probe* c = new Probe(&log, "c");
    Probe* front = new Probe(&log, "front");
    Probe stranger(nullptr, "stranger");

    EXPECT_EQ(chain.GetNumOf(a), 0xFFFF);  // empty list
    EXPECT_EQ(chain.GetFirst(), nullptr);
    EXPECT_EQ(chain.Add(a), 0);
    EXPECT_EQ(chain.Add(b), 1);
    EXPECT_EQ(chain.Add(c), 2);
    EXPECT_EQ(chain.Insert(front), 0);
    EXPECT_EQ(chain.GetCount(), 4u);

    EXPECT_EQ(chain.GetFirst(), front);
    EXPECT_EQ(chain.GetNext(front), a);
    EXPECT_EQ(chain.GetNext(c), nullptr);
    EXPECT_EQ(chain.GetNext(&stranger), nullptr);
    EXPECT_EQ(chain.GetNumOf(c), 3);
    EXPECT_EQ(chain.GetNumOf(&stranger), 0xFFFF);
    EXPECT_EQ(chain.GetByNum(0), front);
    EXPECT_EQ(chain.GetByNum(3), c);
    EXPECT_EQ(chain.GetByNum(4), nullptr);
    EXPECT_TRUE(log.dead.empty());
}

TEST(Chain, GetByNameSkipsUnnamedAndTakesFirstMatch) {
    DeathLog log;
    vuChain chain;
    Probe* unnamed = new Probe(&log, "unnamed");
    Probe* first = new Probe(&log, "first");
    Probe* second = new Probe(&log, "second");
    first->SetName("ok");
    second->SetName("ok");
    chain.Add(nullptr);  // a null entry is allowed and must be skipped too
    chain.Add(unnamed);
    chain.Add(first);
    chain.Add(second);
    EXPECT_EQ(chain.GetByName("ok"), first);
    EXPECT_EQ(chain.GetByName("o"), nullptr);
    EXPECT_EQ(chain.GetByName(nullptr), nullptr);
    EXPECT_EQ(chain.GetCount(), 4u);
}

TEST(Chain, DelDeletesUnlinkDoesNot) {
    DeathLog log;
    Probe* kept = new Probe(&log, "kept");
    {
        vuChain chain;
        Probe* gone = new Probe(&log, "gone");
        chain.Add(kept);
        chain.Add(gone);
        EXPECT_EQ(chain.Unlink(kept), 0);
        EXPECT_EQ(chain.Del(kept), -1);
        EXPECT_EQ(chain.Unlink(kept), -1);
        EXPECT_TRUE(log.dead.empty());
        EXPECT_EQ(chain.Del(gone), 0);
        EXPECT_EQ(log.dead, std::vector<std::string>{"gone"});
        EXPECT_EQ(chain.GetCount(), 0u);
        EXPECT_EQ(chain.GetFirst(), nullptr);
    }
    // The unlinked object survived the chain and is still usable.
    kept->SetName("still here");
    EXPECT_STREQ(kept->GetName(), "still here");
    EXPECT_EQ(log.count("kept"), 0);
    delete kept;
}

TEST(Chain, ClearAndDestructorDeleteEveryObjectOnce) {
    DeathLog log;
    {
        vuChain chain;
        chain.Add(new Probe(&log, "x"));
        chain.Add(nullptr);
        chain.Add(new Probe(&log, "y"));
        chain.Clear();
        EXPECT_EQ(chain.GetCount(), 0u);
        EXPECT_EQ((std::vector<std::string>{"x", "y"}), log.dead);
        chain.Add(new Probe(&log, "z"));
    }
    EXPECT_EQ(log.count("z"), 1);
}

// The same object added twice must not get a second node: the chain would
// delete it twice (caught by the sanitizer build) and count it twice.
TEST(Chain, ObjectHeldOnceWhateverTheAddOrder) {
    struct Case {
        const char* name;
        int (vuChain::*first)(vuObject*);
        int (vuChain::*again)(vuObject*);
    };
    const Case cases[] = {
        {"add, add", &vuChain::Add, &vuChain::Add},
        {"add, insert", &vuChain::Add, &vuChain::Insert},
        {"insert, add", &vuChain::Insert, &vuChain::Add},
        {"insert, insert", &vuChain::Insert, &vuChain::Insert},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeathLog log;
        {
            vuChain chain;
            Probe* other = new Probe(&log, "other");
            Probe* twice = new Probe(&log, "twice");
            chain.Add(other);
            (chain.*c.first)(twice);
            int pos = chain.GetNumOf(twice);
            EXPECT_EQ((chain.*c.again)(twice), pos);
            EXPECT_EQ(chain.GetCount(), 2u);
            EXPECT_EQ(chain.GetNumOf(twice), pos);
        }
        EXPECT_EQ(log.count("twice"), 1);
        EXPECT_EQ(log.count("other"), 1);
    }
}

TEST(Chain, SizeCountsEveryNode) {
    DeathLog log;
    vuChain chain;
    EXPECT_EQ(chain.GetSize(), 8);
    chain.Add(new Probe(&log, "a"));
    chain.Add(new Probe(&log, "b"));
    EXPECT_EQ(chain.GetSize(), 8 + 2 * (20 + 8));
}

// A plain object counts 4 bytes.
TEST(Chain, SizeOfPlainObject) {
    vuChain chain;
    chain.Add(new vuObject);
    EXPECT_EQ(chain.GetSize(), 8 + 4 + 8);
}

}  // namespace
