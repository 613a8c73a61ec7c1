// Bounded string helpers over fixed buffers (sizes count the terminator),
// small text tests and trims, and the line reader over a descriptor.
#ifndef APP_SHELL_STR_HELPERS_H
#define APP_SHELL_STR_HELPERS_H

#include <cstddef>
#include <semaphore.h>

char *str_copy(char *dst, const char *src, size_t size);
char *str_append(char *dst, const char *src, size_t size);
int str_format(char *dst, size_t size, const char *fmt, ...) __attribute__((format(printf, 3, 4)));
int str_format_append(char *dst, size_t size, const char *fmt, ...) __attribute__((format(printf, 3, 4)));
size_t safe_strlen(const char *text);
int str_equal_nocase(const char *a, const char *b);
int str_equal(const char *a, const char *b);
int str_not_empty(const char *text);
int str_is_digits(const char *text);
int str_is_number(const char *text);
char *trim_right(char *text);
char *trim_blanks(char *text);
char *strip_control_chars(char *text);
char *strip_leading_zeros(char *text);
char *newlines_to_spaces(char *text);
int word_in_list(const char *word, const char *list, char separator);
const char *digit_suffix(const char *text);
int compare_triples(unsigned a1, unsigned a2, unsigned a3, unsigned b1, unsigned b2, unsigned b3);
char *tag_text_append(char *text, unsigned tag, const char *value, size_t size);

// One line of a descriptor: 1 when a line was stored, 0 at end of file or on
// an error with nothing read (and for a null buffer or a size below 2).
int read_line(int fd, char *buffer, size_t size);

// 1 while the semaphore holds no post; 0 once a post was taken (or on error).
int sem_try_wait(sem_t *sem);

#endif
