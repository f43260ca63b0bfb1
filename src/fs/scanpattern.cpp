#include "fs/scanpattern.h"

#include <QList>
#include <QVarLengthArray>

namespace mv {

namespace {

std::u32string CodePoints(QStringView text)
{
    std::u32string out;
    out.reserve(size_t(text.size()));
    for (const uint c : text.toUcs4())
        out.push_back(char32_t(c));
    return out;
}

} // namespace

WildcardPattern::WildcardPattern(QStringView pattern)
{
    const std::u32string p = CodePoints(pattern);
    for (size_t i = 0; i < p.size(); ++i) {
        const char32_t c = p[i];
        Token token;
        if (c == U'?') {
            token.kind = Kind::AnyOne;
        } else if (c == U'*') {
            if (!mTokens.empty() && mTokens.back().kind == Kind::AnyRun)
                continue; // "**" is "*"
            token.kind = Kind::AnyRun;
        } else if (c == U'#') {
            token.kind = Kind::Digit;
        } else if (c == U'[' && p.find(U']', i + 1) != std::u32string::npos) {
            const size_t close = p.find(U']', i + 1);
            size_t k = i + 1;
            if (k == close) {
                i = close; // "[]": nothing to match
                continue;
            }
            token.kind = Kind::Set;
            if (p[k] == U'!') {
                token.negated = true;
                ++k;
            }
            token.setFirst = unsigned(mRanges.size());
            while (k < close) {
                if (k + 2 < close && p[k + 1] == U'-') {
                    mRanges.push_back({p[k], p[k + 2]});
                    k += 3;
                } else {
                    mRanges.push_back({p[k], p[k]});
                    ++k;
                }
            }
            token.setCount = unsigned(mRanges.size()) - token.setFirst;
            i = close;
        } else {
            token.ch = c;
        }
        mTokens.push_back(token);
    }
}

bool WildcardPattern::MatchesOne(const Token &token, char32_t c) const
{
    switch (token.kind) {
    case Kind::Literal:
        return token.ch == c;
    case Kind::AnyOne:
        return true;
    case Kind::Digit:
        return c >= U'0' && c <= U'9';
    case Kind::Set: {
        bool inList = false;
        for (unsigned r = token.setFirst; r < token.setFirst + token.setCount && !inList; ++r)
            inList = c >= mRanges[r].low && c <= mRanges[r].high;
        return inList != token.negated;
    }
    case Kind::AnyRun:
        break;
    }
    return false;
}

bool WildcardPattern::Matches(QStringView name) const
{
    // Every token but "*" takes exactly one character, so going back to the last "*" and
    // letting it take one more is enough: no deeper backtracking, no blow-up on "*a*a*a*b".
    const std::u32string s = CodePoints(name);
    constexpr size_t None = size_t(-1);
    size_t t = 0;
    size_t n = 0;
    size_t starToken = None;
    size_t starName = 0;
    while (n < s.size()) {
        if (t < mTokens.size() && mTokens[t].kind == Kind::AnyRun) {
            starToken = t++;
            starName = n;
        } else if (t < mTokens.size() && MatchesOne(mTokens[t], s[n])) {
            ++t;
            ++n;
        } else if (starToken != None) {
            t = starToken + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (t < mTokens.size() && mTokens[t].kind == Kind::AnyRun)
        ++t;
    return t == mTokens.size();
}

bool ExtensionInFilter(QStringView name, QStringView filter)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QString key = name.mid(dot + 1).toString().toUpper() + QLatin1Char(';');
    return filter.contains(key);
}

bool ExtensionInFilter(QByteArrayView utf8Name, QByteArrayView utf8Filter)
{
    const qsizetype dot = utf8Name.lastIndexOf('.');
    if (dot < 0)
        return false;
    const QByteArrayView extension = utf8Name.sliced(dot + 1);
    // An ASCII key is found in the UTF-8 bytes exactly where it is found in the text: no
    // byte of a longer sequence is ASCII. Upper-casing an ASCII letter gives the same as
    // Unicode's upper-casing of it.
    QVarLengthArray<char, 32> key;
    for (const char c : extension) {
        if (uchar(c) >= 0x80)
            return ExtensionInFilter(QString::fromUtf8(utf8Name), QString::fromUtf8(utf8Filter));
        key.append(c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c);
    }
    key.append(';');
    return utf8Filter.indexOf(QByteArrayView(key.constData(), key.size())) >= 0;
}

} // namespace mv
