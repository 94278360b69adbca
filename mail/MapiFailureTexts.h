#pragma once

#include "SimpleMapi.h"

#include <string>

// The fixed texts that tell the host why a Simple MAPI call was refused.
std::string LogonFailureText(MapiULong code);
// `name` is the name exactly as it was handed to resolution.
std::string ResolveNameFailureText(MapiULong code, const std::string& name);
std::string SendMailFailureText(MapiULong code);
