/* The trace logger stand-in, libSnooprLog.so: the entry points of
 * SnooprLog.h (the platform's declarations) writing one line per record,
 * plus a test control.
 *
 * Drivers that know the logger open one record per API call, add the call's
 * parameters and returns, and end it; the logger writes each record as one
 * line of text. Nothing is recorded while the mode flag is 0.
 *
 * Usage: put the directory holding libSnooprLog.so on the library path of
 * the program whose API traffic you want to see, switch the logger on and
 * name a log file (stderr when unset or empty):
 *
 *   LD_LIBRARY_PATH=/path/to/snoopr SNOOPR_ENABLE=1 \
 *   SNOOPR_LOG_FILE=/tmp/calls.log ./program
 *
 * Add SNOOPR_FORMAT=readable for one line per call in the form a C
 * programmer reads (see "Readable lines" below); without it (or with
 * SNOOPR_FORMAT=raw) each line holds every recorded byte, as tools and
 * SnooprRecord.h read it. SNOOPR_SHOW_PLACEHOLDERS=1 adds the driver's
 * pseudo-parameters (names starting with "dummy") to readable lines.
 *
 * SNOOPR_ENABLE is read once, when the library is loaded: any non-empty
 * value other than "0" switches recording on. The flag at
 * SnooprModeLocation() is a plain int the caller may write at run time; the
 * logger reads it at every SnooprGetCookie. SNOOPR_LOG_FILE is read each
 * time a line is written; lines are appended (the file is created with mode
 * 0644), each with a single write under a process-wide lock, so lines of
 * concurrent records never interleave. A file that cannot be opened drops
 * the line.
 *
 * Record lifetime: SnooprGetCookie allocates the record, SnooprFreeCookie
 * frees it. The line is written by SnooprEndReturns, or by SnooprFreeCookie
 * when the returns were never ended; setters called after the line was
 * written are ignored. A record belongs to one thread at a time. Every entry
 * point accepts a null record and then does nothing.
 *
 * Data: each setter copies the bytes at `data` at once, never more than
 * `totalSize` bytes (and at most 1048576 per item; `bytes` then holds fewer
 * bytes than `size` says). A null `data` is recorded as null and never read.
 *
 * Line format (one record, ASCII, ending in '\n'; fields separated by one
 * space, always in this order):
 *
 *   line   = "SNOOPR" " pid=" dec " tid=" dec " fn=" text " id=" dec
 *            " api=" dec " flags=" dec " params=" count " returns=" count
 *            *( " " item )
 *   count  = dec | "-"                  ; "-": End... was never called
 *   item   = kind dec " name=" text " type=" dec " esize=" dec " size=" dec
 *            [ " ok=" dec ] " bytes=" data [ " value=" value ]
 *   kind   = "P"                        ; parameter (SnooprSetParam...)
 *          | "R"                        ; return value (SnooprSetReturn...)
 *          | "F"                        ; function return; only F has ok=
 *   data   = "null" | *( 2 lower-case hex digits )   ; may be empty
 *   text   = "(null)" | DQUOTE *char DQUOTE
 *   char   = any byte 0x20..0x7e except '"' and '\'
 *          | "\\" | "\"" | "\n" | "\r" | "\t" | "\x" 2 lower-case hex digits
 *   value  = text                       ; type 45: the recorded bytes
 *          | number *( "," number )     ; one per whole element recorded
 *   number = decimal integer | "0x" lower-case hex (an address)
 *          | a %.17g floating-point number, "nan", "inf" or "-inf"
 *
 * dec is a decimal integer, possibly negative, exactly as the caller passed
 * it (index, type code, element size, size, counts). Items appear in the
 * order of the setter calls, with the caller's indices.
 *
 * value= is present when the bytes can be decoded for the type code and
 * the element size: text for 45; signed integers for 3, 7, 23, 97 and for
 * the arrays 4 and 8 with their own element width; unsigned integers for 1,
 * 21, 29 and 35; floating-point numbers for 19 and 20 (element size 8 or 4);
 * addresses for 2, 14, 22, 24, 36 and 98, and for 4, 8 and 12 with element
 * size 8. Integers take element sizes 1, 2, 4 and 8. A trailing partial
 * element is not decoded. The hex bytes are the record; value= only makes
 * them readable.
 *
 * Example:
 *   SNOOPR pid=41 tid=41 fn="tovik_reset" id=23 api=21 flags=1 params=2
 *   returns=2 P0 name="dummyerror" type=14 esize=8 size=8
 *   bytes=0000000000000000 value=0x0 P1 name="dummysessn" type=45 esize=1
 *   size=4 bytes=53696d31 value="Sim1" R0 name="dummyerror" type=45 esize=1
 *   size=0 bytes= value="" F1 name=(null) type=23 esize=4 size=4 ok=1
 *   bytes=00000000 value=0
 * (one line; wrapped here). SnooprRecord.h parses such a line back.
 *
 * Readable lines (SNOOPR_FORMAT=readable; read with the record's line, so a
 * program may switch between the forms at run time):
 *
 *   tovik_ConfigureFrequency(vi=2, channelName="0", frequency=1000) = 0
 *   tovik_ConfigureFrequency(vi=2, channelName="0", frequency=-5) =
 *     -1074135024 (0xBFFA0010) "Invalid value for parameter or property. ..."
 *   tovik_GetAttributeViReal64(vi=2, channelName="0",
 *     attributeId=1250104 /+ IVIFGEN_ATTR_FUNC_FREQUENCY +/, *attributeValue=1000) = 0
 * (each one line; wrapped here, the comment's stars written as '+').
 *
 *   line     = function "(" [ argument *( ", " argument ) ] ") = " status "\n"
 *   argument = name "=" value [ " /" "* " attribute name " *" "/" ]
 *   status   = dec [ " (0x" 8 upper-case hex digits ")" [ " " text ] ]
 *            | "(no status recorded)"       ; the returns were never ended
 *   value    = text | number | "VI_TRUE" | "VI_FALSE" | "NULL" | "0x" hex
 *            | "{" value *( ", " value ) [ ", ... " dec " elements" ] "}" | "?"
 *
 * Parameters appear in the order recorded. A pointer through which the
 * call returned a value is shown as that value, named "*name" for a single
 * value and "name" for a buffer or an array; outputs recorded only on
 * return follow the parameters. Arrays show their first 8 elements and
 * their length; an array whose elements were not recorded shows its
 * address. Numbers are the shortest decimal that reads back the same;
 * booleans are VI_TRUE or VI_FALSE. The attribute name that the driver
 * records before an attribute identifier follows it as a comment. A
 * non-zero status is followed by its hexadecimal form and, for a failed
 * call, the error description the driver recorded.
 */
#ifndef SNOOPR_STANDIN_H
#define SNOOPR_STANDIN_H

#include "SnooprLog.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Test control: how many calls the record entry points (SnooprGetCookie to
 * SnooprFreeCookie) have received, whatever the mode. */
SNOOPR_EXPORT uint64_t SnooprStandin_entryCalls(void);

#ifdef __cplusplus
}
#endif

#endif
