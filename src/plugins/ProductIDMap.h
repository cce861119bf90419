// The supported device models: model label, bus, the product identifier the
// system configuration service reports, and the plugin family that drives
// each. Lookups of unknown values throw a status that lists the accepted
// ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "plugins/PluginKey.h"

namespace voerr {
class Raiser;
}

namespace dvl {

template <class Id, class Key>
class ProductIDMapInterface {
 public:
  virtual ~ProductIDMapInterface() = default;
  // The identifier of a model and/or bus (each optional; absent is not
  // empty); neither gives the default product.
  virtual Id getProductId(const std::optional<std::string>& model,
                          const std::optional<std::string>& bus) const = 0;
  virtual Key getPluginKey(Id productId) const = 0;
  // "<bus>-<model>", e.g. "PXI-GE".
  virtual std::string getProductName(Id productId) const = 0;
};

template <class Id, class Key>
struct ProductRow {
  const char* model;
  const char* bus;
  Id productId;
  Key key;
  bool byBus;      // answers a lookup by bus alone (first row per bus wins)
  bool byModel;    // answers a lookup by model alone (first row per model wins)
  bool isDefault;  // answers a lookup by neither (last such row wins)
};

// Read-only after construction. Failures throw voerr::Exception with
// `errorCodeToThrow` and a "kUsageTypePossibleValues" usage item whose value
// is the sorted list of accepted values, each once.
template <class Id, class Key>
class ProductIDMap : public ProductIDMapInterface<Id, Key> {
 public:
  using Row = ProductRow<Id, Key>;

  ProductIDMap(int32_t errorCodeToThrow, const std::vector<Row>& rows);

  Id getProductId(const std::optional<std::string>& model,
                  const std::optional<std::string>& bus) const override;
  Key getPluginKey(Id productId) const override;
  std::string getProductName(Id productId) const override;

 private:
  struct Entry {
    std::string model;
    std::string bus;
    Id productId;
    Key key;
  };

  const Entry* findById(Id productId) const;
  // Adds the accepted identifiers to the caller's raise and throws it.
  [[noreturn]] void throwUnknownId(voerr::Raiser& raiser) const;

  int32_t errorCodeToThrow_;
  std::vector<Entry> entries_;
  Id defaultProductId_{};
  std::map<std::string, Id> byBus_;
  std::map<std::string, Id> byModel_;
};

using ProductTableRow = ProductRow<unsigned int, tovik::PluginKey>;
using ProductIDMapInterfaceT = ProductIDMapInterface<unsigned int, tovik::PluginKey>;

// The driver's product table, in table order.
const std::vector<ProductTableRow>& productTable();

extern template class ProductIDMap<unsigned int, tovik::PluginKey>;

}  // namespace dvl
