// The matching rules, one function per test.
#include "Matching.h"

#include "TextRules.h"

namespace kivra {

namespace {
bool isDigit(char32_t c) { return c >= '0' && c <= '9'; }
}  // namespace

bool titleMatches(std::string_view linkTitle, std::string_view windowTitle, MatchMethod method,
                  std::string_view exclusionText) {
    switch (method) {
    case MatchMethod::Exact:
        return windowTitle == linkTitle;
    case MatchMethod::Fuzzy:
        return occursIn(trimBlanks(linkTitle), windowTitle);
    case MatchMethod::FuzzyExclusion:
        return occursIn(trimBlanks(linkTitle), windowTitle) && !occursIn(trimBlanks(exclusionText), windowTitle);
    }
    return false;
}

bool singleCharacterRuleApplies(std::string_view linkTitle, MatchMethod method) {
    return method == MatchMethod::Fuzzy && characterCount(linkTitle) == 1;
}

bool singleCharacterRulePasses(std::string_view linkTitle, std::string_view windowTitle) {
    if (isDigit(characterAt(linkTitle, 1))) return false;
    const std::size_t p = findNoCase(windowTitle, linkTitle);
    return p > 1 && p <= 12 && isDigit(characterAt(windowTitle, p - 1)) && isDigit(characterAt(windowTitle, p + 1));
}

bool classMatches(ClassRequirement requirement, std::string_view recordedClass, std::string_view windowClass) {
    return requirement == ClassRequirement::NotRequired || windowClass == recordedClass;
}

LinkMatch matchLinkToWindow(const LinkMatchRule& rule, std::string_view windowTitle, std::string_view windowClass) {
    if (!titleMatches(rule.title, windowTitle, rule.method, rule.exclusionText)) return LinkMatch::TitleMismatch;
    if (singleCharacterRuleApplies(rule.title, rule.method) && !singleCharacterRulePasses(rule.title, windowTitle))
        return LinkMatch::SingleCharacterMismatch;
    if (!classMatches(rule.classRequirement, rule.recordedClass, windowClass)) return LinkMatch::ClassMismatch;
    return LinkMatch::Match;
}

bool hostStillMatches(const LinkMatchOptions& options, std::string_view linkTitle, std::string_view hostTitle,
                      const std::function<std::string()>& hostClass) {
    // Paths and web addresses shown as titles never end a link.
    if (hostTitle.empty() || hostTitle.find("//") != std::string_view::npos ||
        hostTitle.find("\\\\") != std::string_view::npos)
        return true;
    const std::string_view title = rightTrimBlanks(hostTitle);
    switch (options.method) {
    case MatchMethod::Exact:
        if (title != linkTitle) return false;
        break;
    case MatchMethod::Fuzzy:
        if (!occursIn(leftTrimBlanks(linkTitle), title)) return false;
        break;
    case MatchMethod::FuzzyExclusion:
        if (!occursIn(leftTrimBlanks(linkTitle), title) || occursIn(trimBlanks(options.exclusionText), title))
            return false;
        break;
    }
    return !options.matchClass || hostClass() == options.winClass;
}

}  // namespace kivra
