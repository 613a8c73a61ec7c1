// Registration and re-registration of the fiscal-drive model: command 0x04
// in its three layouts, the registration parameters by tag (0x88), the
// registration totals (0x8F), the marking answer the registration wizard
// probes (0x20), and the `drive` statements and state-file members that
// stage a drive's last registration.
#ifndef KKTSIM_KKTDRIVEREGISTRATION_H
#define KKTSIM_KKTDRIVEREGISTRATION_H

#include "KktDrive.h"
#include "KktJson.h"

#include <stdint.h>
#include <string>
#include <vector>

namespace kktsim {

// The FFD level of a controller version text, as the cash register reads
// it: "?105..." 2 (FFD 1.05), "?110..." 3 (up to FFD 1.1), "?101..." 0,
// anything else 4 (up to FFD 1.2).
int ControllerFfdLevel(const std::string &firmware);

// One registration request, read and checked.
struct Registration {
    int layout = 2;           // 2 FFD 1.05 (20 fields), 3 FFD 1.1 (21), 4 FFD 1.2 (23)
    std::string when;         // DDMMYYHHMM
    std::string user;         // UTF-8
    std::string inn;
    uint8_t taxSystems = 0;
    std::string number;       // padded to 16
    uint16_t workModes = 0;   // the wizard's layout: bits 0 to 8
    uint16_t usage = 0;       // FFD 1.2: the usage items, bits 0 to 6
    std::string automat;
    std::string cashier, cashierInn;
    std::string address, ofdInn, ofdName, email, fnsSite, place;
    uint8_t reason = 0;
    uint8_t agents = 0;
    uint32_t reasonCodes = 0;
    std::string tag1274, tag1275;
};

// Reads the fields of a 0x04 request and checks them and the drive: 0, or
// the registrar error with its reason in why. The drive is not changed.
uint8_t ReadRegistration(const DriveState &s, const std::vector<std::string> &fields, Registration &out,
                         std::string &why);

// Makes the registration (or re-registration) document: the drive takes the
// registration, its tags and totals, a fiscal document number and, for a
// re-registration, one of those left. Returns the tape (UTF-8).
std::string RegistrationDocument(DriveState &s, const Registration &r);

// The value of registration tag `tag` as the drive answers 0x88 (a UTF-8
// text, or hex digits for a number); false when the drive has no such tag.
bool RegistrationTag(const DriveState &s, uint16_t tag, std::string &value);
// The data fields of the registration totals (0x8F), UTF-8.
std::vector<std::string> RegistrationTotals(const DriveState &s);
// The data fields of the marking answer (0x20): as many as the drive is
// set to give.
std::vector<std::string> MarkStatusFields(const DriveState &s);

// A `drive` statement of the registration: "tag NNNN VALUE",
// "reason-codes HHHHHHHH", "mark-fields N". False when it is none of them;
// otherwise true, with why set when the value is bad.
bool RegistrationStatement(const std::string &name, const std::string &value, DriveState &s, std::string &why);

// The state-file members of the registration, written at the end of the
// object (each line "  \"key\": value,\n") and read back; members missing
// keep their values. FromJson sets why on a bad member.
std::string RegistrationJson(const DriveState &s);
void RegistrationFromJson(const JsonValue &root, DriveState &s, std::string &why);

} // namespace kktsim

#endif
