// The registration record filled from reply frames, for each registered
// FFD version: the totals' fields, the tags as text, byte or double word,
// trimming, cutting, failed reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "KktFrame.h"
#include "KktText.h"
#include "TMCommand.h"
#include "registration_record.h"

namespace {

// A drive that answers 0x8F and 0x88 from tables; everything else fails.
struct FakeDrive {
    int totalsError = 0;
    std::vector<std::string> totals; // fields from 5, UTF-8
    std::map<uint16_t, std::string> tags;
    std::vector<uint16_t> asked;

    static int Exec(TMCommand *cmd, void *context)
    {
        FakeDrive &d = *static_cast<FakeDrive *>(context);
        kktsim::Reply r;
        r.id = static_cast<uint8_t>(cmd->PacketId());
        r.code = static_cast<uint8_t>(cmd->CommandCode());
        if (r.code == 0x8F) {
            r.error = static_cast<uint8_t>(d.totalsError);
            if (!r.error)
                for (const std::string &f : d.totals)
                    r.data.push_back(kktsim::Utf8ToCp866(f));
        } else if (r.code == 0x88) {
            char tag[5] = "";
            cmd->FieldText(1, tag, sizeof tag);
            uint16_t number = HexWordLE(tag);
            d.asked.push_back(number);
            auto it = d.tags.find(number);
            if (it == d.tags.end())
                r.error = 0x78;
            else
                r.data.push_back(kktsim::Utf8ToCp866(it->second));
        } else {
            return -7;
        }
        std::string frame = kktsim::BuildReply(r);
        if (cmd->Accept(frame.data(), static_cast<uint32_t>(frame.size())) < 0)
            return -5;
        return r.error;
    }
};

// The totals of a registration: date, INN and number padded with spaces,
// tax systems, work modes, document, fiscal sign, two empty fields, the
// reason codes.
FakeDrive Drive(const char *modes)
{
    FakeDrive d;
    d.totals = {"0102261530", "7701234567  ", "0000000001012345    ", "05", modes, "07000000", "15CD5B07", "", "",
                "02000080"};
    d.tags = {
        {1041, "9999078900012345"}, {1013, "0000000000123456"},
        {1046, u8"ОФД \"Я\""},      {1017, "7704358518  "},
        {1021, u8"Иванов И.И."},    {1203, "771234567890"},
        {1048, u8"ООО \"РОМАШКА\""}, {1117, ""},
        {1009, u8"г. Москва"},      {1187, u8"Магазин"},
        {1060, "www.nalog.gov.ru"}, {1036, "A17   "},
        {1207, "01"},               {1193, "00"},
        {1126, "01"},               {1057, "11"},
        {1290, "00070100"},         {1274, u8"ОСН"},
        {1275, u8"ДАННЫЕ"},
    };
    return d;
}

TEST(RegistrationRecordFill, Ffd105And11FromTheTotalsAndTheirTags)
{
    for (int version : {2, 3, 0}) {
        SCOPED_TRACE(version);
        FakeDrive d = Drive("03");
        d.tags.erase(1203); // a failed tag leaves its field empty
        RegistrationRecord r;
        memset(&r, 0x55, sizeof r);
        registration_record_fill(&r, version, FakeDrive::Exec, &d);
        EXPECT_EQ(r.filled, 1u);
        EXPECT_STREQ(r.fd_number, "7");
        EXPECT_STREQ(r.fiscal_sign, "123456789");
        EXPECT_STREQ(r.date_time, "01.02.26 15:30");
        EXPECT_STREQ(r.user_inn, "7701234567");
        EXPECT_STREQ(r.reg_number, "0000000001012345");
        EXPECT_EQ(r.tax_systems, 0x05);
        EXPECT_EQ(r.reason_codes, 0x80000002u);
        // Field 9, then the excise and lottery tags.
        EXPECT_EQ(r.work_modes, 0x03 | 0x40 | 0x100);
        EXPECT_EQ(r.usage_flags, 0);
        EXPECT_EQ(r.agent, 0x11u);
        EXPECT_STREQ(r.fn_number, "9999078900012345");
        EXPECT_STREQ(r.kkt_serial, "0000000000123456");
        EXPECT_STREQ(r.ofd_name, "ОФД \"Я\"");
        EXPECT_STREQ(r.ofd_inn, "7704358518");
        EXPECT_STREQ(r.cashier, "Иванов И.И.");
        EXPECT_STREQ(r.cashier_inn, "");
        EXPECT_STREQ(r.user_name, "ООО \"РОМАШКА\"");
        EXPECT_STREQ(r.sender_email, "");
        EXPECT_STREQ(r.address, "г. Москва");
        EXPECT_STREQ(r.place, "Магазин");
        EXPECT_STREQ(r.fns_site, "www.nalog.gov.ru");
        EXPECT_STREQ(r.automat_number, "A17");
        EXPECT_STREQ(r.tag_1274, "");
        EXPECT_EQ(std::count(d.asked.begin(), d.asked.end(), 1290), 0);
    }
}

// FFD 1.2: tag 1290 over both lists; encryption, autonomous and automatic
// mode, which 1290 cannot give, from the totals' work-mode byte.
TEST(RegistrationRecordFill, Ffd12ReadsTag1290AndKeepsTheModesOfTheTotals)
{
    FakeDrive d = Drive("07");
    RegistrationRecord r;
    registration_record_fill(&r, 4, FakeDrive::Exec, &d);
    EXPECT_EQ(r.filled, 1u);
    EXPECT_EQ(r.usage_flags, 0x02 | 0x40);                    // 0x100 marking, 0x10000 wholesale
    EXPECT_EQ(r.work_modes, 0x07 | 0x08 | 0x80);              // 0x200 services, 0x400 gambling
    EXPECT_EQ(r.agent, 0u);
    EXPECT_STREQ(r.tag_1274, "ОСН");
    EXPECT_STREQ(r.tag_1275, "ДАННЫЕ");
    EXPECT_EQ(std::count(d.asked.begin(), d.asked.end(), 1207), 0);
    EXPECT_EQ(std::count(d.asked.begin(), d.asked.end(), 1057), 0);

    // The totals' byte has bits the 1290 mapping owns: they are not taken.
    d = Drive("FF");
    d.tags[1290] = "00000000";
    registration_record_fill(&r, 4, FakeDrive::Exec, &d);
    EXPECT_EQ(r.work_modes, 0x07);
}

TEST(RegistrationRecordFill, FailedTotalsLeaveTheRecordClearedAndUnfilled)
{
    FakeDrive d = Drive("03");
    d.totalsError = 0x1A;
    RegistrationRecord r;
    memset(&r, 0x55, sizeof r);
    registration_record_fill(&r, 2, FakeDrive::Exec, &d);
    RegistrationRecord zero;
    memset(&zero, 0, sizeof zero);
    EXPECT_EQ(memcmp(&r, &zero, sizeof r), 0);
    EXPECT_TRUE(d.asked.empty());
}

// Texts longer than their fields are cut inside them; a short or odd
// totals field reads as far as it goes.
TEST(RegistrationRecordFill, LongAndShortValues)
{
    FakeDrive d = Drive("3");
    d.totals[0] = "010226";
    d.totals[3] = "5";
    d.totals[9] = "02";
    d.tags[1017] = "77043585181234567890";
    d.tags[1021] = std::string(300, 'X');
    d.tags[1117] = "kassa@example.ru";
    d.tags[1207] = "1";
    RegistrationRecord r;
    registration_record_fill(&r, 3, FakeDrive::Exec, &d);
    EXPECT_STREQ(r.date_time, "");
    EXPECT_EQ(r.tax_systems, 0);
    EXPECT_EQ(r.work_modes, 0x100); // "3" is no byte; 1207 "1" neither
    EXPECT_EQ(r.reason_codes, 0x2u);
    EXPECT_STREQ(r.ofd_inn, "7704358518123");
    EXPECT_EQ(std::string(r.cashier), std::string(65, 'X'));
    EXPECT_STREQ(r.sender_email, "kassa@example.ru");
}

} // namespace
