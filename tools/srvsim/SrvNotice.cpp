#include "SrvNotice.h"

namespace srvsim {

namespace {

const char kMagic[] = "NTFY";
const char kReceiptMagic[] = "NTFR";

uint32_t Byte(const std::string &b, size_t at)
{
    return static_cast<uint8_t>(b[at]);
}

} // namespace

bool IsNotice(const std::string &body)
{
    return body.size() >= 8 && body.compare(4, 4, kMagic) == 0;
}

bool ReadNotice(const std::string &body, Notice *out, std::string *why)
{
    if (!IsNotice(body) || body.size() < kNoticeMin) {
        *why = "a notification of " + std::to_string(body.size()) + " bytes (at least 32)";
        return false;
    }
    const size_t length = Byte(body, 0) | Byte(body, 1) << 8;
    if (length != body.size()) {
        *why = "a notification whose length bytes say " + std::to_string(length) + " in a body of " +
               std::to_string(body.size());
        return false;
    }
    out->number = Byte(body, 8) | Byte(body, 9) << 8 | Byte(body, 10) << 16 | Byte(body, 11) << 24;
    out->fnField = body.substr(12, 16);
    return true;
}

std::string NoticeReceipt(const Notice &notice)
{
    std::string r;
    r += static_cast<char>(kNoticeReceiptSize);
    r += '\0';
    r += std::string(2, '\0');
    r += kReceiptMagic;
    for (int i = 0; i < 4; ++i)
        r += static_cast<char>(notice.number >> (8 * i));
    r += notice.fnField;
    return r;
}

} // namespace srvsim
