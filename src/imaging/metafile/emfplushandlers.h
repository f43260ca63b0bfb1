#pragma once

// Record handlers of EMF+, grouped by kind in emfplus*.cpp. Each handler gets the record's
// data (after its 12-byte head) and only runs once the data is at least its table's
// minimum size. Handlers read their fields first and act only when the reader is still
// good; a reader that ran out marks the record as damaged.

#include "imaging/metafile/emfplusformat.h"
#include "imaging/metafile/emfplusplayer.h"

#include <array>

namespace mv::metafile::emfplus {

using Handler = void (*)(EmfPlusPlayer &player, Record &record);
struct HandlerEntry {
    Handler handler = nullptr;
    uint32_t minData = 0; // bytes of data after the record's head
};
using HandlerTable = std::array<HandlerEntry, LastType - FirstType + 1>;

inline void Add(HandlerTable &table, Type type, Handler handler, uint32_t minData = 0)
{
    table[type - FirstType] = {handler, minData};
}

void AddStateHandlers(HandlerTable &table);
void AddClippingHandlers(HandlerTable &table);
void AddDrawingHandlers(HandlerTable &table);
void AddTextHandlers(HandlerTable &table);
void AddImageHandlers(HandlerTable &table);

} // namespace mv::metafile::emfplus
