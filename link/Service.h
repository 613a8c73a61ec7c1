// Everything of the controller service's client side: include this one.
#ifndef LINK_SERVICE_H
#define LINK_SERVICE_H

#include "ServiceApp.h"
#include "ServiceCommand.h"
#include "ServiceFiles.h"
#include "ServiceLog.h"
#include "ServicePrint.h"
#include "ServiceQueue.h"

#endif
