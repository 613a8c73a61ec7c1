// The line follower of the trace-polling tests, on real files: only whole
// lines, each once, in order; a replaced or shortened file is followed from
// its start again.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <fstream>
#include <string>
#include <vector>

#include "LineTail.h"

namespace {

class LineTailTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/line_tail_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        path = dir + "/trace.jsonl";
        tail.Reset(path);
    }
    void TearDown() override { (void)system(("rm -rf '" + dir + "'").c_str()); }

    void Append(const std::string &text) { std::ofstream(path, std::ios::app | std::ios::binary) << text; }

    std::string dir, path;
    linetail::LineTail tail;
    std::vector<std::string> lines;
};

TEST_F(LineTailTest, TakesEachWholeLineOnceAndHoldsBackAHalfWrittenOne)
{
    EXPECT_FALSE(tail.ReadNew(lines)) << "no file yet";
    EXPECT_TRUE(lines.empty());
    Append("{\"a\":1}\n{\"b\":");
    EXPECT_FALSE(tail.ReadNew(lines));
    EXPECT_EQ(lines, std::vector<std::string>({"{\"a\":1}"}));
    Append("2}\n\n{\"c\":3}\n");
    EXPECT_FALSE(tail.ReadNew(lines));
    EXPECT_EQ(lines, std::vector<std::string>({"{\"a\":1}", "{\"b\":2}", "", "{\"c\":3}"}));
    EXPECT_FALSE(tail.ReadNew(lines));
    EXPECT_EQ(lines.size(), 4u) << "nothing new, nothing added";
    // More than one read's buffer at once.
    std::string big(200000, 'x');
    Append(big + "\nend\n");
    tail.ReadNew(lines);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[4], big);
    EXPECT_EQ(lines[5], "end");
}

TEST_F(LineTailTest, AFileReplacedCutOrRemovedIsFollowedFromItsStart)
{
    const struct {
        const char *name;
        std::string change; // a shell command on $F
        std::vector<std::string> after;
    } cases[] = {
        {"replaced", "printf 'new 1\\nnew 2\\nnew 3\\nnew 4\\n' > \"$F.tmp\" && mv \"$F.tmp\" \"$F\"",
         {"new 1", "new 2", "new 3", "new 4"}},
        {"cut", "printf 'n\\n' > \"$F\"", {"n"}},
        {"removed", "rm \"$F\"", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        tail.Reset(path);
        lines.clear();
        std::ofstream(path, std::ios::trunc) << "old 1\nold 2\n";
        tail.ReadNew(lines);
        ASSERT_EQ(lines, std::vector<std::string>({"old 1", "old 2"}));
        ASSERT_EQ(system(("F='" + path + "'; " + c.change).c_str()), 0);
        EXPECT_TRUE(tail.ReadNew(lines));
        EXPECT_EQ(lines, c.after);
    }
}

} // namespace
