#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <vector>

namespace mv {

// One wildcard pattern of the scanner's name filter, compared character by character (code
// points, not UTF-16 units): "?" any one character, "*" any run including none, "#" any one
// digit 0-9, "[...]" any one character of the list (ranges as "A-Z"), "[!...]" any one not in
// it, every other character itself. Inside brackets "?", "*", "#" and "[" are plain; a "-" at
// either end of a list is plain. "[]" matches no character at all (it is left out); a "["
// without a "]" after it is a plain "[". A descending range ("[Z-A]") holds no character.
// Case matters: the scanner upper-cases both sides.
class WildcardPattern
{
public:
    explicit WildcardPattern(QStringView pattern);

    bool Matches(QStringView name) const;

private:
    enum class Kind : unsigned char { Literal, AnyOne, Digit, Set, AnyRun };
    struct Token {
        Kind kind = Kind::Literal;
        bool negated = false;   // Set: "[!...]"
        char32_t ch = 0;        // Literal
        unsigned setFirst = 0;  // Set: its ranges in mRanges
        unsigned setCount = 0;
    };
    struct Range {
        char32_t low;
        char32_t high;
    };

    bool MatchesOne(const Token &token, char32_t c) const;

    std::vector<Token> mTokens;
    std::vector<Range> mRanges;
};

// The scanner's test without wildcards: the text after the last "." of the name, followed by
// ";", occurring anywhere in filter (which the scanner keeps upper case and ending in ";").
// A name without "." never passes. Only the extension is upper-cased here.
bool ExtensionInFilter(QStringView name, QStringView filter);
// The same test on the UTF-8 bytes of a name and of the filter, as a folder listing gives
// them: without building the name's text when its extension is ASCII, which is how a big
// walk turns most entries away cheaply.
bool ExtensionInFilter(QByteArrayView utf8Name, QByteArrayView utf8Filter);

} // namespace mv
