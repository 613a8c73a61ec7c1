// Trace of what the screen shows, for tests and for people debugging: when
// the environment variable CASHDESK_TRACE names a file, one JSON object per
// line is appended to it for every form shown modally (by the toolkit) and
// for whatever the program adds (message boxes). Texts are written in UTF-8.
// Off when the variable is unset or empty; nothing then costs more than one
// test of a flag.
#ifndef VU_TRACE_H
#define VU_TRACE_H

#include <stdint.h>

#include <string>

#include "vuExport.h"

class vuForm;

// One line of the trace, built member by member and written whole.
class VU_API vuTraceLine {
public:
    // Starts the object with "event": kind and the process's tick count.
    explicit vuTraceLine(const char *kind);
    // A text member; the text is taken as CP1251 (what the screen holds)
    // and written as UTF-8; null is written as "".
    vuTraceLine &Text(const char *key, const char *cp1251);
    vuTraceLine &Number(const char *key, long value);
    // Appends the line (one write) when tracing is on.
    void Write();

    // The JSON string of a CP1251 text, quotes included.
    static std::string Quote(const char *cp1251);

private:
    std::string line_;
};

// Whether CASHDESK_TRACE names a file (read once).
VU_C_API int vuTraceEnabled(void);
// Notes the description file a form was built from, for its "form" lines;
// null forgets the form (vuUI::Del does so before destroying it).
VU_C_API void vuTraceSetSource(vuForm *form, const char *file);
// Writes the "form" line of a form that became modal.
VU_C_API void vuTraceFormShown(vuForm *form);

#endif
