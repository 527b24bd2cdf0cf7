/* The trace library: every diagnostic line of DBS goes through here. */
#ifndef DBS_TRACEPRINT_H
#define DBS_TRACEPRINT_H

#if defined(_WIN32)
#  if defined(TRACEPRINT_EXPORTS)
#    define TRACEPRINT_API __declspec(dllexport)
#  else
#    define TRACEPRINT_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__) || defined(__clang__)
#  define TRACEPRINT_API __attribute__((visibility("default")))
#else
#  define TRACEPRINT_API
#endif

#if defined(__GNUC__) || defined(__clang__)
#  define TRACEPRINT_PRINTF_LIKE(fmt_index, first_arg) __attribute__((format(printf, fmt_index, first_arg)))
#else
#  define TRACEPRINT_PRINTF_LIKE(fmt_index, first_arg)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Receives every line: stampFile is NULL and stampLine 0 for a line without a stamp; text is the
   formatted line exactly, including a trailing "\n" or "\r\n" of the message. Both pointers are
   valid only during the call. */
typedef void (*TraceSink)(void* ctx, int level, const char* stampFile, int stampLine, const char* text);

TRACEPRINT_API void WriteStamp(const char* file, int line);
TRACEPRINT_API void WriteTraceLogEx(int level, const char* fmt, ...) TRACEPRINT_PRINTF_LIKE(2, 3);
TRACEPRINT_API void WriteTracePrintEx(int level, const char* fmt, ...) TRACEPRINT_PRINTF_LIKE(2, 3);
TRACEPRINT_API void TraceSetSink(TraceSink fn, void* ctx);   /* TraceSetSink(NULL, NULL): default */

#ifdef __cplusplus
}   /* extern "C" */
#endif

#endif /* DBS_TRACEPRINT_H */
