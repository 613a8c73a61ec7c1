// The fiscal-drive model's commands: one table of code, name and handler.
//
// Drive::Answer looks the request's code up here and runs its handler; a
// code without a row is not the model's (the stand-in answers it with its
// unknown-code error). Each code has one row, so no command shadows
// another. A new command is one handler (in the file of its concern) and
// one row in KktDriveCommands.cpp; its name comes from the registrar's
// code catalogue (link/TMCodes.h), which the link builds its requests with.
#ifndef KKTSIM_KKTDRIVECOMMANDS_H
#define KKTSIM_KKTDRIVECOMMANDS_H

#include "KktFrame.h"

#include <stddef.h>
#include <stdint.h>
#include <string>
#include <vector>

namespace kktsim {

class Drive;
struct DriveResult;
struct DriveState;

// One request being answered: the drive, the request's fields and what the
// answer collects.
struct DriveCall {
    Drive &drive;
    DriveState &s;
    const Request &req;
    const std::vector<std::string> &fields; // fields 1.. as sent (CP866)
    bool paperOut;                          // the printer's paper is out
    Reply &rep;
    std::vector<std::string> &data;         // the reply's data fields (CP866)
    DriveResult &res;

    DriveCall(Drive &drive, const Request &req, bool paperOut, Reply &rep, DriveResult &res);

    size_t Count() const { return fields.size(); }
    // Field k (1..) as sent; empty when the request has none.
    const std::string &Raw(size_t k) const;
    // Field k as UTF-8.
    std::string Text(size_t k) const;
    // The request's command name from the registrar's code catalogue.
    std::string Name() const;
    // Notes why the command is refused (for the journal) and gives error.
    uint8_t Refuse(uint8_t error, const std::string &note);
};

// A command's handler: the registrar error it answers with (0: done).
using DriveHandler = uint8_t (*)(DriveCall &call);

struct DriveCommand {
    uint8_t code;
    const char *name;
    DriveHandler handler;
};

// The row of code, or nullptr when the model does not answer it.
const DriveCommand *FindDriveCommand(uint8_t code);
// The table's rows in code order.
const std::vector<DriveCommand> &DriveCommands();

} // namespace kktsim

#endif
