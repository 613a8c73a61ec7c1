#include "input_decimal.h"

#include <string.h>

#include <vector>

#include "dec_money.h"
#include "str_helpers.h"
#include "vuInput.h"

void input_set_decimal(vuInput *field, const char *text)
{
    if (!field || !text)
        return;
    int radix = field->GetRadix();
    // Padding to the radix may add a point and radix zeros to a full copy.
    std::vector<char> work(DEC_WORK_SIZE + radix + 2, '\0');
    str_copy(work.data(), text, DEC_WORK_SIZE);
    dec_set_scale(work.data(), radix);
    dec_remove_point(work.data());
    field->SetValue(work.data());
}

const char *input_get_decimal(vuInput *field)
{
    static char value[DEC_WORK_SIZE + 2];
    if (!field)
        return nullptr;
    int radix = field->GetRadix();
    str_copy(value, field->GetValue(), DEC_WORK_SIZE);
    // The point, and zeros before short digits, must fit the buffer.
    size_t len = safe_strlen(value);
    size_t digits = len > static_cast<size_t>(radix) ? len : static_cast<size_t>(radix) + 1;
    if (radix != 0 && digits + 2 <= sizeof value)
        dec_insert_point(value, radix);
    return value;
}
