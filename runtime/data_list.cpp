// The game program's data list: RestoreData chooses the list, the read operations take its items in
// order and end the program with error 20 when none is left.
#include "runtime/runtime.h"

static_assert(sizeof(DataItem) == 16, "a data item is a number and a text pointer");

namespace {

DataList* g_currentList = nullptr;

// The next item of the current list, advancing it; error 20 when there is none.
const DataItem& NextItem() {
    DataList* list = g_currentList;
    if (list == nullptr || list->items == nullptr || list->next < 0 || list->next >= list->count)
        RaiseRuntimeError(kErrorNoData);
    return list->items[list->next++];
}

}  // namespace

void RestoreData(DataList& list) {
    g_currentList = &list;
    list.next = 0;
}

double ReadDataNumber() {
    const DataItem& item = NextItem();
    return item.text != nullptr ? TextToNumber(item.text) : item.value;
}

RtString ReadDataText() {
    const DataItem& item = NextItem();
    return item.text != nullptr ? RtString(item.text) : RtString(item.value);
}
