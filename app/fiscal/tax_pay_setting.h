// The controller's tax-rate and payment-type tables: an entry picked from
// a list read from the controller, edited in a form and written back. One
// routine; what tells the two apart is data.
#ifndef APP_FISCAL_TAX_PAY_SETTING_H
#define APP_FISCAL_TAX_PAY_SETTING_H

#include <mxml.h>
#include <stddef.h>
#include <stdint.h>

class vuUI;

// The longest tables read: tax rates, payment types.
enum { TAX_RATES_MAX = 256, PAYMENT_TYPES_MAX = 16 };

// A controller's decimal as its entry field holds it: "0" for none, two
// decimals, no point ("12.5" -> "1250").
void decimal_to_field(const char *reply, char *out, size_t size);
// An entry field's digits as the controller takes them ("150" -> "1.50"),
// copied into at most size - 1 bytes before the point goes in.
void field_to_decimal(const char *digits, char *out, size_t size);
// A number typed into a field of max at most: true with the value, false
// when it is no decimal number or does not fit.
bool field_number(const char *text, uint32_t max, uint32_t *value);

void CmdSetTax(vuUI *ui, const char *title);
void CmdSetPay(vuUI *ui, const char *title);

// Payment types from the settings: every child "payment" of the element
// goes to payment_entry_from_settings; always -1.
int payment_from_settings(vuUI *ui, mxml_node_t *element);
// One payment type: "index" (0 to 15) names it, and each of "name",
// "secondline", "returnchange", "currencyindex", "maskofoper" (numbers up
// to 255) and "exchangecourse" (at most 14 characters) present replaces
// the controller's value. The runner's result of the write, or -1 when
// nothing was written.
int payment_entry_from_settings(vuUI *ui, mxml_node_t *element);

#endif
