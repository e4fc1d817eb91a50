#include "Wildcard.h"

namespace {

// Reads the bracket list starting after "[" at pos; gives the index after "]", or -1.
qsizetype matchBracket(QStringView p, qsizetype pos, QChar c, bool* hit)
{
    bool negate = false;
    if (pos < p.size() && p.at(pos) == QLatin1Char('!')) {
        negate = true;
        ++pos;
    }
    bool found = false;
    bool first = true;
    while (pos < p.size() && (first || p.at(pos) != QLatin1Char(']'))) {
        first = false;
        const QChar lo = p.at(pos);
        if (pos + 2 < p.size() && p.at(pos + 1) == QLatin1Char('-') && p.at(pos + 2) != QLatin1Char(']')) {
            const QChar hi = p.at(pos + 2);
            if (c >= lo && c <= hi)
                found = true;
            pos += 3;
        } else {
            if (c == lo)
                found = true;
            ++pos;
        }
    }
    if (pos >= p.size())
        return -1;
    *hit = found != negate;
    return pos + 1;
}

bool wellFormed(QStringView p)
{
    for (qsizetype i = 0; i < p.size(); ++i) {
        if (p.at(i) != QLatin1Char('['))
            continue;
        bool hit = false;
        const qsizetype next = matchBracket(p, i + 1, QChar(), &hit);
        if (next < 0)
            return false;
        i = next - 1;
    }
    return true;
}

bool isLiteral(QStringView p)
{
    for (const QChar c : p) {
        if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('#') || c == QLatin1Char('['))
            return false;
    }
    return true;
}

bool matchFrom(QStringView n, qsizetype ni, QStringView p, qsizetype pi)
{
    // Iterative with one backtrack point for the last "*": linear for the common cases.
    qsizetype starP = -1;
    qsizetype starN = 0;
    while (ni < n.size() || pi < p.size()) {
        if (pi < p.size()) {
            const QChar pc = p.at(pi);
            if (pc == QLatin1Char('*')) {
                // A star followed by plain characters only ("*.TMP") fits when the name ends
                // in them: no need to try every place the star could end.
                const QStringView tail = p.sliced(pi + 1);
                if (isLiteral(tail))
                    return n.size() - ni >= tail.size() && n.sliced(n.size() - tail.size()) == tail;
                starP = pi++;
                starN = ni;
                continue;
            }
            if (ni < n.size()) {
                const QChar c = n.at(ni);
                bool hit = false;
                qsizetype next = pi + 1;
                if (pc == QLatin1Char('?'))
                    hit = true;
                else if (pc == QLatin1Char('#'))
                    hit = c.isDigit() && c.unicode() < 128;
                else if (pc == QLatin1Char('['))
                    next = matchBracket(p, pi + 1, c, &hit);
                else
                    hit = c == pc;
                if (hit) {
                    ++ni;
                    pi = next;
                    continue;
                }
            }
        }
        if (starP >= 0 && starN < n.size()) {
            pi = starP + 1;
            ni = ++starN;
            continue;
        }
        return false;
    }
    return true;
}

} // namespace

bool IsWellFormedPattern(QStringView pattern) { return wellFormed(pattern); }

bool IsStarAndTail(QStringView pattern)
{
    return pattern.startsWith(QLatin1Char('*')) && isLiteral(pattern.sliced(1));
}

bool Like(QStringView name, QStringView pattern, bool* malformed)
{
    if (!wellFormed(pattern)) {
        if (malformed)
            *malformed = true;
        return false;
    }
    return matchFrom(name, 0, pattern, 0);
}
