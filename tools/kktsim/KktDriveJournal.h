// The controller's electronic journal is kept with the archive: see
// KktDriveArchive.h (DriveArchive's journal members, AnswerJournal).
#ifndef KKTSIM_KKTDRIVEJOURNAL_H
#define KKTSIM_KKTDRIVEJOURNAL_H

#include "KktDriveArchive.h"

#endif
