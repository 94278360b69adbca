#include "StoreNameFolding.h"

#include "CaseFolding.h"

std::string StoreNameFolding::Fold(std::string_view name) const {
    return FoldCase(name);
}
