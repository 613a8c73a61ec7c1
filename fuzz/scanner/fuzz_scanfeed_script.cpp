// Any script for scanfeed, in both modes: read without fault, and every
// HID code it holds decodes through the program's decoder to the code's
// own CP1251 text (the two sides' key tables are written apart).
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "ScanFeed.h"
#include "scanner_hid.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 16384)
        return 0;
    std::string text(reinterpret_cast<const char *>(data), size);
    std::vector<scanfeed::Step> steps;
    std::string error;
    scanfeed::ParseScript(text, scanfeed::Mode::Builtin, steps, &error);
    if (!scanfeed::ParseScript(text, scanfeed::Mode::Hid, steps, &error))
        return 0;
    static HidDecoder d;
    for (const scanfeed::Step &s : steps) {
        if (s.kind != scanfeed::Step::Code)
            continue;
        if (s.bytes.size() % 8 != 0)
            abort();
        std::u32string chars;
        std::string line;
        if (!scanfeed::ParseCodeText(s.text, chars, &error))
            abort(); // it was read once already
        if (!scanfeed::EncodeLine(chars, line, &error) || line.size() > 2000)
            continue; // a line end inside, or longer than the decoder keeps
        line.pop_back();
        while (!line.empty() && static_cast<uint8_t>(line.back()) >= 0x01 && static_cast<uint8_t>(line.back()) <= 0x1F)
            line.pop_back();
        hid_decoder_begin(&d);
        for (size_t at = 0; at < s.bytes.size(); at += 8)
            hid_decoder_feed(&d, reinterpret_cast<const uint8_t *>(s.bytes.data()) + at, 11);
        hid_decoder_end_alt(&d);
        hid_decoder_trim(&d);
        if (std::string(d.code, static_cast<size_t>(d.length)) != line)
            abort();
    }
    return 0;
}
