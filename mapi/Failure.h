#pragma once

#include "SimpleMapi.h"

#include <optional>
#include <string>
#include <variant>

// Why a step failed: the Simple MAPI code the call returns and the reason that
// goes to standard error with it.
struct Failure {
    MapiULong code;
    std::string reason;
};

// Empty when the step succeeded.
using Status = std::optional<Failure>;

template <class T> using Result = std::variant<T, Failure>;

template <class T> const Failure* FailureOf(const Result<T>& result) {
    return std::get_if<Failure>(&result);
}
