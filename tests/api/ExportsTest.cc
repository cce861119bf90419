// Every export that forwards to a plugin entry, driven by the API table: the
// entry receives the arguments unchanged, its status comes back, and the
// trace record carries the right id, name, pseudo-parameters, indices,
// type codes, sizes and returns.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "RecordingPlugin.h"
#include "api/ExportCatalogue.h"
#include "SnooprRecord.h"
#include "ivi/IviWrapper.h"
#include "ivi/IviWrapperFactory.h"
#include "ivi_engine.h"
#include "plugins/PluginFactory.h"
#include "sessions/SessionRegistry.h"

namespace {

constexpr ViStatus kNullPointer = static_cast<ViStatus>(0xBFFA0058u);

// An engine session of the engine stand-in, as a plugin would have made.
ViSession kSession = 0;
constexpr const char* kResourceName = "PXI1Slot3";

struct Passed {
  uint64_t bits = 0;
  uint32_t width = 0;
};

template <typename T>
Passed bitsOf(const T& value) {
  Passed passed;
  std::memcpy(&passed.bits, &value, sizeof value);
  passed.width = sizeof value;
  return passed;
}

}  // namespace

// Hands out deterministic arguments and remembers what it handed out.
class ArgumentSource {
 public:
  struct Options {
    // The value of every argument that counts an input array's elements.
    std::optional<int32_t> count;
    // A null pointer for the new-session handle of the opening calls.
    bool nullHandlePointer = false;
  };

  explicit ArgumentSource(const catalogue::Export& e) : ArgumentSource(e, Options()) {}
  ArgumentSource(const catalogue::Export& e, Options options)
      : export_(e), options_(options), passed_(e.paramCount) {
    for (auto& buffer : buffers_) buffer.fill(0);
  }

  template <typename T>
  T value(int index) {
    const std::string name = export_.params[index].name;
    T result;
    if constexpr (std::is_same_v<T, ViConstString>) {
      texts_[index] = "text-" + std::to_string(index) + "-" + export_.symbol;
      result = texts_[index].c_str();
    } else if constexpr (std::is_floating_point_v<T>) {
      result = static_cast<T>(1.25 + index);
    } else if constexpr (std::is_pointer_v<T>) {
      result = reinterpret_cast<T>(buffers_[index].data());
    } else if (name == "vi") {
      result = static_cast<T>(kSession);
    } else if (options_.count && countsAnArray(name)) {
      result = static_cast<T>(*options_.count);
    } else if constexpr (sizeof(T) == 2) {
      result = static_cast<T>(index % 2 ? 1 : 0x0102);
    } else if constexpr (sizeof(T) == 8) {
      result = static_cast<T>(0x123456789LL + index);
    } else {
      // Small, so the counts and sizes they stand for stay inside the buffers.
      result = static_cast<T>(3 + index);
    }
    passed_[index] = bitsOf(result);
    if constexpr (std::is_integral_v<T>) {
      values_[name] = static_cast<int64_t>(result);
    } else {
      values_[name] = static_cast<int64_t>(passedInteger(index));
    }
    return result;
  }

  template <typename T>
  T* pointer(int index) {
    T* result = reinterpret_cast<T*>(buffers_[index].data());
    if constexpr (std::is_same_v<T, ViSession>) {
      if (options_.nullHandlePointer) result = nullptr;
    }
    passed_[index] = bitsOf(result);
    return result;
  }

  const Passed& passed(int index) const { return passed_[index]; }
  const std::string& text(int index) const { return texts_[index]; }
  int64_t integer(const char* name) const { return values_.at(name); }
  const void* buffer(int index) const { return buffers_[index].data(); }

 private:
  uint64_t passedInteger(int index) const { return passed_[index].bits; }
  bool countsAnArray(const std::string& name) const {
    for (int i = 0; i < export_.paramCount; ++i) {
      if (export_.params[i].count && name == export_.params[i].count) return true;
    }
    return false;
  }

  const catalogue::Export& export_;
  Options options_;
  std::vector<Passed> passed_;
  std::array<std::string, 16> texts_;
  alignas(16) std::array<std::array<uint8_t, 4096>, 16> buffers_;
  std::map<std::string, int64_t> values_;
};

#include "api/ExportInvokers.inc"

namespace {

bool forwardsToAnEntry(const catalogue::Export& e) {
  const std::string frame = e.frame;
  const std::string symbol = e.symbol;
  if (e.table[0] == '\0' || frame.find("opening") != std::string::npos) return false;
  // Found by resource name through the resolver; covered with the opening calls.
  return symbol != "tovik_GetOpenSessionsInformation" && symbol != "tovik_IsSessionInitialized";
}

bool usesRemotePlugin(const std::string& symbol) {
  return symbol == "tovik_AllocateServer" || symbol == "tovik_FreeServer" ||
         symbol == "tovik_RevokeControl";
}

class ExportsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(Ivi_SpecificDriverNew("tovik", "Simulate=1", &kSession), 0);
    tovik::pluginCache().getInstance(tovik::PluginKey::PAL);
    tovik::pluginCache().getInstance(tovik::PluginKey::Remote);
  }

  static void registerSession() {
    if (miivi::sessionRegistry().find(kSession)) return;
    dvl::createAndRegister(miivi::IviWrapperFactory().createBinding(kSession), 0, 0,
                           tovik::pluginCache().getInstance(tovik::PluginKey::PAL), kResourceName,
                           nullptr);
  }

  void SetUp() override {
    pal_ = RecordingPlugin_find("libtovikpal.so");
    remote_ = RecordingPlugin_find("libtovikremote.so");
    ASSERT_NE(pal_, nullptr);
    ASSERT_NE(remote_, nullptr);
  }

  void checkForwardingExport(size_t n, ArgumentSource::Options options);

  const RecordingPluginControl* pal_ = nullptr;
  const RecordingPluginControl* remote_ = nullptr;
  std::string logPath_ = ::testing::TempDir() + "exports_test.log";
};

void expectItem(const snoopr::Item& item, int32_t index, const std::string& name, int32_t type,
                int32_t elementSize, int64_t size) {
  EXPECT_EQ(item.index, index) << name;
  EXPECT_EQ(item.name.value_or("(null)"), name);
  EXPECT_EQ(item.type, type) << name;
  EXPECT_EQ(item.elementSize, elementSize) << name;
  EXPECT_EQ(item.totalSize, size) << name;
}

// Calls export `n` once and checks the entry's arguments, the result and the
// trace record.
void ExportsTest::checkForwardingExport(size_t n, ArgumentSource::Options options) {
  const catalogue::Export& e = catalogue::kExports[n];
  registerSession();
  const std::string qualified = std::string(e.table) + "." + e.entry;
  const RecordingPluginControl* plugin = usesRemotePlugin(e.symbol) ? remote_ : pal_;
  plugin->reset();
  const ViStatus chosen = static_cast<ViStatus>(0x3FFA0100 + n);
  ASSERT_EQ(plugin->setResult(qualified.c_str(), chosen), 0);
  std::ofstream(logPath_, std::ios::trunc).close();
  snoopr::ScopedLogFile log(logPath_);

  ArgumentSource source(e, options);
  const int32_t result = e.invoke(source);

  // The entry saw exactly the caller's arguments, and its status came back.
  ASSERT_EQ(plugin->callCount(), 1);
  RecordingPluginCall call{};
  ASSERT_EQ(plugin->getCall(0, &call), 0);
  EXPECT_EQ(std::string(call.entry), qualified);
  ASSERT_EQ(call.argCount, static_cast<uint32_t>(e.paramCount));
  for (int i = 0; i < e.paramCount; ++i) {
    EXPECT_EQ(call.args[i].bits, source.passed(i).bits) << e.params[i].name;
    EXPECT_EQ(call.args[i].width, source.passed(i).width) << e.params[i].name;
  }
  if (!e.returnsVoid) {
    EXPECT_EQ(result, chosen);
  }

  const std::string frame = e.frame;
  const bool closing = frame.find("closing") != std::string::npos;
  if (closing) {
    EXPECT_FALSE(miivi::sessionRegistry().find(kSession));
  }
  if (e.traceId < 0) return;  // untraced: EveryUntracedExportLeavesTheTraceLoggerAlone

  // The trace record.
  const snoopr::RecordFile file = snoopr::readRecordFile(logPath_);
  ASSERT_EQ(file.records.size(), 1u);
  ASSERT_TRUE(file.malformedLines.empty());
  const snoopr::Record& record = file.records.front();
  EXPECT_EQ(record.functionName.value_or(""), e.traceName);
  EXPECT_EQ(record.functionId, e.traceId);
  EXPECT_EQ(record.apiType, 21);
  EXPECT_EQ(record.flags, 1);
  const bool standard = !closing;
  std::vector<const snoopr::Item*> params;
  for (const auto& item : record.params) params.push_back(&item);
  size_t k = 0;
  auto next = [&]() -> const snoopr::Item& {
    static const snoopr::Item missing{};
    return k < params.size() ? *params[k++] : missing;
  };
  int32_t index = 0;
  expectItem(next(), index++, "dummyerror", 14, 8, 8);
  const snoopr::Item& session = next();
  expectItem(session, index++, "dummysessn", 45, 1, std::strlen(kResourceName));
  EXPECT_EQ(session.text(), kResourceName);
  if (standard) expectItem(next(), index++, "dummyintch", 14, 8, 8);
  for (int i = 0; i < e.paramCount; ++i) {
    const catalogue::Param& p = e.params[i];
    if (p.startCode >= 0) {
      const std::string type = p.type;
      if (p.shape == 'v' && type == "ViConstString") {
        const snoopr::Item& text = next();
        expectItem(text, index++, p.name, 45, 1, source.text(i).size());
        EXPECT_EQ(text.text(), source.text(i));
      } else if (p.shape == 'v') {
        const int32_t bytes = p.tracedBytes >= 0 ? p.tracedBytes : p.width;
        const snoopr::Item& value = next();
        expectItem(value, index++, p.name, p.startCode, bytes, bytes);
        EXPECT_EQ(0, std::memcmp(value.bytes.data(), &source.passed(i).bits,
                                 std::min<size_t>(value.bytes.size(), 8)));
      } else if (p.shape == 'a' && type == "ViChar[]" && p.startCode == 45) {
        expectItem(next(), index++, p.name, 45, 1, 0);
      } else {
        expectItem(next(), index++, p.name, p.startCode, 8, 8);
        // A non-null input array also has its contents record: the counted
        // elements, or none for a count of 0 or less or without a count.
        if (p.returnCode < 0 && p.shape == 'a') {
          const int64_t count = p.count ? std::max<int64_t>(source.integer(p.count), 0) : 0;
          expectItem(next(), index++, p.name, p.startCode, p.width, count * p.width);
        }
      }
    }
    if (frame.rfind("attribute", 0) == 0 && std::string(p.name) == "channelName") {
      expectItem(next(), index++, "dummyattr", 45, 1, 0);
    }
  }
  EXPECT_EQ(k, params.size());
  EXPECT_EQ(record.paramCount.value_or(-1), index);

  // Returns: the description, the interchange strings, the outputs, the status.
  k = 0;
  std::vector<const snoopr::Item*> returns;
  for (const auto& item : record.returns) returns.push_back(&item);
  params = returns;
  index = 0;
  expectItem(next(), index++, "dummyerror", 45, 1, 0);
  if (standard) expectItem(next(), index++, "dummyintch", 45, 1, 0);
  for (int i = 0; i < e.paramCount; ++i) {
    const catalogue::Param& p = e.params[i];
    if (p.returnCode < 0) continue;
    const std::string type = p.type;
    if (p.shape == 'p') {
      expectItem(next(), index++, std::string("*") + p.name, p.returnCode, p.width, p.width);
    } else if (type == "ViChar[]") {
      expectItem(next(), index++, p.name, 45, 1, 0);
    } else {
      expectItem(next(), index++, p.name, p.returnCode, p.width,
                 p.size ? source.integer(p.size) * p.width : 0);
    }
  }
  const snoopr::Item& status = next();
  EXPECT_EQ(status.kind, 'F');
  expectItem(status, index, "(null)", 23, 4, 4);
  EXPECT_EQ(status.succeeded.value_or(-1), 1);
  EXPECT_EQ(record.returnCount.value_or(-1), index + 1);
  EXPECT_EQ(k, params.size());
}

TEST_F(ExportsTest, EveryForwardingExportPassesArgumentsAndTracesThem) {
  int covered = 0;
  for (size_t n = 0; n < std::size(catalogue::kExports); ++n) {
    if (!forwardsToAnEntry(catalogue::kExports[n])) continue;
    SCOPED_TRACE(catalogue::kExports[n].symbol);
    checkForwardingExport(n, {});
    ++covered;
  }
  EXPECT_GT(covered, 200);
}

// An array whose count is 0 or negative is read not at all, yet keeps its
// contents record, so every later parameter keeps its index.
TEST_F(ExportsTest, InputArraysOfNoElementsKeepTheirContentsRecord) {
  int covered = 0;
  for (const int32_t count : {0, -5}) {
    for (size_t n = 0; n < std::size(catalogue::kExports); ++n) {
      const catalogue::Export& e = catalogue::kExports[n];
      const bool counted = std::any_of(e.params, e.params + e.paramCount,
                                       [](const catalogue::Param& p) { return p.count; });
      if (!forwardsToAnEntry(e) || !counted) continue;
      SCOPED_TRACE(std::string(e.symbol) + " with count " + std::to_string(count));
      checkForwardingExport(n, {count, false});
      ++covered;
    }
  }
  EXPECT_GT(covered, 30);
}

// With the logger on, an export without a trace id makes no trace call at
// all, whether the call succeeds or fails.
TEST_F(ExportsTest, EveryUntracedExportLeavesTheTraceLoggerAlone) {
  auto entryCalls = reinterpret_cast<uint64_t (*)()>(
      dlsym(dlopen("libSnooprLog.so", RTLD_NOW), "SnooprStandin_entryCalls"));
  ASSERT_NE(entryCalls, nullptr);
  int covered = 0;
  for (const catalogue::Export& e : catalogue::kExports) {
    if (e.traceId >= 0) continue;
    SCOPED_TRACE(e.symbol);
    registerSession();
    std::ofstream(logPath_, std::ios::trunc).close();
    snoopr::ScopedLogFile log(logPath_);
    const uint64_t before = entryCalls();
    ArgumentSource source(e);
    e.invoke(source);
    EXPECT_EQ(entryCalls(), before);
    EXPECT_TRUE(snoopr::readRecordFile(logPath_).records.empty());
    ++covered;
  }
  // The private and internal-IVI tables, the remote-debug and server
  // helpers, and the two host hooks.
  EXPECT_EQ(covered, 44);
}

// A null new-handle pointer is refused before anything is resolved, loaded
// or opened, and recorded as the thread's error like any front-end error.
TEST_F(ExportsTest, OpeningExportsRefuseANullHandlePointer) {
  const RecordingPluginControl* plugins[] = {pal_, remote_,
                                             RecordingPlugin_find("libvoGCtovikplugin.so"),
                                             RecordingPlugin_find("libtovikgrpc.so")};
  int covered = 0;
  for (const catalogue::Export& e : catalogue::kExports) {
    if (std::string(e.frame).find("opening") == std::string::npos) continue;
    SCOPED_TRACE(e.symbol);
    for (const RecordingPluginControl* plugin : plugins) {
      if (plugin) plugin->reset();
    }
    Ivi_ClearErrorInfo(0);
    snoopr::ScopedLogFile log(logPath_);
    ArgumentSource source(e, {std::nullopt, true});
    EXPECT_EQ(e.invoke(source), kNullPointer);
    for (const RecordingPluginControl* plugin : plugins) {
      if (plugin) {
        EXPECT_EQ(plugin->callCount(), 0);
      }
    }
    ViStatus primary = 0, secondary = 0;
    Ivi_GetErrorInfo(0, &primary, &secondary, nullptr);
    if (e.symbol[0] == 'Y') {
      // The Ymber forms hand the recorded error to the caller's buffer,
      // which reads it and so clears it.
      const auto* description = static_cast<const char*>(source.buffer(e.paramCount - 1));
      EXPECT_NE(description[0], '\0');
      EXPECT_EQ(primary, 0);
    } else {
      EXPECT_EQ(primary, kNullPointer);
    }
    ++covered;
  }
  EXPECT_EQ(covered, 11);
}

}  // namespace
