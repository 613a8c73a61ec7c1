// The header a document goes with: the FFD byte from the document's tag 1209
// (else the registered version), the drive's number padded with spaces.
#include <gtest/gtest.h>

#include "kfn_state.h"
#include "ofd_worker.h"

#include <string.h>

#include <string>
#include <vector>

namespace {

// A document: 32-byte message header, own tag and length, then the tags.
std::vector<uint8_t> doc(const std::vector<std::vector<uint8_t>> &tags, int ownLength = -1)
{
    std::vector<uint8_t> body;
    for (auto &t : tags)
        body.insert(body.end(), t.begin(), t.end());
    std::vector<uint8_t> d(32, 0);
    uint16_t own = static_cast<uint16_t>(ownLength < 0 ? body.size() : ownLength);
    d.insert(d.end(), {3, 0, static_cast<uint8_t>(own & 0xFF), static_cast<uint8_t>(own >> 8)});
    d.insert(d.end(), body.begin(), body.end());
    return d;
}

std::vector<uint8_t> tag(uint16_t t, std::vector<uint8_t> v)
{
    std::vector<uint8_t> o = {static_cast<uint8_t>(t & 0xFF), static_cast<uint8_t>(t >> 8),
                              static_cast<uint8_t>(v.size() & 0xFF), static_cast<uint8_t>(v.size() >> 8)};
    o.insert(o.end(), v.begin(), v.end());
    return o;
}

TEST(OfdHeader, TheFfdVersionIsTheFirstTag1209OfOneByte)
{
    const std::vector<uint8_t> t1209_3 = tag(1209, {3}), t1209_4 = tag(1209, {4});
    const struct {
        const char *what;
        std::vector<uint8_t> document;
        int ffd;
    } cases[] = {
        {"first of two", doc({tag(1040, {1, 0, 0, 0}), t1209_3, t1209_4}), 3},
        {"one of two bytes is skipped", doc({tag(1209, {9, 9}), t1209_4}), 4},
        {"none", doc({tag(1040, {1, 0, 0, 0})}), -1},
        {"a tag running past the end stops the scan", doc({tag(1084, std::vector<uint8_t>(10, 0))}, 6), -1},
        {"own length past the end", doc({t1209_3}, 100), -1},
        {"too short", std::vector<uint8_t>(35, 0), -1},
        {"a broken tag before it", [] {
             std::vector<uint8_t> d = doc({tag(1084, {1}), tag(1209, {3})});
             d[38] = 0xFF; // tag 1084 claims 255 bytes
             return d;
         }(), -1},
    };
    for (auto &c : cases)
        EXPECT_EQ(ofd_ffd_from_container(c.document.data(), static_cast<uint32_t>(c.document.size())), c.ffd)
            << c.what;
}

TEST(OfdHeader, PrefixNumberAndLength)
{
    strcpy(kfn_state.fn_number, "12345");
    kfn_state.ffd_version = 3; // registered FFD 1.1
    const struct {
        std::vector<uint8_t> document;
        uint8_t byte7;
    } cases[] = {
        {doc({tag(1209, {2})}), 0x05},
        {doc({tag(1209, {4})}), 0x20},
        {doc({tag(1209, {7})}), 0x20},
        {doc({}), 0x10}, // none in the document: the registered version
    };
    for (auto &c : cases) {
        ofd_make_header(c.document.data(), static_cast<uint32_t>(c.document.size()));
        const uint8_t prefix[7] = {0x2A, 0x08, 0x41, 0x0A, 0x81, 0xA2, 0x01};
        EXPECT_EQ(memcmp(ofd_worker.header, prefix, 7), 0);
        EXPECT_EQ(ofd_worker.header[7], c.byte7);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(ofd_worker.header + 8), 16), "12345           ");
        EXPECT_EQ(ofd_worker.header[24] | (ofd_worker.header[25] << 8), static_cast<int>(c.document.size()));
        EXPECT_EQ(ofd_worker.header[26], 0x14);
        EXPECT_EQ(ofd_worker.header[27] | ofd_worker.header[28] | ofd_worker.header[29], 0);
    }
}

} // namespace
