#include "vuWidgetParts.h"

#include <stdlib.h>
#include <string.h>

char* vuCopyText(const char* text)
{
    return text ? strdup(text) : nullptr;
}

void vuReplaceText(char*& slot, const char* text)
{
    char* copy = vuCopyText(text);
    free(slot);
    slot = copy;
}
