// Turns one request frame into the reply payload by calling the session.
#pragma once

#include "link/server/controller_endpoint.h"
#include "link/wire/frame.h"

#include <cstdint>
#include <vector>

namespace korvan::link::server {

struct DispatchResult
{
    std::vector<uint8_t> payload;
    bool malformed = false; // the request payload did not decode; drop the link
};

/// Runs a request (any type but Hello and Discover) against the session.
DispatchResult dispatchRequest(ControllerSession& session, const wire::Frame& request);

/// The payload of a reply that carries only a code.
std::vector<uint8_t> codeOnlyReply(int32_t code);

} // namespace korvan::link::server
