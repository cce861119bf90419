// A factory interface and a cache keeping one product per key for the life
// of the cache.
#pragma once

#include <map>
#include <vector>

#include "platform/Primitives.h"
#include "status/PlatformStatus.h"

namespace atut {

template <class Key, class Product>
class FactoryInterface {
 public:
  using KeyType = Key;
  using ProductType = Product;

  virtual ~FactoryInterface() = default;
  // A new product owned by the caller; throws when it cannot be made.
  virtual Product* create(Key key) = 0;
  // Deletes a product of create(); null is ignored.
  virtual void destroy(Product* product) = 0;
};

template <class Factory>
class MultitonInterface {
 public:
  using Key = typename Factory::KeyType;
  using Product = typename Factory::ProductType;

  virtual ~MultitonInterface() = default;
  // The cached product of `key`, made on first request (not owned by the
  // caller). When making it throws, nothing is cached and the next request
  // tries again.
  virtual Product* getInstance(Key key) = 0;
  // Every cached product, in ascending key order.
  virtual std::vector<Product*> getAllInstances() = 0;
};

// The lock is recursive and held across the whole of create(), so products
// of different keys are made one after the other, and a product that calls
// back into the cache while being made does not deadlock.
template <class Factory>
class Multiton : public MultitonInterface<Factory> {
 public:
  using Key = typename MultitonInterface<Factory>::Key;
  using Product = typename MultitonInterface<Factory>::Product;

  // Throws voerr::Exception (-52003) when the mutex cannot be created.
  explicit Multiton(Factory& factory) : factory_(factory) {
    voerr::PlatformStatus status;
    mutex_.create(status);
    voerr::throwIfFailed(status);
  }
  Multiton(const Multiton&) = delete;
  Multiton& operator=(const Multiton&) = delete;

  ~Multiton() override {
    for (auto& [key, product] : instances_) {
      factory_.destroy(product);
    }
  }

  Product* getInstance(Key key) override {
    voapal::GuardLock lock(mutex_);
    auto found = instances_.find(key);
    if (found != instances_.end()) {
      return found->second;
    }
    Product* product = factory_.create(key);
    auto [position, inserted] = instances_.emplace(key, product);
    if (!inserted) {
      // A callback during create() already cached this key: keep that one.
      factory_.destroy(product);
    }
    return position->second;
  }

  std::vector<Product*> getAllInstances() override {
    voapal::GuardLock lock(mutex_);
    std::vector<Product*> products;
    products.reserve(instances_.size());
    for (const auto& [key, product] : instances_) {
      products.push_back(product);
    }
    return products;
  }

 private:
  std::map<Key, Product*> instances_;
  voapal::GuardMutex mutex_;
  Factory& factory_;
};

}  // namespace atut
