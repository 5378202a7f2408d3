#pragma once

// Binary data in project files: standard base64 with padding.

#include <VNAPI/VNAPI_Records.h>

#include <optional>
#include <string>
#include <string_view>

namespace VantrelSim {

std::string EncodeBase64(const API_DataBlock& data);
// Nothing for text that is not base64 (bad characters, bad length or padding).
std::optional<API_DataBlock> DecodeBase64(std::string_view text);

} // namespace VantrelSim
