/* Test hooks and configuration of the IVI engine stand-in (libivi.so.2).
 *
 * The stand-in is a small, thread-safe IVI engine: sessions from
 * Ivi_SpecificDriverNew, engine attributes of every IVI type, error
 * information, logical names and an interchange-check queue. Functions it
 * does not implement return IVI_ERROR_FUNCTION_NOT_SUPPORTED and record it,
 * with the function's name as elaboration.
 *
 * Option strings (Ivi_SpecificDriverNew)
 *   Comma-separated "key=value" entries; the whole string is trimmed of
 *   space, tab, CR and LF, and so are each key and value. Keys compare
 *   without ASCII case: Simulate, RangeCheck, QueryInstrStatus, Cache,
 *   InterchangeCheck, RecordCoercions (booleans: 1/0, true/false,
 *   VI_TRUE/VI_FALSE in any case) and DriverSetup, whose value is taken
 *   verbatim from the '=' to the next ',' (or the end) and stored cut to
 *   IVI_MAX_DRIVER_SETUP_LENGTH (511) characters. An empty or NULL string
 *   gives the defaults (RangeCheck and Cache on, the others off, DriverSetup
 *   ""). Errors: an empty entry or key IVI_ERROR_MISSING_OPTION_NAME, an
 *   entry without '=' or without value IVI_ERROR_MISSING_OPTION_VALUE, an
 *   unknown or repeated key IVI_ERROR_BAD_OPTION_NAME, a value that is not a
 *   boolean IVI_ERROR_BAD_OPTION_VALUE; no session is created then.
 *
 * Error information
 *   Each session has one record, and so has each thread. Ivi_SetErrorInfo
 *   writes the session's record and the calling thread's (session 0 or an
 *   unknown session: the thread's only); without overwrite a record keeps
 *   its code unless that is 0, or a warning and the new code an error. The
 *   elaboration is kept up to IVI_MAX_ERROR_ELABORATION_SIZE - 1 (1023)
 *   characters. Ivi_GetErrorInfo reads a known session's record (otherwise
 *   the thread's) and clears it, and clears the thread's record too when it
 *   holds the same error; its elaboration buffer takes
 *   IVI_MAX_MESSAGE_BUF_SIZE bytes. Ivi_ClearErrorInfo clears both. The
 *   attributes IVI_ATTR_PRIMARY_ERROR, IVI_ATTR_SECONDARY_ERROR and
 *   IVI_ATTR_ERROR_ELABORATION read the same records without clearing them,
 *   on session 0 too. A failing stand-in function records its own error the
 *   same way; for a bad argument at position n the secondary code is
 *   Ivi_ParamPositionError(n).
 *
 * Buffers (Ivi_GetAttributeViString, Ivi_GetAttributeName,
 * Ivi_GetNextInterchangeCheckString, Ivi_GetErrorMessageLocalized)
 *   Size 0: the needed size (length + 1) is returned and nothing written. A
 *   buffer too small gets the text cut to size - 1 characters and the needed
 *   size is returned; an interchange string stays queued then. A negative
 *   size is refused (IVI_ERROR_INVALID_VALUE), as is a NULL buffer with a
 *   positive size (IVI_ERROR_NULL_POINTER).
 *
 * Logical names (Ivi_GetInfoFromResourceName)
 *   Read at each call from the file named by the environment variable
 *   IVI_STANDIN_CONFIG, or /etc/velmora/ivi/ivi_standin.conf. A missing file
 *   means no logical names. Format, one item per line:
 *     # comment            (also ';')
 *     [LogicalName MyFgen]  a logical name (compared without ASCII case)
 *     ResourceName = PXI1Slot2                     required
 *     OptionString = Simulate=1, DriverSetup=Model:GA   optional, default ""
 *   Keys compare without ASCII case; values are trimmed. A line of another
 *   kind, a key outside a section, an unknown or repeated key, a section
 *   without ResourceName, a repeated logical name or a value longer than 255
 *   characters makes the file invalid: the call fails with
 *   IVI_ERROR_INVALID_CONFIGURATION and "<file>:<line>: <reason>". A name
 *   that is not configured is copied through (cut to 255 characters) with
 *   the caller's option string and the flag VI_FALSE.
 */
#ifndef IVI_STANDIN_H
#define IVI_STANDIN_H

#include "ivi_engine.h"

#ifdef __cplusplus
extern "C" {
#endif

#define IVI_STANDIN_CONFIG_ENV "IVI_STANDIN_CONFIG"
#define IVI_STANDIN_DEFAULT_CONFIG "/etc/velmora/ivi/ivi_standin.conf"

/* The next `count` calls of the engine function named `function` (for
 * example "Ivi_ValidateSession") return `status` at once: they do nothing
 * else and record nothing. A later injection for the same function replaces
 * the earlier one; a count of 0 removes it. Only functions that return a
 * status honour it. */
IVI_ENGINE_API void IviStandin_InjectStatus(const char* function, ViStatus status, ViInt32 count);

/* The session argument received by the last call that returned an injected
 * status (0 for a function without session argument). */
IVI_ENGINE_API ViSession IviStandin_LastInjectedSession(void);

/* The number of engine sessions not yet disposed. */
IVI_ENGINE_API ViInt32 IviStandin_OpenSessionCount(void);

/* Disposes every session, removes every injection and clears the calling
 * thread's error information. */
IVI_ENGINE_API void IviStandin_Reset(void);

#ifdef __cplusplus
}
#endif

#endif
