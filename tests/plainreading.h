#pragma once
// The plain readings the byte-level readers are checked against, by the tests and the fuzzers.
#include <QByteArray>
#include <QRegularExpression>
#include <QString>

#include <cmath>
#include <cstring>

// The row count as its rule states it: the matches of this expression in the decoded text.
inline int expressionCount(const QByteArray &text)
{
    static const QRegularExpression expression(QStringLiteral("(?<=\\W)[\\d.]+,[\\d.]+[\\r\\n]"));
    int count = 0;
    for (auto it = expression.globalMatch(QString::fromUtf8(text)); it.hasNext(); it.next())
        ++count;
    return count;
}

// Equal bit for bit, or both NaN.
inline bool sameDouble(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}
