#include "frame/records.h"

namespace trelvo {

int listSlot(int type) {
  for (std::size_t i = 0; i < kListTypes.size(); ++i)
    if (kListTypes[i] == type) return static_cast<int>(i);
  return -1;
}

}  // namespace trelvo
