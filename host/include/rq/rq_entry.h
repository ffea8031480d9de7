/*
 * Entry points that the Kavo host looks up in a plug-in (a shared library)
 * and calls: rqsta at start-up, rqusr when the user runs the plug-in,
 * rqusr_ask_unload and rqusr_cleanup when it is unloaded.  A plug-in defines
 * the ones it offers with C linkage; this header gives them their exported
 * visibility, also in a library built with hidden visibility.
 */
#ifndef RQ_RQ_ENTRY_H
#define RQ_RQ_ENTRY_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define RQ_ENTRY __attribute__((visibility("default")))
#else
#define RQ_ENTRY
#endif

/*
 * The user-function arguments: a parameter text of param_len bytes (not
 * terminated, may be empty) and a return code the plug-in may set.
 */
typedef void (*rq_usr_entry_t)(char* param, int* retcode, int param_len);
typedef void (*rq_sta_entry_t)(char* param, int* retcode, int param_len);
/* 1: unload now; any other value: the library stays loaded. */
typedef int (*rq_ask_unload_entry_t)(void);
typedef void (*rq_cleanup_entry_t)(void);
/* Exported by the plug-ins too; the host does not call it. */
typedef int (*rq_start_of_program_t)(void);

RQ_ENTRY void rqusr(char* param, int* retcode, int param_len);
RQ_ENTRY void rqsta(char* param, int* retcode, int param_len);
RQ_ENTRY int rqusr_ask_unload(void);
RQ_ENTRY void rqusr_cleanup(void);

#ifdef __cplusplus
}
#endif

#endif /* RQ_RQ_ENTRY_H */
