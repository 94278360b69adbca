#pragma once

#include "GameRecord.h"
#include "MailCodePage.h"

#include <string>
#include <vector>

// One line for each text a "Send Files" run would hand to the mail library
// that `codePage` cannot hold, naming the field and its characters (but not a
// password's); empty when every text fits.
std::vector<std::string> MailTextProblems(const GameRecord& game, const MailSettings& settings,
                                          const MailCodePage& codePage);
