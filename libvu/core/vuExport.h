// Marks what the toolkit library exports; everything else stays hidden.
#ifndef VU_EXPORT_H
#define VU_EXPORT_H

#define VU_API __attribute__((visibility("default")))

#ifdef __cplusplus
#define VU_C_API extern "C" VU_API
#else
#define VU_C_API VU_API
#endif

#endif
