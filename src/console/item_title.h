#pragma once

#include <string>
#include <string_view>

namespace qs {

// A console row right-aligns an item's title with leading blanks ("    CH No."); people, the
// journal and files name the item without them ("CH No.").
std::string ItemTitleWithoutBlanks(std::string_view title);

// Item titles compare without their leading blanks and without regard to case, so that
// "ch no.", "CH No." and "    CH No." all name the channel item.
std::string ItemKey(std::string_view title);

}  // namespace qs
