#include "entry_dialog.h"

#include <stdlib.h>

#include "str_helpers.h"
#include "widget_text.h"

EntryDialog::EntryDialog(vuUI *ui, const char *file, const char *number_field, const char *text_field)
    : dialog_(ui, file),
      number_(number_field ? dialog_.field(number_field) : nullptr),
      text_(text_field ? dialog_.field(text_field) : nullptr)
{
    dialog_.reset();
}

void EntryDialog::set_number(long value)
{
    char text[24];
    str_format(text, sizeof text, "%ld", value);
    widget_set_text(number_, text);
}

void EntryDialog::set_text(const char *text) { widget_set_text(text_, text); }

bool EntryDialog::ask(vuEventCallback callback) { return dialog_.show(callback) == 1; }

const char *EntryDialog::number_text() const { return widget_text(number_); }

unsigned long EntryDialog::number() const { return strtoul(number_text(), nullptr, 10); }

const char *EntryDialog::text() const { return widget_text(text_); }

void EntryDialog::copy_text(char *out, size_t size) const { str_copy(out, text(), size); }
