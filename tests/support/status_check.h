#pragma once

#include "core/status.h"

namespace tarvok::test {

// True when the operation succeeded; a failure's message box is kept in `message` for the checks
// that follow.
inline bool Succeeded(const Status& status, UserMessage* message = nullptr) {
    if (!status && message != nullptr) *message = status.Message();
    return status.Ok();
}

}  // namespace tarvok::test
