/* Interfaces of the system configuration service libvosysapi.so.1.
 *
 * The service's objects are reference-counted interfaces: each starts with
 * queryInterface, addRef and release, in that order. Results are 32-bit
 * codes, negative meaning failure. Text crosses the interface as UTF-32:
 * text given to the service is NUL-terminated; text the service returns is a
 * length-prefixed string (see vosysAllocString) that the caller frees with
 * vosysFreeString.
 */
#ifndef VOSYSAPI_H
#define VOSYSAPI_H

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

typedef int32_t VosysResult;

struct VosysGuid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
};

inline bool operator==(const VosysGuid& a, const VosysGuid& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}
inline bool operator!=(const VosysGuid& a, const VosysGuid& b) { return !(a == b); }

/* Result codes. */
constexpr VosysResult kVosysOk = 0;
/* Success without a result: the enumeration is over, or there is no text. */
constexpr VosysResult kVosysFalse = 1;
constexpr VosysResult kVosysErrNoInterface = static_cast<VosysResult>(0x80004002u);
constexpr VosysResult kVosysErrPointer = static_cast<VosysResult>(0x80004003u);
constexpr VosysResult kVosysErrFail = static_cast<VosysResult>(0x80004005u);
constexpr VosysResult kVosysErrUnexpected = static_cast<VosysResult>(0x8000FFFFu);
constexpr VosysResult kVosysErrOutOfMemory = static_cast<VosysResult>(0x8007000Eu);
constexpr VosysResult kVosysErrInvalidArg = static_cast<VosysResult>(0x80070057u);
/* A property read found the tag holding a value of another type. */
constexpr VosysResult kVosysErrPropertyTypeMismatch = static_cast<VosysResult>(0x80040370u);
/* A property read found no value under the tag. */
constexpr VosysResult kVosysErrPropertyNotFound = static_cast<VosysResult>(0x80040371u);

/* Property tags. */
enum VosysPropertyTag : uint32_t {
  kVosysTagProductId = 0x1005000u,      /* unsigned 32-bit */
  kVosysTagSerialNumber = 0x1007000u,   /* string */
  kVosysTagKeptSimulation = 0x1009000u, /* Boolean: a simulated device the service keeps */
  kVosysTagResourceName = 0x101F000u,   /* string: the name a hardware search matches */
  kVosysTagUsableState = 0x1024000u,    /* signed 32-bit: 1 = usable without simulation */
};

/* The only search mode: match the filter's resource name exactly. */
constexpr int32_t kVosysSearchByResourceName = 2;

struct ImxSysUnknown {
  static constexpr VosysGuid kIid{0x3d3fc5bbu, 0x1c33u, 0x4128u,
                                  {0xa7, 0x2e, 0x12, 0x4d, 0x31, 0xf2, 0x83, 0x3e}};
  virtual VosysResult queryInterface(const VosysGuid& iid, void** object) = 0;
  virtual uint32_t addRef() = 0;
  virtual uint32_t release() = 0;

 protected:
  /* Objects are destroyed by their last release, never by delete. */
  ~ImxSysUnknown() = default;
};

struct ImxSysPropertyBag : ImxSysUnknown {
  static constexpr VosysGuid kIid{0x9f3973b1u, 0x2dadu, 0x4ed7u,
                                  {0x98, 0xe5, 0xdf, 0x0b, 0xda, 0x39, 0x41, 0x4c}};
  virtual VosysResult setString(uint32_t tag, const char32_t* text) = 0;
  /* Boolean values are 32-bit, non-zero meaning true. */
  virtual VosysResult getBool(uint32_t tag, int32_t* value) = 0;
  virtual VosysResult getInt32(uint32_t tag, int32_t* value) = 0;
  virtual VosysResult getUInt32(uint32_t tag, uint32_t* value) = 0;
  /* 0 and a returned string, or a positive code and no text. */
  virtual VosysResult getString(uint32_t tag, char32_t** text) = 0;

 protected:
  ~ImxSysPropertyBag() = default;
};

struct ImxSysExpertInfo : ImxSysUnknown {
  static constexpr VosysGuid kIid{0xe4b330bdu, 0xd26bu, 0x4910u,
                                  {0xb5, 0x67, 0x52, 0xbc, 0x0f, 0x0c, 0xc3, 0xe0}};
  virtual VosysResult getName(char32_t** name) = 0;

 protected:
  ~ImxSysExpertInfo() = default;
};

/* Enumerators: next delivers up to `count` items, each with one reference
 * for the caller, and returns 0 when it delivered all of them (1 when fewer;
 * `fetched` may be null only when count is 1). */
template <class Item>
struct ImxSysEnumerator : ImxSysUnknown {
  virtual VosysResult next(uint32_t count, Item** items, uint32_t* fetched) = 0;

 protected:
  ~ImxSysEnumerator() = default;
};

/* Found hardware: plain objects, ask each for ImxSysPropertyBag. */
struct ImxSysEnumUnknown : ImxSysEnumerator<ImxSysUnknown> {
  static constexpr VosysGuid kIid{0x97791efeu, 0x6a37u, 0x4b38u,
                                  {0xad, 0xf3, 0x91, 0x5c, 0xf4, 0xcf, 0x8f, 0x16}};

 protected:
  ~ImxSysEnumUnknown() = default;
};

struct ImxSysEnumExpertInfo : ImxSysEnumerator<ImxSysExpertInfo> {
  static constexpr VosysGuid kIid{0x3ab5e209u, 0x9c07u, 0x42d5u,
                                  {0xad, 0xea, 0x1b, 0xe2, 0x31, 0xa9, 0x0d, 0x79}};

 protected:
  ~ImxSysEnumExpertInfo() = default;
};

struct ImxSysFramework : ImxSysUnknown {
  static constexpr VosysGuid kIid{0xcb77e6f6u, 0xcd54u, 0x4e1bu,
                                  {0xac, 0x31, 0xae, 0xc9, 0xd8, 0x76, 0x05, 0xed}};
  /* target: "//localhost/" followed by expert names. Items are delivered as
   * plain objects; those that describe a device answer ImxSysPropertyBag. */
  virtual VosysResult findHardware(const char32_t* target, int32_t mode, ImxSysPropertyBag* filter,
                                   ImxSysEnumUnknown** found) = 0;
  virtual VosysResult listExperts(const char32_t* target, ImxSysEnumExpertInfo** experts) = 0;
  /* An empty bag; ask it for ImxSysPropertyBag. */
  virtual VosysResult createPropertyBag(ImxSysUnknown** bag) = 0;

 protected:
  ~ImxSysFramework() = default;
};

/* For implementations of these interfaces. */

/* Reference counting: the last release deletes the object. */
template <class Base>
class VosysRefCounted : public Base {
 public:
  VosysRefCounted() = default;
  VosysRefCounted(const VosysRefCounted&) = delete;
  VosysRefCounted& operator=(const VosysRefCounted&) = delete;

  uint32_t addRef() override { return references_.fetch_add(1, std::memory_order_relaxed) + 1; }
  uint32_t release() override {
    const uint32_t left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~VosysRefCounted() = default;

 private:
  std::atomic<uint32_t> references_{1};
};

/* Runs an interface call's body; no exception may cross the interface. */
template <class Body>
VosysResult vosysGuardedCall(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return kVosysErrOutOfMemory;
  } catch (...) {
    return kVosysErrUnexpected;
  }
}

/* Returned strings: one malloc'ed block holding the 32-bit character count,
 * the characters and a NUL; the pointer addresses the first character. A
 * null pointer is the empty text. Returns null when memory is short. */
inline char32_t* vosysAllocString(const char32_t* text, uint32_t length) {
  const size_t bytes = sizeof(uint32_t) + (static_cast<size_t>(length) + 1) * sizeof(char32_t);
  unsigned char* block = static_cast<unsigned char*>(std::malloc(bytes));
  if (block == nullptr) return nullptr;
  std::memcpy(block, &length, sizeof length);
  char32_t* characters = reinterpret_cast<char32_t*>(block + sizeof(uint32_t));
  if (length != 0) std::memcpy(characters, text, length * sizeof(char32_t));
  characters[length] = U'\0';
  return characters;
}

inline uint32_t vosysStringLength(const char32_t* text) {
  uint32_t length = 0;
  if (text != nullptr) {
    std::memcpy(&length, reinterpret_cast<const unsigned char*>(text) - sizeof length,
                sizeof length);
  }
  return length;
}

inline void vosysFreeString(char32_t* text) {
  if (text != nullptr) std::free(reinterpret_cast<unsigned char*>(text) - sizeof(uint32_t));
}

extern "C" {

/* Creates the framework. version must be 1; release and flavour are
 * accepted as given (the system passes 0 and 2). expertList names the
 * configuration experts the caller works with, separated by commas. */
VosysResult vosysInstantiateFramework3(int32_t version, int32_t release, int32_t flavour,
                                       const char32_t* expertList, ImxSysFramework** framework);
}

#endif
