#pragma once

#include <QHash>
#include <QMetaType>
#include <QPair>
#include <QSharedPointer>
#include <QString>

#include <cstdlib>

#include <sys/mman.h>

// Memory for large columns and buffers comes in huge pages where the system offers them: on
// virtual machines every freshly touched 4 KiB page costs a trap, and the columns of one large
// file touch tens of thousands of them. Freed with std::free.
inline void *tesselAllocateLarge(std::size_t bytes)
{
    const std::size_t hugePage = std::size_t(2) << 20;
    if (bytes < hugePage)
        return std::malloc(bytes == 0 ? 1 : bytes);
    void *memory = nullptr;
    if (posix_memalign(&memory, hugePage, bytes) != 0)
        return nullptr;
#ifdef MADV_HUGEPAGE
    // The tail short of a whole huge page keeps small pages, so no memory is wasted.
    madvise(memory, (bytes + 4095) / 4096 * 4096, MADV_HUGEPAGE);
#endif
    return memory;
}

#define ARMA_ALIEN_MEM_ALLOC_FUNCTION tesselAllocateLarge
#define ARMA_ALIEN_MEM_FREE_FUNCTION std::free
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
