// The "stdint" script module: 64-bit integers in 8-byte userdata.
//
// Lua raises script errors with longjmp. No function here holds an object
// with a destructor, so a raise from any of them (ours, or an argument or
// memory error raised by the interpreter) skips no clean-up. Messages are
// string constants or assembled on the Lua stack.
#include "luatranslator/Stdint.h"

#include <lua.hpp>

#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>

namespace voxlatorlua {
namespace {

constexpr lua_Number kTwoTo63 = 9223372036854775808.0;
constexpr lua_Number kTwoTo64 = 18446744073709551616.0;

// Number to int64_t, truncated toward zero; out of range saturates, NaN is 0.
std::int64_t signedFromNumber(lua_Number number) {
  if (std::isnan(number)) {
    return 0;
  }
  if (number >= kTwoTo63) {
    return std::numeric_limits<std::int64_t>::max();
  }
  if (number < -kTwoTo63) {
    return std::numeric_limits<std::int64_t>::min();
  }
  return static_cast<std::int64_t>(number);
}

struct Signed {
  using Value = std::int64_t;
  static constexpr const char* kName = "i64";
  static constexpr const char* kConstructorError = "i64 constructor arg must be a number or a string";
  static constexpr const char* kOperandError = "Can't get a i64 from argument";
  static constexpr const char* kDivisionError = "i64 division by zero";
  static constexpr const char* kHexError = "Failed to print hex value of i64";
  static constexpr const char* kStringError = "Failed to convert i64 to string";

  static Value fromNumber(lua_Number number) { return signedFromNumber(number); }

  // As "%li": decimal, octal with a leading 0, hexadecimal with 0x.
  static bool parse(const char* text, Value* value) {
    char* end = nullptr;
    long long parsed = std::strtoll(text, &end, 0);
    if (end == text) {
      return false;
    }
    *value = parsed;
    return true;
  }

  static int toDecimal(char* buffer, std::size_t size, Value value) {
    return std::snprintf(buffer, size, "%" PRId64, value);
  }

  // Two's-complement wrap instead of signed overflow.
  static Value wrap(std::uint64_t bits) { return static_cast<Value>(bits); }

  // The one quotient that overflows wraps to itself; its remainder is 0.
  static Value divide(Value a, Value b) {
    return (b == -1) ? wrap(0 - static_cast<std::uint64_t>(a)) : a / b;
  }
  static Value remainder(Value a, Value b) { return (b == -1) ? 0 : a % b; }
};

struct Unsigned {
  using Value = std::uint64_t;
  static constexpr const char* kName = "u64";
  static constexpr const char* kConstructorError = "u64 constructor arg must be a number or a string";
  static constexpr const char* kOperandError = "Can't get a u64 from argument";
  static constexpr const char* kDivisionError = "u64 division by zero";
  static constexpr const char* kHexError = "Failed to print hex value of u64";
  static constexpr const char* kStringError = "Failed to convert u64 to string";

  // The whole unsigned range; a negative number becomes its two's complement.
  static Value fromNumber(lua_Number number) {
    if (number >= kTwoTo64) {
      return std::numeric_limits<Value>::max();
    }
    if (number >= 0) {
      return static_cast<Value>(number);
    }
    return static_cast<Value>(signedFromNumber(number));
  }

  // As "%lu": decimal only, stops at the first character that does not fit.
  static bool parse(const char* text, Value* value) {
    char* end = nullptr;
    unsigned long long parsed = std::strtoull(text, &end, 10);
    if (end == text) {
      return false;
    }
    *value = parsed;
    return true;
  }

  static int toDecimal(char* buffer, std::size_t size, Value value) {
    return std::snprintf(buffer, size, "%" PRIu64, value);
  }

  static Value wrap(std::uint64_t bits) { return bits; }
  static Value divide(Value a, Value b) { return a / b; }
  static Value remainder(Value a, Value b) { return a % b; }
};

int raise(lua_State* L, const char* message) {
  lua_pushstring(L, message);
  return lua_error(L);
}

// The value of a userdata of type T at `index`, or null.
template <typename T>
typename T::Value* toValue(lua_State* L, int index) {
  if (lua_type(L, index) != LUA_TUSERDATA || !lua_getmetatable(L, index)) {
    return nullptr;
  }
  luaL_getmetatable(L, T::kName);
  bool sameType = lua_rawequal(L, -1, -2) != 0;
  lua_pop(L, 2);
  return sameType ? static_cast<typename T::Value*>(lua_touserdata(L, index)) : nullptr;
}

// An operand: a number or a value of the same type.
template <typename T>
bool operand(lua_State* L, int index, typename T::Value* value) {
  if (lua_type(L, index) == LUA_TNUMBER) {
    *value = T::fromNumber(lua_tonumber(L, index));
    return true;
  }
  if (typename T::Value* stored = toValue<T>(L, index)) {
    *value = *stored;
    return true;
  }
  return false;
}

template <typename T>
int push(lua_State* L, typename T::Value value) {
  void* block = lua_newuserdata(L, sizeof value);
  *static_cast<typename T::Value*>(block) = value;
  luaL_getmetatable(L, T::kName);
  lua_setmetatable(L, -2);
  return 1;
}

// stdint.i64(x) / stdint.u64(x): exactly one argument converts, any other
// count gives 0.
template <typename T>
int construct(lua_State* L) {
  typename T::Value value = 0;
  if (lua_gettop(L) == 1) {
    switch (lua_type(L, 1)) {
      case LUA_TNUMBER:
        value = T::fromNumber(lua_tonumber(L, 1));
        break;
      case LUA_TSTRING:
        if (!T::parse(lua_tostring(L, 1), &value)) {
          lua_pushliteral(L, "Unable to parse a number out of \"");
          lua_pushvalue(L, 1);
          lua_pushliteral(L, "\"");
          lua_concat(L, 3);
          return lua_error(L);
        }
        break;
      default:
        return raise(L, T::kConstructorError);
    }
  }
  return push<T>(L, value);
}

template <typename T>
bool operands(lua_State* L, typename T::Value* a, typename T::Value* b) {
  return operand<T>(L, 1, a) && operand<T>(L, 2, b);
}

// Every binary metamethod: two operands (values of type T or numbers), then
// the operation, which pushes its result.
template <typename T, typename Operation>
int binary(lua_State* L) {
  typename T::Value a = 0;
  typename T::Value b = 0;
  if (!operands<T>(L, &a, &b)) {
    return raise(L, T::kOperandError);
  }
  return Operation::template apply<T>(L, a, b);
}

// Sum, difference, product: 64-bit two's complement, wrapping.
template <typename Operator>
struct Wrapping {
  template <typename T>
  static int apply(lua_State* L, typename T::Value a, typename T::Value b) {
    return push<T>(L, T::wrap(Operator{}(static_cast<std::uint64_t>(a), static_cast<std::uint64_t>(b))));
  }
};

// Quotient and remainder truncate, as in C; by zero is a script error, not
// a trap that kills the process.
template <bool kRemainder>
struct Division {
  template <typename T>
  static int apply(lua_State* L, typename T::Value a, typename T::Value b) {
    if (b == 0) {
      return raise(L, T::kDivisionError);
    }
    return push<T>(L, kRemainder ? T::remainder(a, b) : T::divide(a, b));
  }
};

// __eq and __lt: signed or unsigned by the type of Value.
template <typename Compare>
struct Comparison {
  template <typename T>
  static int apply(lua_State* L, typename T::Value a, typename T::Value b) {
    lua_pushboolean(L, Compare{}(a, b));
    return 1;
  }
};

// Lua calls __unm with the operand twice.
template <typename T>
int negate(lua_State* L) {
  typename T::Value a = 0;
  if (!operand<T>(L, 1, &a)) {
    return raise(L, T::kOperandError);
  }
  return push<T>(L, T::wrap(0 - static_cast<std::uint64_t>(a)));
}

// __tostring (decimal) and hexstring (lower-case hexadecimal without prefix,
// an i64 as its two's complement).
template <typename T, bool kHex>
int format(lua_State* L) {
  typename T::Value value = 0;
  if (!operand<T>(L, 1, &value)) {
    return raise(L, T::kOperandError);
  }
  char text[32];
  int length = kHex ? std::snprintf(text, sizeof text, "%" PRIx64, static_cast<std::uint64_t>(value))
                    : T::toDecimal(text, sizeof text, value);
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof text) {
    return raise(L, kHex ? T::kHexError : T::kStringError);
  }
  lua_pushlstring(L, text, static_cast<std::size_t>(length));
  return 1;
}

template <typename T>
void registerType(lua_State* L) {
  static const luaL_Reg metamethods[] = {
      {"__tostring", format<T, false>},
      {"__add", binary<T, Wrapping<std::plus<>>>},
      {"__sub", binary<T, Wrapping<std::minus<>>>},
      {"__mul", binary<T, Wrapping<std::multiplies<>>>},
      {"__div", binary<T, Division<false>>},
      {"__mod", binary<T, Division<true>>},
      {"__unm", negate<T>},
      {"__eq", binary<T, Comparison<std::equal_to<>>>},
      {"__lt", binary<T, Comparison<std::less<>>>},
      {nullptr, nullptr},
  };
  static const luaL_Reg methods[] = {
      {"hexstring", format<T, true>},
      {nullptr, nullptr},
  };
  luaL_newmetatable(L, T::kName);
  luaL_register(L, nullptr, metamethods);
  lua_newtable(L);
  luaL_register(L, nullptr, methods);
  lua_setfield(L, -2, "__index");
  lua_pop(L, 1);
}

const luaL_Reg kConstructors[] = {
    {"i64", construct<Signed>},
    {"u64", construct<Unsigned>},
    {nullptr, nullptr},
};

}  // namespace

int openStdint(lua_State* L) {
  registerType<Signed>(L);
  registerType<Unsigned>(L);
  luaL_register(L, "stdint", kConstructors);
  return 1;
}

}  // namespace voxlatorlua
