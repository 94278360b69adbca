#pragma once

#include "OrdersFolder.h"

// A game's folder on this machine's file system, as a collection of orders
// writes into it.
class GameFolder : public OrdersFolder {
public:
    SavedOrders Save(const std::string& source, const std::string& folder,
                     const std::string& name) override;
    void Discard(const std::string& source) override;
    FileNameRules Rules() const override;
};
