#include "plugins/ProductIDMap.h"

#include <set>

#include "reportjson/ReportJson.h"
#include "status/Raise.h"

namespace dvl {

namespace {

namespace json = voxlator::json;

constexpr ProductTableRow kProducts[] = {
#define TOVIK_PRODUCT(model, bus, id, key, byBus, byModel, isDefault) \
  {model, bus, id, tovik::PluginKey::key, byBus != 0, byModel != 0, isDefault != 0},
#include "../../tables/products.def"
#undef TOVIK_PRODUCT
};

char* writeElement(const json::WriterContext& context, char* list, const std::string& value) {
  return json::writeString(context, list, nullptr, value.c_str());
}

char* writeElement(const json::WriterContext& context, char* list, unsigned int value) {
  return json::writeUInt(context, list, nullptr, value);
}

// Appends the accepted values, as a JSON list, to the raised status.
template <class Value>
void addPossibleValues(voerr::Raiser& raiser, const std::set<Value>& values,
                       const char* valueType) {
  voerr::Status& status = raiser.status();
  const json::WriterContext context = status.writerContext();
  char* item = json::writeObject(context, status.attachTranslator(voerr::kTranslatorName),
                                 nullptr);
  item = json::writeString(context, item, "type", "usage");
  item = json::writeString(context, item, "usage", "kUsageTypePossibleValues");
  char* list = json::writeArray(context, item, "value");
  for (const Value& value : values) {
    list = writeElement(context, list, value);
  }
  json::writeString(context, list ? json::leave(list) : nullptr, "value_type", valueType);
}

}  // namespace

const std::vector<ProductTableRow>& productTable() {
  static const std::vector<ProductTableRow> table(std::begin(kProducts), std::end(kProducts));
  return table;
}

template <class Id, class Key>
ProductIDMap<Id, Key>::ProductIDMap(int32_t errorCodeToThrow, const std::vector<Row>& rows)
    : errorCodeToThrow_(errorCodeToThrow) {
  entries_.reserve(rows.size());
  for (const Row& row : rows) {
    entries_.push_back({row.model, row.bus, row.productId, row.key});
    if (row.isDefault) {
      defaultProductId_ = row.productId;
    }
    if (row.byBus) {
      byBus_.emplace(row.bus, row.productId);
    }
    if (row.byModel) {
      byModel_.emplace(row.model, row.productId);
    }
  }
}

template <class Id, class Key>
Id ProductIDMap<Id, Key>::getProductId(const std::optional<std::string>& model,
                                       const std::optional<std::string>& bus) const {
  const int32_t errorCodeToThrow = errorCodeToThrow_;
  std::set<std::string> models;
  for (const Entry& entry : entries_) {
    models.insert(entry.model);
  }
  if (model && bus) {
    std::set<std::string> busesOfModel;
    for (const Entry& entry : entries_) {
      if (entry.model == *model) {
        if (entry.bus == *bus) {
          return entry.productId;
        }
        busesOfModel.insert(entry.bus);
      }
    }
    if (!busesOfModel.empty()) {
      voerr::Raiser raiser = TOVIK_RAISE_VAR(errorCodeToThrow);
      addPossibleValues(raiser, busesOfModel, "string");
      raiser.throwIt();
    }
    voerr::Raiser raiser = TOVIK_RAISE_VAR(errorCodeToThrow);
    addPossibleValues(raiser, models, "string");
    raiser.throwIt();
  }
  if (model) {
    auto found = byModel_.find(*model);
    if (found == byModel_.end()) {
      voerr::Raiser raiser = TOVIK_RAISE_VAR(errorCodeToThrow);
      addPossibleValues(raiser, models, "string");
      raiser.throwIt();
    }
    return found->second;
  }
  if (bus) {
    auto found = byBus_.find(*bus);
    if (found == byBus_.end()) {
      std::set<std::string> buses;
      for (const Entry& entry : entries_) {
        buses.insert(entry.bus);
      }
      voerr::Raiser raiser = TOVIK_RAISE_VAR(errorCodeToThrow);
      addPossibleValues(raiser, buses, "string");
      raiser.throwIt();
    }
    return found->second;
  }
  return defaultProductId_;
}

template <class Id, class Key>
const typename ProductIDMap<Id, Key>::Entry* ProductIDMap<Id, Key>::findById(
    Id productId) const {
  for (const Entry& entry : entries_) {
    if (entry.productId == productId) {
      return &entry;
    }
  }
  return nullptr;
}

template <class Id, class Key>
void ProductIDMap<Id, Key>::throwUnknownId(voerr::Raiser& raiser) const {
  std::set<Id> ids;
  for (const Entry& entry : entries_) {
    ids.insert(entry.productId);
  }
  addPossibleValues(raiser, ids, "uint32_t");
  raiser.throwIt();
}

// getPluginKey and getProductName raise from sites of their own, so their
// reports can be told apart.
template <class Id, class Key>
Key ProductIDMap<Id, Key>::getPluginKey(Id productId) const {
  const Entry* entry = findById(productId);
  if (!entry) {
    const int32_t errorCodeToThrow = errorCodeToThrow_;
    voerr::Raiser raiser = TOVIK_RAISE_VAR(errorCodeToThrow);
    throwUnknownId(raiser);
  }
  return entry->key;
}

template <class Id, class Key>
std::string ProductIDMap<Id, Key>::getProductName(Id productId) const {
  const Entry* entry = findById(productId);
  if (!entry) {
    const int32_t errorCodeToThrow = errorCodeToThrow_;
    voerr::Raiser raiser = TOVIK_RAISE_VAR(errorCodeToThrow);
    throwUnknownId(raiser);
  }
  return entry->bus + "-" + entry->model;
}

template class ProductIDMap<unsigned int, tovik::PluginKey>;

}  // namespace dvl
