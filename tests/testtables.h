#pragma once
// A data table's columns, declared in one call and fetched in one: the types in order, then the
// names, as QTest::addColumn and QFETCH take them one at a time.
#include <QtTest>

#include <tuple>

template<typename... T, typename... Name> void addColumns(Name... names)
{
    (QTest::addColumn<T>(names), ...);
}

// The current row's values, for a structured binding.
template<typename... T, typename... Name> std::tuple<T...> fetchColumns(Name... names)
{
    return {*static_cast<const T *>(QTest::qData(names, qMetaTypeId<T>()))...};
}

// A table cell's list, its items written with commas between them.
inline QStringList listOf(const char *items)
{
    return QString::fromLatin1(items).split(QLatin1Char(','), Qt::SkipEmptyParts);
}
