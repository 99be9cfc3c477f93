// Exports of the toolkit runtime zk5main: the process-wide heap, toolkit
// strings, the class registry, status texts, the log, call traces and
// detached threads. Every toolkit library and the engine link against it.
#pragma once
#include <cstdint>

#if defined(ZK5MAIN_BUILD)
#define ZK5MAIN_API extern "C" __attribute__((visibility("default")))
#else
#define ZK5MAIN_API extern "C"
#endif

#define ZK_EXPORT __attribute__((visibility("default")))

namespace zk {
struct IBase;
}

// Signed 32-bit result of every toolkit and engine operation; 0 is success.
typedef int32_t StatusCode;
// Makes one object and stores its std.IBase pointer at *out.
// A class factory runs under the registry's lock: it must only make its
// object, never create or register classes itself (the lock is not
// re-entrant).
typedef StatusCode (*ClassFactory)(zk::IBase** out);
typedef void (*ThreadFunction)(void* argument);

ZK5MAIN_API void* zk_malloc(int32_t size);                           // 1
ZK5MAIN_API void* zk_realloc(void* block, int32_t size);             // 2
ZK5MAIN_API void zk_free(void* block);                               // 4
ZK5MAIN_API void* zk_calloc(int32_t count, int32_t size);            // 5
ZK5MAIN_API uint32_t zk_msize(void* block);                          // 6
ZK5MAIN_API uint32_t zk_SizeOfAllocMem(void);                        // 7
ZK5MAIN_API void* zk_DupBlob(const void* blob);                      // 8
ZK5MAIN_API __attribute__((noreturn)) void zk_ExceptMessage(StatusCode code);  // 9
ZK5MAIN_API uint32_t zk_GetCurrentThreadId(void);                    // 10
ZK5MAIN_API void zk_PushCall(const char* where, int32_t line);       // 11
ZK5MAIN_API void zk_PopCall(void);                                   // 12
ZK5MAIN_API const char* zk_ErrorMessageEn(StatusCode code);          // 13
ZK5MAIN_API char* zk_DupString(const char* s);                       // 14
ZK5MAIN_API char* zk_DupStringEx(const char* s, int32_t extra);      // 15
ZK5MAIN_API char* zk_ConcatString(char* s, const char* t);           // 16
ZK5MAIN_API char16_t* zk_DupWString(const char16_t* s);              // 17
ZK5MAIN_API char16_t* zk_DupWStringEx(const char16_t* s, int32_t extra);  // 18
ZK5MAIN_API char16_t* zk_ConcatWString(char16_t* s, const char16_t* t);   // 19
ZK5MAIN_API char* zk_DupFromWString(const char16_t* w);              // 20
ZK5MAIN_API char16_t* zk_DupFromString(const char* s);               // 21
ZK5MAIN_API char* zk_ConstructRelationalPath(const char* directory, const char* target,
                                             char separator);        // 22
ZK5MAIN_API void zk_WriteToLog(const char* text);                    // 23
ZK5MAIN_API void zk_WriteTimedToLog(const char* text);               // 24
ZK5MAIN_API StatusCode zk_CreateInstance(const char* classId, zk::IBase** out);   // 25
ZK5MAIN_API StatusCode zk_RegistryClass(const char* classId, ClassFactory factory);  // 26
ZK5MAIN_API StatusCode zk_StartThread(ThreadFunction function, void* argument);     // 27
