// Readers of the values in UI descriptions and settings (numbers, coordinates,
// colours, rectangles, list fields) and the text conversions between the
// UTF-8 of the XML files and the CP1251 kept in memory.
#ifndef APP_SHELL_UI_VALUES_H
#define APP_SHELL_UI_VALUES_H

#include <cstddef>
#include <cstdint>

// Design screen of scalable descriptions.
constexpr uint32_t UI_DESIGN_WIDTH = 240;
constexpr uint32_t UI_DESIGN_HEIGHT = 320;

uint32_t parse_number(const char *text);
uint32_t parse_coord(const char *text, uint32_t reference);
uint16_t parse_color(const char *text);
// Rectangle "x,y,w,h" on a screen of the given size; fields may be "%N",
// hundredths of a percent of the screen width (x, w) or height (y, h).
void parse_rect_on(const char *text, uint32_t screenW, uint32_t screenH, int16_t *x, int16_t *y, uint16_t *w,
                   uint16_t *h);
void parse_rect_scaled_on(const char *text, uint8_t resize, uint32_t screenW, uint32_t screenH, int16_t *x,
                          int16_t *y, uint16_t *w, uint16_t *h);
char *get_list_field(char *dst, size_t size, int field, const char *list, char separator);
uint32_t parse_list_number(int field, const char *list, char separator);
char *decode_xml_entities(char *text);
int utf8_to_cp1251(const char *src, char *dst, unsigned size);
int cp1251_to_utf8(const char *src, char *dst, unsigned size);
// Texts longer than 65535 characters are refused (0 bytes).
uint16_t decode_base64(const char *text, uint8_t *out);

#endif
