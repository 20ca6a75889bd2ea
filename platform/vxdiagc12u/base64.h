// Base64 (RFC 4648, standard alphabet, padded), for data: URIs.
#pragma once

#include <string>

// The base64 text of `bytes`: 4 characters per 3 bytes, the last group padded
// with '='. Empty input gives empty text.
std::string cfBase64(const std::string& bytes);
