#pragma once

#include "SendServices.h"

// Folds game names with the profile store's own folding, so a name matches
// in the send record exactly when it matches in the store.
class StoreNameFolding : public NameFolding {
public:
    std::string Fold(std::string_view name) const override;
};
