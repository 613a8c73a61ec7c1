#include "KktDriveMonitor.h"

#include "KktText.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <sys/stat.h>

namespace kktsim {

namespace {

const char kSoh = 0x01, kStx = 0x02, kEot = 0x04, kAck = 0x06, kNak = 0x15;
const size_t kHeaderBlock = 3 + 128 + 2;
const size_t kDataBlock = 3 + 1024 + 2;
const uint32_t kMaxImage = 4u * 1024 * 1024;

const char *const kHelp = u8"\r\nСЕРВИСНЫЙ МОНИТОР KKTSIM\r\n"
                          u8"?  - эта справка\r\n"
                          u8"HC - конфигурация\r\n"
                          u8"BE - буфер ошибок\r\n"
                          u8"BF - буфер ФН\r\n"
                          u8"BI - информация о загрузчике\r\n"
                          u8"SV - версии программ\r\n"
                          u8"SC - счетчики\r\n"
                          u8"Q  - обновление прошивки (YMODEM)\r\n"
                          u8"q  - выход\r\n";

struct Fixed {
    const char *command;
    const char *answer;
};
const Fixed kFixed[] = {
    {"HC", u8"\r\nКОНФИГУРАЦИЯ: KKTSIM-01, ПРИНТЕР 48 мм, ФН ЕСТЬ\r\n"},
    {"BE", u8"\r\nБУФЕР ОШИБОК ПУСТ\r\n"},
    {"BF", u8"\r\nБУФЕР ФН: 0 БАЙТ\r\n"},
    {"BI", u8"\r\nЗАГРУЗЧИК 1.0\r\n"},
    {"SV", u8"\r\nПРОГРАММА K105320, ЗАГРУЗЧИК 1.0\r\n"},
    {"SC", u8"\r\nСЧЕТЧИКИ: 0\r\n"},
};

bool Step(const std::set<std::string> &set, const std::string &step)
{
    return set.count(step) != 0;
}

bool ValidStep(const std::string &s)
{
    if (s == "prompt" || s == "update" || s == "start" || s == "header" || s == "eot" || s == "close")
        return true;
    if (s.empty() || s.size() > 5 || s.find_first_not_of("0123456789") != std::string::npos)
        return false;
    long n = std::strtol(s.c_str(), nullptr, 10);
    return n >= 1 && n <= 65535 && s[0] != '0';
}

// Printable ASCII for the journal's note; anything else as "?".
std::string Printable(const std::string &s)
{
    std::string out;
    for (char c : s)
        out.push_back(c >= 0x20 && c < 0x7F ? c : '?');
    return out;
}

} // namespace

uint16_t Crc16Xmodem(const uint8_t *data, size_t n)
{
    uint16_t crc = 0;
    for (size_t i = 0; i < n; ++i) {
        crc = static_cast<uint16_t>(crc ^ (data[i] << 8));
        for (int b = 0; b < 8; ++b)
            crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

bool ParseMonitorStatement(const std::string &args, MonitorConfig &config, std::string &why)
{
    std::istringstream in(args);
    std::string what, step, extra;
    in >> what >> step;
    if (in >> extra) {
        why = "monitor: too many words";
        return false;
    }
    if (what == "ack-split" && (step == "on" || step == "off")) {
        config.ackSplit = step == "on";
        return true;
    }
    if ((what == "nak" || what == "silent") && ValidStep(step)) {
        (what == "nak" ? config.nak : config.silent).insert(step);
        return true;
    }
    why = "monitor: cannot read \"" + args + "\"";
    return false;
}

void Monitor::Reset()
{
    pending_.clear();
    name_.clear();
    size_ = 0;
    data_.clear();
    expected_ = 1;
}

void Monitor::Enter()
{
    Reset();
    state_ = State::Prompt;
}

bool Monitor::End()
{
    if (state_ != State::Finished)
        return false;
    state_ = State::Off;
    return true;
}

Monitor::Result Monitor::Input(const std::string &bytes, const MonitorConfig &config)
{
    Result r;
    switch (state_) {
    case State::Off:
        Echo(bytes, r);
        break;
    case State::Prompt:
    case State::UpdateAsked:
    case State::Finished:
        Command(bytes, config, r);
        break;
    default:
        pending_ += bytes;
        r.quiet = true;
        Receive(config, r);
        break;
    }
    return r;
}

void Monitor::Echo(const std::string &in, Result &r)
{
    // Echo, with the prompt after every line end; empty input asks for the
    // prompt alone.
    std::string out;
    if (in.empty())
        out = ">";
    for (size_t i = 0; i < in.size(); ++i) {
        char c = in[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < in.size() && in[i + 1] == '\n')
                ++i;
            out += "\r\n>";
        } else {
            out.push_back(c);
        }
    }
    r.replies.push_back(out);
}

void Monitor::Command(const std::string &in, const MonitorConfig &config, Result &r)
{
    std::string cmd = in;
    while (!cmd.empty() && (cmd.back() == '\r' || cmd.back() == '\n'))
        cmd.pop_back();
    if (state_ == State::UpdateAsked && cmd == " ") {
        r.note = "update: start";
        if (Step(config.silent, "start"))
            return;
        Reset();
        state_ = State::Header;
        r.replies.push_back("C");
        r.replies.push_back("C");
        return;
    }
    if (state_ == State::Finished)
        state_ = State::Prompt;
    if (cmd.empty() || cmd == "\x13") {
        r.note = "prompt";
        if (cmd == "\x13" && Step(config.silent, "prompt"))
            return;
        r.replies.push_back(">");
        return;
    }
    if (cmd == "?") {
        r.note = "help";
        r.replies.push_back(Utf8ToCp866(kHelp) + ">");
        return;
    }
    if (cmd == "q") {
        r.note = "monitor left";
        state_ = State::Off;
        r.replies.push_back(Utf8ToCp866(u8"\r\nВЫХОД ИЗ МОНИТОРА\r\n"));
        return;
    }
    if (cmd == "Q") {
        r.note = "update asked";
        if (Step(config.silent, "update"))
            return;
        state_ = State::UpdateAsked;
        r.replies.push_back("Q");
        return;
    }
    for (const Fixed &f : kFixed) {
        if (cmd == f.command) {
            r.note = std::string("command ") + f.command;
            r.replies.push_back(Utf8ToCp866(f.answer) + ">");
            return;
        }
    }
    r.note = "unknown command";
    r.replies.push_back(Utf8ToCp866(u8"\r\nНЕИЗВЕСТНАЯ КОМАНДА\r\n") + ">");
}

// Answers one step: NAK or silence when the scenario says so, else answer.
// True when the step was taken (answered with the given answer).
bool Monitor::Block(const std::string &step, const MonitorConfig &config, Result &r, const std::string &answer)
{
    if (Step(config.silent, step)) {
        r.note += "; silent";
        return false;
    }
    if (Step(config.nak, step)) {
        r.note += "; NAK (fault)";
        r.replies.push_back(std::string(1, kNak));
        return false;
    }
    if (config.ackSplit && answer.size() > 1) {
        for (char c : answer)
            r.replies.push_back(std::string(1, c));
    } else {
        r.replies.push_back(answer);
    }
    return true;
}

void Monitor::Receive(const MonitorConfig &config, Result &r)
{
    auto nak = [&](const std::string &why) {
        r.note += (r.note.empty() ? "" : "; ") + why + ": NAK";
        r.replies.push_back(std::string(1, kNak));
    };
    while (!pending_.empty()) {
        char lead = pending_[0];
        if (lead == kEot && state_ == State::Data) {
            pending_.erase(0, 1);
            r.note += std::string(r.note.empty() ? "" : "; ") + "EOT";
            if (Block("eot", config, r, std::string{kAck, 'C'}))
                state_ = State::Closing;
            continue;
        }
        size_t need = lead == kSoh ? kHeaderBlock : lead == kStx ? kDataBlock : 0;
        if (need == 0) {
            pending_.erase(0, 1);
            nak("stray byte");
            continue;
        }
        if (pending_.size() < need)
            return; // the rest of the block is still on its way
        std::string block = pending_.substr(0, need);
        pending_.erase(0, need);
        const uint8_t *b = reinterpret_cast<const uint8_t *>(block.data());
        size_t len = need - 5;
        uint16_t crc = static_cast<uint16_t>(b[3 + len] << 8 | b[4 + len]);
        unsigned number = b[1];
        if (static_cast<uint8_t>(b[1] + b[2]) != 0xFF) {
            nak("block number and complement differ");
            continue;
        }
        if (Crc16Xmodem(b + 3, len) != crc) {
            nak("bad CRC of block " + std::to_string(number));
            continue;
        }
        if (state_ == State::Header || state_ == State::Closing) {
            if (lead != kSoh || number != 0) {
                nak("block " + std::to_string(number) + " where block 0 was due");
                continue;
            }
            if (state_ == State::Closing) {
                bool zero = block.find_first_not_of('\0', 3) >= 3 + len;
                if (!zero) {
                    nak("closing block not empty");
                    continue;
                }
                r.note += std::string(r.note.empty() ? "" : "; ") + "closing block";
                if (!Block("close", config, r, std::string(1, kAck)))
                    continue;
                std::string path = folder_ + "/" + name_;
                mkdir(folder_.c_str(), 0777);
                bool written = false;
                if (std::FILE *f = std::fopen(path.c_str(), "wb")) {
                    written = std::fwrite(data_.data(), 1, size_, f) == size_;
                    written = std::fclose(f) == 0 && written;
                }
                lastFile_ = path;
                r.note += written ? "; file " + path + " (" + std::to_string(size_) + " bytes)"
                                  : "; file " + path + " not written";
                r.replies.push_back(Utf8ToCp866(u8"\r\nПРОШИВКА ПРИНЯТА, ПЕРЕЗАПУСК\r\n"));
                state_ = State::Finished;
                pending_.clear();
                return;
            }
            // The header: name, NUL, size in decimal.
            const char *p = reinterpret_cast<const char *>(b + 3);
            size_t nameLen = strnlen(p, len);
            std::string name(p, nameLen);
            std::string sizeText = nameLen < len ? std::string(p + nameLen + 1, strnlen(p + nameLen + 1, len - nameLen - 1))
                                                 : std::string();
            char *end = nullptr;
            unsigned long size = std::strtoul(sizeText.c_str(), &end, 10);
            r.note += std::string(r.note.empty() ? "" : "; ") + "header " + Printable(name) + " " + sizeText;
            if (name.empty() || name.find('/') != std::string::npos || name == "." || name == ".." ||
                sizeText.empty() || (end && *end) || size == 0 || size > kMaxImage) {
                nak("bad header");
                continue;
            }
            if (!Block("header", config, r, std::string{kAck, 'C'}))
                continue;
            name_ = name;
            size_ = static_cast<uint32_t>(size);
            data_.clear();
            expected_ = 1;
            state_ = State::Data;
            continue;
        }
        // A data block.
        if (lead != kStx) {
            nak("short block in the data");
            continue;
        }
        r.note += std::string(r.note.empty() ? "" : "; ") + "block " + std::to_string(expected_);
        if (number != (expected_ & 0xFF)) {
            nak("block number " + std::to_string(number));
            continue;
        }
        if (data_.size() >= size_) {
            nak("more blocks than the size");
            continue;
        }
        if (!Block(std::to_string(expected_), config, r, std::string(1, kAck)))
            continue;
        data_.append(block, 3, len);
        if (data_.size() > size_)
            data_.resize(size_);
        ++expected_;
    }
}

} // namespace kktsim
