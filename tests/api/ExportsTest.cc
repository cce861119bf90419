// Every export that forwards to a plugin entry, driven by the API table: the
// entry receives the arguments unchanged, its status comes back, and the
// trace record carries the right id, name, pseudo-parameters, indices,
// type codes, sizes and returns.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <map>
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
  explicit ArgumentSource(const catalogue::Export& e) : export_(e), passed_(e.paramCount) {
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
    } else if constexpr (sizeof(T) == 2) {
      result = static_cast<T>(index % 2 ? 1 : 0x0102);
    } else if constexpr (sizeof(T) == 8) {
      result = static_cast<T>(0x123456789LL + index);
    } else {
      // Small, so the counts and sizes they stand for stay inside the buffers.
      result = static_cast<T>(3 + index);
    }
    passed_[index] = bitsOf(result);
    values_[name] = static_cast<int64_t>(passedInteger(index));
    return result;
  }

  template <typename T>
  T* pointer(int index) {
    T* result = reinterpret_cast<T*>(buffers_[index].data());
    passed_[index] = bitsOf(result);
    return result;
  }

  const Passed& passed(int index) const { return passed_[index]; }
  const std::string& text(int index) const { return texts_[index]; }
  int64_t integer(const char* name) const { return values_.at(name); }
  const void* buffer(int index) const { return buffers_[index].data(); }

 private:
  uint64_t passedInteger(int index) const { return passed_[index].bits; }

  const catalogue::Export& export_;
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

TEST_F(ExportsTest, EveryForwardingExportPassesArgumentsAndTracesThem) {
  const RecordingPluginControl* pal = RecordingPlugin_find("libtovikpal.so");
  const RecordingPluginControl* remote = RecordingPlugin_find("libtovikremote.so");
  ASSERT_NE(pal, nullptr);
  ASSERT_NE(remote, nullptr);
  int covered = 0;
  for (size_t n = 0; n < sizeof catalogue::kExports / sizeof catalogue::kExports[0]; ++n) {
    const catalogue::Export& e = catalogue::kExports[n];
    if (!forwardsToAnEntry(e)) continue;
    SCOPED_TRACE(e.symbol);
    registerSession();
    const std::string qualified = std::string(e.table) + "." + e.entry;
    const RecordingPluginControl* plugin = usesRemotePlugin(e.symbol) ? remote : pal;
    plugin->reset();
    const ViStatus chosen = static_cast<ViStatus>(0x3FFA0100 + n);
    ASSERT_EQ(plugin->setResult(qualified.c_str(), chosen), 0);
    std::ofstream(logPath_, std::ios::trunc).close();
    snoopr::ScopedLogFile log(logPath_);

    ArgumentSource source(e);
    const int32_t result = e.invoke(source);
    ++covered;

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
    if (e.traceId < 0) continue;

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
          const bool input = p.returnCode < 0 && p.shape == 'a';
          if (input && p.count) {
            expectItem(next(), index++, p.name, p.startCode, p.width,
                       source.integer(p.count) * p.width);
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
  EXPECT_GT(covered, 200);
}

}  // namespace
