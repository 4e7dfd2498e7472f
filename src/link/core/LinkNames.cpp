// Deriving a link's names from its title text.
#include "LinkNames.h"

#include "AppNames.h"
#include "TextRules.h"

namespace kivra {

LinkNames makeLinkNames(std::string_view titleText, std::int16_t instance, std::int16_t count) {
    LinkNames names;
    names.linkTitle = std::string(rightTrimBlanks(titleText));
    names.keySafeTitle = MakeKeySafeTitle(titleText);
    names.instanceAppName = linkInstanceAppName(titleText, instance, count);
    names.applicationTitle = std::string(kLinkApplicationTitlePrefix);
    names.applicationTitle += cutToCharacters(names.keySafeTitle, kApplicationTitleTitleChars);
    return names;
}

}  // namespace kivra
