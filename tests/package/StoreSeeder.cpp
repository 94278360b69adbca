// Stores one game and the mail options into the current user's store of the
// program named "zorvel", the way the window's Exit button stores them:
// through the store's own operations. For a test of the installed program,
// which then reads that store.
// Usage: store_seeder [--orders MAILBOX NAME] GAME DIRECTORY MAIL-PROFILE PASSWORD ADDRESS...
// Players 1, 2, ... get the addresses, each with his Send box ticked;
// --orders sets the Orders Mailbox and the game's Orders Name.
// Exit status: 0 stored, 1 the store could not be written, 64 usage.

#include "FakeGameSelector.h"
#include "FakeGameWindow.h"
#include "GameStore.h"
#include "OpenProfileStore.h"
#include "OrdersSettings.h"
#include "ProgramIdentity.h"

#include <cstdio>
#include <memory>
#include <string_view>

namespace {
constexpr int kFirstAddress = 5;
}

int main(int argc, char* argv[]) {
    OrdersSettings orders;
    const bool withOrders = argc > 3 && std::string_view(argv[1]) == "--orders";
    if (withOrders) {
        orders.mailbox = argv[2];
        orders.ordersName = argv[3];
        argc -= 3;
        argv += 3;
    }
    const int addresses = argc - kFirstAddress;
    if (addresses < 1 || addresses > kPlayerCount) {
        std::fputs("usage: store_seeder [--orders MAILBOX NAME] GAME DIRECTORY MAIL-PROFILE "
                   "PASSWORD ADDRESS...\n",
                   stderr);
        return 64;
    }
    GameRecord game;
    MailSettings mail;
    mail.mailProfile = argv[3];
    mail.password = argv[4];
    FakeGameSelector selector;
    FakeGameWindow window(game, selector);
    selector.editText = argv[1];
    window.controls.directory = argv[2];
    for (int number = 1; number <= addresses; ++number) {
        PlayerSlot& player = window.controls.Player(number);
        player.email = argv[kFirstAddress + number - 1];
        player.send = 1;
    }
    const std::unique_ptr<ProfileStore> store = OpenProfileStore(kCompanyKey, "zorvel");
    GameStore games(*store, game, mail, window, selector);
    if (!games.Exit()) {
        std::fprintf(stderr, "store_seeder: %s\n", window.messages.back().c_str());
        return 1;
    }
    if (withOrders) {
        WriteOrdersMailbox(*store, orders);
        WriteGameOrdersSettings(*store, argv[1], orders);
    }
    return 0;
}
