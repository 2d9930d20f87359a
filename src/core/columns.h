#pragma once

#include <QHash>
#include <QMetaType>
#include <QPair>
#include <QSharedPointer>
#include <QString>

#include <armadillo>

// The value types that travel between importers and the host.
using Column = arma::Col<double>;
using ColumnPtr = QSharedPointer<Column>;
using ChannelData = QHash<QString, ColumnPtr>;
using MassPair = QPair<QString, QString>;
using MassPairList = QList<MassPair>;
using MassMap = QHash<QString, MassPair>;

Q_DECLARE_METATYPE(ColumnPtr)
Q_DECLARE_METATYPE(ChannelData)
Q_DECLARE_METATYPE(MassMap)
