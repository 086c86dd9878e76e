#pragma once

#include <cstdint>

namespace quorvane {

// A list whose items each carry a 32-bit item data value, read by position from 0.
class ItemList {
 public:
  virtual ~ItemList() = default;
  virtual int ListCount() const = 0;
  virtual std::int32_t ItemData(int index) const = 0;
};

}  // namespace quorvane
