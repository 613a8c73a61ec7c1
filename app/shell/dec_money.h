// Decimal money strings: amounts, prices, quantities and rates kept as text
// ("-12.50"), computed through 64-bit integers of their digits and a scale
// (the characters after the point), rounded half up on the magnitude.
// Every function works on caller-owned buffers and allocates nothing.
#ifndef APP_SHELL_DEC_MONEY_H
#define APP_SHELL_DEC_MONEY_H

#include <cstdint>

// Work copies of operands hold 35 characters (an operand together with the
// zeros appended to align it) and a terminator; longer operands are cut.
constexpr int DEC_WORK_SIZE = 36;
// Output buffers of the arithmetic hold DEC_RESULT_SIZE bytes: a 64-bit
// value with sign, point and leading zeros up to the largest work scale.
constexpr int DEC_RESULT_SIZE = 40;

int64_t dec_to_int64(const char *text);
int dec_scale(const char *text);
char *dec_remove_point(char *text);
char *dec_insert_point(char *text, int n);
char *dec_round_digits(char *digits, int n);
char *dec_set_scale(char *text, int n);
char *dec_add(const char *a, const char *b, char *out);
char *dec_sub(const char *a, const char *b, char *out);
char *dec_div(const char *a, const char *b, char *out);
int dec_is_zero(const char *text);
char *str_keep_digits(char *text);

char *dec_comma_to_point(char *text);
int is_hex_digit(unsigned char c);
uint8_t hex_pair_to_byte(const char *text);
int dec_compare_raw(const char *a, const char *b);
int dec_compare(const char *a, const char *b);
char *dec_add_raw(const char *a, const char *b, char *out);
char *dec_sub_raw(const char *a, const char *b, char *out);
char *dec_div_raw(const char *a, const char *b, char *out);
char *dec_mod_raw(const char *a, const char *b, char *out);
char *dec_mod(const char *a, const char *b, char *out);
char *dec_mul(const char *a, const char *b, char *out);
char *dec_percent(const char *a, const char *p, char *out);
char *dec_percent_of(const char *a, const char *b, char *out, int n);
char *dec_round_keep_scale(char *text, int n);
char *dec_tax_share(int taxCode, const char *amount, char *out);
char *dec_max_ratio_discount(const char *a, const char *b, const char *pct, const char *t, const char *u, char *out);
char *dec_min_sum_ratio(const char *a, const char *limit, const char *q, const char *u, char *out);
int dec_step_within(const char *a, const char *b, const char *q, const char *u, char *out1, char *out2);

#endif
