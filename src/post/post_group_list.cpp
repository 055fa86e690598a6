#include "post/post_group_list.h"

namespace kelbrin {

void PostGroupList(Run&) {}

}  // namespace kelbrin
