// Title and class matching: whether a window is (still) the host of a link.
// Pure functions over texts; callers decide what a result means for them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kivra {

// The stored numbers are fixed: they are the `MatchMethod` values in the settings store.
// Any other value matches nothing.
enum class MatchMethod : std::int16_t { Exact = 1, Fuzzy = 2, FuzzyExclusion = 3 };

enum class ClassRequirement { NotRequired, Required };

// Title test. `linkTitle` is the stored title, untrimmed; `windowTitle` has its
// trailing blanks already removed.
//   Exact: equal, case-sensitive.  Fuzzy: trim(link title) occurs in the window title.
//   FuzzyExclusion: as Fuzzy, and trim(exclusion) does not occur in it (an empty
//   exclusion occurs everywhere, so it never matches).
bool titleMatches(std::string_view linkTitle, std::string_view windowTitle, MatchMethod method,
                  std::string_view exclusionText);

// The single-character rule applies when the link title is exactly one character
// and the method is Fuzzy.
bool singleCharacterRuleApplies(std::string_view linkTitle, MatchMethod method);
// Fails for a digit; otherwise the first occurrence p (1-based, in characters)
// must satisfy 1 < p <= 12 with digits on both sides (a size such as "300x250").
bool singleCharacterRulePasses(std::string_view linkTitle, std::string_view windowTitle);

// True when no class match is required, else when the names are equal,
// case-sensitive and untrimmed.
bool classMatches(ClassRequirement requirement, std::string_view recordedClass, std::string_view windowClass);
inline bool classMatches(bool requireClassMatch, std::string_view recordedClass, std::string_view windowClass) {
    return classMatches(requireClassMatch ? ClassRequirement::Required : ClassRequirement::NotRequired,
                        recordedClass, windowClass);
}

// What a link asks of a window.
struct LinkMatchRule {
    std::string_view title;
    MatchMethod method = MatchMethod::Exact;
    std::string_view exclusionText;
    ClassRequirement classRequirement = ClassRequirement::NotRequired;
    std::string_view recordedClass;
};

// Which test of the link-to-window test decided. Activation reports the last two
// differently from a title mismatch.
enum class LinkMatch { TitleMismatch, SingleCharacterMismatch, ClassMismatch, Match };

// The main program's link-to-window test: title, then the single-character rule
// when it applies, then the class.
LinkMatch matchLinkToWindow(const LinkMatchRule& rule, std::string_view windowTitle, std::string_view windowClass);
inline bool linkMatchesWindow(const LinkMatchRule& rule, std::string_view windowTitle, std::string_view windowClass) {
    return matchLinkToWindow(rule, windowTitle, windowClass) == LinkMatch::Match;
}

// The link program's match options, read from its own `LinkOptions`.
struct LinkMatchOptions {
    MatchMethod method = MatchMethod::Exact;
    std::string exclusionText;
    bool matchClass = false;
    std::string winClass;
    bool autoTerminate = true;
};

// The link program's "host still matches" test. The caller runs it only while
// auto-terminate is on; this function does not look at that flag.
//  - an empty title, or one containing "//" or two backslashes in a row, still matches;
//  - the title is right-trimmed; Exact compares with the link title as is, Fuzzy and
//    FuzzyExclusion look for the link title with only its leading blanks removed,
//    FuzzyExclusion also fails when trim(exclusion) occurs; other methods match;
//  - then the class, when required; no single-character rule.
// `hostClass` is only called when the class must be compared.
bool hostStillMatches(const LinkMatchOptions& options, std::string_view linkTitle, std::string_view hostTitle,
                      const std::function<std::string()>& hostClass);
inline bool hostStillMatches(const LinkMatchOptions& options, std::string_view linkTitle,
                             std::string_view hostTitle, std::string_view hostClass) {
    return hostStillMatches(options, linkTitle, hostTitle, [&] { return std::string(hostClass); });
}

}  // namespace kivra
