#include "console/item_title.h"

#include <algorithm>
#include <cctype>

namespace qs {

std::string ItemTitleWithoutBlanks(std::string_view title) {
    return std::string(title.substr(std::min(title.find_first_not_of(' '), title.size())));
}

std::string ItemKey(std::string_view title) {
    std::string key = ItemTitleWithoutBlanks(title);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
}

}  // namespace qs
