/* Test controls of the system configuration service stand-in.
 *
 * Inventory. vosysInstantiateFramework3 reads the file named by the
 * environment variable VOSYSAPI_STANDIN_CONFIG, or /etc/velmora/vosysapi/standin.conf
 * when it is unset; a missing file means no devices and no experts. Each
 * framework keeps what it read. One entry per line; blank lines and lines
 * starting with '#' are ignored; words are separated by blanks; numbers are
 * decimal or 0x-hex; a code may be given as signed or as its 32-bit pattern.
 *
 *   expert <name>                  an installed configuration expert
 *   device <resource name>         a device; the name is the rest of the line
 *     int32  <tag> <value>         properties of the latest device
 *     uint32 <tag> <value>
 *     bool   <tag> <value>         stored as given; non-zero is true
 *     string <tag> <text>          the rest of the line without the blanks around
 *                                  it (may be empty)
 *     result <operation> <tag> <code>
 *                                  that read of that tag returns <code>; with a
 *                                  non-negative code the value is still delivered
 *     nobag                        the enumerated item refuses ImxSysPropertyBag
 *   fail <operation> <code>        every call of the operation fails with <code>
 *
 * The resource name is also the device's string property 0x101F000. A
 * malformed line makes instantiation fail with 0x80004005 and names the line
 * on standard error.
 *
 * Operations: instantiate, findHardware, listExperts, createPropertyBag, next,
 * queryInterface, setString, getBool, getInt32, getUInt32, getString, getName.
 */
#ifndef VOSYSAPI_STANDIN_H
#define VOSYSAPI_STANDIN_H

#include <stdint.h>

#define VOSYSAPI_STANDIN_CONFIG_VARIABLE "VOSYSAPI_STANDIN_CONFIG"
#define VOSYSAPI_STANDIN_DEFAULT_CONFIG "/etc/velmora/vosysapi/standin.conf"

#ifdef __cplusplus
extern "C" {
#endif

/* The next call of the operation, on any object of any framework, fails
 * with `code` (a positive code: succeeds without a result). Calls queue up.
 * Returns 0, or 0x80070057 for an unknown operation name. */
int32_t VosysStandin_failNext(const char* operation, int32_t code);

/* How often the operation was called since the last reset (0 for an unknown
 * name). */
uint64_t VosysStandin_callCount(const char* operation);

/* Service objects (frameworks, bags, items, enumerators) currently alive. */
int64_t VosysStandin_liveObjects(void);

/* Forgets pending failures and call counts. */
void VosysStandin_reset(void);

#ifdef __cplusplus
}

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

/* Points the stand-in at a configuration file holding `text` for the life of
 * the object; the previous setting comes back afterwards. */
class VosysStandinConfig {
 public:
  explicit VosysStandinConfig(const std::string& text) {
    const char* previous = getenv(VOSYSAPI_STANDIN_CONFIG_VARIABLE);
    hadPrevious_ = previous != nullptr;
    if (hadPrevious_) previous_ = previous;
    const char* directory = getenv("TMPDIR");
    path_ = std::string(directory != nullptr && *directory != '\0' ? directory : "/tmp") +
            "/vosysapi-standin-XXXXXX";
    const int fd = mkstemp(&path_[0]);
    if (fd >= 0) {
      size_t written = 0;
      while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n <= 0) break;
        written += static_cast<size_t>(n);
      }
      close(fd);
    }
    setenv(VOSYSAPI_STANDIN_CONFIG_VARIABLE, path_.c_str(), 1);
  }
  VosysStandinConfig(const VosysStandinConfig&) = delete;
  VosysStandinConfig& operator=(const VosysStandinConfig&) = delete;
  ~VosysStandinConfig() {
    unlink(path_.c_str());
    if (hadPrevious_) {
      setenv(VOSYSAPI_STANDIN_CONFIG_VARIABLE, previous_.c_str(), 1);
    } else {
      unsetenv(VOSYSAPI_STANDIN_CONFIG_VARIABLE);
    }
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
  bool hadPrevious_ = false;
};
#endif

#endif
