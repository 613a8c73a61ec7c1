#include "vuIPInput.h"

#include <stdio.h>
#include <string.h>

#include "vuEvent.h"
#include "vuUtils.h"

namespace {

const char kPattern[] = "###.###.###.###";
const unsigned short kFirstOctet = 2;
const unsigned short kLastOctet = 11;

}

vuIPInput::vuIPInput(short x_, short y_, unsigned short w, unsigned short h, unsigned short opts)
    : vuPatternInput(x_, y_, w, h, static_cast<unsigned short>(opts | VU_IN_NUMERIC), kPattern), octets{0, 0, 0, 0}
{
    // Shows 0.0.0.0 from the start rather than an empty picture.
    vuIPInput::initValue();
}

vuIPInput::~vuIPInput() {}

_VU_TypeObject vuIPInput::GetType() const
{
    return VU_TYPE_IP_INPUT;
}

unsigned vuIPInput::octetIndex() const
{
    unsigned i = cursor / 3u;
    return i < 4 ? i : 3;
}

void vuIPInput::toString()
{
    if (!text)
        return;
    char buf[16];
    snprintf(buf, sizeof buf, "%3u%3u%3u%3u", octets[0], octets[1], octets[2], octets[3]);
    // A shortened field keeps what fits.
    size_t n = strlen(buf);
    if (n > maxLen)
        n = maxLen;
    memcpy(text, buf, n);
    text[n] = 0;
}

void vuIPInput::initValue()
{
    if (!text)
        return;
    toString();
    cursor = kFirstOctet;
    hexShift = 0;
}

unsigned char vuIPInput::addToValue(unsigned char ch)
{
    if (ch < '0' || ch > '9')
        return 0;
    unsigned char& octet = octets[octetIndex()];
    if (ch == '0' && octet == 0)
        return 0;
    unsigned v = octet * 10u + (ch - '0');
    if (v <= 255)
        octet = static_cast<unsigned char>(v);
    return 0;
}

void vuIPInput::delFromValue()
{
    unsigned char& octet = octets[octetIndex()];
    octet = static_cast<unsigned char>(octet / 10);
}

void vuIPInput::Reset()
{
    memset(octets, 0, sizeof octets);
    vuInput::Reset();
}

void vuIPInput::GetIP(unsigned char* out)
{
    if (out)
        memcpy(out, octets, sizeof octets);
}

int vuIPInput::GetIPtext(char* out, unsigned short size)
{
    if (!out)
        return -1;
    char buf[16];
    int n = snprintf(buf, sizeof buf, "%u.%u.%u.%u", octets[0], octets[1], octets[2], octets[3]);
    if (n < 0 || n >= size)
        return -1;
    memcpy(out, buf, static_cast<size_t>(n) + 1);
    return 0;
}

void vuIPInput::SetIP(const unsigned char* in)
{
    if (!in)
        return;
    memcpy(octets, in, sizeof octets);
    initValue();
    if (octets[0] || octets[1] || octets[2] || octets[3])
        cursor = kLastOctet;
}

int vuIPInput::SetIPtext(const char* t)
{
    // Parsed aside: a text that is no address leaves the field as it was.
    unsigned char parsed[4] = {0, 0, 0, 0};
    if (!t || !vu::inet_aton(t, parsed))
        return -1;
    SetIP(parsed);
    return 0;
}

int vuIPInput::HandleEvent(vuEvent* e)
{
    if (!e || !IsFocusable())
        return 0;
    int result = 0;
    touchPart(e, result, false);
    if (!IsActive())
        return result;
    unsigned char k = e->key;
    if (k >= '0' && k <= '9') {
        addToValue(k);
        toString();
    } else if (k == 8) {
        if (octets[octetIndex()]) {
            delFromValue();
            toString();
        } else if (cursor > 3) {
            cursor = static_cast<unsigned short>(cursor - 3);
        }
    } else if (k == 14) {
        memset(octets, 0, sizeof octets);
        initValue();
    } else if (k == 59) {
        if (cursor > 10)
            return result;
        cursor = static_cast<unsigned short>(cursor + 3);
    } else if (k && k == pointCode) {
        cursor = cursor + 3 > kLastOctet ? kFirstOctet : static_cast<unsigned short>(cursor + 3);
    } else {
        return result;
    }
    e->handled = 1;
    return 2;
}
