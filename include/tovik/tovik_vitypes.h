/* IVI and VISA standard types used by the driver's C interfaces. */
#ifndef TOVIK_VITYPES_H
#define TOVIK_VITYPES_H

#include <stdint.h>

typedef int8_t ViInt8;
typedef uint8_t ViUInt8;
typedef int16_t ViInt16;
typedef uint16_t ViUInt16;
typedef int32_t ViInt32;
typedef uint32_t ViUInt32;
typedef int64_t ViInt64;
typedef uint64_t ViUInt64;
typedef double ViReal64;
typedef float ViReal32;
typedef uint16_t ViBoolean;
typedef char ViChar;
typedef unsigned char ViByte;
typedef ViChar* ViString;
typedef const ViChar* ViConstString;
typedef ViString ViRsrc;
typedef ViConstString ViConstRsrc;
typedef ViUInt32 ViObject;
typedef ViObject ViSession;
typedef ViInt32 ViStatus;
typedef ViUInt32 ViAttr;
typedef void* ViAddr;

/* Complex samples as the waveform functions take them, passed to the plugin
   unchanged. */
typedef struct {
  ViReal64 real;
  ViReal64 imaginary;
} ViComplexF64;
typedef struct {
  ViInt16 real;
  ViInt16 imaginary;
} ViComplexI16;

#define VI_TRUE ((ViBoolean)1)
#define VI_FALSE ((ViBoolean)0)
#define VI_NULL 0
#define VI_SUCCESS ((ViStatus)0)

#endif
