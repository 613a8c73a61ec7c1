// The controller service application and the files handed to it: starting
// the service, its version, the client's version and the receipt-header
// picture.
#ifndef LINK_SERVICEAPP_H
#define LINK_SERVICEAPP_H

#include <stdint.h>

// Where the receipt-header picture is installed (a terminal path).
#define SERVICE_FISCAL_HEADER_PATH "/data/tmp/fiscal_header"

// Starts the first installed application whose identifier begins with
// "KKT", with the argument as its one decimal parameter: 0, or -2 when at
// most one application is installed or none matches.
int RunServiceApp(uint32_t argument);
// The service application's version "x.y.z" (the last word of its version
// text; missing numbers are 0) into the non-null outputs: 0 or -2.
int ServiceAppVersion(int *major, int *minor, int *build);
// Installs a 1-bit uncompressed BMP (pixel data at offset 62, non-zero
// width and height) as the receipt-header picture, moving the file over the
// installed one: 0, or -1 when the file is refused or cannot be installed,
// in which case the installed picture and the file stay as they were.
int InstallFiscalHeader(const char *path);
// The client's version text, "3.1.0.395".
const char *ServiceClientVersion();

#endif
