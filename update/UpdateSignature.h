#pragma once

#include <string_view>

namespace scribeon {

// True when `signatureBase64` is a valid Ed25519 signature of `bytes` by the
// key `publicKeyBase64` (both in standard base64). Any malformed input is
// simply not valid.
bool hasValidSignature(std::string_view bytes, std::string_view signatureBase64,
                       std::string_view publicKeyBase64);

} // namespace scribeon
